// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/timing/compose.h"

#include <algorithm>

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include "core/base/events.h"
#include "core/base/state.h"
#include "core/timing/bars.h"
#include "core/timing/pictures.h"

namespace vrx {

namespace {

QImage &ScopePicture() {
    return pictures().picScope[static_cast<size_t>(app().run.DrawPic & 1)];
}

uint32_t Color(int entry) {
    return static_cast<uint32_t>(app().colors[entry]);
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
    Drawzoom(kind, &surf, src, s.work.TraceWork.data(), s.acquisition.ZoomIndex,
             s.view.ViewStart.data(), s.view.ScrollPos, dotColor, s.display.DotsConnect, width, 0);
}

} // namespace

BarLogicValues &barValues() {
    static BarLogicValues v;
    return v;
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
    const int32_t color = show ? ChannelColor(ch) : s.colors[ColBackground];
    PrintText(ScopePicture(), 50 * ch + 60, 0, s.channels.VdivText[static_cast<size_t>(ch)], 8,
              color);
}

void DrawChanMarker(int16_t ch, int16_t y, int16_t show) {
    if (ch < 0 || ch > ChF1) return;
    AppState &s = app();
    const int32_t color = show ? ChannelColor(ch) : s.colors[ColBackground];
    PrintText(ScopePicture(), 0, y, s.channels.ChanName[static_cast<size_t>(ch)], 7, color);
    DrawScaleText(ch, show);
}

void DrawOverviewStrip() {
    AppState &s = app();
    QImage &strip = pictures().Picture2;
    if (strip.isNull()) return;
    ClearPicture(strip, s.colors[ColBackground]);
    hw_surface surf = Surface(strip);
    Drawupzoom(&surf, s.records.SampleBuf.data() + HW_SB_A1, Color(ColA1), s.acquisition.DepthIndex,
               s.view.ViewStart.data());
    Drawupzoom(&surf, s.records.SampleBuf.data() + HW_SB_A2, Color(ColA2), s.acquisition.DepthIndex,
               s.view.ViewStart.data());
}

void DrawAnalogTrace(int16_t ch) {
    if (ch != ChA1 && ch != ChA2) return;
    AppState &s = app();
    const auto k = static_cast<size_t>(ch);
    DrawChanMarker(ch, static_cast<int16_t>(s.channels.ChanPos[k] - 5), 1);
    DrawAnalog(ch, s.records.SampleBuf.data() + k * HW_SB_AREA_LEN, Color(ColA1Dot + ch),
               s.screen.ScreenWidth[0]);
}

void DrawLogicRow(int16_t row) {
    AppState &s = app();
    QImage &img = pictures().Picture1;
    if (img.isNull() || row < 0 || row >= kLanes || s.display.LogicHeight == 0) return;
    if (row * s.display.LogicHeight >= img.height()) return;
    // Row k shows channel Sequence((first row shown + k) and 15). The lane starts with the
    // sample the traces start with, so lanes and traces line up; samples past the record read
    // as low.
    const int c = s.logic.Sequence[static_cast<size_t>((s.logic.ScrollChValue + row) & 15)] & 15;
    const int32_t skip = std::clamp<int32_t>(s.view.ViewStart[0], 0, HW_SB_AREA_LEN);
    uint8_t *data = s.records.SampleBuf.data() + (c < 8 ? HW_SB_D0_D7 : HW_SB_D8_D15) + skip;
    s.work.LogicColor = s.colors[LogicColorEntry(c)];
    hw_surface surf = Surface(img);
    surf.pen = static_cast<uint32_t>(s.work.LogicColor);
    DrawLa(&surf, row, data, s.work.LogicWork.data(), s.view.ScrollPos, c % 8,
           s.acquisition.ZoomIndex, s.acquisition.RecordLen - skip, s.display.LogicHeight,
           static_cast<uint32_t>(s.work.LogicColor), s.screen.ScreenWidth[1]);
}

void DrawTraces() {
    AppState &s = app();
    for (int16_t k = ChA1; k <= ChA2; ++k)
        if (s.channels.ChanOn[static_cast<size_t>(k)] == 1) DrawAnalogTrace(k);
    // The memory traces are drawn at the scale and position they were copied with.
    if (s.channels.ChanOn[DispM1] == 1) {
        DrawChanMarker(ChM1, static_cast<int16_t>(s.channels.ChanPos[ChM1] - 5), 1);
        DrawAnalog(ChM1, s.work.M1Buf.data(), Color(ColM1), s.screen.ScreenSamples);
    }
    if (s.channels.ChanOn[DispM2] == 1) {
        DrawChanMarker(ChM2, static_cast<int16_t>(s.channels.ChanPos[ChM2] - 5), 1);
        DrawAnalog(ChM2, s.work.M2Buf.data(), Color(ColM2), s.screen.ScreenSamples);
    }
    // The function trace combines the screen copies that the source traces just left in the
    // work area.
    if (s.channels.ChanOn[DispF1] == 1) {
        DrawChanMarker(ChF1, static_cast<int16_t>(s.channels.ChanPos[ChF1] - 5), 1);
        QImage &img = ScopePicture();
        if (!img.isNull()) {
            hw_surface surf = SurfaceWithPen(img, static_cast<uint32_t>(ChannelColor(ChF1)));
            DrawFu(s.display.FuSource.data(), s.display.FuOp, &surf, s.work.TraceWork.data(),
                   s.channels.ChanPos.data(), s.channels.ChanScale.data(), Color(ColF1),
                   s.display.DotsConnect, s.screen.ScreenWidth[0]);
        }
    }
    if (s.display.ZoomView != 0) DrawOverviewStrip();
    Publish(Event::TracesDrawn);
}

void DrawLogic() {
    AppState &s = app();
    QImage &img = pictures().Picture1;
    if (img.isNull()) return;
    if (s.display.Persist != -1) ClearPicture(img, s.colors[ColBackground]);
    // No lanes at the equivalent-time rates or with the logic display switched off.
    if (s.channels.ChanOn[DispLogic] != 1 || s.display.LogicHeight == 0) return;
    for (int16_t k = 0; k < kLanes; ++k)
        DrawLogicRow(k);
}

void ShowBarValues() {
    AppState &s = app();
    BarLogicValues &v = barValues();
    uint8_t *lo = s.records.SampleBuf.data() + HW_SB_D0_D7;
    uint8_t *hi = s.records.SampleBuf.data() + HW_SB_D8_D15;
    // Trigger bar first, then V1 and V2.
    for (const int k : {2, 0, 1}) {
        const auto bar = static_cast<size_t>(k);
        const int64_t index = int64_t{s.view.BarPos[bar]} + s.view.ViewStart[0];
        // A delayed trigger (negative bar, in blocks of 512 samples) lies before the record and
        // has no sample in memory; an index outside the area would read another channel's bytes.
        v.Valid[bar] = s.view.BarPos[bar] >= 0 && index >= 0 && index < HW_SB_AREA_LEN;
        if (!v.Valid[bar]) {
            v.Bits[bar].fill(0);
            v.Pair[bar].fill(0);
            continue;
        }
        GetVbarData(lo, hi, static_cast<int32_t>(index), v.Bits[bar].data(), v.Pair[bar].data());
    }
    Publish(Event::BarValuesChanged);
}

void ComposeScreen(int16_t ScopeOnly, int16_t Clear) {
    AppState &s = app();
    QImage &img = ScopePicture();
    if (Clear != 0 && s.display.Persist != -1) ClearPicture(img, s.colors[ColBackground]);
    if (s.channels.ChanOn[DispGrid] == 1 && Clear == 1 && !img.isNull()) {
        hw_surface surf = Surface(img);
        Grid(&surf, Color(ColGrid), s.screen.ScreenSamples);
    }
    if (s.display.HbarOn == -1) {
        bars().DrawHbar(0, 1);
        bars().DrawHbar(1, 1);
    }
    bars().DrawTbar(s.trigger.TrigChannel, 1);
    DrawTraces();
    if (ScopeOnly == 0) DrawLogic();
    for (int k = 0; k < 3; ++k)
        bars().Vline(k, 1);
    // The logic word under the bars is only meaningful for real-time records.
    if (!IsEquivalentTime(s.acquisition.RateIndex)) ShowBarValues();
    PicturesChanged();
    Publish(Event::ScreenComposed);
}

} // namespace vrx
