#!/usr/bin/env bash
# Installs the build into a scratch prefix, builds the examples against the installed package (CMake
# package and pkg-config), starts the simulated devices and reads a 7017 with both builds.
# usage: installed_example_test.sh <build dir> <examples source dir> <scratch dir>
set -euo pipefail
build=$1
source=$2
scratch=$3
rm -rf "$scratch"
mkdir -p "$scratch"
prefix=$scratch/prefix

cmake --install "$build" --prefix "$prefix" >/dev/null
cmake -S "$source" -B "$scratch/build" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$scratch/build" >/dev/null

pc_dir=$(dirname "$(find "$prefix" -name tev_module.pc | head -n 1)")
# shellcheck disable=SC2046
cc -std=c99 -o "$scratch/read_7017_pc" "$source/read_7017.c" \
  $(PKG_CONFIG_PATH=$pc_dir pkg-config --cflags --libs tev_module)

"$prefix/bin/tev-sim" >"$scratch/sim.out" 2>&1 &
sim=$!
trap 'kill $sim 2>/dev/null; wait $sim 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  grep -q '^export TEV_COM3=' "$scratch/sim.out" && break
  sleep 0.1
done
export "$(grep '^export TEV_COM3=' "$scratch/sim.out" | sed 's/^export //')"

for program in "$scratch/build/read_7017" "$scratch/read_7017_pc"; do
  out=$("$program" 3 0x06 2)
  echo "$out"
  grep -Eq '^channel 2: -?[0-9]+\.[0-9]{3}$' <<<"$out"
done
echo "installed example: ok"
