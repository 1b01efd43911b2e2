#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A small network of real Samba servers inside the network namespace
# "lanterra-demo", to try the program on without touching any real network.
# Besides the listed servers it holds one that wants a login and, on a link
# of its own (namespace "lanterra-demo-studio", joined by a veth pair), one
# that no list names: it announces itself by WS-Discovery only, so a scan
# finds it only with discovery on.
#
#   demo-network.sh start         start the servers (root needed)
#   demo-network.sh stop          stop them and delete the namespace
#   demo-network.sh exec CMD...   run a command inside the namespace
#   demo-network.sh hosts         the host list, ";"-separated, for a document's host rules
#   demo-network.sh login         the server that wants a login, its user and password:
#                                 "HOST USER PASSWORD"
#   demo-network.sh announced     the host found by WS-Discovery only: "NAME ADDRESS"
#   demo-network.sh switch-on     start the laptop's server (it is down otherwise)
#   demo-network.sh switch-off    stop it again: a scan then shows its shares offline
#
# Every server keeps its state in $LANTERRA_DEMO_DIR (default /tmp/lanterra-demo).
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lab-lib.sh"

ns=lanterra-demo
dir=${LANTERRA_DEMO_DIR:-/tmp/lanterra-demo}
workgroup=HOME

# name  address     shares
servers=(
    "mediaserver 127.0.30.1 Music,Films,Photos,Videos"
    "fileserver  127.0.30.2 Documents,Installs,Software,D\$"
    "nas         127.0.30.3 Music,Movies,Backup,Installs,Games"
    "office-pc   127.0.30.4 Documents,Scans,print\$"
)
# Listed, but switched off unless asked for.
down="laptop 127.0.30.9"
down_shares="Photos,Music"
# Listed, but lists its shares only to a user with a password (no guest,
# no anonymous listing). The Unix user behind the login must exist on every
# Debian system; the server maps the demo's user name onto it.
login_server="vault 127.0.30.5 Accounts,Contracts"
login_user=demo
login_password=lanterra
login_unix_user=daemon
# Named by no list or range: a link of its own, announced by wsdd only.
announced="studio 10.30.0.20 Projects,Samples"
announced_ns=$ns-studio
link_address=10.30.0.1

host_names() {
    local entry names=()
    for entry in "${servers[@]}" "$login_server" "$down"; do
        read -r name _ <<<"$entry"
        names+=("$name")
    done
    (IFS=';'; echo "${names[*]}")
}

start() {
    if ip netns list | grep -qw "$ns"; then
        echo "The demo network is already running (stop it with: $0 stop)."
        return 0
    fi
    [ "$(id -u)" = 0 ] || { echo "Starting the demo network needs root." >&2; return 1; }
    command -v smbd >/dev/null || { echo "smbd is not installed (apt-get install samba)." >&2; return 1; }
    [ -x /usr/sbin/wsdd ] || { echo "wsdd is not installed (apt-get install wsdd)." >&2; return 1; }
    id "$login_unix_user" >/dev/null 2>&1 || { echo "There is no Unix user $login_unix_user for the login server." >&2; return 1; }
    rm -rf "$dir"
    mkdir -p "$dir"
    lab_ns_up "$ns" || return 1
    local entry name address shares lines=()
    for entry in "${servers[@]}" "$login_server" "$down"; do
        read -r name address _ <<<"$entry"
        lines+=("$address $name")
    done
    lab_hosts "$ns" "${lines[@]}"
    # Clients inside the namespace get a Samba configuration of their own.
    lab_client_conf "$ns" "$dir/client" "$workgroup"
    for entry in "${servers[@]}"; do
        read -r name address shares <<<"$entry"
        lab_smbd_conf "$dir/$name" "${name^^}" "$address/24" "$workgroup" "shares=$shares"
        echo "   server string = Demo $name" >> "$dir/$name/smb.conf"
        lab_smbd_start "$dir/$name" "$ns" || { echo "smbd for $name did not start" >&2; stop; return 1; }
    done
    start_login_server || { stop; return 1; }
    start_announced || { stop; return 1; }
    for entry in "${servers[@]}" "$login_server"; do
        read -r name address _ <<<"$entry"
        lab_wait_port "$address" 445 "$ns" || { echo "smbd for $name does not listen" >&2; stop; return 1; }
    done
    read -r name address _ <<<"$announced"
    lab_wait_port "$address" 445 "$announced_ns" || { echo "smbd for $name does not listen" >&2; stop; return 1; }
    lab_wait_port "$address" 5357 "$announced_ns" || { echo "wsdd for $name does not listen" >&2; stop; return 1; }
    echo "Demo network started in namespace $ns:"
    for entry in "${servers[@]}"; do
        read -r name address shares <<<"$entry"
        printf '  %-12s %-11s %s\n' "$name" "$address" "${shares//,/, }"
    done
    read -r name address shares <<<"$login_server"
    printf '  %-12s %-11s %s (login: user %s, password %s)\n' "$name" "$address" "${shares//,/, }" \
        "$login_user" "$login_password"
    printf '  %-12s %-11s %s\n' ${down} "(down)"
    read -r name address shares <<<"$announced"
    printf '  %-12s %-11s %s (in no list: found by WS-Discovery)\n' "$name" "$address" "${shares//,/, }"
    echo "Hosts for a document: $(host_names)"
    echo "Try: $0 exec lanterra-scan --hosts \"$(host_names)\" --no-save"
}

