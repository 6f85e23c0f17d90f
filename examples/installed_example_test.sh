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
lib_dir=$(dirname "$pc_dir")
# As the README says it: the variable exported, then pkg-config inside the command line.
export PKG_CONFIG_PATH=$pc_dir
# shellcheck disable=SC2046
cc -std=c99 -o "$scratch/read_7017_pc" "$source/read_7017.c" $(pkg-config --cflags --libs tev_module)
unset PKG_CONFIG_PATH

# The installed programs run from the prefix without help (their run path is relative), answer
# --help and --version without a display, and find their default files under share/tev.
if [ -x "$prefix/bin/TEV_IO" ]; then
  env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$prefix/bin/TEV_IO" --version | grep -qx 'TEV_IO [0-9.]*'
  env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$prefix/bin/TEV_IO" --help | grep -q -- '--demo'
  for f in share/tev/tev_module.ini share/tev/type.txt share/applications/TEV_IO.desktop \
           share/icons/hicolor/scalable/apps/TEV_IO.svg share/icons/hicolor/48x48/apps/TEV_IO.png \
           share/man/man1/TEV_IO.1.gz; do
    [ -f "$prefix/$f" ] || { echo "missing $prefix/$f"; exit 1; }
  done
  [ "$(stat -c %s "$prefix/share/tev/tev_module.ini")" = 104 ]
fi
"$prefix/bin/tev-sim" --help >/dev/null

# DESTDIR: the files land under it, at the prefix's places.
staged=$scratch/staged
DESTDIR=$staged cmake --install "$build" --prefix /opt/tev >/dev/null
[ -x "$staged/opt/tev/bin/tev-sim" ] && [ -f "$(find "$staged/opt/tev" -name tev_module.pc | head -n 1)" ]
if [ -x "$prefix/bin/TEV_IO" ]; then
  [ -f "$staged/opt/tev/share/tev/tev_module.ini" ]
  mv "$staged/opt/tev" "$scratch/moved" # an install still runs after it is moved
  "$scratch/moved/bin/TEV_IO" --version >/dev/null
fi

"$prefix/bin/tev-sim" >"$scratch/sim.out" 2>&1 &
sim=$!
trap 'kill $sim 2>/dev/null; wait $sim 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  grep -q '^export TEV_COM3=' "$scratch/sim.out" && break
  sleep 0.1
done
export "$(grep '^export TEV_COM3=' "$scratch/sim.out" | sed 's/^export //')"

for program in "$scratch/build/read_7017" "$scratch/read_7017_pc"; do
  out=$(LD_LIBRARY_PATH=$lib_dir "$program" 3 0x06 2)
  echo "$out"
  grep -Eq '^channel 2: -?[0-9]+\.[0-9]{3}$' <<<"$out"
done
echo "installed example: ok"
