// SPDX-License-Identifier: GPL-3.0-or-later
#include "xmldocument.h"

#include "xmlreader.h"
#include "xmlwriter.h"

#include "platform/fileaccess.h"
#include "platform/paths.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
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

namespace {

// The folder refuses the save's temporary file while the file itself may be
// written: the user's own file in a folder of someone else's.
bool FolderRefusesNewFiles(const QString &path)
{
    const QFileInfo file(path);
    return file.isFile() && file.isWritable() && !QFileInfo(file.absolutePath()).isWritable();
}

QString WithoutFullStop(const QString &sentence)
{
    return sentence.endsWith(u'.') ? sentence.chopped(1) : sentence;
}

// `bytes` whole and on the disk at `copyPath`, in a folder only the user
// may enter (the copy holds everything the file does).
Result<void> KeepCopy(const QString &copyPath, const QByteArray &bytes)
{
    const QString folder = QFileInfo(copyPath).absolutePath();
    if (!QDir().mkpath(folder))
        return Failed(QStringLiteral("The folder cannot be made."));
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QSaveFile copy(copyPath);
    if (!copy.open(QIODevice::WriteOnly))
        return Failed(copy.errorString() + u'.');
    if (copy.write(bytes) != bytes.size()) {
        const QString reason = copy.errorString() + u'.';
        copy.cancelWriting();
        copy.commit();
        return Failed(reason);
    }
    if (Result<void> synced = FileAccess::SyncFile(copy); !synced) {
        copy.cancelWriting();
        copy.commit();
        return synced;
    }
    if (!copy.commit())
        return Failed(copy.errorString() + u'.');
    FileAccess::SyncFolderOf(copyPath);
    return {};
}

// From the moment the file is opened for writing until it is synced, a kill
// leaves it cut: the copy kept before is what RestoreCutSave puts back.
Result<void> SaveInPlace(const QString &path, const QByteArray &bytes)
{
    const QString copyPath = InPlaceCopyPathFor(path);
    if (Result<void> kept = KeepCopy(copyPath, bytes); !kept) {
        return failSave(path, QStringLiteral("Its folder lets no new file be made there, so it is written in place, "
                                             "and the copy that guards such a save could not be kept as \"%1\" (%2). "
                                             "The file was left as it is.")
                                  .arg(QDir::toNativeSeparators(copyPath), WithoutFullStop(kept.reason())));
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        const QString reason = file.errorString() + u'.';
        QFile::remove(copyPath);
        return failSave(path, reason);
    }
    QString reason;
    // In steps, so that a kill finds the file cut rather than not yet begun
    // no more often than a real save would.
    constexpr qsizetype Step = 1 << 20;
    for (qsizetype at = 0; at < bytes.size() && reason.isEmpty(); at += Step) {
        const qsizetype size = qMin(Step, bytes.size() - at);
        if (file.write(bytes.constData() + at, size) != size)
            reason = file.error() != QFileDevice::NoError
                         ? file.errorString() + u'.'
                         : QStringLiteral("Not everything could be written; the disk may be full.");
    }
    if (reason.isEmpty()) {
        if (Result<void> synced = FileAccess::SyncFile(file); !synced)
            reason = synced.reason();
    }
    file.close();
    if (!reason.isEmpty()) {
        return failSave(path, reason
                                  + QStringLiteral(" The whole text is kept in \"%1\"; opening the file restores it.")
                                        .arg(QDir::toNativeSeparators(copyPath)));
    }
    QFile::remove(copyPath);
    return {};
}

// A file as SaveXmlDocument writes it for `rootName`, from its first byte to
// the root's end tag: the byte-order mark, the header, the root's start and,
// at the end, its end tag (white space after it allowed).
bool IsCompleteXmlFile(QFile &file, QStringView rootName)
{
    const QByteArray head =
        QByteArray("\xFF\xFE", 2) + toUtf16LE(XmlFileHeader()) + toUtf16LE(QString(u'<' + rootName.toString()));
    const QByteArray tail = toUtf16LE(QString(QStringLiteral("</") + rootName.toString() + u'>'));
    const qint64 size = file.size();
    if (size < head.size() + tail.size() || file.read(head.size()) != head)
        return false;
    constexpr qint64 TailBytes = 64;
    if (!file.seek(qMax<qint64>(head.size(), size - TailBytes)))
        return false;
    QByteArray end = file.read(TailBytes);
    while (end.size() >= 2 && end.at(end.size() - 1) == 0
           && (end.at(end.size() - 2) == '\n' || end.at(end.size() - 2) == '\r' || end.at(end.size() - 2) == ' '))
        end.chop(2);
    return end.endsWith(tail);
}

// The temporary files a save of `path` left when it was killed: QSaveFile
// names them after the file with a dot and six letters or digits.
void RemoveLeftovers(const QString &path, QStringView rootName)
{
    if (rootName.isEmpty())
        return;
    const QFileInfo target(path);
    const QDir folder = target.absoluteDir();
    const QRegularExpression pattern(QRegularExpression::anchoredPattern(QRegularExpression::escape(target.fileName())
                                                                         + QStringLiteral("\\.[A-Za-z0-9]{6}")));
    // A save that is running now has written its file within a moment.
    const QDateTime settled = QDateTime::currentDateTimeUtc().addSecs(-60);
    const QStringList names = folder.entryList(QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    for (const QString &name : names) {
        if (!pattern.match(name).hasMatch())
            continue;
        const QString leftover = folder.filePath(name);
        if (QFileInfo(leftover).lastModified().toUTC() > settled)
            continue;
        QFile file;
        if (!FileAccess::OpenRegularFile(file, leftover, MaxXmlFileBytes) || !FileAccess::OwnedByUser(file)
            || !IsCompleteXmlFile(file, rootName))
            continue;
        file.close();
        if (QFile::remove(leftover))
            qCInfo(lcFile) << "removed" << leftover << ", left by a save of" << path << "that was cut short";
    }
}

Result<void> SaveXmlBytes(const QString &path, QStringView rootName, const QByteArray &bytes)
{
    QSaveFile file(path);
    // The fallback is ours (SaveInPlace): it keeps a copy first.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) {
        if (FolderRefusesNewFiles(path))
            return SaveInPlace(path, bytes);
        return failSave(path, file.errorString() + u'.');
    }
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
    // The file is whole: a copy an earlier save in place kept is no longer
    // needed, nor is what killed saves left beside it.
    QFile::remove(InPlaceCopyPathFor(path));
    RemoveLeftovers(path, rootName);
    return {};
}

} // namespace

