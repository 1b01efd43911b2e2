#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Browse lists: a bridge of network namespaces with smbd + nmbd hosts in two
# workgroups. `lanterra-scan --all` in a client namespace on the same bridge
# must find both workgroups, all four hosts by NetBIOS name, and their shares.
# NetBIOS broadcasts stay on the bridge, which lives in a namespace of its own.
#
#   browse.sh LANTERRA_SCAN MUTE_SERVER LAB_LIB
set -u
scan=$1
. "$3"

lab_can_netns || { echo "SKIP: needs root, smbd, nmbd and network namespaces"; exit 77; }
command -v nmbd >/dev/null || { echo "SKIP: nmbd is not installed"; exit 77; }

prefix=lt-br-$$
bridge=$prefix-br
client=$prefix-c
work=$(mktemp -d /tmp/lanterra-browse.XXXXXX)
# smbd reads its browse list as the guest user: the folder must be open to it.
chmod 0755 "$work"
failures=0
# name, address, workgroup, role (one browse master per workgroup)
hosts=("ALPHA1 10.78.0.11 ALPHA browse" "ALPHA2 10.78.0.12 ALPHA member"
       "BETA1 10.78.0.13 BETA browse" "BETA2 10.78.0.14 BETA member")

cleanup() {
    local entry name
    for entry in "${hosts[@]}"; do
        read -r name _ <<<"$entry"
        lab_smbd_stop "$work/$name"
        lab_ns_down "$prefix-$name"
    done
    lab_ns_down "$client"
    lab_ns_down "$bridge"
    rm -rf "$work"
}
trap cleanup EXIT

# attach NS INDEX ADDRESS  a veth from namespace NS to the bridge
attach() {
    local ns=$1 index=$2 address=$3
    ip -n "$ns" link add eth0 type veth peer name port$index netns "$bridge" || return 1
    ip -n "$bridge" link set port$index master br0 up
    ip -n "$ns" addr add "$address/24" dev eth0
    ip -n "$ns" link set eth0 up
}

lab_ns_up "$bridge" || exit 1
ip -n "$bridge" link add br0 type bridge && ip -n "$bridge" link set br0 up || exit 1

index=0
for entry in "${hosts[@]}"; do
    read -r name address workgroup role <<<"$entry"
    index=$((index + 1))
    lab_ns_up "$prefix-$name" && attach "$prefix-$name" $index "$address" || exit 1
    lab_smbd_conf "$work/$name" "$name" "$address/24" "$workgroup" "shares=Music,Films,${name}Docs" "$role"
    lab_smbd_start "$work/$name" "$prefix-$name" || { echo "smbd/nmbd for $name did not start"; exit 1; }
done

lab_ns_up "$client" && attach "$client" 99 10.78.0.100 || exit 1
# The client's own Samba configuration, with a private name cache.
mkdir -p "/etc/netns/$client/samba" "$work/client"
cat > "/etc/netns/$client/samba/smb.conf" <<CONF
[global]
   workgroup = ALPHA
   netbios name = LABCLIENT
   interfaces = 10.78.0.100/24
   lock directory = $work/client
   state directory = $work/client
   cache directory = $work/client
   private dir = $work/client
   name resolve order = bcast
CONF
lab_hosts "$client"
export HOME=$work/home
mkdir -p "$HOME"

for entry in "${hosts[@]}"; do
    read -r name address _ <<<"$entry"
    lab_wait_port "$address" 445 "$prefix-$name" || { echo "smbd for $name does not listen"; exit 1; }
done

# Browse masters answer some 20-30 s after they start: scan until both
# workgroups with all their hosts have appeared.
found=0
for attempt in $(seq 1 30); do
    ip netns exec "$client" "$scan" --all --no-save --format csv -q > "$work/scan.csv" 2> "$work/scan.err"
    status=$?
    if [ $status = 0 ] && [ $(grep -cE '^(ALPHA|BETA),' "$work/scan.csv") -ge 12 ]; then
        found=1
        break
    fi
    sleep 5
done
echo "after $attempt scan(s):"
cat "$work/scan.csv"

lab_check "the scan saw both workgroups' hosts" '[ $found = 1 ]'
for entry in "${hosts[@]}"; do
    read -r name address workgroup _ <<<"$entry"
    lab_check "$name found in $workgroup by NetBIOS name at $address" \
        "grep -q '^$workgroup,$name,$address,Music,\\\\\\\\$name\\\\Music,online,' \"\$work/scan.csv\""
    lab_check "$name lists its own share" "grep -q '^$workgroup,$name,$address,${name}Docs,' \"\$work/scan.csv\""
done

# A second scan limited to one listed workgroup.
ip netns exec "$client" "$scan" --no-all --workgroups BETA --no-save --format csv -q > "$work/beta.csv"
lab_check "--workgroups BETA lists only BETA's hosts" \
    '[ $(grep -c "^BETA," "$work/beta.csv") = 6 ] && ! grep -q "^ALPHA," "$work/beta.csv"'

echo "$failures failure(s)"
[ $failures = 0 ]
