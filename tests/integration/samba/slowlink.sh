#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A server behind a slow link: a proxy in the namespace holds every chunk
# 300 ms each way in front of a real smbd. Its shares are listed on the
# first scan, and on a second scan, next to a fast server that sets a short
# deadline for the unknown, the slow host is still not counted offline.
#
#   slowlink.sh LANTERRA_SCAN MUTE_SERVER LAB_LIB
set -u
scan=$1
. "$3"
here=$(cd "$(dirname "$0")" && pwd)

lab_can_netns || { echo "SKIP: needs root, smbd and network namespaces"; exit 77; }
command -v python3 >/dev/null || { echo "SKIP: needs python3"; exit 77; }

ns=lt-slow-$$
work=$(mktemp -d /tmp/lanterra-slowlink.XXXXXX)
chmod 0755 "$work"
failures=0

cleanup() {
    lab_pidfile_stop "$work/proxy.pid"
    lab_smbd_stop "$work/slow"
    lab_smbd_stop "$work/fast"
    lab_ns_down "$ns"
    rm -rf "$work"
}
trap cleanup EXIT

lab_ns_up "$ns" || exit 1
lab_hosts "$ns"
# The proxy listens on 127.0.20.1 and passes everything on to the smbd at
# 127.0.21.2, late.
lab_smbd_conf "$work/slow" SLOWHOST 127.0.21.2/24 LABNET plain
lab_smbd_conf "$work/fast" FASTHOST 127.0.22.3/24 LABNET plain
lab_smbd_start "$work/slow" "$ns" && lab_smbd_start "$work/fast" "$ns" || { echo "smbd did not start"; exit 1; }
lab_wait_port 127.0.21.2 445 "$ns" && lab_wait_port 127.0.22.3 445 "$ns" || { echo "smbd does not listen"; exit 1; }
ip netns exec "$ns" python3 "$here/slowproxy.py" 127.0.20.1 445 127.0.21.2 445 0.3 "$work/proxy.pid" \
    </dev/null >"$work/proxy.log" 2>&1 &
lab_wait_port 127.0.20.1 445 "$ns" || { echo "the proxy does not listen"; cat "$work/proxy.log"; exit 1; }

export HOME=$work/home
mkdir -p "$HOME"
doc=$work/slow.net
# Short enough that the old fixed deadline fails: a listing through the
# proxy takes several seconds.
export LANTERRA_LISTING_DEADLINE_MS=3000

# --- First scan: the slow host alone ---------------------------------------------
start=$(date +%s%N)
ip netns exec "$ns" "$scan" --no-all --hosts 127.0.20.1 --out "$doc" --format csv -q \
    > "$work/first.csv" 2> "$work/first.err"
status=$?
took=$(( ($(date +%s%N) - start) / 1000000 ))
echo "first scan: exit $status in ${took} ms"
cat "$work/first.csv"
lab_check "first scan exits 0" '[ $status = 0 ]'
lab_check "the slow host's four shares are listed" '[ $(grep -c ",127.0.20.1,.*,online," "$work/first.csv") = 4 ]'
line=$(lab_doc_host "$doc" 127.0.20.1)
echo "$line"
lab_check "the slow host answered (lastState 0, online 1, offline 0)" \
    '[ "$(lab_attr "$line" lastState)" = 0 ] && [ "$(lab_attr "$line" onlineCount)" = 1 ] && [ "$(lab_attr "$line" offlineCount)" = 0 ]'

# --- Second scan: a fast host answers first ----------------------------------------
ip netns exec "$ns" "$scan" "$doc" --no-all --hosts "127.0.22.3;127.0.20.1" --format csv -q \
    > "$work/second.csv" 2> "$work/second.err"
status=$?
echo "second scan: exit $status"
cat "$work/second.csv"
lab_check "second scan exits 0" '[ $status = 0 ]'
lab_check "the fast host's shares are listed" '[ $(grep -c ",127.0.22.3,.*,online," "$work/second.csv") = 4 ]'
lab_check "the slow host's shares are listed again" '[ $(grep -c ",127.0.20.1,.*,online," "$work/second.csv") = 4 ]'
line=$(lab_doc_host "$doc" 127.0.20.1)
echo "$line"
lab_check "the known slow host is not counted offline (online 2, offline 0)" \
    '[ "$(lab_attr "$line" onlineCount)" = 2 ] && [ "$(lab_attr "$line" offlineCount)" = 0 ] && [ "$(lab_attr "$line" lastState)" = 0 ]'

# --- A mute wait stays bounded --------------------------------------------------------
# With a ceiling below the link's listing time the slow host times out: the
# ceiling holds for everyone, known hosts included.
LANTERRA_LISTING_CEILING_MS=3000 ip netns exec "$ns" "$scan" "$doc" --no-all --no-save --format csv -q \
    > "$work/third.csv" 2> "$work/third.err"
lab_check "under a 3 s ceiling the slow host is not listed" '! grep -q ",127.0.20.1,.*,online," "$work/third.csv"'

echo "$failures failure(s)"
[ $failures = 0 ]
