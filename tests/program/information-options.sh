#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# lanterra --help, -h and --version: they answer with no display to open,
# exit 0, and neither read nor write the settings of whoever runs them.
#
#   information-options.sh LANTERRA VERSION
set -u
program=$1
version=$2
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
failed=0

check() {
    local option=$1 expected=$2 output status
    output=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$home" XDG_CONFIG_HOME="$home/config" \
        XDG_RUNTIME_DIR="$home" "$program" "$option" 2>&1)
    status=$?
    if [ "$status" -ne 0 ] || ! grep -qx -- "$expected" <<<"$output"; then
        echo "FAIL $option: exit $status, wanted a line \"$expected\", got:"
        printf '%s\n' "$output" | head -5
        failed=1
    fi
}

check --help 'Usage: lanterra \[DOCUMENT.net\]'
check -h 'Usage: lanterra \[DOCUMENT.net\]'
check --version "lanterra $version"
if [ -n "$(find "$home" -mindepth 1 -print -quit)" ]; then
    echo "FAIL: the options left files behind:"
    find "$home" -mindepth 1
    failed=1
fi
exit $failed
