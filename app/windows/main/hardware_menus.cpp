// SPDX-License-Identifier: GPL-3.0-or-later
//
// The hardware entries of the "&Setup" menu: "&Calibrate" > "Probe(A&1)" .. "Probe(A&4)" and
// "&Initialize(Hardware)". An entry already in the menu tree (by its control name) is taken as
// it is; a missing one is made at its place.
#include <QMenuBar>

#include "core/acquisition/calibration.h"
#include "windows/common/widgets.h"
#include "windows/main/main_window.h"

namespace vrx {

namespace {

QMenu *MenuTitled(QMenuBar *bar, const QString &title) {
    for (QAction *a : bar->actions())
        if (a->menu() && a->text() == title) return a->menu();
    return bar->addMenu(title);
}

// The action named `name`, or a new one made by `make`.
template <typename Make> QAction *Entry(QWidget *window, const QString &name, Make make) {
    QAction *a = window->findChild<QAction *>(name);
    if (!a) {
        a = make();
        a->setObjectName(name);
    }
    a->setEnabled(true);
    return a;
}

} // namespace

void MainWindow::buildHardwareMenus() {
    QMenu *setup = MenuTitled(menuBar(), QStringLiteral("&Setup"));
    QMenu *calibrate = nullptr;
    for (int i = 0; i < 4; ++i) {
        QAction *a = Entry(this, Indexed("mnuProbeCal", i), [&] {
            if (!calibrate) {
                // "&Calibrate" heads the menu.
                calibrate = new QMenu(QStringLiteral("&Calibrate"), setup);
                setup->insertMenu(setup->actions().value(0), calibrate);
            }
            return calibrate->addAction(QStringLiteral("Probe(A&%1)").arg(i + 1));
        });
        mnuProbeCal[static_cast<size_t>(i)] = a;
        // The instrument has two analog inputs: A3 and A4 have nothing to calibrate.
        if (i >= kCalibratedChannels) {
            a->setEnabled(false);
            continue;
        }
        connect(a, &QAction::triggered, this, [i] { mnuProbeCal_Click(i); });
    }
    mnuInitial = Entry(this, QStringLiteral("mnuInitial"),
                       [&] { return setup->addAction(QStringLiteral("&Initialize(Hardware)")); });
    connect(mnuInitial, &QAction::triggered, this, [this] {
        mnuInitial_Click();
        ShowDetection();
    });
}

} // namespace vrx
