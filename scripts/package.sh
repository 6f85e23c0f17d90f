#!/usr/bin/env bash
# Builds the Debian packages into the project folder, split as Debian splits libraries:
#   libuart1        the serial link library (soname libuart.so.1)
#   libtev-module1  the I-7000 module library (soname libtev_module.so.1)
#   libtev-dev      headers (<tev/...>), .so links, pkg-config file, CMake packages, example program
#   tev-tools       TEV_IO and tev-sim, depending on the libraries
# Install them with `sudo apt install ./tev-tools_*.deb ./libuart1_*.deb ./libtev-module1_*.deb`
# (and ./libtev-dev_*.deb to build against the libraries).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
src=$PWD
build=build/package
stage=$build/stage
jobs=$(nproc)
[ "$jobs" -le 2 ] || jobs=2

# Debian's build flags with all hardening (fortify, stack protector, relro and bind now).
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX=/usr -DTEV_PACKAGE=ON \
  -DCMAKE_C_FLAGS="$CPPFLAGS $CFLAGS -DNDEBUG" -DCMAKE_CXX_FLAGS="$CPPFLAGS $CXXFLAGS -DNDEBUG" \
  -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS" -DCMAKE_SHARED_LINKER_FLAGS="$LDFLAGS" "${launcher[@]}" \
  -DTEV_TESTS=OFF -DTEV_BENCH=OFF -DTEV_SUBDIRS="uart;protocol;sim;iomodule;link;cli;collect;app" >/dev/null
cmake --build "$build" -j "$jobs"

# One version everywhere: the project's, which the changelog's newest entry must carry.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
changelog_version=$(sed -n '1s/^[^ ]* (\([^)]*\)).*/\1/p' app/packaging/changelog)
if [ "$version" != "$changelog_version" ]; then
  echo "package: the project is version $version but app/packaging/changelog starts with $changelog_version" >&2
  exit 1
fi
arch=$(dpkg --print-architecture)
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
maintainer="TEV tools maintainers <tev-tools@tev-tools.example.org>"
packages=(libuart1 libtev-module1 libtev-dev tev-tools)

rm -rf "$stage"
for p in "${packages[@]}"; do
  DESTDIR="$src/$stage/$p" cmake --install "$build" --component "$p" >/dev/null
  # Every package carries the copyright and the changelog, as Debian has them.
  doc=$stage/$p/usr/share/doc/$p
  install -d -m 755 "$doc"
  install -m 644 app/packaging/copyright "$doc/copyright"
  gzip -9 -n -c app/packaging/changelog >"$doc/changelog.gz"
  chmod 644 "$doc/changelog.gz"
  install -d -m 755 "$stage/$p/DEBIAN"
done
install -m 644 app/packaging/README.tev-tools "$stage/tev-tools/usr/share/doc/tev-tools/README"
install -d -m 755 "$stage/libtev-dev/usr/share/doc/libtev-dev/examples"
install -m 644 examples/read_7017.c examples/CMakeLists.txt "$stage/libtev-dev/usr/share/doc/libtev-dev/examples/"

# Stripped as dh_strip strips: programs of their symbols, libraries of what linking does not need.
find "$stage" -type f \( -name '*.so.*' \) -exec strip --remove-section=.comment --remove-section=.note \
  --strip-unneeded {} +
