// SPDX-License-Identifier: GPL-3.0-or-later
#include "accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QKeySequence>
#include <QLineEdit>

namespace {

class CAccessibleComboBox : public QAccessibleWidget
{
public:
    explicit CAccessibleComboBox(QComboBox *box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override
    {
        switch (t) {
        case QAccessible::Name: {
            const QString name = QAccessibleWidget::text(t);
            return name.isEmpty() ? Box()->currentText() : name;
        }
        case QAccessible::Value:
            return Box()->isEditable() ? Box()->lineEdit()->text() : Box()->currentText();
        default:
            return QAccessibleWidget::text(t);
        }
    }

    // The pop-up list, and the edit of an editable box, as Qt's own has them.
    int childCount() const override { return Box()->isEditable() ? 2 : 1; }
    QAccessibleInterface *child(int index) const override
    {
        if (index == 0)
            return QAccessible::queryAccessibleInterface(Box()->view());
        if (index == 1 && Box()->isEditable())
            return QAccessible::queryAccessibleInterface(Box()->lineEdit());
        return nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        if (!child)
            return -1;
        if (child->object() == Box()->view())
            return 0;
        if (Box()->isEditable() && child->object() == Box()->lineEdit())
            return 1;
        return -1;
    }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.expandable = true;
        s.expanded = Box()->view()->isVisible();
        s.editable = Box()->isEditable();
        return s;
    }

    QStringList actionNames() const override { return {showMenuAction(), pressAction()}; }
    void doAction(const QString &actionName) override
    {
        if (actionName != showMenuAction() && actionName != pressAction())
            return;
        if (Box()->view()->isVisible())
            Box()->hidePopup();
        else
            Box()->showPopup();
    }
    QStringList keyBindingsForAction(const QString &) const override { return {}; }

private:
    QComboBox *Box() const { return static_cast<QComboBox *>(widget()); }
};

QAccessibleInterface *ComboBoxFactory(const QString &className, QObject *object)
{
    if (className != QLatin1String("QComboBox"))
        return nullptr;
    auto *box = qobject_cast<QComboBox *>(object);
    return box ? new CAccessibleComboBox(box) : nullptr;
}

// Keys as a menu's shortcut column shows them, or nothing when `keys`
// reads back differently in both namings (then it was not understood whole).
QKeySequence ReadKeys(const QString &keys)
{
    for (const auto format : {QKeySequence::PortableText, QKeySequence::NativeText}) {
        const QKeySequence sequence = QKeySequence::fromString(keys, format);
        if (sequence.isEmpty() || sequence[0].key() == Qt::Key_unknown)
            continue;
        if (sequence.toString(format).compare(keys, Qt::CaseInsensitive) == 0)
            return sequence;
    }
    return {};
}

} // namespace

QString AccessibleCaption(const QString &caption)
{
    QString name;
    name.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&') {
            if (i + 1 < caption.size() && caption[i + 1] == u'&')
                name += u'&';
            ++i;
            if (i < caption.size() && caption[i] != u'&')
                name += caption[i];
            continue;
        }
        name += caption[i];
    }
    return name;
}

void InstallAccessibleInterfaces()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(ComboBoxFactory);
}

void NameControl(QWidget *control, const QString &name)
{
    control->setAccessibleName(name);
    control->setToolTip(name);
}

void SetMenuItemText(QAction *action, const QString &text, bool withShortcut)
{
    const qsizetype tab = text.indexOf(u'\t');
    const QKeySequence keys = tab < 0 ? QKeySequence() : ReadKeys(text.mid(tab + 1));
    if (tab >= 0 && keys.isEmpty()) {
        action->setText(text);
        action->setShortcut({});
        return;
    }
    action->setText(tab < 0 ? text : text.left(tab));
    action->setShortcutContext(Qt::WidgetShortcut);
    action->setShortcut(withShortcut ? keys : QKeySequence());
}
