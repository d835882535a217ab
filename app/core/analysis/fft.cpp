// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/analysis/fft.h"

#include <algorithm>
#include <cmath>

#include "core/analysis/fft_library.h"
#include "core/base/format.h"
#include "core/base/state.h"
#include "core/timing/pictures.h"
#include "hwlink.h"

namespace vrx {

namespace {

constexpr int kSweep = 1;
constexpr int kPowerspectrum = 2;
constexpr int kLogarithm = 1;
constexpr std::array<double, 8> kZoomFactors = {1, 2, 5, 10, 20, 50, 100, 200};
constexpr std::array<double, 4> kDbPerDiv = {5, 10, 20, 50};
constexpr std::array<int, 3> kTdivX = {50, 200, 350};
// Largest zoom and points index by memory depth (2K, 8K; 128K has no limit).
constexpr std::array<int, 3> kZoomLimit = {3, 5, 7};
constexpr std::array<int, 3> kPointLimit = {3, 5, 8};

AppState &S() {
    return app();
}

bool Sweeping() {
    return app().fft.FFtMode == kSweep;
}

void PutPixel(QImage &img, int x, int y, QRgb c) {
    if (x < 0 || y < 0 || x >= img.width() || y >= img.height()) return;
    reinterpret_cast<QRgb *>(img.scanLine(y))[x] = c;
}

// Lines leave out their end pixel.
void VLine(QImage &img, int x, int y0, int y1, int32_t color) {
    for (int y = y0; y < y1; ++y)
        PutPixel(img, x, y, ToQRgb(color));
}
void HLine(QImage &img, int x0, int x1, int y, int32_t color) {
    for (int x = x0; x < x1; ++x)
        PutPixel(img, x, y, ToQRgb(color));
}

QStringList Numbers(int first, int count, int factor) {
    QStringList l;
    for (int i = 0, v = first; i < count; ++i, v *= factor)
        l << QString::number(v);
    return l;
}

} // namespace

QString FftCaption(int mode) {
    return mode == kSweep ? QStringLiteral("FFT sweep (peak record)") : QStringLiteral("FFT");
}

QString DbmStr(double v) {
    if (!(v >= -999.999 && v <= 999.999)) return {};
    return FormatHashes(v, 3) + QStringLiteral("dBmV");
}

QString FreqStr(double v) {
    static const char *const units[3][2] = {{"MHz", "KHz"}, {"KHz", " Hz"}, {" Hz", "mHz"}};
    const int g = RateGroup(app().acquisition.RateIndex);
    if (g < 0 || !std::isfinite(v)) return {};
    if (v >= 1) return FormatHashes(v, 3) + QLatin1String(units[g][0]);
    return FormatHashes(v * 1000, 3) + QLatin1String(units[g][1]);
}

FFtLogic &frmFFT() {
    static FFtLogic f;
    return f;
}

FFtLogic::FFtLogic()
    : Picture1(kFftPictureWidth, kScopeRows, QImage::Format_RGB32),
      Picture2(kFftOverviewWidth + 1, kFftOverviewRows, QImage::Format_RGB32) {
    cmbSource.setItems({"A1", "A2", "M1", "M2"});
    cmbVdiv.setItems({"5 DBm", "10 DBm", "20 DBm", "50 DBm"});
    cmbGain.setItems({"Magnitude", "Logarithm", "Powerspectrum"});
    cmbWindow.setItems(
        {"Triangular", "Hanning", "Hamming", "Blackman", "Rectangular", "Welch", "Parzen"});
    cmbPoint.setItems(Numbers(256, 9, 2));
    cmbZoom.setItems({"x1", "/2", "/5", "/10", "/20", "/50", "/100", "/200"});
    cmbSource.onChange = [this] { cmbSource_Click(); };
    cmbVdiv.onChange = [this] { cmbVdiv_Click(); };
    cmbGain.onChange = [this] { cmbGain_Click(); };
    cmbWindow.onChange = [this] { cmbWindow_Click(); };
    cmbPoint.onChange = [this] { cmbPoint_Click(); };
    cmbZoom.onChange = [this] { cmbZoom_Click(); };
    ScrollOffset.setRange(0, kFftOffsetMax);
    ScrollOffset.setLargeChange(25);
    ScrollOffset.onChange = [this] { ScrollOffset_Change(); };
    for (int i = 0; i < 2; ++i) {
        const auto k = static_cast<size_t>(i);
        ScrollVbar[k].onChange = [this, i] { ScrollVbar_Change(i); };
        ScrollHbar[k].setRange(0, 255);
        ScrollHbar[k].onChange = [this, i] { ScrollHbar_Change(i); };
    }
    Scrollscr.setRange(0, 1);
    Scrollscr.setLargeChange(kFftCurveWidth);
    Scrollscr.onChange = [this] { Scrollscr_Change(); };
    lbDBm.setText(QStringLiteral("0 dBmV"));
    lbVdivCaption.setText(QStringLiteral("DB/div"));
    lbScr.setText(QStringLiteral("0"));
    ClearPicture(Picture1, 0);
    ClearPicture(Picture2, 0);
}

// ---- Opening and following the display ---------------------------------------------------------

bool FFtLogic::Open(int mode) {
    if (!LoadFFt()) {
        Unload();
        return false;
    }
    AppState &s = S();
    s.display.FftOn = 1;
    s.fft.FFtMode = static_cast<uint8_t>(mode == kSweep ? kSweep : 0);
    SetColors();
    ApplySettings();
    ClearBufFFt();
    FFTVbar(0);
    FFTVbar(1);
    SetFFtZoom();
    FFtRefresh0();
    return true;
}

void FFtLogic::Unload() {
    S().display.FftOn = 0;
}

void FFtLogic::ApplySettings() {
    // A handler may change another setting (points cut to the depth): take them all first.
    const FftSettings stored = S().fft;
    cmbSource.setIndex(stored.FFtSource);
    cmbVdiv.setIndex(stored.FFtDBdiv);
    cmbGain.setIndex(stored.FFtGain);
    cmbWindow.setIndex(stored.FFtWin);
    cmbPoint.setIndex(stored.FFtPoint);
    cmbZoom.setIndex(stored.FFtZoom);
    ScrollOffset.setValue(stored.FFtoffset[0]);
    S().fft.FFtoffset[0] = static_cast<uint8_t>(ScrollOffset.value());
    lbDBmTop = ScrollOffset.value() + 21;
    S().fft.FFtVpos = stored.FFtVpos;
    for (size_t i = 0; i < 2; ++i)
        ScrollHbar[i].setValue(stored.FFtHpos[i]);
    SetFFtZoom();
}

void FFtLogic::OnScreenComposed() {
    if (S().display.FftOn) FFtRefresh0();
}

void FFtLogic::OnDepthChanged() {
    if (!S().display.FftOn) return;
    SetFFtZoom();
    FFtRefresh0();
}

void FFtLogic::OnTimebaseChanged() {
    if (!S().display.FftOn) return;
    SetFFtZoom();
    DrawFFT();
}

void FFtLogic::OnColorsChanged() {
    SetColors();
    if (S().display.FftOn) DrawFFT();
}

void FFtLogic::SetColors() {
    const ColorTable &c = S().colors;
    auto paint = [&c](LabelModel &l, int entry) {
        l.setForeColor(c[entry]);
        l.setBackColor(c[ColBackground]);
    };
    for (int i = 0; i < 2; ++i) {
        paint(lbVbar[static_cast<size_t>(i)], ColV1 + i);
        paint(lbHbar[static_cast<size_t>(i)], ColV1 + i);
    }
    paint(lbHbar[2], ColUpScreen);
    paint(lbDBm, ColUpScreen);
    for (auto &l : lbTdiv)
        paint(l, ColUpScreen);
}

// ---- Procedures
// -----------------------------------------------------------------------------------

void FFtLogic::ClearBufFFt() {
    auto &buf = S().work.FftBuf;
    std::fill(buf.begin() + FFT_PEAK_OFFSET, buf.end(), FFT_PEAK_EMPTY);
    S().fft.SweepScale = {-1, -1};
}

void FFtLogic::SetFFtZoom() {
    AppState &s = S();
    FftSettings &f = s.fft;
    const int depth = std::min<int>(s.acquisition.DepthIndex, 2);
    if (f.FFtZoom > kZoomLimit[static_cast<size_t>(depth)]) {
        f.FFtZoom = static_cast<uint8_t>(kZoomLimit[static_cast<size_t>(depth)]);
        cmbZoom.setIndex(f.FFtZoom);
    }
    if (f.FFtPoint > kPointLimit[static_cast<size_t>(depth)]) {
        f.FFtPoint = static_cast<uint8_t>(kPointLimit[static_cast<size_t>(depth)]);
        cmbPoint.setIndex(f.FFtPoint);
    }
    f.ZoomFactor = kZoomFactors[std::min<size_t>(f.FFtZoom, kZoomFactors.size() - 1)];
    const double len = std::max(s.acquisition.RecordLen, 1);
    ImgUpscrWidth = RoundHalfEven(kFftCurveWidth / len * kFftOverviewWidth * f.ZoomFactor);
    f.ScreenMax = std::max(RoundHalfEven(len - f.ZoomFactor * kFftCurveWidth - 1), 1);
    f.ScreenPos = std::clamp(f.ScreenPos, 0, f.ScreenMax);
    ImgUpscrLeft = static_cast<int32_t>(int64_t{f.ScreenPos} * kFftOverviewWidth / int64_t(len));
    Scrollscr.setMax(f.ScreenMax);
    // A bar stops at the last position: beyond it there is no spectrum byte.
    const int32_t last = static_cast<int32_t>(len) - 1;
    for (size_t i = 0; i < 2; ++i) {
        f.FFtVpos[i] = std::clamp(f.FFtVpos[i], 0, last);
        ScrollVbar[i].setRange(0, last);
        ScrollVbar[i].setValue(f.FFtVpos[i]);
    }
}

double FFtLogic::PositionFreq(double position) {
    const AppState &s = app();
    return position * s.acquisition.SampleRate / std::max(s.acquisition.RecordLen, 1) / 2;
}

void FFtLogic::FFTVbar(int i) {
    if (i < 0 || i > 1) return;
    const AppState &s = S();
    const auto k = static_cast<size_t>(i);
    const int32_t pos = s.fft.FFtVpos[k];
    UpVbarX[k] = static_cast<int32_t>(int64_t{pos} * kFftOverviewWidth /
                                      std::max(s.acquisition.RecordLen, 1));
    lbVbar[k].setText(FreqStr(PositionFreq(pos)));
    const int x = RoundHalfEven((pos - s.fft.ScreenPos) / s.fft.ZoomFactor);
    // Only over the curve: a bar off screen is not drawn in the margin.
    if (x >= 0 && x <= kFftCurveWidth) VLine(Picture1, x, 4, 252, s.colors[ColV1 + i]);
}

void FFtLogic::FFTHbar(int i) {
    if (i < 0 || i > 1) return;
    HLine(Picture1, 11, 489, S().fft.FFtHpos[static_cast<size_t>(i)], S().colors[ColV1 + i]);
    ShowLevels();
}

void FFtLogic::ShowLevels() {
    const AppState &s = S();
    const FftSettings &f = s.fft;
    const double v = s.channels.ChanScale[std::min<size_t>(f.FFtSource, 3)]; // mV per code
    const int r0 = f.FFtHpos[0], r1 = f.FFtHpos[1];
    if (f.FFtGain == kPowerspectrum) {
        const int zero = f.FFtoffset[0] + 28;
        lbHbar[0].setText(DbmStr((zero - r0) * f.DbPerPixel));
        lbHbar[1].setText(DbmStr((zero - r1) * f.DbPerPixel));
        lbHbar[2].setText(DbmStr((r1 - r0) * f.DbPerPixel));
    } else if (f.FFtGain == kLogarithm) {
        auto level = [v](int row) {
            return std::pow(1000.0, (253 - row) * 0.00666666666 + 1) * v / 200000;
        };
        lbHbar[0].setText(CalStr(level(r0)));
        lbHbar[1].setText(CalStr(level(r1)));
        lbHbar[2].setText(CalStr(level(r0) - level(r1)));
    } else {
        lbHbar[0].setText(CalStr((228 - r0) * v));
        lbHbar[1].setText(CalStr((228 - r1) * v));
        lbHbar[2].setText(CalStr((r1 - r0) * v));
    }
}

void FFtLogic::FFtRefresh0() {
    AppState &s = S();
    FftSettings &f = s.fft;
    const FFT0_fn fft0 = LoadedFFt();
    if (fft0 && f.FFtSource <= 3) {
        // A peak record belongs to one frequency scale: another depth or rate starts a new one.
        const std::array<int16_t, 2> scale{s.acquisition.DepthIndex, s.acquisition.RateIndex};
        if (Sweeping() && f.SweepScale != scale) {
            ClearBufFFt();
            f.SweepScale = scale;
        }
        const int src = f.FFtSource;
        uint8_t *samples = src == ChA1   ? s.records.SampleBuf.data() + HW_SB_A1
                           : src == ChA2 ? s.records.SampleBuf.data() + HW_SB_A2
                           : src == ChM1 ? s.work.M1Buf.data()
                                         : s.work.M2Buf.data();
        const int32_t start = src >= ChM1 ? s.view.ViewStart[static_cast<size_t>(src - 1)] : 0;
        fft0(samples, s.work.FftBuf.data(), start, s.acquisition.DepthIndex,
             s.channels.ProbeIndex[static_cast<size_t>(src)],
             s.channels.VdivIndex[static_cast<size_t>(src)], f.FFtMode, f.FFtPoint, f.FFtWin,
             f.FFtDBdiv, f.FFtGain, f.FFtoffset.data());
    }
    DrawFFT();
}

void FFtLogic::DrawFFT() {
    AppState &s = S();
    FftSettings &f = s.fft;
    ClearPicture(Picture1, s.colors[ColBackground]);
    const auto pen = static_cast<uint32_t>(s.colors[ColA1 + std::min<int>(f.FFtSource, 3)]);
    hw_surface surf = Surface(Picture1);
    surf.pen = pen;
    std::array<int32_t, 4> start{};
    Drawzoom(5, &surf, s.work.FftBuf.data(), s.work.FftWork.data(),
             static_cast<uint8_t>(f.FFtZoom + 5), start.data(), f.ScreenPos, pen, 1, kFftCurveWidth,
             f.FFtMode);
    f.FFtoffset[1] = f.FFtoffset[0];
    Grid(&surf, static_cast<uint32_t>(s.colors[ColGrid]), kFftCurveWidth);
    FFTVbar(0);
    FFTVbar(1);
    FFTHbar(0);
    FFTHbar(1);
    for (size_t j = 0; j < kTdivX.size(); ++j)
        lbTdiv[j].setText(FreqStr(PositionFreq(f.ZoomFactor * kTdivX[j] + f.ScreenPos)));
    DrawOverview();
    PicturesChanged();
}

// The whole spectrum on 250 columns: each column's strongest level, a line up from the bottom.
void FFtLogic::DrawOverview() {
    const AppState &s = S();
    ClearPicture(Picture2, s.colors[ColBackground]);
    const int64_t len = std::clamp<int32_t>(s.acquisition.RecordLen, 1, FFT_DISPLAY_LEN);
    const uint8_t *buf = s.work.FftBuf.data();
    const int32_t color = s.colors[ColA1 + std::min<int>(s.fft.FFtSource, 3)];
    for (int c = 0; c < kFftOverviewWidth; ++c) {
        const int64_t from = c * len / kFftOverviewWidth;
        const int64_t to = std::max((c + 1) * len / kFftOverviewWidth, from + 1);
        const uint8_t top = *std::min_element(buf + from, buf + to);
        VLine(Picture2, c, top / 8, kFftOverviewRows, color);
    }
}

// ---- Handlers
// -------------------------------------------------------------------------------------

bool FFtLogic::TakeSetting(const ListModel &list, uint8_t &setting) {
    if (list.index() < 0) return false;
    if (Sweeping()) ClearBufFFt();
    setting = static_cast<uint8_t>(list.index());
    return true;
}

void FFtLogic::cmbSource_Click() {
    if (TakeSetting(cmbSource, S().fft.FFtSource)) FFtRefresh0();
}

void FFtLogic::cmbVdiv_Click() {
    FftSettings &f = S().fft;
    if (!TakeSetting(cmbVdiv, f.FFtDBdiv)) return;
    f.DbPerPixel = kDbPerDiv[f.FFtDBdiv] / 25;
    ShowLevels();
    FFtRefresh0();
}

void FFtLogic::cmbGain_Click() {
    if (!TakeSetting(cmbGain, S().fft.FFtGain)) return;
    // The dB scale's controls only for the power spectrum.
    const bool power = S().fft.FFtGain == kPowerspectrum;
    for (ControlBase *c :
         std::initializer_list<ControlBase *>{&ScrollOffset, &cmbVdiv, &lbDBm, &lbVdivCaption})
        c->setVisible(power);
    FFtRefresh0();
}

void FFtLogic::cmbWindow_Click() {
    if (TakeSetting(cmbWindow, S().fft.FFtWin)) FFtRefresh0();
}

void FFtLogic::cmbPoint_Click() {
    FftSettings &f = S().fft;
    if (!TakeSetting(cmbPoint, f.FFtPoint)) return;
    const int limit = kPointLimit[std::min<size_t>(S().acquisition.DepthIndex, 2)];
    f.FFtPoint = static_cast<uint8_t>(std::min<int>(f.FFtPoint, limit));
    if (cmbPoint.index() != f.FFtPoint) cmbPoint.setIndex(f.FFtPoint);
    FFtRefresh0();
}

void FFtLogic::cmbZoom_Click() {
    if (cmbZoom.index() < 0) return;
    S().fft.FFtZoom = static_cast<uint8_t>(cmbZoom.index());
    SetFFtZoom();
    FFtRefresh0();
}

void FFtLogic::ScrollOffset_Change() {
    if (Sweeping()) ClearBufFFt();
    S().fft.FFtoffset[0] = static_cast<uint8_t>(ScrollOffset.value());
    lbDBmTop = ScrollOffset.value() + 21;
    FFTHbar(0);
    FFTHbar(1);
    FFtRefresh0();
}

void FFtLogic::ScrollVbar_Change(int i) {
    S().fft.FFtVpos[static_cast<size_t>(i)] = ScrollVbar[static_cast<size_t>(i)].value();
    DrawFFT();
}

void FFtLogic::ScrollHbar_Change(int i) {
    S().fft.FFtHpos[static_cast<size_t>(i)] =
        static_cast<int16_t>(ScrollHbar[static_cast<size_t>(i)].value());
    DrawFFT();
}

void FFtLogic::Scrollscr_Change() {
    S().fft.ScreenPos = Scrollscr.value();
    lbScr.setText(QString::number(Scrollscr.value()));
    SetFFtZoom();
    DrawFFT();
}

// ---- Mouse
// ---------------------------------------------------------------------------------------

void FFtLogic::Picture1_MouseDown(int x, int y) {
    const FftSettings &f = S().fft;
    drag_ = Drag::Screen;
    for (int i = 0; i < 2; ++i) {
        const int bx =
            RoundHalfEven((f.FFtVpos[static_cast<size_t>(i)] - f.ScreenPos) / f.ZoomFactor);
        if (std::abs(x - bx) < 5) drag_ = i == 0 ? Drag::V1 : Drag::V2;
    }
    for (int i = 0; i < 2; ++i) {
        const int row = f.FFtHpos[static_cast<size_t>(i)];
        if (y > row - 5 && y <= row + 5) drag_ = i == 0 ? Drag::H1 : Drag::H2;
    }
    dragX_ = x;
}

void FFtLogic::Picture1_MouseMove(int x, int y) {
    const AppState &s = S();
    const FftSettings &f = s.fft;
    switch (drag_) {
    case Drag::V1:
    case Drag::V2: {
        const int32_t pos = RoundHalfEven(x * f.ZoomFactor + f.ScreenPos);
        ScrollVbar[drag_ == Drag::V1 ? 0 : 1].setValue(
            std::clamp(pos, 0, s.acquisition.LastSample));
        break;
    }
    case Drag::H1:
    case Drag::H2:
        ScrollHbar[drag_ == Drag::H1 ? 0 : 1].setValue(std::clamp(y, 0, 255));
        break;
    case Drag::Screen: {
        // The spectrum follows the pointer: a pixel is ZoomFactor positions.
        const int32_t pos = RoundHalfEven((dragX_ - x) * f.ZoomFactor + f.ScreenPos);
        dragX_ = x;
        Scrollscr.setValue(std::clamp(pos, 0, f.ScreenMax));
        break;
    }
    }
}

void FFtLogic::Picture2_MouseDown(int x) {
    drag_ = Drag::Screen;
    for (int i = 0; i < 2; ++i)
        if (std::abs(x - UpVbarX[static_cast<size_t>(i)]) <= 5)
            drag_ = i == 0 ? Drag::V1 : Drag::V2;
    dragX_ = x;
}

void FFtLogic::Picture2_MouseMove(int x) {
    const AppState &s = S();
    const double perUnit = s.acquisition.LastSample / double(kFftOverviewWidth);
    if (drag_ == Drag::V1 || drag_ == Drag::V2) {
        const int32_t pos = RoundHalfEven(std::clamp(x, 0, kFftOverviewWidth) * perUnit);
        ScrollVbar[drag_ == Drag::V1 ? 0 : 1].setValue(std::min(pos, s.acquisition.LastSample));
    } else if (drag_ == Drag::Screen) {
        const int32_t pos = s.fft.ScreenPos + RoundHalfEven((x - dragX_) * perUnit);
        dragX_ = x;
        Scrollscr.setValue(std::clamp(pos, 0, s.fft.ScreenMax));
    }
}

void FFtLogic::MouseUp() {
    drag_ = Drag::Screen;
}

} // namespace vrx
