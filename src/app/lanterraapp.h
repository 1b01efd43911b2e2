// SPDX-License-Identifier: GPL-3.0-or-later
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

    // File commands. False when nothing changed. An open that fails keeps
    // the open document and leaves the reason in lastError(); an open that
    // read the file only in part succeeds with openWarning() set. Paths are
    // made absolute and clean: a document is known by its full path.
    // Opening the document that is open already (its file by any name)
    // changes nothing: false with an empty lastError(). Any other file stops
    // a running scan and saves the open document (autoSave) before it is read.
    bool OnFileNew();
    bool OnFileOpen(const QString &path);
    bool OnFileSave();
    bool OnFileSaveAs(const QString &path);
    const QString &lastError() const { return m_lastError; }
    const QString &openWarning() const { return m_openWarning; }

    // The main window is closing: its document path goes to the settings,
    // then the document closes (stop, autosave without duplicates, empty).
    // False when the autosave failed; lastError() says why.
    bool OnMainWindowClosing();
    bool OnCloseDocument();

    // "/a/b/../c.net" or "c.net" as the full, clean path.
    static QString FullPath(const QString &path);
    // The file `arguments` (as for InitInstance) name, as its full path from
    // the current folder; empty when they name none.
    static QString CommandLineFile(const QStringList &arguments);

    QString title() const { return m_doc.GetTitle(); }
    // "-" becomes the default title; every ".net" is removed.
    void SetTitle(const QString &title);

    // Folder of new documents; Paths::networksFolder() unless set (tests).
    QString networksFolder() const;
    void setNetworksFolder(const QString &folder) { m_networksFolder = folder; }

    CSettings *settings() const;

signals:
    void titleChanged(const QString &title);
    // A save failed (any save: the commands, a stopped scan's autosave); the
    // message names the file and the reason. May come from another thread.
    void saveFailed(const QString &message);

private:
    void SetPathAndTitle(const QString &path);
    bool IsOpenDocument(const QString &fullPath) const;

    CSettings *m_settings = nullptr;
    QString m_networksFolder;
    bool m_closed = false;
    QString m_lastError;
    QString m_openWarning;
    CLanterraDoc m_doc;
};
