#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A hostile LAN: a bridge of network namespaces with a client that runs
# lanterra-scan, VAULT (a real smbd that lists its shares only after the
# login demo/lanterra, announced by wsdd) and a rogue machine whose Python
# answerers lie in NetBIOS, DNS-SD and WS-Discovery and whose smbd logs the
# user name of every session setup and the local address it reached. In
# every case no login for "demo" may reach any address of the rogue.
#
#   lab.sh CASE LANTERRA_SCAN LAB_LIB ROGUE_PY
#
# LAB_KEEP=1 keeps the work folder (logs, documents) for a look afterwards.
#
# CASE: netbios    a rogue answers every NetBIOS name query with itself
#       announced  a rogue announces evil.local by DNS-SD
#       resolve    a rogue answers the Resolve for VAULT's endpoint
#       sweep      hosts announce themselves during a range sweep
#       bloat      thousands of fake endpoints, many names, many shares
#       firstscan  a first scan by name: VAULT and the rogue both answer it
#       evilwg     the rogue is the browse master of a workgroup of its own
#       lanwg      the rogue is the browse master of the user's workgroup,
#                  under four names
#       document   a received document steers a remembered login (a real
#                  secret store): its host list and its cached address
#       ticket     a Kerberos listing whose name DNS points at the rogue
#                  the third time it is asked
set -u
case_name=$1
scan=$2
. "$3"
rogue_py=$4
python=/usr/bin/python3

lab_can_netns || { echo "SKIP: needs root, smbd and network namespaces"; exit 77; }
[ -x "$python" ] || { echo "SKIP: needs python3"; exit 77; }
command -v smbpasswd >/dev/null || { echo "SKIP: smbpasswd is not installed"; exit 77; }
[ -x /usr/sbin/wsdd ] || { echo "SKIP: wsdd is not installed"; exit 77; }
command -v unshare >/dev/null || { echo "SKIP: unshare is not installed"; exit 77; }

prefix=lt-hl$$
bridge=$prefix-br
client=$prefix-c
vault=$prefix-v
rogue=$prefix-r
work=$(mktemp -d /tmp/lanterra-hostilelab.XXXXXX)
chmod 0755 "$work"
user=demo
password=lanterra
vault_uuid=3f1c2a9e-0000-4000-8000-00000000a001
failures=0
pids=()

stop_pid() {
    local pid=$1
    kill "$pid" 2>/dev/null
    lab_reap "$pid"
}

cleanup() {
    local pid
    for pid in "${pids[@]}"; do
        stop_pid "$pid"
    done
    lab_smbd_stop "$work/vault"
    lab_smbd_stop "$work/rogue"
    lab_smbd_stop "$work/big"
    lab_ns_down "$client"
    lab_ns_down "$vault"
    lab_ns_down "$rogue"
    lab_ns_down "$bridge"
    [ -n "${LAB_KEEP:-}" ] && echo "kept $work" || rm -rf "$work"
}
trap cleanup EXIT

# attach NS PORT ADDRESS  a veth from NS to the bridge; multicasts leave by it
attach() {
    local ns=$1 port=$2 address=$3
    lab_ns_up "$ns" || return 1
    ip -n "$ns" link add eth0 type veth peer name "$port" netns "$bridge" || return 1
    ip -n "$bridge" link set "$port" master br0 up
    ip -n "$ns" addr add "$address/16" dev eth0
    ip -n "$ns" link set eth0 up
    ip -n "$ns" route add 224.0.0.0/4 dev eth0
}

lab_ns_up "$bridge" && ip -n "$bridge" link add br0 type bridge && ip -n "$bridge" link set br0 up || exit 1
attach "$vault" p1 10.77.0.3 && attach "$rogue" p2 10.77.0.2 && attach "$client" p3 10.77.0.100 || exit 1

