// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/main/main_window.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QVBoxLayout>

#include "core/acquisition/loop.h"
#include "core/analysis/fft.h"
#include "core/analysis/measure.h"
#include "core/base/state.h"
#include "core/logic/qualify.h"
#include "core/menus/menu_commands.h"
#include "core/settings/file_commands.h"
#include "core/startup/startup.h"
#include "core/timing/frontpanel.h"
#include "windows/analysis/measure_box.h"
#include "windows/analysis/measure_items.h"
#include "windows/common/if_changed.h"
#include "windows/common/tool_window.h"
#include "windows/common/widgets.h"
#include "windows/main/toolbar_icons.h"

namespace vrx {

namespace {

// Placement keys and their defaults in twips.
constexpr const char *kPlacementKeys[4] = {"MainLeft", "MainTop", "MainWidth", "MainHeight"};
constexpr std::array<double, 4> kPlacementDefaults = {1000, 1000, 6500, 6500};
// Beyond this a stored value is not a placement on any screen (about 670 000 pixels).
constexpr double kLargestTwips = 1e7;

// The per-user settings store under the program's title; the values sit in "Settings".
std::unique_ptr<QSettings> PlacementStore() {
    auto store = std::make_unique<QSettings>(QSettings::UserScope, kAppTitle, kAppTitle);
    store->beginGroup(QStringLiteral("Settings"));
    return store;
}

} // namespace

QRect FitPlacement(const std::array<double, 4> &twips, const QSize &minimum,
                   const QRect &available) {
    int px[4];
    for (size_t i = 0; i < 4; ++i) {
        double v = twips[i];
        if (!std::isfinite(v) || std::fabs(v) > kLargestTwips) v = kPlacementDefaults[i];
        px[i] = static_cast<int>(std::lround(v / MainWindow::kTwipsPerPixel));
    }
    QSize size(px[2], px[3]);
    if (available.isValid()) size = size.boundedTo(available.size());
    size = size.expandedTo(minimum);
    QRect r(QPoint(px[0], px[1]), size);
    if (available.isValid()) {
        // On the screens: as far in as the size allows, the title bar never above the top.
        r.moveLeft(std::clamp(r.left(), available.left(),
                              std::max(available.left(), available.right() - r.width() + 1)));
        r.moveTop(std::clamp(r.top(), available.top(),
                             std::max(available.top(), available.bottom() - r.height() + 1)));
    }
    return r;
}

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(kAppTitle);
    AcquisitionControls &ac = acquisitionControls();

    buildMenus();
    buildExportMenus();

    tbToolBar = addToolBar(QStringLiteral("tbToolBar"));
    tbToolBar->setObjectName(QStringLiteral("tbToolBar"));
    tbToolBar->setMovable(false);
    tbToolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    tbToolBar->setIconSize(QSize(24, 24));
    for (int i = 1; i <= kToolbarButtons; ++i) {
        ToolButtonModel &m = ac.Button(i);
        if (m.key().isEmpty())
            tbToolBar->addSeparator();
        else
            tbButtons[static_cast<size_t>(i - 1)] =
                MakeToolButton(tbToolBar, m, ToolbarIcon(m.key()));
    }

    // The central area: the status strip over the timing view.
    auto *central = new QWidget(this);
    auto *v = new QVBoxLayout(central);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    statusStrip_ = buildStatusStrip();
    statusStrip_->setParent(central);
    form1_ = new TimingView(central);
    connect(form1_, &TimingView::triggerWordRequested, this, &MainWindow::OpenQualify);
    v->addWidget(statusStrip_);
    v->addWidget(form1_, 1);
    buildDecodeMenus(v);
    setCentralWidget(central);
    buildCounterMenus();

    sbStatusBar = new QStatusBar(this);
    sbStatusBar->setObjectName(QStringLiteral("sbStatusBar"));
    sbLink = new QLabel(sbStatusBar);
    sbLink->setObjectName(QStringLiteral("sbLink"));
    sbStatusBar->addWidget(sbLink, 1);
    setStatusBar(sbStatusBar);

    // The marks of the menus and the status bar from the state.
    menuCommands().ApplyMenuSettings();
    sbStatusBar->setVisible(app().display.StatusBarOn != 0);

    driver_ = new AcquisitionDriver(this);
    buildOutputMenus();
    instrumentLost_ =
        Subscribe(Event::InstrumentLost, [this] { SetTextIfChanged(sbLink, kInstrumentLostText); });
    LoadPlacement();
}

void MainWindow::mnuFFTopt_Click(int mode) {
    const bool opened = frmFFT().Open(mode);
    for (size_t i = 0; i < 2; ++i)
        mnuFFTopt[i]->setChecked(opened && static_cast<int>(i) == mode);
    if (!opened) {
        if (frmFFT_) frmFFT_->hide();
        return;
    }
    if (!frmFFT_) {
        frmFFT_ = new FftWindow(this);
        connect(frmFFT_, &FftWindow::closed, this, [this] {
            for (QAction *a : mnuFFTopt)
                a->setChecked(false);
        });
    }
    frmFFT_->setWindowTitle(FftCaption(mode));
    ShowToolWindow(frmFFT_, this);
}

