// SPDX-License-Identifier: GPL-3.0-or-later
#include "aboutdlg.h"

#include "productinfo.h"

#include "ui/toolkit/hyperlink.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace {

QFrame *EtchedLine(QWidget *parent)
{
    auto *line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

} // namespace

CAboutDlg::CAboutDlg(QWidget *parent) : CDialogBase(TemplateId, QStringLiteral("About"), QStringLiteral("About"), parent)
{
    // The links' part is there only when the build names the maker's
    // addresses.
    const bool hasHomePage = !ProductInfo::HomePage().isEmpty();
    const bool hasSupport = !ProductInfo::SupportAddress().isEmpty();
    const int linksHeight = hasHomePage || hasSupport ? 32 : 0;
    SetTemplate({175, 144 + linksHeight}, false);
    PlaceGroup(IdGroup, QStringLiteral(" Information "), {7, 4, 161, 114 + linksHeight});
    auto *icon = Place(IdIcon, new QLabel(this), {16, 16, 24, 24});
    icon->setPixmap(QIcon(QStringLiteral(":/icons/lanterra.svg")).pixmap(QSize(32, 32), devicePixelRatioF()));
    auto *product = Place(IdProduct, new QLabel(QStringLiteral("Brevant Lanterra"), this), {48, 17, 113, 10});
    product->setTextFormat(Qt::PlainText);
    QFont bold = product->font();
    bold.setBold(true);
    product->setFont(bold);
    Place(IdVersion, new QLabel(this), {48, 29, 113, 10});
    Place(0, EtchedLine(this), {16, 46, 145, 2});
    Place(IdLegal1, new QLabel(QStringLiteral("Copyright \u00A9 2026 Brevant."), this), {16, 53, 145, 9});
    auto *licence = Place(IdLegal2,
                          new QLabel(QStringLiteral("This program is free software under the GNU General Public "
                                                    "License, version 3 or later. It comes with no warranty."),
                                     this),
                          {16, 65, 145, 48});
    licence->setTextFormat(Qt::PlainText);
    licence->setWordWrap(true);
    licence->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    if (linksHeight) {
        Place(0, EtchedLine(this), {16, 114, 145, 2});
        if (hasHomePage)
            Place(IdHomePage, new CHyperLink(ProductInfo::HomePage(), this), {16, 121, 145, 10});
        if (hasSupport)
            Place(IdSupport, new CHyperLink(ProductInfo::SupportAddress(), this),
                  {16, hasHomePage ? 133 : 121, 145, 10});
    }
    PlaceButtons({62, 125 + linksHeight, 50, 14}, {});
    ControlAs<QPushButton>(IdOk)->setText(QStringLiteral("OK"));
}

void CAboutDlg::InitDialog()
{
    if (m_initialised)
        return;
    m_initialised = true;
    ControlAs<QLabel>(IdVersion)->setText(ProductInfo::VersionLine(ProductInfo::FileVersion(), ProductInfo::RevisionStamp()));
    TranslateCaptions({IdGroup, IdLegal2, IdOk});
    SetBoldFont({IdGroup});
    if (Control(IdHomePage))
        MakeLink(IdHomePage, 0);
    // The support link shows the address and writes a mail.
    if (auto *support = ControlAs<CHyperLink>(IdSupport)) {
        support->SetLinkTarget(ProductInfo::SupportMailUrl());
        MakeLink(IdSupport, 0);
    }
}