# smbd_start DIR NS [USER PASSWORD]  an smbd in NS whose user (if given)
# lives in a passwd file of its own, bound over /etc/passwd in a mount
# namespace that smbd and its helpers inherit: the machine's files stay as
# they are. A winbindd of another Samba on this machine (its socket folder
# is not per network namespace) would map the user to an id no passwd file
# knows, so it is hidden too.
smbd_start() {
    local dir=$1 ns=$2 name=${3:-} secret=${4:-}
    cp /etc/passwd "$dir/passwd"
    cp /etc/group "$dir/group"
    if [ -n "$name" ]; then
        echo "$name:x:47701:47701:lab user:/nonexistent:/usr/sbin/nologin" >> "$dir/passwd"
        echo "$name:x:47701:" >> "$dir/group"
    fi
    ip netns exec "$ns" unshare -m sh -c '
        mount --bind "$1/passwd" /etc/passwd && mount --bind "$1/group" /etc/group || exit 1
        if [ -d /run/samba/winbindd ]; then mount -t tmpfs none /run/samba/winbindd || exit 1; fi
        if [ -n "$2" ]; then
            printf "%s\n%s\n" "$3" "$3" | smbpasswd -c "$1/smb.conf" -a -s "$2" >/dev/null || exit 1
        fi
        exec smbd -D -s "$1/smb.conf"' sh "$dir" "$name" "$secret"
}

# VAULT: no anonymous listing, no guest.
lab_smbd_conf "$work/vault" VAULT 10.77.0.3/16 LAB "shares=Vault,Private"
sed -i "s/map to guest = bad user/map to guest = Never\n   restrict anonymous = 2/; s/log level = 0/log level = 1 auth_audit:3/" \
    "$work/vault/smb.conf"
smbd_start "$work/vault" "$vault" "$user" "$password" || { echo "VAULT's smbd did not start"; exit 1; }
ip netns exec "$vault" /usr/bin/python3 /usr/sbin/wsdd -i eth0 -4 -n VAULT -w LAB -U "$vault_uuid" \
    > "$work/wsdd.log" 2>&1 &
pids+=($!)

# rogue_smbd ADDRESS...  the rogue's smbd: takes any user as a guest (so that
# a scan goes on talking to it) and logs who came, on which of its addresses;
# $ROGUE_EXTRA is added to its smb.conf
rogue_smbd() {
    local list="" address
    for address; do
        list="$list $address/16"
    done
    lab_smbd_conf "$work/rogue" ROGUE 10.77.0.2/16 LAB "shares=Loot"
    sed -i "s|interfaces = 10.77.0.2/16|interfaces =$list|; s/log level = 0/log level = 1 auth_audit:3/" \
        "$work/rogue/smb.conf"
    [ -n "${ROGUE_EXTRA:-}" ] && echo "$ROGUE_EXTRA" >> "$work/rogue/smb.conf"
    smbd_start "$work/rogue" "$rogue" || return 1
    lab_wait_port "$1" 445 "$rogue"
}

# rogue_start ARGS...  the rogue's answerers (previous ones stopped)
rogue_pid=
rogue_start() {
    [ -n "$rogue_pid" ] && stop_pid "$rogue_pid"
    rm -f "$work/rogue.ready"
    ip netns exec "$rogue" "$python" "$rogue_py" --address 10.77.0.2 --ready "$work/rogue.ready" \
        --log "$work/rogue.log" "$@" >> "$work/rogue.log" 2>&1 &
    rogue_pid=$!
    pids+=($rogue_pid)
    for _ in $(seq 1 100); do
        [ -s "$work/rogue.ready" ] && return 0
        lab_pid_alive "$rogue_pid" || break
        sleep 0.1
    done
    echo "the rogue's answerers did not start"
    cat "$work/rogue.log"
    return 1
}

# logins FOLDER...  "USER ADDRESS" for every session setup these smbd logged
logins() {
    local dir
    for dir; do
        cat "$dir"/log.* 2>/dev/null
    done | sed -n 's/.*Auth: .* user \[[^]]*\]\\\[\([^]]*\)\] .*local host \[ipv4:\([0-9.]*\):.*/\1 \2/p'
}

