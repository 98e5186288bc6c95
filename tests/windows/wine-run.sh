#!/usr/bin/env bash
# Runs a Windows program under Wine, quietly. The prefix is the caller's $WINEPREFIX
# (tests/windows/run.sh makes a fresh one); Wine's own default otherwise.
export WINEDEBUG=${WINEDEBUG:--all}
exec wine "$@"
