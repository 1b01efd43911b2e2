#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A Samba server with only an IPv6 address (a ULA) in a network namespace of
# its own, found by its address as typed in several ways and by a name that
# resolves to that address only.
#
#   ipv6.sh LANTERRA_SCAN MUTE_SERVER LAB_LIB
set -u
scan=$1
. "$3"

lab_can_netns || { echo "SKIP: needs root, smbd and network namespaces"; exit 77; }

ns=lt-six-$$
work=$(mktemp -d /tmp/lanterra-ipv6.XXXXXX)
chmod 0755 "$work"
failures=0
six=fd10:107::6

cleanup() {
    lab_smbd_stop "$work/sixonly"
    lab_ns_down "$ns"
    rm -rf "$work"
}
trap cleanup EXIT

lab_ns_up "$ns" || exit 1
ip -n "$ns" addr add "$six/128" dev lo nodad || { echo "cannot add $six"; exit 1; }
lab_hosts "$ns" "$six sixonly"
lab_smbd_conf "$work/sixonly" SIXONLY "$six/128" LABNET shares=Music,Films
lab_smbd_start "$work/sixonly" "$ns" || { echo "smbd did not start"; exit 1; }
for ((i = 0; i < 200; i++)); do
    ip netns exec "$ns" ss -Hltn "sport = :445" 2>/dev/null | grep -qF "[$six]:445" && break
    sleep 0.1
done
ip netns exec "$ns" ss -Hltn "sport = :445" | grep -qF "[$six]:445" || { echo "smbd does not listen on $six"; exit 1; }
lab_check "the name resolves to no IPv4 address" '! ip netns exec "$ns" getent ahostsv4 sixonly >/dev/null'

export HOME=$work/home
mkdir -p "$HOME"

# scan NAME HOSTS: the CSV in $work/NAME.csv, the document in $work/NAME.net
scan() {
    ip netns exec "$ns" env LANTERRA_LISTING_DEADLINE_MS=5000 "$scan" --no-all --hosts "$2" \
        --out "$work/$1.net" --format csv -q > "$work/$1.csv" 2> "$work/$1.err"
}

n=0
for entry in "$six" "[$six]" "FD10:0107:0:0::6" sixonly; do
    n=$((n + 1))
    scan "entry$n" "$entry"
    status=$?
    cat "$work/entry$n.csv"
    lab_check "$entry: exit 0" '[ $status = 0 ]'
    lab_check "$entry: Music and Films online at $six" \
        '[ $(grep -c ",$six,.*,online," "$work/entry$n.csv") = 2 ] && grep -q ",$six,Music," "$work/entry$n.csv"'
    line=$(iconv -f UTF-16 -t UTF-8 "$work/entry$n.net" | grep -m1 "addr=\"$six\"")
    lab_check "$entry: the document keeps the canonical address" '[ -n "$line" ] && [ "$(lab_attr "$line" lastState)" = 0 ]'
done

# Written twice, one host.
scan twice "$six;[FD10:107::6]"
lab_check "one host for two spellings" '[ $(grep -c ",online," "$work/twice.csv") = 2 ]'

echo "$failures failure(s)"
[ $failures = 0 ]
