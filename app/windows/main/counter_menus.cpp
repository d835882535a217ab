// SPDX-License-Identifier: GPL-3.0-or-later
//
// The frequency counter's place in the main window: its "&Setup" entries ("Frequency Counter",
// "Counter resolution", "Counter offset", taken from the menu tree) and its two labels in the
// status strip.
#include <QHBoxLayout>

#include "core/analysis/counter.h"
#include "core/base/state.h"
#include "windows/common/widgets.h"
#include "windows/main/main_window.h"

namespace vrx {

void MainWindow::buildCounterMenus() {
    FrequencyCounter &c = frmCounter();
    auto items = [this](const char *name, auto &models) {
        for (size_t i = 0; i < models.size(); ++i)
            BindMenuItem(TreeEntry(Indexed(name, static_cast<int>(i))), models[i]);
    };
    items("mnuCount", c.mnuCount);
    items("mnuCountRes", c.mnuCountRes);
    items("mnuCountppm", c.mnuCountppm);

    // The counter labels at the end of the status strip, in the channels' colours.
    auto *strip = qobject_cast<QHBoxLayout *>(statusStrip_->layout());
    for (size_t k = 0; k < 2; ++k) {
        lbCount[k] = MakeLabel(statusStrip_, Indexed("lbCount", static_cast<int>(k)), c.lbCount[k]);
        strip->insertWidget(strip->count() - 1, lbCount[k]);
    }
    auto paint = [this] {
        for (size_t k = 0; k < 2; ++k)
            ApplyColors(lbCount[k], app().colors[ColA1 + static_cast<int>(k)],
                        app().colors[ColBackground]);
    };
    counterColors_ = Subscribe(Event::PicturesChanged, paint);
    paint();
}

} // namespace vrx
