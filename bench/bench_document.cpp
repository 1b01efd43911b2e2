// SPDX-License-Identifier: GPL-3.0-or-later
// Saving and loading a network document of 10,000 hosts and 100,000 shares,
// next to pugixml parsing the same file as the reference for the load.
// After the timings it prints the peak memory each step needs, measured in a
// child process of its own. With --large it then writes a crafted document
// of 100,000 hosts and 1.7 million shares (about 180 MB) and prints what its
// open takes: peak memory against the file's size, and how long the open
// holds the thread that runs it (the window's, in the program).
#include "app/lanterraapp.h"
#include "model/lanterradoc.h"
#include "settings/settings.h"

#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>

namespace {

constexpr int kHosts = 10000;
constexpr int kShares = 100000;

const char16_t *const kDepartments[] = {u"ACCT", u"SALES", u"DEV", u"HR", u"LAB", u"OPS", u"MKT", u"LEGAL", u"ADMIN", u"QA"};
const char16_t *const kShareNames[] = {
    u"Music", u"Films", u"Photos", u"Install", u"Distrib", u"Users", u"Public", u"Shared Docs", u"C$", u"D$",
    u"ADMIN$", u"print$", u"Games", u"Books", u"Backup", u"Projects", u"Software", u"Temp", u"Video", u"Series",
    u"Anime", u"Drivers", u"ISO", u"Downloads", u"Work", u"Archive", u"Scans", u"Reports", u"Media", u"MP3"};

// Deterministic, so every run measures the same file.
quint32 Next(quint32 &seed)
{
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
}

void FillDocument(CLanterraDoc &doc)
{
    quint32 seed = 2024;
    for (int n = 0; n < 20; ++n)
        doc.AddNet(n == 0 ? QStringLiteral("WORKGROUP") : QStringLiteral("OFFICE-%1").arg(n));
    doc.rules().searchHostByList = 1;
    doc.rules().hosts = {QStringLiteral("10.0.0.1 - 10.0.3.254"), QStringLiteral("fileserver")};
    doc.rules().excHosts = {QStringLiteral("PRINTER-01")};

    int sharesLeft = kShares;
    for (int h = 0; h < kHosts; ++h) {
        NetRecord *net = doc.cacheNets()[Next(seed) % doc.cacheNets().size()].get();
        const QString addr = QStringLiteral("10.%1.%2.%3").arg(h / 65536).arg((h / 256) % 256).arg(h % 256 + 1);
        QString name;
        if (h % 17 != 0) // every 17th host came from an address range
            name = QStringLiteral("PC-%1-%2").arg(QStringView(kDepartments[Next(seed) % 10])).arg(h, 4, 10, QLatin1Char('0'));
        HostRecord *host = doc.AddHost(name, net, addr);
        host->onlineCount = int(Next(seed) % 200);
        host->offlineCount = int(Next(seed) % 50);
        host->lastState = Next(seed) % 4 == 0 ? 53 : 0;
        host->lastAnswerTime = int(Next(seed) % 3000);
        host->visibleShares = int(Next(seed) % 5);
        // Between 0 and 20 shares, 10 on average, exactly kShares in all.
        const int hostsLeft = kHosts - h;
        const int count = std::clamp(int(Next(seed) % 21), sharesLeft - (hostsLeft - 1) * 20, sharesLeft);
        sharesLeft -= count;
        for (int s = 0; s < count; ++s) {
            QString shareName = QString::fromUtf16(kShareNames[Next(seed) % std::size(kShareNames)]);
            if (s >= 3)
                shareName += QStringLiteral(" %1").arg(s);
            host->shares.push_back(std::make_unique<ShareRecord>(shareName, host));
        }
    }
}

// The file every load benchmark reads, written once.
const QString &DocumentPath()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString file = dir.filePath(QStringLiteral("Large Network.net"));
        CLanterraDoc doc;
        FillDocument(doc);
        doc.WriteDocumentFile(file);
        return file;
    }();
    return path;
}

void CountFile(benchmark::State &state)
{
    state.counters["file_MB"] = double(QFileInfo(DocumentPath()).size()) / 1e6;
}

void BM_SaveDocument(benchmark::State &state)
{
    CLanterraDoc doc;
    FillDocument(doc);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("saved.net"));
    for (auto _ : state) {
        if (!doc.WriteDocumentFile(path)) {
            state.SkipWithError("the document could not be written");
            break;
        }
    }
    CountFile(state);
}
BENCHMARK(BM_SaveDocument)->Unit(benchmark::kMillisecond);

void BM_LoadDocument(benchmark::State &state)
{
    const QString path = DocumentPath();
    for (auto _ : state) {
        auto doc = std::make_unique<CLanterraDoc>();
        doc->ReadDocumentFile(path, false);
        state.PauseTiming();
        if (doc->cacheHosts().size() != size_t(kHosts) || doc->GetShareCount() != kShares)
            state.SkipWithError("not every host and share was read back");
        doc.reset();
        state.ResumeTiming();
    }
    CountFile(state);
}
BENCHMARK(BM_LoadDocument)->Unit(benchmark::kMillisecond);

void BM_PugixmlParse(benchmark::State &state)
{
    const QByteArray path = QFile::encodeName(DocumentPath());
    for (auto _ : state) {
        pugi::xml_document xml;
        const pugi::xml_parse_result result = xml.load_file(path.constData());
        if (!result) {
            state.SkipWithError(result.description());
            break;
        }
        benchmark::DoNotOptimize(xml.first_child());
    }
    CountFile(state);
}
BENCHMARK(BM_PugixmlParse)->Unit(benchmark::kMillisecond);

