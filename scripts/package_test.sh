#!/usr/bin/env bash
# Checks the Debian packages: their contents and relations, lintian (no errors), and the programs run
# from an extracted copy. usage: package_test.sh tev-tools_VERSION_ARCH.deb
# The library packages (libuart1, libtev-module1, libtev-dev) of the same version are taken from the
# same folder.
set -euo pipefail
deb=$1
dir=$(dirname "$deb")
name=$(basename "$deb")
rest=${name#tev-tools_} # VERSION_ARCH.deb
version=${rest%%_*}
fail() { echo "$*"; exit 1; }
declare -A debs
for p in tev-tools libuart1 libtev-module1 libtev-dev; do
  debs[$p]=$dir/${p}_$rest
  [ -f "${debs[$p]}" ] || fail "no package ${debs[$p]}"
done

has() { # package, file patterns (extended regular expressions over dpkg-deb -c's names)...
  local p=$1 contents
  shift
  contents=$(dpkg-deb -c "${debs[$p]}" | awk '{print $6}')
  for f in "$@"; do
    grep -Eq "^\\./$f\$" <<<"$contents" || fail "$p lacks $f"
  done
}
lacks() { # package, pattern: no file of the package matches
  ! dpkg-deb -c "${debs[$1]}" | awk '{print $6}' | grep -Eq "$2" || fail "$1 holds $2"
}
has tev-tools usr/bin/TEV_IO usr/bin/tev-sim usr/share/tev/tev_module.ini usr/share/tev/type.txt \
  usr/share/applications/TEV_IO.desktop usr/share/icons/hicolor/scalable/apps/TEV_IO.svg \
  usr/share/icons/hicolor/48x48/apps/TEV_IO.png usr/share/man/man1/TEV_IO.1.gz usr/share/man/man1/tev-sim.1.gz \
  usr/share/doc/tev-tools/README usr/share/doc/tev-tools/copyright \
  usr/bin/tev usr/share/man/man1/tev.1.gz usr/share/bash-completion/completions/tev \
  'lib/systemd/system/tev-watch@\.service' usr/share/doc/tev-tools/examples/watch.toml
has libuart1 'usr/lib/[^/]+/libuart\.so\.1' usr/share/doc/libuart1/copyright
has libtev-module1 'usr/lib/[^/]+/libtev_module\.so\.1' usr/share/doc/libtev-module1/copyright
has libtev-dev usr/include/tev/uart.h usr/include/tev/tev_module.h 'usr/lib/[^/]+/libuart\.so' \
  'usr/lib/[^/]+/libtev_module\.so' 'usr/lib/[^/]+/pkgconfig/tev_module\.pc' \
  'usr/lib/[^/]+/cmake/tev_uart/tev_uartConfig\.cmake' 'usr/lib/[^/]+/cmake/tev_module/tev_moduleConfig\.cmake' \
  usr/share/man/man3/uart.3.gz usr/share/man/man3/tev_module.3.gz \
  usr/share/doc/libtev-dev/examples/read_7017.c usr/share/doc/libtev-dev/examples/CMakeLists.txt
# Each file in one package only: the runtime packages hold no development files, the program's none
# of the libraries.
lacks libuart1 'include/|\.so$|pkgconfig|cmake/'
lacks libtev-module1 'include/|\.so$|pkgconfig|cmake/'
lacks tev-tools 'usr/lib/|usr/include/'
lacks libtev-dev 'usr/bin/|\.so\.[0-9]'

field() { dpkg-deb -f "${debs[$1]}" "$2"; }
field tev-tools Depends | grep -q 'libqt6widgets6' || fail "tev-tools: no dependency on Qt"
field tev-tools Depends | grep -Eq 'libuart1 \(>= [^)]+\)' || fail "tev-tools: no dependency on libuart1"
field tev-tools Depends | grep -q 'libmosquitto1' || fail "tev-tools: no dependency on libmosquitto"
field tev-tools Depends | grep -q 'fonts-noto-cjk | fonts-wqy-microhei' || fail "tev-tools: no CJK font"
field libtev-module1 Depends | grep -q 'libuart1' || fail "libtev-module1: no dependency on libuart1"
field libtev-dev Depends | grep -q "libtev-module1 (= $version)" || fail "libtev-dev: not tied to its library"
for p in libuart1 libtev-module1; do
  control=$(mktemp -d)
  dpkg-deb -e "${debs[$p]}" "$control"
  [ -s "$control/symbols" ] && [ -s "$control/shlibs" ] || fail "$p: no symbols or shlibs file"
  grep -qx 'activate-noawait ldconfig' "$control/triggers" || fail "$p: no ldconfig trigger"
  ! ls "$control"/postinst "$control"/postrm 2>/dev/null || fail "$p: maintainer scripts"
  rm -rf "$control"
done

if command -v lintian >/dev/null; then
  # Errors fail the check; warnings are printed.
  out=$(lintian --tag-display-limit 0 "${debs[@]}" 2>&1 || true)
  echo "$out"
  if grep -q '^E:' <<<"$out"; then fail "lintian reports errors"; fi
fi

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
for p in "${!debs[@]}"; do dpkg-deb -x "${debs[$p]}" "$root"; done
# Built with the hardening flags: fortified calls and immediate binding.
for f in "$root"/usr/bin/TEV_IO "$root"/usr/lib/*/libtev_module.so.1; do
  grep -q 'BIND_NOW' <<<"$(readelf -d "$f")" || fail "$f: not bound at load"
done
grep -Eq '__[a-z]+_chk@' <<<"$(readelf -W --dyn-syms "$root"/usr/lib/*/libuart.so.1)" || fail "libuart: not fortified"
# pkg-config of the installed file prints the system's own paths: nothing but the libraries.
pc_dir=$(dirname "$(find "$root/usr/lib" -name tev_module.pc)")
[ -z "$(PKG_CONFIG_LIBDIR=$pc_dir pkg-config --cflags tev_module)" ] || fail "pkg-config --cflags: not plain"
grep -q '^prefix=/usr$' "$pc_dir/tev_module.pc" || fail "tev_module.pc: prefix is not /usr"

lib=$(dirname "$(find "$root/usr/lib" -name 'libtev_module.so.1' | head -n 1)")
env -u DISPLAY QT_QPA_PLATFORM=xcb LD_LIBRARY_PATH="$lib" "$root/usr/bin/TEV_IO" --version | grep -qx "TEV_IO $version"
LD_LIBRARY_PATH="$lib" "$root/usr/bin/tev-sim" --version | grep -qx "tev-sim $version"
LD_LIBRARY_PATH="$lib" "$root/usr/bin/tev-sim" --help >/dev/null
LD_LIBRARY_PATH="$lib" "$root/usr/bin/tev" --version | grep -qx "tev $version"
LD_LIBRARY_PATH="$lib" "$root/usr/bin/tev" --help | grep -q '^  watch '
# The service runs the installed command on a configuration named by the instance.
grep -q '^ExecStart=/usr/bin/tev watch --config /etc/tev/watch/%i.toml' "$root/lib/systemd/system/tev-watch@.service" ||
  fail "tev-watch@.service: not the installed command"
echo "package: ok"
