// SPDX-License-Identifier: GPL-3.0-or-later
// Texts from a language file are files' words like any other: a tool tip,
// a dialog caption or a message that looks like markup is shown as written.
#include "guisupport.h"

#include "settings/languagetable.h"
#include "ui/dialogs/scanoptionsdlg.h"
#include "ui/toolkit/plaintext.h"
#include "ui/toolkit/toolbarex.h"

#include <QAbstractButton>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

namespace {

using gui::ShownToolTip;

const QString Markup = QStringLiteral("<img src=\"/dev/zero\"><b>Open</b> & more");

} // namespace

class TestLanguageMarkup : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { LanguageTable().Clear(); }

    void toolBarTipsFromALanguageFileAreShownAsWritten()
    {
        LanguageTable().sections()[QStringLiteral("ToolBar Hints")][2] = Markup;
        CToolBarEx bar;
        bar.SetPrompts({{1, QStringLiteral("New")}, {2, QStringLiteral("Open")}});
        bar.SetButtons({{1, -1}, {2, -1}}, CToolBarEx::ShowTextLabels);
        QCOMPARE(ShownToolTip(bar.CommandAction(2)->toolTip()), Markup);
        // An ordinary tip stays as it is.
        QCOMPARE(bar.CommandAction(1)->toolTip(), QStringLiteral("New"));
    }

    void dialogCaptionsFromALanguageFileAreShownAsWritten()
    {
        LanguageTable().sections()[QStringLiteral("Scan Options")][CScanOptionsDlg::IdAllVisible] = Markup;
        CScanOptionsDlg dialog;
        dialog.InitDialog();
        // Every label of the dialog shows plain text, whatever its caption.
        for (QLabel *label : dialog.findChildren<QLabel *>())
            QCOMPARE(label->textFormat(), Qt::PlainText);
        QCOMPARE(dialog.ControlAs<QAbstractButton>(CScanOptionsDlg::IdAllVisible)->text(), Markup);
    }

    void messageBoxesCarryTheTitleAndPlainText()
    {
        QString title;
        Qt::TextFormat format = Qt::RichText;
        QTimer::singleShot(0, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                title = box->windowTitle();
                format = box->textFormat();
                box->close();
            }
        });
        PlainMessageBox(nullptr, QMessageBox::Warning, Markup);
        QCOMPARE(title, QStringLiteral("Brevant Lanterra"));
        QCOMPARE(format, Qt::PlainText);
    }
};

QTEST_MAIN(TestLanguageMarkup)
#include "tst_languagemarkup.moc"
