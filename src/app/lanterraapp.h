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
    // program first). A .net file named there is opened (a failure when it
    // cannot be); otherwise the last document is opened when autoLoad is on
    // and it can still be read; otherwise a new default document is made.
    // What succeeds answers as OnFileOpen does.
    Result<QString> InitInstance(const QStringList &arguments);

    // File commands. Every save they make that fails (the command's own, or
    // the autosave of a scan they stop) is also told through saveFailed.
    // Paths are made absolute and clean: a document is known by its full
    // path.
    // OnFileNew always has a document afterwards.
    // OnFileOpen answers, when the file was read, the warning for a file
    // read only in part (empty when read whole). An open that fails keeps
    // the open document; the reason is a message naming the file. Opening
    // the document that is open already (its file by any name) changes
    // nothing: a failure with an empty reason. Any other file stops a
    // running scan and saves the open document (autoSave) before it is read.
    // OnFileSaveAs takes the new path even when the save there fails.
    bool OnFileNew();
    Result<QString> OnFileOpen(const QString &path);
    Result<void> OnFileSave();
    Result<void> OnFileSaveAs(const QString &path);
    // Writes the document to `path` and nothing else: the document keeps
    // its path and title.
    Result<void> SaveDocumentTo(const QString &path);
    // The Stop command: stops a running scan, then its autosave.
    Result<void> StopScan();

    // The main window is closing: its document path goes to the settings,
    // then the document closes (stop, autosave without duplicates, empty).
    // Fails when the autosave failed, with a message naming the file.
    Result<void> OnMainWindowClosing();
    Result<void> OnCloseDocument();

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
    // message names the file and the reason. Sent on the thread that ran the
    // command.
    void saveFailed(const QString &message);

private:
    void SetPathAndTitle(const QString &path);
    bool IsOpenDocument(const QString &fullPath) const;
    // `saved` as it is, after telling saveFailed when it failed on a file.
    Result<void> Told(const QString &path, Result<void> saved);

    CSettings *m_settings = nullptr;
    QString m_networksFolder;
    bool m_closed = false;
    CLanterraDoc m_doc;
};