find "$stage"/*/usr/bin -type f -exec strip --remove-section=.comment --remove-section=.note {} +

# The libraries' symbols files, checked against what the built libraries export: a symbol lost or added
# without its entry fails the build.
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/debian"
for lib in libuart1 libtev-module1; do
  dpkg-gensymbols -q -c4 -p"$lib" -v"$version" -P"$stage/$lib" -I"app/packaging/$lib.symbols" \
    -O"$stage/$lib/DEBIAN/symbols"
  soname=$(basename "$(find "$stage/$lib" -name '*.so.[0-9]*' -type l | head -n 1)")
  echo "${soname%%.so.*} ${soname##*.so.} $lib (>= $version)" >"$stage/$lib/DEBIAN/shlibs"
  # The dynamic linker's cache is rebuilt by dpkg's ldconfig trigger, not by maintainer scripts.
  install -m 644 app/packaging/triggers "$stage/$lib/DEBIAN/triggers"
  chmod 644 "$stage/$lib/DEBIAN/symbols" "$stage/$lib/DEBIAN/shlibs"
done

# Dependencies on shared libraries, ours taken from the packages just staged.
shlibdeps() { # package, files...
  local p=$1
  shift
  (cd "$tmp" && printf 'Source: tev-tools\n\nPackage: %s\nArchitecture: any\n' "$p" >debian/control &&
    dpkg-shlibdeps -O -S"$src/$stage/libuart1" -S"$src/$stage/libtev-module1" -l"$src/$stage/libuart1/usr/lib/$multiarch" \
      -l"$src/$stage/libtev-module1/usr/lib/$multiarch" "${@/#/$src/}" 2>/dev/null) |
    sed -n 's/^shlibs:Depends=//p'
}
declare -A depends summary description section multiarch_field
depends[libuart1]=$(shlibdeps libuart1 "$stage"/libuart1/usr/lib/"$multiarch"/libuart.so.*.*)
depends[libtev-module1]=$(shlibdeps libtev-module1 "$stage"/libtev-module1/usr/lib/"$multiarch"/libtev_module.so.*.*)
depends[libtev-dev]="libuart1 (= $version), libtev-module1 (= $version)"
# The window's text is Chinese: without a CJK font every label is an empty box.
depends[tev-tools]="$(shlibdeps tev-tools "$stage"/tev-tools/usr/bin/*), fonts-noto-cjk | fonts-wqy-microhei"

summary[libuart1]="serial link library of the TEV tools"
description[libuart1]=" libuart opens serial ports by number or device name, locks them against a
 second user, sends commands and receives replies with a time limit and
 keeps a late reply of one command from being read as the next one's.
 .
 This package contains the shared library."
summary[libtev-module1]="library for I-7000 style remote I/O modules"
description[libtev-module1]=" libtev_module talks to I-7000 style remote I/O modules (and 8000/87K
 cards) over a serial line through libuart: analog input and output,
 digital I/O, counters, alarms and the host watchdog, all with a flat C
 interface.
 .
 This package contains the shared library."
summary[libtev-dev]="development files for libuart and libtev_module"
description[libtev-dev]=" Headers (under tev/), pkg-config file, CMake packages (tev_uart and
 tev_module, targets tev::uart and tev::tev_module) and an example program
 for building against libuart and libtev_module."
summary[tev-tools]="commissioning tool for M-Bus to Modbus RTU converters"
description[tev-tools]=" TEV_IO searches a serial line for M-Bus to Modbus RTU converters, reads
 and changes their configuration and meter list, shows each meter's data,
 sets M-Bus meters' primary addresses and offers a command terminal and a
 temperature graph. Its window is in simplified Chinese.
 .
 tev does the same from scripts (search, configuration, meter lists,
 readings, meter addresses, commands) and, as tev watch, collects every
 meter's reading into CSV files, JSON lines or an MQTT broker as a service.
 .
 tev-sim simulates all these devices on pseudo-terminals."
section=([libuart1]=libs [libtev-module1]=libs [libtev-dev]=libdevel [tev-tools]=electronics)
multiarch_field=([libuart1]=same [libtev-module1]=same [libtev-dev]=same [tev-tools]="")

rm -f ./*_"$arch".deb
for p in "${packages[@]}"; do
  size=$(du -k -s --apparent-size "$stage/$p" | cut -f1)
  {
    echo "Package: $p"
    echo "Source: tev-tools"
    echo "Version: $version"
    echo "Architecture: $arch"
    [ -z "${multiarch_field[$p]}" ] || echo "Multi-Arch: ${multiarch_field[$p]}"
    echo "Maintainer: $maintainer"
    echo "Installed-Size: $size"
    echo "Depends: ${depends[$p]}"
    echo "Section: ${section[$p]}"
    echo "Priority: optional"
    echo "Homepage: https://tev-tools.example.org/"
    echo "Description: ${summary[$p]}"
    echo "${description[$p]}"
  } >"$stage/$p/DEBIAN/control"
  (cd "$stage/$p" && find . -path ./DEBIAN -prune -o -type f -printf '%P\0' | LC_ALL=C sort -z |
    xargs -0 md5sum >DEBIAN/md5sums)
  chmod 644 "$stage/$p/DEBIAN/control" "$stage/$p/DEBIAN/md5sums"
  find "$stage/$p" -type d -exec chmod 755 {} +
  dpkg-deb --root-owner-group -Zxz --build "$stage/$p" "${p}_${version}_${arch}.deb" >/dev/null
done
ls "${packages[@]/%/_${version}_${arch}.deb}"
