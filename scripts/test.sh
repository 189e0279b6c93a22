#!/usr/bin/env bash
# Every test: builds each preset once, runs the unit, conformance and end-to-end tests on the
# host build and under the sanitizers, checks the Windows binaries, and fuzzes for a while.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

jobs=${JOBS:-2}
for preset in host host-asan mingw32 mingw64 fuzz; do
  echo "== build $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done

echo "== tests (host)"
ctest --preset host -j "$jobs"
echo "== tests (host-asan)"
ctest --preset host-asan -j "$jobs"

if [ -x tests/fuzz/run.sh ]; then
  echo "== fuzzing"
  tests/fuzz/run.sh "${FUZZ_SECONDS:-60}"
fi
