// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMessageBox>
#include <QString>

// A tool tip that shows `text` exactly as written. Qt takes any tool tip
// that looks like markup for rich text (a share named <img src=...> would
// make it load a file), so such a text goes in escaped, inside markup of
// our own that keeps its spaces and line breaks; any other stays as it is.
QString PlainToolTip(const QString &text);

// The title every message box of the program carries.
QString AppTitle();

// A message box with the application's title whose text is shown exactly
// as written: messages quote file names, program paths and language file
// texts, none of which may be read as markup. Runs the box modally and
// returns the button pressed.
int PlainMessageBox(QWidget *parent, QMessageBox::Icon icon, const QString &text,
                    QMessageBox::StandardButtons buttons = QMessageBox::Ok);
