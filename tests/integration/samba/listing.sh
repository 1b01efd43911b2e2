#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Share listings of real Samba servers inside a network namespace of its own:
# two live servers, a refused address, a dropping address and a mute server;
# then a second scan after one server has stopped.
#
#   listing.sh LANTERRA_SCAN MUTE_SERVER LAB_LIB
set -u
scan=$1 mute=$2
. "$3"

lab_can_netns || { echo "SKIP: needs root, smbd and network namespaces"; exit 77; }

ns=lt-list-$$
sink=$ns-sink
work=$(mktemp -d /tmp/lanterra-listing.XXXXXX)
chmod 0755 "$work"
failures=0

cleanup() {
    lab_smbd_stop "$work/hosta"
    lab_smbd_stop "$work/hostb"
    lab_pidfile_stop "$work/mute.pid"
    lab_ns_down "$ns"
    lab_ns_down "$sink"
    rm -rf "$work"
}
trap cleanup EXIT

lab_ns_up "$ns" || exit 1
lab_hosts "$ns" "127.0.10.1 hosta" "127.0.10.2 hostb"
lab_smbd_conf "$work/hosta" HOSTA 127.0.10.1/24 LABNET full
lab_smbd_conf "$work/hostb" HOSTB 127.0.10.2/24 LABNET plain
lab_smbd_start "$work/hosta" "$ns" && lab_smbd_start "$work/hostb" "$ns" || { echo "smbd did not start"; exit 1; }
lab_wait_port 127.0.10.1 445 "$ns" && lab_wait_port 127.0.10.2 445 "$ns" || { echo "smbd does not listen"; exit 1; }
lab_drop_addresses "$ns" "$sink" 10.77.0.2 || { echo "cannot set up the dropping address"; exit 1; }
lab_mute_start "$ns" "$work/mute.pid" "$mute" 127.0.10.5 || { echo "mute server did not start"; exit 1; }

export HOME=$work/home
mkdir -p "$HOME"
doc=$work/lab.net
hosts="hosta;hostb;127.0.10.9;10.77.0.2;127.0.10.5"

run_scan() {
    ip netns exec "$ns" env LANTERRA_LISTING_DEADLINE_MS=3000 "$scan" --no-all --hosts "$hosts" \
        --out "$doc" --format csv -q "$@"
}

# --- First scan: everything as it is ------------------------------------------
start=$(date +%s%N)
run_scan > "$work/first.csv" 2> "$work/first.err"
status=$?
took=$(( ($(date +%s%N) - start) / 1000000 ))
echo "first scan: exit $status in ${took} ms"
cat "$work/first.csv"

lab_check "first scan exits 0" '[ $status = 0 ]'
lab_check "first scan ends within 12 s despite drop and mute" '[ $took -lt 12000 ]'
lab_check "csv header" 'head -n 1 "$work/first.csv" | grep -qx "workgroup,host,address,share,unc,state,group"'
for share in Music Films Installs Documents 'D\$' 'print\$'; do
    lab_check "hosta lists $share online" "grep -q '^,hosta,127.0.10.1,$share,\\\\\\\\hosta\\\\$share,online,' \"\$work/first.csv\""
done
for share in Laser 'IPC\$' secret; do
    lab_check "hosta does not list $share" "! grep -q ',hosta,.*,$share,' \"\$work/first.csv\""
done
lab_check "hostb lists its four disk shares" '[ $(grep -c ",hostb,127.0.10.2,.*,online," "$work/first.csv") = 4 ]'
lab_check "nothing from the refused, dropping or mute addresses" '! grep -qE "127.0.10.9|10.77.0.2|127.0.10.5" "$work/first.csv"'

lab_check "document written" '[ -s "$doc" ]'
line=$(lab_doc_host "$doc" hosta)
lab_check "hosta answered (lastState 0, online 1)" '[ "$(lab_attr "$line" lastState)" = 0 ] && [ "$(lab_attr "$line" onlineCount)" = 1 ]'
for address in 127.0.10.9 10.77.0.2; do
    line=$(lab_doc_host "$doc" $address)
    lab_check "$address unreachable (lastState 53, offline 1)" \
        '[ "$(lab_attr "$line" lastState)" = 53 ] && [ "$(lab_attr "$line" offlineCount)" = 1 ]'
done
line=$(lab_doc_host "$doc" 127.0.10.5)
lab_check "mute server timed out (lastState 121, offline 1)" \
    '[ "$(lab_attr "$line" lastState)" = 121 ] && [ "$(lab_attr "$line" offlineCount)" = 1 ]'

# --- Second scan: hostb has stopped -------------------------------------------
lab_smbd_stop "$work/hostb"
ip netns exec "$ns" "$scan" "$doc" --no-all --format csv -q > "$work/second.csv" 2> "$work/second.err"
status=$?
echo "second scan: exit $status"
cat "$work/second.csv"
lab_check "second scan exits 0" '[ $status = 0 ]'
lab_check "hostb's shares stay, offline" '[ $(grep -c ",hostb,127.0.10.2,.*,offline," "$work/second.csv") = 4 ]'
lab_check "hosta still online" '[ $(grep -c ",hosta,.*,online," "$work/second.csv") = 6 ]'
line=$(lab_doc_host "$doc" hostb)
lab_check "hostb counts one online, one offline probe" \
    '[ "$(lab_attr "$line" onlineCount)" = 1 ] && [ "$(lab_attr "$line" offlineCount)" = 1 ] && [ "$(lab_attr "$line" lastState)" = 53 ]'
line=$(lab_doc_host "$doc" hosta)
lab_check "hosta counts two online probes" '[ "$(lab_attr "$line" onlineCount)" = 2 ]'

# --- Bad arguments and unreadable documents --------------------------------------
"$scan" --format yaml >/dev/null 2>"$work/bad.err"
lab_check "bad arguments exit 2 with one line" '[ $? = 2 ] && [ $(wc -l < "$work/bad.err") = 1 ]'
"$scan" "$work/missing.net" --no-all -q >/dev/null 2>&1
lab_check "a missing document exits 1" '[ $? = 1 ]'

echo "$failures failure(s)"
[ $failures = 0 ]
