// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QIcon>
#include <QList>
#include <QPixmap>
#include <QString>

#include <functional>
#include <map>

// The desktop's shared pictures of files: one list of icons for all
// callers (as large and as small pictures), and the index of a file's icon
// in it, decided by the file's name alone, without opening it.
class CSystemImageList
{
public:
    CSystemImageList(const QList<QIcon> *icons, QSize size) : m_icons(icons), m_size(size) {}
    int Count() const { return int(m_icons->size()); }
    QIcon Icon(int index) const { return m_icons->value(index); }
    QPixmap Pixmap(int index) const { return Icon(index).pixmap(m_size); }
    QSize IconSize() const { return m_size; }

private:
    const QList<QIcon> *m_icons;
    QSize m_size;
};

class CShellIcons
{
public:
    // Options of GetFileIconIndex.
    static constexpr int OptionFolder = 0x10;

    // What the desktop answers for a path: the name of its icon (theme
    // name or MIME type) and the icon. Tests count the questions.
    struct Answer
    {
        QString name;
        QIcon icon;
    };
    using Shell = std::function<Answer(const QString &path, bool folder)>;

    explicit CShellIcons(Shell shell = {});
    CShellIcons(const CShellIcons &) = delete;
    CShellIcons &operator=(const CShellIcons &) = delete;
    static CShellIcons &instance();

    // The shared list, large (32 px) or small (16 px) pictures; the same
    // icons under the same indexes either way.
    const CSystemImageList *GetSystemImageList(bool small);
    // Index of `path`'s icon in the shared lists. Icon, program and link
    // files are asked every time; with `options` 0 every other file gets
    // the icon of the first one asked; otherwise one question per
    // extension; folders (OptionFolder) one question in all.
    int GetFileIconIndex(const QString &path, int options);

    int ShellQuestions() const { return m_questions; }

private:
    int ask(const QString &path, bool folder);
    static Answer desktopAnswer(const QString &path, bool folder);

    Shell m_shell;
    QList<QIcon> m_icons;
    QHash<QString, int> m_byName;
    CSystemImageList m_small{&m_icons, QSize(16, 16)};
    CSystemImageList m_large{&m_icons, QSize(32, 32)};
    int m_plainFile = 0;
    int m_folder = 0;
    std::map<QString, int> m_byExtension;
    int m_questions = 0;
};

// The process-wide service.
const CSystemImageList *GetSystemImageList(bool small);
int GetFileIconIndex(const QString &path, int options);
