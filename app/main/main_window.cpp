// SPDX-License-Identifier: GPL-3.0-or-later
#include "main/main_window.h"

#include <algorithm>

#include <QCloseEvent>
#include <QGridLayout>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>

#include "core/pictures.h"
#include "core/startup.h"
#include "core/state.h"
#include "main/acquisition_loop_logic.h"
#include "main/bind_widgets.h"
#include "main/toolbar_icons.h"
#include "timing/frontpanel_logic.h"

namespace vrx {

namespace {

// Placement keys and their defaults in twips.
struct PlacementKey {
    const char *key;
    double fallback;
};
constexpr PlacementKey kPlacement[4] = {
    {"MainLeft", 1000}, {"MainTop", 1000}, {"MainWidth", 6500}, {"MainHeight", 6500}};

// The per-user settings store under the program's title; the values sit in "Settings".
std::unique_ptr<QSettings> PlacementStore() {
    auto store = std::make_unique<QSettings>(QSettings::UserScope, kAppTitle, kAppTitle);
    store->beginGroup(QStringLiteral("Settings"));
    return store;
}

QLabel *StatusLabel(QWidget *parent, const QString &name, LabelModel &m) {
    auto *l = new QLabel(parent);
    l->setObjectName(name);
    l->setTextFormat(Qt::PlainText);
    l->setMargin(2);
    BindLabel(l, m);
    return l;
}

} // namespace

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(kAppTitle);
    AcquisitionControls &ac = acquisitionControls();
    BarsLogic &b = bars();

    auto *file = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFileExit = file->addAction(QStringLiteral("E&xit"));
    mnuFileExit->setObjectName(QStringLiteral("mnuFileExit"));
    connect(mnuFileExit, &QAction::triggered, this, &QWidget::close);

    tbToolBar = addToolBar(QStringLiteral("tbToolBar"));
    tbToolBar->setObjectName(QStringLiteral("tbToolBar"));
    tbToolBar->setMovable(false);
    tbToolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    tbToolBar->setIconSize(QSize(24, 24));
    for (int i = 1; i <= kToolbarButtons; ++i) {
        ToolButtonModel &m = ac.Button(i);
        if (m.key().isEmpty()) {
            tbToolBar->addSeparator();
            continue;
        }
        QAction *a = tbToolBar->addAction(ToolbarIcon(m.key()), m.key());
        a->setObjectName(m.key());
        BindToolButton(a, m);
        tbButtons[static_cast<size_t>(i - 1)] = a;
    }

    // The status area: acquisition state, record count and the bar distances.
    auto *area = new QWidget(this);
    area->setObjectName(QStringLiteral("PictureTool"));
    auto *g = new QGridLayout(area);
    g->setContentsMargins(6, 6, 6, 6);
    g->setSpacing(4);
    LabelStat[0] = StatusLabel(area, QStringLiteral("LabelStat(0)"), ac.LabelStat[0]);
    LabelStat[1] = StatusLabel(area, QStringLiteral("LabelStat(1)"), ac.LabelStat[1]);
    LabelStat[1]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lbv1v2 = StatusLabel(area, QStringLiteral("lbv1v2"), b.lbv1v2);
    lbT_V[0] = StatusLabel(area, QStringLiteral("lbT_V(0)"), b.lbT_V[0]);
    lbT_V[1] = StatusLabel(area, QStringLiteral("lbT_V(1)"), b.lbT_V[1]);
    QFont big = LabelStat[0]->font();
    big.setPointSizeF(big.pointSizeF() * 1.3);
    big.setBold(true);
    LabelStat[0]->setFont(big);
    LabelStat[1]->setFont(big);
    g->addWidget(LabelStat[0], 0, 0);
    g->addWidget(LabelStat[1], 0, 1);
    g->addWidget(lbv1v2, 1, 0, 1, 2);
    g->addWidget(lbT_V[0], 2, 0, 1, 2);
    g->addWidget(lbT_V[1], 3, 0, 1, 2);
    g->setRowStretch(4, 1);
    g->setColumnStretch(0, 1);
    for (QLabel *l : {LabelStat[0], LabelStat[1], lbv1v2, lbT_V[0], lbT_V[1]})
        l->setMinimumHeight(l->sizeHint().height());
    setCentralWidget(area);
    // The status area is part of the display: its background follows the colour table.
    auto paintArea = [area] { ApplyColors(area, app().Colors[29], app().Colors[0]); };
    picturesId_ = pictures().changed.subscribe(paintArea);
    paintArea();

