#!/usr/bin/env bash
# Checks the Debian package: its contents, lintian (no errors), and the programs run from an
# extracted copy. usage: package_test.sh PACKAGE.deb
set -euo pipefail
deb=$1
contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/TEV_IO ./usr/bin/tev-sim ./usr/share/tev/tev_module.ini ./usr/share/tev/type.txt \
         ./usr/share/applications/TEV_IO.desktop ./usr/share/icons/hicolor/scalable/apps/TEV_IO.svg \
         ./usr/share/icons/hicolor/48x48/apps/TEV_IO.png ./usr/share/man/man1/TEV_IO.1.gz \
         ./usr/include/uart.h ./usr/include/tev_module.h; do
  grep -q " $f\$" <<<"$contents" || { echo "package lacks $f"; exit 1; }
done
grep -Eq ' \./usr/lib/[^ ]*/libtev_module\.so\.1' <<<"$contents" || { echo "package lacks libtev_module"; exit 1; }
grep -Eq ' \./usr/lib/[^ ]*/pkgconfig/tev_module\.pc$' <<<"$contents" || { echo "package lacks tev_module.pc"; exit 1; }
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || { echo "no dependency on Qt"; exit 1; }

if command -v lintian >/dev/null; then
  # Errors fail the check; warnings are printed.
  out=$(lintian --tag-display-limit 0 "$deb" 2>&1 || true)
  echo "$out"
  if grep -q '^E:' <<<"$out"; then echo "lintian reports errors"; exit 1; fi
fi

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
lib=$(dirname "$(find "$root/usr/lib" -name 'libtev_module.so.1' | head -n 1)")
env -u DISPLAY QT_QPA_PLATFORM=xcb LD_LIBRARY_PATH="$lib" "$root/usr/bin/TEV_IO" --version | grep -q '^TEV_IO 1.0$'
LD_LIBRARY_PATH="$lib" "$root/usr/bin/tev-sim" --help >/dev/null
echo "package: ok"
