#!/usr/bin/env bash
# Installs every Debian 12 package the build, the tests and the program need.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  clang libclang-rt-14-dev             # fuzzers (libFuzzer) and sanitizers
  clang-tidy                           # the naming check (scripts/lint.sh)
  libgtest-dev libgmock-dev            # unit tests
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev
  lintian dpkg-dev fakeroot             # the Debian package and its check
  fonts-wqy-microhei                   # Chinese glyphs for the window
  libmodbus-dev mbpoll                 # peers that check our bytes
  ser2net                              # a network serial gateway for the network line tests
  libmosquitto-dev mosquitto           # the collector's MQTT client, and the broker its tests start
  libtomlplusplus-dev                  # the collector's configuration file
  xvfb xauth                           # running the window without a display
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