QWidget *MainWindow::buildStatusStrip() {
    AcquisitionControls &ac = acquisitionControls();
    BarsLogic &b = bars();
    auto *area = new QWidget;
    area->setObjectName(QStringLiteral("PictureTool"));
    auto *h = new QHBoxLayout(area);
    h->setContentsMargins(8, 2, 8, 2);
    h->setSpacing(16);
    LabelStat[0] = MakeLabel(area, QStringLiteral("LabelStat(0)"), ac.LabelStat[0]);
    LabelStat[1] = MakeLabel(area, QStringLiteral("LabelStat(1)"), ac.LabelStat[1]);
    lbv1v2 = MakeLabel(area, QStringLiteral("lbv1v2"), b.lbv1v2);
    lbT_V[0] = MakeLabel(area, QStringLiteral("lbT_V(0)"), b.lbT_V[0]);
    lbT_V[1] = MakeLabel(area, QStringLiteral("lbT_V(1)"), b.lbT_V[1]);
    QFont big = LabelStat[0]->font();
    big.setPointSizeF(big.pointSizeF() * 1.3);
    big.setBold(true);
    // The state and the count keep their size, so the readouts beside them stay in place and a
    // new count is drawn without laying the window out again.
    const QFontMetrics fm(big);
    for (QLabel *l : {LabelStat[0], LabelStat[1]})
        l->setFont(big);
    KeepLabelSize(LabelStat[0],
                  {QStringLiteral("Filling Buffer  "), QStringLiteral("Wait Trigger"),
                   QStringLiteral("Catch count"), kNotConfiguredText, kInstrumentLostText});
    KeepLabelSize(LabelStat[1], {QStringLiteral("0000000000")});
    LabelStat[1]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    h->addWidget(LabelStat[0]);
    h->addWidget(LabelStat[1]);
    h->addSpacing(16);
    h->addWidget(lbv1v2);
    h->addWidget(lbT_V[0]);
    h->addWidget(lbT_V[1]);
    h->addStretch(1);
    area->setMinimumHeight(fm.height() + 6);
    // The strip is part of the display: its background follows the colour table.
    auto paint = [area] {
        ApplyColors(area, app().colors[ColUpScreen], app().colors[ColBackground]);
    };
    picturesChanged_ = Subscribe(Event::PicturesChanged, paint);
    paint();
    return area;
}

void MainWindow::ShowMeasureBox(bool on) {
    mnuMeasure->setChecked(on);
    if (!on) {
        if (measureBox_) measureBox_->close();
        return;
    }
    if (!measureBox_) {
        measureBox_ = new MeasureBoxWindow(this);
        connect(measureBox_, &MeasureBoxWindow::closed, mnuMeasure,
                [this] { mnuMeasure->setChecked(false); });
    }
    frmMeasure().Form_Load();
    ShowToolWindow(measureBox_, this);
}

void MainWindow::mnuMeasureSetup_Click() {
    if (!measureItems_) measureItems_ = new MeasureItemsWindow(this);
    frmTestItem().Form_Load();
    ShowToolWindow(measureItems_, this);
}

MainWindow::~MainWindow() {
    TheEnd();
}

void MainWindow::OpenQualify() {
    ToolWindowOnce(qualify_, this, mnuLaTrigger, app().display.QualifyOn);
    qualify().LoadWords();
    ShowToolWindow(qualify_, this);
    app().display.QualifyOn = -1;
    mnuLaTrigger->setChecked(true);
}

void MainWindow::LoadPlacement() {
    const auto store = PlacementStore();
    std::array<double, 4> twips{};
    for (size_t i = 0; i < 4; ++i) {
        bool ok = false;
        twips[i] = store->value(QString::fromLatin1(kPlacementKeys[i])).toString().toDouble(&ok);
        if (!ok) twips[i] = kPlacementDefaults[i];
    }
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableVirtualGeometry() : QRect();
    // The frame around the central area is known only once shown: fit the inner size.
    const QRect r = FitPlacement(twips, minimumSizeHint(), available);
    move(r.topLeft());
    resize(r.size());
}

void MainWindow::SavePlacement() const {
    const auto store = PlacementStore();
    const int values[4] = {x(), y(), width(), height()};
    for (size_t i = 0; i < 4; ++i)
        store->setValue(QString::fromLatin1(kPlacementKeys[i]),
                        QString::number(static_cast<float>(values[i] * kTwipsPerPixel)));
}

void MainWindow::ShowDetection() {
    const AppState &s = app();
    if (!s.startup.MainCaption.isEmpty()) setWindowTitle(s.startup.MainCaption);
    QString link;
    if (s.records.DevConfig[HW_DC_Link] == HW_LINK_NONE)
        link = QStringLiteral("Demo mode");
    else if (s.run.HwFound == 0)
        link = kNotConfiguredText;
    else if (s.records.DevConfig[HW_DC_Link] == HW_LINK_USB)
        link = QStringLiteral("Usb") + s.startup.LinkText;
    else
        link = s.startup.LinkText;
    SetTextIfChanged(sbLink, link);
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
    EndProgram();
}

} // namespace vrx
