// SPDX-License-Identifier: GPL-3.0-or-later
// Writes seed files for fuzz_reader: settings.xml as a first start leaves
// it, plus a few placements and bands so that every list has items.
#include "model/lanterradoc.h"
#include "settings/settings.h"
#include "xml/xmldocument.h"

#include <QDir>
#include <QFile>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-FOLDER\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);

    CSettings settings;
    settings.BuildDefaultSchemes();
    settings.documentPath = QStringLiteral("/home/user/Documents/My Networks/Local Area Network.net");
    settings.programName = QStringLiteral("Files");
    settings.programPath = QStringLiteral("/usr/bin/files");
    settings.programParameters = QStringLiteral("--open \"%s\"");
    settings.language = QStringLiteral("German");
    settings.placements[QStringLiteral("mainwindow")] = WindowPlacement{44, 0, 1, 0, 0, 0, 0, 10, 20, 610, 750};
    settings.placements[QStringLiteral("preferences")] = WindowPlacement{44, 2, 3, 0, 0, 0, 0, -5, -6, 100, 200};
    settings.toolbarBands = {{59392, 358, 0x1}, {59494, 290, 0x8}};

    const QString path = folder + QStringLiteral("/settings.xml");
    if (!SaveXmlDocument(path, u"settings", [&](CXmlMapper &m) { settings.MapSettings(m); })) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }

    // A network document with every list filled, names that need escaping
    // and names with a bare '&', tabs and line breaks, written as they stand.
    CLanterraDoc doc;
    doc.rules().searchNetByList = 1;
    doc.rules().nets = {QStringLiteral("OFFICE"), QStringLiteral("R&D <lab>")};
    doc.rules().hosts = {QStringLiteral("10.0.0.1-10.0.0.20"), QStringLiteral("fileserver")};
    doc.rules().excNets = {QStringLiteral("GUESTS"), QStringLiteral("&amp; &#38; &#x26; &x a&")};
    doc.rules().excHosts = {QStringLiteral("PRINTER*")};
    doc.AddNet(QStringLiteral("WORKGROUP"));
    for (int h = 0; h < 3; ++h) {
        HostRecord *host = doc.AddHost(QStringLiteral("HOST-%1").arg(h), doc.cacheNets()[0].get(),
                                       QStringLiteral("10.0.0.%1").arg(h + 1));
        host->onlineCount = h * 3;
        host->offlineCount = h;
        host->lastState = h == 2 ? 53 : 0;
        host->lastAnswerTime = 40 * h;
        for (const QString &share :
             {QStringLiteral("Music"), QStringLiteral("\"quoted\" & <odd>"), QStringLiteral("C$"),
              QStringLiteral("R&D"), QStringLiteral("&amp;"), QStringLiteral("tab\tcr\r\nlf")})
            host->shares.push_back(std::make_unique<ShareRecord>(share, host));
    }
    const QString docPath = folder + QStringLiteral("/network.net");
    if (!doc.WriteDocumentFile(docPath)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(docPath));
        return 1;
    }
    return 0;
}
