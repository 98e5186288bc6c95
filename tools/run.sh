#!/usr/bin/env bash
# `make run`: the desktop program when there is a display, otherwise the CLI on the
# bundled sample stream.
set -euo pipefail
build=${1:-build}
top=$(cd "$(dirname "$0")/.." && pwd)
sample="$top/tests/data/sample-dvd.vob"
if { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; } && [ -x "$build/quantaline" ]; then
    exec "$build/quantaline"
fi
echo "No display: running the command-line tool on $sample" >&2
exec "$build/quantaline-cli" info "$sample"
