#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a secret-store test in a store of the state it names, on a private
# session bus and in a home of its own, so no one's keyring is touched:
#   none      no bus at all
#   fresh     gnome-keyring running, no keyring made yet (no default one)
#   locked    a login keyring, unlocked, that the test locks
#   unlocked  a login keyring, unlocked
# Exit 77 (skipped) without dbus-run-session or gnome-keyring-daemon.
#   with-keyring.sh SETUP TEST-PROGRAM
setup=$1
program=$2
export LANTERRA_KEYRING_SETUP=$setup
if [ "$setup" = none ]; then
    DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/lanterra-tests-bus exec "$program"
fi
command -v dbus-run-session >/dev/null && command -v gnome-keyring-daemon >/dev/null || exit 77
home=$(mktemp -d) || exit 1
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/run" && chmod 0700 "$home/run"
HOME=$home XDG_RUNTIME_DIR=$home/run dbus-run-session -- sh -c '
    if [ "$1" = fresh ]; then
        gnome-keyring-daemon --start --components=secrets >/dev/null
    else
        printf unlock | gnome-keyring-daemon --unlock --components=secrets >/dev/null
    fi
    "$2"' sh "$setup" "$program" 2>"$home/bus.err"
status=$?
[ $status -eq 0 ] || cat "$home/bus.err" >&2
exit $status
