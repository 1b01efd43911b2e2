// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the reader of network documents. Besides crashes,
// hangs and leaks, it checks that what the reader took survives being
// written and read again unchanged, and that the program's own output is
// always read whole.
#include "model/lanterradoc.h"
#include "xml/xmldocument.h"

#include <QByteArray>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "network document: %s\n", what);
    std::abort();
}

QByteArray write(CLanterraDoc &doc)
{
    return WriteXmlDocument(u"document", [&](CXmlMapper &m) { doc.MapDocument(m); });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    CLanterraDoc doc;
    ReadXmlDocument(bytes, u"document", [&](CXmlMapper &m) { doc.MapDocument(m); });
    doc.LinkLoadedModel(false);
    const QByteArray written = write(doc);

    CLanterraDoc again;
    bool version10 = false;
    if (ReadXmlDocument(written, u"document", [&](CXmlMapper &m) { version10 = again.MapDocument(m); })
            != XmlReadEnd::Whole
        || !version10)
        fail("our own output was read only in part");
    again.LinkLoadedModel(false);
    if (write(again) != written)
        fail("writing what was read from our own output changed it");
    return 0;
}
