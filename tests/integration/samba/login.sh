#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Servers that refuse anonymous listing: an smbd with restrict anonymous = 2
# and no guest mapping next to an open one, scanned from a client namespace.
# Without a login the refusing host is one "login-needed" row (reached, not
# offline); with --user, --auth-file or a password typed at the terminal
# its shares are listed; a wrong password leaves it login-needed while the
# scan goes on, and so does a Kerberos ticket no KDC backs; a login kept in the secret store serves later scans. The
# password shows up in no process's argument list or environment, no file
# the scan writes and none of its output.
#
#   login.sh LANTERRA_SCAN MUTE_SERVER LAB_LIB
set -u
scan=$1
mute=$2
. "$3"

lab_can_netns || { echo "SKIP: needs root, smbd and network namespaces"; exit 77; }
command -v smbpasswd >/dev/null || { echo "SKIP: smbpasswd is not installed"; exit 77; }
id daemon >/dev/null 2>&1 || { echo "SKIP: no Unix user daemon to log in as"; exit 77; }

prefix=lt-lg-$$
server=$prefix-s
client=$prefix-c
work=$(mktemp -d /tmp/lanterra-login.XXXXXX)
chmod 0755 "$work"
password='Pw-4f9c-secret'
failures=0

cleanup() {
    lab_pidfile_stop "$work/mute.pid"
    lab_smbd_stop "$work/secure"
    lab_smbd_stop "$work/open"
    lab_ns_down "$server"
    lab_ns_down "$client"
    rm -rf "$work"
}
trap cleanup EXIT

lab_ns_up "$server" && lab_ns_up "$client" || exit 1
ip -n "$server" link add eth0 type veth peer name eth0 netns "$client" || exit 1
ip -n "$server" addr add 10.76.0.2/24 dev eth0
ip -n "$server" addr add 10.76.0.3/24 dev eth0
ip -n "$server" addr add 10.76.0.9/24 dev eth0
ip -n "$server" link set eth0 up
ip -n "$client" addr add 10.76.0.100/24 dev eth0
ip -n "$client" link set eth0 up

lab_smbd_conf "$work/secure" SECURE 10.76.0.2/24 LAB "shares=Music,Private"
sed -i 's/map to guest = bad user/map to guest = Never\n   restrict anonymous = 2/' "$work/secure/smb.conf"
printf '%s\n%s\n' "$password" "$password" | smbpasswd -c "$work/secure/smb.conf" -a -s daemon >/dev/null || exit 1
lab_smbd_conf "$work/open" OPEN 10.76.0.3/24 LAB "shares=Films"
lab_smbd_start "$work/secure" "$server" && lab_smbd_start "$work/open" "$server" || { echo "smbd did not start"; exit 1; }
lab_wait_port 10.76.0.2 445 "$server" && lab_wait_port 10.76.0.3 445 "$server" || { echo "smbd does not listen"; exit 1; }
# A server that takes connections and never answers keeps a scan running
# for a few seconds, long enough to look at every process meanwhile.
lab_mute_start "$server" "$work/mute.pid" "$mute" 10.76.0.9 || { echo "the mute server did not start"; exit 1; }

export HOME=$work/home
mkdir -p "$HOME"
hosts="10.76.0.2;10.76.0.3"

# No login: one row, login-needed, and the host counts as reached.
ip netns exec "$client" "$scan" --no-all --hosts "$hosts" --out "$work/anon.net" --format csv -q > "$work/anon.csv"
cat "$work/anon.csv"
lab_check "without a login SECURE is one login-needed row" \
    "[ \$(grep -c '^,10.76.0.2,' '$work/anon.csv') = 1 ] && grep -q '^,10.76.0.2,10.76.0.2,,\\\\\\\\10.76.0.2,login-needed,' '$work/anon.csv'"
