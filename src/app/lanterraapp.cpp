// SPDX-License-Identifier: GPL-3.0-or-later
#include "lanterraapp.h"

#include "documentnaming.h"
#include "platform/paths.h"
#include "scan/scandriver.h"
#include "settings/settings.h"
#include "xml/xmldocument.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

CLanterraApp *g_app = nullptr;

// The framework's command line: switches start with '-' (Qt's own and ours);
// the first other argument names the file to open.
QString FileNamedOn(const QStringList &arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (!arguments[i].startsWith(u'-'))
            return arguments[i];
    }
    return {};
}

QString SaveFailureText(const QString &path, const QString &why)
{
    return QStringLiteral("Cannot save \"%1\": %2").arg(QDir::toNativeSeparators(path), why);
}

} // namespace

CLanterraApp::CLanterraApp(CSettings *settings, QObject *parent)
    : QObject(parent), m_settings(settings), m_doc(settings)
{
    g_app = this;
    // The application wires the model to the scanner it ships.
    CScanDriver::InstallAsScanEngine();
}

CLanterraApp::~CLanterraApp()
{
    if (g_app == this)
        g_app = nullptr;
}

CLanterraApp *CLanterraApp::instance()
{
    return g_app;
}

CSettings *CLanterraApp::settings() const
{
    return m_settings ? m_settings : CSettings::instance();
}

QString CLanterraApp::networksFolder() const
{
    return m_networksFolder.isEmpty() ? Paths::networksFolder() : m_networksFolder;
}

Result<QString> CLanterraApp::InitInstance(const QStringList &arguments)
{
    const QString named = FileNamedOn(arguments);
    if (!named.isEmpty())
        return OnFileOpen(named);
    const CSettings *s = settings();
    // A remembered document that can no longer be read must not keep the
    // program from starting: the user could never reach the switch again.
    if (s && s->autoLoad && !s->documentPath.isEmpty() && QFileInfo(s->documentPath).isFile()) {
        if (Result<QString> opened = OnFileOpen(s->documentPath))
            return opened;
    }
    OnFileNew();
    return QString();
}

Result<void> CLanterraApp::Told(const QString &path, Result<void> saved)
{
    if (!saved && !path.isEmpty())
        emit saveFailed(SaveFailureText(path, saved.reason()));
    return saved;
}

bool CLanterraApp::OnFileNew()
{
    m_closed = false;
    Told(m_doc.GetPathName(), m_doc.DeleteContents());
    const DocumentNaming::DefaultName name = DocumentNaming::DefaultDocumentName(networksFolder());
    SetPathAndTitle(name.path);
    // Every new document has its file from the start.
    if (!QFileInfo::exists(name.path))
        Told(name.path, m_doc.WriteDocumentFile(name.path));
    m_doc.UpdateAllViews(HintNewDocument);
    return true;
}

