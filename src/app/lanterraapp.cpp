#include "lanterraapp.h"

#include "documentnaming.h"
#include "platform/paths.h"
#include "settings/settings.h"

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

} // namespace

CLanterraApp::CLanterraApp(CSettings *settings, QObject *parent)
    : QObject(parent), m_settings(settings), m_doc(settings)
{
    g_app = this;
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

bool CLanterraApp::InitInstance(const QStringList &arguments)
{
    const QString named = FileNamedOn(arguments);
    if (!named.isEmpty())
        return OnFileOpen(named);
    const CSettings *s = settings();
    // A remembered document that can no longer be read must not keep the
    // program from starting: the user could never reach the switch again.
    if (s && s->autoLoad && !s->documentPath.isEmpty() && QFileInfo(s->documentPath).isFile()
        && OnFileOpen(s->documentPath))
        return true;
    return OnFileNew();
}

bool CLanterraApp::OnFileNew()
{
    m_closed = false;
    m_doc.DeleteContents();
    const DocumentNaming::DefaultName name = DocumentNaming::DefaultDocumentName(networksFolder());
    SetPathAndTitle(name.path);
    // Every new document has its file from the start.
    if (!QFileInfo::exists(name.path))
        m_doc.WriteDocumentFile(name.path);
    m_doc.UpdateAllViews(HintNewDocument);
    return true;
}

bool CLanterraApp::OnFileOpen(const QString &path)
{
    {
        QFile probe(path);
        if (!probe.open(QIODevice::ReadOnly))
            return false;
    }
    m_closed = false;
    m_doc.DeleteContents();
    m_doc.UpdateAllViews(HintDocumentLoad);
    m_doc.hostsTotal = 0;
    const CSettings *s = settings();
    m_doc.ReadDocumentFile(path, s && s->markAfterLoad);
    SetPathAndTitle(path);
    return true;
}

bool CLanterraApp::OnFileSave()
{
    if (m_doc.GetPathName().isEmpty())
        return false;
    return m_doc.OnSaveDocument(m_doc.GetPathName());
}

bool CLanterraApp::OnFileSaveAs(const QString &path)
{
    if (path.isEmpty())
        return false;
    m_doc.OnSaveDocument(path);
    SetPathAndTitle(path);
    return true;
}

void CLanterraApp::OnMainWindowClosing()
{
    if (CSettings *s = settings())
        s->documentPath = m_doc.GetPathName();
    OnCloseDocument();
}

void CLanterraApp::OnCloseDocument()
{
    if (m_closed)
        return;
    m_closed = true;
    if (m_doc.IsScanning()) {
        m_doc.HaltScan();
        m_doc.UpdateAllViews(HintScanStopped);
    }
    // The last probes of a stopped scan still write their hosts' history.
    m_doc.scanDriver.reset();
    if (const CSettings *s = settings(); s && s->autoSave)
        m_doc.WriteDocumentFile(m_doc.GetPathName(), true);
    m_doc.DeleteContents();
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