# rogue_demo_logins  how many logins for demo reached the rogue so far
rogue_demo_logins() {
    logins "$work/rogue" "$work/big" | grep -c "^$user "
}

# check_no_login STEP
check_no_login() {
    local seen
    seen=$(logins "$work/rogue" "$work/big" | grep "^$user " | sort | uniq -c | tr '\n' ';')
    lab_check "$1: no login for $user reached the rogue${seen:+ (it got: $seen)}" "[ $(rogue_demo_logins) = 0 ]"
}

mkdir -p "$work/client" "$work/home/run"
chmod 0700 "$work/home/run"
lab_client_conf "$client" "$work/client" LAB
export HOME=$work/home XDG_RUNTIME_DIR=$work/home/run
# No ticket cache of the machine's user: only the logins the test gives.
export KRB5CCNAME=FILE:$work/no-ticket
lab_wait_port 10.77.0.3 445 "$vault" && lab_wait_port 10.77.0.3 5357 "$vault" || { echo "VAULT does not listen"; exit 1; }

# run_scan NAME ARGS...  lanterra-scan in the client; csv on NAME.csv,
# standard error on NAME.err, the run time in ms on NAME.ms
run_scan() {
    local name=$1 start status
    shift
    start=$(date +%s%N)
    ip netns exec "$client" "$scan" --format csv "$@" > "$work/$name.csv" 2> "$work/$name.err"
    status=$?
    echo $(( ($(date +%s%N) - start) / 1000000 )) > "$work/$name.ms"
    echo "--- scan $name ($*): exit $status, $(cat "$work/$name.ms") ms"
    cat "$work/$name.csv"
    return $status
}

# doc_vault DOCUMENT  VAULT's host element in a saved document
doc_vault() {
    lab_doc_host "$1" VAULT
}

# seed_vault DOCUMENT  a first scan that finds VAULT by the name the
# client's hosts file gives it, with the login; VAULT logs the login
seed_vault() {
    lab_hosts "$client" "10.77.0.3 VAULT"
    run_scan seed --no-all --hosts VAULT --user "$user%$password" --out "$1" -q
    lab_check "seed: VAULT lists its shares after the login" "grep -q ',VAULT,10.77.0.3,Private,.*,online,' '$work/seed.csv'"
    lab_check "seed: VAULT's log shows $user logging in at 10.77.0.3 (the log check sees logins)" \
        "logins '$work/vault' | grep -q '^$user 10.77.0.3\$'"
}

case $case_name in
netbios)
    rogue_smbd 10.77.0.2 || { echo "the rogue's smbd did not start"; exit 1; }
    rogue_start --nbt || exit 1
    seed_vault "$work/doc.net"
    # The name leaves the hosts file (no DNS for it any more): only NetBIOS
    # answers it now, and the rogue answers every name.
    lab_hosts "$client"
    for round in 1 2; do
        run_scan netbios$round "$work/doc.net" --user "$user%$password" -q
        check_no_login "scan $round with --user"
        host=$(doc_vault "$work/doc.net")
        echo "$host"
        lab_check "scan $round: the document keeps VAULT at 10.77.0.3" "[ '$(lab_attr "$host" addr)' = 10.77.0.3 ]"
    done
    lab_check "the rogue was asked for the name (the lie was heard)" "grep -q '^nbt answered VAULT' '$work/rogue.log'"
    ;;
