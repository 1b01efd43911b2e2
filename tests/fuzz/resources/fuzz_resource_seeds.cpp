// SPDX-License-Identifier: GPL-3.0-or-later
// Writes seed modules for fuzz_resources: icon libraries in the 32-bit,
// 64-bit and 16-bit forms, a module with a version resource, and crafted
// modules (resource trees that point back at themselves or are very wide,
// one picture under a thousand sizes) for the mutations to start from.
#include "resourcebuilders.h"

#include <QDir>
#include <QFile>

#include <cstdio>

using namespace ResourceBuilders;

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-FOLDER\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    const auto small = SolidBitmap(16, 0xFF00FF00);
    const auto large = SolidBitmap(32, 0x800000FF);
    const QByteArray png = QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(24, 'p');

    CResourceModuleWriter icons;
    icons.AddIconGroup(4, {small, large});
    icons.AddIconGroup(5, {{16, 16, 32, png}});
    CResourceModuleWriter version;
    version.Add(16, 1, VersionResource({{0x0409, 1200, {{"ProductName", "Files"}}},
                                        {0x0407, 1252, {{"ProductName", "Dateien"}}}}));
    const std::pair<const char *, QByteArray> seeds[] = {
        {"icons32.icl", icons.Write(false)},
        {"icons64.icl", icons.Write(true)},
        {"icons16.icl", NeModule({{3, 1, small.data},
                                  {3, 2, png},
                                  {14, 4, IconGroup({{small, 1}})},
                                  {14, 5, IconGroup({{{16, 16, 32, png}, 2}})}})},
        {"version.exe", version.Write()},
        {"self-referencing.icl", LoopingModule(4096)},
        {"ring-of-three.icl", LoopingModule(2048, 3)},
        {"wide.icl", WideModule(2048, 4)},
        {"one-icon-many-sizes.icl", OneIconUnderManySizes(large.data, 1000)},
    };
    for (const auto &[name, bytes] : seeds) {
        QFile file(folder + u'/' + QLatin1String(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "cannot write %s\n", name);
            return 1;
        }
    }
    return 0;
}
