#!/usr/bin/env bash
# Builds the Debian package tev-tools_<version>_<arch>.deb into the project folder. Install it with
# `sudo apt install ./tev-tools_*.deb`, remove it with `sudo apt remove tev-tools`.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build=build/package
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DTEV_PACKAGE=ON \
  -DTEV_TESTS=OFF -DTEV_BENCH=OFF -DTEV_SUBDIRS="uart;protocol;sim;iomodule;link;app" >/dev/null
cmake --build "$build" -j "$(nproc)"
rm -f "$build"/tev-tools_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
cp "$build"/tev-tools_*.deb .
ls tev-tools_*.deb
