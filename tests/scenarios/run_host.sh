#!/usr/bin/env bash
# Runs scenarios on the host build, each on a fresh machine directory:
#   tests/scenarios/run_host.sh BUILD_DIR [SCENARIO...]     (all scenarios when none is named)
# The registry is set up and read with the built hostreg (HOSTREG overrides its path).
set -uo pipefail

if [ $# -lt 1 ] || [ ! -d "$1" ]; then
    echo "usage: $0 BUILD_DIR [SCENARIO...]" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
shift
source "$(dirname "$0")/scenario.sh"

regnorm=$build/tests/scenarios/regnorm
hostreg=${HOSTREG:-$build/tools/hostreg/hostreg}
for tool in "$regnorm" "$hostreg"; do
    [ -x "$tool" ] || { echo "$tool is not built" >&2; exit 2; }
done

machines=$(mktemp -d)
trap 'rm -rf "$machines"' EXIT

# A new machine directory per scenario, laid out as a machine starts: drive C with the
# Windows directories, no devices.
machine_reset() {
    machine_dir=$machines/$1
    rm -rf "$machine_dir"
    mkdir -p "$machine_dir/drive_c/WINDOWS/system32" "$machine_dir/devices" \
        "$machine_dir/drive_c/work"
    machine_work=$machine_dir/drive_c/work
    machine_drive_c=$machine_dir/drive_c
    machine_hwctl=$machine_dir/hwctl
}
machine_windir='C:\WINDOWS'

machine_program() {
    case $1 in
    softuninst) echo "$build/softuninst/softuninst" ;;
    hwctl) echo "$build/tools/hwctl/hwctl" ;;
    esac
}

# The message boxes of the UI log.
machine_boxes() {
    [ -f "$machine_dir/ui.jsonl" ] || return 0
    jq -r 'select(.event == "MessageBox") | "\(.caption)|\(.text)"' "$machine_dir/ui.jsonl"
}

machine_import() {
    (cd "$machine_work" && HOSTWIN_MACHINE=$machine_dir "$hostreg" import "$1")
}

machine_run() {
    local program=$1
    shift
    (cd "$machine_work" &&
        HOSTWIN_MACHINE=$machine_dir HOSTWIN_SLEEP_SCALE=0 HOSTWIN_MSGBOX=$scenario_answers \
            "$build/$program/$program" "$@")
}

machine_export() {
    HOSTWIN_MACHINE=$machine_dir "$hostreg" export "$1" "$2" /y
}

if [ $# -eq 0 ]; then
    mapfile -t names < <(all_scenarios)
    set -- "${names[@]}"
fi
run_scenarios "$@"
