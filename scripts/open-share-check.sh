#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Opens a share the way a user does (Ctrl+F, Return to reach it, Return to
# open it) in the window program on a desktop of its own: Xvfb, openbox, no
# file manager, and a stand-in handler of smb:// addresses that records what
# the desktop's opener hands it. Without a network (a namespace of its own).
#
#   scripts/open-share-check.sh [--stand-in-opener] [PROGRAM]
#                                   default: lanterra on PATH
#
# --stand-in-opener puts a stand-in xdg-open first on PATH that hands the
# address straight to the recording handler (for a machine without
# xdg-utils); without it the desktop's own xdg-open does the routing, as on
# a user's machine with the package installed.
# Needs Xvfb, openbox, xdotool and unshare; exits 77 when one is missing.
set -uo pipefail

standin=0
[ "${1:-}" = "--stand-in-opener" ] && { standin=1; shift; }
program="${1:-lanterra}"
for tool in Xvfb openbox xdotool unshare iconv; do
    command -v "$tool" >/dev/null || { echo "open-share-check: $tool is not installed" >&2; exit 77; }
done
desk="$(mktemp -d /tmp/lanterra-open.XXXXXX)"
trap 'rm -rf "$desk"' EXIT
mkdir -p "$desk/home/.config" "$desk/home/.local/share/applications" "$desk/runtime"
chmod 0700 "$desk/runtime"

printf '#!/bin/sh\nprintf "%%s\\n" "$@" >>"%s/opened"\n' "$desk" >"$desk/record-open"
chmod +x "$desk/record-open"
if [ "$standin" = 1 ]; then
    mkdir "$desk/bin"
    printf '#!/bin/sh\nexec "%s/record-open" "$@"\n' "$desk" >"$desk/bin/xdg-open"
    chmod +x "$desk/bin/xdg-open"
    PATH="$desk/bin:$PATH"
fi
printf '[Desktop Entry]\nType=Application\nName=Recorder\nExec=%s %%u\nMimeType=x-scheme-handler/smb;\nNoDisplay=true\n' \
    "$desk/record-open" >"$desk/home/.local/share/applications/record-open.desktop"
printf '[Default Applications]\nx-scheme-handler/smb=record-open.desktop\n' >"$desk/home/.config/mimeapps.list"

# One host with one share, known from an earlier scan; the document's rules
# search nothing.
{
    printf '\xff\xfe'
    printf '%s\r\n' '<?xml version="1.0" encoding="UTF-16"?>' '' '<document version="1.0">' \
        ' <view lastView="4" lastSortCol="3" lastSortRev="0" />' \
        ' <rules searchNetAll="0" searchNetCurrent="0" searchNetByList="0" searchHostByList="0">' \
        '  <nets>' '  </nets>' '  <hosts>' '  </hosts>' '  <filters>' '   <nets>' '   </nets>' '   <hosts>' \
        '   </hosts>' '  </filters>' ' </rules>' ' <cache>' '  <nets>' '   <net name="HOME" />' '  </nets>' \
        '  <hosts>' \
        '   <host name="fileserver" addr="192.0.2.10" group="HOME" onlineCount="1" offlineCount="0" lastState="0" lastAnswerTime="0">' \
        '    <shares>' '     <share name="Übersicht" />' '    </shares>' '   </host>' '  </hosts>' ' </cache>' \
        '</document>' | iconv -f UTF-8 -t UTF-16LE
} >"$desk/one-share.net"

# shellcheck disable=SC2016
env -i PATH="$PATH" HOME="$desk/home" XDG_RUNTIME_DIR="$desk/runtime" LANG=C.UTF-8 \
    unshare --net bash -c '
        desk=$2
        Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$desk/display" >/dev/null 2>&1 & x=$!
        for _ in $(seq 100); do [ -s "$desk/display" ] && break; sleep 0.1; done
        export DISPLAY=":$(head -n1 "$desk/display")" QT_QPA_PLATFORM=xcb
        openbox --sm-disable >/dev/null 2>&1 & wm=$!
        sleep 1
        "$1" "$desk/one-share.net" >"$desk/window.log" 2>&1 & app=$!
        window=$(timeout 30 xdotool search --sync --onlyvisible --class lanterra | head -n1)
        if [ -n "$window" ]; then
            xdotool windowactivate --sync "$window" >/dev/null 2>&1; sleep 1
            xdotool key --clearmodifiers ctrl+f; sleep 0.5
            xdotool key Return; sleep 0.5
            xdotool key Return
            for _ in $(seq 50); do [ -s "$desk/opened" ] && break; sleep 0.2; done
        fi
        kill "$app" 2>/dev/null; sleep 1
        kill "$wm" "$x" 2>/dev/null; wait 2>/dev/null' open-share-check "$program" "$desk"

expected='smb://fileserver/%C3%9Cbersicht'
if grep -qxF "$expected" "$desk/opened" 2>/dev/null; then
    echo "open-share-check: the handler was given $expected"
    exit 0
fi
echo "open-share-check: the handler was given: $(cat "$desk/opened" 2>/dev/null)" >&2
tail -5 "$desk/window.log" >&2
exit 1
