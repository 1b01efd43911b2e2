#pragma once

// Shared helpers of the window tests: a settings object that never touches
// the user's files, schemes with known groups, and documents filled in memory.

#include "model/lanterradoc.h"
#include "settings/settings.h"
#include "settings/sharescheme.h"
#include "ui/view/shareactions.h"

#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

#include <memory>
#include <utility>

namespace gui {

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

// Builds a network into a document the way a load or a probe would.
class DocBuilder
{
public:
    explicit DocBuilder(CLanterraDoc &document) : doc(document) {}

    NetRecord *Net(const QString &name)
    {
        for (auto &net : doc.cacheNets)
            if (net->name == name)
                return net.get();
        doc.cacheNets.push_back(std::make_unique<NetRecord>(name));
        return doc.cacheNets.back().get();
    }

    HostRecord *Host(const QString &name, const QString &workgroup = QStringLiteral("WORKGROUP"),
                     const QString &address = {})
    {
        doc.cacheHosts.push_back(std::make_unique<HostRecord>(name, Net(workgroup), address));
        doc.cacheHosts.back()->group = workgroup;
        return doc.cacheHosts.back().get();
    }

    // Appends a share to its host and to the share list; its index.
    int Share(HostRecord *host, const QString &name, ShareState state = ShareOnline)
    {
        return doc.AppendShare(*host, name, state)->index;
    }

    // A probe's state change, queued for the view.
    void Change(int index, ShareState state)
    {
        ShareRecord *share = doc.GetShare(index);
        doc.QueueShares(std::span(&share, 1), state);
    }

    CLanterraDoc &doc;
};

// Remembers what would have been handed to the desktop.
class RecordingLauncher : public IShareLauncher
{
public:
    void OpenUrl(const QUrl &url) override { opened.append(url); }
    void StartProgram(const QString &program, const QStringList &arguments) override
    {
        programs.append(program);
        argumentLists.append(arguments);
    }
    QList<QUrl> opened;
    QStringList programs;
    QList<QStringList> argumentLists;
};

} // namespace gui
