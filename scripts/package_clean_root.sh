#!/usr/bin/env bash
# shellcheck disable=SC2016 # single-quoted commands and formats are run inside the root
# Installs the Debian packages in a fresh Debian 12 root, as a new user would, and checks them there:
# dependencies resolve with apt, a Chinese font comes along, the programs answer, the desktop entry
# validates, the man pages render, the example builds with pkg-config and with CMake against
# libtev-dev, the offscreen program and the example find the simulated devices as a normal user
# (the example through a ports file naming tev-sim's link), and remove and purge leave nothing.
# Not part of the test command: debootstrap downloads a few hundred MB from the machine's own Debian
# mirror (the first one in /etc/apt/sources.list*). Needs root.
# usage: package_clean_root.sh [folder with the .deb files (default: the project folder)]
set -euo pipefail
cd "$(dirname "$0")/.."
debs=$(cd "${1:-.}" && pwd)
version=$(sed -n '1s/^[^ ]* (\([^)]*\)).*/\1/p' app/packaging/changelog)
arch=$(dpkg --print-architecture)
packages=(libuart1 libtev-module1 libtev-dev tev-tools)
for p in "${packages[@]}"; do
  [ -f "$debs/${p}_${version}_${arch}.deb" ] || { echo "no $debs/${p}_${version}_${arch}.deb (bash scripts/package.sh)"; exit 1; }
done
[ "$(id -u)" -eq 0 ] || { echo "package_clean_root: run as root (debootstrap, chroot)"; exit 1; }

mirror=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.sources /etc/apt/sources.list.d/*.list 2>/dev/null |
  grep -E '^(URIs:|deb )' | grep -E 'debian/?( |$)' | grep -v security | head -n 1 |
  sed -E 's/^URIs: *//; s/^deb +(\[[^]]*\] +)?//; s/ .*//' || true)
[ -n "$mirror" ] || mirror=http://deb.debian.org/debian
echo "== mirror $mirror"
command -v debootstrap >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap >/dev/null

root=$(mktemp -d /var/tmp/tev-clean-root.XXXXXX)
chmod 755 "$root" # apt downloads as the user _apt
cleanup() {
  umount -R "$root/dev" "$root/proc" "$root/sys" 2>/dev/null || true
  rm -rf --one-file-system "$root" "$root.before" "$root.after" "$root.owned"
}
trap cleanup EXIT
step() { echo "== $*"; }
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }
as_user() { chroot --userspec=tester:tester "$root" env -i PATH=/usr/bin:/bin HOME=/home/tester LANG=C.UTF-8 "$@"; }
fail() { echo "FAIL: $*"; exit 1; }

step "debootstrap bookworm (minbase)"
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$root.log" 2>&1 || { tail -n 20 "$root.log"; exit 1; }
rm -f "$root.log"
mount -t proc proc "$root/proc"
mount --rbind /sys "$root/sys"
mount --rbind /dev "$root/dev"
echo "deb $mirror bookworm main" >"$root/etc/apt/sources.list"
export DEBIAN_FRONTEND=noninteractive
in_root apt-get update -qq
# What the checks use (not what the packages need: that comes with them).
step "tools for the checks"
in_root apt-get install -y -qq --no-install-recommends man-db desktop-file-utils build-essential cmake pkg-config \
  >/dev/null
in_root useradd -m tester

# Every file outside the state of dpkg, apt and caches, to compare after the purge.
snapshot() {
  in_root find / -xdev \( -path /proc -o -path /sys -o -path /dev -o -path /tmp -o -path /var/tmp -o -path /home -o \
    -path /root -o -path /var/cache -o -path /var/log -o -path /var/lib/apt -o -path /var/lib/dpkg -o \
    -path /run -o -path /var/lib/systemd \) -prune -o -print | LC_ALL=C sort
}
before=$root.before
snapshot >"$before"

step "apt install ./${packages[*]}"
mkdir -p "$root/tmp/debs"
for p in "${packages[@]}"; do cp "$debs/${p}_${version}_${arch}.deb" "$root/tmp/debs/"; done
in_root sh -c 'apt-get install -y -qq /tmp/debs/*.deb' >"$root/tmp/install.log" 2>&1 ||
  { tail -n 30 "$root/tmp/install.log"; fail "apt could not install the packages"; }
in_root dpkg-query -W -f='${Package} ${Version} ${Status}\n' "${packages[@]}"
in_root sh -c 'apt-get check' >/dev/null || fail "broken dependencies"

step "Chinese font"
fonts=$(in_root fc-list :lang=zh family)
[ -n "$fonts" ] || fail "no font with Chinese glyphs"
echo "$fonts" | head -n 3

step "versions"
in_root env -u DISPLAY QT_QPA_PLATFORM=xcb TEV_IO --version | grep -x "TEV_IO $version" || fail "TEV_IO --version"
in_root tev-sim --version | grep -x "tev-sim $version" || fail "tev-sim --version"
in_root env -u DISPLAY TEV_IO --bogus >/dev/null 2>"$root/tmp/bogus.err" && fail "TEV_IO --bogus succeeded"
head -n 1 "$root/tmp/bogus.err"

step "desktop entry and icon"
in_root desktop-file-validate /usr/share/applications/TEV_IO.desktop && echo "desktop-file-validate: ok"
[ -f "$root/usr/share/icons/hicolor/48x48/apps/TEV_IO.png" ] || fail "no icon"

