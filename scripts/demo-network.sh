#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A small network of real Samba servers inside the network namespace
# "lanterra-demo", to try the program on without touching any real network.
#
#   demo-network.sh start         start the servers (root needed)
#   demo-network.sh stop          stop them and delete the namespace
#   demo-network.sh exec CMD...   run a command inside the namespace
#   demo-network.sh hosts         the host list, ";"-separated, for a document's host rules
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

host_names() {
    local entry names=()
    for entry in "${servers[@]}" "$down"; do
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
    rm -rf "$dir"
    mkdir -p "$dir"
    lab_ns_up "$ns" || return 1
    local entry name address shares lines=()
    for entry in "${servers[@]}" "$down"; do
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
    for entry in "${servers[@]}"; do
        read -r name address _ <<<"$entry"
        lab_wait_port "$address" 445 "$ns" || { echo "smbd for $name does not listen" >&2; stop; return 1; }
    done
    echo "Demo network started in namespace $ns:"
    for entry in "${servers[@]}"; do
        read -r name address shares <<<"$entry"
        printf '  %-12s %-11s %s\n' "$name" "$address" "${shares//,/, }"
    done
    printf '  %-12s %-11s %s\n' ${down} "(down)"
    echo "Hosts for a document: $(host_names)"
    echo "Try: $0 exec lanterra-scan --no-all --hosts \"$(host_names)\" --no-save"
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
    for entry in "${servers[@]}" "$down"; do
        read -r name _ <<<"$entry"
        [ -d "$dir/$name" ] && lab_smbd_stop "$dir/$name"
    done
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
    switch-on) switch_on ;;
    switch-off) switch_off ;;
    *)
        echo "usage: $0 start|stop|exec CMD...|hosts|switch-on|switch-off" >&2
        exit 2
        ;;
esac
