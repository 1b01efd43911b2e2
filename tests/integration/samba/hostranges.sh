#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Host-list ranges against real Samba servers in a network namespace of its
# own: a network (a.b.c.d/n) and a short range (a.b.c.d-e) find both
# servers; an entry written like an address that is none is refused before
# anything is probed.
#
#   hostranges.sh LANTERRA_SCAN MUTE_SERVER LAB_LIB
set -u
scan=$1
. "$3"

lab_can_netns || { echo "SKIP: needs root, smbd and network namespaces"; exit 77; }

ns=lt-range-$$
work=$(mktemp -d /tmp/lanterra-ranges.XXXXXX)
chmod 0755 "$work"
failures=0

cleanup() {
    lab_smbd_stop "$work/hosta"
    lab_smbd_stop "$work/hostb"
    lab_ns_down "$ns"
    rm -rf "$work"
}
trap cleanup EXIT

lab_ns_up "$ns" || exit 1
lab_hosts "$ns"
lab_smbd_conf "$work/hosta" HOSTA 127.0.20.2/24 LABNET shares=Music,Films
lab_smbd_conf "$work/hostb" HOSTB 127.0.20.5/24 LABNET shares=Installs
lab_smbd_start "$work/hosta" "$ns" && lab_smbd_start "$work/hostb" "$ns" || { echo "smbd did not start"; exit 1; }
lab_wait_port 127.0.20.2 445 "$ns" && lab_wait_port 127.0.20.5 445 "$ns" || { echo "smbd does not listen"; exit 1; }

export HOME=$work/home
mkdir -p "$HOME"

# scan NAME HOSTS: the CSV in $work/NAME.csv, the document in $work/NAME.net
scan() {
    ip netns exec "$ns" "$scan" --no-all --hosts "$2" --out "$work/$1.net" --format csv -q \
        > "$work/$1.csv" 2> "$work/$1.err"
}

range_hosts() { # document: the hosts made from addresses
    iconv -f UTF-16 -t UTF-8 "$1" | grep -c '<host name="" addr="'
}

# --- A network: its hosts between its own and its broadcast address -----------
scan network 127.0.20.0/29
status=$?
cat "$work/network.csv"
lab_check "network scan exits 0" '[ $status = 0 ]'
lab_check "network finds 127.0.20.2's shares" \
    'grep -q ",127.0.20.2,127.0.20.2,Music,.*,online," "$work/network.csv" && grep -q ",127.0.20.2,127.0.20.2,Films,.*,online," "$work/network.csv"'
lab_check "network finds 127.0.20.5's share" 'grep -q ",127.0.20.5,127.0.20.5,Installs,.*,online," "$work/network.csv"'
lab_check "a /29 makes its six hosts" '[ "$(range_hosts "$work/network.net")" = 6 ]'
lab_check "not its own address" '[ -z "$(lab_doc_host "$work/network.net" 127.0.20.0)" ]'
lab_check "not its broadcast address" '[ -z "$(lab_doc_host "$work/network.net" 127.0.20.7)" ]'

# --- A short range: the last part of the second address alone -----------------
scan short '127.0.20.2-5'
status=$?
cat "$work/short.csv"
lab_check "short range scan exits 0" '[ $status = 0 ]'
lab_check "short range finds both servers" \
    '[ $(grep -c ",online," "$work/short.csv") = 3 ] && grep -q ",127.0.20.5,.*Installs" "$work/short.csv"'
lab_check "2-5 makes four hosts" '[ "$(range_hosts "$work/short.net")" = 4 ]'

# --- Entries that are no address: exit 2, named, nothing probed or saved ------
for entry in 127.0.20.300 127.0.20.0/33; do
    scan refused "hosta;$entry"
    status=$?
    lab_check "$entry refused with exit 2" '[ $status = 2 ]'
    lab_check "$entry named on standard error" 'grep -qF "\"$entry\" is neither an address nor an address range" "$work/refused.err"'
    lab_check "$entry: nothing saved" '[ ! -e "$work/refused.net" ]'
done

echo "$failures failure(s)"
[ $failures = 0 ]
