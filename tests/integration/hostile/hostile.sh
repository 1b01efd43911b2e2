#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Hostile share names from real Samba servers inside a network namespace of
# its own: names built to break markup, shells, spreadsheets, text direction
# and line structure on one host, names of 2,000 characters and 1,400 bytes
# on another. lanterra-scan's text, CSV and JSON must be valid and safe, the
# saved document must parse as XML and give every name back exactly, and
# nothing may execute.
#
#   hostile.sh LANTERRA_SCAN LAB_LIB CHECKER
set -u
scan=$1
. "$2"
checker=$3
python=/usr/bin/python3

lab_can_netns || { echo "SKIP: needs root, smbd and network namespaces"; exit 77; }
[ -x "$python" ] || { echo "SKIP: needs python3"; exit 77; }

ns=lt-hostile-$$
work=$(mktemp -d /tmp/lanterra-hostile.XXXXXX)
chmod 0755 "$work"

cleanup() {
    lab_smbd_stop "$work/evil"
    lab_smbd_stop "$work/long"
    lab_ns_down "$ns"
    rm -rf "$work"
}
trap cleanup EXIT

lab_ns_up "$ns" || exit 1
lab_hosts "$ns" "127.0.12.1 evilhost" "127.0.12.2 longhost"
mkdir -p "$work/evil/share/common" "$work/long/share/common"
lab_smbd_conf "$work/evil" EVILHOST 127.0.12.1/24 LABNET none
"$python" "$checker" conf "$work/evil/share/common" hostile >> "$work/evil/smb.conf"
lab_smbd_conf "$work/long" LONGHOST 127.0.12.2/24 LABNET none
"$python" "$checker" conf "$work/long/share/common" long >> "$work/long/smb.conf"
lab_smbd_start "$work/evil" "$ns" && lab_smbd_start "$work/long" "$ns" || { echo "smbd did not start"; exit 1; }
lab_wait_port 127.0.12.1 445 "$ns" && lab_wait_port 127.0.12.2 445 "$ns" || { echo "smbd does not listen"; exit 1; }

export HOME=$work/home
mkdir -p "$HOME"
# A name that ran as a command would leave its trace here.
cd "$work" || exit 1
status=0
ip netns exec "$ns" "$scan" --no-all --hosts "evilhost;longhost" --out "$work/lab.net" --format json -q \
    > "$work/out.json" 2> "$work/scan.err" || status=$?
for format in csv text; do
    ip netns exec "$ns" "$scan" "$work/lab.net" --no-save --format $format -q \
        > "$work/out.${format/text/txt}" 2>> "$work/scan.err" || status=$?
done
cat "$work/scan.err"
echo "scans: exit $status"
cat "$work/out.txt"

failures=0
[ $status = 0 ] || { echo "FAIL a scan did not exit 0"; failures=1; }
echo "--- the host with hostile names"
"$python" "$checker" check "$work" evilhost hostile || failures=1
echo "--- the host with long names"
"$python" "$checker" check "$work" longhost long || failures=1
[ $failures = 0 ]
