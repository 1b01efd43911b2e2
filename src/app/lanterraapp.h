#pragma once

#include "model/lanterradoc.h"

#include <QObject>
#include <QString>
#include <QStringList>

class CSettings;

// The application object: owns the one document of the run and plays the
// document part of a document/view framework (New, Open, Save, Save As,
// Close, titles), plus the start-up sequence.
class CLanterraApp : public QObject
{
    Q_OBJECT
public:
    // `settings` nullptr means CSettings::instance().
    explicit CLanterraApp(CSettings *settings = nullptr, QObject *parent = nullptr);
    ~CLanterraApp() override;

    // The process-wide instance (the last one constructed and alive).
    static CLanterraApp *instance();

    CLanterraDoc &document() { return m_doc; }
    const CLanterraDoc &document() const { return m_doc; }

    // Start-up: `arguments` as QCoreApplication::arguments() gives them (the
    // program first). A .net file named there is opened (false when it
    // cannot be); otherwise the last document is opened when autoLoad is on
    // and it can still be read; otherwise a new default document is made.
    bool InitInstance(const QStringList &arguments);

    // File commands. False when nothing changed (the old document stays when
    // an open fails before anything was read).
    bool OnFileNew();
    bool OnFileOpen(const QString &path);
    bool OnFileSave();
    bool OnFileSaveAs(const QString &path);

    // The main window is closing: its document path goes to the settings,
    // then the document closes (stop, autosave without duplicates, empty).
    void OnMainWindowClosing();
    void OnCloseDocument();

    QString title() const { return m_doc.GetTitle(); }
    // "-" becomes the default title; every ".net" is removed.
    void SetTitle(const QString &title);

    // Folder of new documents; Paths::networksFolder() unless set (tests).
    QString networksFolder() const;
    void setNetworksFolder(const QString &folder) { m_networksFolder = folder; }

    CSettings *settings() const;

signals:
    void titleChanged(const QString &title);

private:
    void SetPathAndTitle(const QString &path);

    CSettings *m_settings = nullptr;
    QString m_networksFolder;
    bool m_closed = false;
    CLanterraDoc m_doc;
};
