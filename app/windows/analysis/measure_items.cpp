// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/analysis/measure_items.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "windows/common/widgets.h"

namespace vrx {

namespace {

// A frame with an option pair in it.
QGroupBox *OptionFrame(QWidget *parent, const QString &title, const char *name,
                       std::array<CheckModel, 2> &models, const std::array<QString, 2> &texts,
                       std::array<QRadioButton *, 2> &buttons) {
    auto *frame = new QGroupBox(title, parent);
    auto *v = new QVBoxLayout(frame);
    for (int i = 0; i < 2; ++i) {
        const auto k = static_cast<size_t>(i);
        buttons[k] = MakeCheck<QRadioButton>(frame, Indexed(name, i), texts[k], models[k]);
        v->addWidget(buttons[k]);
    }
    return frame;
}

} // namespace

MeasureItemsWindow::MeasureItemsWindow(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmTestItem"));
    setWindowTitle(QStringLiteral("Measure Item"));
    MeasureItems &m = frmTestItem();

    auto *items = new QGridLayout;
    items->setHorizontalSpacing(12);
    items->setVerticalSpacing(2);
    items->addWidget(MakeCaption(this, QStringLiteral("A1")), 0, 1, Qt::AlignHCenter);
    items->addWidget(MakeCaption(this, QStringLiteral("A2")), 0, 2, Qt::AlignHCenter);
    for (int i = 0; i < kMeasureItems; ++i) {
        const auto k = static_cast<size_t>(i);
        TsItem[k] = MakeLabel(this, Indexed("TsItem", i), m.TsItem[k]);
        CheckA1[k] = MakeCheck<QCheckBox>(this, Indexed("CheckA1", i), {}, m.CheckA1[k]);
        CheckA2[k] = MakeCheck<QCheckBox>(this, Indexed("CheckA2", i), {}, m.CheckA2[k]);
        items->addWidget(TsItem[k], i + 1, 0);
        items->addWidget(CheckA1[k], i + 1, 1, Qt::AlignHCenter);
        items->addWidget(CheckA2[k], i + 1, 2, Qt::AlignHCenter);
    }

    auto *side = new QVBoxLayout;
    side->addWidget(OptionFrame(this, QStringLiteral("Test Length"), "OptLen", m.OptLen,
                                {QStringLiteral("Screen"), QStringLiteral("Full memory")}, OptLen));
    side->addWidget(OptionFrame(this, QStringLiteral("Rising / Falling Test area"), "OptRise",
                                m.OptRise, {QStringLiteral("10%-90%"), QStringLiteral("20%-80%")},
                                OptRise));
    side->addStretch(1);
    CmdOk = new QPushButton(QStringLiteral("OK"), this);
    CmdOk->setObjectName(QStringLiteral("CmdOk"));
    CmdOk->setDefault(true);
    side->addWidget(CmdOk);
    connect(CmdOk, &QPushButton::clicked, this, [this] {
        frmTestItem().CmdOk_Click();
        close();
    });

    auto *h = new QHBoxLayout(this);
    h->addLayout(items);
    h->addSpacing(12);
    h->addLayout(side);

    // The check boxes follow the stored choice when the settings are applied.
    settingsApplied_ = Subscribe(Event::SettingsApplied, [this] {
        if (isVisible()) frmTestItem().Form_Load();
    });
}

} // namespace vrx
