#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A login answers with NTLMv2 only: the client machine's smb.conf allows
# NTLMv1 and LM (client ntlmv2 auth = no, client lanman auth = yes) and the
# server accepts them (ntlm auth = yes, lanman auth = yes, NT1 allowed);
# the server's authentication log must still say NTLMv2 for every login,
# and the shares are listed.
#
#   ntlmv2.sh LANTERRA_SCAN MUTE_SERVER LAB_LIB
set -u
scan=$1
. "$3"

lab_can_netns || { echo "SKIP: needs root, smbd and network namespaces"; exit 77; }
command -v smbpasswd >/dev/null || { echo "SKIP: smbpasswd is not installed"; exit 77; }
id daemon >/dev/null 2>&1 || { echo "SKIP: no Unix user daemon to log in as"; exit 77; }

prefix=lt-v2-$$
server=$prefix-s
client=$prefix-c
work=$(mktemp -d /tmp/lanterra-ntlmv2.XXXXXX)
chmod 0755 "$work"
password='Pw-71ad-secret'
failures=0

cleanup() {
    lab_smbd_stop "$work/secure"
    lab_ns_down "$server"
    lab_ns_down "$client"
    rm -rf "$work"
}
trap cleanup EXIT

lab_ns_up "$server" && lab_ns_up "$client" || exit 1
ip -n "$server" link add eth0 type veth peer name eth0 netns "$client" || exit 1
ip -n "$server" addr add 10.78.0.2/24 dev eth0
ip -n "$server" link set eth0 up
ip -n "$client" addr add 10.78.0.100/24 dev eth0
ip -n "$client" link set eth0 up

lab_smbd_conf "$work/secure" SECURE 10.78.0.2/24 LAB "shares=Music,Private" nt1
# Refuses anonymous listing, accepts every kind of response, and logs the
# kind of each authentication.
sed -i 's/map to guest = bad user/map to guest = Never\n   restrict anonymous = 2\n   ntlm auth = yes\n   lanman auth = yes/;
        s/log level = 0/log level = 1 auth_audit:3/' "$work/secure/smb.conf"
printf '%s\n%s\n' "$password" "$password" | smbpasswd -c "$work/secure/smb.conf" -a -s daemon >/dev/null || exit 1
lab_smbd_start "$work/secure" "$server" || { echo "smbd did not start"; exit 1; }
lab_wait_port 10.78.0.2 445 "$server" || { echo "smbd does not listen"; exit 1; }

# The client machine's own configuration would allow the weak responses.
lab_client_conf "$client" "$work/client" LAB
cat >> "/etc/netns/$client/samba/smb.conf" <<CONF
   client ntlmv2 auth = no
   client lanman auth = yes
   client min protocol = NT1
CONF

export HOME=$work/home
mkdir -p "$HOME"
ip netns exec "$client" "$scan" --no-all --hosts 10.78.0.2 --user "daemon%$password" \
    --no-save --format csv -q > "$work/user.csv" 2> "$work/user.err"
cat "$work/user.csv"
lab_check "the login lists SECURE's shares" "grep -q '^,10.78.0.2,10.78.0.2,Private,.*,online,' '$work/user.csv'"

sleep 1 # smbd writes its log after the reply
logins=$(cat "$work/secure"/log.* 2>/dev/null | grep -o 'user \[[^]]*\]\\\[daemon\].* with \[[^]]*\]' | sed 's/.* with //' | sort | uniq -c)
echo "authentications of daemon by kind:"
echo "$logins"
lab_check "daemon authenticated, and only with NTLMv2" \
    "[ -n \"\$logins\" ] && ! grep -qv 'NTLMv2' <<<\"\$logins\""

[ "$failures" = 0 ]
