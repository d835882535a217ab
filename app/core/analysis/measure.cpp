// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/analysis/measure.h"

#include <algorithm>

#include "core/base/format.h"
#include "core/base/state.h"
#include "hwlink.h"

namespace vrx {

namespace {

// Indexes of the engine's results record.
constexpr int kVAvg = 2, kCycRms = 5, kRise = 6, kFall = 7, kPeriod = 10, kFreq = 11;

// Below this span the engine reports no edges: too small a signal for them to mean anything.
constexpr int32_t kMinEdgeSpan = 10;

const char *const kItemCaptions[kMeasureItems] = {
    "V_max.",    "V_min.",    "V_Average",      "Peak-Peak",     "V_RMS",  "CycRMS",
    "Rise Time", "Fall Time", "Positive Width", "Negtive Width", "Period", "Frequency"};

} // namespace

TestStretch MeasureStretch() {
    return MeasureStretch(app().measure.TestLenMode);
}

TestStretch MeasureStretch(int16_t testLenMode) {
    const AppState &s = app();
    // The display starts `ViewStart[0]` samples into the record (the read-back's alignment).
    int64_t start = s.view.ViewStart[0];
    int64_t length = s.acquisition.LastSample;
    if (testLenMode == 0) {
        start += s.view.ScrollPos;
        length = RoundHalfEven(s.screen.ScreenSamples * s.view.TimeZoom[0]);
    }
    // Only the record's samples are measured: the display start moves the whole record's
    // stretch towards its end, and what lies past the end is no signal. The engine divides by
    // the length.
    const int64_t end = std::clamp<int64_t>(s.acquisition.RecordLen, 1, HW_SB_AREA_LEN);
    start = std::clamp<int64_t>(start, 0, end - 1);
    length = std::clamp<int64_t>(length, 1, end - start);
    return {static_cast<int32_t>(start), static_cast<int32_t>(length)};
}

void EdgeCounts(const uint8_t *data, int32_t n, int32_t level, int32_t divisor, int32_t &rise,
                int32_t &fall) {
    rise = fall = -1;
    if (data == nullptr || n < 1 || divisor < 1) return;
    const auto [lo, hi] = std::minmax_element(data, data + n);
    const int32_t span = *hi - *lo;
    if (span <= kMinEdgeSpan) return;
    // A larger byte is a lower voltage: the top level lies span / divisor above the smallest
    // byte, the bottom level as far below the largest one.
    const int32_t top = *lo + span / divisor, bottom = *hi - span / divisor;
    auto next = [&](int32_t i, auto beyond) {
        while (i < n && !beyond(data[i]))
            ++i;
        return i;
    };
    auto aboveTop = [top](int32_t b) { return b < top; };
    auto belowTop = [top](int32_t b) { return b > top; };
    auto aboveBottom = [bottom](int32_t b) { return b < bottom; };
    auto belowBottom = [bottom](int32_t b) { return b > bottom; };
    // An edge counts from its first sample up to the sample that completes it, which must come
    // before the last sample.
    auto count = [n](int32_t from, int32_t to) { return to < n - 1 ? to - from : -1; };
    // The first edge leaves the level the signal was beyond (`atFirst`, then `leavesFirst`) and
    // ends beyond the other level (`atSecond`); the opposite edge leaves that one
    // (`leavesSecond`) and ends beyond the first level again.
    auto edges = [&](auto atFirst, auto leavesFirst, auto atSecond, auto leavesSecond,
                     int32_t &first, int32_t &second) {
        const int32_t from = next(next(0, atFirst), leavesFirst), to = next(from, atSecond);
        first = count(from, to);
        if (first < 0) return;
        const int32_t back = next(to, leavesSecond);
        second = count(back, next(back, atFirst));
    };
    if (data[0] <= (level & 0xFF)) // starts high: a fall, then a rise
        edges(aboveTop, belowTop, belowBottom, aboveBottom, fall, rise);
    else // starts low: a rise, then a fall
        edges(belowBottom, aboveBottom, aboveTop, belowTop, rise, fall);
}

QString MeasureValueText(int item, const std::array<int32_t, 13> &results, int offset,
                         double mvPerCode) {
    if (item < 0 || item >= kMeasureItems) return {};
    const int32_t v = results[static_cast<size_t>(item)];
    if (item <= kVAvg) // 255 - byte: the byte's voltage once the zero level is taken off
        return CalStr((v + offset - 255) * mvPerCode);
    if (item <= kCycRms) return v == -1 ? kNotMeasured : CalStr(v * mvPerCode);
    if (item <= kFall) {
        if (v == -1) return kNotMeasured;
        if (v != 0) return CalTime(v);
        // Faster than the samples can tell: less than one sample period.
        const QString period = CalTime(1);
        return period.isEmpty() ? period : QLatin1Char('<') + period;
    }
    if (item < kFreq) return v == 0 ? kNotMeasured : CalTime(v);
    return v == 0 ? kNotMeasured : CalFreq(v);
}

void MeasureBox::TestCh() {
    AppState &s = app();
    const TestStretch t = MeasureStretch();
    rows_.clear();
    for (int16_t ch = ChA1; ch <= ChA2; ++ch) {
        const auto c = static_cast<size_t>(ch);
        uint8_t *data = s.records.SampleBuf.data() + (ch == ChA1 ? HW_SB_A1 : HW_SB_A2);
        const int16_t offset = s.channels.ChanPos[c];
        const uint8_t level = s.trigger.TrigLevel[c];
        std::array<int32_t, 13> r{};
        TestAd(data, t.start, offset, level, r.data(), t.length);
        if (s.measure.TestRise == 1)
            EdgeCounts(data + t.start, t.length, level, 5, r[kRise], r[kFall]);
        r[kFreq] = r[kPeriod];
        const auto &shown = ch == ChA1 ? s.measure.TestA1 : s.measure.TestA2;
        for (int16_t i = 0; i < kMeasureItems; ++i)
            if (shown[static_cast<size_t>(i)] != 0)
                rows_.push_back({ch, i, s.logic.MeasName[static_cast<size_t>(i)],
                                 MeasureValueText(i, r, offset, s.channels.ChanScale[c])});
    }
    notify();
}

int32_t MeasureBox::Height() const {
    return static_cast<int32_t>(rows_.size()) * kMeasureRowTwips + kMeasureEmptyTwips;
}

QStringList MeasureBox::RowsText() const {
    QStringList lines;
    for (const MeasureRow &row : rows_)
        lines << app().channels.ChanName[static_cast<size_t>(row.channel)] + QLatin1Char('\t') +
                     row.name + QLatin1Char('\t') + row.value;
    return lines;
}

void MeasureBox::Form_Load() {
    app().display.MeasureOn = -1;
    TestCh();
}

void MeasureBox::Form_Unload() {
    app().display.MeasureOn = 0;
}

MeasureItems::MeasureItems() {
    for (size_t i = 0; i < kMeasureItems; ++i) {
        TsItem[i].setText(QString::fromLatin1(kItemCaptions[i]));
        for (auto *boxes : {&CheckA1, &CheckA2}) {
            CheckModel &box = (*boxes)[i];
            box.onClick = [&box] { box.setChecked(!box.checked()); };
        }
    }
    for (int i = 0; i < 2; ++i) {
        OptLen[static_cast<size_t>(i)].onClick = [this, i] { Select(OptLen, i); };
        OptRise[static_cast<size_t>(i)].onClick = [this, i] { Select(OptRise, i); };
    }
}

void MeasureItems::Select(std::array<CheckModel, 2> &pair, int i) {
    pair[static_cast<size_t>(1 - i)].setChecked(false);
    pair[static_cast<size_t>(i)].setChecked(true);
}

void MeasureItems::Form_Load() {
    const MeasureSettings &m = app().measure;
    for (size_t i = 0; i < kMeasureItems; ++i) {
        CheckA1[i].setChecked(m.TestA1[i] != 0);
        CheckA2[i].setChecked(m.TestA2[i] != 0);
    }
    Select(OptLen, m.TestLenMode == 0 ? 0 : 1);
    Select(OptRise, m.TestRise == 1 ? 1 : 0);
}

void MeasureItems::CmdOk_Click() {
    AppState &s = app();
    for (size_t i = 0; i < kMeasureItems; ++i) {
        s.measure.TestA1[i] = CheckA1[i].checked() ? 1 : 0;
        s.measure.TestA2[i] = CheckA2[i].checked() ? 1 : 0;
    }
    s.measure.TestLenMode = OptLen[0].checked() ? 0 : 1;
    s.measure.TestRise = OptRise[1].checked() ? 1 : 0;
    if (s.display.MeasureOn != 0) frmMeasure().TestCh();
}

MeasureBox &frmMeasure() {
    static MeasureBox box;
    return box;
}

MeasureItems &frmTestItem() {
    static MeasureItems items;
    return items;
}

} // namespace vrx
