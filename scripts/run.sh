#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Lanterra (installing missing Debian packages) and runs it.
#
#   scripts/run.sh [FILE.net]    the program on this machine's network
#   scripts/run.sh --demo        a demo network of Samba servers inside its own
#                                network namespace (needs root), with Lanterra
#                                opened on it; without a display, a headless
#                                scan of the demo network printed as text.
#                                It prints the login of its server that wants
#                                one, to type when the window asks.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/deps.sh" run
# A build folder of its own, without tests and benchmarks: their libraries
# are test packages, and the test script's folder must not lend this one a
# cache (or the other way round).
build="$root/build-run"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DLANTERRA_TESTS=OFF -DLANTERRA_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target lanterra lanterra-scan lanterra-smbhelper lanterra_locales >&2

bin="$build/bin"
has_display() { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }

if [ "${1:-}" != "--demo" ]; then
    if ! has_display; then
        # Qt would abort with a message about platform plugins.
        echo "No display: the window needs a graphical session (DISPLAY or WAYLAND_DISPLAY)." >&2
        echo "Without one, try 'scripts/run.sh --demo' (a headless scan of the demo network)" >&2
        echo "or '$bin/lanterra-scan --help' (scans from the command line)." >&2
        exit 1
    fi
    exec "$bin/lanterra" "$@"
fi

demo="$root/scripts/demo-network.sh"
"$demo" start >&2
trap '"$demo" stop >&2; rm -rf "${work:-}"' EXIT
hosts="$("$demo" hosts)"
work="$(mktemp -d)"
chmod 0755 "$work"
in_demo() { "$demo" exec env HOME="$work" XDG_CONFIG_HOME="$work/.config" "$@"; }
document="$work/Demo Network.net"
# Yesterday the laptop was on: the document remembers its shares. Today it
# is off, so they stay in the list, marked offline. The document's rules
# name the listed hosts and search all workgroups, with hosts that announce
# themselves: that is how the studio, in no list, is found.
"$demo" switch-on >&2
in_demo "$bin/lanterra-scan" --hosts "$hosts" -q --out "$document" >/dev/null
"$demo" switch-off >&2
read -r login_host login_user login_password <<<"$("$demo" login)"
echo "$login_host lists its shares only after a login: user $login_user, password $login_password." >&2
if has_display; then
    echo "Press F5 in the window to scan the demo network again." >&2
    in_demo "$bin/lanterra" "$document"
else
    echo "No display: scanning the demo network headless." >&2
    in_demo "$bin/lanterra-scan" --no-save --format text "$document"
fi
