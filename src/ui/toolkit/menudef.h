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
    // A pop-up inside a menu finds its text under this key; top-level ones
    // go by their position.
    int textKey = 0;

    static MenuItemDef Item(const QString &text, int command) { return {text, command, {}}; }
    static MenuItemDef Sep() { return {}; }
    static MenuItemDef Sub(const QString &text, QList<MenuItemDef> items) { return {text, Popup, std::move(items)}; }
    static MenuItemDef Sub(const QString &text, int textKey, QList<MenuItemDef> items)
    {
        return {text, Popup, std::move(items), textKey};
    }
};

using MenuDef = QList<MenuItemDef>;