    sbStatusBar = new QStatusBar(this);
    sbStatusBar->setObjectName(QStringLiteral("sbStatusBar"));
    sbLink = new QLabel(sbStatusBar);
    sbLink->setObjectName(QStringLiteral("sbLink"));
    sbStatusBar->addWidget(sbLink, 1);
    setStatusBar(sbStatusBar);

    form1_ = std::make_unique<TimingView>();
    connect(form1_.get(), &TimingView::closed, this, &QWidget::close);
    driver_ = new AcquisitionDriver(this);

    LoadPlacement();
}

MainWindow::~MainWindow() {
    pictures().changed.unsubscribe(picturesId_);
    TheEnd();
}

void MainWindow::LoadPlacement() {
    const auto store = PlacementStore();
    double v[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        v[i] = store->value(QString::fromLatin1(kPlacement[i].key)).toString().toDouble(&ok);
        if (!ok) v[i] = kPlacement[i].fallback;
    }
    auto px = [](double twips) { return static_cast<int>(twips / kTwipsPerPixel); };
    move(px(v[0]), px(v[1]));
    resize(std::max(px(v[2]), 120), std::max(px(v[3]), 80));
}

void MainWindow::SavePlacement() const {
    const auto store = PlacementStore();
    const int values[4] = {x(), y(), width(), height()};
    for (int i = 0; i < 4; ++i)
        store->setValue(QString::fromLatin1(kPlacement[i].key),
                        QString::number(static_cast<float>(values[i] * kTwipsPerPixel)));
}

void MainWindow::ShowDetection() {
    const AppState &s = app();
    if (!s.MainCaption.isEmpty()) setWindowTitle(s.MainCaption);
    QString link;
    if (s.DevConfig[HW_DC_Link] == HW_LINK_NONE)
        link = QStringLiteral("Demo mode");
    else if (s.HwFound == 0)
        link = kNotConfiguredText;
    else if (s.DevConfig[HW_DC_Link] == HW_LINK_USB)
        link = QStringLiteral("Usb") + s.LinkText;
    else
        link = s.LinkText;
    sbLink->setText(link);
}

void MainWindow::PlaceTimingView() {
    const QRect frame = frameGeometry();
    QRect target(QPoint(frame.right() + 8, frame.top()), form1_->size());
    if (const QScreen *screen = this->screen()) {
        const QRect avail = screen->availableGeometry();
        // Beside the main window when it fits, otherwise as far right as the screen allows.
        if (target.right() > avail.right()) target.moveRight(avail.right());
        if (target.bottom() > avail.bottom()) target.moveBottom(avail.bottom());
        target.moveLeft(std::max(target.left(), avail.left()));
        target.moveTop(std::max(target.top(), avail.top()));
    }
    form1_->move(target.topLeft());
}

void MainWindow::closeEvent(QCloseEvent *event) {
    // A minimised window keeps the placement it had before.
    if (!isMinimized() && !ending_) SavePlacement();
    TheEnd();
    event->accept();
}

void MainWindow::TheEnd() {
    if (ending_) return;
    ending_ = true;
    driver_->detach();
    AppState &s = app();
    PowerOff(s.PortState.data(), s.DevConfig.data());
    if (form1_) {
        disconnect(form1_.get(), nullptr, this, nullptr);
        form1_->close();
    }
}

} // namespace vrx
