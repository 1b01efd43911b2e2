#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Scan benchmark: one /24 inside a network namespace with 20 live Samba
# servers (disk shares only), 20 addresses that drop every packet, 4 mute
# servers (they accept TCP and never answer) and the rest refusing. Times, in
# one run, lanterra-scan, nmap's smb-enum-shares script and a 15-way parallel
# smbclient -L loop over the whole /24, and prints each wall time, the ratios
# and the live hosts and disk shares each one found.
#
#   lab-scan.sh LANTERRA_SCAN MUTE_SERVER
# Needs root (network namespaces, smbd on port 445); installs nmap if missing (scripts/deps.sh bench).
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
. "$root/scripts/lab-lib.sh"

scan=$(readlink -f "$1")
mute=$(readlink -f "$2")
[ -x "$scan" ] && [ -x "$mute" ] || { echo "usage: $0 LANTERRA_SCAN MUTE_SERVER" >&2; exit 2; }
lab_can_netns || { echo "The benchmark needs root, smbd and network namespaces." >&2; exit 1; }
"$root/scripts/deps.sh" bench || { echo "cannot install nmap" >&2; exit 1; }
command -v smbclient >/dev/null || { echo "smbclient is not installed" >&2; exit 1; }

net=10.88.0
live=$(seq 1 20)
drop=$(seq 21 40)
mutes=$(seq 41 44)
ns=lt-bench-$$
sink=$ns-sink
work=$(mktemp -d /tmp/lanterra-bench.XXXXXX)
chmod 0755 "$work"

cleanup() {
    local i
    for i in $live; do lab_smbd_stop "$work/h$i"; done
    lab_pidfile_stop "$work/mute.pid"
    lab_ns_down "$ns"
    lab_ns_down "$sink"
    rm -rf "$work"
}
trap cleanup EXIT

echo "Building the lab in $net.0/24 (namespace $ns)..."
lab_ns_up "$ns" || exit 1
# Every address but the dropping ones is local: live and mute servers
# listen on theirs, the others refuse.
{
    for i in $(seq 1 254); do
        [ "$i" -ge 21 ] && [ "$i" -le 40 ] && continue
        echo "addr add $net.$i/32 dev lo"
    done
} | ip -n "$ns" -batch - || exit 1
lab_drop_addresses "$ns" "$sink" $(for i in $drop; do echo "$net.$i"; done) || exit 1
for i in $live; do
    # SMB1 accepted too: nmap's share listing speaks nothing else.
    lab_smbd_conf "$work/h$i" "LIVE$i" "$net.$i/32" LABNET plain nt1
    lab_smbd_start "$work/h$i" "$ns" || { echo "smbd $i did not start" >&2; exit 1; }
done
lab_mute_start "$ns" "$work/mute.pid" "$mute" $(for i in $mutes; do echo "$net.$i"; done) || exit 1
for i in $live; do
    lab_wait_port "$net.$i" 445 "$ns" || { echo "smbd $i does not listen" >&2; exit 1; }
done
# The clients' own Samba configuration and name cache.
lab_client_conf "$ns" "$work/client" LABNET
lab_hosts "$ns"
export HOME=$work/home
mkdir -p "$HOME"

# A first listing warms the servers (each starts its RPC workers on first use).
warming=()
for i in $live; do
    ip netns exec "$ns" timeout 30 smbclient -N -L "//$net.$i" -g >/dev/null 2>&1 &
    warming+=($!)
done
wait "${warming[@]}"

now() { date +%s%N; }
ms() { echo $(( ($2 - $1) / 1000000 )); }

echo "Timing lanterra-scan..."
t0=$(now)
ip netns exec "$ns" timeout 300 "$scan" --no-all --hosts "$net.1-$net.254" --no-save --format csv -q \
    > "$work/lanterra.csv" 2> "$work/lanterra.err"
t1=$(now)
lanterra_ms=$(ms "$t0" "$t1")
lanterra_hosts=$(grep ',online,' "$work/lanterra.csv" | cut -d, -f3 | sort -u | wc -l)
lanterra_shares=$(grep -c ',online,' "$work/lanterra.csv")

echo "Timing nmap smb-enum-shares..."
t0=$(now)
ip netns exec "$ns" timeout 600 nmap -n -Pn -p445 --script smb-enum-shares "$net.1-254" > "$work/nmap.txt" 2>&1
t1=$(now)
nmap_ms=$(ms "$t0" "$t1")
read -r nmap_hosts nmap_shares < <(awk '
    /^Nmap scan report for / { host = $5 }
    /^\|   \\\\/ { share = $0 }
    /Type: STYPE_DISKTREE/ { shares++; seen[host] = 1 }
    END { n = 0; for (h in seen) n++; print n, shares + 0 }' "$work/nmap.txt")

echo "Timing a 15-way smbclient -N -L loop..."
t0=$(now)
for i in $(seq 1 254); do echo "$net.$i"; done |
    ip netns exec "$ns" xargs -P 15 -I{} sh -c 'timeout 120 smbclient -N -L //{} -g 2>/dev/null | sed "s|^|{} |"' \
    > "$work/smbclient.txt"
t1=$(now)
smbclient_ms=$(ms "$t0" "$t1")
smbclient_hosts=$(grep ' Disk|' "$work/smbclient.txt" | cut -d' ' -f1 | sort -u | wc -l)
smbclient_shares=$(grep -c ' Disk|' "$work/smbclient.txt")

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", (b > 0 ? a / b : 0) }'; }
echo
echo "Lab: 20 live hosts with 80 disk shares, 20 dropping, 4 mute, 210 refusing"
printf '%-24s %10s %8s %12s\n' "tool" "wall (s)" "hosts" "disk shares"
printf '%-24s %10.2f %8d %12d\n' "lanterra-scan" "$(ratio "$lanterra_ms" 1000)" "$lanterra_hosts" "$lanterra_shares"
printf '%-24s %10.2f %8d %12d\n' "nmap smb-enum-shares" "$(ratio "$nmap_ms" 1000)" "$nmap_hosts" "$nmap_shares"
printf '%-24s %10.2f %8d %12d\n' "smbclient -L (15-way)" "$(ratio "$smbclient_ms" 1000)" "$smbclient_hosts" "$smbclient_shares"
echo "smbclient loop / lanterra-scan: $(ratio "$smbclient_ms" "$lanterra_ms")x"
echo "nmap / lanterra-scan:           $(ratio "$nmap_ms" "$lanterra_ms")x"
target=$(( smbclient_ms / 4 ))
if [ "$lanterra_hosts" -eq 20 ] && [ "$lanterra_shares" -eq 80 ] && [ "$lanterra_ms" -le "$target" ]; then
    echo "Target met: every live share, in at most a quarter of the smbclient loop's time."
else
    echo "Target missed (wanted 20 hosts, 80 shares, at most $(ratio "$target" 1000) s)."
fi