announced)
    rogue_smbd 10.77.0.2 || { echo "the rogue's smbd did not start"; exit 1; }
    rogue_start --mdns evil.local=10.77.0.2 || exit 1
    lab_hosts "$client" "10.77.0.3 VAULT"
    run_scan user --hosts VAULT --user "$user%$password" --no-save
    lab_check "--user: VAULT (named) lists its shares" "grep -q ',VAULT,10.77.0.3,Private,.*,online,' '$work/user.csv'"
    lab_check "--user: the announcement reached the scan (evil.local is in its output)" "grep -q ',evil.local,10.77.0.2,' '$work/user.csv'"
    check_no_login "--user"
    # Kept in a document, the announced host is a cached host at the next
    # scan: it still gets no login for every host.
    run_scan kept --hosts VAULT --out "$work/announced.net" -q
    lab_check "kept: the document holds evil.local" "grep -q ',evil.local,10.77.0.2,' '$work/kept.csv'"
    run_scan later "$work/announced.net" --user "$user%$password" --no-save -q
    lab_check "later: VAULT (named) lists its shares" "grep -q ',VAULT,10.77.0.3,Private,.*,online,' '$work/later.csv'"
    check_no_login "a later scan of the document with --user"
    if command -v dbus-run-session >/dev/null && command -v gnome-keyring-daemon >/dev/null; then
        before=$(rogue_demo_logins)
        ip netns exec "$client" dbus-run-session -- sh -c '
            echo -n unlock | gnome-keyring-daemon --unlock --components=secrets >/dev/null
            "$1" --no-all --hosts VAULT --user "$2" --remember-login --no-save --format csv -q > "$3/keep.csv"
            "$1" --hosts VAULT --no-save --format csv > "$3/stored.csv" 2> "$3/stored.err"' \
            sh "$scan" "$user%$password" "$work" 2> "$work/keyring.err"
        echo "--- remembered login, then a plain scan:"
        cat "$work/keep.csv" "$work/stored.csv"
        lab_check "remembered: the plain scan lists VAULT with the stored login" \
            "grep -q ',VAULT,10.77.0.3,Private,.*,online,' '$work/stored.csv'"
        after=$(rogue_demo_logins)
        lab_check "remembered: no stored login reached the rogue (before $before, after $after)" "[ $after = $before ]"
        check_no_login "remembered"
    else
        echo "skip the remembered login: no dbus-run-session or gnome-keyring-daemon"
    fi
    ;;
resolve)
    rogue_smbd 10.77.0.2 || { echo "the rogue's smbd did not start"; exit 1; }
    # No name service knows VAULT: only its own announcement gives its
    # address, and the rogue answers the scanner's Resolve for VAULT's
    # endpoint first. Every round is a first scan of this LAN (the race
    # is won afresh); half the rounds the rogue's metadata claims VAULT's
    # name, half another one.
    lab_hosts "$client"
    for round in 1 2 3 4 5 6; do
        name=VAULT
        [ $round -gt 3 ] && name=NOTVAULT
        if [ $round = 1 ] || [ $round = 4 ]; then
            rogue_start --wsd-resolve "urn:uuid:$vault_uuid" --wsd-name $name || exit 1
        fi
        run_scan resolve$round --user "$user%$password" --out "$work/resolve$round.net" -q
        lab_check "round $round (rogue says $name): VAULT is found at 10.77.0.3" \
            "grep -q ',VAULT,10.77.0.3,' '$work/resolve$round.csv'"
        lab_check "round $round (rogue says $name): VAULT is nowhere else" \
            "! grep -v ',VAULT,10.77.0.3,' '$work/resolve$round.csv' | grep -q ',VAULT,'"
        check_no_login "round $round"
    done
    # A later scan of a document that knows VAULT keeps its address.
    run_scan again "$work/resolve1.net" --user "$user%$password" -q
    host=$(doc_vault "$work/resolve1.net")
    echo "$host"
    lab_check "a later scan: the document holds VAULT at 10.77.0.3" "[ '$(lab_attr "$host" addr)' = 10.77.0.3 ]"
    check_no_login "a later scan"
    lab_check "the rogue answered Resolves (the lie was told)" "grep -q '^wsd resolve' '$work/rogue.log'"
    ;;
