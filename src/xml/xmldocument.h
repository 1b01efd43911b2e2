#pragma once

#include <QString>
#include <QStringView>

#include <functional>

class CXmlMapper;

// The procedure every program file goes through: a byte-order mark FF FE,
// a fixed 99-character header, then the root element as UTF-16LE text.
using XmlRootRoutine = std::function<void(CXmlMapper &)>;

// The header written in front of every file.
QStringView XmlFileHeader();

// The whole file content (BOM, header, mapped text) for `rootName`.
QByteArray WriteXmlDocument(QStringView rootName, const XmlRootRoutine &routine);

// Saves through a temporary file in the same folder, replacing the old file
// only when the new one is complete. Returns false when nothing was written
// (the old file stays as it was).
bool SaveXmlDocument(const QString &path, QStringView rootName, const XmlRootRoutine &routine);

// Runs `routine` over the bytes of a file. Odd trailing bytes are ignored.
void ReadXmlDocument(const QByteArray &bytes, QStringView rootName, const XmlRootRoutine &routine);

// Reports failure only when the file cannot be opened; whatever the reader
// finds in an opened file counts as success.
bool LoadXmlDocument(const QString &path, QStringView rootName, const XmlRootRoutine &routine);
