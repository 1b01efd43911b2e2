#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds lanterra-scan and runs the range benchmark (bench/scan/lab-ranges.sh):
# a mixed /22 and a quiet /23 against an nmap connect sweep. Needs root.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LANTERRA_BUILD:-$root/build-bench}
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLANTERRA_GUI=OFF -DLANTERRA_BENCH=OFF >/dev/null
fi
cmake --build "$build" -j "${LANTERRA_JOBS:-2}" --target lanterra-scan lanterra-smbhelper
exec "$root/bench/scan/lab-ranges.sh" "$build/bin/lanterra-scan"
