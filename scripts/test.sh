#!/usr/bin/env bash
# Sets up, builds and runs every test: the normal build, the sanitizer build of the non-GUI code,
# and a short run of each fuzz target. FUZZ_SECONDS (default 20) sets the time per fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
mkdir -p build

bash scripts/setup.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

echo "== build and test: default"
cmake --preset default >/dev/null
cmake --build --preset default -j "$jobs"
ctest --preset default | tee build/default-ctest.log

echo "== build and test: sanitizers (ASan + UBSan)"
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --preset asan | tee build/asan-ctest.log

echo "== fuzz targets, ${FUZZ_SECONDS:-20} s each"
FUZZ_SECONDS=${FUZZ_SECONDS:-20} bash scripts/fuzz.sh

count() { sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$1" | tail -n 1; }
fuzzers=$(find build/fuzz -type f -executable -name 'fuzz_*' | wc -l)
total=$(( $(count build/default-ctest.log) + $(count build/asan-ctest.log) + fuzzers ))
echo "== all tests passed (default build, sanitizer build, ${fuzzers} fuzz targets)"
echo "tests: ${total} passed, 0 failed"
