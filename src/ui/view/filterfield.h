// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLineEdit>

// The quick filter's field: what is typed narrows the share list at once
// (the owner connects textChanged). Down or Enter asks to move on into the
// list; Esc clears a text, and with no text is left to the window (which
// stops a scan and goes back to the list).
class CFilterField : public QLineEdit
{
    Q_OBJECT
public:
    explicit CFilterField(QWidget *parent = nullptr);
    // The hint shown while empty, and the tip, from the language table.
    void Retranslate();

signals:
    void listRequested();

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};
