# SPDX-License-Identifier: GPL-3.0-or-later
# Shared functions for the Samba labs: source this file.
#
# Every smbd/nmbd instance keeps all of its state in its own folder, so
# several run side by side and nothing touches the machine's Samba.

# lab_smbd_conf DIR NETBIOS_NAME ADDRESS/PREFIX WORKGROUP PROFILE [browse|member|nt1]
#   PROFILE: full   disk shares, hidden D$, print$, a printer, a hidden share
#            plain  disk shares only (no printer: some tools drop such hosts)
#            shares=A,B,...  these disk shares
#   browse:  NetBIOS on, nmbd is the workgroup's browse master (SMB1 allowed)
#   member:  NetBIOS on, nmbd only announces the host
#   nt1:     NetBIOS off, but SMB1 accepted (for tools that speak only SMB1)
lab_smbd_conf() {
    local dir=$1 name=$2 address=$3 workgroup=$4 profile=$5 browse=${6:-}
    mkdir -p "$dir"/{private,lock,state,cache,pid,ncalrpc,spool,share}
    chmod 0755 "$dir"
    local netbios="disable netbios = yes"
    local protocol=""
    if [ "$browse" = browse ] || [ "$browse" = member ]; then
        local master=yes
        [ "$browse" = member ] && master=no
        netbios="disable netbios = no
   local master = $master
   preferred master = $master
   domain master = no
   os level = 65
   wins support = no
   name resolve order = bcast host"
        protocol="server min protocol = NT1
   client min protocol = NT1"
    elif [ "$browse" = nt1 ]; then
        protocol="server min protocol = NT1"
    fi
    cat > "$dir/smb.conf" <<CONF
[global]
   workgroup = $workgroup
   netbios name = $name
   server string = $name
   interfaces = $address
   bind interfaces only = yes
   server role = standalone server
   map to guest = bad user
   guest account = nobody
   $netbios
   $protocol
   private dir = $dir/private
   lock directory = $dir/lock
   state directory = $dir/state
   cache directory = $dir/cache
   pid directory = $dir/pid
   ncalrpc dir = $dir/ncalrpc
   binddns dir = $dir/private
   log file = $dir/log.%m
   log level = 0
   load printers = no
   printing = bsd
   printcap name = /dev/null
   disable spoolss = no
   usershare path =
CONF
    local share list
    case $profile in
        full) set -- Music Films Installs Documents 'D$' 'print$' ;;
        plain) set -- Music Films Installs Documents ;;
        shares=*) IFS=, read -r -a list <<<"${profile#shares=}"; set -- "${list[@]}" ;;
        *) set -- ;;
    esac
    for share in "$@"; do
        mkdir -p "$dir/share/$share"
        printf '[%s]\n   path = %s\n   guest ok = yes\n   read only = yes\n' "$share" "$dir/share/$share" >> "$dir/smb.conf"
    done
    if [ "$profile" = full ]; then
        mkdir -p "$dir/share/secret"
        cat >> "$dir/smb.conf" <<CONF
[secret]
   path = $dir/share/secret
   browseable = no
   guest ok = yes
[Laser]
   path = $dir/spool
   printable = yes
   guest ok = yes
CONF
    fi
}

# lab_smbd_start DIR [NETNS]  starts smbd (and nmbd for a browse instance)
lab_smbd_start() {
    local dir=$1 ns=${2:-}
    local run=()
    [ -n "$ns" ] && run=(ip netns exec "$ns")
    "${run[@]}" smbd -D -s "$dir/smb.conf" || return 1
    if grep -q 'disable netbios = no' "$dir/smb.conf"; then
        "${run[@]}" nmbd -D -s "$dir/smb.conf" || return 1
    fi
}

# lab_wait_port ADDRESS PORT [NETNS] [SECONDS]  waits until a TCP port listens
lab_wait_port() {
    local address=$1 port=$2 ns=${3:-} seconds=${4:-20} i
    local run=()
    [ -n "$ns" ] && run=(ip netns exec "$ns")
    for ((i = 0; i < seconds * 10; i++)); do
        if "${run[@]}" ss -Hltn "src $address and sport = :$port" 2>/dev/null | grep -q LISTEN; then
            return 0
        fi
        sleep 0.1
    done
    return 1
}

# lab_pid_alive PID  true while the process runs (a zombie counts as gone)
lab_pid_alive() {
    local state
    state=$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null) || return 1
    [ -n "$state" ] && [ "$state" != Z ] && [ "$state" != X ]
}

# lab_reap PID...  waits up to 5 s for each process (already asked to end),
# then kills what is left
lab_reap() {
    local pid i
    for pid in "$@"; do
        for ((i = 0; i < 50; i++)); do
            lab_pid_alive "$pid" || break
            sleep 0.1
        done
        lab_pid_alive "$pid" && kill -9 "$pid" 2>/dev/null
    done
    return 0
}