sweep)
    # Twenty hosts announce themselves one by one while the sweep runs;
    # the rogue holds their addresses, next to the swept range.
    names=()
    for i in $(seq 10 29); do
        ip -n "$rogue" addr add 10.77.6.$i/16 dev eth0
        names+=("late$i.local=10.77.6.$i")
    done
    rogue_smbd 10.77.0.2 || { echo "the rogue's smbd did not start"; exit 1; }
    rogue_start --mdns "${names[@]}" --mdns-spread 5 || exit 1
    lab_hosts "$client"
    export LANTERRA_DISCOVERY_WINDOW_MS=6000
    timeout=80
    for round in 1 2; do
        run_scan sweep$round --hosts "10.77.0.0-10.77.4.0" --no-save --timeout $timeout
        tr '\r' '\n' < "$work/sweep$round.err" | grep -o '[-0-9]*/[-0-9]* hosts' | sort -u | tr '\n' ' '
        echo
        lab_check "round $round: the progress never shows a negative count" \
            "! tr '\r' '\n' < '$work/sweep$round.err' | grep -q -- '-[0-9][0-9]*/[0-9]* hosts'"
        last=$(tr '\r' '\n' < "$work/sweep$round.err" | grep -o '[-0-9]*/[-0-9]* hosts' | tail -n 1)
        ms=$(cat "$work/sweep$round.ms")
        # A scan that never ends runs into --timeout with hosts still pending.
        # The progress is shown once a second while the scan runs, so the
        # last line shown may be from just before its last hosts were done.
        lab_check "round $round: the scan ended by itself before --timeout (last shown $last, $ms ms)" \
            "[ '$ms' -lt $((timeout * 1000)) ]"
        lab_check "round $round: VAULT in the range was reached once (one login-needed row)" \
            "[ \$(grep -c ',10.77.0.3,.*login-needed' '$work/sweep$round.csv') = 1 ]"
    done
    check_no_login "sweep"
    ;;
bloat)
    # 1,500 endpoints, each from an address of its own that never serves
    # SMB; 80 names by DNS-SD at addresses the rogue's smbd serves, one of
    # which lists 4,500 shares (far more than any real server lists).
    {
        for i in $(seq 0 1499); do
            echo "addr add 10.77.$((8 + i / 250)).$((1 + i % 250))/16 dev eth0"
        done
        for i in $(seq 1 80); do
            echo "addr add 10.77.3.$i/16 dev eth0"
        done
    } | ip -n "$rogue" -batch - || exit 1
    fakes=()
    for i in $(seq 0 1499); do
        fakes+=("10.77.$((8 + i / 250)).$((1 + i % 250))")
    done
    names=()
    for i in $(seq 1 80); do
        names+=("bloat$i.local=10.77.3.$i")
    done
    served=(10.77.0.2)
    for i in $(seq 2 80); do
        served+=("10.77.3.$i")
    done
    rogue_smbd "${served[@]}" || { echo "the rogue's smbd did not start"; exit 1; }
    # A second smbd of the rogue's serves bloat1's address with the shares.
    lab_smbd_conf "$work/big" BIG 10.77.3.1/16 LAB "shares=$(seq -f 'S%04g' 1 4500 | paste -sd, -)"
    sed -i "s/log level = 0/log level = 1 auth_audit:3/" "$work/big/smb.conf"
    smbd_start "$work/big" "$rogue" && lab_wait_port 10.77.3.1 445 "$rogue" || { echo "the second smbd did not start"; exit 1; }
    lab_hosts "$client"
    # The names first, the endpoints then: each flood on its own.
    rogue_start --mdns "${names[@]}" || exit 1
    run_scan names --out "$work/bloat.net" > /dev/null
    rogue_start --wsd-fake "${fakes[@]}" || exit 1
    run_scan endpoints "$work/bloat.net" > /dev/null
    tail -n 3 "$work/endpoints.err" "$work/names.err"
    iconv -f UTF-16 -t UTF-8 "$work/bloat.net" > "$work/bloat.xml"
    hosts=$(grep -c '<host ' "$work/bloat.xml")
    fake=$(grep -c '<host name="FAKE' "$work/bloat.xml")
    bloat=$(grep -c '<host name="bloat' "$work/bloat.xml")
    shares=$(grep -c '<share ' "$work/bloat.xml")
    most=$(awk '/<host /{if (n > m) m = n; n = 0} /<share /{n++} END {if (n > m) m = n; print m + 0}' "$work/bloat.xml")
    echo "document $(stat -c %s "$work/bloat.net") bytes, $hosts hosts ($fake fake endpoints, $bloat DNS-SD names)," \
        "$shares shares, at most $most on one host; scans $(cat "$work/endpoints.ms") and $(cat "$work/names.ms") ms"
    lab_check "no endpoint that never answered is kept ($fake of 1,500)" "[ $fake = 0 ]"
    lab_check "one announcing address adds few hosts ($bloat of 80)" "[ $bloat -le 40 ]"
    lab_check "the host with 4,500 shares is listed" "grep -q '<host name=\"bloat1.local\"' '$work/bloat.xml'"
    lab_check "no host keeps all 4,500 shares (at most $most)" "[ $most -lt 4500 ]"
    lab_check "the cut is reported on standard error" "grep -q 'left out' '$work/names.err'"
    lab_check "the fake endpoints were heard" "grep -q '^wsd probe' '$work/rogue.log' && grep -q '^metadata asked' '$work/rogue.log'"
    check_no_login "bloat"
    ;;