host=$(lab_doc_host "$work/anon.net" 10.76.0.2)
lab_check "SECURE is reached (not offline) and refused (5)" \
    "[ '$(lab_attr "$host" onlineCount)' = 1 ] && [ '$(lab_attr "$host" offlineCount)' = 0 ] && [ '$(lab_attr "$host" lastState)' = 5 ]"
lab_check "the open host is listed anyway" "grep -q '^,10.76.0.3,10.76.0.3,Films,.*,online,' '$work/anon.csv'"
ip netns exec "$client" "$scan" --no-all --hosts "$hosts" --no-save --format json -q > "$work/anon.json"
ip netns exec "$client" "$scan" --no-all --hosts "$hosts" --no-save -q > "$work/anon.txt"
lab_check "JSON and text say login-needed too" \
    "grep -q '\"state\": \"login-needed\"' '$work/anon.json' && grep -q 'login-needed' '$work/anon.txt'"

# With --user the shares are listed; meanwhile no process shows the
# password in its arguments or environment.
ip netns exec "$client" "$scan" --no-all --hosts "$hosts;10.76.0.9" --user "daemon%$password" \
    --out "$work/user.net" --format csv > "$work/user.csv" 2> "$work/user.err" &
scanner=$!
# Between exec and the first line of main the password stands in the new
# process's argument list like in any program's; from there on it must not.
for _ in $(seq 1 100); do
    grep -qaF -- "daemon%X" "/proc/$scanner/cmdline" 2>/dev/null && break
    kill -0 "$scanner" 2>/dev/null || break
    sleep 0.05
done
leaks=0
for _ in $(seq 1 20); do
    sleep 0.2
    # grep says 2 when some process ended meanwhile: judge by what it printed.
    grep -lsaF -- "$password" /proc/[0-9]*/cmdline /proc/[0-9]*/environ > "$work/leaks" 2>/dev/null
    if [ -s "$work/leaks" ]; then
        leaks=1
        cat "$work/leaks"
    fi
done
wait $scanner
cat "$work/user.csv"
lab_check "--user lists SECURE's shares" \
    "grep -q '^,10.76.0.2,10.76.0.2,Music,.*,online,' '$work/user.csv' && grep -q ',Private,' '$work/user.csv' && ! grep -q login-needed '$work/user.csv'"
lab_check "no argument list or environment held the password" "[ $leaks = 0 ]"

# smbclient's authentication file.
printf 'username = daemon\npassword = %s\ndomain = LAB\n' "$password" > "$work/auth"
ip netns exec "$client" "$scan" --no-all --hosts "$hosts" --auth-file "$work/auth" --no-save --format csv -q > "$work/file.csv"
lab_check "--auth-file lists SECURE's shares" "grep -q '^,10.76.0.2,10.76.0.2,Private,.*,online,' '$work/file.csv'"

# A password typed at a terminal is read without echo.
if command -v script >/dev/null; then
    # Typed after the prompt, as a person would: what a terminal receives
    # before the program turns its echo off is echoed by the terminal.
    { sleep 1; printf '%s\n' "$password"; } | ip netns exec "$client" script -qec \
        "'$scan' --no-all --hosts '$hosts' --user daemon --no-save --format csv -q" /dev/null > "$work/tty.out" 2>&1
    lab_check "the password asked for at a terminal lists SECURE's shares" \
        "grep -q 'Password for daemon' '$work/tty.out' && grep -q ',10.76.0.2,Private,' '$work/tty.out'"
    lab_check "the typed password is not echoed" "! grep -qaF -- '$password' '$work/tty.out'"
fi

# A live Kerberos ticket in the user's cache, no login given: the ticket is
# tried first. These servers know no realm and no KDC is in reach, so it
# gets nothing, and the listings go on as without it.
python3 - "$work/krb5cc" <<'PY'
import struct, sys, time
def counted(b): return struct.pack('>I', len(b)) + b
def principal(*parts): return struct.pack('>II', 1, len(parts)) + counted(b'EXAMPLE.ORG') + b''.join(counted(p) for p in parts)
now = int(time.time())
cred = (principal(b'anna') + principal(b'krbtgt', b'EXAMPLE.ORG') + struct.pack('>H', 18) + counted(b'k' * 32)
        + struct.pack('>IIIIBI', now - 60, now - 60, now + 36000, now + 86400, 0, 0x40e10000)
        + struct.pack('>II', 0, 0) + counted(b't' * 300) + counted(b''))
