#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the Windows sources and the last commit's format, builds Lanterra
# and runs every test: unit, GUI and integration tests, the
# unit tests again under AddressSanitizer + UndefinedBehaviorSanitizer, the
# scanner tests under ThreadSanitizer, and a short fuzz run of the readers.
# Usage: scripts/test.sh [--quick]
#   --quick: build and run only the unit, scanner and GUI tests (no
#   integration tests, no sanitizer builds, no fuzzing): the loop to run
#   while working.
set -uo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
"$root/scripts/deps.sh" test || exit 1

jobs="$(nproc)"
quick=0
[ "${1:-}" = "--quick" ] && quick=1

runtime_dir="$(mktemp -d)"
chmod 700 "$runtime_dir"
export XDG_RUNTIME_DIR="$runtime_dir"
export QT_QPA_PLATFORM=offscreen
trap 'rm -rf "$runtime_dir"' EXIT

failed=()
step() {
    local name="$1"
    shift
    echo "=== $name" >&2
    if "$@"; then
        echo "=== $name: passed" >&2
    else
        echo "=== $name: FAILED" >&2
        failed+=("$name")
    fi
}

# build_and_test DIR CTEST_LABEL_REGEX (empty: all tests) CMAKE_ARGS...
build_and_test() {
    local dir="$1" labels="$2"
    shift 2
    cmake -S "$root" -B "$dir" -G Ninja "$@" >/dev/null &&
        cmake --build "$dir" -j"$jobs" &&
        ctest --test-dir "$dir" --output-on-failure --no-tests=error -j"$jobs" --timeout 600 ${labels:+-L "$labels"}
}

# A step that exits 77 was skipped (its tool is not installed): not a failure.
skippable() {
    "$@"
    local status=$?
    [ "$status" -eq 77 ] && return 0
    return "$status"
}

# Two cheap checks first: the Windows-only sources still compile as C++ for
# Windows, and the lines of the last commit (its first parent for a merge)
# follow .clang-format.
step "Windows sources syntax check" skippable "$root/scripts/check-windows-sources.sh"
step "format of the changed lines" skippable "$root/scripts/check-format.sh"

# Tests and benchmarks are switched on explicitly: a folder configured
# without them must never pass here with nothing tested.
plain_labels=""
[ "$quick" -eq 1 ] && plain_labels="^(unit|scanner|gui)$"
step "build and ctest" build_and_test "$root/build" "$plain_labels" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DLANTERRA_TESTS=ON -DLANTERRA_BENCH=ON

if [ "$quick" -eq 0 ]; then
    # The window on a network of real Samba servers needs root for its namespace.
    if [ "$(id -u)" -eq 0 ] && ip netns add lanterra-probe 2>/dev/null; then
        ip netns delete lanterra-probe
        step "window end to end on the demo network" env LANTERRA_BUILD="$root/build" "$root/scripts/e2e-window.sh"
    else
        echo "=== window end to end: skipped (needs root and network namespaces)" >&2
    fi
    step "unit tests under ASan+UBSan" build_and_test "$root/build-asan" "^(unit|scanner)$" \
        -DCMAKE_BUILD_TYPE=Debug -DLANTERRA_SANITIZE=address,undefined \
        -DLANTERRA_GUI=OFF -DLANTERRA_TESTS=ON -DLANTERRA_BENCH=OFF
    if [ -x "$root/scripts/test-scanner-tsan.sh" ]; then
        step "scanner under ThreadSanitizer" "$root/scripts/test-scanner-tsan.sh"
    fi
    if [ -x "$root/scripts/fuzz.sh" ]; then
        step "fuzzing the readers" "$root/scripts/fuzz.sh" "${LANTERRA_FUZZ_SECONDS:-60}"
    fi
fi

if [ ${#failed[@]} -ne 0 ]; then
    echo "FAILED: ${failed[*]}" >&2
    exit 1
fi
echo "All tests passed." >&2
