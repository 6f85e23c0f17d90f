#!/usr/bin/env bash
# Sets up, builds and runs the benchmarks: the exchange against libmodbus, the data page's tick and
# the overview's refresh of all meters against the wire time, the time a receive takes after a
# frame's last byte, what the quiet guard after a timed-out exchange costs the next send, and the
# fast search over the whole address range against the normal search, and the collector (tev watch)
# publishing every meter of four lines to a local mosquitto, with its CPU time and memory for 1000 meters.
# Arguments go to tev-bench-exchange (exchanges per side and rate).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default --target tev-bench-exchange tev-bench-data-poll tev-bench-overview tev-bench-ports tev-bench-fast-search uart-receive-latency uart-guard-cost tev-bench-gateway tev-bench-watch -j "$(nproc)"
build/default/bench/tev-bench-exchange "$@"
build/default/bench/tev-bench-data-poll || echo "tev-bench-data-poll: target missed"
build/default/bench/tev-bench-overview || echo "tev-bench-overview: target missed"
build/default/bench/tev-bench-ports || echo "tev-bench-ports: target missed"
build/default/uart/uart-receive-latency
build/default/uart/uart-guard-cost
build/default/bench/tev-bench-fast-search || echo "tev-bench-fast-search: target missed"
build/default/bench/tev-bench-gateway || echo "tev-bench-gateway: ser2net missing or failed"
build/default/bench/tev-bench-watch || echo "tev-bench-watch: mosquitto missing or failed"
