#!/usr/bin/env bash
# Builds the program and starts it with the simulated instrument on USB 2.0.
# Pass --hardware to look for a real instrument instead (demo mode is offered without one).
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja
cmake --build build
cd build
if [ -x ./vrx73604 ]; then
    if [ "${1:-}" = "--hardware" ]; then exec ./vrx73604; fi
    exec ./vrx73604 --sim usb
fi
# Without the desktop program, the diagnostic tool shows the link to the simulated instrument.
HWLINK_SIM=${HWLINK_SIM:-usb} exec ./hwlink-probe 73604.bit
