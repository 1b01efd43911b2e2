#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Range benchmark: two host ranges inside one network namespace, each timed
# in the same run for lanterra-scan and for an nmap connect sweep of port
# 445 (which only finds the open port and lists nothing):
#   - a mixed /22: 4 live Samba servers with 7 disk shares each, 790
#     addresses whose packets vanish, the rest refusing;
#   - a quiet /23: no address answers, not even to ARP.
# Prints the wall times, the ratios, and lanterra-scan's time to its first
# and to its last share.
#
#   lab-ranges.sh LANTERRA_SCAN
# Needs root (network namespaces, smbd on port 445); installs nmap if missing (scripts/deps.sh bench).
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
. "$root/scripts/lab-lib.sh"

scan=$(readlink -f "$1")
[ -x "$scan" ] || { echo "usage: $0 LANTERRA_SCAN" >&2; exit 2; }
lab_can_netns || { echo "The benchmark needs root, smbd and network namespaces." >&2; exit 1; }
"$root/scripts/deps.sh" bench || { echo "cannot install nmap" >&2; exit 1; }

ns=lt-range-$$
sink=$ns-sink
quiet=$ns-quiet
work=$(mktemp -d /tmp/lanterra-ranges.XXXXXX)
chmod 0755 "$work"
live_idx="10 333 600 1000"

cleanup() {
    local i
    for i in $live_idx; do lab_smbd_stop "$work/h$i"; done
    lab_ns_down "$ns"
    lab_ns_down "$sink"
    lab_ns_down "$quiet"
    rm -rf "$work"
}
trap cleanup EXIT

# Address number i (1..1022) of 10.89.0.0/22.
addr22() { echo "10.89.$(( $1 / 256 )).$(( $1 % 256 ))"; }

echo "Building the lab (namespace $ns)..."
lab_ns_up "$ns" || exit 1
lab_ns_up "$sink" || exit 1
lab_ns_up "$quiet" || exit 1
ip -n "$ns" link add ltdrop0 type veth peer name ltdrop1 netns "$sink" || exit 1
ip -n "$ns" addr add 192.0.2.1/32 dev ltdrop0
ip -n "$ns" link set ltdrop0 up
ip -n "$sink" link set ltdrop1 up
mac=$(ip -n "$sink" -o link show ltdrop1 | sed -n 's|.*link/ether \([0-9a-f:]*\).*|\1|p')
# The quiet /23 sits behind a link whose far end has no address: nothing
# answers ARP, as on a LAN where those addresses are unused.
ip -n "$ns" link add ltquiet0 type veth peer name ltquiet1 netns "$quiet" || exit 1
ip -n "$ns" addr add 10.90.0.254/32 dev ltquiet0
ip -n "$ns" link set ltquiet0 up
ip -n "$quiet" link set ltquiet1 up
ip -n "$ns" route add 10.90.0.0/23 dev ltquiet0 src 10.90.0.254 || exit 1

dropped=0
{
    for ((i = 1; i <= 1022; i++)); do
        a=$(addr22 $i)
        case " $live_idx " in *" $i "*) echo "addr add $a/32 dev lo"; continue ;; esac
        if [ $dropped -lt 790 ] && [ $(( i % 9 )) -ne 0 ] && [ $(( i % 9 )) -ne 4 ]; then
            echo "route add $a/32 dev ltdrop0 src 192.0.2.1"
            echo "neigh replace $a lladdr $mac dev ltdrop0 nud permanent"
            dropped=$((dropped + 1))
        else
            echo "addr add $a/32 dev lo"
        fi
    done
} > "$work/batch"
ip -n "$ns" -batch "$work/batch" || exit 1
echo "  /22: 4 live, $(grep -c '^route' "$work/batch") dropped, $(( 1022 - 4 - $(grep -c '^route' "$work/batch") )) refusing"

for i in $live_idx; do
    lab_smbd_conf "$work/h$i" "LIVE$i" "$(addr22 $i)/32" LABNET shares=Music,Films,Installs,Documents,Photos,Games,Backup
    lab_smbd_start "$work/h$i" "$ns" || { echo "smbd $i did not start" >&2; exit 1; }
