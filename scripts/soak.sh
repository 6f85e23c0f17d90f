#!/usr/bin/env bash
# Soak run (not part of the test command): hours of exchanges with the simulated converters (Modbus
# through tev::link::SerialClient) and I-7000 modules (AnalogIn/DigitalIn through libtev_module)
# against tev-sim with faults on, the simulator killed and restarted every few minutes. Reports the
# exchanges, failures by kind, and the driver's open file descriptors and RSS at start and end.
#
#   bash scripts/soak.sh [duration]        duration: 45s, 30m (default), 2h or plain seconds
#   SOAK_RESTART_SECONDS=180               time between simulator restarts
#   SOAK_BUILD_DIR=build/soak              where the simulator and the driver are built
set -euo pipefail
cd "$(dirname "$0")/.."

duration=${1:-30m}
case "$duration" in
  *h) seconds=$(( ${duration%h} * 3600 )) ;;
  *m) seconds=$(( ${duration%m} * 60 )) ;;
  *s) seconds=${duration%s} ;;
  *) seconds=$duration ;;
esac
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -eq 0 ]; then
  echo "usage: bash scripts/soak.sh [duration: 45s | 30m | 2h | seconds]" >&2
  exit 2
fi
restart=${SOAK_RESTART_SECONDS:-180}
build=${SOAK_BUILD_DIR:-build/soak}

cmake --preset default -B "$build" -DTEV_SUBDIRS="uart;protocol;sim;iomodule;link" \
  -DTEV_GUI=OFF -DTEV_BENCH=OFF -DTEV_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target tev-sim tev-soak-driver >/dev/null

work=$(mktemp -d)
sim_pid=
driver_pid=
cleanup() {
  [ -n "$driver_pid" ] && kill "$driver_pid" 2>/dev/null || true
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Both lines with every fault, at different periods so they meet in many combinations.
cat >"$work/setup" <<'EOF'
[line]
name = converters
port = 1
converter = address=1 baud=9600 meters=8 type=1 time=60 parity=0 mode=1 serial=12345678
converter = address=2 baud=9600 meters=40 type=2 time=120 parity=0 mode=1 serial=20000001
drop = every:31
corrupt = every:17
garbage = every:23
truncate = every:29
late = every:37
late-ms = 400

[line]
name = I-7000 modules
port = 3
modules = default
drop = every:41
corrupt = every:19
garbage = every:27
truncate = every:33
late = every:43
late-ms = 300
EOF

# Starts the simulator and points the ports file at its new pseudo-terminals.
start_sim() {
  "$build/sim/tev-sim" "$work/setup" >"$work/sim.out" 2>&1 &
  sim_pid=$!
  for _ in $(seq 100); do
    grep -q '^serving' "$work/sim.out" && break
    sleep 0.1
  done
  if ! grep -q '^serving' "$work/sim.out"; then
    echo "soak: tev-sim did not start:"; cat "$work/sim.out"; exit 1
  fi
  sed -n 's/^export TEV_COM\([0-9]*\)=/COM\1=/p' "$work/sim.out" >"$work/ports.new"
  mv "$work/ports.new" "$work/ports"
}

echo "soak: ${seconds} s, simulator restarted every ${restart} s, faults on both lines"
start_sim
env -u TEV_COM1 -u TEV_COM3 TEV_PORTS_FILE="$work/ports" "$build/sim/tev-soak-driver" "$seconds" &
driver_pid=$!

restarts=0
signal=TERM
while kill -0 "$driver_pid" 2>/dev/null; do
  for _ in $(seq "$restart"); do
    kill -0 "$driver_pid" 2>/dev/null || break 2
    sleep 1
  done
  kill -s "$signal" "$sim_pid" 2>/dev/null || true
  wait "$sim_pid" 2>/dev/null || true
  [ "$signal" = TERM ] && signal=KILL || signal=TERM # a clean stop and a crash, in turn
  sleep 2                                            # the program meets a dead line for a while
  start_sim
  restarts=$((restarts + 1))
done

status=0
wait "$driver_pid" || status=$?
driver_pid=
echo "simulator restarts: $restarts"
exit "$status"
