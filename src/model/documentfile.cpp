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

bool CLanterraDoc::LoadDocumentText(const QString &path, QString &text, QString *why)
{
    QString reason;
    if (!ReadXmlFileText(path, text, &reason)) {
        if (why)
            *why = reason;
        return false;
    }
    if (IsVersion10Document(text))
        return true;
    reason = QStringLiteral("It is not a network document of version 1.0.");
    if (const QString encoding = XmlEncodingProblem(text); !encoding.isEmpty())
        reason += u' ' + encoding;
    qCWarning(lcFile) << "not a network document:" << path;
    if (why)
        *why = reason;
    text.clear();
    return false;
}

bool CLanterraDoc::ReadDocumentText(QStringView text, bool maskUnknown)
{
    bool version10 = false;
    const XmlReadEnd end =
        ReadXmlText(text, RootName, [&](CXmlMapper &mapper) { version10 = MapDocument(mapper); });
    LinkLoadedModel(maskUnknown);
    return version10 && end == XmlReadEnd::Whole;
}

bool CLanterraDoc::ReadDocumentFile(const QString &path, bool maskUnknown)
{
    QString text;
    if (!LoadDocumentText(path, text, nullptr)) {
        LinkLoadedModel(maskUnknown);
        return false;
    }
    NoteFileOnDisk(path);
    if (!ReadDocumentText(text, maskUnknown)) {
        qCWarning(lcFile) << "read only in part:" << path;
        KeepOriginalAtFirstSave(path);
    }
    return true;
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

bool CLanterraDoc::KeepOriginalBeforeSaving(const QString &path, QString *why)
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
        return true;
    if (!QFileInfo::exists(path)) {
        m_keepOriginalOf.clear();
        return true;
    }
    QString backup;
    QString reason;
    if (FileAccess::KeepBackupCopy(path, &backup, &reason)) {
        qCInfo(lcFile) << "kept the original of" << path << "as" << backup;
        m_keepOriginalOf.clear();
        return true;
    }
    if (why)
        *why = QStringLiteral("The file as it was (read only in part, or changed by another program) could not "
                              "be kept as \"%1\" (%2) and was left as it is.")
                   .arg(backup.isEmpty() ? BackupPathFor(path) : backup, reason.chopped(reason.endsWith(u'.') ? 1 : 0));
    return false;
}

void CLanterraDoc::ReportSaveFailure(const QString &path, const QString &why)
{
    m_saveProblem = why;
    if (onSaveFailed)
        onSaveFailed(path, why);
}
