// SPDX-License-Identifier: GPL-3.0-or-later
#include "xmldocument.h"

#include "platform/fileaccess.h"
#include "xmlreader.h"
#include "xmlwriter.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSysInfo>
#include <QtEndian>

namespace {

std::function<void()> g_beforeReplace;

QByteArray toUtf16LE(QStringView text)
{
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    qToLittleEndian<quint16>(text.data(), text.size(), bytes.data());
    return bytes;
}

Failure failSave(const QString &path, const QString &reason)
{
    qCWarning(lcFile) << "cannot write" << path << ":" << reason;
    return Failed(reason);
}

} // namespace

QStringView XmlFileHeader()
{
    return u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n"
           u"\n"
           u"<!--\n"
           u"  saved by xml mapping,\n"
           u"  do not edit manually \n"
           u"-->\n"
           u"\n";
}

QByteArray WriteXmlDocument(QStringView rootName, const XmlRootRoutine &routine)
{
    const QString open = u'<' + rootName.toString() + u'>';
    const QString close = QStringLiteral("</") + rootName.toString() + u'>';
    CXmlMapperRef writer(new CXmlWriter);
    writer->Token(open);
    routine(*writer);
    writer->Token(close);
    QStringView output;
    writer->Text(output);

    QByteArray bytes("\xFF\xFE", 2);
    bytes += toUtf16LE(XmlFileHeader());
    bytes += toUtf16LE(output);
    return bytes;
}

Result<void> SaveXmlDocument(const QString &path, QStringView rootName, const XmlRootRoutine &routine)
{
    QSaveFile file(path);
    // Only when the folder refuses the temporary file (EACCES) while the
    // file itself may be written: the user's own file in a shared folder.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return failSave(path, file.errorString() + u'.');
    const QByteArray bytes = WriteXmlDocument(rootName, routine);
    // A full disk shows as a short write, not always as an error: only a
    // complete text may replace the old file.
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.error() != QFileDevice::NoError
                                   ? file.errorString() + u'.'
                                   : QStringLiteral("Not everything could be written; the disk may be full.");
        file.cancelWriting();
        file.commit();
        return failSave(path, reason);
    }
    // The new text must be on the disk before it takes the old one's name,
    // or a power cut could leave neither.
    if (Result<void> synced = FileAccess::SyncFile(file); !synced) {
        file.cancelWriting();
        file.commit();
        return failSave(path, synced.reason());
    }
    if (g_beforeReplace)
        g_beforeReplace();
    if (!file.commit())
        return failSave(path, file.errorString() + u'.');
    FileAccess::SyncFolderOf(path);
    return {};
}

void SetXmlSaveInterruptionForTests(std::function<void()> hook)
{
    g_beforeReplace = std::move(hook);
}

Result<QString> ReadXmlFileText(const QString &path)
{
    QFile file;
    if (Result<void> opened = FileAccess::OpenRegularFile(file, path, MaxXmlFileBytes); !opened) {
        // A first start has no settings.xml: nothing to warn about.
        if (QFileInfo::exists(path))
            qCWarning(lcFile) << "cannot read" << path << ":" << opened.reason();
        else
            qCInfo(lcFile) << "no file" << path;
        return Failed(opened.reason());
    }
    QString text;
    // The file's UTF-16LE code units, read straight into the string that the
    // reader works on.
    const qint64 size = file.size();
    text.resize(qsizetype(size / 2));
    char *out = reinterpret_cast<char *>(text.data());
    const qint64 wanted = text.size() * 2;
    qint64 got = 0;
    while (got < wanted) {
        const qint64 n = file.read(out + got, wanted - got);
        if (n <= 0)
            break;
        got += n;
    }
    // A file that shrank while being read ends where the reading ended.
    text.resize(qsizetype(got / 2));
    if constexpr (QSysInfo::ByteOrder == QSysInfo::BigEndian)
        qFromLittleEndian<quint16>(text.data(), text.size(), text.data());
    return text;
}

XmlReadEnd ReadXmlText(QStringView text, QStringView rootName, const XmlRootRoutine &routine)
{
    const QString open = u'<' + rootName.toString() + u'>';
    const QString close = QStringLiteral("</") + rootName.toString() + u'>';
    auto *xmlReader = new CXmlReader;
    CXmlMapperRef reader(xmlReader);
    QStringView view = text;
    reader->Text(view);
    reader->Token(open);
    routine(*reader);
    reader->Token(close);
    return xmlReader->readToTheEnd() ? XmlReadEnd::Whole : XmlReadEnd::InPart;
}

QString XmlEncodingProblem(QStringView text)
{
    if (text.isEmpty())
        return {};
    // The first two bytes of the file, as the reader saw them.
    const char16_t first = text[0].unicode();
    const unsigned char low = first & 0xFF;
    const unsigned char high = first >> 8;
    if (first == 0xFFFE || (low == 0 && high == '<'))
        return QStringLiteral("It is saved as UTF-16 big-endian; network files are UTF-16 little-endian.");
    if (first == 0xBBEF || (low == '<' && high >= 0x20 && high < 0x7F))
        return QStringLiteral("It is saved as UTF-8 or plain text; network files are UTF-16 little-endian.");
    return {};
}

XmlReadEnd ReadXmlDocument(const QByteArray &bytes, QStringView rootName, const XmlRootRoutine &routine)
{
    QString text(bytes.size() / 2, Qt::Uninitialized);
    qFromLittleEndian<quint16>(bytes.constData(), text.size(), text.data());
    return ReadXmlText(text, rootName, routine);
}

Result<void> LoadXmlDocument(const QString &path, QStringView rootName, const XmlRootRoutine &routine)
{
    Result<QString> text = ReadXmlFileText(path);
    if (!text)
        return Failed(text.reason());
    ReadXmlText(text.value(), rootName, routine);
    return {};
}
