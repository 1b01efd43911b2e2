#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks an installed copy of Lanterra below PREFIX (a `cmake --install
# --prefix` folder, or /usr of an installed package): every file in its
# place, the menu entry, metainfo and manual pages clean by their linters,
# and the installed programs at work from there: lanterra-scan finds its
# helper in libexec (a scan of 127.0.0.1 in a network namespace of its own
# ends offline, answered by the helper), and the window program, on its
# first start with LANG=de_DE.UTF-8, finds German and the Slate icon
# library in share/lanterra and writes them into settings.xml at SIGTERM.
#
#   scripts/check-install-tree.sh [--no-lint] [--no-window] PREFIX
# Exits 77 when the linters are missing (unless --no-lint) or the window
# program is not installed (unless --no-window).
set -uo pipefail

lint=1
window=1
while [ $# -gt 1 ]; do
    case $1 in
        --no-lint) lint=0 ;;
        --no-window) window=0 ;;
        *) break ;;
    esac
    shift
done
[ $# -eq 1 ] || { echo "usage: $0 [--no-lint] [--no-window] PREFIX" >&2; exit 2; }
prefix=$(cd "$1" && pwd) || exit 2

if [ "$lint" -eq 1 ]; then
    for tool in desktop-file-validate appstreamcli man; do
        command -v "$tool" >/dev/null || { echo "check-install-tree: $tool is not installed (scripts/deps.sh package)" >&2; exit 77; }
    done
fi
if [ "$window" -eq 1 ] && [ ! -e "$prefix/bin/lanterra" ]; then
    echo "check-install-tree: no window program in $prefix/bin" >&2
    exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

# --- The layout.
executables=(bin/lanterra-scan libexec/lanterra/lanterra-smbhelper)
files=(share/man/man1/lanterra-scan.1.gz share/bash-completion/completions/lanterra-scan
    share/doc/lanterra/copyright share/doc/lanterra/changelog.gz
    share/lanterra/Locales/German/German.lng share/lanterra/Locales/German/German.html
    share/lanterra/Locales/English/English.html)
if [ "$window" -eq 1 ]; then
    executables+=(bin/lanterra)
    files+=(share/lanterra/Icons/Slate.icl share/man/man1/lanterra.1.gz
        share/applications/lanterra.desktop share/mime/packages/lanterra.xml
        share/metainfo/net.brevant.lanterra.metainfo.xml share/icons/hicolor/scalable/apps/lanterra.svg)
    for size in 16 22 24 32 48 64 128 256; do
        files+=("share/icons/hicolor/${size}x${size}/apps/lanterra.png")
    done
fi
for path in "${executables[@]}"; do
    [ -f "$prefix/$path" ] && [ -x "$prefix/$path" ] || fail "$path: missing or not executable"
done
for path in "${files[@]}"; do
    [ -f "$prefix/$path" ] && [ -s "$prefix/$path" ] || fail "$path: missing or empty"
done
# The helper is no command.
[ -e "$prefix/bin/lanterra-smbhelper" ] && fail "the listing helper was installed into bin/"
find "$prefix/share/lanterra" -name '*.src' | grep -q . && fail "language tables (*.lng.src) were installed"
if [ "$window" -eq 1 ]; then
    for size in 16 32 256; do
        png="$prefix/share/icons/hicolor/${size}x${size}/apps/lanterra.png"
        # The PNG header's width and height, big-endian, at bytes 16 and 20.
        read -r width height < <(od -An -tu1 -j16 -N8 "$png" 2>/dev/null |
            awk '{ print ($1*16777216 + $2*65536 + $3*256 + $4), ($5*16777216 + $6*65536 + $7*256 + $8) }')
        [ "${width:-0}" -eq "$size" ] && [ "${height:-0}" -eq "$size" ] ||
            fail "lanterra.png at ${size}x${size} is ${width:-?}x${height:-?}"
    done
fi
[ "$failures" -eq 0 ] && pass "layout below $prefix"

# --- The linters.
if [ "$lint" -eq 1 ]; then
    if [ "$window" -eq 1 ]; then
        desktop-file-validate "$prefix/share/applications/lanterra.desktop" && pass "desktop-file-validate" ||
            fail "desktop-file-validate lanterra.desktop"
        appstreamcli validate --no-net --pedantic "$prefix/share/metainfo/net.brevant.lanterra.metainfo.xml" ||
            fail "appstreamcli validate"
    fi
    for page in "$prefix"/share/man/man1/*.1.gz; do
        # man --warnings prints groff's complaints on standard error.
        LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" >/dev/null 2>"$work/man.err"
        if [ $? -ne 0 ] || [ -s "$work/man.err" ]; then
            fail "man --warnings $(basename "$page"): $(cat "$work/man.err")"
        else
            pass "man --warnings $(basename "$page")"
        fi
    done
fi

# --- The programs, run from there, with a home of their own.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset LANTERRA_DATA_DIR LANTERRA_SMBHELPER LC_ALL LC_MESSAGES LANGUAGE

"$prefix/bin/lanterra-scan" --help >"$work/help" 2>&1 && grep -q -- '--format text|csv|json' "$work/help" &&
    pass "lanterra-scan --help" || fail "lanterra-scan --help: $(cat "$work/help")"

if [ "$(id -u)" -eq 0 ] && unshare --net true 2>/dev/null; then
    # Nothing listens in the namespace: the helper answers "not reachable"
    # (53); without a helper, -v would say it cannot be started.
    timeout 120 unshare --net sh -c 'ip link set lo up 2>/dev/null; exec "$@"' scan \
        "$prefix/bin/lanterra-scan" -v --no-save --hosts 127.0.0.1 >"$work/scan.out" 2>"$work/scan.err"
    status=$?
    if [ "$status" -ne 0 ] || grep -q 'cannot start the listing helper' "$work/scan.err" ||
        ! grep -q 'no share list from "127.0.0.1" error 53' "$work/scan.err" ||
        ! grep -q 'Ready. 0 shares.' "$work/scan.err"; then
        fail "scan of 127.0.0.1 (status $status): $(cat "$work/scan.err")"
    else
        pass "lanterra-scan found its helper: $(grep 'error 53' "$work/scan.err")"
    fi
else
    echo "skipped: the scan through the helper needs root and network namespaces" >&2
fi

# Waits until the program (pid $1) has its SIGTERM handler in place, or has
# ended: a SIGTERM before that would kill it the default way.
wait_for_handler() {
    local caught i
    for i in $(seq 600); do
        caught=$(awk '/^SigCgt:/ { print $2 }' "/proc/$1/status" 2>/dev/null)
        [ -n "$caught" ] && (( (16#$caught >> 14) & 1 )) && return 0
        kill -0 "$1" 2>/dev/null || return 0
        sleep 0.1
    done
}

if [ "$window" -eq 1 ]; then
    settings="$XDG_CONFIG_HOME/Brevant/Lanterra/settings.xml"
    LANG=de_DE.UTF-8 QT_QPA_PLATFORM=offscreen DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent \
        "$prefix/bin/lanterra" >"$work/window.err" 2>&1 &
    pid=$!
    wait_for_handler "$pid"
    sleep 1
    kill -TERM "$pid" 2>/dev/null
    for i in $(seq 600); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$pid" 2>/dev/null; then
        kill -KILL "$pid"
        fail "lanterra did not end on SIGTERM"
    fi
    wait "$pid"
    status=$?
    if [ ! -f "$settings" ]; then
        fail "lanterra wrote no settings.xml (status $status): $(cat "$work/window.err")"
    else
        iconv -f UTF-16 -t UTF-8 "$settings" >"$work/settings.txt" 2>/dev/null || cp "$settings" "$work/settings.txt"
        grep -q '<language name="German"' "$work/settings.txt" &&
            pass "lanterra found German in $prefix/share/lanterra/Locales" ||
            fail "lanterra did not take German: $(grep -i '<language' "$work/settings.txt")"
        grep -q '<iconlib name="Slate"' "$work/settings.txt" &&
            pass "lanterra found the Slate icon library in $prefix/share/lanterra/Icons" ||
            fail "lanterra did not find Slate.icl: $(grep -i '<iconlib' "$work/settings.txt")"
    fi
fi

if [ "$failures" -ne 0 ]; then
    echo "check-install-tree: $failures failure(s)" >&2
    exit 1
fi
echo "check-install-tree: all checks passed for $prefix"
