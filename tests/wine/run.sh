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

machine_drive_c=$WINEPREFIX/drive_c
machine_windir='C:\windows'
machine_hwctl=$machine_drive_c/hwctl
boxes_log=$machine_drive_c/boxes.log

# Also removes what scenarios placed, the device setup tool's records and the boxes seen.
machine_reset() {
    wine_run reg import 'C:\reset.reg' || return
    machine_work=$WINEPREFIX/drive_c/work
    rm -rf "$machine_work" "$machine_hwctl" "$boxes_log"
    mkdir -p "$machine_work"
    local place target source
    for place in "$scenarios_dir"/*/place; do
        while read -r target source; do
            [ -z "$target" ] || [ "${target:0:1}" = "#" ] || rm -f "$(host_path_of "$target")"
        done <"$place"
    done
}

machine_program() {
    case $1 in
    softuninst) echo "$mingw64_build/softuninst/softuninst.exe" ;;
    hwctl) echo "$mingw64_build/tests/wine/hwctl_record.exe" ;;
    esac
}

machine_boxes() {
    [ -f "$boxes_log" ] && cat "$boxes_log"
    return 0
}

machine_import() {
    (cd "$machine_work" && wine_run reg import "$1")
}

# With answers, boxanswer plays the user: it reads each message box and answers it.
machine_run() {
    local program=$1 answerer= status=0
    shift
    if [ -n "$scenario_answers" ]; then
        wine_run "$mingw64_build/tests/wine/boxanswer.exe" "$scenario_answers" 'C:\boxes.log' &
        answerer=$!
    fi
    (cd "$machine_work" && wine_run "$mingw64_build/$program/$program.exe" "$@") || status=$?
    if [ -n "$answerer" ]; then
        # Every answer was used when the run needed them all; then it has ended by itself.
        kill "$answerer" 2>/dev/null
        wait "$answerer" 2>/dev/null
    fi
    return $status
}

machine_export() {
    wine_run reg export "$1" 'C:\export.reg' /y && mv "$WINEPREFIX/drive_c/export.reg" "$2"
}

started=$(now)
run_scenarios "$@"
status=$?
echo "scenarios ran in $(elapsed "$started" "$(now)") s"

source tests/wine/vtrxifs.sh
started=$(now)
vtrxifs_checks || status=1
echo "VTRXIFS checks ran in $(elapsed "$started" "$(now)") s"

# The conformance suites: the same Windows facts that the host build is held to, here checked
# against Wine's implementation of the real API. Cases Wine is known to get wrong are marked
# inside the suites and counted as skipped.
for suite in "$mingw64_build"/tests/conformance/conformance_*.exe; do
    [ -f "$suite" ] || continue
    echo "== $(basename "$suite" .exe) under Wine"
    wine_run "$suite" || status=1
done
exit $status
