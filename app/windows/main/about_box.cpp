// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/main/about_box.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QPainter>
#include <QUrl>
#include <QVBoxLayout>

#include "core/startup/startup.h"

namespace vrx {

namespace {

constexpr const char *kLicenceUrl = "https://www.gnu.org/licenses/gpl-3.0.html";

// The program's icon: a trace on the screen of the instrument.
QPixmap ProgramIcon() {
    QPixmap pm(48, 48);
    pm.fill(Qt::black);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 90, 40), 1));
    for (int k = 8; k < 48; k += 8) {
        p.drawLine(k, 0, k, 47);
        p.drawLine(0, k, 47, k);
    }
    p.setPen(QPen(Qt::yellow, 2));
    const QPointF square[] = {{2, 34},  {12, 34}, {12, 14}, {24, 14},
                              {24, 34}, {36, 34}, {36, 14}, {46, 14}};
    p.drawPolyline(square, 8);
    return pm;
}

QLabel *Line(QWidget *parent, const char *name, const QString &text) {
    auto *l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setTextFormat(Qt::PlainText);
    return l;
}

} // namespace

QString VersionText() {
    return QStringLiteral("Version %1.%2.%3")
        .arg(VRX_VERSION_MAJOR)
        .arg(VRX_VERSION_MINOR)
        .arg(VRX_VERSION_PATCH);
}

AboutBox::AboutBox(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About ") + kAppTitle);
    picIcon = Line(this, "picIcon", {});
    picIcon->setPixmap(ProgramIcon());
    lblTitle = Line(this, "lblTitle", kAppTitle);
    QFont title = lblTitle->font();
    title.setBold(true);
    title.setPointSizeF(title.pointSizeF() * 1.4);
    lblTitle->setFont(title);
    lblVersion = Line(this, "lblVersion", VersionText());
    lblMaker = Line(this, "lblMaker",
                    QStringLiteral("Desktop software for the VRX-73604 oscilloscope and logic "
                                   "analyser,\nwritten by the VRX-73604 desktop software team."));
    lblLicence =
        Line(this, "lblLicence",
             QStringLiteral("This program is free software: you can redistribute it and/or "
                            "modify it\nunder the terms of the GNU General Public License "
                            "as published by the\nFree Software Foundation, either version "
                            "3 of the License, or (at your\noption) any later version."));
    lblWarranty = Line(this, "lblWarranty",
                       QStringLiteral("It comes with ABSOLUTELY NO WARRANTY; see the licence:"));
    Label1 = new ClickLabel(QString::fromLatin1(kLicenceUrl), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    Label1->setCursor(Qt::PointingHandCursor);
    QPalette link = Label1->palette();
    link.setColor(QPalette::WindowText, link.color(QPalette::Link));
    Label1->setPalette(link);
    connect(Label1, &ClickLabel::clicked, this,
            [] { QDesktopServices::openUrl(QUrl(QString::fromLatin1(kLicenceUrl))); });
    lblCopyright = Line(this, "lblCopyright",
                        QStringLiteral("Copyright (C) 2026 the VRX-73604 desktop software team"));
    cmdOk = new QPushButton(QStringLiteral("OK"), this);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdOk->setDefault(true);
    connect(cmdOk, &QPushButton::clicked, this, &QDialog::accept);

    auto *text = new QVBoxLayout;
    for (QWidget *w : std::initializer_list<QWidget *>{lblTitle, lblVersion, lblMaker, lblLicence,
                                                       lblWarranty, Label1, lblCopyright})
        text->addWidget(w);
    auto *h = new QHBoxLayout;
    h->addWidget(picIcon, 0, Qt::AlignTop);
    h->addSpacing(12);
    h->addLayout(text);
    auto *v = new QVBoxLayout(this);
    v->addLayout(h);
    v->addWidget(cmdOk, 0, Qt::AlignRight);
    v->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace vrx