done
for i in $live_idx; do
    lab_wait_port "$(addr22 $i)" 445 "$ns" || { echo "smbd $i does not listen" >&2; exit 1; }
done
lab_client_conf "$ns" "$work/client" LABNET
lab_hosts "$ns"
export HOME=$work/home
mkdir -p "$HOME"
for i in $live_idx; do
    ip netns exec "$ns" timeout 30 smbclient -N -L "//$(addr22 $i)" -g >/dev/null 2>&1 &
done
wait

for ((i = 1; i <= 1022; i++)); do addr22 $i; done > "$work/targets22"
for ((i = 1; i <= 510; i++)); do echo "10.90.$(( i / 256 )).$(( i % 256 ))"; done > "$work/targets23"

now() { date +%s%N; }
ms() { echo $(( ($2 - $1) / 1000000 )); }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }

# run_case NAME RANGE TARGETS  times both tools on one range
run_case() {
    local name=$1 range=$2 targets=$3 t0 t1
    t0=$(now)
    ip netns exec "$ns" timeout 600 "$scan" --no-all --hosts "$range" --no-save --format csv \
        > "$work/$name.csv" 2> "$work/$name.err"
    t1=$(now)
    l_ms=$(ms "$t0" "$t1")
    l_shares=$(grep -c ',online,' "$work/$name.csv")
    l_first=$(sed -n 's/^First share after \([0-9]*\) ms, last after \([0-9]*\) ms\./\1/p' "$work/$name.err")
    l_last=$(sed -n 's/^First share after \([0-9]*\) ms, last after \([0-9]*\) ms\./\2/p' "$work/$name.err")
    t0=$(now)
    ip netns exec "$ns" timeout 600 nmap -n -Pn -sT -p445 -T4 --open -iL "$targets" > "$work/$name.nmap" 2>&1
    t1=$(now)
    n_ms=$(ms "$t0" "$t1")
    n_open=$(grep -c '^445/tcp *open' "$work/$name.nmap")
}

echo "Timing the mixed /22..."
run_case mixed "10.89.0.1-10.89.3.254" "$work/targets22"
m=("$l_ms" "$l_shares" "${l_first:--}" "${l_last:--}" "$n_ms" "$n_open")
echo "Timing the quiet /23..."
run_case quiet "10.90.0.1-10.90.1.254" "$work/targets23"
q=("$l_ms" "$l_shares" "${l_first:--}" "${l_last:--}" "$n_ms" "$n_open")

echo
printf '%-10s %12s %8s %12s %12s %10s %10s %8s\n' range "lanterra (s)" shares "first (ms)" "last (ms)" "nmap (s)" "nmap open" ratio
printf '%-10s %12s %8s %12s %12s %10s %10s %8s\n' "mixed /22" "$(ratio "${m[0]}" 1000)" "${m[1]}" "${m[2]}" "${m[3]}" \
    "$(ratio "${m[4]}" 1000)" "${m[5]}" "$(ratio "${m[0]}" "${m[4]}")"
printf '%-10s %12s %8s %12s %12s %10s %10s %8s\n' "quiet /23" "$(ratio "${q[0]}" 1000)" "${q[1]}" "${q[2]}" "${q[3]}" \
    "$(ratio "${q[4]}" 1000)" "${q[5]}" "$(ratio "${q[0]}" "${q[4]}")"
ok=1
if [ "${m[1]}" -eq 28 ] && [ "${m[0]}" -le "${m[4]}" ]; then
    echo "Mixed /22: target met (all 28 shares, at most 1.0 x nmap)."
else
    echo "Mixed /22: target missed (wanted 28 shares in at most $(ratio "${m[4]}" 1000) s)."; ok=0
fi
if [ $(( q[0] * 10 )) -le "${q[4]}" ]; then
    echo "Quiet /23: target met (at most 0.1 x nmap)."
else
    echo "Quiet /23: target missed (wanted at most $(ratio $(( q[4] / 10 )) 1000) s)."; ok=0
fi
[ $ok = 1 ]
