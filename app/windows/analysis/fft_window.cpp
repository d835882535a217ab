// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/analysis/fft_window.h"

#include <algorithm>

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QVBoxLayout>

#include "core/analysis/fft.h"
#include "core/base/state.h"
#include "core/timing/pictures.h"
#include "windows/common/widgets.h"

namespace vrx {

namespace {

// The display area: the offset bar and its mark left of the spectrum, the scale and the
// scroller below it.
constexpr int kBarWidth = 17;
constexpr int kMarkWidth = 50;
constexpr int kPictureLeft = kBarWidth + kMarkWidth;
constexpr int kScaleTop = kScopeRows + 2;
constexpr int kScrollerTop = kScaleTop + 18;
constexpr int kDisplayHeight = kScrollerTop + 18;
constexpr int kLabelWidth = 80;

} // namespace

FftWindow::FftWindow(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmFFT"));
    setWindowTitle(FftCaption(app().fft.FFtMode));
    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(6, 6, 6, 6);
    v->addWidget(buildLists());
    v->addWidget(buildDisplay());
    v->addWidget(buildBars());
    v->setSizeConstraint(QLayout::SetFixedSize);

    FFtLogic &f = frmFFT();
    screenComposed_ = Subscribe(Event::ScreenComposed, [&f] { f.OnScreenComposed(); });
    depthChanged_ = Subscribe(Event::DepthChanged, [&f] { f.OnDepthChanged(); });
    timebaseChanged_ = Subscribe(Event::TimebaseChanged, [&f] { f.OnTimebaseChanged(); });
    colorsChanged_ = Subscribe(Event::ColorsChanged, [&f] { f.OnColorsChanged(); });
    settingsApplied_ = Subscribe(Event::SettingsApplied, [&f] {
        if (app().display.FftOn) f.ApplySettings();
    });
    picturesChanged_ = Subscribe(Event::PicturesChanged, [this] { showPictures(); });
    showPictures();
}

QWidget *FftWindow::buildLists() {
    FFtLogic &f = frmFFT();
    auto *w = new QWidget(this);
    auto *h = new QHBoxLayout(w);
    h->setContentsMargins(0, 0, 0, 0);
    cmbSource = MakeList(w, QStringLiteral("cmbSource"), f.cmbSource);
    cmbVdiv = MakeList(w, QStringLiteral("cmbVdiv"), f.cmbVdiv);
    cmbGain = MakeList(w, QStringLiteral("cmbGain"), f.cmbGain);
    cmbWindow = MakeList(w, QStringLiteral("cmbWindow"), f.cmbWindow);
    cmbPoint = MakeList(w, QStringLiteral("cmbPoint"), f.cmbPoint);
    cmbZoom = MakeList(w, QStringLiteral("cmbZoom"), f.cmbZoom);
    h->addWidget(MakeCaption(w, QStringLiteral("Source")));
    h->addWidget(cmbSource);
    h->addWidget(MakeLabel(w, QStringLiteral("lbVdiv"), f.lbVdivCaption));
    h->addWidget(cmbVdiv);
    h->addWidget(MakeCaption(w, QStringLiteral("GainType")));
    h->addWidget(cmbGain);
    h->addWidget(MakeCaption(w, QStringLiteral("Window")));
    h->addWidget(cmbWindow);
    h->addWidget(MakeCaption(w, QStringLiteral("Points")));
    h->addWidget(cmbPoint);
    h->addWidget(MakeCaption(w, QStringLiteral("Zoom")));
    h->addWidget(cmbZoom);
    h->addStretch(1);
    return w;
}

QWidget *FftWindow::buildDisplay() {
    FFtLogic &f = frmFFT();
    auto *w = new QWidget(this);
    w->setFixedSize(kPictureLeft + kFftPictureWidth, kDisplayHeight);
    ScrollOffset = MakeScroll(w, QStringLiteral("ScrollOffset"), Qt::Vertical, f.ScrollOffset);
    ScrollOffset->setGeometry(0, 0, kBarWidth, kScopeRows);
    lbDBm = MakeLabel(w, QStringLiteral("lbDBm"), f.lbDBm);
    lbDBm->setGeometry(kBarWidth + 2, f.lbDBmTop, kMarkWidth - 4, 14);
    Picture1 = new PictureBox([&f]() -> const QImage & { return f.Picture1; }, w);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(kPictureLeft, 0, kFftPictureWidth, kScopeRows);
    Picture1->installEventFilter(this);
    for (int j = 0; j < 3; ++j) {
        auto *l = MakeLabel(w, Indexed("lbTdiv", j), f.lbTdiv[static_cast<size_t>(j)]);
        l->setAlignment(Qt::AlignHCenter);
        l->setGeometry(kPictureLeft + 50 + 150 * j - kLabelWidth / 2, kScaleTop, kLabelWidth, 16);
        lbTdiv[static_cast<size_t>(j)] = l;
    }
    Scrollscr = MakeScroll(w, QStringLiteral("Scrollscr"), Qt::Horizontal, f.Scrollscr);
    Scrollscr->setGeometry(kPictureLeft, kScrollerTop, kFftCurveWidth, 16);
    lbScr = MakeLabel(w, QStringLiteral("lbScr"), f.lbScr);
    lbScr->setGeometry(kPictureLeft + kFftCurveWidth + 4, kScrollerTop, 46, 16);
    return w;
}

QWidget *FftWindow::buildBars() {
    FFtLogic &f = frmFFT();
    auto *w = new QWidget(this);
    auto *g = new QGridLayout(w);
    g->setContentsMargins(kPictureLeft, 0, 0, 0);
    Picture2 = new PictureBox([&f]() -> const QImage & { return f.Picture2; }, w);
    Picture2->setObjectName(QStringLiteral("Picture2"));
    Picture2->setFixedSize(f.Picture2.size());
    Picture2->installEventFilter(this);
    ImgUpscr = new OverviewMark(OverviewMark::Window, Picture2);
    ImgUpscr->setObjectName(QStringLiteral("ImgUpscr"));
    g->addWidget(Picture2, 0, 0, 3, 1);
    for (int i = 0; i < 2; ++i) {
        const auto k = static_cast<size_t>(i);
        UpVbar[k] = new OverviewMark(OverviewMark::Line, Picture2);
        UpVbar[k]->setObjectName(Indexed("UpVbar", i));
        ScrollVbar[k] = MakeScroll(w, Indexed("ScrollVbar", i), Qt::Vertical, f.ScrollVbar[k]);
        ScrollHbar[k] = MakeScroll(w, Indexed("ScrollHbar", i), Qt::Vertical, f.ScrollHbar[k]);
        lbVbar[k] = MakeLabel(w, Indexed("lbVbar", i), f.lbVbar[k]);
        lbHbar[k] = MakeLabel(w, Indexed("lbHbar", i), f.lbHbar[k]);
        for (QScrollBar *s : {ScrollVbar[k], ScrollHbar[k]})
            s->setFixedSize(16, 24);
        for (QLabel *l : {lbVbar[k], lbHbar[k]}) {
            l->setFixedWidth(kLabelWidth);
            l->setAutoFillBackground(true);
        }
        g->addWidget(MakeCaption(w, i == 0 ? QStringLiteral("V1") : QStringLiteral("V2")), i, 1);
        g->addWidget(ScrollVbar[k], i, 2);
        g->addWidget(lbVbar[k], i, 3);
        g->addWidget(MakeCaption(w, i == 0 ? QStringLiteral("H1") : QStringLiteral("H2")), i, 4);
        g->addWidget(ScrollHbar[k], i, 5);
        g->addWidget(lbHbar[k], i, 6);
    }
    lbHbar[2] = MakeLabel(w, QStringLiteral("lbHbar(2)"), f.lbHbar[2]);
    lbHbar[2]->setFixedWidth(kLabelWidth);
    lbHbar[2]->setAutoFillBackground(true);
    g->addWidget(MakeCaption(w, QStringLiteral("H1-H2")), 2, 4, 1, 2);
    g->addWidget(lbHbar[2], 2, 6);
    g->setColumnStretch(7, 1);
    return w;
}

void FftWindow::showPictures() {
    const FFtLogic &f = frmFFT();
    Picture1->update();
    Picture2->update();
    PlaceOverviewMarks(ImgUpscr, f.ImgUpscrLeft, f.ImgUpscrWidth, kFftOverviewRows, UpVbar,
                       f.UpVbarX);
    lbDBm->move(lbDBm->x(), f.lbDBmTop);
}

bool FftWindow::eventFilter(QObject *watched, QEvent *event) {
    const bool picture1 = watched == Picture1;
    if (!picture1 && watched != Picture2) return QWidget::eventFilter(watched, event);
    FFtLogic &f = frmFFT();
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove: {
        auto *m = static_cast<QMouseEvent *>(event);
        const QPoint p = m->position().toPoint();
        const bool press = event->type() == QEvent::MouseButtonPress;
        if (press ? m->button() != Qt::LeftButton : !(m->buttons() & Qt::LeftButton)) break;
        if (picture1)
            press ? f.Picture1_MouseDown(p.x(), p.y()) : f.Picture1_MouseMove(p.x(), p.y());
        else
            press ? f.Picture2_MouseDown(p.x()) : f.Picture2_MouseMove(p.x());
        return true;
    }
    case QEvent::MouseButtonRelease:
        f.MouseUp();
        return true;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void FftWindow::closeEvent(QCloseEvent *event) {
    frmFFT().Unload();
    emit closed();
    event->accept();
}

} // namespace vrx
