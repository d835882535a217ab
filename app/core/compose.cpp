// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/compose.h"

#include <algorithm>

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include "core/pictures.h"
#include "core/state.h"
#include "timing/bars_logic.h"

namespace vrx {

namespace {

constexpr int kLanes = 16;

QImage &ScopePicture() {
    return pictures().picScope[static_cast<size_t>(app().DrawPic & 1)];
}

uint32_t Color(int entry) {
    return static_cast<uint32_t>(app().Colors[static_cast<size_t>(entry)]);
}

// A surface over a picture whose pen is the picture's drawing colour for joining lines.
hw_surface SurfaceWithPen(QImage &img, uint32_t pen) {
    hw_surface s = Surface(img);
    s.pen = pen;
    return s;
}

// Texts are printed without smoothing, so that printing the same text in the background colour
// erases it pixel for pixel.
void PrintText(QImage &img, int x, int y, const QString &text, int pointSize, int32_t color) {
    if (img.isNull() || text.isEmpty()) return;
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(pointSize);
    font.setStyleStrategy(QFont::NoAntialias);
    QPainter p(&img);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.setFont(font);
    p.setPen(QColor::fromRgb(ToQRgb(color)));
    // The text's top edge sits at y, as a print at the current position places it.
    p.drawText(QPoint(x, y + QFontMetrics(font).ascent()), text);
}

// One analog or memory trace: the dots in `dotColor`, the joining lines in the channel colour
// that its marker left as the picture's drawing colour.
void DrawAnalog(int kind, uint8_t *src, uint32_t dotColor, int32_t width) {
    AppState &s = app();
    QImage &img = ScopePicture();
    if (img.isNull()) return;
    hw_surface surf = SurfaceWithPen(img, static_cast<uint32_t>(ChannelColor(kind)));
    Drawzoom(kind, &surf, src, s.TraceWork.data(), s.ZoomIndex, s.ViewStart.data(), s.ScrollPos,
             dotColor, s.DotsConnect, width, 0);
}

} // namespace

BarLogicValues &barValues() {
    static BarLogicValues v;
    return v;
}

FollowerHooks &followerHooks() {
    static FollowerHooks h;
    return h;
}

QString BarValueText(int bar, int channel) {
    const BarLogicValues &v = barValues();
    if (bar < 0 || bar > 2 || channel < 0 || channel >= kLanes) return {};
    if (!v.Valid[static_cast<size_t>(bar)]) return {};
    return v.Bits[static_cast<size_t>(bar)][static_cast<size_t>(channel)] ? QStringLiteral("1")
                                                                          : QStringLiteral("0");
}

void DrawScaleText(int16_t ch, int16_t show) {
    if (ch < 0 || ch > ChF1) return;
    AppState &s = app();
    const int32_t color = show ? ChannelColor(ch) : s.Colors[0];
    PrintText(ScopePicture(), 50 * ch + 60, 0, s.VdivText[static_cast<size_t>(ch)], 8, color);
}

void DrawChanMarker(int16_t ch, int16_t y, int16_t show) {
    if (ch < 0 || ch > ChF1) return;
    AppState &s = app();
    const int32_t color = show ? ChannelColor(ch) : s.Colors[0];
    PrintText(ScopePicture(), 0, y, s.ChanName[static_cast<size_t>(ch)], 7, color);
    DrawScaleText(ch, show);
}

void DrawOverviewStrip() {
    AppState &s = app();
    QImage &strip = pictures().Picture2;
    if (strip.isNull()) return;
    ClearPicture(strip, s.Colors[0]);
    hw_surface surf = Surface(strip);
    Drawupzoom(&surf, s.SampleBuf.data() + HW_SB_A1, Color(23), s.DepthIndex, s.ViewStart.data());
    Drawupzoom(&surf, s.SampleBuf.data() + HW_SB_A2, Color(24), s.DepthIndex, s.ViewStart.data());
}

void DrawAnalogTrace(int16_t ch) {
    if (ch != ChA1 && ch != ChA2) return;
    AppState &s = app();
    const auto k = static_cast<size_t>(ch);
    DrawChanMarker(ch, static_cast<int16_t>(s.ChanPos[k] - 5), 1);
    DrawAnalog(ch, s.SampleBuf.data() + k * HW_SB_AREA_LEN, Color(4 + ch), s.ScreenWidth[0]);
}

void DrawLogicRow(int16_t row) {
    AppState &s = app();
    QImage &img = pictures().Picture1;
    if (img.isNull() || row < 0 || row >= kLanes || s.LogicHeight == 0) return;
    if (row * s.LogicHeight >= img.height()) return;
    // Row k shows channel Sequence((first row shown + k) and 15). The lane starts with the
    // sample the traces start with, so lanes and traces line up; samples past the record read
    // as low.
    const int c = s.Sequence[static_cast<size_t>((s.ScrollChValue + row) & 15)] & 15;
    const int32_t skip = std::clamp<int32_t>(s.ViewStart[0], 0, HW_SB_AREA_LEN);
    uint8_t *data = s.SampleBuf.data() + (c < 8 ? HW_SB_D0_D7 : HW_SB_D8_D15) + skip;
    s.LogicColor = s.Colors[static_cast<size_t>(6 + c)];
    hw_surface surf = Surface(img);
    surf.pen = static_cast<uint32_t>(s.LogicColor);
    DrawLa(&surf, row, data, s.LogicWork.data(), s.ScrollPos, c % 8, s.ZoomIndex,
           s.RecordLen - skip, s.LogicHeight, static_cast<uint32_t>(s.LogicColor),
           s.ScreenWidth[1]);
}

void DrawTraces() {
    AppState &s = app();
    for (int16_t k = ChA1; k <= ChA2; ++k)
        if (s.ChanOn[static_cast<size_t>(k)] == 1) DrawAnalogTrace(k);
    // The memory traces are drawn at the scale and position they were copied with.
    if (s.ChanOn[DispM1] == 1) {
        DrawChanMarker(ChM1, static_cast<int16_t>(s.ChanPos[ChM1] - 5), 1);
        DrawAnalog(ChM1, s.M1Buf.data(), Color(25), s.ScreenSamples);
    }
    if (s.ChanOn[DispM2] == 1) {
        DrawChanMarker(ChM2, static_cast<int16_t>(s.ChanPos[ChM2] - 5), 1);
        DrawAnalog(ChM2, s.M2Buf.data(), Color(26), s.ScreenSamples);
    }
    // The function trace combines the screen copies that the source traces just left in the
    // work area.
    if (s.ChanOn[DispF1] == 1) {
        DrawChanMarker(ChF1, static_cast<int16_t>(s.ChanPos[ChF1] - 5), 1);
        QImage &img = ScopePicture();
        if (!img.isNull()) {
            hw_surface surf = SurfaceWithPen(img, static_cast<uint32_t>(ChannelColor(ChF1)));
            DrawFu(s.FuSource.data(), s.FuOp, &surf, s.TraceWork.data(), s.ChanPos.data(),
                   s.ChanScale.data(), Color(27), s.DotsConnect, s.ScreenWidth[0]);
        }
    }
    if (s.ZoomView != 0) DrawOverviewStrip();
    if (s.ChanOn[DispLogic] == 1 && s.StateOn != 0 && followerHooks().Stateshow)
        followerHooks().Stateshow();
}

void DrawLogic() {
    AppState &s = app();
    QImage &img = pictures().Picture1;
    if (img.isNull()) return;
    if (s.Persist != -1) ClearPicture(img, s.Colors[0]);
    // No lanes at the equivalent-time rates or with the logic display switched off.
    if (s.ChanOn[DispLogic] != 1 || s.LogicHeight == 0) return;
    for (int16_t k = 0; k < kLanes; ++k)
        DrawLogicRow(k);
}

void ShowBarValues() {
    AppState &s = app();
    BarLogicValues &v = barValues();
    uint8_t *lo = s.SampleBuf.data() + HW_SB_D0_D7;
    uint8_t *hi = s.SampleBuf.data() + HW_SB_D8_D15;
    // Trigger bar first, then V1 and V2.
    for (const int k : {2, 0, 1}) {
        const auto bar = static_cast<size_t>(k);
        const int64_t index = int64_t{s.BarPos[bar]} + s.ViewStart[0];
        // A delayed trigger (negative bar, in blocks of 512 samples) lies before the record and
        // has no sample in memory; an index outside the area would read another channel's bytes.
        v.Valid[bar] = s.BarPos[bar] >= 0 && index >= 0 && index < HW_SB_AREA_LEN;
        if (!v.Valid[bar]) {
            v.Bits[bar].fill(0);
            v.Pair[bar].fill(0);
            continue;
        }
        GetVbarData(lo, hi, static_cast<int32_t>(index), v.Bits[bar].data(), v.Pair[bar].data());
    }
    v.changed.notify();
}

void ComposeScreen(int16_t ScopeOnly, int16_t Clear) {
    AppState &s = app();
    QImage &img = ScopePicture();
    if (Clear != 0 && s.Persist != -1) ClearPicture(img, s.Colors[0]);
    if (s.ChanOn[DispGrid] == 1 && Clear == 1 && !img.isNull()) {
        hw_surface surf = Surface(img);
        Grid(&surf, Color(22), s.ScreenSamples);
    }
    if (s.HbarOn == -1) {
        bars().DrawHbar(0, 1);
        bars().DrawHbar(1, 1);
    }
    bars().DrawTbar(s.TrigChannel, 1);
    DrawTraces();
    if (ScopeOnly == 0) DrawLogic();
    for (int k = 0; k < 3; ++k)
        bars().Vline(k, 1);
    // The logic word under the bars is only meaningful for real-time records.
    if (s.RateIndex > 5) ShowBarValues();
    if (s.FftOn == 1 && followerHooks().FFtRefresh) followerHooks().FFtRefresh();
    if (s.XYOn != 0 && followerHooks().XYRefresh) followerHooks().XYRefresh();
    pictures().changed.notify();
}

void InstallScreenComposition() {
    ScreenHooks &h = screenHooks();
    h.ComposeScreen = ComposeScreen;
    h.DrawChanMarker = DrawChanMarker;
    h.DrawScaleText = DrawScaleText;
    h.ShowBarValues = ShowBarValues;
}

} // namespace vrx
