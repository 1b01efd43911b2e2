#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Kerberos against a real domain controller: a Samba AD DC provisioned into
# a temporary folder inside a network namespace of its own, serving a share
# while refusing anonymous listing, a user of its domain, and a ticket from
# MIT kinit in a cache file of the test's own. From a client namespace:
#  - lanterra-scan lists the share with the ticket and no password, and the
#    cache then holds the ticket for the server's name;
#  - without a ticket (no cache, an empty cache) the server is one
#    login-needed row;
#  - the window (WINDOW_CHECK, a program with the real main window) lists
#    the share on F5 with the ticket.
#
#   kerberos.sh LANTERRA_SCAN LAB_LIB [WINDOW_CHECK]
set -u
scan=$1
. "$2"
window=${3:-}

for tool in samba samba-tool kinit klist; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (samba-ad-dc, krb5-user)"; exit 77; }
done
[ -d /usr/share/samba/setup ] || { echo "SKIP: samba-ad-provision is not installed"; exit 77; }
lab_can_netns || { echo "SKIP: needs root, smbd and network namespaces"; exit 77; }

prefix=lt-kr-$$
dc=$prefix-d
client=$prefix-c
work=$(mktemp -d /tmp/lanterra-kerberos.XXXXXX)
chmod 0755 "$work"
dcdir=$work/dc
address=10.91.0.2
name=dc1.lab.example
adminpass='Adm-9q4k-Lab!'
password='Al1ce-7x2m-Tkt!'
failures=0

# Every process in the DC's namespace is one this test started: the samba
# master, and the smbd, winbindd and RPC daemons it started, which do not
# all end with the master.
stop_namespace() {
    local ns=$1 pids
    ip netns list | grep -qw "$ns" || return 0
    pids=$(ip netns pids "$ns" 2>/dev/null)
    [ -n "$pids" ] || return 0
    kill $pids 2>/dev/null
    # shellcheck disable=SC2086 # one word per process
    lab_reap $pids
}

cleanup() {
    stop_namespace "$dc"
    stop_namespace "$client"
    lab_ns_down "$dc"
    lab_ns_down "$client"
    rm -rf "$work"
}
trap cleanup EXIT

lab_ns_up "$dc" && lab_ns_up "$client" || exit 1
ip -n "$dc" link add eth0 type veth peer name eth0 netns "$client" || exit 1
ip -n "$dc" addr add $address/24 dev eth0
ip -n "$dc" link set eth0 up
ip -n "$client" addr add 10.91.0.100/24 dev eth0
ip -n "$client" link set eth0 up
lab_hosts "$dc" "$address $name dc1"
lab_hosts "$client" "$address $name dc1"
lab_client_conf "$client" "$work/client" LAB
# Provisioning starts from the smb.conf it finds: an empty one of the
# namespace's own (over /etc/samba), not the machine's.
mkdir -p "/etc/netns/$dc/samba"
: > "/etc/netns/$dc/samba/smb.conf"

started=$(date +%s)
ip netns exec "$dc" samba-tool domain provision --realm=LAB.EXAMPLE --domain=LAB --server-role=dc \
    --dns-backend=NONE --adminpass="$adminpass" --host-name=dc1 --host-ip=$address --targetdir="$dcdir" \
    --option="interfaces=$address" --option="bind interfaces only=yes" > "$work/provision.log" 2>&1 \
    || { tail -20 "$work/provision.log"; echo "provisioning failed"; exit 1; }
# As little changed as can be: its own log, pid and RPC socket folders, no
# anonymous listing, and a share. winbindd's socket folder stays where the
# client library looks for it: moved, every session setup fails.
conf=$dcdir/etc/smb.conf
mkdir -p "$dcdir/run" "$dcdir/share/Vault"
sed -i -e "/^\s*log file = /d" \
    -e "s|^\[global\]|[global]\n\tlog file = $dcdir/log.%m\n\tpid directory = $dcdir/run\n\tncalrpc dir = $dcdir/ncalrpc\n\trestrict anonymous = 2|" "$conf"
