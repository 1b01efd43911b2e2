// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the readers of settings.xml and of language files.
// Besides crashes, hangs and leaks, it checks that whatever the reader took
// from a file survives being written and read again unchanged.
#include "settings/languagetable.h"
#include "settings/settings.h"
#include "xml/xmldocument.h"

#include <QByteArray>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void requireStable(const QByteArray &first, const QByteArray &second, const char *what)
{
    if (first == second)
        return;
    std::fprintf(stderr, "%s: writing what was read from our own output changed it\n", what);
    std::abort();
}

void fuzzLanguageFile(const QByteArray &bytes)
{
    LanguageRecord header;
    ReadXmlDocument(bytes, u"language", [&](CXmlMapper &m) { MapLanguageHeader(m, header); });

    CLanguageTable table;
    ReadXmlDocument(bytes, u"language", [&](CXmlMapper &m) { table.MapLanguageFile(m, header); });
    const QByteArray written = WriteXmlDocument(u"language", [&](CXmlMapper &m) { table.MapLanguageFile(m, header); });

    CLanguageTable again;
    LanguageRecord headerAgain;
    ReadXmlDocument(written, u"language", [&](CXmlMapper &m) { again.MapLanguageFile(m, headerAgain); });
    requireStable(written, WriteXmlDocument(u"language", [&](CXmlMapper &m) { again.MapLanguageFile(m, headerAgain); }),
                  "language file");
}

void fuzzSettings(const QByteArray &bytes)
{
    CSettings settings;
    ReadXmlDocument(bytes, u"settings", [&](CXmlMapper &m) { settings.MapSettings(m); });
    const QByteArray written = WriteXmlDocument(u"settings", [&](CXmlMapper &m) { settings.MapSettings(m); });

    CSettings again;
    ReadXmlDocument(written, u"settings", [&](CXmlMapper &m) { again.MapSettings(m); });
    requireStable(written, WriteXmlDocument(u"settings", [&](CXmlMapper &m) { again.MapSettings(m); }), "settings");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    fuzzLanguageFile(bytes);
    fuzzSettings(bytes);
    return 0;
}
