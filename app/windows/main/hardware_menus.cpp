// SPDX-License-Identifier: GPL-3.0-or-later
//
// The hardware entries of the "&Setup" menu: "&Calibrate" > "Probe(A&1)" .. "Probe(A&4)" and
// "&Initialize(Hardware)", taken from the menu tree and connected.
#include "core/acquisition/calibration.h"
#include "windows/common/widgets.h"
#include "windows/main/main_window.h"

namespace vrx {

void MainWindow::buildHardwareMenus() {
    for (int i = 0; i < 4; ++i) {
        QAction *a = TreeEntry(Indexed("mnuProbeCal", i));
        mnuProbeCal[static_cast<size_t>(i)] = a;
        // The instrument has two analog inputs: A3 and A4 have nothing to calibrate.
        if (i >= kCalibratedChannels) {
            a->setEnabled(false);
            continue;
        }
        connect(a, &QAction::triggered, this, [i] { mnuProbeCal_Click(i); });
    }
    mnuInitial = TreeEntry(QStringLiteral("mnuInitial"));
    connect(mnuInitial, &QAction::triggered, this, [this] {
        mnuInitial_Click();
        ShowDetection();
    });
}

} // namespace vrx
