#!/bin/sh
# Runs every fuzz target of the fuzz build for a given time each.
#
#   tests/fuzz/run.sh SECONDS [LIBFUZZER-FLAG...]
#
# It builds nothing: build first with
#   cmake --preset fuzz && cmake --build --preset fuzz
# A target build/fuzz/.../fuzz_NAME starts from a copy of tests/fuzz/corpus/NAME in a
# temporary directory (so the seed corpus stays as committed) and uses tests/fuzz/NAME.dict
# when there is one. The script fails when libFuzzer reports a crash (a sanitizer finding,
# such as a buffer overrun, included), a leak, a timeout or an out-of-memory; the findings
# are kept and each is replayed alone on a fresh machine. Extra flags go to every target.
#
# Environment: FUZZ_BUILD_DIR (default build/fuzz), FUZZ_TIMEOUT (seconds one input may
# take, default 10), FUZZ_RSS_LIMIT_MB (default 2048).
set -u

if [ $# -lt 1 ] || ! [ "$1" -gt 0 ] 2>/dev/null; then
    echo "usage: $0 SECONDS [LIBFUZZER-FLAG...]" >&2
    exit 2
fi
seconds=$1
shift

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${FUZZ_BUILD_DIR:-$root/build/fuzz}
timeout=${FUZZ_TIMEOUT:-10}
rss_limit=${FUZZ_RSS_LIMIT_MB:-2048}

if ! [ -d "$build" ]; then
    echo "no fuzz build in $build: run cmake --preset fuzz && cmake --build --preset fuzz" >&2
    exit 2
fi
targets=$(find "$build" -path '*/CMakeFiles' -prune -o -type f -name 'fuzz_*' -perm -u+x \
    -print | sort)
if [ -z "$targets" ]; then
    echo "no fuzz targets (fuzz_*) in $build" >&2
    exit 2
fi

# UBSan only reports by default; halting makes its findings crashes that libFuzzer keeps.
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
# With the default quarantine of 256 MB, SQLite's freed pages are never reused soon, and
# fresh pages fault in on every registry write: a quarantine of 16 MB runs three times as
# many inputs, and it still holds far more than one registry call frees.
export ASAN_OPTIONS="detect_leaks=1:quarantine_size_mb=16${ASAN_OPTIONS:+:$ASAN_OPTIONS}"

failed=0
for target in $targets; do
    name=$(basename "$target")
    short=${name#fuzz_}
    work=$(mktemp -d -t "$name.XXXXXX")
    mkdir "$work/corpus" "$work/findings"
    if [ -d "$here/corpus/$short" ]; then
        cp -R "$here/corpus/$short/." "$work/corpus/"
    else
        echo "$name: no seed corpus in tests/fuzz/corpus/$short, starting empty"
    fi
    seeds=$(find "$work/corpus" -type f | wc -l)
    dict=""
    if [ -f "$here/$short.dict" ]; then
        dict="-dict=$here/$short.dict"
    fi

    echo "== $name: $seconds s from $seeds seeds"
    # shellcheck disable=SC2086 # dict is one flag or nothing
    "$target" -max_total_time="$seconds" -timeout="$timeout" -rss_limit_mb="$rss_limit" \
        -artifact_prefix="$work/findings/" -print_final_stats=1 $dict "$@" "$work/corpus" \
        >"$work/log" 2>&1
    status=$?

    findings=$(find "$work/findings" -type f | sort)
    grep -E '^#[0-9]+[[:space:]]+DONE' "$work/log" | tail -n 1
    grep -E '^stat::(number_of_executed_units|peak_rss_mb|new_units_added)' "$work/log"
    if [ "$status" -eq 0 ] && [ -z "$findings" ]; then
        echo "$name: no findings (corpus now $(find "$work/corpus" -type f | wc -l) files)"
        rm -rf "$work"
        continue
    fi

    failed=1
    echo "$name: FAILED (libFuzzer exit status $status)"
    grep -E 'ERROR: (libFuzzer|AddressSanitizer|LeakSanitizer)|runtime error:|^SUMMARY:' \
        "$work/log" | head -n 20
    for finding in $findings; do
        if "$target" -timeout="$timeout" -runs=1 "$finding" >"$finding.replay" 2>&1; then
            alone="no (it needs what earlier inputs left on the machine)"
        else
            alone="yes"
        fi
        echo "  finding $finding; fails alone on a fresh machine: $alone"
    done
    echo "  log and findings kept in $work"
done

exit $failed
