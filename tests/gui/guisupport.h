// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Shared helpers of the window tests: a settings object that never touches
// the user's files, schemes with known groups, and documents filled in memory.

#include "documentbuilder.h"
#include "model/lanterradoc.h"
#include "settings/settings.h"
#include "settings/sharescheme.h"
#include "ui/view/shareactions.h"

#include <QAction>
#include <QKeySequence>
#include <QStringList>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QUrl>

#include <memory>
#include <utility>

namespace gui {

// What a tool tip shows once Qt has decided between plain and rich text.
inline QString ShownToolTip(const QString &tip)
{
    if (!Qt::mightBeRichText(tip))
        return tip;
    QTextDocument document;
    document.setHtml(tip);
    return document.toPlainText();
}

// A menu item as its menu shows it: its text, and its keys after a tab.
inline QString ShownMenuText(const QAction *action)
{
    if (action->isSeparator())
        return QStringLiteral("-");
    if (action->shortcut().isEmpty())
        return action->text();
    return action->text() + u'\t' + action->shortcut().toString(QKeySequence::NativeText);
}

inline ShareGroup Group(const QString &name, QStringList keywords, bool visible = true)
{
    ShareGroup group;
    group.name = name;
    group.includeKeywords = std::move(keywords);
    group.visible = visible ? 1 : 0;
    return group;
}

// Settings in a private folder with two schemes: "Media" (groups Music,
// Films, Other (catch-all)) and "Hosts" (the same groups, grouped by host).
class TestSettings
{
public:
    TestSettings()
    {
        settings.setFilePath(dir.filePath(QStringLiteral("settings.xml")));
        settings.programPath = QStringLiteral("/usr/bin/filebrowser");
        settings.programParameters = QStringLiteral("/O /L=\"%s\"");
        for (const QString &name : {QStringLiteral("Media"), QStringLiteral("Hosts")}) {
            ShareScheme *scheme = settings.GetScheme(settings.AddScheme(name));
            scheme->groups = {Group(QStringLiteral("Music"), {QStringLiteral("music")}),
                              Group(QStringLiteral("Films"), {QStringLiteral("film")}),
                              Group(QStringLiteral("Other"), {QStringLiteral("*")})};
        }
        settings.GetScheme(1)->groupByHost = 1;
        CSettings::setInstance(&settings);
    }
    ~TestSettings() { CSettings::setInstance(nullptr); }

    ShareScheme *Media() { return settings.GetScheme(0); }
    ShareScheme *Hosts() { return settings.GetScheme(1); }

    QTemporaryDir dir;
    CSettings settings;
};

// Remembers what would have been handed to the desktop; with `refusal`
// set, every start fails for that reason.
class RecordingLauncher : public IShareLauncher
{
public:
    bool OpenUrl(const QUrl &url) override
    {
        opened.append(url);
        return refusal.isEmpty();
    }
    QString StartProgram(const QString &program, const QStringList &arguments) override
    {
        programs.append(program);
        argumentLists.append(arguments);
        return refusal;
    }
    QList<QUrl> opened;
    QStringList programs;
    QList<QStringList> argumentLists;
    QString refusal;
};

} // namespace gui
