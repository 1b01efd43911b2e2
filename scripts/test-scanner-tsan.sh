#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the scanner's unit tests with ThreadSanitizer (in build-tsan) and
# runs them. Any data race fails the run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LANTERRA_TSAN_BUILD:-$root/build-tsan}
jobs=${LANTERRA_JOBS:-2}

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DLANTERRA_SANITIZE=thread -DLANTERRA_GUI=OFF -DLANTERRA_TESTS=ON -DLANTERRA_BENCH=OFF >/dev/null
cmake --build "$build" -j "$jobs" --target lanterra-scanner-tests

export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ${TSAN_OPTIONS:-}"
cd "$build"
ctest --output-on-failure --no-tests=error -L '^scanner$'
