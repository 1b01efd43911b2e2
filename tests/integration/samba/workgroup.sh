#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The workgroup of a listed host: a Samba server (smbd + nmbd) in workgroup
# HOME, in a namespace of its own joined by a veth pair to the client's, is
# named only in the host list. `lanterra-scan` shows HOME as its workgroup,
# which its NetBIOS name table tells, while the saved document keeps the
# host where the host list put it.
#
#   workgroup.sh LANTERRA_SCAN MUTE_SERVER LAB_LIB
set -u
scan=$1
. "$3"

lab_can_netns || { echo "SKIP: needs root, smbd, nmbd and network namespaces"; exit 77; }
command -v nmbd >/dev/null || { echo "SKIP: nmbd is not installed"; exit 77; }

prefix=lt-wg-$$
server=$prefix-s
client=$prefix-c
work=$(mktemp -d /tmp/lanterra-workgroup.XXXXXX)
chmod 0755 "$work"
failures=0

cleanup() {
    lab_smbd_stop "$work/homesrv"
    lab_ns_down "$server"
    lab_ns_down "$client"
    rm -rf "$work"
}
trap cleanup EXIT

lab_ns_up "$server" && lab_ns_up "$client" || exit 1
ip -n "$server" link add eth0 type veth peer name eth0 netns "$client" || exit 1
ip -n "$server" addr add 10.79.0.11/24 dev eth0 && ip -n "$server" link set eth0 up || exit 1
ip -n "$client" addr add 10.79.0.2/24 dev eth0 && ip -n "$client" link set eth0 up || exit 1
lab_hosts "$client" "10.79.0.11 homesrv"
lab_client_conf "$client" "$work/client" CLIENTS

lab_smbd_conf "$work/homesrv" HOMESRV 10.79.0.11/24 HOME "shares=Music,Films" member
lab_smbd_start "$work/homesrv" "$server" || { echo "smbd/nmbd did not start"; exit 1; }
lab_wait_port 10.79.0.11 445 "$server" || { echo "smbd does not listen"; exit 1; }

export HOME=$work/home
mkdir -p "$HOME"
doc=$work/lab.net

# nmbd answers for its names once it has registered them, a few seconds
# after it starts: scan until the workgroup shows.
for attempt in $(seq 1 20); do
    ip netns exec "$client" "$scan" --no-all --no-discovery --hosts homesrv --out "$doc" \
        --format csv -q > "$work/scan.csv" 2> "$work/scan.err"
    status=$?
    grep -q '^HOME,homesrv,' "$work/scan.csv" && break
    sleep 2
done
echo "after $attempt scan(s), exit $status:"
cat "$work/scan.csv"

lab_check "the scan exits 0" '[ $status = 0 ]'
lab_check "the listed host shows its workgroup HOME" \
    "grep -q '^HOME,homesrv,10.79.0.11,Music,\\\\\\\\homesrv\\\\Music,online,' \"\$work/scan.csv\""
lab_check "both shares show it" '[ $(grep -c "^HOME,homesrv," "$work/scan.csv") = 2 ]'
line=$(lab_doc_host "$doc" homesrv)
lab_check "the document keeps the host where the host list put it" '[ -n "$line" ] && [ "$(lab_attr "$line" group)" = "" ]'
lab_check "the document names no workgroup HOME" "! iconv -f UTF-16 -t UTF-8 \"\$doc\" | grep -q '\"HOME\"'"

ip netns exec "$client" "$scan" "$doc" --no-all --no-discovery --no-save --format json -q > "$work/scan.json"
lab_check "json shows HOME too" "grep -q '\"workgroup\": *\"HOME\"' \"\$work/scan.json\""

echo "$failures failure(s)"
[ $failures = 0 ]
