// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/timing/timing_view.h"

#include <algorithm>

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QResizeEvent>

#include "core/base/state.h"
#include "core/logic/logic_panel.h"
#include "core/timing/compose.h"
#include "core/timing/frontpanel.h"
#include "core/timing/pictures.h"
#include "windows/common/widgets.h"

namespace vrx {

namespace {

// Vertical layout of the picture column.
constexpr int kStripTop = 0;                // overview strip
constexpr int kBarStripTop = kOverviewRows; // bar spinners and readouts
constexpr int kBarStripHeight = 48;
constexpr int kScopeTop = kBarStripTop + kBarStripHeight; // trace pictures
constexpr int kScrollscrTop = kScopeTop + kScopeRows;     // screen scroller
constexpr int kScrollscrHeight = 16;
constexpr int kLogicTop = kScrollscrTop + kScrollscrHeight + 2; // logic picture
constexpr int kLevelBarWidth = 17;                              // ScrollLevel, ScrollOffset
// Logic channel panel: ScrollCh at the left edge, the rows right of it, a header line above.
constexpr int kScrollChLeft = 2;
constexpr int kScrollChWidth = 16;
constexpr int kRowsLeft = kScrollChLeft + kScrollChWidth + 2;
constexpr int kLogicHeaderHeight = 18;

// The rows' fixed-pitch font.
QFont RowFont() {
    QFont f(QStringLiteral("Courier"));
    f.setStyleHint(QFont::TypeWriter);
    f.setPointSize(8);
    return f;
}

// A trigger cell: looks pressed while the button is down; the release cycles it.
class TriggerCell : public QLabel {
  public:
    using QLabel::QLabel;
    int channel = 0;

  protected:
    void mousePressEvent(QMouseEvent *event) override {
        if (event->button() == Qt::LeftButton) logicPanel().lbTrigger_MouseDown(channel);
    }
    void mouseReleaseEvent(QMouseEvent *event) override {
        if (event->button() == Qt::LeftButton) logicPanel().lbTrigger_MouseUp(channel);
    }
};

// A readout of the bar strip: fixed width, centred, so the strip does not move as it changes.
void Readout(QLabel *l, int width) {
    l->setFixedWidth(width);
    l->setAlignment(Qt::AlignCenter);
    l->setMargin(1);
    KeepLabelSize(l, {QStringLiteral("0")});
}

} // namespace

QSize TimingView::DefaultSize() {
    return {kPanelWidth + 600 + 2, kLogicTop + 16 * app().display.LogicHeight};
}

TimingView::TimingView(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("form1"));
    setWindowTitle(QStringLiteral("Timing view"));
    TimingPanel &f = form1();

