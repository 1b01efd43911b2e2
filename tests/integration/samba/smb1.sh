#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Old NAS boxes that speak only SMB1 (server min and max protocol NT1), one
# listing anonymously, one only after a login. Without --allow-smb1 each is
# one smb1-only row, and the document records that it answered (not that it
# is switched off); with it the shares are listed, the login still answers
# with NTLMv2 only although both the server and the client machine's
# smb.conf would take NTLMv1 and LM. The client machine's smb.conf allows
# SMB1 as well: the preference decides, not that file.
#
#   smb1.sh LANTERRA_SCAN MUTE_SERVER LAB_LIB
set -u
scan=$1
. "$3"

lab_can_netns || { echo "SKIP: needs root, smbd and network namespaces"; exit 77; }
command -v smbpasswd >/dev/null || { echo "SKIP: smbpasswd is not installed"; exit 77; }
id daemon >/dev/null 2>&1 || { echo "SKIP: no Unix user daemon to log in as"; exit 77; }

ns=lt-smb1-$$
work=$(mktemp -d /tmp/lanterra-smb1.XXXXXX)
chmod 0755 "$work"
password='Pw-5e1b-secret'
failures=0

cleanup() {
    lab_smbd_stop "$work/oldnas"
    lab_smbd_stop "$work/oldsecure"
    lab_smbd_stop "$work/newnas"
    lab_ns_down "$ns"
    rm -rf "$work"
}
trap cleanup EXIT

only_nt1() {
    sed -i 's/server min protocol = NT1/server min protocol = NT1\n   server max protocol = NT1/' "$1/smb.conf"
}

lab_ns_up "$ns" || exit 1
lab_smbd_conf "$work/oldnas" OLDNAS 127.0.30.1/24 LAB plain nt1
only_nt1 "$work/oldnas"
lab_smbd_conf "$work/oldsecure" OLDSECURE 127.0.30.2/24 LAB "shares=Private" nt1
only_nt1 "$work/oldsecure"
# Refuses anonymous listing, accepts every kind of response, and logs the
# kind of each authentication.
sed -i 's/map to guest = bad user/map to guest = Never\n   restrict anonymous = 2\n   ntlm auth = yes\n   lanman auth = yes/;
        s/log level = 0/log level = 1 auth_audit:3/' "$work/oldsecure/smb.conf"
printf '%s\n%s\n' "$password" "$password" | smbpasswd -c "$work/oldsecure/smb.conf" -a -s daemon >/dev/null || exit 1
lab_smbd_conf "$work/newnas" NEWNAS 127.0.30.3/24 LAB "shares=Media"
for host in oldnas oldsecure newnas; do
    lab_smbd_start "$work/$host" "$ns" || { echo "smbd $host did not start"; exit 1; }
done
for address in 127.0.30.1 127.0.30.2 127.0.30.3; do
    lab_wait_port $address 445 "$ns" || { echo "smbd at $address does not listen"; exit 1; }
done

lab_client_conf "$ns" "$work/client" LAB
cat >> "/etc/netns/$ns/samba/smb.conf" <<CONF
   client min protocol = NT1
   client ntlmv2 auth = no
   client lanman auth = yes
CONF

export HOME=$work/home
mkdir -p "$HOME"
doc=$work/old.net
hosts="127.0.30.1;127.0.30.2;127.0.30.3;127.0.30.9"

run_scan() {
    local name=$1
    shift
    # The first listing of a freshly started smbd may take seconds on a
    # loaded machine; the deadline is not under test here.
    ip netns exec "$ns" env LANTERRA_LISTING_DEADLINE_MS=15000 "$scan" --no-all --hosts "$hosts" --out "$doc" --format csv -q "$@" \
        > "$work/$name.csv" 2> "$work/$name.err"
    status=$?
    echo "--- $name: exit $status"
    cat "$work/$name.csv" "$work/$name.err"
    for address in ${hosts//;/ }; do
        echo "$address: lastState onlineCount offlineCount $(state $address)"
    done
}

# state HOST  the lastState, onlineCount and offlineCount of a host of the document
state() {
    local line
    line=$(lab_doc_host "$doc" "$1")
    echo "$(lab_attr "$line" lastState) $(lab_attr "$line" onlineCount) $(lab_attr "$line" offlineCount)"
}

# --- Without the setting: one row each, answered, not offline -----------------
# (a new document, saved to $doc; the later scans load it)
run_scan plain
lab_check "plain scan exits 0" '[ $status = 0 ]'
for address in 127.0.30.1 127.0.30.2; do
    lab_check "$address is one smb1-only row" \
        "[ \"\$(grep -c ',$address,' '$work/plain.csv')\" = 1 ] && grep -q '^,$address,$address,,.*,smb1-only,\$' '$work/plain.csv'"
    lab_check "$address answered and speaks only SMB1 (384, online 1, offline 0)" "[ \"\$(state $address)\" = '384 1 0' ]"
done
lab_check "the newer server lists as before" "grep -q '^,127.0.30.3,127.0.30.3,Media,.*,online,' '$work/plain.csv'"
lab_check "the address nobody answers at is offline (53)" "[ \"\$(state 127.0.30.9)\" = '53 0 1' ]"

# --- With --allow-smb1: listed, and a login stays NTLMv2 ---------------------
run_scan allowed "$doc" --allow-smb1 --user "daemon%$password"
lab_check "allowed scan exits 0" '[ $status = 0 ]'
for share in Music Films Installs Documents; do
    lab_check "OLDNAS lists $share" "grep -q '^,127.0.30.1,127.0.30.1,$share,.*,online,' '$work/allowed.csv'"
done
lab_check "OLDSECURE lists Private with the login" "grep -q '^,127.0.30.2,127.0.30.2,Private,.*,online,' '$work/allowed.csv'"
lab_check "no smb1-only row is left" "! grep -q smb1-only '$work/allowed.csv'"
lab_check "OLDNAS listed (0, online 2)" "[ \"\$(state 127.0.30.1)\" = '0 2 0' ]"
sleep 1 # smbd writes its log after the reply
logins=$(cat "$work/oldsecure"/log.* 2>/dev/null | grep -o 'user \[[^]]*\]\\\[daemon\].* with \[[^]]*\]' | sed 's/.* with //' | sort | uniq -c)
echo "authentications of daemon at OLDSECURE by kind:"
echo "$logins"
lab_check "daemon authenticated at OLDSECURE, and only with NTLMv2" \
    "[ -n \"\$logins\" ] && ! grep -qv 'NTLMv2' <<<\"\$logins\""

# --- The setting off again: the entry comes back, still counted online --------
run_scan again "$doc"
lab_check "third scan exits 0" '[ $status = 0 ]'
# Its shares wait behind the entry, as those of a host that wants a login.
lab_check "OLDNAS is an smb1-only row again, with no share online" \
    "grep -q '^,127.0.30.1,127.0.30.1,,.*,smb1-only,\$' '$work/again.csv' && ! grep -q '^,127.0.30.1,.*,online,' '$work/again.csv'"
lab_check "OLDNAS counted online a third time (384, online 3)" "[ \"\$(state 127.0.30.1)\" = '384 3 0' ]"

[ "$failures" = 0 ]