# The listed server that refuses anonymous listing and guests: only the
# demo's user, with its password, sees its shares.
start_login_server() {
    local name address shares
    read -r name address shares <<<"$login_server"
    lab_smbd_conf "$dir/$name" "${name^^}" "$address/24" "$workgroup" "shares=$shares"
    sed -i "s|map to guest = bad user|map to guest = Never\n   restrict anonymous = 2\n   username map = $dir/$name/users.map|" \
        "$dir/$name/smb.conf"
    sed -i 's/guest ok = yes/guest ok = no/' "$dir/$name/smb.conf"
    echo "   server string = Demo $name" >> "$dir/$name/smb.conf"
    echo "$login_unix_user = $login_user" > "$dir/$name/users.map"
    printf '%s\n%s\n' "$login_password" "$login_password" |
        smbpasswd -c "$dir/$name/smb.conf" -a -s "$login_unix_user" >/dev/null ||
        { echo "the login server's user could not be made" >&2; return 1; }
    lab_smbd_start "$dir/$name" "$ns" || { echo "smbd for $name did not start" >&2; return 1; }
}

# The server on a link of its own: a veth pair from the demo's namespace to
# its namespace, smbd without NetBIOS, and wsdd announcing it in the demo's
# workgroup. Multicasts stay on that link.
start_announced() {
    local name address shares
    read -r name address shares <<<"$announced"
    lab_ns_up "$announced_ns" || return 1
    ip -n "$ns" link add eth0 type veth peer name eth0 netns "$announced_ns" || return 1
    ip -n "$ns" addr add "$link_address/24" dev eth0
    ip -n "$ns" link set eth0 up
    ip -n "$announced_ns" addr add "$address/24" dev eth0
    ip -n "$announced_ns" link set eth0 up
    lab_smbd_conf "$dir/$name" "${name^^}" "$address/24" "$workgroup" "shares=$shares"
    echo "   server string = Demo $name" >> "$dir/$name/smb.conf"
    lab_smbd_start "$dir/$name" "$announced_ns" || { echo "smbd for $name did not start" >&2; return 1; }
    # Debian's wsdd under the system's python (another one earlier on PATH
    # makes it exit silently), with a UUID of its own: it would take the
    # machine's. Its own session, so it outlives this script.
    ip netns exec "$announced_ns" setsid sh -c 'echo $$ > "$1"; shift; exec "$@"' sh "$dir/$name/pid/wsdd.pid" \
        /usr/bin/python3 /usr/sbin/wsdd -i eth0 -4 -p -n "${name^^}" -U 00000000-0000-4000-8000-0000000030d0 \
        -w "$workgroup" </dev/null >"$dir/$name/wsdd.log" 2>&1 &
}

switch_on() {
    ip netns list | grep -qw "$ns" || { echo "The demo network is not running (start it with: $0 start)." >&2; return 1; }
    local name address
    read -r name address <<<"$down"
    [ -f "$dir/$name/smb.conf" ] || lab_smbd_conf "$dir/$name" "${name^^}" "$address/24" "$workgroup" "shares=$down_shares"
    lab_smbd_start "$dir/$name" "$ns" || { echo "smbd for $name did not start" >&2; return 1; }
    lab_wait_port "$address" 445 "$ns" || { echo "smbd for $name does not listen" >&2; return 1; }
    echo "$name is on: ${down_shares//,/, }"
}

switch_off() {
    local name
    read -r name _ <<<"$down"
    [ -d "$dir/$name" ] && lab_smbd_stop "$dir/$name"
    echo "$name is off."
}

stop() {
    local entry name
    for entry in "${servers[@]}" "$login_server" "$announced" "$down"; do
        read -r name _ <<<"$entry"
        [ -d "$dir/$name" ] && lab_smbd_stop "$dir/$name"
    done
    lab_ns_down "$announced_ns"
    lab_ns_down "$ns"
    rm -rf "$dir"
    echo "Demo network stopped."
}

case ${1:-} in
    start) start ;;
    stop) stop ;;
    exec)
        shift
        [ $# -gt 0 ] || { echo "usage: $0 exec CMD..." >&2; exit 2; }
        ip netns list | grep -qw "$ns" || { echo "The demo network is not running (start it with: $0 start)." >&2; exit 1; }
        exec ip netns exec "$ns" "$@"
        ;;
    hosts) host_names ;;
    login) read -r name _ <<<"$login_server"; echo "$name $login_user $login_password" ;;
    announced) read -r name address _ <<<"$announced"; echo "${name^^} $address" ;;
    switch-on) switch_on ;;
    switch-off) switch_off ;;
    *)
        echo "usage: $0 start|stop|exec CMD...|hosts|login|announced|switch-on|switch-off" >&2
        exit 2
        ;;
esac
