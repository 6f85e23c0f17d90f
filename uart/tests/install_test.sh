#!/usr/bin/env bash
# Installs the library into a scratch prefix and builds an outside C program against it.
set -euo pipefail
build=$1; src=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
for component in libuart1 libtev-dev; do cmake --install "$build" --prefix "$prefix" --component $component >/dev/null; done
cc -std=c99 -Wall -Werror -I"$prefix/include" "$src" -L"$prefix/lib" -luart -Wl,-rpath,"$prefix/lib" -o "$prefix/outside"
"$prefix/outside"
