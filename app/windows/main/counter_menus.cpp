// SPDX-License-Identifier: GPL-3.0-or-later
//
// The frequency counter's place in the main window: its "&Setup" entries ("Frequency Counter",
// "Counter resolution", "Counter offset") and its two labels in the status strip. The entries
// are taken where the menu tree already holds them (by object name) and made where it does not.
#include <QHBoxLayout>
#include <QMenuBar>

#include "core/analysis/counter.h"
#include "core/base/state.h"
#include "windows/common/widgets.h"
#include "windows/main/main_window.h"

namespace vrx {

namespace {

// The menu of `title` in `bar` or among the submenus of `parent`; made when absent (in
// `parent` before `before`, which may be null: at the end).
QMenu *MenuTitled(QMenuBar *bar, QMenu *parent, const QString &title, QAction *before) {
    const QList<QAction *> actions = parent ? parent->actions() : bar->actions();
    for (QAction *a : actions)
        if (a->menu() && a->text() == title) return a->menu();
    auto *m = new QMenu(title, parent ? static_cast<QWidget *>(parent) : bar);
    if (parent)
        parent->insertMenu(before, m);
    else
        bar->addMenu(m);
    return m;
}

} // namespace

void MainWindow::buildCounterMenus() {
    FrequencyCounter &c = frmCounter();
    QMenu *setup = MenuTitled(menuBar(), nullptr, QStringLiteral("&Setup"), nullptr);
    // In the instrument's order, before the measurement set-up.
    QAction *before = findChild<QAction *>(QStringLiteral("mnuMeasureSetup"));
    if (before && !setup->actions().contains(before)) before = nullptr;
    auto items = [&](const QString &menuTitle, const char *name, const QStringList &captions,
                     auto &models) {
        QMenu *menu = nullptr;
        for (int i = 0; i < captions.size(); ++i) {
            QAction *a = findChild<QAction *>(Indexed(name, i));
            if (!a) {
                if (!menu) menu = MenuTitled(menuBar(), setup, menuTitle, before);
                a = menu->addAction(captions[i]);
                a->setObjectName(Indexed(name, i));
            }
            BindMenuItem(a, models[static_cast<size_t>(i)]);
        }
    };
    items(QStringLiteral("Frequency Counter"), "mnuCount",
          {QStringLiteral("Channel A&1"), QStringLiteral("Channel A&2")}, c.mnuCount);
    QStringList resolutions;
    for (int digits = 5; digits <= 7; ++digits)
        resolutions << QStringLiteral("&%1 Digital resolution (128k)").arg(digits);
    items(QStringLiteral("Counter resolution"), "mnuCountRes", resolutions, c.mnuCountRes);
    QStringList offsets;
    for (int ppm = 50; ppm >= -50; ppm -= 10)
        offsets << (ppm == 0 ? QStringLiteral("+0 ppm")
                             : QStringLiteral("%1%2ppm").arg(ppm > 0 ? "+" : "").arg(ppm));
    items(QStringLiteral("Counter offset"), "mnuCountppm", offsets, c.mnuCountppm);

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
