#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Hosts that announce themselves: a bridge of network namespaces where no
# host runs a browse master (no NetBIOS at all), and smbd hosts announce
# themselves by WS-Discovery (Debian's wsdd, workgroup and domain forms) and
# by DNS-SD (avahi-daemon publishing _smb._tcp). `lanterra-scan` in a client
# namespace on the same bridge must find them all with their shares; a host
# announced both ways and also named in the host list is listed once; a
# host behind a router on a second bridge is not seen (multicasts stay on
# the link), though a client on its own bridge finds it.
#
#   discovery.sh LANTERRA_SCAN MUTE_SERVER LAB_LIB
set -u
scan=$1
. "$3"

lab_can_netns || { echo "SKIP: needs root, smbd and network namespaces"; exit 77; }
[ -x /usr/sbin/wsdd ] || { echo "SKIP: wsdd is not installed"; exit 77; }
command -v avahi-daemon >/dev/null || { echo "SKIP: avahi-daemon is not installed"; exit 77; }
[ -d /run/avahi-daemon ] || mkdir -p /run/avahi-daemon

prefix=lt-ds-$$
bridge=$prefix-br
router=$prefix-rt
client=$prefix-c
farclient=$prefix-fc
work=$(mktemp -d /tmp/lanterra-discovery.XXXXXX)
chmod 0755 "$work"
failures=0
pids=()
# name, namespace suffix, address, bridge, how it announces itself
hosts=("WSWG wswg 10.77.0.11 br0 wsdd-workgroup"
       "wsdom wsdom 10.77.0.12 br0 wsdd-domain"
       "mdnshost mdns 10.77.0.13 br0 avahi"
       "BOTH both 10.77.0.14 br0 both"
       "FAR far 10.77.1.11 br1 both")

cleanup() {
    local pid entry name ns
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null
    done
    lab_reap "${pids[@]}"
    for entry in "${hosts[@]}"; do
        read -r name ns _ <<<"$entry"
        lab_smbd_stop "$work/$name"
        lab_ns_down "$prefix-$ns"
    done
    lab_ns_down "$client"
    lab_ns_down "$farclient"
    lab_ns_down "$router"
    lab_ns_down "$bridge"
    rm -rf "$work"
}
trap cleanup EXIT

# attach NS PORT ADDRESS BRIDGE  a veth from namespace NS to a bridge
attach() {
    local ns=$1 port=$2 address=$3 br=$4
    ip -n "$ns" link add eth0 type veth peer name "$port" netns "$bridge" || return 1
    ip -n "$bridge" link set "$port" master "$br" up
    ip -n "$ns" addr add "$address/24" dev eth0
    ip -n "$ns" link set eth0 up
}

# wsdd_start NS NAME UUID -w WORKGROUP | -d DOMAIN
wsdd_start() {
    local ns=$1 name=$2 uuid=$3
    shift 3
    # Debian's wsdd under the system's python (another one earlier on PATH
    # makes it exit silently).
    ip netns exec "$ns" /usr/bin/python3 /usr/sbin/wsdd -i eth0 -4 -p -n "$name" -U "$uuid" "$@" \
        > "$work/wsdd-$name.log" 2>&1 &
    pids+=($!)
}

# avahi_start NS HOSTNAME  publishes _smb._tcp on port 445 for the host
avahi_start() {
    local ns=$1 name=$2
    mkdir -p "/etc/netns/$ns/avahi/services"
    cat > "/etc/netns/$ns/avahi/avahi-daemon.conf" <<CONF
[server]
host-name=$name
use-ipv4=yes
use-ipv6=no
allow-interfaces=eth0
enable-dbus=no
[publish]
publish-workstation=no
CONF
    cat > "/etc/netns/$ns/avahi/services/smb.service" <<'CONF'
<?xml version="1.0" standalone='no'?>
<!DOCTYPE service-group SYSTEM "avahi-service.dtd">
<service-group>
  <name replace-wildcards="yes">%h</name>
  <service>
    <type>_smb._tcp</type>
    <port>445</port>
  </service>
</service-group>
CONF
    # Its pid file goes to a private /run/avahi-daemon.
    ip netns exec "$ns" unshare -m sh -c \
        'mount -t tmpfs none /run/avahi-daemon && exec avahi-daemon --no-drop-root --no-chroot' \
        > "$work/avahi-$name.log" 2>&1 &
    pids+=($!)
}

