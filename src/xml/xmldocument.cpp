#include "xmldocument.h"

#include "xmlreader.h"
#include "xmlwriter.h"

#include <QFile>
#include <QSaveFile>
#include <QSysInfo>
#include <QtEndian>

namespace {

QByteArray toUtf16LE(QStringView text)
{
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    qToLittleEndian<quint16>(text.data(), text.size(), bytes.data());
    return bytes;
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

bool SaveXmlDocument(const QString &path, QStringView rootName, const XmlRootRoutine &routine)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = WriteXmlDocument(rootName, routine);
    // A full disk shows as a short write, not as an error: only a complete
    // text may replace the old file.
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        file.commit();
        return false;
    }
    return file.commit();
}

namespace {

void readText(QString &text, QStringView rootName, const XmlRootRoutine &routine)
{
    const QString open = u'<' + rootName.toString() + u'>';
    const QString close = QStringLiteral("</") + rootName.toString() + u'>';
    CXmlMapperRef reader(new CXmlReader);
    QStringView view = text;
    reader->Text(view);
    reader->Token(open);
    routine(*reader);
    reader->Token(close);
}

// The file's UTF-16LE code units, read straight into the string that the
// reader works on. A trailing odd byte is dropped.
void readFileText(QFile &file, QString &text)
{
    const qint64 size = file.size();
    if (size <= 0 || file.isSequential()) {
        const QByteArray bytes = file.readAll();
        text.resize(bytes.size() / 2);
        qFromLittleEndian<quint16>(bytes.constData(), text.size(), text.data());
        return;
    }
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
}

} // namespace

void ReadXmlDocument(const QByteArray &bytes, QStringView rootName, const XmlRootRoutine &routine)
{
    QString text(bytes.size() / 2, Qt::Uninitialized);
    qFromLittleEndian<quint16>(bytes.constData(), text.size(), text.data());
    readText(text, rootName, routine);
}

bool LoadXmlDocument(const QString &path, QStringView rootName, const XmlRootRoutine &routine)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QString text;
    readFileText(file, text);
    file.close();
    readText(text, rootName, routine);
    return true;
}
