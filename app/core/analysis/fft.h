// SPDX-License-Identifier: GPL-3.0-or-later
//
// The FFT window `frmFFT` ("FFT", or "FFT sweep (peak record)" in sweep mode): the spectrum of
// A1, A2, M1 or M2 computed by the outside library's `FFT0` (core/analysis/fft_library.h) into
// the FFT buffer, one display byte for each spectrum position, drawn with the instrument library's
// trace renderer. Spectrum position p stands for the frequency p x R / RecordLen / 2 (R the
// sample rate in the unit of its rate group). Two frequency bars V1, V2 (spectrum positions),
// two level bars H1, H2 (pixel rows), zoom, scrolling and an overview strip of the whole
// spectrum.
//
// Every control is a model under its own name with its handler; the settings live in
// `app().fft`. While the window is open (`app().display.FftOn`) it follows the display: every
// screen composition refreshes it, every depth or zoom change re-applies its zoom limits. The
// window subscribes to the core's events and calls the `On...` procedures below.
#pragma once

#include <array>
#include <cstdint>

#include <QImage>
#include <QString>

#include "core/base/controls.h"

namespace vrx {

constexpr int kFftCurveWidth = 450;   // pixels of the spectrum curve
constexpr int kFftPictureWidth = 500; // Picture1: the curve and the H bars (x = 11 .. 489)
constexpr int kFftOverviewWidth = 250;
constexpr int kFftOverviewRows = 32; // the overview shows row / 8
constexpr int kFftOffsetMax = 227;   // 0 dBmV from the top grid line (28) to the last row

// "FFT" / "FFT sweep (peak record)".
QString FftCaption(int mode);
// dB readout: "###.###" and "dBmV" ("12.dBmV", ".5dBmV"); empty beyond +-999.999.
QString DbmStr(double v);
// Frequency readout of v in the unit of the current rate group: "MHz"/"KHz" (1MSa/S and
// faster), "KHz"/" Hz", " Hz"/"mHz"; values below 1 in the smaller unit; empty at an external
// clock.
QString FreqStr(double v);

class FFtLogic {
  public:
    FFtLogic();
    FFtLogic(const FFtLogic &) = delete;
    FFtLogic &operator=(const FFtLogic &) = delete;

    // ---- Controls ----------------------------------------------------------------------------
    ListModel cmbSource, cmbVdiv, cmbGain, cmbWindow, cmbPoint, cmbZoom;
    ScrollModel ScrollOffset; // row of 0 dBmV minus 28, 0 .. 227
    std::array<ScrollModel, 2> ScrollVbar, ScrollHbar;
    ScrollModel Scrollscr;
    LabelModel lbDBm, lbVdivCaption, lbScr;
    std::array<LabelModel, 2> lbVbar;
    std::array<LabelModel, 3> lbHbar; // H1, H2 and their difference
    std::array<LabelModel, 3> lbTdiv; // frequencies at x = 50, 200, 350
    int32_t lbDBmTop = 221;           // "0 dBmV" beside its row: offset + 21

    // ---- Pictures: the spectrum and the overview strip with its marks -----------------------
    QImage Picture1, Picture2;
    int32_t ImgUpscrLeft = 0, ImgUpscrWidth = kFftOverviewWidth;
    std::array<int32_t, 2> UpVbarX{};

    // ---- Opening and following the display ---------------------------------------------------
    // Loads the FFT library if needed; false (with its message) when it is not there. Then
    // mode, controls from the stored settings, empty peak records, the zoom and a first picture.
    bool Open(int mode);
    void Unload();
    // Every control from the stored settings (after the defaults or a settings file).
    void ApplySettings();
    void OnScreenComposed();
    void OnDepthChanged();
    void OnTimebaseChanged();
    void OnColorsChanged();

    // ---- Procedures ---------------------------------------------------------------------------
    void ClearBufFFt();
    void SetFFtZoom();
    void FFTVbar(int i);
    void FFtRefresh0();
    void DrawFFT();
    void FFTHbar(int i);

    // ---- Handlers ---------------------------------------------------------------------------
    void cmbSource_Click();
    void cmbVdiv_Click();
    void cmbGain_Click();
    void cmbWindow_Click();
    void cmbPoint_Click();
    void cmbZoom_Click();
    void ScrollOffset_Change();
    void ScrollVbar_Change(int i);
    void ScrollHbar_Change(int i);
    void Scrollscr_Change();
    // Left button only; x, y in the picture's pixels.
    void Picture1_MouseDown(int x, int y);
    void Picture1_MouseMove(int x, int y);
    void Picture2_MouseDown(int x);
    void Picture2_MouseMove(int x);
    void MouseUp();

  private:
    enum class Drag { Screen, V1, V2, H1, H2 };
    // A list of a setting other than zoom: a new peak record in sweep mode, the index stored.
    // False without a selection.
    bool TakeSetting(const ListModel &list, uint8_t &setting);
    void ShowLevels();
    void SetColors();
    void DrawOverview();
    // Frequency of a spectrum position in the unit of the rate group.
    static double PositionFreq(double position);
    Drag drag_ = Drag::Screen;
    int dragX_ = 0;
};

// The FFT window's logic.
FFtLogic &frmFFT();

} // namespace vrx