# lab_smbd_stop DIR  stops every process the instance left a pid file for
lab_smbd_stop() {
    local dir=$1 file pid pids=()
    for file in "$dir"/pid/*.pid; do
        [ -f "$file" ] || continue
        pid=$(cat "$file" 2>/dev/null)
        [[ "$pid" =~ ^[0-9]+$ ]] || continue
        kill "$pid" 2>/dev/null && pids+=("$pid")
    done
    lab_reap "${pids[@]}"
}

# lab_can_netns  true when this process may make network namespaces
lab_can_netns() {
    [ "$(id -u)" = 0 ] || return 1
    command -v ip >/dev/null || return 1
    command -v smbd >/dev/null || return 1
    local probe="lanterra-probe-$$"
    ip netns add "$probe" 2>/dev/null || return 1
    ip netns del "$probe"
}

# lab_ns_up NAME  a new network namespace with its loopback up
lab_ns_up() {
    ip netns add "$1" && ip -n "$1" link set lo up
}

# lab_ns_down NAME  deletes a namespace and its /etc/netns files
lab_ns_down() {
    ip netns del "$1" 2>/dev/null
    rm -rf "/etc/netns/$1"
    return 0
}

# lab_hosts NAME [LINE...]  the namespace's own /etc/hosts (ip netns exec
# mounts it over the machine's)
lab_hosts() {
    local ns=$1
    shift
    mkdir -p "/etc/netns/$ns"
    { echo "127.0.0.1 localhost"; printf '%s\n' "$@"; } > "/etc/netns/$ns/hosts"
}

# lab_client_conf NS DIR WORKGROUP  the Samba configuration of clients run
# inside NS (ip netns exec mounts /etc/netns/NS/samba over /etc/samba), with
# their name cache and state in DIR instead of the machine's shared folders,
# and without NetBIOS
lab_client_conf() {
    local ns=$1 dir=$2 workgroup=$3
    mkdir -p "/etc/netns/$ns/samba" "$dir"
    cat > "/etc/netns/$ns/samba/smb.conf" <<CONF
[global]
   workgroup = $workgroup
   lock directory = $dir
   state directory = $dir
   cache directory = $dir
   private dir = $dir
   disable netbios = yes
CONF
}

# lab_drop_addresses NS SINK ADDRESS...  packets from NS to these addresses
# leave through a veth pair and vanish in the namespace SINK: a host that
# drops everything, without firewall rules
lab_drop_addresses() {
    local ns=$1 sink=$2 address mac
    shift 2
    lab_ns_up "$sink" || return 1
    ip -n "$ns" link add ltdrop0 type veth peer name ltdrop1 netns "$sink" || return 1
    ip -n "$ns" addr add 192.0.2.1/32 dev ltdrop0
    ip -n "$ns" link set ltdrop0 up
    ip -n "$sink" link set ltdrop1 up
    mac=$(ip -n "$sink" -o link show ltdrop1 | sed -n 's|.*link/ether \([0-9a-f:]*\).*|\1|p')
    for address in "$@"; do
        ip -n "$ns" route add "$address/32" dev ltdrop0 src 192.0.2.1 || return 1
        ip -n "$ns" neigh replace "$address" lladdr "$mac" dev ltdrop0 nud permanent || return 1
    done
}

# lab_mute_start NS PIDFILE MUTE_SERVER ADDRESS...  servers that accept TCP
# on port 445 and never answer
lab_mute_start() {
    local ns=$1 pidfile=$2 server=$3 i
    shift 3
    rm -f "$pidfile"
    ip netns exec "$ns" "$server" "$pidfile" "$@" </dev/null >/dev/null 2>&1 &
    for ((i = 0; i < 50; i++)); do
        [ -s "$pidfile" ] && return 0
        sleep 0.1
    done
    return 1
}

# lab_pidfile_stop PIDFILE  stops the process a pid file names
lab_pidfile_stop() {
    local pid
    pid=$(cat "$1" 2>/dev/null) || return 0
    [[ "$pid" =~ ^[0-9]+$ ]] || return 0
    kill "$pid" 2>/dev/null
    lab_reap "$pid"
}

# lab_doc_host DOCUMENT NAME_OR_ADDRESS  the host element of a saved document
lab_doc_host() {
    iconv -f UTF-16 -t UTF-8 "$1" | grep -E "<host name=\"$2\"|<host name=\"\" addr=\"$2\"" | head -n 1
}

# lab_attr ELEMENT_LINE ATTRIBUTE  one attribute's value
lab_attr() {
    sed -n "s/.* $2=\"\([^\"]*\)\".*/\1/p" <<<"$1"
}

# lab_check TITLE EXPRESSION  evaluates EXPRESSION and prints "ok   TITLE" or
# "FAIL TITLE", counting failures in the caller's $failures.
lab_check() {
    if eval "$2"; then
        echo "ok   $1"
    else
        echo "FAIL $1"
        failures=$((failures + 1))
    fi
}