    // Pictures: the trace pictures on top of each other (only one is shown), the overview
    // strip with its markers, the logic lanes.
    for (size_t i = 0; i < 2; ++i) {
        picScope[i] =
            new PictureBox([i]() -> const QImage & { return pictures().picScope[i]; }, this);
        picScope[i]->setObjectName(Indexed("picScope", static_cast<int>(i)));
    }
    Picture1 = new PictureBox([]() -> const QImage & { return pictures().Picture1; }, this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture2 = new PictureBox([]() -> const QImage & { return pictures().Picture2; }, this);
    Picture2->setObjectName(QStringLiteral("Picture2"));
    ImgUpscr = new OverviewMark(OverviewMark::Window, Picture2);
    ImgUpscr->setObjectName(QStringLiteral("ImgUpscr"));
    for (int k = 0; k < 3; ++k) {
        UpVbar[static_cast<size_t>(k)] = new OverviewMark(OverviewMark::Line, Picture2);
        UpVbar[static_cast<size_t>(k)]->setObjectName(Indexed("UpVbar", k));
    }

    panel_ = buildPanel();
    barStrip_ = buildBarStrip();

    // The level and position bars stand beside the trace, one row per sample code.
    ScrollLevel = MakeScroll(this, QStringLiteral("ScrollLevel"), Qt::Vertical, f.ScrollLevel);
    ScrollOffset = MakeScroll(this, QStringLiteral("ScrollOffset"), Qt::Vertical, f.ScrollOffset);
    Scrollscr = MakeScroll(this, QStringLiteral("Scrollscr"), Qt::Horizontal, f.Scrollscr);

    ScrollCh = MakeScroll(this, QStringLiteral("ScrollCh"), Qt::Vertical, logicPanel().ScrollCh);
    logicHeader_ = buildLogicHeader();
    for (int c = 0; c < 16; ++c)
        buildLogicRow(c);

    buildInput();
    picturesChanged_ = Subscribe(Event::PicturesChanged, [this] { showPictures(); });
    // The whole front panel, the bar strip and a trace of the default width always show.
    setMinimumSize(DefaultSize());
    resize(DefaultSize());
    placePictures();
    showPictures();
}

QWidget *TimingView::buildPanel() {
    TimingPanel &f = form1();
    auto *p = new QWidget(this);
    p->setObjectName(QStringLiteral("FrontPanel"));
    auto *g = new QGridLayout(p);
    g->setContentsMargins(6, 6, 4, 4);
    g->setHorizontalSpacing(4);
    g->setVerticalSpacing(3);
    g->setColumnStretch(1, 1);
    int row = 0;

    // Timebase.
    lbRate = MakeLabel(p, QStringLiteral("lbRate"), f.lbRate);
    lbRate->setTextFormat(Qt::AutoText); // "&Rate": the ampersand marks the access key
    cmbRate = MakeList(p, QStringLiteral("cmbRate"), f.cmbRate);
    lbRate->setBuddy(cmbRate);
    scrlRate = MakeScroll(p, QStringLiteral("scrlRate"), Qt::Vertical, f.scrlRate);
    g->addWidget(lbRate, row, 0);
    g->addWidget(cmbRate, row, 1);
    g->addWidget(scrlRate, row++, 2);

    cmbDepth = MakeList(p, QStringLiteral("cmbDepth"), f.cmbDepth);
    g->addWidget(MakeCaption(p, QStringLiteral("Depth")), row, 0);
    g->addWidget(cmbDepth, row++, 1);

    cmbZoom = MakeList(p, QStringLiteral("cmbZoom"), f.cmbZoom);
    scrlZoom = MakeScroll(p, QStringLiteral("scrlZoom"), Qt::Vertical, f.scrlZoom);
    g->addWidget(MakeCaption(p, QStringLiteral("Zoom")), row, 0);
    g->addWidget(cmbZoom, row, 1);
    g->addWidget(scrlZoom, row++, 2);

    lbHdiv[0] = MakeLabel(p, Indexed("lbHdiv", 0), f.lbHdiv[0]);
    lbHdiv[0]->setAlignment(Qt::AlignCenter);
    g->addWidget(MakeCaption(p, QStringLiteral("Time/div")), row, 0);
    g->addWidget(lbHdiv[0], row++, 1);

    cmbCapture = MakeList(p, QStringLiteral("cmbCapture"), f.cmbCapture);
    g->addWidget(MakeCaption(p, QStringLiteral("Mode")), row, 0);
    g->addWidget(cmbCapture, row++, 1);

    // Trigger.
    cmbTrigCh = MakeList(p, QStringLiteral("cmbTrigCh"), f.cmbTrigCh);
    cmbSlope = MakeList(p, QStringLiteral("cmbSlope"), f.cmbSlope);
    g->addWidget(MakeCaption(p, QStringLiteral("Trigger")), row, 0);
    g->addWidget(cmbTrigCh, row++, 1);
    g->addWidget(MakeCaption(p, QStringLiteral("Slope")), row, 0);
    g->addWidget(cmbSlope, row++, 1);

    lbLevel = MakeLabel(p, QStringLiteral("lbLevel"), f.lbLevel);
    lbLevel->setAlignment(Qt::AlignCenter);
    g->addWidget(MakeCaption(p, QStringLiteral("Level")), row, 0);
    g->addWidget(lbLevel, row++, 1);

    // Channel tabs and the controls of the selected channel.
    auto *tabs = new QHBoxLayout;
    tabs->setSpacing(2);
    for (int t = 0; t < 5; ++t) {
        auto *l = MakeLabel<ClickLabel>(p, Indexed("lbTab", t), f.lbTab[static_cast<size_t>(t)]);
        l->setAlignment(Qt::AlignCenter);
        l->setMinimumHeight(22);
        l->setCursor(Qt::PointingHandCursor);
        lbTab[static_cast<size_t>(t)] = l;
        tabs->addWidget(l, 1);
    }
    g->addLayout(tabs, row++, 0, 1, 3);

    lbProbe = MakeLabel(p, QStringLiteral("lbProbe"), f.lbProbe);
    cmbProbe = MakeList(p, QStringLiteral("cmbProbe"), f.cmbProbe);
    g->addWidget(lbProbe, row, 0);
    g->addWidget(cmbProbe, row++, 1);

    cmbVdiv = MakeList(p, QStringLiteral("cmbVdiv"), f.cmbVdiv);
    ScrlVdiv = MakeScroll(p, QStringLiteral("ScrlVdiv"), Qt::Vertical, f.ScrlVdiv);
    g->addWidget(MakeCaption(p, QStringLiteral("V/div")), row, 0);
    g->addWidget(cmbVdiv, row, 1);
    g->addWidget(ScrlVdiv, row++, 2);

    cmbCouple = MakeList(p, QStringLiteral("cmbCouple"), f.cmbCouple);
    g->addWidget(MakeCaption(p, QStringLiteral("Coupling")), row, 0);
    g->addWidget(cmbCouple, row++, 1);

    LabelOffset = MakeLabel(p, QStringLiteral("LabelOffset"), f.LabelOffset);
    LabelOffset->setAlignment(Qt::AlignCenter);
    g->addWidget(MakeCaption(p, QStringLiteral("Offset")), row, 0);
    g->addWidget(LabelOffset, row++, 1);
    g->setRowStretch(row, 1);

    // The three-position steppers: only their arrows show.
    for (QScrollBar *s : {scrlRate, scrlZoom, ScrlVdiv})
        s->setFixedSize(16, 26);
    return p;
}

QWidget *TimingView::buildBarStrip() {
    TimingPanel &f = form1();
    auto *w = new QWidget(this);
    w->setObjectName(QStringLiteral("BarStrip"));
    auto *g = new QGridLayout(w);
    g->setContentsMargins(2, 2, 2, 2);
    g->setHorizontalSpacing(4);
    g->setVerticalSpacing(2);

    for (int k = 0; k < 3; ++k) {
        const auto i = static_cast<size_t>(k);
        lbVbar[i] = MakeLabel(w, Indexed("lbVbar", k), f.lbVbar[i]);
        Readout(lbVbar[i], 66);
        ScrollVbar[i] = MakeScroll(w, Indexed("ScrollVbar", k), Qt::Horizontal, f.ScrollVbar[i]);
        ScrollVbar[i]->setFixedSize(84, 18);
        g->addWidget(lbVbar[i], 0, 2 * k);
        g->addWidget(ScrollVbar[i], 0, 2 * k + 1);
    }
    lbPretrig = MakeLabel(w, QStringLiteral("lbPretrig"), f.lbPretrig);
    lbx10 = MakeLabel<ClickLabel>(w, QStringLiteral("lbx10"), f.lbx10);
    Readout(lbx10, 40);
    lbx10->setCursor(Qt::PointingHandCursor);
    g->addWidget(lbPretrig, 0, 6);
    g->addWidget(lbx10, 0, 7);

    for (int k = 0; k < 2; ++k) {
        const auto i = static_cast<size_t>(k);
        lbHbar[i] = MakeLabel(w, Indexed("lbHbar", k), f.lbHbar[i]);
        Readout(lbHbar[i], 66);
        ScrollHbar[i] = MakeScroll(w, Indexed("ScrollHbar", k), Qt::Horizontal, f.ScrollHbar[i]);
        ScrollHbar[i]->setFixedSize(84, 18);
        g->addWidget(lbHbar[i], 1, 2 * k);
        g->addWidget(ScrollHbar[i], 1, 2 * k + 1);
    }
    lbH1H2 = MakeLabel(w, QStringLiteral("lbH1H2"), f.lbH1H2);
    Readout(lbH1H2, 66);
    lbScr = MakeLabel(w, QStringLiteral("lbScr"), f.lbScr);
    Readout(lbScr, 84);
    lbHdiv[1] = MakeLabel(w, Indexed("lbHdiv", 1), f.lbHdiv[1]);
    Readout(lbHdiv[1], 66);
    g->addWidget(lbH1H2, 1, 4);
    g->addWidget(lbScr, 1, 5);
    g->addWidget(lbHdiv[1], 1, 6, 1, 2);
    g->setColumnStretch(8, 1);
    w->setAutoFillBackground(true);
    return w;
}

QWidget *TimingView::buildLogicHeader() {
    LogicPanel &lp = logicPanel();
    auto *w = new QWidget(this);
    w->setObjectName(QStringLiteral("LogicHeader"));
    auto *h = new QHBoxLayout(w);
    h->setContentsMargins(2, 0, 2, 0);
    h->setSpacing(6);
    for (int k = 0; k < 3; ++k) {
        QLabel *l =
            MakeLabel<ValueLabel>(w, Indexed("lbBarWord", k), lp.lbBarWord[static_cast<size_t>(k)]);
        l->setFont(RowFont());
        KeepLabelSize(l, {QStringLiteral("V1 FFFF"), QStringLiteral("V2 ----")});
        lbBarWord[static_cast<size_t>(k)] = l;
        h->addWidget(l);
    }
    h->addStretch(1);
    lbTrigWord = new ClickLabel(QStringLiteral("Word"), w);
    lbTrigWord->setObjectName(QStringLiteral("lbTrigWord"));
    lbTrigWord->setToolTip(QStringLiteral("Trigger word"));
    lbTrigWord->setCursor(Qt::PointingHandCursor);
    lbTrigWord->setFrameStyle(QFrame::Panel | QFrame::Raised);
    connect(lbTrigWord, &ClickLabel::clicked, this, &TimingView::triggerWordRequested);
    h->addWidget(lbTrigWord);
    return w;
}

void TimingView::buildLogicRow(int c) {
    LogicPanel &lp = logicPanel();
    const auto i = static_cast<size_t>(c);
    auto *frame = new QFrame(this);
    frame->setObjectName(Indexed("Frame1", c));
    auto *h = new QHBoxLayout(frame);
    h->setContentsMargins(0, 1, 0, 1);
    h->setSpacing(2);
    txtName[i] = MakeText(frame, Indexed("txtName", c), lp.txtName[i]);
    txtName[i]->setFrame(false);
    lbChnum[i] = MakeLabel(frame, Indexed("lbChnum", c), lp.lbChnum[i]);
    lbV0[i] = MakeLabel<ValueLabel>(frame, Indexed("lbV0", c), lp.lbV0[i]);
    lbV1[i] = MakeLabel<ValueLabel>(frame, Indexed("lbV1", c), lp.lbV1[i]);
    lbV2[i] = MakeLabel<ValueLabel>(frame, Indexed("lbV2", c), lp.lbV2[i]);
    auto *cell = MakeLabel<TriggerCell>(frame, Indexed("lbTrigger", c), lp.lbTrigger[i]);
    cell->channel = c;
    cell->setCursor(Qt::PointingHandCursor);
    lbTrigger[i] = cell;
    h->addWidget(txtName[i], 1);
    const std::pair<QLabel *, int> columns[] = {
        {lbChnum[i], 20}, {lbV0[i], 14}, {lbV1[i], 14}, {lbV2[i], 14}, {cell, 18}};
    for (const auto &[l, width] : columns) {
        l->setFixedWidth(width);
        l->setAlignment(Qt::AlignCenter);
        h->addWidget(l);
    }
    for (QWidget *w : frame->findChildren<QWidget *>())
        w->setFont(RowFont());
    // The values at the bars change with the records: the labels keep their size.
    for (const auto &[l, width] : columns)
        KeepLabelSize(l, {QStringLiteral("0")});
    Frame1[i] = frame;

    // The frame stands where the panel places it below the top of ScrollCh.
    FrameModel &m = lp.Frame1[i];
    QPointer<QFrame> guard(frame);
    auto place = [guard, &m] {
        if (!guard) return;
        guard->setGeometry(kRowsLeft, kLogicTop + m.top(), kPanelWidth - kRowsLeft - 2,
                           std::max(m.height(), 1));
        ApplyColors(guard, m.foreColor(), m.backColor());
    };
    const int id = m.subscribe(place);
    connect(frame, &QObject::destroyed, [&m, id] { m.unsubscribe(id); });
    place();
}

void TimingView::placePictures() {
    const TimingPictures &p = pictures();
    const int left = kPanelWidth;
    Picture2->move(left, kStripTop);
    Picture2->fitToImage();
    for (PictureBox *pic : picScope) {
        pic->move(left, kScopeTop);
        pic->fitToImage();
    }
    Picture1->move(left, kLogicTop);
    Picture1->fitToImage();

    const int traceWidth = std::max(p.picScope[0].width(), 1);
    barStrip_->setGeometry(left, kBarStripTop, std::max(traceWidth, 600), kBarStripHeight);
    Scrollscr->setGeometry(left, kScrollscrTop, traceWidth, kScrollscrHeight);
    ScrollLevel->setGeometry(left - 2 * kLevelBarWidth - 4, kScopeTop, kLevelBarWidth, kScopeRows);
    ScrollOffset->setGeometry(left - kLevelBarWidth - 2, kScopeTop, kLevelBarWidth, kScopeRows);
    panel_->setGeometry(0, 0, left - 2 * kLevelBarWidth - 6, kLogicTop - kLogicHeaderHeight);
    logicHeader_->setGeometry(kRowsLeft, kLogicTop - kLogicHeaderHeight, left - kRowsLeft - 2,
                              kLogicHeaderHeight);
    ScrollCh->setGeometry(kScrollChLeft, kLogicTop, kScrollChWidth, 16 * app().display.LogicHeight);
}

void TimingView::showPictures() {
    const TimingPictures &p = pictures();
    const AppState &s = app();
    for (size_t i = 0; i < 2; ++i) {
        if (picScope[i]->isHidden() == p.picScopeVisible[i])
            picScope[i]->setVisible(p.picScopeVisible[i]);
        if (picScope[i]->size() != p.picScope[i].size()) placePictures();
        picScope[i]->update();
    }
    // A new logic lane height: the lanes and the view grow or shrink with it.
    if (Picture1->size() != p.Picture1.size()) {
        placePictures();
        setMinimumSize(DefaultSize());
    }
    Picture1->update();
    Picture2->update();

    // Overview markers: the screen window and the three bars (the line colours of the bars).
    PlaceOverviewMarks(ImgUpscr, p.ImgUpscrLeft, p.ImgUpscrWidth, kOverviewRows, UpVbar, p.UpVbarX);
    ApplyColors(barStrip_, s.colors[ColUpScreen], s.colors[ColBackground]);
}

void TimingView::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    // Only the width sizes the pictures: a view made higher or lower (the annotation rows
    // below it come and go with the decoded records) keeps them as they are.
    if (event->size().width() != event->oldSize().width()) Form_Resize();
}

void TimingView::Form_Resize() {
    TimingPanel &f = form1();
    const int32_t oldWidth = app().screen.ScreenSamples;
    f.ScaleWidth = width();
    f.Picture2Left = kPanelWidth;
    // The record-length rule runs ZoomPara, which sizes the pictures to the new width.
    ApplyDepth();
    placePictures();
    if (app().screen.ScreenSamples != oldWidth) ComposeScreen(0, 1);
}

} // namespace vrx
