// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/base/state.h"

#include <memory>

#include "core/base/reset.h"

namespace vrx {

// The library writes these records up to its own lengths.
static_assert(std::tuple_size_v<decltype(Records::PortState)> >= HW_PORTSTATE_LEN);
static_assert(std::tuple_size_v<decltype(Records::DevConfig)> >= HW_DEVCONFIG_LEN);
static_assert(std::tuple_size_v<decltype(Records::ConfigBits)> == HW_CONFIGBITS_LEN);
static_assert(std::tuple_size_v<decltype(Records::SampleBuf)> >= HW_SAMPLEBUF_LEN);
static_assert(std::tuple_size_v<decltype(WorkAreas::TraceWork)> >= HW_WORKAREA_LEN);

std::array<uint8_t, HW_DEVCONFIG_LEN> Records::DefaultDevConfig() {
    std::array<uint8_t, HW_DEVCONFIG_LEN> dc{};
    dc[HW_DC_ModelCode] = 55;
    dc[HW_DC_Variant] = 1;
    return dc;
}

std::array<QString, 19> LogicTables::DefaultLaneNames() {
    std::array<QString, 19> names;
    for (int i = 0; i < kLanes; ++i)
        names[static_cast<size_t>(i)] = QStringLiteral("Ch-D%1").arg(i);
    return names;
}

std::array<QString, 16> LogicTables::DefaultMnemonicPatterns() {
    // The first eight decode the top nibble 0000 .. 0111; the rest are empty.
    std::array<QString, 16> patterns;
    for (int i = 0; i < 8; ++i)
        patterns[static_cast<size_t>(i)] =
            QStringLiteral("%1xxxxxxxxxxxx").arg(i, 4, 2, QLatin1Char('0'));
    return patterns;
}

std::array<int32_t, kColors> ColorTable::DefaultColors() {
    return {Rgb(0, 0, 0),       Rgb(128, 255, 255), Rgb(128, 255, 128), Rgb(255, 255, 255),
            Rgb(255, 255, 255), Rgb(255, 255, 0),   Rgb(255, 128, 128), Rgb(255, 192, 128),
            Rgb(255, 255, 128), Rgb(128, 255, 128), Rgb(128, 255, 255), Rgb(255, 128, 255),
            Rgb(192, 192, 192), Rgb(255, 255, 255), Rgb(255, 128, 128), Rgb(255, 192, 128),
            Rgb(255, 255, 128), Rgb(128, 255, 128), Rgb(128, 255, 255), Rgb(255, 128, 255),
            Rgb(192, 192, 192), Rgb(255, 255, 255), Rgb(208, 208, 208), Rgb(255, 255, 255),
            Rgb(255, 255, 0),   Rgb(208, 208, 208), Rgb(208, 208, 208), Rgb(255, 128, 255),
            Rgb(255, 128, 255), Rgb(255, 255, 255)};
}

AppState &app() {
    // Allocated once, on first use, for the program's lifetime (over 1.3 MB: not on the stack).
    static const std::unique_ptr<AppState> state = std::make_unique<AppState>();
    return *state;
}

void ResetAppState() {
    // Rebuilt where it is: over a megabyte, and whoever holds the state keeps the same object.
    AppState *s = &app();
    std::destroy_at(s);
    std::construct_at(s);
}

int32_t ChannelColor(int t) {
    return app().colors[ChannelColorIndex(t)];
}

void InvertColors() {
    for (auto &c : app().colors.Colors)
        c = Complement(c);
}

void InitDefaults() {
    AppState &s = app();
    s.channels = {};
    s.acquisition = {};
    s.trigger = {};
    s.view = {};
    s.logic = {};
    s.colors = {};
    s.display = {};
    s.decode = {};
    s.measure = {};
    s.fft = {};
    s.run.CounterState[0] = 0; // the counter resolution choice is a setting too
}

} // namespace vrx
