// SPDX-License-Identifier: GPL-3.0-or-later
//
// The instrument and display state of the program.
//
// All state lives in one plain-data record, `AppState`, of which the program has exactly one
// instance for its whole run, reached with `app()`. Windows hold no data of their own beyond
// their controls: they read and write these fields directly, and the instrument library receives
// the records (`PortState`, `DevConfig`, `ConfigBits`, `SampleBuf`, the per-channel arrays) by the
// address of element 0, e.g. `app().PortState.data()`.
//
// Widths follow the instrument's conventions: Byte = uint8_t, Integer = int16_t, Long = int32_t,
// Double = double; a Boolean flag is an int16_t with 0 = false and -1 = true. Colours are Longs
// in the order 0x00BBGGRR (red in the low byte).
//
// Per-channel arrays are indexed 0 A1, 1 A2, 2 M1, 3 M2, 4 F1 and hold 9 entries.
//
// `InitDefaults()` sets every setting to its start-up value; it does not touch the sample
// memory, the records of the library or the work areas.
#pragma once

#include <array>
#include <cstdint>

#include <QString>

#include "hwlink.h"

namespace vrx {

constexpr int kChannels = 9;     // per-channel arrays: 0 A1, 1 A2, 2 M1, 3 M2, 4 F1, spare
constexpr int kColors = 30;      // entries of the colour table
constexpr int kUserColors = 8;   // user-defined colours of the colour dialog
constexpr int kDisplayItems = 8; // ChanOn: A1, A2, M1, M2, F1, F2, logic D0-D15, grid
constexpr int kMemLen = 131072;  // one memory channel (M1, M2), two halves of 65536
// A compressed trace reads a whole column of samples past the last visible one (at "/200" up to
// 200 x 201 samples), so the memory channels carry zeroed slack behind their kMemLen samples.
constexpr int kMemDrawSlack = 65536;
constexpr int kLogicWorkLen = 16384;
constexpr int kMeasOutLen = 32; // MeasOut: 13 results, counter words 13..18, spare

// Channel numbers of the per-channel arrays.
enum Channel : int16_t { ChA1 = 0, ChA2 = 1, ChM1 = 2, ChM2 = 3, ChF1 = 4 };

// Display items of ChanOn.
enum DisplayItem : int {
    DispA1 = 0,
    DispA2 = 1,
    DispM1 = 2,
    DispM2 = 3,
    DispF1 = 4,
    DispF2 = 5,
    DispLogic = 6,
    DispGrid = 7
};

struct AppState {
    // ---- Instrument library records ---------------------------------------------------------
    std::array<int32_t, HW_PORTSTATE_LEN> PortState{};
    std::array<uint8_t, HW_DEVCONFIG_LEN> DevConfig{};
    std::array<uint8_t, HW_CONFIGBITS_LEN> ConfigBits{};
    std::array<uint8_t, HW_SAMPLEBUF_LEN> SampleBuf{}; // A1, A2, D0-D7, D8-D15, raw area

    // ---- Channel settings -------------------------------------------------------------------
    std::array<uint8_t, kChannels> Coupling{};   // 0 DC, 1 AC, 2 GND
    std::array<uint8_t, kChannels> ProbeIndex{}; // 0 1:1, 1 10:1, 2 100:1, 3 1000:1
    std::array<uint8_t, kChannels> VdivIndex{};  // 0 5mv .. 8 2v (at 1:1)
    std::array<int16_t, kChannels> ChanPos{};    // screen row of the 0 V level, 128 = centre
    std::array<int16_t, kDisplayItems> ChanOn{}; // display switches, 1 = shown
    std::array<QString, 5> ChanName;

    // ---- Acquisition and trigger settings ---------------------------------------------------
    uint8_t RateIndex = 8;
    uint8_t DepthIndex = 0;
    int32_t RecordLen = 2048;
    int32_t LastSample = 2047;
    uint8_t CaptureMode = 2; // 0 Once, 1 Normal, 2 Auto.
    uint8_t ZoomIndex = 5;
    int16_t TrigChannel = 0; // 0 A1, 1 A2, 2 logic
    std::array<uint8_t, 3> TrigSlope{};
    // [0] A1 level, [1] A2 level, [2] D0-D7 pattern, [3] D0-D7 mask, [4] D8-D15 pattern,
    // [5] D8-D15 mask; 10 allocated.
    std::array<uint8_t, 10> TrigLevel{};
    uint8_t TrigDac = 98;
    int32_t ScrollPos = 300;
    std::array<int32_t, 4> BarPos{}; // V1, V2, trigger; [3] is the result slot of SearchVdata
    std::array<int16_t, 2> HbarPos{};
    std::array<int32_t, 4> ViewStart{};
    std::array<int16_t, 2> ActiveBar{}; // [0] bar kept in place by a zoom, [1] zoom-align mode

