#!/bin/sh
# Measures the built homolset program on generated homologation files of 10 000 and 200 000
# lines and prints a table: lines, seconds, lines per second and peak resident memory.
#
#   bench/run.sh [LINES...]
#
# It builds nothing: build first with
#   cmake --preset host && cmake --build --preset host
# Each file is read once by the line reader alone ("read", in the benchmark's own process),
# then applied by the homolset program on a fresh machine directory ("fresh") and applied
# again on the same machine ("again", which first clears the country keys of the first run).
# Environment: BENCH_BUILD_DIR (default build/host).
set -u

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
build=${BENCH_BUILD_DIR:-$root/build/host}
gen=$build/bench/gen_homolog
bench=$build/bench/bench_homolset
program=$build/homolset/homolset

for tool in "$gen" "$bench" "$program"; do
    if ! [ -x "$tool" ]; then
        echo "missing $tool: run cmake --preset host && cmake --build --preset host" >&2
        exit 2
    fi
done
if [ $# -eq 0 ]; then
    set -- 10000 200000
fi

work=$(mktemp -d -t homolset-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

printf '%-8s %-6s %10s %10s %14s\n' lines run seconds lines/s "peak RSS KiB"
failed=0
for lines in "$@"; do
    file=$work/homolog-$lines.ini
    if ! "$gen" "$lines" >"$file"; then
        echo "gen_homolog failed for $lines lines" >&2
        failed=1
        continue
    fi
    if ! TMPDIR=$work "$bench" "$file" "$program" >"$work/out"; then
        echo "bench_homolset failed on $lines lines" >&2
        failed=1
        continue
    fi
    awk '{
        for (i = 1; i <= NF; ++i) { split($i, kv, "="); f[kv[1]] = kv[2] }
        printf "%-8s %-6s %10s %10s %14s\n", f["lines"], f["run"], f["seconds"],
               f["lines_per_s"], f["peak_rss_kb"]
    }' "$work/out"
done
exit $failed
