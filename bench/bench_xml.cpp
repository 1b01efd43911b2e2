// SPDX-License-Identifier: GPL-3.0-or-later
// Throughput of the XML mapping on a settings file with 10,000 saved window
// positions (keyed records of seven attributes) plus the default schemes.
// Prints MB/s of UTF-16 file bytes written and read (counter "MB", per second).
#include "settings/settings.h"
#include "xml/xmldocument.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kRecords = 10000;

void fillSettings(CSettings &settings)
{
    settings.BuildDefaultSchemes();
    for (int i = 0; i < kRecords; ++i) {
        WindowPlacement placement;
        placement.flags = i % 3;
        placement.showCmd = 1;
        placement.left = i;
        placement.top = -i;
        placement.right = i + 640;
        placement.bottom = i + 480;
        settings.placements[QStringLiteral("window%1").arg(i, 5, 10, QLatin1Char('0'))] = placement;
    }
}

QByteArray writeSettings(CSettings &settings)
{
    return WriteXmlDocument(u"settings", [&](CXmlMapper &m) { settings.MapSettings(m); });
}

void reportThroughput(benchmark::State &state, qsizetype bytes)
{
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes);
    state.counters["MB"] = benchmark::Counter(double(bytes) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["file_MB"] = double(bytes) / 1e6;
}

void BM_WriteSettings(benchmark::State &state)
{
    CSettings settings;
    fillSettings(settings);
    qsizetype bytes = 0;
    for (auto _ : state) {
        const QByteArray file = writeSettings(settings);
        bytes = file.size();
        benchmark::DoNotOptimize(file.constData());
    }
    reportThroughput(state, bytes);
}
BENCHMARK(BM_WriteSettings)->Unit(benchmark::kMillisecond);

void BM_ReadSettings(benchmark::State &state)
{
    CSettings source;
    fillSettings(source);
    const QByteArray file = writeSettings(source);
    for (auto _ : state) {
        CSettings settings;
        ReadXmlDocument(file, u"settings", [&](CXmlMapper &m) { settings.MapSettings(m); });
        if (settings.placements.size() != size_t(kRecords)) {
            state.SkipWithError("not every record was read back");
            break;
        }
    }
    reportThroughput(state, file.size());
}
BENCHMARK(BM_ReadSettings)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
