#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a temporary prefix and checks what it installed.
#   install_tree.sh BUILD_DIR CHECK_SCRIPT [CHECK_OPTIONS...]
set -uo pipefail
build=$1
check=$2
shift 2

prefix=$(mktemp -d)
log=$(mktemp)
trap 'rm -rf "$prefix" "$log"' EXIT
if ! cmake --install "$build" --prefix "$prefix" >"$log" 2>&1; then
    cat "$log" >&2
    echo "FAIL: cmake --install" >&2
    exit 1
fi
"$check" "$@" "$prefix"