lab_ns_up "$bridge" || exit 1
for br in br0 br1; do
    ip -n "$bridge" link add $br type bridge && ip -n "$bridge" link set $br up || exit 1
done
# A router between the two bridges: unicast passes, link multicasts do not.
lab_ns_up "$router" || exit 1
attach "$router" rt0 10.77.0.1 br0 || exit 1
ip -n "$router" link add eth1 type veth peer name rt1 netns "$bridge" || exit 1
ip -n "$bridge" link set rt1 master br1 up
ip -n "$router" addr add 10.77.1.1/24 dev eth1
ip -n "$router" link set eth1 up
ip netns exec "$router" sysctl -qw net.ipv4.ip_forward=1

index=0
for entry in "${hosts[@]}"; do
    read -r name ns address br how <<<"$entry"
    index=$((index + 1))
    lab_ns_up "$prefix-$ns" && attach "$prefix-$ns" port$index "$address" $br || exit 1
    other=10.77.0.0/24
    [ $br = br0 ] && other=10.77.1.0/24
    # Only a route to the other bridge: with a default route the resolver's
    # DNS queries would wait for a router that cannot answer.
    ip -n "$prefix-$ns" route add $other via "${address%.*}.1"
    # No NetBIOS: no browse list anywhere, no name queries answered.
    lab_smbd_conf "$work/$name" "$name" "$address/24" LAB "shares=Music,${name}Docs"
    lab_smbd_start "$work/$name" "$prefix-$ns" || { echo "smbd for $name did not start"; exit 1; }
    uuid=$(printf '00000000-0000-4000-8000-%012d' $index)
    case $how in
        wsdd-workgroup) wsdd_start "$prefix-$ns" "$name" "$uuid" -w LAB ;;
        wsdd-domain) wsdd_start "$prefix-$ns" "$name" "$uuid" -d corp.example ;;
        avahi) avahi_start "$prefix-$ns" "$name" ;;
        both) wsdd_start "$prefix-$ns" "$name" "$uuid" -w LAB
              avahi_start "$prefix-$ns" "$(tr '[:upper:]' '[:lower:]' <<<"$name")" ;;
    esac
done

# The clients: one on each bridge, each with its own Samba configuration
# and name cache.
for pair in "$client 10.77.0.100" "$farclient 10.77.1.100"; do
    read -r ns address <<<"$pair"
    lab_ns_up "$ns" || exit 1
    index=$((index + 1))
    if [ "$ns" = "$client" ]; then
        attach "$ns" port$index "$address" br0 && ip -n "$ns" route add 10.77.1.0/24 via 10.77.0.1 || exit 1
    else
        attach "$ns" port$index "$address" br1 && ip -n "$ns" route add 10.77.0.0/24 via 10.77.1.1 || exit 1
    fi
    mkdir -p "/etc/netns/$ns/samba" "$work/$ns"
    cat > "/etc/netns/$ns/samba/smb.conf" <<CONF
[global]
   workgroup = LAB
   netbios name = CLIENT$index
   interfaces = $address/24
   lock directory = $work/$ns
   state directory = $work/$ns
   cache directory = $work/$ns
   private dir = $work/$ns
   name resolve order = bcast
CONF
done
lab_hosts "$client" "10.77.0.14 BOTH"
lab_hosts "$farclient"
export HOME=$work/home
mkdir -p "$HOME"

for entry in "${hosts[@]}"; do
    read -r name ns address _ <<<"$entry"
    lab_wait_port "$address" 445 "$prefix-$ns" || { echo "smbd for $name does not listen"; exit 1; }
    case $entry in
        *wsdd*|*both) lab_wait_port "$address" 5357 "$prefix-$ns" || { echo "wsdd for $name does not listen"; exit 1; } ;;
    esac
