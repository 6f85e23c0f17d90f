#!/usr/bin/env bash
# Sets up, builds and runs every test: the normal build, the naming check, the sanitizer build (the program included),
# the Debian package's check and a short run of each fuzz target. FUZZ_SECONDS (default 20) sets the time per fuzz target.
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

echo "== naming convention (.clang-tidy)"
bash scripts/lint.sh | tee build/lint.log
linted=$(grep -c '^lint: clean$' build/lint.log || true)

# Root passes where a user is refused (exclusive serial devices, read-only files): run the pty and
# settings tests once more as nobody. ctest runs from a scratch folder, where it may write its logs.
: >build/unprivileged-ctest.log
if [ "$(id -u)" = 0 ]; then
  echo "== pty and settings tests again as an unprivileged user (nobody)"
  scratch=$(mktemp -d)
  chmod 777 "$scratch"
  echo "subdirs(\"$PWD/build/default\")" >"$scratch/CTestTestfile.cmake"
  as_nobody() { TMPDIR=$scratch HOME=$scratch setpriv --reuid=nobody --regid=nogroup --clear-groups -- "$@"; }
  as_nobody test -r build/default/CTestTestfile.cmake || { echo "nobody cannot read build/default"; exit 1; }
  as_nobody ctest --test-dir "$scratch" -L pty | tee -a build/unprivileged-ctest.log
  as_nobody ctest --test-dir "$scratch" \
    -R '^(Settings(Dir|Parse|Format)\.|FileIoTest\.|ProgramFiles\.|OverviewLogTest\.|tev_module_line\.|LineTest\.|ConverterLineTest\.)' |
    tee -a build/unprivileged-ctest.log
  rm -rf "$scratch"
fi

echo "== build and test: sanitizers (ASan + UBSan)"
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --preset asan | tee build/asan-ctest.log

echo "== Debian package: contents, lintian, programs from an extracted copy"
bash scripts/package.sh
bash scripts/package_test.sh "$(ls -t tev-tools_*.deb | head -n 1)" | tee build/package-test.log
packaged=$(grep -c '^package: ok$' build/package-test.log || true)

echo "== fuzz targets, ${FUZZ_SECONDS:-20} s each"
FUZZ_SECONDS=${FUZZ_SECONDS:-20} bash scripts/fuzz.sh

count() { sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$1" | tail -n 1; }
count_all() { sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$1" | awk '{n += $1} END {print n + 0}'; }
fuzzers=$(find build/fuzz -type f -executable -name 'fuzz_*' | wc -l)
total=$(( $(count build/default-ctest.log) + $(count_all build/unprivileged-ctest.log) + $(count build/asan-ctest.log) + linted + packaged + fuzzers ))
echo "== all tests passed (default build, naming, its pty and settings tests unprivileged, sanitizer build, package, ${fuzzers} fuzz targets)"
echo "tests: ${total} passed, 0 failed"
