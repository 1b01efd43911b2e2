#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds lanterra-scan and the lab's mute server, then runs the scan
# benchmark (bench/scan/lab-scan.sh). Needs root.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LANTERRA_BUILD:-$root/build-bench}
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLANTERRA_GUI=OFF -DLANTERRA_TESTS=ON -DLANTERRA_BENCH=OFF >/dev/null
fi
cmake --build "$build" -j "${LANTERRA_JOBS:-2}" --target lanterra-scan lanterra-smbhelper lanterra-test-muteserver
exec "$root/bench/scan/lab-scan.sh" "$build/bin/lanterra-scan" "$build/bin/lanterra-test-muteserver"