done
# avahi announces itself for a second or two before it answers queries.
for entry in "${hosts[@]}"; do
    read -r name _ <<<"$entry"
    name=$(tr '[:upper:]' '[:lower:]' <<<"$name")
    [ -f "$work/avahi-$name.log" ] || continue
    for _ in $(seq 1 100); do
        grep -q 'Server startup complete' "$work/avahi-$name.log" && break
        sleep 0.1
    done
done
sleep 1

# scan_timed NS OUT ARGS...  a scan whose progress lines carry the
# milliseconds since its start
scan_timed() {
    local ns=$1 out=$2 start line
    shift 2
    start=$(date +%s%N)
    ip netns exec "$ns" "$scan" --no-save --format csv "$@" 2>&1 > "$out.csv" |
        while IFS= read -r line; do
            echo "$(( ($(date +%s%N) - start) / 1000000 )) $line"
        done > "$out.err"
    local status=${PIPESTATUS[0]}
    echo "$(( ($(date +%s%N) - start) / 1000000 ))" > "$out.ms"
    return $status
}

# With browse lists nowhere, the default rules (all workgroups) find the
# announced hosts, plus the listed one.
scan_timed "$client" "$work/all" --hosts BOTH
echo "scan from the first bridge:"
cat "$work/all.csv"
lab_check "WSWG (WS-Discovery, workgroup) in LAB with its shares" \
    "grep -q '^LAB,WSWG,10.77.0.11,WSWGDocs,.*,online,' '$work/all.csv'"
lab_check "wsdom (WS-Discovery, domain) in corp.example with its shares" \
    "grep -q '^corp.example,wsdom,10.77.0.12,wsdomDocs,.*,online,' '$work/all.csv'"
lab_check "mdnshost (DNS-SD) with its shares, in this machine's workgroup" \
    "grep -q '^LAB,mdnshost.local,10.77.0.13,mdnshostDocs,.*,online,' '$work/all.csv'"
lab_check "BOTH (announced both ways and listed) is listed once" \
    "[ \$(grep -c ',10.77.0.14,Music,' '$work/all.csv') = 1 ] && [ \$(grep -c ',10.77.0.14,BOTHDocs,' '$work/all.csv') = 1 ]"
lab_check "BOTH keeps the name of the host list" "grep -q '^,BOTH,10.77.0.14,BOTHDocs,.*,online,' '$work/all.csv'"
lab_check "FAR behind the router is not seen" "! grep -q '10.77.1.11' '$work/all.csv'"
lab_check "nothing but shares of the four hosts" "[ \$(grep -c ',online,' '$work/all.csv') = 8 ]"

# The moment every discovered host's shares were listed (progress lines
# come once a second), and the scan's whole length.
listed_ms=$(awk '/^[0-9]+ Searching\.\.\. [0-9]+ shares/ { if ($3 >= 8) { print $1; exit } }' "$work/all.err")
[ -n "$listed_ms" ] || listed_ms=$(cat "$work/all.ms")
echo "discovered hosts' shares listed after at most ${listed_ms} ms; scan ended after $(cat "$work/all.ms") ms"

# Only the machine's own workgroup: the domain member stays out, the host
# that names no workgroup is on the link and comes in.
scan_timed "$client" "$work/current" --no-all --current
lab_check "--current: WSWG and mdnshost, not the domain member" \
    "grep -q ',WSWG,' '$work/current.csv' && grep -q ',mdnshost.local,' '$work/current.csv' && ! grep -q ',wsdom,' '$work/current.csv'"
echo "--no-all --current scan ended after $(cat "$work/current.ms") ms"

scan_timed "$client" "$work/off" --no-discovery
lab_check "--no-discovery finds none of them" "! grep -q ',online,' '$work/off.csv'"

# The far host does announce itself: a client on its own bridge finds it.
scan_timed "$farclient" "$work/far"
lab_check "a client on the second bridge finds FAR (both ways, once)" \
    "[ \$(grep -c ',10.77.1.11,FARDocs,.*,online,' '$work/far.csv') = 1 ] && ! grep -q ',10.77.0.' '$work/far.csv'"

echo "$failures failure(s)"
[ $failures = 0 ]
