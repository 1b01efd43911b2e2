// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>

// Writes a resource-only Windows module (a PE image with one resource
// section and no code), the form of the program's own icon library.
class CResourceModuleWriter
{
public:
    void Add(int type, int id, const QByteArray &data, int language = 0x0409);
    // An icon group `number` of the given pictures (each a PNG or a stored
    // bitmap as IconBitmap makes it); the pictures get fresh icon ids.
    struct Picture
    {
        int width = 0;
        int height = 0;
        int bitCount = 32;
        QByteArray data;
    };
    void AddIconGroup(int number, const QList<Picture> &pictures, int language = 0x0409);

    // The module's bytes; a 64-bit image when `pe64`.
    QByteArray Write(bool pe64 = false) const;

private:
    struct Resource
    {
        int type;
        int id;
        int language;
        QByteArray data;
    };
    QList<Resource> m_resources;
    int m_nextIconId = 1;
};

// A stored 32-bit icon bitmap (header, colour rows bottom-up, mask rows) of
// `pixels`, rows of ARGB values from the top.
QByteArray IconBitmap(int width, int height, const quint32 *pixels);