    // ---- Derived timebase and scale state (front panel) -------------------------------------
    double SamplePeriod = 5.0;        // ns, us or ms by rate group
    double SampleRate = 100.0;        // MSa/s, KSa/s or Sa/s by rate group
    std::array<double, 2> TimeZoom{}; // [0] samples per pixel, [1] before the last zoom change
    std::array<double, kChannels> VdivScale{}; // mV per code of each V/div entry
    std::array<double, kChannels> ChanScale{}; // mV per code of each channel
    std::array<QString, kChannels> VdivText;   // V/div text printed at the top of the picture
    int16_t ScreenSamples = 600;               // trace width in pixels
    int32_t ScrollMax = 0;
    int32_t OverviewWidth = 3;
    int16_t SelChannel = 0; // channel the channel controls act on
    int16_t KeyTarget = 20; // TabIndex of the control that keyboard steps act on
    int32_t TrigShown = 0;  // trigger position as displayed (delay blocks times 512)
    uint8_t TrigStep = 0;   // 0 x1, 1 x10, 2 x50, 3 x100

    // ---- Logic analyser tables ---------------------------------------------------------------
    std::array<QString, 4> TriggerWords;
    int16_t SelWord = 0; // selected trigger word
    std::array<QString, 19> LogicLaneName;
    std::array<QString, 3> BusGroupName;
    std::array<QString, 16> MnemonicPattern;
    std::array<QString, 16> MnemonicName;
    std::array<QString, 12> MeasName;
    std::array<uint8_t, 19> Sequence{}; // logic display order
    int16_t ScrollChValue = 0;          // first logic row shown

    // ---- Colours ------------------------------------------------------------------------------
    std::array<int32_t, kColors> Colors{};
    std::array<int32_t, kUserColors> Colors2{};

    // ---- Run state ----------------------------------------------------------------------------
    int16_t Running = 0;
    uint8_t TrigStat = 0;
    int32_t TrigCount = 0;
    int32_t CatchCount = 0;
    uint8_t ParamChanged = 0;
    int16_t CatchRateLimit = 27;
    int16_t CatchEnabled = 0; // "Enable Software catch" checked (flag)
    int32_t NextTick = 0;
    uint8_t HwFound = 0;
    std::array<int16_t, 4> CounterState{};
    std::array<int16_t, 2> CountOn{};
    int16_t CountPpm = 5;
    std::array<int32_t, kMeasOutLen> MeasOut{};
    int32_t TestStart = 0;
    int32_t TestLen = 0;

    // ---- Display --------------------------------------------------------------------------------
    int16_t DrawPic = 0;
    int16_t Persist = 0;
    std::array<int16_t, 2> ScreenWidth{}; // scope picture, logic picture
    uint8_t DotsConnect = 1;
    std::array<uint8_t, HW_WORKAREA_LEN> TraceWork{};
    std::array<uint8_t, kLogicWorkLen> LogicWork{};
    uint8_t LogicHeight = 20;
    int16_t LogicHeightIndex = 0;
    int32_t LogicColor = 0;
    std::array<uint8_t, kMemLen + kMemDrawSlack> M1Buf{}; // kMemLen samples, then slack
    std::array<uint8_t, kMemLen + kMemDrawSlack> M2Buf{};
    std::array<uint8_t, 2> FuSource{};
    uint8_t FuOp = 0; // 0 sum, 1 difference, 2 product, 3 quotient
    uint8_t FftOn = 0;
    int16_t XYOn = 0; // "&XY Plot" checked (flag)
    int16_t HbarOn = 0;
    int16_t Dispunit = 1; // 0 time, 1 samples
    int16_t ZoomView = 0;
    int16_t StatusBarOn = -1;
    int16_t MeasureOn = 0;
    int16_t StateOn = 0;
    int16_t AutoLoad = 0;

    // ---- Start-up -------------------------------------------------------------------------------
    QString Model;
    QString AppDir;
    QString IniPath;
    uint8_t FullSearch = 0;
    QString SysText;
    QString LinkText;
    QString MainCaption; // caption of the main window: the model name the bring-up found
};

// The one instance of the program's state.
AppState &app();

// Sets every setting to its start-up value (also run by the load-default command).
void InitDefaults();

// Colour helpers. Colours are 0x00BBGGRR.
constexpr int32_t Rgb(int r, int g, int b) {
    return r | (g << 8) | (b << 16);
}
constexpr int32_t Complement(int32_t c) {
    return 0xFFFFFF - c;
}
// The colour of channel t (0 A1 .. 4 F1) is colour-table entry t + 23.
constexpr int ChannelColorIndex(int t) {
    return t + 23;
}
int32_t ChannelColor(int t);
// Replaces every entry of the colour table by its complement ("Inverse").
void InvertColors();

// A software catch with data is in progress: the pictures belong to the quick refresh.
inline bool CatchWithData() {
    return app().TrigStat == HW_STAT_COMPLETE && app().Running != 0;
}

} // namespace vrx
