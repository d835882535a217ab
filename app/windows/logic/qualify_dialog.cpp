// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/logic/qualify_dialog.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QVBoxLayout>

#include "core/logic/qualify.h"
#include "windows/common/widgets.h"

namespace vrx {

QualifyDialog::QualifyDialog(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Qualify"));
    setWindowTitle(QStringLiteral("ChD15-D0 Qualify"));
    Qualify &q = qualify();

    auto *frame = new QGroupBox(QStringLiteral("Digital Trigger"), this);
    auto *g = new QGridLayout(frame);
    lbQualify = MakeLabel(frame, QStringLiteral("lbQualify"), q.lbQualify);
    g->addWidget(lbQualify, 0, 1);
    for (int i = 0; i < 4; ++i) {
        const auto k = static_cast<size_t>(i);
        optQualify[k] = MakeCheck<QRadioButton>(
            frame, Indexed("optQualify", i), QStringLiteral("Qualify%1").arg(i), q.optQualify[k]);
        TextQualify[k] = MakeWordText(frame, Indexed("TextQualify", i), q.TextQualify[k]);
        g->addWidget(optQualify[k], i + 1, 0);
        g->addWidget(TextQualify[k], i + 1, 1);
    }

    cmdOk = new QPushButton(QStringLiteral("OK"), this);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    connect(cmdOk, &QPushButton::clicked, this, [this] {
        qualify().cmdOk.click();
        close();
    });
    auto *v = new QVBoxLayout(this);
    v->addWidget(frame);
    v->addWidget(cmdOk, 0, Qt::AlignRight);
}

void QualifyDialog::closeEvent(QCloseEvent *event) {
    event->accept();
    emit closed();
}

} // namespace vrx
