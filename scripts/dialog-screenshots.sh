#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Pictures of every dialog in English and German under Xvfb with a window
# manager, into docs/dialogs/<language>/.
#
#   scripts/dialog-screenshots.sh [BUILD]     default: build
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
tool="$build/tests/lanterra-dialogshots"
[ -x "$tool" ] || tool="$build/bin/lanterra-dialogshots"
display=":$((50 + $$ % 100))"
runtime="$(mktemp -d)"
chmod 700 "$runtime"
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $wm 2>/dev/null || true; kill $xvfb 2>/dev/null || true; rm -rf "$runtime"' EXIT
sleep 1
DISPLAY="$display" openbox >/dev/null 2>&1 &
wm=$!
sleep 1
for language in English German; do
    DISPLAY="$display" XDG_RUNTIME_DIR="$runtime" LANTERRA_DATA_DIR="$(dirname "$tool")" QT_QPA_PLATFORM=xcb \
        "$tool" "$root/docs/dialogs/${language,,}" "$language"
done
