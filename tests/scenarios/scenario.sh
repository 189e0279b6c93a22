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
#   machine_program SOURCE      the host path of a program to place: softuninst (the
#                               deliverable) or hwctl (the device setup tool of this machine)
#   machine_boxes               prints each message box shown since the reset, "caption|text"
#
# and set regnorm (the path of the built regnorm tool), machine_drive_c (the host path of
# drive C), machine_windir (what GetWindowsDirectory gives) and machine_hwctl (the host
# directory of the device setup tool's records, <n>/command_line and <n>/scripts/NAME).
# machine_run answers message boxes from scenario_answers (a comma list of OK and CANCEL).

scenarios_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# Seconds since the epoch with microseconds, for the step times.
now() { echo "${EPOCHREALTIME/,/.}"; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }

# The keys whose trees scenarios compare ("tree" lines of expected.txt).
scenario_trees() {
    sed -n 's/^tree //p' "$scenarios_dir/$1/expected.txt"
}

# The host path of a Windows path on drive C; each existing component is found without regard
# to letter case, as Windows finds it.
host_path_of() {
    local path=$machine_drive_c rest=${1#[Cc]:\\} part found
    local IFS='\\'
    for part in $rest; do
        found=$(find "$path" -maxdepth 1 -mindepth 1 -iname "$part" -print -quit 2>/dev/null)
        path=${found:-$path/$part}
    done
    echo "$path"
}

# place WINPATH SOURCE: a program (machine_program SOURCE) or, for "-", an installed file.
place_file() {
    local target
    target=$(host_path_of "$1")
    mkdir -p "$(dirname "$target")"
    if [ "$2" = - ]; then
        printf installed >"$target"
    else
        cp -L "$(machine_program "$2")" "$target"
    fi
}

# A device script as compared: CR shown as \r, the Desc= lines (one per friendly name, in
# value enumeration order, which differs between Windows and Wine) sorted.
script_view() {
    sed 's/\r$/\\r/' "$1" | awk '/^Desc=/ { print | "LC_ALL=C sort" } !/^Desc=/ { print }'
}

# The lines file, box and hwctl of expected.txt as this machine shows them (in their order;
# box lines as the boxes were shown).
actual_checks() {
    local kind a b c d record text
    while read -r kind a b c d; do
        case $kind in
        file)
            if [ -e "$(host_path_of "$a")" ]; then echo "file $a present"; else echo "file $a absent"; fi
            ;;
        hwctl)
            record=$machine_hwctl/$a
            if [ "$b" = absent ]; then
                if [ -e "$record" ]; then echo "hwctl $a present"; else echo "hwctl $a absent"; fi
            elif [ "$b" = command ]; then
                text=$(cat "$record/command_line" 2>/dev/null)
                echo "hwctl $a command ${text//"$machine_windir"/%WIN_DIR%}"
            elif [ "$b" = script ]; then
                if [ -f "$record/scripts/$c" ] &&
                    [ "$(script_view "$record/scripts/$c")" = "$(script_view "$dir/$d")" ]; then
                    echo "hwctl $a script $c $d"
                else
                    echo "hwctl $a script $c differs:"
                    script_view "$record/scripts/$c" 2>&1 | sed 's/^/  /'
                fi
            fi
            ;;
        esac
    done < <(grep -E '^(file|hwctl) ' "$dir/expected.txt")
    machine_boxes | sed 's/^/box /'
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
        run | expected.txt | place | answers | *.expected) ;;
        *) cp -L "$file" "$machine_work/" ;;
        esac
    done
    if [ -f "$dir/setup.reg" ]; then
        machine_import setup.reg >"$scratch/import.log" 2>&1 ||
            scenario_failed "setup.reg was not imported" "$(cat "$scratch/import.log")" || return
    fi
    if [ -f "$dir/place" ]; then
        while read -r target source; do
            [ -z "$target" ] || [ "${target:0:1}" = "#" ] || place_file "$target" "$source"
        done <"$dir/place"
    fi
    scenario_answers=
    if [ -f "$dir/answers" ]; then
        scenario_answers=$(grep -v '^#' "$dir/answers" | tr -d '\r' | paste -sd,)
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
    grep -E '^(file|hwctl|box) ' "$dir/expected.txt" | grep -v '^box ' >"$scratch/expected-checks.txt"
    grep '^box ' "$dir/expected.txt" >>"$scratch/expected-checks.txt"
    actual_checks >"$scratch/actual-checks.txt" 2>&1
    sed -E -e '/^#/d' -e '/^(status|tree|file|hwctl|box) /d' -e '/^$/d' "$dir/expected.txt" \
        >"$scratch/expected.txt"
    "$regnorm" mask "$scratch/expected.txt" "$scratch/actual.txt" >"$scratch/masked.txt"
    differences=$(
        diff -u --label expected-status --label actual-status \
            "$scratch/expected-status.txt" "$scratch/actual-status.txt"
        diff -u --label expected --label actual "$scratch/expected.txt" "$scratch/masked.txt"
        diff -u --label expected-checks --label actual-checks \
            "$scratch/expected-checks.txt" "$scratch/actual-checks.txt"
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
