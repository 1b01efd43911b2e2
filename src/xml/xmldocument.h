// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/result.h"

#include <QString>
#include <QStringView>

#include <functional>

class CXmlMapper;

// The procedure every program file goes through: a byte-order mark FF FE,
// a fixed 99-character header, then the root element as UTF-16LE text.
using XmlRootRoutine = std::function<void(CXmlMapper &)>;

// The largest file the program reads. A network document of 100,000 hosts
// with ten shares each is about 110 MB; anything far beyond that is not one
// of the program's files, and reading it would only exhaust the memory.
inline constexpr qint64 MaxXmlFileBytes = qint64(512) << 20;

// How far the reader got through a file's root element.
enum class XmlReadEnd {
    Whole,  // in step with the text up to the root's end tag, nothing after it
    InPart, // the text ended early, or an element did not match (the reader froze)
};

// The header written in front of every file.
QStringView XmlFileHeader();

// The whole file content (BOM, header, mapped text) for `rootName`.
QByteArray WriteXmlDocument(QStringView rootName, const XmlRootRoutine &routine);

// Saves through a temporary file in the same folder, synced to the disk
// before it replaces the old file, and the folder synced after. Where the
// folder refuses new files but the file itself may be written, the file is
// written in place instead, and a complete copy of the new text is kept at
// InPlaceCopyPathFor(path) until the file is whole on the disk: a save cut
// short there (a kill, a power cut) leaves that copy for RestoreCutSave. A
// failure says why the file could not be written (the old file stays as it
// was, unless it was being written in place).
//
// After a save that replaced the file, the temporary files that earlier
// saves of it left beside it when they were killed (its name and six more
// letters) are removed: only complete files of `rootName` that belong to
// the user and are more than a minute old, so that nothing another save
// is writing right now, and nothing that is not a whole file of this kind,
// is touched.
Result<void> SaveXmlDocument(const QString &path, QStringView rootName, const XmlRootRoutine &routine);

// Where SaveXmlDocument keeps the complete text while it writes `path` in
// place: a file of the user's cache folder named after the path.
QString InPlaceCopyPathFor(const QString &path);

// When a save in place of `path` was cut short, the file is empty or holds
// only a beginning of the copy that save kept: the copy is then written back
// over it (as SaveXmlDocument writes) and removed. The copy's path when the
// file was restored; empty when there was nothing to restore (a copy of a
// save that did end, or one the file has moved on from, is removed). A
// failure says why a cut file could not be restored; the copy then stays.
Result<QString> RestoreCutSave(const QString &path);

// Reads a file's UTF-16LE code units (a trailing odd byte is dropped). Only
// regular files up to MaxXmlFileBytes are read; anything else fails with the
// reason.
Result<QString> ReadXmlFileText(const QString &path);

// Runs `routine` over `text` (as ReadXmlFileText gives it).
XmlReadEnd ReadXmlText(QStringView text, QStringView rootName, const XmlRootRoutine &routine);

// A sentence naming the encoding when `text` looks like a file that is not
// UTF-16LE (UTF-8, UTF-16BE); empty otherwise.
QString XmlEncodingProblem(QStringView text);

// Runs `routine` over the bytes of a file. Odd trailing bytes are ignored.
XmlReadEnd ReadXmlDocument(const QByteArray &bytes, QStringView rootName, const XmlRootRoutine &routine);

// Reports failure only when the file cannot be read (see ReadXmlFileText);
// whatever the reader finds in it counts as success.
Result<void> LoadXmlDocument(const QString &path, QStringView rootName, const XmlRootRoutine &routine);

// Tests only: called after the new text of a save is complete and synced,
// right before it replaces the old file.
void SetXmlSaveInterruptionForTests(std::function<void()> hook);
