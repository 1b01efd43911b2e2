#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What a user does with the package, on a machine without build tools:
# installs it with apt, uses it, removes it. Checks that apt pulls only
# runtime packages (no compilers, no -dev packages, no Samba server or
# wsdd), that the manual page and Tab completion work, that the installed
# programs find their helper, languages and icons
# (scripts/check-install-tree.sh --no-lint /usr), and that removing the
# package leaves none of its files behind. Needs root; changes the system
# it runs on, so run it in a throwaway root:
#
#   ../shared/tools/fresh-root.sh 'scripts/check-package-install.sh lanterra_0.1.0_amd64.deb'
set -uo pipefail

[ $# -eq 1 ] && [ -f "$1" ] || { echo "usage: $0 PACKAGE.deb" >&2; exit 2; }
[ "$(id -u)" -eq 0 ] || { echo "check-package-install: needs root (it installs the package)" >&2; exit 2; }
deb=$(realpath "$1")
root="$(cd "$(dirname "$0")/.." && pwd)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

export DEBIAN_FRONTEND=noninteractive
apt-get update -qq || exit 1
dpkg-query -W -f='${Package}\n' | sort >"$work/before"
echo "=== apt-get install $deb" >&2
apt-get install -y "$deb" >"$work/apt.log" 2>&1 || { cat "$work/apt.log" >&2; echo "FAIL: apt-get install" >&2; exit 1; }
dpkg-query -W -f='${Package}\n' | sort >"$work/after"
comm -13 "$work/before" "$work/after" >"$work/pulled"
echo "apt installed $(wc -l <"$work/pulled") packages:" $(cat "$work/pulled")
build_like=$(grep -E -- '-dev$|^(cmake|ninja-build|gcc|g\+\+|gcc-[0-9]+|g\+\+-[0-9]+|cpp|cpp-[0-9]+|build-essential|make|pkg-config|pkgconf|samba|wsdd|smbclient|qt6-base-dev-tools)$' "$work/pulled")
[ -z "$build_like" ] && pass "only runtime packages were pulled" || fail "build or server packages were pulled: $build_like"
dpkg-deb -f "$deb" Depends | tr ',' '\n' | grep -qE '^ *(samba|wsdd)( |$)' && fail "the package depends on samba or wsdd"

dpkg -L lanterra >"$work/files" || fail "dpkg -L lanterra"
echo "The package's paths ($(wc -l <"$work/files")):"
cat "$work/files"

echo "=== using it" >&2
lanterra-scan --help >"$work/help" 2>&1 && grep -q 'Usage: lanterra-scan' "$work/help" &&
    pass "lanterra-scan --help (on PATH: $(command -v lanterra-scan))" || fail "lanterra-scan --help: $(cat "$work/help")"
# A minimal root has no man; a desktop has. Installed after the package,
# so it is not counted among what the package pulled.
command -v man >/dev/null || apt-get install -y -qq --no-install-recommends man-db >/dev/null 2>&1
MANPAGER=cat MANWIDTH=80 man lanterra-scan >"$work/man" 2>&1 && grep -q 'EXIT STATUS' "$work/man" &&
    pass "man lanterra-scan: $(sed -n '/^NAME/{n;p;q}' "$work/man" | sed 's/^ *//')" ||
    fail "man lanterra-scan: $(head -5 "$work/man")"
# Tab completion of --format, as bash-completion calls the function.
completion=/usr/share/bash-completion/completions/lanterra-scan
formats=$(bash -c 'source "$1"; COMP_WORDS=(lanterra-scan --format ""); COMP_CWORD=2; _lanterra_scan; echo "${COMPREPLY[*]}"' \
    complete "$completion" 2>&1)
[ "$formats" = "text csv json" ] && pass "Tab after --format offers: $formats" || fail "completion of --format: $formats"

"$root/scripts/check-install-tree.sh" --no-lint /usr || fail "the installed tree"

# Opening a share on a plain desktop: no file manager, only what the package
# brought. The desktop's opener (xdg-open) hands the share's smb:// address
# to the desktop's handler of such addresses; a stand-in handler records it.
echo "=== opening a share without a file manager" >&2
dpkg-deb -f "$deb" Depends | tr ',' '\n' | grep -qE '^ *xdg-utils( |$)' && pass "the package depends on xdg-utils" ||
    fail "the package does not depend on xdg-utils"
command -v xdg-open >/dev/null && pass "xdg-open came with the package" || fail "no xdg-open after installing the package"
# An X server, a window manager and a keyboard stand-in; installed after
# the package, so they are not counted among what it pulled.
apt-get install -y -qq --no-install-recommends xvfb openbox xdotool >/dev/null 2>&1 ||
    fail "could not install xvfb, openbox and xdotool for the window"
"$root/scripts/open-share-check.sh" lanterra && pass "Open reached the desktop's handler of smb:// through xdg-open" ||
    fail "Open did not reach the desktop's handler of smb:// addresses"

echo "=== apt-get remove lanterra" >&2
apt-get remove -y lanterra >"$work/apt.log" 2>&1 || { cat "$work/apt.log" >&2; fail "apt-get remove"; }
dpkg -L lanterra >/dev/null 2>&1 && fail "dpkg still lists files of lanterra"
left=0
while IFS= read -r path; do
    [ -e "$path" ] || [ -L "$path" ] || continue
    # Shared folders (/usr/bin, the icon theme's) stay, owned by others.
    if [ -d "$path" ] && [ ! -L "$path" ] && dpkg -S "$path" >/dev/null 2>&1; then
        continue
    fi
    echo "left behind: $path" >&2
    left=$((left + 1))
done <"$work/files"
[ "$left" -eq 0 ] && pass "apt-get remove left none of the package's files" || fail "$left paths left behind"

if [ "$failures" -ne 0 ]; then
    echo "check-package-install: $failures failure(s)" >&2
    exit 1
fi
echo "check-package-install: all checks passed"