data = struct.pack('>HH', 0x0504, 12) + struct.pack('>HHII', 1, 8, 0, 0) + principal(b'anna') + cred
open(sys.argv[1], 'wb').write(data)
PY
# Read or not: its access time, set well back, moves when it is read.
touch -d '3 days ago' "$work/krb5cc"
KRB5CCNAME=FILE:$work/krb5cc ip netns exec "$client" "$scan" --no-all --hosts "$hosts" --no-save --format csv -q \
    > "$work/ticket.csv"
lab_check "the ticket cache was looked at" "[ \$(stat -c %X '$work/krb5cc') -gt \$(( \$(date +%s) - 3600 )) ]"
lab_check "with a ticket the KDC does not back, SECURE is login-needed and the open host listed" \
    "grep -q ',10.76.0.2,,.*,login-needed,' '$work/ticket.csv' && grep -q ',10.76.0.3,Films,.*,online,' '$work/ticket.csv'"

# A wrong password: still login-needed, and the other host is listed.
ip netns exec "$client" "$scan" --no-all --hosts "$hosts" --user daemon%wrong-one --out "$work/wrong.net" \
    --format csv -q > "$work/wrong.csv"
lab_check "a wrong password leaves SECURE login-needed and the scan goes on" \
    "grep -q ',10.76.0.2,,.*,login-needed,' '$work/wrong.csv' && grep -q ',10.76.0.3,Films,.*,online,' '$work/wrong.csv'"

# A remembered login: kept in the desktop's secret store (a private
# gnome-keyring on a private session bus, in a home of its own), used by a
# later scan that names no login.
if command -v dbus-run-session >/dev/null && command -v gnome-keyring-daemon >/dev/null \
    && "$scan" --help | grep -q -- --remember-login; then
    mkdir -p "$work/keyhome/run"
    chmod 0700 "$work/keyhome/run"
    HOME=$work/keyhome XDG_RUNTIME_DIR=$work/keyhome/run ip netns exec "$client" dbus-run-session -- sh -c '
        echo -n unlock | gnome-keyring-daemon --unlock --components=secrets >/dev/null
        "$1" --no-all --hosts "$2" --user "daemon%$3" --remember-login --no-save --format csv -q > "$4/keep.csv"
        "$1" --no-all --hosts "$2" --no-save --format csv -q > "$4/stored.csv"' \
        sh "$scan" "$hosts" "$password" "$work" 2> "$work/keyring.err"
    lab_check "a remembered login lists SECURE's shares in a later scan without --user" \
        "grep -q ',10.76.0.2,Private,.*,online,' '$work/keep.csv' && grep -q ',10.76.0.2,Private,.*,online,' '$work/stored.csv'"
    lab_check "the secret store keeps it out of plain files" \
        "[ -n \"\$(ls '$work/keyhome/.local/share/keyrings' 2>/dev/null)\" ] && ! grep -rlaF -- '$password' '$work/keyhome'"
else
    echo "skip remembered logins: no dbus-run-session, gnome-keyring-daemon or secret store"
fi

lab_check "the password is in no file or output of the scans" \
    "! grep -rlaF -- '$password' '$work'/*.csv '$work'/*.json '$work'/*.txt '$work'/*.err '$work'/*.net '$HOME' 2>/dev/null && ! iconv -f UTF-16 -t UTF-8 '$work/user.net' | grep -qF -- '$password'"

[ $failures = 0 ] || { cat "$work/tty.out" "$work/wrong.csv"; lab_doc_host "$work/wrong.net" 10.76.0.2; }
echo "$failures failure(s)"
[ $failures = 0 ]
