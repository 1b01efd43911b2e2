// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QList>
#include <QToolBar>

#include <map>

class QToolButton;

// One button of a customizable toolbar; command 0 is a separator.
struct ToolBarButton
{
    int command = 0;
    int image = -1;
    int state = 0;
    int style = 0;
    int stringIndex = -1;
};

// A flat toolbar with a button table, three text options, texts and tips
// taken from the language table ("ToolBar Hints"), and a chevron that opens
// the buttons that do not fit.
class CToolBarEx : public QToolBar
{
    Q_OBJECT
public:
    enum TextOption { ShowTextLabels = 0, SelectiveTextOnRight = 1, NoTextLabels = 2 };

    explicit CToolBarEx(QWidget *parent = nullptr);

    // The built-in prompts by command id, translated through the language table.
    void SetPrompts(std::map<int, QString> prompts) { m_prompts = std::move(prompts); }
    void SetImages(const QList<QIcon> &images);
    void SetImage(int index, const QIcon &icon);
    QIcon Image(int index) const { return m_images.value(index); }

    void SetButtons(const QList<ToolBarButton> &buttons, int textOption);
    void SetTextOption(int option);
    int GetTextOption() const { return m_textOption; }
    const QList<ToolBarButton> &Buttons() const { return m_buttons; }

    // The button of `command` opens `menu` wherever it is pressed.
    void SetDropDown(int command, QMenu *menu);
    // The menu the button of `command` opens, or null.
    QMenu *DropDown(int command) const;

    QAction *CommandAction(int command) const;
    QToolButton *CommandButton(int command) const;

    // Texts and tips anew from the language table.
    void Retranslate();

    virtual QString GetButtonText(int command) const;
    virtual QString GetButtonTip(int command) const { return GetButtonText(command); }
    virtual bool HasButtonTextOnRight(int command) const;

    // Actions of the buttons the bar has no room to show.
    QList<QAction *> HiddenActions() const;

signals:
    void commandRequested(int command);

private:
    void Rebuild();
    void ApplyButtonStyles();
    void HookChevron();
    void ShowChevronPopup();

    std::map<int, QString> m_prompts;
    QList<QIcon> m_images;
    QList<ToolBarButton> m_buttons;
    std::map<int, QMenu *> m_dropDowns;
    int m_textOption = NoTextLabels;
};
