# shellcheck shell=bash
# Sourced by the Wine suites: a fresh Wine prefix for one run.
#
# Wine names a prefix's server by the device and inode of the prefix's folder, and a folder
# made right after another is removed takes the removed one's inode. A prefix removed at the
# end of one run (the French suite) and one made at the start of the next (the English
# suite, a moment later) would then share the name of their server, so that the second run
# can meet what is left of the first one's. Each run's prefix is therefore kept, with its
# server stopped, until the next run has made its own: the two never share an inode.
#
#   wine_prefix_new DIR     exports WINEPREFIX, a new folder in DIR, then removes the
#                           prefixes earlier runs left in DIR
#   wine_prefix_stop        stops the prefix's server and its programs; the folder stays

wine_prefix_new() {
    local dir=$1 old
    mkdir -p "$dir"
    WINEPREFIX=$(mktemp -d "$dir/wine-prefix.XXXXXX")
    export WINEPREFIX
    for old in "$dir"/wine-prefix.*; do
        [ "$old" != "$WINEPREFIX" ] && [ -d "$old" ] || continue
        WINEPREFIX=$old wineserver -k >/dev/null 2>&1 || true
        rm -rf "$old"
    done
}

wine_prefix_stop() {
    wineserver -k >/dev/null 2>&1 || true
}
