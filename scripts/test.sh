#!/usr/bin/env bash
# Every test: builds each preset once; runs the unit, conformance, end-to-end and scenario
# tests on the host build and under the sanitizers; inspects the 32-bit Windows release; runs
# the scenarios and conformance suites on the 64-bit Windows build under Wine (when Wine is
# installed, which WITH_WINE=1 asks for); and fuzzes for a while.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

jobs=${JOBS:-2}
# Compiler-cache hits across clones in other folders.
export CCACHE_BASEDIR="$PWD"
for preset in host host-asan mingw32 mingw64 fuzz; do
  echo "== build $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done

echo "== release (mingw32)"
cmake --build --preset mingw32 --target package >/dev/null
tests/release/inspect.sh build/mingw32

echo "== tests (host)"
ctest --preset host -j "$jobs"
echo "== tests (host-asan)"
ctest --preset host-asan -j "$jobs"

if [ -x /usr/lib/wine/wine64 ]; then
  echo "== scenarios and conformance under Wine (mingw64)"
  tests/wine/run.sh build/mingw64 build/host
elif [ "${WITH_WINE:-0}" = 1 ]; then
  echo "Wine is missing" >&2
  exit 1
fi

if [ -x tests/fuzz/run.sh ]; then
  echo "== fuzzing"
  tests/fuzz/run.sh "${FUZZ_SECONDS:-60}"
fi
