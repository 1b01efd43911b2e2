#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a program on an X display of its own under a real window manager
# (Xvfb, openbox and, where installed, a tray), for the window tests whose
# faults only a window manager shows: frame margins, minimising, maximising.
#
#   scripts/under-wm.sh PROGRAM [ARGUMENTS...]
#
# Exits 77 (skipped) when the X server or the window manager is missing;
# otherwise with the program's status.
set -uo pipefail

command -v Xvfb >/dev/null && command -v openbox >/dev/null || {
    echo "under-wm: Xvfb or openbox is not installed" >&2
    exit 77
}

work="$(mktemp -d /tmp/lanterra-wm.XXXXXX)"
xvfb=""
openbox_pid=""
trayer_pid=""
finish() {
    [ -n "$trayer_pid" ] && kill "$trayer_pid" 2>/dev/null
    [ -n "$openbox_pid" ] && kill "$openbox_pid" 2>/dev/null
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap finish EXIT

# The server picks a free display and writes its number to descriptor 3.
Xvfb -displayfd 3 -screen 0 1024x800x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || { echo "under-wm: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"
export QT_QPA_PLATFORM=xcb
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
    mkdir -m 0700 "$work/runtime"
    export XDG_RUNTIME_DIR="$work/runtime"
fi

openbox --sm-disable >/dev/null 2>&1 &
openbox_pid=$!
if command -v trayer >/dev/null; then
    trayer --edge bottom --align right --widthtype request --height 24 >/dev/null 2>&1 &
    trayer_pid=$!
fi
# Give the window manager and the tray the moment they need to take over
# the screen: a window mapped before that is placed by nobody.
sleep 1

"$@"
