#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs lanterra-scan (and the window program, when given) over files that
# must not be taken for network documents, and over documents that cannot be
# saved, in a network namespace of its own with nothing in it: the scans have
# no rules, and even so no packet could leave.
#
#   files.sh LANTERRA_SCAN [LANTERRA]
set -uo pipefail

scan=$1
window=${2:-}
if [ "$(id -u)" -ne 0 ] || ! unshare --net true 2>/dev/null; then
    echo "files.sh: needs root and network namespaces" >&2
    exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# Waits until the program started by `timeout` (pid $1) has its SIGTERM
# handler in place, or has ended: a SIGTERM before that would kill it the
# default way, whatever the program does with one later.
wait_for_handler() {
    local child="" i
    for i in $(seq 300); do
        child=$(cat "/proc/$1/task/$1/children" 2>/dev/null | cut -d' ' -f1)
        if [ -n "$child" ]; then
            local caught
            caught=$(awk '/^SigCgt:/ { print $2 }' "/proc/$child/status" 2>/dev/null)
            [ -n "$caught" ] && (( (16#$caught >> 14) & 1 )) && return 0
        fi
        kill -0 "$1" 2>/dev/null || return 0
        sleep 0.1
    done
}

# run_scan ARGS... : exit status in $status, standard error in $work/err
run_scan() {
    timeout 60 unshare --net "$scan" --quiet --no-all "$@" >"$work/out" 2>"$work/err"
    status=$?
}

# A text file, a document saved as UTF-8, a folder, a pipe, /dev/zero.
printf 'Shopping list\nmilk\n' >"$work/notes.txt"
printf '<?xml version="1.0"?>\n<document version="1.0">\n</document>\n' >"$work/utf8.net"
mkdir "$work/folder.net"
mkfifo "$work/pipe.net"
for file in "$work/notes.txt" "$work/utf8.net" "$work/folder.net" "$work/pipe.net" /dev/zero; do
    before=$(stat -c '%s %Y' "$file")
    run_scan "$file"
    [ "$status" -eq 1 ] || fail "$file: exit status $status, not 1"
    grep -qF "Cannot open \"$file\"" "$work/err" || fail "$file: no reason on standard error: $(cat "$work/err")"
    [ "$(stat -c '%s %Y' "$file")" = "$before" ] || fail "$file was changed"
done
run_scan "$work/utf8.net"
grep -q "UTF-8" "$work/err" || fail "utf8.net: the encoding is not named: $(cat "$work/err")"

# A document read only in part: a warning, the scan runs, the original is
# kept beside the saved file.
printf '\xff\xfe' >"$work/part.net"
printf '<document version="1.0">\r\n <view lastView="4" lastSortCol="3" lastSortRev="0" />\r\n <rulez />' |
    iconv -f UTF-8 -t UTF-16LE >>"$work/part.net"
cp "$work/part.net" "$work/part.orig"
run_scan "$work/part.net"
[ "$status" -eq 0 ] || fail "part.net: exit status $status: $(cat "$work/err")"
grep -q "Only part of" "$work/err" || fail "part.net: no warning: $(cat "$work/err")"
cmp -s "$work/part.orig" "$work/part.net.bak" || fail "part.net: the original was not kept as part.net.bak"
cmp -s "$work/part.orig" "$work/part.net" && fail "part.net was not saved"

# A save that cannot be written: the reason on standard error, exit 1.
run_scan --out "$work/no/such/folder/x.net"
[ "$status" -eq 1 ] || fail "unwritable --out: exit status $status"
grep -qF "Cannot save \"$work/no/such/folder/x.net\"" "$work/err" || fail "unwritable --out: $(cat "$work/err")"

# settings.xml replaced by a pipe or a folder: read as missing, never waited on.
mkdir -p "$XDG_CONFIG_HOME/Brevant/Lanterra"
mkfifo "$XDG_CONFIG_HOME/Brevant/Lanterra/settings.xml"
run_scan --no-save
[ "$status" -eq 0 ] || fail "settings.xml as a pipe: exit status $status: $(cat "$work/err")"
rm "$XDG_CONFIG_HOME/Brevant/Lanterra/settings.xml"

# The window program: a file named on the command line that cannot be opened
# is named in a message box, which stays until answered (here by SIGTERM),
# then the program ends with status 1.
if [ -n "$window" ]; then
    QT_QPA_PLATFORM=offscreen timeout 60 unshare --net "$window" "$work/notes.txt" 2>"$work/err" &
    pid=$!
    wait_for_handler "$pid"
    for i in $(seq 300); do
        grep -q "Cannot open" "$work/err" && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    sleep 1
    kill -0 "$pid" 2>/dev/null || fail "lanterra ended before the message was answered"
    # timeout passes the signal on to the program.
    kill -TERM "$pid"
    wait "$pid"
    status=$?
    [ "$status" -eq 1 ] || fail "lanterra notes.txt: exit status $status"
    grep -qF "Cannot open \"$work/notes.txt\"" "$work/err" || fail "lanterra notes.txt: $(cat "$work/err")"
fi

# The autosave at the end cannot be written (the document's folder is gone):
# the program says so on standard error and ends with status 1.
if [ -n "$window" ]; then
    mkdir "$work/gone"
    run_scan --out "$work/gone/Network.net"
    QT_QPA_PLATFORM=offscreen timeout 60 unshare --net "$window" "$work/gone/Network.net" 2>"$work/err" &
    pid=$!
    wait_for_handler "$pid"
    sleep 1
    rm -rf "$work/gone"
    kill -TERM "$pid"
    wait "$pid"
    status=$?
    [ "$status" -eq 1 ] || fail "autosave into a removed folder: exit status $status"
    grep -qF "Cannot save \"$work/gone/Network.net\"" "$work/err" || fail "autosave into a removed folder: $(cat "$work/err")"
fi

# A save in place (the user's own document in a folder where they may not
# make files) killed while it writes: the next start finds the document cut,
# restores it from the complete copy that save kept in the user's cache,
# and says so. The user is nobody, as root passes every permission.
inplace="$work/inplace"
nobody_home="$work/nobody"
mkdir -m 755 "$inplace"
mkdir -p "$nobody_home"
chown 65534:65534 "$nobody_home"
chmod 755 "$work"
as_nobody=(setpriv --reuid=65534 --regid=65534 --clear-groups env HOME="$nobody_home"
    XDG_CONFIG_HOME="$nobody_home/.config" XDG_CACHE_HOME="$nobody_home/.cache")
# 30,000 hosts with 8 shares each: about 30 MB, long enough a write to be
# killed in the middle of.
hosts=30000
python3 - "$inplace/Shared.net" "$hosts" <<'PYTHON'
import sys
path, hosts = sys.argv[1], int(sys.argv[2])
parts = ['<document version="1.0">\r\n <view lastView="4" lastSortCol="3" lastSortRev="0" />\r\n'
         ' <rules searchNetAll="0" searchNetCurrent="0" searchNetByList="0" searchHostByList="0">\r\n'
         '  <nets>\r\n  </nets>\r\n  <hosts>\r\n  </hosts>\r\n'
         '  <filters>\r\n   <nets>\r\n   </nets>\r\n   <hosts>\r\n   </hosts>\r\n  </filters>\r\n </rules>\r\n'
         ' <cache>\r\n  <nets>\r\n   <net name="LAB" />\r\n  </nets>\r\n  <hosts>\r\n']
for h in range(hosts):
    parts.append('   <host name="PC-%05d" addr="10.66.%d.%d" group="LAB" onlineCount="3" offlineCount="1" '
                 'lastState="0" lastAnswerTime="40">\r\n    <shares>\r\n' % (h, h // 250, h % 250 + 1))
    parts.extend('     <share name="Share %d of PC-%05d" />\r\n' % (s, h) for s in range(8))
    parts.append('    </shares>\r\n   </host>\r\n')
parts.append('  </hosts>\r\n </cache>\r\n</document>\r\n')
with open(path, 'wb') as f:
    f.write(b'\xff\xfe' + ''.join(parts).encode('utf-16-le'))
PYTHON
chown 65534:65534 "$inplace/Shared.net"
cut=0
for attempt in 1 2 3 4 5; do
    # Killed as soon as the file's size changes: the save has begun writing.
    python3 - "$inplace/Shared.net" unshare --net "${as_nobody[@]}" "$scan" --quiet --no-all --timeout 1 \
        "$inplace/Shared.net" <<'PYTHON'
import os, signal, subprocess, sys, time
doc = sys.argv[1]
size = os.stat(doc).st_size
# unshare, setpriv and env each become the next program: one process.
child = subprocess.Popen(sys.argv[2:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
deadline = time.monotonic() + 150
while child.poll() is None and time.monotonic() < deadline:
    if os.stat(doc).st_size != size:
        os.kill(child.pid, signal.SIGKILL)
        break
child.wait()
PYTHON
    copy=$(find "$nobody_home/.cache/Brevant/Lanterra/Saves" -type f -name '*-Shared.net' 2>/dev/null | head -1)
    if [ -n "$copy" ] && [ "$(stat -c %s "$inplace/Shared.net")" -lt "$(stat -c %s "$copy")" ] &&
        cmp -s -n "$(stat -c %s "$inplace/Shared.net")" "$inplace/Shared.net" "$copy"; then
        cut=1
        break
    fi
    echo "files.sh: attempt $attempt did not cut the save in place; again" >&2
done
if [ "$cut" -ne 1 ]; then
    fail "save in place: no kill left the document cut beside its copy"
else
    cp "$copy" "$work/copy.net"
    unshare --net "${as_nobody[@]}" "$scan" --no-all --no-save --timeout 1 "$inplace/Shared.net" \
        >"$work/out" 2>"$work/err"
    status=$?
    [ "$status" -eq 0 ] || fail "save in place: the next start ended with $status: $(cat "$work/err")"
    grep -q "cut short" "$work/err" || fail "save in place: no word of the restore: $(cat "$work/err")"
    cmp -s "$work/copy.net" "$inplace/Shared.net" || fail "save in place: the document was not restored"
    [ -e "$copy" ] && fail "save in place: the copy was left behind"
    [ "$(grep -c 'of PC-' "$work/out")" -eq $((hosts * 8)) ] ||
        fail "save in place: $(grep -c 'of PC-' "$work/out") shares listed, not $((hosts * 8))"
    [ "$(find "$inplace" -type f | wc -l)" -eq 1 ] || fail "save in place: files beside the document: $(ls "$inplace")"
fi

# Why a host gave no share list is a debug message: shown with --verbose
# only. The host is unreachable here (the namespace has no route at all).
run_scan --hosts 10.9.9.9 --no-save
grep -qF "no share list from" "$work/err" && fail "a debug message without --verbose: $(cat "$work/err")"
run_scan --hosts 10.9.9.9 --no-save --verbose
[ "$status" -eq 0 ] || fail "--verbose: exit status $status"
grep -qF "no share list from \"10.9.9.9\"" "$work/err" || fail "--verbose: no reason on standard error: $(cat "$work/err")"

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)" >&2
    exit 1
fi
echo "files.sh: all checks passed" >&2
