#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages Lanterra needs to build, test and run, when
# any is missing. Every script that needs packages asks here, so each list
# lives in one place. Usage: scripts/deps.sh [build|test|run|bench|package]
set -euo pipefail

build_packages=(build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-svg-dev qt6-tools-dev qt6-l10n-tools libx11-dev libxcb1-dev
    samba-dev libsmbclient-dev qtkeychain-qt6-dev qt6-translations-l10n)
# wsdd and avahi-daemon play announcing hosts inside test namespaces; a
# domain controller (samba-ad-dc, which brings winbind, and its provisioning
# data) and MIT kinit from krb5-user prove the Kerberos path. krb5-user
# alone, without its recommended krb5-config, asks nothing and writes no
# /etc/krb5.conf. at-spi2-core and python3-dbus read the window's
# accessibility tree as a screen reader does.
test_packages=(libgtest-dev libgmock-dev libbenchmark-dev libpugixml-dev at-spi2-core python3-dbus
    clang libclang-rt-14-dev samba smbclient iproute2 procps
    python3 xvfb openbox trayer xdotool imagemagick wsdd avahi-daemon gnome-keyring dbus
    g++-mingw-w64-x86-64
    samba-ad-dc samba-ad-provision winbind krb5-user)
# The demo network's announced host runs wsdd; Qt's own texts (message-box
# buttons, file dialogs) in the user's language come from
# qt6-translations-l10n.
run_packages=(samba iproute2 procps wsdd qt6-translations-l10n)
# The scan benchmarks time lanterra-scan against nmap and smbclient.
bench_packages=(samba smbclient iproute2 procps time nmap)
# The Debian package: CPack's DEB generator with dpkg-shlibdeps, and the
# linters that check the package, its menu entry, metainfo and manual pages.
package_packages=(dpkg-dev file lintian desktop-file-utils appstream man-db groff-base)

case "${1:-build}" in
    build) wanted=("${build_packages[@]}") ;;
    test) wanted=("${build_packages[@]}" "${test_packages[@]}") ;;
    run) wanted=("${build_packages[@]}" "${run_packages[@]}") ;;
    bench) wanted=("${build_packages[@]}" "${bench_packages[@]}") ;;
    package) wanted=("${build_packages[@]}" "${package_packages[@]}") ;;
    *) echo "usage: $0 [build|test|run|bench|package]" >&2; exit 2 ;;
esac

missing=()
for package in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq

# The servers the demo and the tests start themselves: installing their
# packages must not turn this machine into a file server or make it announce
# itself on its real network. Where systemd runs, the services of a package
# installed here are masked while it installs (so they never start) and left
# disabled afterwards; a package that was already installed keeps its setup.
services_of() {
    case "$1" in
        samba | samba-ad-dc) echo smbd.service nmbd.service samba-ad-dc.service ;;
        winbind) echo winbind.service ;;
        wsdd) echo wsdd.service ;;
        avahi-daemon) echo avahi-daemon.service avahi-daemon.socket ;;
    esac
}
held=()
if [ -d /run/systemd/system ]; then
    for package in "${missing[@]}"; do
        for unit in $(services_of "$package"); do held+=("$unit"); done
    done
fi
[ ${#held[@]} -gt 0 ] && { $sudo systemctl mask "${held[@]}" >/dev/null 2>&1 || true; }
# Without systemd, the packages' init scripts would start the daemons unless
# a policy says no: one refusing every start, for the time of this install
# only, where the machine has none of its own.
policy=/usr/sbin/policy-rc.d
own_policy=0
if [ ! -d /run/systemd/system ] && [ ! -e "$policy" ]; then
    printf '#!/bin/sh\n# left by Lanterra'"'"'s scripts/deps.sh while it installs\nexit 101\n' | $sudo tee "$policy" >/dev/null \
        && $sudo chmod 0755 "$policy" && own_policy=1
    # Gone again however the install ends (an interrupt included).
    trap '[ $own_policy = 1 ] && $sudo rm -f "$policy"' EXIT
fi
status=0
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null || status=$?
[ $own_policy = 1 ] && $sudo rm -f "$policy"
if [ ${#held[@]} -gt 0 ]; then
    $sudo systemctl unmask "${held[@]}" >/dev/null 2>&1 || true
    $sudo systemctl disable "${held[@]}" >/dev/null 2>&1 || true
    echo "Left disabled (the demo and tests start their own): ${held[*]}" >&2
fi
exit $status