evilwg|lanwg)
    # A stock smbd and nmbd on the rogue, master browser of EVILWG (or of
    # LAB, the user's workgroup, with aliases), logging every login.
    workgroup=EVILWG
    [ $case_name = lanwg ] && workgroup=LAB
    lab_smbd_conf "$work/rogue" ROGUE 10.77.0.2/16 $workgroup "shares=Loot" browse
    sed -i "s/log level = 0/log level = 1 auth_audit:3/" "$work/rogue/smb.conf"
    [ $case_name = lanwg ] && sed -i "s/^\[global\]/[global]\n   netbios aliases = FILESRV BACKUP NAS01/" "$work/rogue/smb.conf"
    smbd_start "$work/rogue" "$rogue" && ip netns exec "$rogue" nmbd -D -s "$work/rogue/smb.conf" ||
        { echo "the rogue's smbd or nmbd did not start"; exit 1; }
    # The client browses by NetBIOS, with a name cache of its own.
    cat > "/etc/netns/$client/samba/smb.conf" <<CONF
[global]
   workgroup = LAB
   netbios name = LABCLIENT
   interfaces = 10.77.0.100/16
   lock directory = $work/client
   state directory = $work/client
   cache directory = $work/client
   private dir = $work/client
   name resolve order = bcast
CONF
    lab_hosts "$client" "10.77.0.3 VAULT"
    options=(--user "$user%$password")
    [ $case_name = lanwg ] && options+=(--no-all --workgroups LAB --hosts VAULT)
    # The browse master answers some 25-30 s after it starts: scan until its
    # list names it (each scan would hand it the login if one went there).
    listed=0
    for attempt in $(seq 1 30); do
        run_scan master$attempt "${options[@]}" --no-save -q > /dev/null
        names=$(grep -oE '^[^,]*,(ROGUE|FILESRV|BACKUP|NAS01),10\.77\.0\.2,' "$work/master$attempt.csv" | sort -u | wc -l)
        # The aliases share one address: the scan keeps the first name it
        # reached there and leaves the rest out as duplicates.
        if [ "$names" -ge 1 ]; then
            listed=$attempt
            break
        fi
        sleep 4
    done
    cat "$work/master$attempt.csv"
    lab_check "the rogue's browse list reached the scan (attempt $listed, $names of its names)" "[ $listed -gt 0 ]"
    if [ $case_name = lanwg ]; then
        lab_check "VAULT (named by the host list) lists its shares with the login" \
            "grep -q ',VAULT,10.77.0.3,Private,.*,online,' '$work/master$attempt.csv'"
    fi
    check_no_login "$workgroup's browse master"
    ;;
