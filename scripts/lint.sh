#!/usr/bin/env bash
# Checks the naming convention and the function size (.clang-tidy) over every source file of the
# default build and the fuzz targets; prints what it finds and fails when it finds anything.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset default -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
cmake --build --preset default -j "$(nproc)" >/dev/null # Qt's generated headers
cmake --preset fuzz -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
sources='^'"$PWD"'/(uart|iomodule|protocol|link|sim|cli|collect|app|bench|examples)/'
log=$(mktemp)
trap 'rm -f "$log"' EXIT
run-clang-tidy -quiet -p build/default -j "$(nproc)" "$sources" >"$log" 2>&1 || true
run-clang-tidy -quiet -p build/fuzz -j "$(nproc)" '/fuzz/' >>"$log" 2>&1 || true
if grep -q 'warning:' "$log"; then
    grep -A2 'warning:' "$log" | sed 's/\x1b\[[0-9;]*m//g'
    echo "lint: warnings found" >&2
    exit 1
fi
echo "lint: clean"
