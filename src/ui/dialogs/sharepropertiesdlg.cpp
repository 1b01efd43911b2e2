// SPDX-License-Identifier: GPL-3.0-or-later
#include "sharepropertiesdlg.h"

#include "model/visibletext.h"

#include <QFormLayout>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

namespace {

enum ControlId {
    IdShareName = 1126,
    IdHostLabel = 1151,
    IdHostEdit = 1004,
    IdWorkgroupLabel = 1152,
    IdWorkgroupEdit = 1005,
    IdAddressLabel = 1153,
    IdAddressEdit = 1006,
    IdUrlLabel = 1154,
    IdUrlEdit = 1007,
    IdInformation = 1140,
    IdPicture = 1179,
    IdLine = 1097,
};

QLineEdit *ReadOnlyField(QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setReadOnly(true);
    edit->setFrame(false);
    // Looks like text on the dialog, yet can be selected and copied.
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    edit->setPalette(palette);
    return edit;
}

} // namespace

CSharePropertiesDlg::CSharePropertiesDlg(QWidget *parent)
    : CDialogBase(TemplateId, QStringLiteral("Share Properties"), QStringLiteral("Share Properties"), parent)
{
    auto *layout = new QVBoxLayout(this);

    auto *top = new QHBoxLayout;
    auto *picture = new QLabel(this);
    picture->setPixmap(QIcon(QStringLiteral(":/icons/share-online.svg")).pixmap(QSize(32, 32), devicePixelRatioF()));
    picture->setFixedSize(36, 36);
    RegisterControl(IdPicture, picture);
    m_shareEdit = ReadOnlyField(this);
    RegisterControl(IdShareName, m_shareEdit);
    top->addWidget(picture);
    top->addWidget(m_shareEdit, 1);
    layout->addLayout(top);

    auto *line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    RegisterControl(IdLine, line);
    layout->addWidget(line);

    auto *information = new QGroupBox(QStringLiteral(" Information "), this);
    RegisterControl(IdInformation, information);
    auto *form = new QFormLayout(information);
    // Captions come from the language file: never markup.
    const auto addRow = [&](int labelId, const QString &caption, int editId) {
        auto *label = new QLabel(caption, information);
        label->setTextFormat(Qt::PlainText);
        QLineEdit *edit = ReadOnlyField(information);
        RegisterControl(labelId, label);
        RegisterControl(editId, edit);
        form->addRow(label, edit);
        return edit;
    };
    m_hostEdit = addRow(IdHostLabel, QStringLiteral("Host name :"), IdHostEdit);
    m_workgroupEdit = addRow(IdWorkgroupLabel, QStringLiteral("Workgroup :"), IdWorkgroupEdit);
    m_addressEdit = addRow(IdAddressLabel, QStringLiteral("Address :"), IdAddressEdit);
    m_urlEdit = addRow(IdUrlLabel, QStringLiteral("URL :"), IdUrlEdit);
    layout->addWidget(information, 1);

    layout->addWidget(CreateButtonRow());
    setMinimumWidth(340);
}

void CSharePropertiesDlg::InitDialog()
{
    // The names come from the network: shown with their hidden characters
    // written out, as the list shows them (an edit never reads markup).
    m_shareEdit->setText(VisibleText::EscapeHidden(shareName));
    m_hostEdit->setText(VisibleText::EscapeHidden(hostName));
    m_workgroupEdit->setText(VisibleText::EscapeHidden(workgroup));
    m_addressEdit->setText(VisibleText::EscapeHidden(address));
    // Percent-encoded: nothing hidden is left in it.
    m_urlEdit->setText(url);
    // Every field shows its whole text where the screen has room for it
    // (long names, the percent-encoded address, a larger font); beyond
    // that the dialog stays on the screen and the field scrolls.
    const QScreen *screen = this->screen();
    const int room = screen ? screen->availableGeometry().width() - 160 : QWIDGETSIZE_MAX;
    for (QLineEdit *edit : {m_shareEdit, m_hostEdit, m_workgroupEdit, m_addressEdit, m_urlEdit}) {
        const QFontMetrics metrics(edit->font());
        const int whole = metrics.horizontalAdvance(edit->text()) + 2 * metrics.averageCharWidth();
        edit->setMinimumWidth(std::min(whole, room));
        edit->setCursorPosition(0);
    }
    TranslateCaptions(
        {IdInformation, IdHostLabel, IdWorkgroupLabel, IdAddressLabel, IdUrlLabel, IdOk, IdCancel, IdApply});
    SetBoldFont({IdInformation});
    setFixedSize(sizeHint().expandedTo(QSize(340, 0)));
}
