// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/timing/color_window.h"

#include <QColorDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "windows/common/widgets.h"

namespace vrx {

namespace {

constexpr int kSwatchesPerRow = 8;
constexpr int kSwatchSize = 22;

} // namespace

ColorWindow::ColorWindow(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Color"));
    setWindowTitle(QStringLiteral("Color Setup"));
    ColorSetup &c = colorSetup();
    c.chooseColor = [this](int32_t initial) -> std::optional<int32_t> {
        const QColor chosen = QColorDialog::getColor(TableColor(initial), this);
        if (!chosen.isValid()) return std::nullopt;
        return Rgb(chosen.red(), chosen.green(), chosen.blue());
    };

    auto *entries = new QGroupBox(this);
    auto *eg = new QGridLayout(entries);
    eg->setSpacing(1);
    constexpr int rows = (kColors + 1) / 2;
    for (int i = 0; i < kColors; ++i) {
        const auto k = static_cast<size_t>(i);
        ColorSys[k] = MakeCheck<QRadioButton>(entries, Indexed("ColorSys", i), ColorEntryCaption(i),
                                              c.ColorSys[k]);
        eg->addWidget(ColorSys[k], i % rows, i / rows);
    }

    auto *palette = new QGroupBox(QStringLiteral("Color choice"), this);
    auto *pg = new QGridLayout(palette);
    pg->setSpacing(2);
    for (int i = 0; i < kSwatches; ++i) {
        const auto k = static_cast<size_t>(i);
        auto *b = MakeCommand(palette, Indexed("CommandColor", i), QString(), c.CommandColor[k]);
        b->setFlat(true);
        b->setFixedSize(kSwatchSize, kSwatchSize);
        CommandColor[k] = b;
        // The user colours stand one row apart from the fixed ones.
        const int row = i / kSwatchesPerRow + (i >= kFixedSwatches ? 1 : 0);
        pg->addWidget(b, row, i % kSwatchesPerRow);
    }
    pg->setRowMinimumHeight(kFixedSwatches / kSwatchesPerRow, 6);
    CheckUser = MakeCheck<QCheckBox>(palette, QStringLiteral("CheckUser"),
                                     QStringLiteral("User Color"), c.CheckUser);
    pg->addWidget(CheckUser, kSwatches / kSwatchesPerRow + 1, 0, 1, kSwatchesPerRow);

    auto *display = new QGroupBox(this);
    auto *dg = new QGridLayout(display);
    for (int i = 0; i < kDisplayItems; ++i) {
        const auto k = static_cast<size_t>(i);
        Check[k] =
            MakeCheck<QCheckBox>(display, Indexed("Check", i), DisplayCaption(i), c.Check[k]);
        dg->addWidget(Check[k], i / 2, i % 2);
    }

    cmdInv = MakeCommand(this, QStringLiteral("cmdInv"), QStringLiteral("Inverse"), c.cmdInv);
    ColorOk = MakeCommand(this, QStringLiteral("ColorOk"), QStringLiteral("OK"), c.ColorOk);
    connect(ColorOk, &QPushButton::clicked, this, [this] {
        emit applied();
        close();
    });

    auto *right = new QVBoxLayout;
    right->addWidget(palette);
    right->addWidget(display);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdInv);
    buttons->addStretch(1);
    buttons->addWidget(ColorOk);
    right->addLayout(buttons);
    right->addStretch(1);
    auto *h = new QHBoxLayout(this);
    h->addWidget(entries);
    h->addLayout(right);
}

} // namespace vrx
