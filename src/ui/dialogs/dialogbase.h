#pragma once

#include <QDialog>

#include <map>

class QPushButton;

// What every dialog of the program shares: its controls known by their
// numeric ids (the keys of their texts in language files), caption
// translation when it opens, the bold group-box font, the program's icon,
// and the Ok / Cancel / Apply buttons.
class CDialogBase : public QDialog
{
    Q_OBJECT
public:
    enum ButtonId { IdOk = 1, IdCancel = 2, IdApply = 10 };

    CDialogBase(int templateId, const QString &section, const QString &defaultTitle, QWidget *parent = nullptr);

    int TemplateId() const { return m_templateId; }
    const QString &Section() const { return m_section; }
    QWidget *Control(int id) const;

protected:
    void RegisterControl(int id, QWidget *control);
    // Each listed control's current text is the default of its lookup under
    // the dialog's section with the control id as number; then the title,
    // under the template id.
    void TranslateCaptions(const QList<int> &ids);
    void SetBoldFont(const QList<int> &ids);
    // Ok (1), Cancel (2) and Apply (10, disabled) in a row, right-aligned.
    QWidget *CreateButtonRow();
    // Apply: pending values are written; the button disables itself.
    virtual void OnApply() {}

    void SetModified(bool modified = true);

private:
    void OnOk();

    int m_templateId;
    QString m_section;
    QString m_defaultTitle;
    std::map<int, QWidget *> m_controls;
};
