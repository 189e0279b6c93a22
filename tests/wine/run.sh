#!/usr/bin/env bash
# Runs the scenarios of tests/scenarios on the mingw64 build under Wine:
#   tests/wine/run.sh [MINGW64_BUILD_DIR [HOST_BUILD_DIR]] [-- SCENARIO...]
# (defaults build/mingw64 and build/host; the host build provides regnorm). One prefix serves
# every scenario: before each, the keys that any scenario compares are deleted, and the
# programs' current directory C:\work is emptied. Prints how long the prefix and each step took.
set -uo pipefail
cd "$(dirname "$0")/../.." || exit 2

mingw64_build=build/mingw64
host_build=build/host
if [ $# -gt 0 ] && [ "$1" != -- ]; then mingw64_build=$1; shift; fi
if [ $# -gt 0 ] && [ "$1" != -- ]; then host_build=$1; shift; fi
[ "${1:-}" = -- ] && shift

source tests/wine/prefix.sh
source tests/scenarios/scenario.sh

mingw64_build=$(cd "$mingw64_build" && pwd)
regnorm=$(cd "$host_build" && pwd)/tests/scenarios/regnorm
[ -x "$wine_loader" ] || { echo "Wine is not installed ($wine_loader)" >&2; exit 2; }
[ -x "$regnorm" ] || { echo "$regnorm is not built" >&2; exit 2; }

if [ $# -eq 0 ]; then
    mapfile -t names < <(all_scenarios)
    set -- "${names[@]}"
fi

prefix=$(mktemp -d)
trap prefix_destroy EXIT
started=$(now)
prefix_create "$prefix" || { echo "the Wine prefix could not be made" >&2; exit 1; }
echo "prefix made in $(elapsed "$started" "$(now)") s"

# One import deletes every key that a scenario compares, whichever scenario ran before.
reset_file=$WINEPREFIX/drive_c/reset.reg
{
    printf 'REGEDIT4\r\n\r\n'
    for name in "$@"; do
        [ -f "$scenarios_dir/$name/expected.txt" ] && scenario_trees "$name"
    done | sort -u | sed 's/^\(.*\)$/[-\1]\r/'
} >"$reset_file"

machine_reset() {
    wine_run reg import 'C:\reset.reg' || return
    machine_work=$WINEPREFIX/drive_c/work
    rm -rf "$machine_work"
    mkdir -p "$machine_work"
}

machine_import() {
    (cd "$machine_work" && wine_run reg import "$1")
}

machine_run() {
    local program=$1
    shift
    (cd "$machine_work" && wine_run "$mingw64_build/$program/$program.exe" "$@")
}

machine_export() {
    wine_run reg export "$1" 'C:\export.reg' /y && mv "$WINEPREFIX/drive_c/export.reg" "$2"
}

started=$(now)
run_scenarios "$@"
status=$?
echo "scenarios ran in $(elapsed "$started" "$(now)") s"

# The conformance suites: the same Windows facts that the host build is held to, here checked
# against Wine's implementation of the real API. Cases Wine is known to get wrong are marked
# inside the suites and counted as skipped.
for suite in "$mingw64_build"/tests/conformance/conformance_*.exe; do
    [ -f "$suite" ] || continue
    echo "== $(basename "$suite" .exe) under Wine"
    wine_run "$suite" || status=1
done
exit $status
