// SPDX-License-Identifier: GPL-3.0-or-later
// Fills the share list from a document of many shares and reports how long
// each update tick (and the layout and painting that follow it) takes, the
// time until "Ready.", and the memory the list costs per share; then how
// long each keystroke in the quick filter takes, typing a text letter by
// letter and taking it away again; then, with --scan-end, how long after a
// scan's end ("Ready.") the list takes to show the scan's final state.
//
//   bench_view [--shares N] [--mode tiles|list|details] [--hosts N] [--locked N]
//              [--filter TEXT] [--rescan] [--scan-end]
#include "model/lanterradoc.h"
#include "settings/settings.h"
#include "ui/view/lanterraview.h"
#include "ui/view/sharelistmodel.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QEventLoop>
#include <QSignalBlocker>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <span>
#include <vector>

namespace {

// Peak and current resident memory of this process, in KiB.
long MemoryKiB(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toLong();
    return 0;
}

ShareGroup Group(const QString &name, const QStringList &keywords)
{
    ShareGroup group;
    group.name = name;
    group.includeKeywords = keywords;
    group.visible = 1;
    return group;
}

void FillDocument(CLanterraDoc &doc, int shareCount, int hostCount, int lockedEvery)
{
    const char *kinds[] = {"Music", "Films", "install", "Docs", "Images", "backup", "games", "public", "video", "mp3"};
    NetRecord *net = doc.AddNet(QStringLiteral("WORKGROUP"));
    std::uint32_t seed = 12345;
    for (int h = 0; h < hostCount; ++h) {
        HostRecord *host = doc.AddHost(QStringLiteral("host-%1").arg(h, 5, 10, QLatin1Char('0')), net);
        host->lastState = h % 7 == 0 ? 53 : 0;
        // A host that refused its listing: one entry stands for its shares.
        if (lockedEvery > 0 && h % lockedEvery == 1)
            host->lastState = 5;
    }
    for (int i = 0; i < shareCount; ++i) {
        HostRecord *host = doc.cacheHosts()[size_t(i % hostCount)].get();
        seed = seed * 1103515245u + 12345u;
        const QString name = QStringLiteral("%1 %2").arg(QLatin1String(kinds[(seed >> 16) % 10])).arg((seed >> 8) % 100000);
        doc.AppendShare(*host, name, host->lastState == 0 ? ShareOnline : ShareOffline);
    }
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("shares"), QStringLiteral("Shares in the document."), QStringLiteral("n"), QStringLiteral("100000")});
    parser.addOption({QStringLiteral("hosts"), QStringLiteral("Hosts they belong to."), QStringLiteral("n"), QStringLiteral("2000")});
    parser.addOption({QStringLiteral("mode"), QStringLiteral("tiles, list or details."), QStringLiteral("mode"), QStringLiteral("tiles")});
    parser.addOption({QStringLiteral("locked"), QStringLiteral("Every n-th host needs a login (0: none)."),
                      QStringLiteral("n"), QStringLiteral("0")});
    parser.addOption({QStringLiteral("by-host"), QStringLiteral("Group by host instead of by share kind.")});
    parser.addOption({QStringLiteral("filter"), QStringLiteral("Text typed into the quick filter (empty: none)."),
                      QStringLiteral("text"), QStringLiteral("music 12")});
    parser.addOption({QStringLiteral("rescan"),
                      QStringLiteral("Then start a scan: every share turns unknown and one probe reports.")});
    parser.addOption({QStringLiteral("scan-end"),
                      QStringLiteral("Then a scan that ended with every share's new state still queued: the time "
                                     "from \"Ready.\" to the final list, with the window's own timer.")});
    parser.process(app);
    const int shareCount = std::max(1, parser.value(QStringLiteral("shares")).toInt());
    const int hostCount = std::clamp(parser.value(QStringLiteral("hosts")).toInt(), 1, shareCount);
    const QString modeName = parser.value(QStringLiteral("mode"));
    const int mode = modeName == u"details" ? CLanterraView::ModeDetails
                     : modeName == u"list"  ? CLanterraView::ModeList
                                            : CLanterraView::ModeTiles;

    QTemporaryDir dir;
    CSettings settings;
    settings.setFilePath(dir.filePath(QStringLiteral("settings.xml")));
    CSettings::setInstance(&settings);
    ShareScheme *scheme = settings.GetScheme(settings.AddScheme(QStringLiteral("Bench")));
    scheme->groupByHost = parser.isSet(QStringLiteral("by-host"));
    scheme->groups = {Group(QStringLiteral("Music"), {QStringLiteral("music"), QStringLiteral("mp3")}),
                      Group(QStringLiteral("Films"), {QStringLiteral("film"), QStringLiteral("video")}),
                      Group(QStringLiteral("Installs"), {QStringLiteral("install")}),
                      Group(QStringLiteral("Documents"), {QStringLiteral("doc")}),
                      Group(QStringLiteral("Images"), {QStringLiteral("image")}),
                      Group(QStringLiteral("Other"), {QStringLiteral("*")})};

    CLanterraDoc doc(&settings);
    FillDocument(doc, shareCount, hostCount, parser.value(QStringLiteral("locked")).toInt());

    CLanterraView view;
    view.SetDocument(&doc);
    view.SetViewMode(mode);
    view.resize(600, 650);
    view.show();
    QCoreApplication::processEvents();

    const long baseline = MemoryKiB("VmRSS:");
    std::vector<double> ticks;  // the tick alone
    std::vector<double> frames; // the tick plus the layout and painting it causes
    QElapsedTimer total;
    total.start();
    view.RebuildList(scheme);
    // The ticks are run here, one after the other; the timer only says
    // whether another one is due.
    QSignalBlocker quietTimer(view.UpdateTimer());
    QCoreApplication::processEvents();
    QElapsedTimer clock;
    while (view.IsTimerActive()) {
        clock.start();
        view.UpdateTick();
        const double tick = double(clock.nsecsElapsed()) / 1e6;
        QCoreApplication::processEvents();
        ticks.push_back(tick);
        frames.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    const double untilReady = double(total.nsecsElapsed()) / 1e6;
    const long peak = MemoryKiB("VmHWM:");

    std::printf("shares %d, hosts %d, mode %s%s\n", shareCount, hostCount, qPrintable(modeName),
                scheme->groupByHost ? ", grouped by host" : "");
    std::printf("ticks                 %zu\n", ticks.size());
    std::printf("longest tick          %.2f ms (with layout and painting %.2f ms)\n",
                *std::max_element(ticks.begin(), ticks.end()), *std::max_element(frames.begin(), frames.end()));
    std::printf("median tick           %.2f ms (with layout and painting %.2f ms)\n", Median(ticks), Median(frames));
    std::printf("work until \"Ready.\"   %.0f ms (ticks back to back, without the 25 ms waits)\n", untilReady);
    std::printf("at 25 ms per tick     %.1f s until \"Ready.\"\n", untilReady / 1000.0 + 0.025 * double(ticks.size()));
    std::vector<size_t> slowest(frames.size());
    for (size_t i = 0; i < slowest.size(); ++i)
        slowest[i] = i;
    std::sort(slowest.begin(), slowest.end(), [&frames](size_t a, size_t b) { return frames[a] > frames[b]; });
    std::printf("slowest ticks         ");
    for (size_t i = 0; i < slowest.size() && i < 5; ++i)
        std::printf("#%zu %.1f/%.1f ms  ", slowest[i], ticks[slowest[i]], frames[slowest[i]]);
    std::printf("\n");
    std::printf("status                %s\n", qPrintable(view.StatusText()));
    std::printf("items                 %d (%d host entries)\n", view.Model()->ItemCount(), view.Model()->EntryCount());
    std::printf("peak memory           %ld KiB (list: %.0f bytes per share over the document)\n", peak,
                double(peak - baseline) * 1024.0 / shareCount);

    const QString filter = parser.value(QStringLiteral("filter"));
    if (!filter.isEmpty()) {
        // A keystroke: the filter applied, then the layout and painting it
        // causes. Typing narrows from what is shown; Backspace widens again
        // from the whole list.
        std::vector<double> keys;
        std::vector<double> keyFrames;
        std::vector<int> shown;
        const auto type = [&](const QString &text) {
            clock.start();
            view.SetFilterText(text);
            keys.push_back(double(clock.nsecsElapsed()) / 1e6);
            QCoreApplication::processEvents();
            keyFrames.push_back(double(clock.nsecsElapsed()) / 1e6);
            shown.push_back(view.Model()->ShownItemCount());
        };
        for (qsizetype n = 1; n <= filter.size(); ++n)
            type(filter.left(n));
        for (qsizetype n = filter.size() - 1; n >= 0; --n)
            type(filter.left(n));
        std::printf("filter \"%s\"          %zu keystrokes, shown:", qPrintable(filter), keys.size());
        for (int count : shown)
            std::printf(" %d", count);
        std::printf("\n");
        std::printf("filter keystroke      median %.2f ms, longest %.2f ms (with layout and painting %.2f / %.2f ms)\n",
                    Median(keys), *std::max_element(keys.begin(), keys.end()), Median(keyFrames),
                    *std::max_element(keyFrames.begin(), keyFrames.end()));
        std::printf("typing (narrowing)    ");
        for (size_t i = 0; i < size_t(filter.size()); ++i)
            std::printf("%.1f/%.1f ", keys[i], keyFrames[i]);
        std::printf("ms\nBackspace (widening) ");
        for (size_t i = size_t(filter.size()); i < keys.size(); ++i)
            std::printf("%.1f/%.1f ", keys[i], keyFrames[i]);
        std::printf("ms\n");
    }

    if (parser.isSet(QStringLiteral("rescan"))) {
        // What a scan start does to a filled list: every state is reset, so
        // the first tick with a change sorts the whole list again.
        for (int i = 0; i < doc.GetShareCount(); ++i)
            doc.GetShare(i)->state = ShareUnknown;
        view.OnDocumentUpdate(HintScanStarted);
        ShareRecord *first = doc.GetShare(0);
        doc.QueueShares(std::span(&first, 1), ShareOnline);
        clock.start();
        view.UpdateTick();
        const double tick = double(clock.nsecsElapsed()) / 1e6;
        QCoreApplication::processEvents();
        std::printf("scan start re-sort    %.2f ms (with layout and painting %.2f ms)\n", tick,
                    double(clock.nsecsElapsed()) / 1e6);
    }
    if (parser.isSet(QStringLiteral("scan-end"))) {
        // A scan marks every share unknown when it starts; its probes find
        // them all online and queue them, faster than the list takes them
        // during the scan. It has ended: "Ready." stands in the status line,
        // and the window's timer now brings the list to the final state.
        view.SetFilterText(QString());
        settings.markBeforeScan = true;
        std::vector<ShareRecord *> all;
        for (int i = 0; i < doc.GetShareCount(); ++i) {
            doc.GetShare(i)->state = ShareUnknown;
            all.push_back(doc.GetShare(i));
        }
        view.OnDocumentUpdate(HintScanStarted);
        doc.QueueShares(all, ShareOnline);
        quietTimer.unblock();
        QElapsedTimer untilFinal;
        untilFinal.start();
        view.OnDocumentUpdate(HintScanStopped);
        const QString ready = view.StatusText();
        // How long the window could not answer: the longest wait of a timer
        // that wants to run every millisecond.
        qint64 longestStall = 0;
        QElapsedTimer sinceLast;
        sinceLast.start();
        QTimer probe;
        QEventLoop loop;
        QObject::connect(&probe, &QTimer::timeout, [&] {
            longestStall = std::max(longestStall, sinceLast.elapsed());
            sinceLast.restart();
            if (!view.IsTimerActive())
                loop.quit();
        });
        probe.start(1);
        loop.exec();
        const double final = double(untilFinal.nsecsElapsed()) / 1e6;
        int online = 0;
        for (int i = 0; i < doc.GetShareCount(); ++i)
            online += view.Model()->ItemImage(i) == CShareListModel::OnlineImage;
        std::printf("after a scan          \"%s\"\n", qPrintable(ready));
        std::printf("Ready to final list   %.0f ms (%d of %d items online), window held at most %lld ms at a time\n",
                    final, online, view.Model()->ItemCount() - view.Model()->EntryCount(), longestStall);
    }
    CSettings::setInstance(nullptr);
    return 0;
}
