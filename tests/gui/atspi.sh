#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The window's accessibility tree as a screen reader reads it: the frame of
# tst_accessibility on a desktop of its own (Xvfb and openbox through
# under-wm.sh, a private session bus, the accessibility bus of at-spi2-core)
# is dumped over AT-SPI by atspi-dump.py from another process and checked.
# No network is touched: the frame's network is held in memory.
#
#   atspi.sh TST_ACCESSIBILITY UNDER_WM
set -u
test_program=$1 under_wm=$2
here=$(cd "$(dirname "$0")" && pwd)

command -v dbus-run-session >/dev/null || { echo "SKIP: dbus-run-session is not installed"; exit 77; }
[ -x /usr/libexec/at-spi-bus-launcher ] || { echo "SKIP: at-spi2-core is not installed"; exit 77; }
# Debian's python3 has python3-dbus; another one earlier on PATH may not.
python=""
for candidate in /usr/bin/python3 "$(command -v python3)"; do
    [ -x "$candidate" ] && "$candidate" -c 'import dbus' 2>/dev/null && { python=$candidate; break; }
done
[ -n "$python" ] || { echo "SKIP: python3-dbus is not installed"; exit 77; }

export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
export LANTERRA_ATSPI_DUMPER=$here/atspi-dump.py LANTERRA_ATSPI_PYTHON=$python
unset DBUS_SESSION_BUS_ADDRESS
exec dbus-run-session -- "$under_wm" "$test_program" atspiTreeOfTheFrame
