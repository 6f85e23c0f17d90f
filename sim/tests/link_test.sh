#!/usr/bin/env bash
# tev-sim --link PATH: PATH points at the first line's pseudo-terminal while it serves, a link left
# by an earlier run is replaced, another file is never touched, and the links go when it stops.
# usage: link_test.sh TEV-SIM
set -euo pipefail
sim=$1
dir=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$dir"' EXIT
ln -s /nonexistent "$dir/line" # left by a run that was killed
"$sim" --link "$dir/line" >"$dir/out" 2>&1 &
pid=$!
for _ in $(seq 50); do grep -q '^serving' "$dir/out" && break; sleep 0.1; done
first=$(sed -n '1s/^[^:]*: \(\/dev\/[^ ]*\).*/\1/p' "$dir/out")
[ "$(readlink "$dir/line")" = "$first" ] || { cat "$dir/out"; echo "link does not name $first"; exit 1; }
[ -c "$dir/line" ] && [ -L "$dir/line-2" ]
kill -TERM "$pid"
wait "$pid"
[ ! -e "$dir/line" ] && [ ! -L "$dir/line" ] && [ ! -L "$dir/line-2" ] || { echo "links left behind"; exit 1; }
touch "$dir/file"
if "$sim" --link "$dir/file" >/dev/null 2>&1; then echo "a regular file was replaced"; exit 1; fi
[ -f "$dir/file" ] && [ ! -L "$dir/file" ]
echo "link: ok"
