#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Share lists no ordinary server has, from real Samba servers inside a
# network namespace of their own: one whose share names hold a control
# character, a tab and a line break (registry shares), and one that lists
# 5,000 shares, of which the first 4,096 are kept and the cut is told.
# (A Samba server with 100,000 shares is no use here: its RPC workers each
# parse the whole configuration, which on a shared machine takes longer than
# the client waits for the pipe to open.)
#
#   sharelists.sh LANTERRA_SCAN MUTE_SERVER LAB_LIB
set -u
scan=$1
. "$3"

lab_can_netns || { echo "SKIP: needs root, smbd and network namespaces"; exit 77; }
command -v net >/dev/null || { echo "SKIP: net (samba-common-bin) is not installed"; exit 77; }

ns=lt-lists-$$
work=$(mktemp -d /tmp/lanterra-sharelists.XXXXXX)
chmod 0755 "$work"
failures=0

cleanup() {
    lab_smbd_stop "$work/odd"
    lab_smbd_stop "$work/huge"
    lab_ns_down "$ns"
    rm -rf "$work"
}
trap cleanup EXIT

lab_ns_up "$ns" || exit 1
lab_hosts "$ns" "127.0.12.1 odd" "127.0.12.2 huge"
lab_client_conf "$ns" "$work/client" LABNET

# ODD: three registry shares whose names hold \x01, a tab and a line break,
# beside two plain ones.
lab_smbd_conf "$work/odd" ODD 127.0.12.1/24 LABNET shares=Plain,Zebra
sed -i 's/^\[global\]/[global]\n   registry shares = yes/' "$work/odd/smb.conf"
odd_names=("$(printf 'Ctl\001One')" "$(printf 'Tab\tTwo')" "$(printf 'Line\nThree')")
for name in "${odd_names[@]}"; do
    net -s "$work/odd/smb.conf" conf addshare "$name" "$work/odd/share/Plain" writeable=n guest_ok=y \
        || { echo "cannot add a registry share"; exit 1; }
done

# HUGE: 5,000 shares, all of one folder.
lab_smbd_conf "$work/huge" HUGE 127.0.12.2/24 LABNET shares=First
for i in $(seq -w 1 4999); do
    printf '[S%s]\n   path = %s\n   guest ok = yes\n' "$i" "$work/huge/share/First"
done >> "$work/huge/smb.conf"

lab_smbd_start "$work/odd" "$ns" && lab_smbd_start "$work/huge" "$ns" || { echo "smbd did not start"; exit 1; }
lab_wait_port 127.0.12.1 445 "$ns" && lab_wait_port 127.0.12.2 445 "$ns" 60 || { echo "smbd does not listen"; exit 1; }
export HOME=$work/home
mkdir -p "$HOME"

# --- Control characters -------------------------------------------------------
# run_odd FORMAT  the shares of ODD in FORMAT on standard output
run_odd() {
    ip netns exec "$ns" "$scan" --no-all --hosts odd --out "$work/odd.net" --format "$1" -q 2> "$work/odd-$1.err"
}
run_odd json > "$work/odd.json"
run_odd csv > "$work/odd.csv"
run_odd text > "$work/odd.txt"
cat "$work/odd.csv"
lab_check "csv: all five shares are listed" "[ \$(grep -c ',odd,127.0.12.1,' '$work/odd.csv') = 5 ]"
lab_check "csv: \\x01, the tab and the line break are written as \\uXXXX" \
    "grep -qF 'Ctl\\u0001One' '$work/odd.csv' && grep -qF 'Tab\\u0009Two' '$work/odd.csv' && grep -qF 'Line\\u000AThree' '$work/odd.csv'"
lab_check "text: each share on a line of its own, written the same way" \
    "[ \$(grep -c '127.0.12.1' '$work/odd.txt') = 5 ] && grep -qF 'Line\\u000AThree' '$work/odd.txt'"
# odd_names_exact FILE  the JSON output holds exactly ODD's five names
odd_names_exact() {
    /usr/bin/python3 - "$1" <<'PY'
import json, sys
names = sorted(row['share'] for row in json.load(open(sys.argv[1])))
sys.exit(names != sorted(['Plain', 'Zebra', 'Ctl\x01One', 'Tab\tTwo', 'Line\nThree']))
PY
}
lab_check "json: every name exactly" "odd_names_exact '$work/odd.json'"
# The saved document, read back with ODD gone: the names as they were stored.
lab_smbd_stop "$work/odd"
ip netns exec "$ns" "$scan" "$work/odd.net" --no-save --format json -q > "$work/odd-again.json" 2>/dev/null
lab_check "the document gives back the same five names exactly" "odd_names_exact '$work/odd-again.json'"

# --- 5,000 shares -----------------------------------------------------------
start=$(date +%s%N)
ip netns exec "$ns" env LANTERRA_LISTING_UNKNOWN_MS=120000 LANTERRA_LISTING_CEILING_MS=120000 \
    "$scan" --no-all --hosts huge --out "$work/huge.net" --format json > "$work/huge.json" 2> "$work/huge.err"
status=$?
echo "5,000 shares: exit $status in $(( ($(date +%s%N) - start) / 1000000 )) ms"
tail -n 3 "$work/huge.err"
lab_check "the scan exits 0" "[ $status = 0 ]"
lab_check "the first 4,096 shares are kept" \
    "/usr/bin/python3 -c 'import json,sys; sys.exit(len([r for r in json.load(open(sys.argv[1])) if r[\"host\"]==\"huge\"]) != 4096)' '$work/huge.json'"
host=$(lab_doc_host "$work/huge.net" huge)
echo "$host"
lab_check "HUGE answered (lastState 0, online)" "[ '$(lab_attr "$host" lastState)' = 0 ] && [ '$(lab_attr "$host" onlineCount)' = 1 ]"
lab_check "the cut is told on standard error" "grep -q 'huge lists more than 4096 shares; 904 were left out' '$work/huge.err'"
lab_check "json tells the cut with each of the host's shares" \
    "/usr/bin/python3 -c 'import json,sys; sys.exit(any(r[\"hostSharesLeftOut\"]!=904 for r in json.load(open(sys.argv[1]))))' '$work/huge.json'"
# Text: the summary after the shares tells it; -q keeps standard error quiet.
ip netns exec "$ns" env LANTERRA_LISTING_UNKNOWN_MS=120000 LANTERRA_LISTING_CEILING_MS=120000 \
    "$scan" --no-all --hosts huge --no-save -q > "$work/huge.txt" 2> "$work/huge-quiet.err"
tail -n 2 "$work/huge.txt"
lab_check "text: the summary tells the cut" "tail -n 1 '$work/huge.txt' | grep -q 'huge lists more than 4096 shares; 904 were left out'"
lab_check "-q: nothing on standard error" "[ ! -s '$work/huge-quiet.err' ]"

echo "$failures failure(s)"
[ $failures = 0 ]