step "man pages"
for page in TEV_IO tev tev-sim uart tev_module; do
  warnings=$(in_root env -u LANG man --warnings -E UTF-8 "$page" 2>&1 >/dev/null || true)
  [ -z "$warnings" ] || fail "man $page: $warnings"
  ascii=$(in_root env -u LANG man "$page" 2>&1)
  ! grep -q '""' <<<"$ascii" || fail "man $page: empty quotes without a locale"
  echo "man $page: $(head -n 1 <<<"$ascii" | tr -s ' ')"
done
in_root env -u LANG man TEV_IO | grep -E -A1 'The +menu'

step "the example against libtev-dev: pkg-config and CMake"
cp -r "$root/usr/share/doc/libtev-dev/examples" "$root/home/tester/examples"
in_root chown -R tester:tester /home/tester/examples
echo "pkg-config --cflags --libs tev_module: '$(as_user pkg-config --cflags --libs tev_module)'"
as_user sh -c 'cd ~/examples && cc -std=c99 -Wall -o read_7017_pc read_7017.c $(pkg-config --cflags --libs tev_module)'
as_user sh -c 'cd ~/examples && cmake -S . -B build >/dev/null && cmake --build build >/dev/null' || fail "CMake build"
echo "built read_7017 both ways"

step "as the normal user: tev-sim with --link, mapped in the ports file"
as_user sh -c 'mkdir -p ~/.config/tev ~/.local/share/tev &&
  printf "COM3=/home/tester/.local/share/tev/sim-line-3\n" >~/.config/tev/ports'
as_user sh -c 'tev-sim --link ~/.local/share/tev/sim-line >/tmp/sim.out 2>&1 & echo $! >/tmp/sim.pid; wait' &
for _ in $(seq 100); do grep -q '^serving' "$root/tmp/sim.out" 2>/dev/null && break; sleep 0.1; done
cat "$root/tmp/sim.out"
for program in read_7017_pc build/read_7017; do
  out=$(as_user sh -c "cd ~/examples && ./$program 3 0x06 2") || fail "$program: $out"
  echo "$program: $(tail -n 1 <<<"$out")"
done
# The command for scripts finds the converters behind the same link, as the README shows.
found=$(as_user sh -c 'tev search -p ~/.local/share/tev/sim-line --fast --to 3 --json') || fail "tev search: $found"
[ "$(grep -c '"name":"ZEDU-MODBUS' <<<"$found")" = 2 ] || fail "tev search: $found"
echo "tev search: $(wc -l <<<"$found") converters"
[ -f "$root/lib/systemd/system/tev-watch@.service" ] || fail "no tev-watch@.service"
kill "$(cat "$root/tmp/sim.pid")"
wait
[ ! -e "$root/home/tester/.local/share/tev/sim-line" ] || fail "tev-sim left its link"

step "as the normal user: the offscreen program finds the converters (demo line)"
as_user sh -c 'cd ~ && QT_QPA_PLATFORM=offscreen TEV_IO --demo --screenshot /tmp/search.png' || fail "TEV_IO --demo"
[ -s "$root/tmp/search.png" ] || fail "no picture of the search"

step "remove, purge, autoremove"
in_root apt-get remove -y -qq "${packages[@]}" >/dev/null
left=$(in_root dpkg-query -W -f='${Package} ${Status}\n' "${packages[@]}" 2>/dev/null | grep -v 'not-installed' || true)
echo "after remove: ${left:-nothing}"
# Without conffiles nothing stays after the removal; dpkg --purge makes sure.
in_root dpkg --purge "${packages[@]}" >/dev/null 2>&1
in_root apt-get autoremove --purge -y -qq >/dev/null
after=$root.after
snapshot >"$after"
# Files that came and stayed: those of packages that are still installed (what apt keeps as
# recommended by the tools of this check, e.g. shared-mime-info) are not ours to remove.
LC_ALL=C sort -u "$root"/var/lib/dpkg/info/*.list >"$root.owned"
added=$(LC_ALL=C comm -13 "$before" "$after" | LC_ALL=C comm -23 - "$root.owned")
echo "files added by other packages and still installed: $(LC_ALL=C comm -13 "$before" "$after" | LC_ALL=C comm -12 - "$root.owned" | wc -l)"
# The MIME database that shared-mime-info's trigger builds is owned by no package either.
echo "files added and owned by no package: $(grep -c . <<<"$added"), outside the MIME database:"
grep -v '^/usr/share/mime/' <<<"$added" | sed 's/^/  /' || true
ours=$(for p in "${packages[@]}"; do dpkg-deb -c "$debs/${p}_${version}_${arch}.deb"; done | awk '$1 !~ /^d/ {print substr($6, 2)}')
for f in $ours; do
  if [ -e "$root$f" ] || [ -L "$root$f" ]; then fail "left behind: $f"; fi
done
! grep -Eq '/(tev|TEV_IO|libtev|libuart)' <<<"$added" || fail "left behind: $added"
known=$(in_root dpkg-query -W "${packages[@]}" 2>/dev/null || true)
[ -z "$known" ] || fail "dpkg still knows: $known"
echo "nothing left: no file, no package record"
echo "clean root: ok"
