// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Where new documents go and what they are called.
namespace DocumentNaming {

inline constexpr char16_t BaseName[] = u"Local Area Network";
inline constexpr char16_t Extension[] = u".net";

struct DefaultName
{
    QString path;  // full path; without extension when every number is taken
    QString title; // "Local Area Network" or "Local Area Network <n>"
};

// The first free name in `folder` (created if missing; failure is ignored):
// "Local Area Network.net", then "Local Area Network 2.net" up to 9998.
DefaultName DefaultDocumentName(const QString &folder);

// The title for a document title: "-" becomes the default title of `folder`,
// then every ".net" is removed (case-sensitive).
QString DocumentTitle(const QString &title, const QString &folder);

} // namespace DocumentNaming
