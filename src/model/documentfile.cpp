// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a network document file, and what guards the user's file when it
// could not be read whole or cannot be written.
#include "lanterradoc.h"

#include "platform/fileaccess.h"
#include "xml/xmldocument.h"
#include "xml/xmlmapping.h"
#include "xml/xmlreader.h"

#include <QFileInfo>

namespace {

constexpr QStringView RootName = u"document";

// Does `text` start like a network document of version 1.0: the root
// element, then the version attribute?
bool IsVersion10Document(QStringView text)
{
    auto *xmlReader = new CXmlReader;
    CXmlMapperRef reader(xmlReader);
    reader->Text(text);
    reader->Token(u"<document>");
    QString version;
    reader->Token(u"@version");
    MapString(*reader, version);
    // A root of another name still gives its first attribute before the
    // reader freezes.
    return !xmlReader->isFrozen() && version == u"1.0";
}

} // namespace

Result<QString> CLanterraDoc::LoadDocumentText(const QString &path)
{
    Result<QString> text = ReadXmlFileText(path);
    if (!text || IsVersion10Document(text.value()))
        return text;
    QString reason = QStringLiteral("It is not a network document of version 1.0.");
    if (const QString encoding = XmlEncodingProblem(text.value()); !encoding.isEmpty())
        reason += u' ' + encoding;
    qCWarning(lcFile) << "not a network document:" << path;
    return Failed(reason);
}

bool CLanterraDoc::ReadDocumentText(QStringView text, bool maskUnknown)
{
    bool version10 = false;
    const XmlReadEnd end =
        ReadXmlText(text, RootName, [&](CXmlMapper &mapper) { version10 = MapDocument(mapper); });
    LinkLoadedModel(maskUnknown);
    return version10 && end == XmlReadEnd::Whole;
}

Result<void> CLanterraDoc::ReadDocumentFile(const QString &path, bool maskUnknown)
{
    const Result<QString> text = LoadDocumentText(path);
    if (!text) {
        LinkLoadedModel(maskUnknown);
        return Failed(text.reason());
    }
    NoteFileOnDisk(path);
    if (!ReadDocumentText(text.value(), maskUnknown)) {
        qCWarning(lcFile) << "read only in part:" << path;
        KeepOriginalAtFirstSave(path);
    }
    if (m_namesCut > 0) {
        qCWarning(lcFile) << m_namesCut << "names too long, cut:" << path;
        KeepOriginalAtFirstSave(path);
    }
    return {};
}

QString CLanterraDoc::BackupPathFor(const QString &path)
{
    return FileAccess::BackupPathFor(path);
}

void CLanterraDoc::NoteFileOnDisk(const QString &path)
{
    const QFileInfo file(path);
    m_knownFile = path;
    m_knownFileTime = file.exists() ? file.lastModified() : QDateTime();
    m_knownFileSize = file.exists() ? file.size() : -1;
}

Result<void> CLanterraDoc::KeepOriginalBeforeSaving(const QString &path)
{
    // Time and size: another program's save replaces the file (a new time)
    // and a scan's results rarely keep the size as well.
    if (!m_knownFile.isEmpty() && QFileInfo(path) == QFileInfo(m_knownFile)) {
        const QFileInfo file(path);
        if (file.exists() && (file.lastModified() != m_knownFileTime || file.size() != m_knownFileSize)) {
            qCWarning(lcFile) << path << "was changed by another program since this one read or saved it; keeping that"
                              << "version before saving";
            m_keepOriginalOf = path;
        }
    }
    if (m_keepOriginalOf.isEmpty() || QFileInfo(path) != QFileInfo(m_keepOriginalOf))
        return {};
    if (!QFileInfo::exists(path)) {
        m_keepOriginalOf.clear();
        return {};
    }
    const Result<QString> backup = FileAccess::KeepBackupCopy(path);
    if (backup) {
        qCInfo(lcFile) << "kept the original of" << path << "as" << backup.value();
        m_keepOriginalOf.clear();
        return {};
    }
    const QString &reason = backup.reason();
    return Failed(QStringLiteral("The file as it was (read only in part, or changed by another program) could not "
                                 "be kept as \"%1\" (%2) and was left as it is.")
                      .arg(BackupPathFor(path), reason.chopped(reason.endsWith(u'.') ? 1 : 0)));
}
