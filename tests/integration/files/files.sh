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
