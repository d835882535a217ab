// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/analysis/function_window.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "core/analysis/function.h"
#include "windows/common/widgets.h"

namespace vrx {

FunctionWindow::FunctionWindow(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmFunction"));
    setWindowTitle(QStringLiteral("Functions"));
    FunctionLogic &f = frmFunction();

    auto *function = new QGroupBox(QStringLiteral("Function"), this);
    auto *g = new QGridLayout(function);
    static const char *const captions[2] = {"Source1", "Source2"};
    for (int i = 0; i < 2; ++i) {
        const auto k = static_cast<size_t>(i);
        cmbSource[k] = MakeList(function, Indexed("cmbSource", i), f.cmbSource[k]);
        g->addWidget(MakeCaption(function, QString::fromLatin1(captions[i])), 0, 2 * i);
        g->addWidget(cmbSource[k], 1, 2 * i);
    }
    cmbOperate = MakeList(function, QStringLiteral("cmbOperate"), f.cmbOperate);
    g->addWidget(MakeCaption(function, QStringLiteral("Operator")), 0, 1);
    g->addWidget(cmbOperate, 1, 1);
    CheckFu = MakeCheck<QCheckBox>(function, QStringLiteral("CheckFu"),
                                   QStringLiteral("Display Function1"), f.CheckFu);
    g->addWidget(CheckFu, 2, 0, 1, 3);

    auto *backup = new QGroupBox(QStringLiteral("Clear Backup"), this);
    auto *h = new QHBoxLayout(backup);
    cmbM2 = MakeList(backup, QStringLiteral("cmbM2"), f.cmbM2);
    cmdClear = new QPushButton(QStringLiteral("Clear"), backup);
    cmdClear->setObjectName(QStringLiteral("cmdClear"));
    connect(cmdClear, &QPushButton::clicked, this, [&f] { f.cmdClear_Click(); });
    h->addWidget(cmbM2);
    h->addWidget(cmdClear);

    Ok = new QPushButton(QStringLiteral("OK"), this);
    Ok->setObjectName(QStringLiteral("Ok"));
    Ok->setDefault(true);
    connect(Ok, &QPushButton::clicked, this, [this, &f] {
        f.Ok_Click();
        close();
    });

    auto *v = new QVBoxLayout(this);
    v->addWidget(function);
    v->addWidget(backup);
    v->addWidget(Ok, 0, Qt::AlignRight);
    v->setSizeConstraint(QLayout::SetFixedSize);

    settingsApplied_ = Subscribe(Event::SettingsApplied, [this, &f] {
        if (isVisible()) f.Form_Load();
    });
}

} // namespace vrx