printf '[Vault]\n\tpath = %s\n\tread only = yes\n' "$dcdir/share/Vault" >> "$conf"
# The daemons it starts are given this path: it must be absolute.
ip netns exec "$dc" samba -i -s "$conf" > "$work/samba.log" 2>&1 &
for port in 88 389 445; do
    lab_wait_port $address $port "$dc" 60 || { tail -20 "$work/samba.log"; echo "samba does not listen on $port"; exit 1; }
done
ip netns exec "$dc" samba-tool user create alice "$password" -H ldap://$address -U "administrator%$adminpass" \
    > "$work/user.log" 2>&1 || { cat "$work/user.log"; echo "the user was not created"; exit 1; }
echo "domain controller up in $(($(date +%s) - started)) s"

cat > "$work/krb5.conf" <<CONF
[libdefaults]
	default_realm = LAB.EXAMPLE
	dns_lookup_kdc = false
	dns_lookup_realm = false
	rdns = false
[realms]
	LAB.EXAMPLE = {
		kdc = $address
	}
[domain_realm]
	.lab.example = LAB.EXAMPLE
	lab.example = LAB.EXAMPLE
CONF
export KRB5_CONFIG=$work/krb5.conf
export HOME=$work/home
mkdir -p "$HOME"
ticket=$work/alice.cc
printf '%s\n' "$password" | KRB5CCNAME=FILE:$ticket ip netns exec "$client" kinit alice@LAB.EXAMPLE > "$work/kinit.log" 2>&1 \
    || { cat "$work/kinit.log"; echo "kinit failed"; exit 1; }

# With the ticket and no password: the share is listed.
KRB5CCNAME=FILE:$ticket ip netns exec "$client" "$scan" --no-all --hosts $name --no-save --format csv -q \
    > "$work/ticket.csv" 2> "$work/ticket.err"
cat "$work/ticket.csv"
lab_check "with the ticket lanterra-scan lists the share" \
    "grep -qF ',$name,$address,Vault,\\\\$name\\Vault,online,' '$work/ticket.csv' && ! grep -q login-needed '$work/ticket.csv'"
lab_check "the listing used the ticket for the server's name" \
    "KRB5CCNAME=FILE:$ticket klist | grep -q 'cifs/$name@LAB.EXAMPLE'"

# Without a ticket: one login-needed row (a refusal ties the name to no
# address, so the row may carry none).
: > "$work/empty.cc"
for cache in "$work/absent.cc" "$work/empty.cc"; do
    KRB5CCNAME=FILE:$cache ip netns exec "$client" "$scan" --no-all --hosts $name --no-save --format csv -q \
        > "$work/none.csv" 2>&1
    cat "$work/none.csv"
    lab_check "without a ticket ($(basename "$cache")) the server is one login-needed row" \
        "[ \$(grep -c ',$name,' '$work/none.csv') = 1 ] && grep -qE ',$name,($address)?,,\\\\\\\\$name,login-needed,' '$work/none.csv'"
done

# The window, F5, with the ticket.
if [ -n "$window" ]; then
    mkdir -p "$work/run"
    chmod 0700 "$work/run"
    KRB5CCNAME=FILE:$ticket ip netns exec "$client" env QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work/run" \
        DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/lanterra-tests-bus \
        LANTERRA_KRB_HOST=$name LANTERRA_KRB_SHARE=Vault "$window" > "$work/window.log" 2>&1
    status=$?
    cat "$work/window.log"
    lab_check "the window lists the share on F5 with the ticket" "[ $status = 0 ] && grep -q '^PASS.*refreshListsTheShareWithTheTicket' '$work/window.log'"
else
    echo "skip the window: no window check program was built"
fi

echo "run time $(($(date +%s) - started)) s"
echo "$failures failure(s)"
[ $failures = 0 ]