firstscan)
    rogue_smbd 10.77.0.2 || { echo "the rogue's smbd did not start"; exit 1; }
    rogue_start --nbt || exit 1
    # VAULT answers its own name too (a second answerer in its namespace):
    # a scan that never met VAULT hears two addresses for one name.
    rm -f "$work/honest.ready"
    ip netns exec "$vault" "$python" "$rogue_py" --address 10.77.0.3 --nbt --ready "$work/honest.ready" \
        --log "$work/honest.log" >> "$work/honest.log" 2>&1 &
    pids+=($!)
    for _ in $(seq 1 100); do
        [ -s "$work/honest.ready" ] && break
        sleep 0.1
    done
    lab_hosts "$client"
    for round in 1 2 3; do
        run_scan first$round --no-all --hosts VAULT --user "$user%$password" --out "$work/first$round.net" -q
        check_no_login "round $round, a first scan with two answers for VAULT"
        # Whichever answered first is listed anonymously (the rogue takes
        # guests); VAULT's private share needs the login that did not go.
        lab_check "round $round: VAULT's private share is not listed" "! grep -q ',VAULT,.*,Private,' '$work/first$round.csv'"
        lab_check "round $round: the reason is told" "grep -q 'answered from' '$work/first$round.err'"
        host=$(doc_vault "$work/first$round.net")
        lab_check "round $round: the document ties VAULT to no address" "[ -z '$(lab_attr "$host" addr)' ]"
    done
    ;;
document)
    command -v dbus-run-session >/dev/null && command -v gnome-keyring-daemon >/dev/null ||
        { echo "SKIP: needs dbus-run-session and gnome-keyring-daemon"; exit 77; }
    rogue_smbd 10.77.0.2 || { echo "the rogue's smbd did not start"; exit 1; }
    lab_hosts "$client" "10.77.0.3 VAULT"
    # A document someone mails: its host list adds the rogue's address. Made
    # with no secret store in reach, so no login goes anywhere while it is made.
    (unset DBUS_SESSION_BUS_ADDRESS; run_scan craft --no-all --hosts "VAULT;10.77.0.2" --out "$work/crafted.net" -q)
    # The same document, its cache moving VAULT to the rogue's address.
    iconv -f UTF-16 -t UTF-8 "$work/crafted.net" |
        sed 's/\(<host name="VAULT" addr="\)[^"]*"/\110.77.0.2"/' \
        > "$work/moved.xml"
    iconv -f UTF-8 -t UTF-16 "$work/moved.xml" > "$work/moved.net"
    grep -q 'addr="10.77.0.2"' "$work/moved.xml" || { echo "the moved document was not made"; cat "$work/moved.xml"; exit 1; }
    before=$(rogue_demo_logins)
    ip netns exec "$client" dbus-run-session -- sh -c '
        echo -n unlock | gnome-keyring-daemon --unlock --components=secrets >/dev/null
        "$1" --no-all --hosts VAULT --user "$2" --remember-login --no-save --format csv -q > "$3/keep.csv"
        "$1" "$3/crafted.net" --no-save --format csv > "$3/list.csv" 2> "$3/list.err"
        "$1" "$3/moved.net" --no-save --format csv > "$3/cache.csv" 2> "$3/cache.err"' \
        sh "$scan" "$user%$password" "$work" 2> "$work/keyring.err"
    echo "--- remembered login, then the crafted documents:"
    cat "$work/keep.csv" "$work/list.csv" "$work/list.err" "$work/cache.csv" "$work/cache.err"
    lab_check "the remembering scan lists VAULT" "grep -q ',VAULT,10.77.0.3,Private,.*,online,' '$work/keep.csv'"
    lab_check "host list: VAULT, where the login worked, is listed with it" \
        "grep -q ',VAULT,10.77.0.3,Private,.*,online,' '$work/list.csv'"
    lab_check "host list: the rogue's address is listed without a login (it takes guests)" \
        "grep -q ',10.77.0.2,10.77.0.2,Loot,' '$work/list.csv'"
    lab_check "cache: VAULT is not listed at the rogue's address" "! grep -q ',VAULT,10.77.0.2,Private,' '$work/cache.csv'"
    after=$(rogue_demo_logins)
    lab_check "no remembered login reached the rogue (before $before, after $after)" "[ $after = $before ]"
    check_no_login "document"
    ;;
