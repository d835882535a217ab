// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/timing/bars.h"

#include <algorithm>
#include <cstdlib>

#include "core/acquisition/loop.h"
#include "core/base/format.h"
#include "core/base/state.h"
#include "core/timing/compose.h"
#include "core/timing/pictures.h"

namespace vrx {

namespace {

void PutPixel(QImage &img, int x, int y, QRgb c) {
    if (x < 0 || y < 0 || x >= img.width() || y >= img.height()) return;
    reinterpret_cast<QRgb *>(img.scanLine(y))[x] = c;
}

// Vertical segment from (x, y0) to (x, y1), end pixel left out.
void VSeg(QImage &img, int x, int y0, int y1, int32_t color) {
    const QRgb c = ToQRgb(color);
    for (int y = y0; y < y1; ++y)
        PutPixel(img, x, y, c);
}

// Horizontal segment from (x0, y) to (x1, y), end pixel left out.
void HSeg(QImage &img, int x0, int x1, int y, int32_t color) {
    const QRgb c = ToQRgb(color);
    for (int x = x0; x < x1; ++x)
        PutPixel(img, x, y, c);
}

QImage &DrawPicture() {
    return pictures().picScope[static_cast<size_t>(app().run.DrawPic & 1)];
}

// A dashed horizontal bar across the trace picture at row y.
void DashedRow(int y, int32_t color) {
    QImage &img = DrawPicture();
    const int last = RoundHalfEven(app().screen.ScreenSamples / 10.0 - 2);
    for (int j = 0; j <= last; ++j)
        HSeg(img, 10 * j + 3, 10 * j + 8, y, color);
}

bool ZoomAlignAuto() {
    return app().view.ActiveBar[1] == 4;
}

const char *const kStepCaptions[4] = {"x1", "x10", "x50", "x100"};
const int32_t kStepSizes[4] = {1, 10, 50, 100};

} // namespace

int32_t OverviewBarX(int32_t pos, int32_t recordLen) {
    if (pos >= 0)
        return recordLen > 0 ? static_cast<int32_t>(int64_t{pos} * 512 / recordLen + 101) : 101;
    // A delay counts in blocks of 512 samples; the 100 pixels left of the record show it.
    return static_cast<int32_t>(int64_t{pos} * 100 / 65354 + 101);
}

BarsLogic::BarsLogic() {
    static const char *const vbarTips[3] = {"V1 move", "V2 move", "Trigger move"};
    static const char *const vbarLabelTips[3] = {"v1 position", "v2 position", "Trigger position"};
    for (int k = 0; k < 3; ++k) {
        auto &sb = ScrollVbar[static_cast<size_t>(k)];
        sb.setToolTip(QString::fromLatin1(vbarTips[k]));
        sb.setRange(k == 2 ? kLongestDelay : 0, 2047);
        sb.onChange = [this, k] { ScrollVbar_Change(k); };
        lbVbar[static_cast<size_t>(k)].setToolTip(QString::fromLatin1(vbarLabelTips[k]));
    }
    for (int k = 0; k < 2; ++k) {
        auto &sb = ScrollHbar[static_cast<size_t>(k)];
        sb.setToolTip(k == 0 ? QStringLiteral("H1 move") : QStringLiteral("H2 move"));
        sb.setRange(0, 255);
        sb.onChange = [this, k] { ScrollHbar_Change(k); };
    }
    Scrollscr.setToolTip(QStringLiteral("Screen move"));
    Scrollscr.setRange(0, kScrollLimit);
    Scrollscr.onChange = [this] { Scrollscr_Change(); };
    lbScr.setToolTip(QStringLiteral("Screen position"));
    lbPretrig.setText(QStringLiteral("PreTrigger"));
    lbPretrig.setToolTip(QStringLiteral("PreTrigger"));
    lbPretrig.setVisible(false);
    lbx10.setText(QStringLiteral("x1"));
    lbx10.setToolTip(QStringLiteral("Trigger move scale adjust"));
    lbx10.setVisible(false);
    lbx10.onClick = [this] { lbx10_Click(); };
}

void BarsLogic::Vline(int k, int mode) {
    if (k < 0 || k > 2) return;
    const AppState &s = app();
    const double zoom = s.view.TimeZoom[0];
    const int32_t pos = s.view.BarPos[static_cast<size_t>(k)];
    if (zoom <= 0 || pos < s.view.ScrollPos ||
        pos > s.screen.ScreenSamples * zoom + s.view.ScrollPos)
        return;
    const int x = RoundHalfEven((pos - s.view.ScrollPos) / zoom);
    const int32_t color = s.colors[mode != 0 ? ColV1 + k : ColBackground];
    QImage &img = DrawPicture();
    for (int i = 1; i <= 48; ++i)
        VSeg(img, x, 5 * i + 5, 5 * i + 7, color);

    // The logic lanes carry the bar too, broken where the lanes' levels are drawn.
    if (!IsEquivalentTime(s.acquisition.RateIndex) && s.channels.ChanOn[DispLogic] != 0) {
        QImage &logic = pictures().Picture1;
        const int h = s.display.LogicHeight;
        const int q = h / 4;
        for (int i = 0; i < 16; ++i) {
            const int top = h * i;
            if (top >= logic.height()) break;
            VSeg(logic, x, top, top + q, color);
            VSeg(logic, x, top + 3 * q, top + h, color);
        }
    }
}

void BarsLogic::DrawTbar(int src, int mode) {
    if (src != ChA1 && src != ChA2) return;
    const AppState &s = app();
    DashedRow(s.trigger.TrigLevel[static_cast<size_t>(src)],
              s.colors[mode != 0 ? ColTrigger : ColBackground]);
}

void BarsLogic::DrawHbar(int k, int mode) {
    if (k < 0 || k > 1) return;
    const AppState &s = app();
    DashedRow(s.view.HbarPos[static_cast<size_t>(k)],
              s.colors[mode != 0 ? ColV1 + k : ColBackground]);
}

void BarsLogic::Valign(int k) {
    if (k < 0 || k > 2) return;
    AppState &s = app();
    int32_t pos = RoundHalfEven(s.view.BarPos[static_cast<size_t>(k)] - s.view.TimeZoom[0] * 300);
    pos = std::min(pos, s.screen.ScrollMax);
    s.view.ScrollPos = std::max(pos, 0);
    Scrollscr.setValue(s.view.ScrollPos);
    if (ZoomAlignAuto()) s.view.ActiveBar[0] = static_cast<int16_t>(k);
}

void BarsLogic::V3align() {
    AppState &s = app();
    // V1 ends at pixel 150, V2 at 450 and the trigger bar at 300.
    ScrollVbar[0].setValue(RoundHalfEven(s.view.TimeZoom[0] * 150 + s.view.ScrollPos));
    ScrollVbar[1].setValue(RoundHalfEven(s.view.TimeZoom[0] * 450 + s.view.ScrollPos));
    ScrollVbar[2].setValue(RoundHalfEven(s.view.TimeZoom[0] * 300 + s.view.ScrollPos));
    if (ZoomAlignAuto()) s.view.ActiveBar[0] = 2;
}

void BarsLogic::LabelTimes() {
    AppState &s = app();
    if (s.view.BarPos[2] >= 0) {
        s.trigger.TrigShown = s.view.BarPos[2];
        lbPretrig.setVisible(false);
        lbx10.setVisible(false);
        s.trigger.TrigStep = 0;
        lbx10.setText(QStringLiteral("x1"));
        ScrollVbar[2].setSmallChange(1);
    } else {
        // A negative trigger bar is a delay in blocks of 512 samples.
        s.trigger.TrigShown = s.view.BarPos[2] * 512;
        lbPretrig.setVisible(true);
        lbx10.setVisible(true);
    }
    const int32_t v1 = s.view.BarPos[0];
    const int32_t v2 = s.view.BarPos[1];
    if (s.display.Dispunit != 0) {
        lbVbar[2].setText(QString::number(s.trigger.TrigShown));
        lbScr.setText(QString::number(s.view.ScrollPos));
        lbVbar[0].setText(QString::number(v1));
        lbVbar[1].setText(QString::number(v2));
        lbv1v2.setText(QStringLiteral("v1-v2=") + QString::number(v1 - v2));
        lbT_V[0].setText(QStringLiteral("T-v1= ") + QString::number(s.trigger.TrigShown - v1));
        lbT_V[1].setText(QStringLiteral("T-v2= ") + QString::number(s.trigger.TrigShown - v2));
        return;
    }
    lbVbar[2].setText(CalTime(s.trigger.TrigShown));
    lbScr.setText(CalTime(s.view.ScrollPos));
    lbVbar[0].setText(CalTime(v1));
    lbVbar[1].setText(CalTime(v2));
    const int32_t d = v1 - v2;
    const QString f = d == 0 ? QStringLiteral("----") : CalFreq(std::abs(d));
    lbv1v2.setText(QStringLiteral("v1-v2=") + CalTime(d) + QStringLiteral(" (") + f +
                   QStringLiteral(")"));
    lbT_V[0].setText(QStringLiteral("T-v1=") + CalTime(s.trigger.TrigShown - v1));
    lbT_V[1].setText(QStringLiteral("T-v2=") + CalTime(s.trigger.TrigShown - v2));
}

void BarsLogic::ShowHbarValue(int k) {
    if (k < 0 || k > 1) return;
    const AppState &s = app();
    const auto ch = static_cast<size_t>(s.channels.SelChannel);
    const double scale = ch < s.channels.ChanScale.size() ? s.channels.ChanScale[ch] : 0.0;
    const int pos = ch < s.channels.ChanPos.size() ? s.channels.ChanPos[ch] : 128;
    lbHbar[static_cast<size_t>(k)].setText(
        CalStr((pos - s.view.HbarPos[static_cast<size_t>(k)]) * scale));
    lbH1H2.setText(CalStr((s.view.HbarPos[0] - s.view.HbarPos[1]) * scale));
}

void BarsLogic::PlaceUpVbar(int k) {
    if (k < 0 || k > 2) return;
    pictures().UpVbarX[static_cast<size_t>(k)] =
        OverviewBarX(app().view.BarPos[static_cast<size_t>(k)], app().acquisition.RecordLen);
    PicturesChanged();
}

void BarsLogic::ScrollVbar_Change(int k) {
    AppState &s = app();
    const auto kk = static_cast<size_t>(k);
    if (ZoomAlignAuto()) s.view.ActiveBar[0] = static_cast<int16_t>(k);
    const int32_t old = s.view.BarPos[kk];
    const int32_t value = ScrollVbar[kk].value();
    if (CatchWithData()) {
        s.view.BarPos[kk] = value;
    } else {
        Vline(k, 0);
        s.view.BarPos[kk] = value;
        // Erasing may have cut through another bar at the same place: draw it again.
        for (int j = 0; j < 3; ++j)
            if (s.view.BarPos[static_cast<size_t>(j)] == old) Vline(j, 1);
        Vline(k, 1);
        DrawTraces();
    }
    if (k == 2) s.run.ParamChanged = 1;
    ShowBarValues();
    LabelTimes();
    PlaceUpVbar(k);
}

void BarsLogic::ScrollHbar_Change(int k) {
    DrawHbar(k, 0);
    app().view.HbarPos[static_cast<size_t>(k)] =
        static_cast<int16_t>(ScrollHbar[static_cast<size_t>(k)].value());
    ComposeScreen(1, 1);
    ShowHbarValue(k);
    PicturesChanged();
}

void BarsLogic::Scrollscr_Change() {
    AppState &s = app();
    s.view.ScrollPos = Scrollscr.value();
    pictures().ImgUpscrLeft =
        s.acquisition.RecordLen > 0
            ? static_cast<int32_t>(int64_t{s.view.ScrollPos} * 512 / s.acquisition.RecordLen + 100)
            : 100;
    if (!CatchWithData()) ComposeScreen(0, 1);
    lbScr.setText(s.display.Dispunit == 0 ? CalTime(s.view.ScrollPos)
                                          : QString::number(s.view.ScrollPos));
    PicturesChanged();
}

void BarsLogic::lbx10_Click() {
    AppState &s = app();
    s.trigger.TrigStep = static_cast<uint8_t>((s.trigger.TrigStep + 1) % 4);
    lbx10.setText(QString::fromLatin1(kStepCaptions[s.trigger.TrigStep]));
    ScrollVbar[2].setSmallChange(kStepSizes[s.trigger.TrigStep]);
}

} // namespace vrx
