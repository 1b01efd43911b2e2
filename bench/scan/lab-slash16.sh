#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A range of 65,534 addresses where nothing answers, not even to ARP (a
# quiet /16), inside a network namespace: lanterra-scan's wall time, peak
# memory (and per address, against a /24 of the same kind), the size of the
# document it writes, and the time to load and save that document.
#
#   lab-slash16.sh LANTERRA_SCAN
# Needs root (network namespaces).
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
. "$root/scripts/lab-lib.sh"

scan=$(readlink -f "$1")
[ -x "$scan" ] || { echo "usage: $0 LANTERRA_SCAN" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time" >&2; exit 1; }
lab_can_netns || { echo "The benchmark needs root and network namespaces." >&2; exit 1; }

ns=lt-s16-$$
quiet=$ns-quiet
work=$(mktemp -d /tmp/lanterra-s16.XXXXXX)
cleanup() {
    lab_ns_down "$ns"
    lab_ns_down "$quiet"
    rm -rf "$work"
}
trap cleanup EXIT

lab_ns_up "$ns" || exit 1
lab_ns_up "$quiet" || exit 1
ip -n "$ns" link add ltquiet0 type veth peer name ltquiet1 netns "$quiet" || exit 1
ip -n "$ns" addr add 10.92.0.254/32 dev ltquiet0
ip -n "$ns" link set ltquiet0 up
ip -n "$quiet" link set ltquiet1 up
ip -n "$ns" route add 10.91.0.0/16 dev ltquiet0 src 10.92.0.254 || exit 1
ip -n "$ns" route add 10.93.0.0/24 dev ltquiet0 src 10.92.0.254 || exit 1
lab_hosts "$ns"
export HOME=$work/home
mkdir -p "$HOME"

# measure NAME ARGS...  wall seconds and peak resident kilobytes
measure() {
    local name=$1
    shift
    ip netns exec "$ns" /usr/bin/time -f "%e %M" -o "$work/$name.time" "$scan" "$@" \
        > "$work/$name.out" 2> "$work/$name.err"
    read -r wall rss < "$work/$name.time"
}

echo "Scanning a quiet /24 (baseline)..."
measure small --no-all --hosts 10.93.0.1-10.93.0.254 --out "$work/small.net" --format csv
small_rss=$rss
echo "Scanning a quiet /16..."
measure big --no-all --hosts 10.91.0.1-10.91.255.254 --out "$work/big.net" --format csv
big_wall=$wall big_rss=$rss
saved=$(sed -n 's/^Saved \([0-9]*\) hosts in \([0-9]*\) ms\./\2/p' "$work/big.err")
size=$(stat -c %s "$work/big.net")
offline=$(iconv -f UTF-16 -t UTF-8 "$work/big.net" | grep -c 'lastState="53"')
echo "Loading it again (a one-second scan, stopped, saved)..."
measure again "$work/big.net" --no-all --timeout 1 --out "$work/again.net" --format csv
loaded=$(sed -n 's/^Loaded \([0-9]*\) hosts in \([0-9]*\) ms\./\2/p' "$work/again.err")
resaved=$(sed -n 's/^Saved \([0-9]*\) hosts in \([0-9]*\) ms\./\2/p' "$work/again.err")

per=$(awk -v a="$big_rss" -v b="$small_rss" 'BEGIN { printf "%.0f", (a - b) * 1024 / (65534 - 254) }')
echo
echo "quiet /16 (65,534 addresses):"
echo "  scan wall time          ${big_wall} s  ($offline hosts saved offline with lastState 53)"
echo "  peak memory             $(( big_rss / 1024 )) MB (a /24: $(( small_rss / 1024 )) MB) = about $per bytes per address"
echo "  document size           $(( size / 1024 )) KB ($(( size / 65534 )) bytes per host)"
echo "  save after the scan     ${saved:-?} ms"
echo "  load                    ${loaded:-?} ms"
echo "  save after loading      ${resaved:-?} ms"
