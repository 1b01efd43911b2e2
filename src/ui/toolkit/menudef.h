// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

// One item of a menu resource: a command, a separator or a pop-up.
struct MenuItemDef
{
    static constexpr int Separator = 0;
    static constexpr int Popup = -1;

    QString text;
    int command = Separator;
    QList<MenuItemDef> items;

    static MenuItemDef Item(const QString &text, int command) { return {text, command, {}}; }
    static MenuItemDef Sep() { return {}; }
    static MenuItemDef Sub(const QString &text, QList<MenuItemDef> items) { return {text, Popup, std::move(items)}; }
};

using MenuDef = QList<MenuItemDef>;