QString CLanterraApp::FullPath(const QString &path)
{
    if (path.isEmpty())
        return path;
    // Not canonical: a path through a link stays the path the user chose.
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

bool CLanterraApp::IsOpenDocument(const QString &path) const
{
    // Canonical: any name that leads to the open file (a link, "..") is that
    // document. A file that is gone has no canonical path and is never it.
    const QString open = QFileInfo(m_doc.GetPathName()).canonicalFilePath();
    return !m_closed && !open.isEmpty() && open == QFileInfo(path).canonicalFilePath();
}

QString CLanterraApp::CommandLineFile(const QStringList &arguments)
{
    return FullPath(FileNamedOn(arguments));
}

Result<QString> CLanterraApp::OnFileOpen(const QString &path)
{
    const QString fullPath = FullPath(path);
    // As the framework does: the document that is open already brings
    // nothing new in. Reading its file again would drop what a running scan
    // found, and the autosave at close would then write the stale file back.
    if (IsOpenDocument(fullPath))
        return Failed(QString());
    // A save in place that was cut short left the file empty or cut, and
    // the whole text in a copy: the file is put back first.
    const Result<QString> restored = RestoreCutSave(fullPath);
    if (!restored) {
        return Failed(QStringLiteral("Cannot open \"%1\": a save was cut short and left it incomplete, and the "
                                     "complete copy could not be written back: %2")
                          .arg(QDir::toNativeSeparators(fullPath), restored.reason()));
    }
    // Checked before the open document is let go, so that a file that is no
    // network document leaves everything as it was (a running scan too).
    const auto load = [&] {
        Result<QString> text = CLanterraDoc::LoadDocumentText(fullPath);
        if (!text)
            return Result<QString>(Failed(
                QStringLiteral("Cannot open \"%1\": %2").arg(QDir::toNativeSeparators(fullPath), text.reason())));
        return text;
    };
    if (Result<QString> text = load(); !text)
        return text;
    // The open document is stopped and saved (autoSave) before the file is
    // read for good: a name of the open file that its canonical path does
    // not give away (another letter case on a case-insensitive file system)
    // then reads what the scan found, not what was there before the save.
    Told(m_doc.GetPathName(), m_doc.StopScan());
    const Result<QString> text = load();
    if (!text)
        return text;
    // What another program writes there from now on is kept at the next save.
    m_doc.NoteFileOnDisk(fullPath);
    m_closed = false;
    Told(m_doc.GetPathName(), m_doc.DeleteContents());
    m_doc.UpdateAllViews(HintDocumentLoad);
    const CSettings *s = settings();
    QString warning;
    if (!restored.value().isEmpty()) {
        warning = QStringLiteral("A save of \"%1\" was cut short and left it incomplete. It was restored from the "
                                 "complete copy that save had kept.")
                      .arg(QDir::toNativeSeparators(fullPath));
    }
    if (!m_doc.ReadDocumentText(text.value(), s && s->markAfterLoad)) {
        m_doc.KeepOriginalAtFirstSave(fullPath);
        if (!warning.isEmpty())
            warning += u' ';
        warning +=
            QStringLiteral("Only part of \"%1\" could be read: the file ends early or holds elements in places this "
                           "version does not know. What was read is shown. The first save keeps the original as "
                           "\"%2\".")
                .arg(QDir::toNativeSeparators(fullPath),
                     QDir::toNativeSeparators(CLanterraDoc::BackupPathFor(fullPath)));
    }
    if (const int cut = m_doc.namesCutAtLoad(); cut > 0) {
        m_doc.KeepOriginalAtFirstSave(fullPath);
        if (!warning.isEmpty())
            warning += u' ';
        warning += QStringLiteral("%1 name(s) in \"%2\" had more than %3 characters and were cut. The first save keeps "
                                  "the original as \"%4\".")
                       .arg(QString::number(cut), QDir::toNativeSeparators(fullPath),
                            QString::number(CLanterraDoc::MaxNameLength),
                            QDir::toNativeSeparators(CLanterraDoc::BackupPathFor(fullPath)));
    }
    SetPathAndTitle(fullPath);
    return warning;
}

Result<void> CLanterraApp::OnFileSave()
{
    if (m_doc.GetPathName().isEmpty())
        return Failed(QString());
    return Told(m_doc.GetPathName(), m_doc.OnSaveDocument(m_doc.GetPathName()));
}

Result<void> CLanterraApp::OnFileSaveAs(const QString &path)
{
    if (path.isEmpty())
        return Failed(QString());
    const QString fullPath = FullPath(path);
    Result<void> saved = Told(fullPath, m_doc.OnSaveDocument(fullPath));
    SetPathAndTitle(fullPath);
    return saved;
}

Result<void> CLanterraApp::SaveDocumentTo(const QString &path)
{
    return Told(path, m_doc.WriteDocumentFile(path));
}

Result<void> CLanterraApp::StopScan()
{
    return Told(m_doc.GetPathName(), m_doc.StopScan());
}

Result<void> CLanterraApp::OnMainWindowClosing()
{
    if (CSettings *s = settings())
        s->documentPath = m_doc.GetPathName();
    return OnCloseDocument();
}

Result<void> CLanterraApp::OnCloseDocument()
{
    if (m_closed)
        return {};
    m_closed = true;
    // The last probes of a stopped scan still write their hosts' history.
    m_doc.HaltAndWait();
    Result<void> saved;
    if (const CSettings *s = settings(); s && s->autoSave && !m_doc.GetPathName().isEmpty()) {
        const QString path = m_doc.GetPathName();
        saved = Told(path, m_doc.WriteDocumentFile(path, true));
        if (!saved)
            saved = Failed(SaveFailureText(path, saved.reason()));
    }
    m_doc.DeleteContents();
    return saved;
}

void CLanterraApp::SetTitle(const QString &title)
{
    m_doc.SetTitle(DocumentNaming::DocumentTitle(title, networksFolder()));
    emit titleChanged(m_doc.GetTitle());
}

void CLanterraApp::SetPathAndTitle(const QString &path)
{
    m_doc.SetPathName(path);
    SetTitle(QFileInfo(path).fileName());
}
