// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>
#include <QString>

class QWidget;

// Help is kept as HTML beside the language's help file name (same folder and
// title, ".html"). The contents open in a window of the program's own; the
// small topics (workgroup and host examples) open as pop-ups. A topic is a
// block of the page marked <div class="popup" id="topic-N">.

// The page of a help path, or an empty string when there is none.
QString HelpPage(const QString &helpPath);
// The HTML of topic `topic` of a page, or an empty string.
QString HelpTopic(const QString &html, int topic);

// Where the help window's frame goes: beside `mainFrame` (right, else left)
// on `screenArea`, narrower when a side has less room than it likes, over
// the main window's right part when neither side has enough; level with its
// top. `margins` is what a window manager's frame adds to a window's size.
QRect HelpPlacement(const QRect &mainFrame, const QRect &screenArea, const QSize &margins);

// Both return false when there is no help page to show. The contents open
// beside `parent`'s window and close with Esc and Ctrl+W.
bool ShowHelpContents(const QString &helpPath, QWidget *parent = nullptr);
bool ShowHelpPopup(const QString &helpPath, int topic, QWidget *over);
