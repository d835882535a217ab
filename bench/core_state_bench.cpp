// SPDX-License-Identifier: GPL-3.0-or-later
// One page of the state listing (41 rows) at positions spread over a 128K counter record, as
// Page Down held on the keyboard visits them, against a plain formatting loop of the same rows.
//   StatePage       Stateshow: the row texts, painted into the listing, with the bar marks
//   StateRowTexts   the row texts only
//   PlainRows       the baseline: snprintf of the number, the three buses and a table lookup
#include <array>
#include <cstdio>

#include <benchmark/benchmark.h>

#include "core/base/state.h"
#include "core/logic/state_listing.h"
#include "core/timing/pictures.h"

namespace {

using namespace vrx;

constexpr int32_t kRecord = 131072;
constexpr int32_t kLastPage = kRecord - 600;

// A 128K record whose logic word counts samples; buses D15-D12, D11-D4, D3-D0 in hex, decimal
// and binary; the eight default mnemonics enabled.
void Prepare() {
    EnsureHeadlessGui("core_state_bench");
    InitDefaults();
    AppState &s = app();
    s.acquisition.DepthIndex = 2;
    s.acquisition.RecordLen = kRecord;
    s.acquisition.LastSample = kRecord - 1;
    s.screen.ScrollMax = kLastPage;
    s.view.ViewStart = {};
    for (int32_t k = 0; k < kRecord; ++k) {
        s.records.SampleBuf[static_cast<size_t>(HW_SB_D0_D7 + k)] = k & 0xFF;
        s.records.SampleBuf[static_cast<size_t>(HW_SB_D8_D15 + k)] = (k >> 8) & 0xFF;
    }
    s.logic.BusArrange = 3;
    s.logic.BusFormat = {FormatHexAsc, FormatDecAsc, FormatBinary};
    for (int i = 0; i < 8; ++i)
        s.logic.MnemonicOn[static_cast<size_t>(i)] = 1;
    frmState().StartState();
}

// The next page: positions stride through the record so that no page repeats a cached one.
int32_t NextPage(int32_t pos) {
    return (pos + 7919) % kLastPage;
}

void StatePage(benchmark::State &state) {
    Prepare();
    for (auto _ : state) {
        app().view.ScrollPos = NextPage(app().view.ScrollPos);
        frmState().Stateshow();
        benchmark::DoNotOptimize(frmState().Picture1.constBits());
    }
}

void StateRowTexts(benchmark::State &state) {
    Prepare();
    StateRowText row;
    for (auto _ : state) {
        app().view.ScrollPos = NextPage(app().view.ScrollPos);
        for (int r = 0; r < kStateRows; ++r) {
            frmState().RowText(app().view.ScrollPos + r, row);
            benchmark::DoNotOptimize(row.mnemonic.constData());
        }
    }
}

void PlainRows(benchmark::State &state) {
    Prepare();
    const AppState &s = app();
    static const char *const names[16] = {"Read", "Write", "memRead", "memWrite", "Reset"};
    std::array<char, 96> line{};
    for (auto _ : state) {
        app().view.ScrollPos = NextPage(app().view.ScrollPos);
        for (int r = 0; r < kStateRows; ++r) {
            const int32_t k = s.view.ScrollPos + r;
            const int lo = s.records.SampleBuf[static_cast<size_t>(HW_SB_D0_D7 + k)];
            const int hi = s.records.SampleBuf[static_cast<size_t>(HW_SB_D8_D15 + k)];
            char bits[5] = {};
            for (int b = 0; b < 4; ++b)
                bits[b] = (lo >> (3 - b)) & 1 ? '1' : '0';
            const char *name = names[hi >> 4 & 15];
            std::snprintf(line.data(), line.size(), "%d %X   %c %d   %c %s %s", k, hi >> 4, hi,
                          ((hi & 15) << 4) | (lo >> 4), lo, bits, name ? name : "");
            benchmark::DoNotOptimize(line.data());
        }
    }
}

BENCHMARK(StatePage)->Unit(benchmark::kMicrosecond);
BENCHMARK(StateRowTexts)->Unit(benchmark::kMicrosecond);
BENCHMARK(PlainRows)->Unit(benchmark::kMicrosecond);

} // namespace
