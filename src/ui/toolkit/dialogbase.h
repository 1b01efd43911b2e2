// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "anchorlayout.h"

#include <QDialog>

#include <map>

class QGroupBox;
class QPushButton;

// What every dialog of the program shares: its controls known by their
// numeric ids (the keys of their texts in language files), caption
// translation when it opens, the bold group-box font, the program's icon,
// the Ok / Cancel / Apply buttons, and the template layout: controls placed
// in dialog units and, in resizable dialogs, anchored to the client area,
// with a size grip and the first shown size as the smallest.
class CDialogBase : public QDialog
{
    Q_OBJECT
public:
    enum ButtonId { IdOk = 1, IdCancel = 2, IdApply = 10 };

    CDialogBase(int templateId, const QString &section, const QString &defaultTitle, QWidget *parent = nullptr);

    int TemplateId() const { return m_templateId; }
    const QString &Section() const { return m_section; }
    QWidget *Control(int id) const;
    template <class T> T *ControlAs(int id) const { return qobject_cast<T *>(Control(id)); }
    CAnchorLayout *Layout() const { return m_layout; }
    bool IsResizable() const { return m_resizable; }
    bool IsModified() const;

    // Builds the controls and fills them from the dialog's fields. Runs at
    // the start of every modal run, a second run included; a dialog shown
    // without one (modeless, or in a test) calls it itself before showing.
    virtual void InitDialog() {}
    // The one modal entry: the dialog is set up here, never by an override.
    int exec() final;

protected:
    void RegisterControl(int id, QWidget *control);
    // The dialog's client area in dialog units; `resizable` gives it a
    // sizing border and a grip.
    void SetTemplate(QSize size, bool resizable);
    // Registers `control` under `id` (0: not addressed by id) and places it.
    template <class T> T *Place(int id, T *control, QRect rect)
    {
        if (id)
            RegisterControl(id, control);
        m_layout->Place(control, rect);
        return control;
    }
    QGroupBox *PlaceGroup(int id, const QString &title, QRect rect);
    // Ok, Cancel and Apply (IdApply, disabled) at their template places;
    // an empty rectangle leaves the button out.
    void PlaceButtons(QRect ok, QRect cancel, QRect apply = {});
    void SetAnchor(int id, Anchor topLeft, Anchor bottomRight = Anchors::None);
    // Makes a placed label a link (attached, styled, sized to its text when
    // the style asks for it) and returns it.
    class CHyperLink *MakeLink(int id, unsigned addStyle, const QString &toolTip = {});

    // Each listed control's current text is the default of its lookup under
    // the dialog's section with the control id as number; then the title,
    // under the template id.
    void TranslateCaptions(const QList<int> &ids);
    void SetTitleKey(int key, const QString &defaultTitle);
    // Translates the same controls again from their template texts (after
    // a language change).
    void RetranslateCaptions();
    void SetBoldFont(const QList<int> &ids);
    // Tells screen readers what each field holds, by the control that heads
    // it (label id, field id): the field takes the caption as its name, and
    // a label becomes its buddy. Run after the captions are translated.
    void BindLabels(const QList<std::pair<int, int>> &labelAndField);
    // Names the controls that show no words of their own ("...", arrows):
    // each by its text in the "Accessible Names" section.
    struct ControlName
    {
        int id;
        int key;
        const char *text;
    };
    void NameControls(const QList<ControlName> &names);
    // Ok, Cancel and Apply (IdApply, disabled) in a row, right-aligned.
    QWidget *CreateButtonRow();
    // Apply: pending values are written; the button disables itself.
    virtual void OnApply() {}
    // Called by an OnApply that refused the values (and said why): they stay
    // pending and Apply stays enabled.
    void KeepPending() { m_keepPending = true; }
    // Ok with pending changes applies them and closes; without, it closes
    // as Cancel does.
    virtual void OnOk();

    void SetModified(bool modified = true);
    void showEvent(QShowEvent *event) override;

private:
    void ApplyPending();

    int m_templateId;
    QString m_section;
    QString m_defaultTitle;
    int m_titleKey = 0;
    bool m_resizable = false;
    bool m_shown = false;
    bool m_keepPending = false;
    CAnchorLayout *m_layout = nullptr;
    std::map<int, QWidget *> m_controls;
    // The built-in text of every translated control, the lookups' default.
    QList<std::pair<int, QString>> m_templateTexts;
};
