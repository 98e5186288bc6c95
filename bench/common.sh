# What the shell benchmarks share; sourced, never run. Before it: `cli` (quantaline-cli)
# and `work_name`; it checks the tools, makes `$work` (removed at the end) and gives
# `measure` and `summary`.

[ -x "$cli" ] || { echo "no $cli: build first" >&2; exit 1; }
command -v ffmpeg >/dev/null || { echo "ffmpeg is missing" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time is missing (Debian package time)" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/$work_name.XXXXXX")
trap 'rm -rf "$work"' EXIT

# One run under /usr/bin/time: "wall user system peak_kib", the output thrown away.
measure() {
    /usr/bin/time -o "$work/time" -f '%e %U %S %M' "$@" >/dev/null 2>&1 || true
    # A non-zero exit (check's findings) puts a line of its own before the figures.
    tail -n 1 "$work/time"
}

# "median_wall median_cpu max_peak" of a file of runs.
summary() {
    local wall cpu peak
    wall=$(awk '{ print $1 }' "$1" | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }')
    cpu=$(awk '{ printf "%.2f\n", $2 + $3 }' "$1" | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }')
    peak=$(awk '{ print $4 }' "$1" | sort -n | tail -1)
    echo "$wall $cpu $peak"
}
