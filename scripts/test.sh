#!/usr/bin/env bash
# Sets up, builds and runs every test: the normal build, the sanitizer build of the non-GUI code,
# and a short run of each fuzz target. FUZZ_SECONDS (default 20) sets the time per fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

echo "== build and test: default"
cmake --preset default >/dev/null
cmake --build --preset default -j "$jobs"
ctest --preset default

echo "== build and test: sanitizers (ASan + UBSan)"
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --preset asan

echo "== fuzz targets, ${FUZZ_SECONDS:-20} s each"
FUZZ_SECONDS=${FUZZ_SECONDS:-20} bash scripts/fuzz.sh

echo "== all tests passed"
