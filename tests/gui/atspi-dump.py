#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Prints the accessibility tree that screen readers see, read over AT-SPI.

One JSON array per object: [depth, role, name, description], depth-first
from each application below the registry's root. Needs the session bus of
a desktop whose accessibility bus runs (at-spi2-core) and python3-dbus.

Usage: atspi-dump.py [APPLICATION_NAME]
"""

import json
import sys
import time

import dbus

ACCESSIBLE = 'org.a11y.atspi.Accessible'
MAX_OBJECTS = 5000


def main():
    wanted = sys.argv[1] if len(sys.argv) > 1 else None
    session = dbus.SessionBus()
    address = session.get_object('org.a11y.Bus', '/org/a11y/bus').GetAddress(dbus_interface='org.a11y.Bus')
    bus = dbus.bus.BusConnection(str(address))
    seen = 0

    def node(name, path):
        return bus.get_object(name, path, introspect=False)

    def walk(name, path, depth):
        nonlocal seen
        if seen >= MAX_OBJECTS:
            return
        seen += 1
        obj = node(name, path)
        props = dbus.Interface(obj, 'org.freedesktop.DBus.Properties')
        label = str(props.Get(ACCESSIBLE, 'Name'))
        description = str(props.Get(ACCESSIBLE, 'Description'))
        role = str(obj.GetRoleName(dbus_interface=ACCESSIBLE))
        print(json.dumps([depth, role, label, description]), flush=True)
        for child_name, child_path in obj.GetChildren(dbus_interface=ACCESSIBLE):
            if str(child_path) == '/org/a11y/atspi/null':
                continue
            walk(str(child_name), str(child_path), depth + 1)

    root = node('org.a11y.atspi.Registry', '/org/a11y/atspi/accessible/root')
    # Applications register a moment after they start.
    for _ in range(100):
        apps = root.GetChildren(dbus_interface=ACCESSIBLE)
        if apps:
            break
        time.sleep(0.1)
    for app_name, app_path in apps:
        app = node(str(app_name), str(app_path))
        title = str(dbus.Interface(app, 'org.freedesktop.DBus.Properties').Get(ACCESSIBLE, 'Name'))
        if wanted and title != wanted:
            continue
        walk(str(app_name), str(app_path), 0)
    return 0 if seen else 1


if __name__ == '__main__':
    sys.exit(main())
