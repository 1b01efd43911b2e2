// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "resourcemodule.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

// One picture of an icon resource, as stored in the library.
struct IconImage
{
    int width = 0;
    int height = 0;
    int bitCount = 0;
    bool png = false;
    // A complete image file: PNG bytes, or a one-image .ico file wrapping
    // the stored bitmap, ready for an image decoder.
    QByteArray file;
};

// An icon library (.icl): a Windows resource module whose icon groups are
// taken by number. Only data is read; the module's code never runs.
class CIconLibrary
{
public:
    bool Load(const QString &path);
    bool LoadData(const QByteArray &data);
    bool isLoaded() const { return m_module.isValid(); }

    bool HasIcon(int number) const;
    // The best picture of each size in icon group `number` (the deepest
    // colour per size), smallest first; empty when the library lacks it.
    QList<IconImage> IconImages(int number) const;
    // The numbers of every icon group, in file order.
    QList<int> IconNumbers() const { return m_module.Ids(CResourceModule::TypeGroupIcon); }

private:
    CResourceModule m_module;
};

// "<Icons folder>/<name>.icl".
QString IconLibraryPath(const QString &name);
// Loads the library of that title from the Icons folder; none when the name
// is empty or the file cannot be read as a module.
std::unique_ptr<CIconLibrary> LoadIconLibrary(const QString &name);
// Titles (file names without ".icl") of the libraries in `folder`, in
// directory order; folders, pipes and devices (and links to them) skipped.
QStringList ListIconLibraries(const QString &folder);