long StatusKilobytes(const char *field)
{
    FILE *status = std::fopen("/proc/self/status", "r");
    if (!status)
        return -1;
    char line[256];
    long value = -1;
    const size_t length = std::strlen(field);
    while (std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, field, length) == 0) {
            value = std::atol(line + length);
            break;
        }
    }
    std::fclose(status);
    return value;
}

// Runs `step` in a child process and answers how far its resident memory
// rose above where it stood before the step, in kilobytes.
long PeakGrowth(const std::function<void()> &step)
{
    int channel[2];
    if (pipe(channel) != 0)
        return -1;
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        malloc_trim(0);
        // Resets the high-water mark to the present resident size.
        if (FILE *clear = std::fopen("/proc/self/clear_refs", "w")) {
            std::fputs("5", clear);
            std::fclose(clear);
        }
        const long before = StatusKilobytes("VmRSS:");
        step();
        const long growth = StatusKilobytes("VmHWM:") - before;
        [[maybe_unused]] const ssize_t written = write(channel[1], &growth, sizeof growth);
        _exit(0);
    }
    close(channel[1]);
    long growth = -1;
    if (read(channel[0], &growth, sizeof growth) != sizeof growth)
        growth = -1;
    close(channel[0]);
    waitpid(child, nullptr, 0);
    return growth;
}

void PrintMemory()
{
    const QString path = DocumentPath();
    const QByteArray nativePath = QFile::encodeName(path);
    std::printf("\nPeak memory above the starting point (file %.1f MB):\n", double(QFileInfo(path).size()) / 1e6);
    std::printf("  build the model in memory   %8.1f MB\n", double(PeakGrowth([] {
                    CLanterraDoc doc;
                    FillDocument(doc);
                })) / 1024.0);
    std::printf("  build and save              %8.1f MB\n", double(PeakGrowth([] {
                    CLanterraDoc doc;
                    FillDocument(doc);
                    QTemporaryDir dir;
                    doc.WriteDocumentFile(dir.filePath(QStringLiteral("saved.net")));
                })) / 1024.0);
    std::printf("  load (document kept)        %8.1f MB\n", double(PeakGrowth([&] {
                    CLanterraDoc doc;
                    doc.ReadDocumentFile(path, false);
                })) / 1024.0);
    std::printf("  pugixml parse (tree kept)   %8.1f MB\n", double(PeakGrowth([&] {
                    pugi::xml_document xml;
                    xml.load_file(nativePath.constData());
                })) / 1024.0);
}

// 100,000 hosts with 17 shares each: about 180 MB as the program writes it.
void FillLargeDocument(CLanterraDoc &doc)
{
    constexpr int Hosts = 100000;
    constexpr int SharesEach = 17;
    quint32 seed = 179;
    for (int n = 0; n < 50; ++n)
        doc.AddNet(QStringLiteral("DEPARTMENT-%1").arg(n));
    for (int h = 0; h < Hosts; ++h) {
        NetRecord *net = doc.cacheNets()[Next(seed) % doc.cacheNets().size()].get();
        const QString name = QStringLiteral("WORKSTATION-%1-%2")
                                 .arg(QStringView(kDepartments[Next(seed) % 10]))
                                 .arg(h, 6, 10, QLatin1Char('0'));
        HostRecord *host =
            doc.AddHost(name, net, QStringLiteral("10.%1.%2.%3").arg(h / 65536).arg((h / 256) % 256).arg(h % 256));
        host->onlineCount = int(Next(seed) % 200);
        host->offlineCount = int(Next(seed) % 50);
        host->lastAnswerTime = int(Next(seed) % 3000);
        for (int s = 0; s < SharesEach; ++s) {
            const QString shareName = QStringLiteral("%1 %2 on %3")
                                          .arg(QStringView(kShareNames[Next(seed) % std::size(kShareNames)]))
                                          .arg(s)
                                          .arg(h);
            host->shares.push_back(std::make_unique<ShareRecord>(shareName, host));
        }
    }
}

void PrintLargeDocument()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Crafted.net"));
    {
        CLanterraDoc doc;
        FillLargeDocument(doc);
        if (!doc.WriteDocumentFile(path)) {
            std::printf("\nThe large document could not be written.\n");
            return;
        }
    }
    const double fileMB = double(QFileInfo(path).size()) / 1e6;
    std::printf("\nCrafted document: %.1f MB\n", fileMB);
    long openMs = -1;
    int channel[2];
    if (pipe(channel) != 0)
        return;
    const long growth = PeakGrowth([&] {
        CSettings settings;
        settings.setFilePath(dir.filePath(QStringLiteral("settings.xml")));
        CLanterraApp app(&settings);
        QElapsedTimer clock;
        clock.start();
        const bool opened = app.OnFileOpen(path).ok();
        const long ms = opened ? long(clock.elapsed()) : -1;
        [[maybe_unused]] const ssize_t written = write(channel[1], &ms, sizeof ms);
    });
    close(channel[1]);
    if (read(channel[0], &openMs, sizeof openMs) != sizeof openMs)
        openMs = -1;
    close(channel[0]);
    std::printf("  open: peak memory           %8.1f MB (%.2f times the file)\n", double(growth) / 1024.0,
                double(growth) / 1024.0 / fileMB);
    std::printf("  open: longest hold          %8ld ms (one call on the calling thread)\n", openMs);
}

} // namespace

int main(int argc, char **argv)
{
    bool large = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--large") == 0) {
            large = true;
            std::copy(argv + i + 1, argv + argc, argv + i);
            --argc;
            break;
        }
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    DocumentPath();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    PrintMemory();
    if (large)
        PrintLargeDocument();
    return 0;
}
