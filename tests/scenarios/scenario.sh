# shellcheck shell=bash
# Runs scenarios (tests/scenarios/NAME/, format in README.md there) on one machine kind;
# sourced by run_host.sh and tests/wine/run.sh, which define the machine:
#
#   machine_reset NAME          a clean machine for scenario NAME; sets machine_work, the host
#                               path of the programs' current directory (C:\work), empty
#   machine_import FILE         imports FILE (a name in machine_work) as `reg import` does
#   machine_run PROGRAM ARGS... runs a deliverable in machine_work; returns its exit status
#   machine_export KEY FILE     writes KEY and its tree as `reg export` does to the host path
#                               FILE; fails when the key does not exist
#
# and set regnorm to the path of the built regnorm tool.

scenarios_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# Seconds since the epoch with microseconds, for the step times.
now() { echo "${EPOCHREALTIME/,/.}"; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }

# The keys whose trees scenarios compare ("tree" lines of expected.txt).
scenario_trees() {
    sed -n 's/^tree //p' "$scenarios_dir/$1/expected.txt"
}

# Every scenario there is, by name.
all_scenarios() {
    local dir
    for dir in "$scenarios_dir"/*/; do
        [ -f "$dir/run" ] && basename "$dir"
    done
}

scenario_failed() {
    echo "FAIL  $name: $1"
    if [ -n "${2:-}" ]; then sed 's/^/      /' <<<"$2"; fi
    return 1
}

# run_scenario NAME: runs it on the machine and compares with expected.txt; prints one line
# with the step times, and the differences when it fails. Runs in a subshell of its own.
run_scenario() (
    name=$1
    dir="$scenarios_dir/$1"
    scratch=$(mktemp -d)
    trap 'rm -rf "$scratch"' EXIT

    t0=$(now)
    machine_reset "$name" >"$scratch/reset.log" 2>&1 ||
        scenario_failed "the machine could not be reset" "$(cat "$scratch/reset.log")" || return
    for file in "$dir"/*; do
        case $(basename "$file") in
        run | expected.txt) ;;
        *) cp -L "$file" "$machine_work/" ;;
        esac
    done
    if [ -f "$dir/setup.reg" ]; then
        machine_import setup.reg >"$scratch/import.log" 2>&1 ||
            scenario_failed "setup.reg was not imported" "$(cat "$scratch/import.log")" || return
    fi
    t1=$(now)

    : >"$scratch/actual-status.txt"
    set -f # arguments are taken as written, never as file patterns
    while IFS= read -r line || [ -n "$line" ]; do
        line=${line%$'\r'}
        if [ -z "$line" ] || [ "${line:0:1}" = "#" ]; then continue; fi
        read -r program args <<<"$line"
        echo "> $program $args" >>"$scratch/run.log"
        status=0
        # shellcheck disable=SC2086 # the arguments are words separated by blanks
        machine_run "$program" $args >>"$scratch/run.log" 2>&1 || status=$?
        echo "status $status" >>"$scratch/actual-status.txt"
    done <"$dir/run"
    set +f
    t2=$(now)

    index=0
    : >"$scratch/actual.txt"
    while IFS= read -r tree; do
        index=$((index + 1))
        if machine_export "$tree" "$scratch/export-$index.reg" >>"$scratch/export.log" 2>&1; then
            "$regnorm" normalize "$scratch/export-$index.reg" >>"$scratch/actual.txt" ||
                scenario_failed "the export of $tree could not be normalized" || return
        else
            echo "[-$tree]" >>"$scratch/actual.txt"
        fi
    done < <(scenario_trees "$name")
    t3=$(now)

    grep '^status ' "$dir/expected.txt" >"$scratch/expected-status.txt"
    sed -e '/^#/d' -e '/^status /d' -e '/^tree /d' -e '/^$/d' "$dir/expected.txt" \
        >"$scratch/expected.txt"
    "$regnorm" mask "$scratch/expected.txt" "$scratch/actual.txt" >"$scratch/masked.txt"
    differences=$(
        diff -u --label expected-status --label actual-status \
            "$scratch/expected-status.txt" "$scratch/actual-status.txt"
        diff -u --label expected --label actual "$scratch/expected.txt" "$scratch/masked.txt"
    )

    times="reset+setup $(elapsed "$t0" "$t1") s, runs $(elapsed "$t1" "$t2") s,"
    times+=" exports $(elapsed "$t2" "$t3") s"
    if [ -n "$differences" ]; then
        scenario_failed "($times)" "$differences"$'\n'"$(cat "$scratch/run.log")"
        return
    fi
    echo "ok    $name ($times)"
)

# run_scenarios NAME...: runs each, prints the closing count; fails when any failed.
run_scenarios() {
    local passed=0 failed=0 name
    for name in "$@"; do
        if [ ! -f "$scenarios_dir/$name/run" ]; then
            echo "FAIL  $name: no such scenario"
            failed=$((failed + 1))
        elif run_scenario "$name"; then
            passed=$((passed + 1))
        else
            failed=$((failed + 1))
        fi
    done
    echo "$passed passed, $failed failed"
    [ "$failed" = 0 ]
}
