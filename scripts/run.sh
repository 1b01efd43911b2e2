#!/usr/bin/env bash
# Builds Lanterra (installing missing Debian packages) and runs it.
#
#   scripts/run.sh [FILE.net]    the program on this machine's network
#   scripts/run.sh --demo        a demo network of Samba servers inside its own
#                                network namespace (needs root), with Lanterra
#                                opened on it; without a display, a headless
#                                scan of the demo network printed as text
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/deps.sh" run
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" -j"$(nproc)" --target lanterra lanterra-scan lanterra-smbhelper lanterra_locales >&2

bin="$root/build/bin"
has_display() { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }

if [ "${1:-}" != "--demo" ]; then
    exec "$bin/lanterra" "$@"
fi

demo="$root/scripts/demo-network.sh"
"$demo" start >&2
trap '"$demo" stop >&2' EXIT
hosts="$("$demo" hosts)"
work="$(mktemp -d)"
if has_display; then
    # A private home keeps the demo's document and settings apart from yours.
    "$demo" exec env HOME="$work" XDG_CONFIG_HOME="$work/.config" \
        "$bin/lanterra-scan" --hosts "$hosts" --no-all -q --out "$work/Demo Network.net" >/dev/null
    "$demo" exec env HOME="$work" XDG_CONFIG_HOME="$work/.config" \
        "$bin/lanterra" "$work/Demo Network.net"
else
    echo "No display: scanning the demo network headless." >&2
    "$demo" exec env HOME="$work" XDG_CONFIG_HOME="$work/.config" \
        "$bin/lanterra-scan" --hosts "$hosts" --no-all --no-save --format text
fi
