// SPDX-License-Identifier: GPL-3.0-or-later
#include "signalbridge.h"

// Windows ends programs through window messages; nothing to bridge.
SignalBridge::SignalBridge(QObject *parent) : QObject(parent) {}
SignalBridge::~SignalBridge() = default;
