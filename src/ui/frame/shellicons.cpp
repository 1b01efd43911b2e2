// SPDX-License-Identifier: GPL-3.0-or-later
#include "shellicons.h"

#include <QFileIconProvider>
#include <QFileInfo>
#include <QMimeDatabase>

CShellIcons::CShellIcons(Shell shell) : m_shell(shell ? std::move(shell) : Shell(&CShellIcons::desktopAnswer))
{
    // Index 0 is the generic file picture, as in the platform's own list:
    // an answer of 0 is therefore never cached.
    const QFileIconProvider provider;
    m_icons.append(provider.icon(QFileIconProvider::File));
    m_byName.insert(QString(), 0);
}

CShellIcons &CShellIcons::instance()
{
    static CShellIcons icons;
    return icons;
}

CShellIcons::Answer CShellIcons::desktopAnswer(const QString &path, bool folder)
{
    const QFileIconProvider provider;
    if (folder)
        return {QStringLiteral("inode/directory"), provider.icon(QFileIconProvider::Folder)};
    static const QMimeDatabase mimes;
    const QMimeType type = mimes.mimeTypeForFile(path, QMimeDatabase::MatchExtension);
    if (!type.isValid() || type.isDefault())
        return {QString(), QIcon()};
    QIcon icon = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
    if (icon.isNull())
        icon = provider.icon(QFileInfo(path)); // the provider's own guess by name
    return {type.name(), icon};
}

const CSystemImageList *CShellIcons::GetSystemImageList(bool small)
{
    // One set of icons under both sizes, so an index fits either list.
    return small ? &m_small : &m_large;
}

int CShellIcons::ask(const QString &path, bool folder)
{
    ++m_questions;
    const Answer answer = m_shell(path, folder);
    if (answer.name.isEmpty())
        return 0;
    if (const auto found = m_byName.constFind(answer.name); found != m_byName.cend())
        return *found;
    const int index = int(m_icons.size());
    m_icons.append(answer.icon);
    m_byName.insert(answer.name, index);
    return index;
}

int CShellIcons::GetFileIconIndex(const QString &path, int options)
{
    if (options & OptionFolder) {
        if (m_folder == 0)
            m_folder = ask(path, true);
        return m_folder;
    }
    const qsizetype dot = path.lastIndexOf(u'.');
    const QString extension = dot < 0 ? QString() : path.mid(dot).toLower();
    if (extension == u".ico" || extension == u".exe" || extension == u".lnk")
        return ask(path, false);
    if (options == 0) {
        if (m_plainFile == 0)
            m_plainFile = ask(path, false);
        return m_plainFile;
    }
    if (const auto found = m_byExtension.find(extension); found != m_byExtension.end())
        return found->second;
    const int index = ask(path, false);
    m_byExtension[extension] = index;
    return index;
}

const CSystemImageList *GetSystemImageList(bool small)
{
    return CShellIcons::instance().GetSystemImageList(small);
}

int GetFileIconIndex(const QString &path, int options)
{
    return CShellIcons::instance().GetFileIconIndex(path, options);
}
