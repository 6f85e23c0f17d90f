#!/usr/bin/env bash
# Sets up the machine, builds the default preset and starts TEV_IO on its simulated demo line
# (converters on COM1, M-Bus meters on COM2, I-7000 modules on COM3, the measuring module on COM4).
# Extra arguments go to TEV_IO, e.g. "bash scripts/run.sh --screenshot docs/main-window.png".
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default --target TEV_IO -j "$(nproc)"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "run: no display found (DISPLAY / WAYLAND_DISPLAY unset); for a virtual one try:" >&2
  echo "     xvfb-run -a bash scripts/run.sh" >&2
  exit 1
fi
exec build/default/app/TEV_IO --demo "$@"