Result<void> SaveXmlDocument(const QString &path, QStringView rootName, const XmlRootRoutine &routine)
{
    return SaveXmlBytes(path, rootName, WriteXmlDocument(rootName, routine));
}

QString InPlaceCopyPathFor(const QString &path)
{
    const QFileInfo file(path);
    QString key = file.canonicalFilePath();
    if (key.isEmpty())
        key = QDir::cleanPath(file.absoluteFilePath());
    const QString hash =
        QString::fromLatin1(QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha256).toHex().left(24));
    // The file's name too, so that a user looking for the copy finds it.
    return Paths::saveCopiesFolder() + u'/' + hash + u'-' + file.fileName().left(120);
}

Result<QString> RestoreCutSave(const QString &path)
{
    const QString copyPath = InPlaceCopyPathFor(path);
    if (!QFileInfo::exists(copyPath))
        return QString();
    const Result<QByteArray> copy = FileAccess::ReadRegularFile(copyPath, MaxXmlFileBytes, FileAccess::FileOwner::User);
    if (!copy) {
        qCWarning(lcFile) << "cannot read" << copyPath << ":" << copy.reason();
        return QString();
    }
    const Result<QByteArray> file = FileAccess::ReadRegularFile(path, MaxXmlFileBytes);
    // Unreadable: the open that follows says why.
    if (!file)
        return QString();
    if (file.value().size() >= copy.value().size() || !copy.value().startsWith(file.value())) {
        // The save ended before its copy was removed, or the file has been
        // written since.
        QFile::remove(copyPath);
        return QString();
    }
    qCWarning(lcFile) << path << "was cut short by a save in place; restoring it from" << copyPath;
    // The root's name is where the header ends; no leftovers are looked for
    // unless it is found.
    const QByteArray header = QByteArray("\xFF\xFE", 2) + toUtf16LE(XmlFileHeader());
    QString rootName;
    if (copy.value().startsWith(header)) {
        const QByteArray rest = copy.value().mid(header.size(), 128);
        QString start(rest.size() / 2, Qt::Uninitialized);
        qFromLittleEndian<quint16>(rest.constData(), start.size(), start.data());
        static const QRegularExpression root(QStringLiteral("^<([A-Za-z]+)[ >]"));
        rootName = root.match(start).captured(1);
    }
    if (Result<void> restored = SaveXmlBytes(path, rootName, copy.value()); !restored)
        return Failed(restored.reason());
    return copyPath;
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