ticket)
    rogue_smbd 10.77.0.2 || { echo "the rogue's smbd did not start"; exit 1; }
    seed_vault "$work/doc.net"
    # From now on only DNS knows the name, and the rogue is the client's DNS
    # server: VAULT's address twice, then its own.
    lab_hosts "$client"
    printf 'nameserver 10.77.0.2\noptions timeout:1 attempts:1\n' > "/etc/netns/$client/resolv.conf"
    rogue_start --dns vault=10.77.0.3,10.77.0.3,10.77.0.2 || exit 1
    # A ticket-granting ticket of a realm whose KDC does not answer: every
    # Kerberos exchange fails, as on a laptop away from its domain.
    cat > "$work/krb5.conf" <<CONF
[libdefaults]
    default_realm = LAB.EXAMPLE
    dns_lookup_kdc = false
    dns_lookup_realm = false
[realms]
    LAB.EXAMPLE = {
        kdc = 127.0.0.1:1
    }
[domain_realm]
    vault = LAB.EXAMPLE
CONF
    "$python" - "$work/ticket" <<'PY'
import struct, sys, time
def counted(b): return struct.pack(">I", len(b)) + b
def principal(realm, *parts):
    return struct.pack(">II", 1, len(parts)) + counted(realm) + b"".join(counted(p) for p in parts)
now = int(time.time())
me = principal(b"LAB.EXAMPLE", b"demo")
cred = me + principal(b"LAB.EXAMPLE", b"krbtgt", b"LAB.EXAMPLE")
cred += struct.pack(">H", 18) + counted(b"k" * 32)
cred += struct.pack(">IIII", now - 60, now - 60, now + 36000, now + 36000)
cred += b"\0" + struct.pack(">I", 0x40e00000) + struct.pack(">II", 0, 0)
cred += counted(b"t" * 64) + counted(b"")
open(sys.argv[1], "wb").write(struct.pack(">HH", 0x0504, 0) + me + cred)
PY
    export KRB5_CONFIG=$work/krb5.conf KRB5CCNAME=FILE:$work/ticket
    for round in 1 2; do
        rogue_start --dns vault=10.77.0.3,10.77.0.3,10.77.0.2 || exit 1
        run_scan ticket$round "$work/doc.net" --kerberos --user "$user%$password" -q
        check_no_login "round $round with a ticket and a password"
        lab_check "round $round: VAULT lists its shares (the password went to its own address)" \
            "grep -q ',VAULT,10.77.0.3,Private,.*,online,' '$work/ticket$round.csv'"
        host=$(doc_vault "$work/doc.net")
        echo "$host"
        lab_check "round $round: the document keeps VAULT at 10.77.0.3" "[ '$(lab_attr "$host" addr)' = 10.77.0.3 ]"
    done
    lab_check "the rogue was asked for the name (the lie could be heard)" "grep -q '^dns answered vault' '$work/rogue.log'"
    ;;
*)
    echo "unknown case $case_name"
    exit 2
    ;;
esac

echo "--- logins the rogue's smbd saw (user address):"
logins "$work/rogue" "$work/big" | sort | uniq -c | sort -rn | head -n 20
echo "--- the rogue's answers:"
sort "$work/rogue.log" | uniq -c | sort -rn | head -n 20
echo "$failures failure(s)"
[ $failures = 0 ]
