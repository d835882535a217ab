// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/state.h"

#include <memory>

namespace vrx {

// The library writes these records up to its own lengths.
static_assert(std::tuple_size_v<decltype(AppState::PortState)> >= HW_PORTSTATE_LEN);
static_assert(std::tuple_size_v<decltype(AppState::DevConfig)> >= HW_DEVCONFIG_LEN);
static_assert(std::tuple_size_v<decltype(AppState::ConfigBits)> == HW_CONFIGBITS_LEN);
static_assert(std::tuple_size_v<decltype(AppState::SampleBuf)> >= HW_SAMPLEBUF_LEN);
static_assert(std::tuple_size_v<decltype(AppState::TraceWork)> >= HW_WORKAREA_LEN);

AppState &app() {
    // Allocated once, on first use, for the program's lifetime (over 1.3 MB: not on the stack).
    static const std::unique_ptr<AppState> state = std::make_unique<AppState>();
    return *state;
}

int32_t ChannelColor(int t) {
    return app().Colors[static_cast<size_t>(ChannelColorIndex(t))];
}

void InvertColors() {
    for (auto &c : app().Colors)
        c = Complement(c);
}

void InitDefaults() {
    AppState &s = app();

    // Channel settings.
    s.Coupling.fill(0);
    s.ProbeIndex.fill(0);
    for (int ch = ChA1; ch <= ChF1; ++ch)
        s.ProbeIndex[static_cast<size_t>(ch)] = 1;
    s.VdivIndex.fill(0);
    s.VdivIndex[ChA1] = 4;
    s.VdivIndex[ChA2] = 5;
    s.VdivIndex[ChM1] = 4;
    s.VdivIndex[ChM2] = 5;
    s.VdivIndex[ChF1] = 5;
    s.ChanPos.fill(128);
    s.ChanPos[ChA1] = 178;
    s.ChanPos[ChA2] = 203;
    s.ChanOn = {1, 1, 0, 0, 0, 0, 1, 1};
    s.ChanName = {"A1", "A2", "M1", "M2", "F1"};

    // Acquisition and trigger settings.
    s.RateIndex = 8;
    s.DepthIndex = 0;
    s.RecordLen = 2048;
    s.LastSample = 2047;
    s.CaptureMode = 2;
    s.ZoomIndex = 5;
    s.TrigChannel = 0;
    s.TrigSlope = {0, 1, 0};
    s.TrigLevel.fill(0);
    s.TrigLevel[0] = 128;
    s.TrigLevel[1] = 153;
    s.TrigDac = 98;
    s.ScrollPos = 300;
    s.BarPos = {450, s.ScrollPos + 450, s.ScrollPos + 300, 0};
    s.HbarPos = {28, 228};
    s.ViewStart.fill(0);
    s.ActiveBar = {3, 4};

    // Logic analyser tables.
    s.TriggerWords = {"xxxxxxxx11111111", "0000000011111111", "xxxx111100001111",
                      "11110000xxxx1111"};
    s.SelWord = 0;
    for (size_t i = 0; i < s.LogicLaneName.size(); ++i)
        s.LogicLaneName[i] = i < 16 ? QStringLiteral("Ch-D%1").arg(i) : QString();
    s.BusGroupName = {"D15-D12", "D11-D8", "D7-D0"};
    for (auto &p : s.MnemonicPattern)
        p.clear();
    for (int i = 0; i < 8; ++i)
        s.MnemonicPattern[static_cast<size_t>(i)] =
            QStringLiteral("%1xxxxxxxxxxxx").arg(i, 4, 2, QLatin1Char('0'));
    for (auto &n : s.MnemonicName)
        n.clear();
    s.MnemonicName[0] = "Read";
    s.MnemonicName[1] = "Write";
    s.MnemonicName[2] = "memRead";
    s.MnemonicName[3] = "memWrite";
    s.MnemonicName[4] = "Reset";
    s.MeasName = {"V_Max.", "V_Min.", "V_Avg.", "V_p-p.", "V_RMS",  "CycRMS",
                  "Rise",   "Fall",   "+Width", "-Width", "Period", "Freq."};
    for (size_t i = 0; i < s.Sequence.size(); ++i)
        s.Sequence[i] = static_cast<uint8_t>(i < 16 ? i : 0);

    // Colours.
    s.Colors = {Rgb(0, 0, 0),       Rgb(128, 255, 255), Rgb(128, 255, 128), Rgb(255, 255, 255),
                Rgb(255, 255, 255), Rgb(255, 255, 0),   Rgb(255, 128, 128), Rgb(255, 192, 128),
                Rgb(255, 255, 128), Rgb(128, 255, 128), Rgb(128, 255, 255), Rgb(255, 128, 255),
                Rgb(192, 192, 192), Rgb(255, 255, 255), Rgb(255, 128, 128), Rgb(255, 192, 128),
                Rgb(255, 255, 128), Rgb(128, 255, 128), Rgb(128, 255, 255), Rgb(255, 128, 255),
                Rgb(192, 192, 192), Rgb(255, 255, 255), Rgb(208, 208, 208), Rgb(255, 255, 255),
                Rgb(255, 255, 0),   Rgb(208, 208, 208), Rgb(208, 208, 208), Rgb(255, 128, 255),
                Rgb(255, 128, 255), Rgb(255, 255, 255)};
    s.Colors2 = {Rgb(255, 128, 128), Rgb(255, 192, 128), Rgb(255, 255, 128), Rgb(128, 255, 128),
                 Rgb(128, 255, 255), Rgb(255, 128, 255), Rgb(192, 192, 192), Rgb(255, 255, 255)};

    // Run state.
    s.Running = 0;
    s.ParamChanged = 0;
    s.HwFound = 0;
    s.HbarOn = 0;
    s.CatchRateLimit = 27;
    s.SamplePeriod = 5.0;
    s.Model = "Vrx73604v4";
    s.DevConfig[HW_DC_ModelCode] = 55;
    s.DevConfig[HW_DC_Variant] = 1;
    s.PortState[0] = 0;

    // Display state that the windows lay out from (no settings-file default of its own).
    s.SelChannel = ChA1;
    s.TimeZoom = {1.0, 1.0};
    s.ScreenWidth = {s.ScreenSamples, s.ScreenSamples};
    s.LogicHeight = static_cast<uint8_t>(20 + 4 * s.LogicHeightIndex);
}

} // namespace vrx
