// SPDX-License-Identifier: GPL-3.0-or-later
#include "timing/frontpanel_logic.h"

#include <algorithm>

#include "core/format.h"
#include "core/pictures.h"
#include "core/state.h"

namespace vrx {

namespace {

constexpr int32_t kScrollLimit = 131071; // 0x1FFFF: any record position

// Periods are ns/us/ms and rates MSa/s, KSa/s, Sa/s by group; the external clocks have none.
constexpr std::array<RateEntry, kRateCount> kRates = {{
    {"20GSa/S", 0.05, 20000}, {"10GSa/S", 0.1, 10000}, {"5GSa/S", 0.2, 5000},
    {"2GSa/S", 0.5, 2000},    {"1GSa/S", 1, 1000},     {"500MSa/S", 2, 500},
    {"250MSa/S", 4, 250},     {"200MSa/S", 5, 200},    {"100MSa/S", 10, 100},
    {"50MSa/S", 20, 50},      {"20MSa/S", 50, 20},     {"10MSa/S", 100, 10},
    {"5MSa/S", 200, 5},       {"2MSa/S", 500, 2},      {"1MSa/S", 1000, 1},
    {"500KSa/S", 2, 500},     {"200KSa/S", 5, 200},    {"100KSa/S", 10, 100},
    {"50KSa/S", 20, 50},      {"20KSa/S", 50, 20},     {"10KSa/S", 100, 10},
    {"5KSa/S", 200, 5},       {"2KSa/S", 500, 2},      {"1KSa/S", 1000, 1},
    {"500Sa/S", 2, 500},      {"200Sa/S", 5, 200},     {"100Sa/S", 10, 100},
    {"50Sa/S", 20, 50},       {"20Sa/S", 50, 20},      {"10Sa/S", 100, 10},
    {"5Sa/S", 200, 5},        {"2Sa/S", 500, 2},       {"1Sa/S", 1000, 1},
    {"External.Rise", 0, 0},  {"External.Fall", 0, 0},
}};
constexpr int kLastTimedRate = 32;

constexpr std::array<const char *, 16> kZoomTexts = {"x50",  "x20",  "x10",   "x5",   "x2",  "x1",
                                                     "/2",   "/5",   "/10",   "/20",  "/50", "/100",
                                                     "/200", "/500", "/1000", "/2000"};
constexpr std::array<double, 13> kZoomFactors = {
    1.0 / 50, 1.0 / 20, 1.0 / 10, 1.0 / 5, 1.0 / 2, 1, 2, 5, 10, 20, 50, 100, 200};

constexpr std::array<std::array<const char *, 9>, 4> kVdivTexts = {{
    {"5mV", "10mV", "20mV", "50mV", "100mV", "200mV", "500mV", "1V", "2V"},
    {"50mV", "100mV", "200mV", "500mV", "1V", "2V", "5V", "10V", "20V"},
    {"500mV", "1V", "2V", "5V", "10V", "20V", "50V", "100V", "200V"},
    {"5V", "10V", "20V", "50V", "100V", "200V", "500V", "1000V", "2000V"},
}};
// Millivolts per sample code of each entry at 1:1 (25 codes per division).
constexpr std::array<double, 9> kVdivScale1 = {0.2, 0.4, 0.8, 2, 4, 8, 20, 40, 80};

uint8_t ClampCode(int v) {
    return static_cast<uint8_t>(std::clamp(v, 0, 255));
}

bool AnalogTrigger(int ch) {
    return ch == app().TrigChannel && (ch == ChA1 || ch == ChA2);
}

QStringList Texts(const char *const *texts, size_t n) {
    QStringList list;
    for (size_t i = 0; i < n; ++i)
        list.append(QString::fromLatin1(texts[i]));
    return list;
}

} // namespace

const RateEntry &RateTable(int index) {
    return kRates[static_cast<size_t>(std::clamp(index, 0, kRateCount - 1))];
}

QStringList RateTexts() {
    QStringList list;
    for (const auto &r : kRates)
        list.append(QString::fromLatin1(r.text));
    return list;
}

QStringList ZoomTexts() {
    return Texts(kZoomTexts.data(), kZoomTexts.size());
}

QStringList VdivTexts(int probe) {
    if (probe < 0 || probe > 3) return {};
    const auto &t = kVdivTexts[static_cast<size_t>(probe)];
    return Texts(t.data(), t.size());
}

double ZoomFactor(int zoomIndex) {
    if (zoomIndex < 0 || zoomIndex >= static_cast<int>(kZoomFactors.size())) return 0;
    return kZoomFactors[static_cast<size_t>(zoomIndex)];
}

TimingPanel &form1() {
    static TimingPanel panel;
    return panel;
}

BarsLogic &bars() {
    return form1();
}

TimingPanel::TimingPanel() {
    // Tab order of the lists: the letter keys step the list whose tab index is the key target.
    int16_t tab = 0;
    auto list = [&tab](ListModel &m, const QStringList &items, std::function<void()> handler) {
        m.setItems(items);
        m.setTabIndex(tab++);
        m.onChange = std::move(handler);
    };
    list(cmbRate, RateTexts(), [this] { cmbRate_Click(); });
    list(cmbDepth, {"2K", "8K", "128K"}, [this] { cmbDepth_Click(); });
    list(cmbZoom, ZoomTexts(), [this] { cmbZoom_Click(); });
    list(cmbCapture, {"Once", "Normal", "Auto."}, [this] { cmbCapture_Click(); });
    list(cmbTrigCh, {".A1", ".A2", ".LOGIC"}, [this] { cmbTrigCh_Click(); });
    list(cmbSlope, {"Rising", "Falling"}, [this] { cmbSlope_Click(); });
    list(cmbProbe, {"1:1", "10:1", "100:1", "1000:1"}, [this] { cmbProbe_Click(); });
    // The design-time texts, replaced by those of the probe the first time one is applied.
    list(cmbVdiv, {"5mv", "10mv", "20mv", "50mv", "100mv", "200mv", "500mv", "1v", "2v"},
         [this] { cmbVdiv_Click(); });
    list(cmbCouple, {"DC", "AC", "GND"}, [this] { cmbCouple_Click(); });

    ScrollLevel.setRange(0, 255);
    ScrollLevel.setTabIndex(tab++);
    ScrollLevel.onChange = [this] { ScrollLevel_Change(); };
    ScrollOffset.setRange(0, 255);
    ScrollOffset.setTabIndex(tab++);
    ScrollOffset.onChange = [this] { ScrollOffset_Change(); };

    for (ScrollModel *m : {&scrlRate, &ScrlVdiv, &scrlZoom})
        m->setRange(-1, 1);
    scrlRate.onChange = [this] { scrlRate_Change(); };
    ScrlVdiv.onChange = [this] { ScrlVdiv_Change(); };
    scrlZoom.onChange = [this] { scrlZoom_Change(); };

    static const char *const tabs[5] = {"A1", "A2", "M1", "M2", "F1"};
    for (int t = 0; t < 5; ++t) {
        auto &lb = lbTab[static_cast<size_t>(t)];
        lb.setText(QString::fromLatin1(tabs[t]));
        lb.setEffect(EffectRaised);
        lb.onClick = [this, t] { lbTab_Click(t); };
    }
    lbRate.setText(QStringLiteral("&Rate"));
    lbProbe.setText(QStringLiteral("Probe"));
    ImgCenter.setBackColor(Rgb(255, 0, 0));
}

void TimingPanel::InitPanel() {
    const AppState &s = app();
    if (pictures().picScope[0].isNull())
        ResizePictures(s.ScreenSamples, s.LogicHeight, s.Colors[0]);
    for (size_t i = 0; i < ColorCheckValue.size(); ++i)
        ColorCheckValue[i] = s.ChanOn[i];
}

int16_t TimingPanel::ColorCheck(int i) const {
    if (i < 0 || i >= static_cast<int>(ColorCheckValue.size())) return 0;
    return hooks.ColorCheck ? hooks.ColorCheck(i) : ColorCheckValue[static_cast<size_t>(i)];
}

void TimingPanel::ChangePara() {
    AppState &s = app();
    s.ParamChanged = 1;
    // A new setting restarts the frequency counter's averages.
    s.CounterState[2] = 0;
    s.CounterState[3] = 0;
    for (size_t i = 15; i <= 18; ++i)
        s.MeasOut[i] = 0;
}

void TimingPanel::Vdivchange(int ch) {
    if (ch < 0 || ch >= kChannels) return;
    cmbVdiv.setItems(VdivTexts(app().ProbeIndex[static_cast<size_t>(ch)]));
    SetChanScale(ch);
}

void TimingPanel::SetChanScale(int ch) {
    if (ch < 0 || ch >= kChannels) return;
    AppState &s = app();
    const int probe = s.ProbeIndex[static_cast<size_t>(ch)];
    if (probe <= 3) {
        double factor = 1;
        for (int p = 0; p < probe; ++p)
            factor *= 10;
        for (size_t i = 0; i < kVdivScale1.size(); ++i)
            s.VdivScale[i] = kVdivScale1[i] * factor;
    }
    const size_t vdiv = s.VdivIndex[static_cast<size_t>(ch)];
    if (vdiv < kVdivScale1.size()) s.ChanScale[static_cast<size_t>(ch)] = s.VdivScale[vdiv];
}

void TimingPanel::ShowChanScale(int ch) {
    AppState &s = app();
    if (ch < 0 || ch > ChF1 || s.ChanOn[static_cast<size_t>(ch)] == 0) return;
    const auto c = static_cast<size_t>(ch);
    LabelOffset.setText(CalStr((128 - s.ChanPos[c]) * s.ChanScale[c]));
    CallDrawScaleText(static_cast<int16_t>(ch), 0);
    QString text = cmbVdiv.text();
    // F1 of a product is in volts squared, of a quotient without a unit, per division.
    if (ch == ChF1 && s.FuOp == 2)
        text += QStringLiteral("V");
    else if (ch == ChF1 && s.FuOp == 3)
        text += QStringLiteral("/V");
    s.VdivText[c] = text;
    CallDrawScaleText(static_cast<int16_t>(ch), 1);
    ShowHbarValue(0);
    ShowHbarValue(1);
    if (AnalogTrigger(ch)) DisLevel(ch);
}

void TimingPanel::DisLevel(int src) {
    AppState &s = app();
    s.ParamChanged = 1;
    double mv;
    if (src == ChA1 || src == ChA2) {
        const auto c = static_cast<size_t>(src);
        mv = (s.ChanPos[c] - s.TrigLevel[c]) * s.ChanScale[c];
    } else if (src == 2) {
        // The logic threshold comparator: variant 2 boards have a finer, offset scale.
        mv = s.DevConfig[HW_DC_Variant] == 2 ? (195 - s.TrigDac) * 30.0 : (128 - s.TrigDac) * 50.0;
    } else {
        return;
    }
    lbLevel.setText(CalStr(mv));
}

void TimingPanel::ZoomPara() {
    AppState &s = app();
    if (ScaleWidth > Picture2Left + 2) {
        const auto width = static_cast<int16_t>(std::min(ScaleWidth - Picture2Left - 2, 32767));
        if (width != s.ScreenSamples || pictures().picScope[0].isNull()) {
            s.ScreenSamples = width;
            s.ScreenWidth = {width, width};
            ResizePictures(width, s.LogicHeight, s.Colors[0]);
        }
    }
    const double factor = ZoomFactor(s.ZoomIndex);
    if (factor > 0) s.TimeZoom[0] = factor;
    const double z0 = s.TimeZoom[0];
    const double z1 = s.TimeZoom[1];
    const double len = s.RecordLen > 0 ? s.RecordLen : 1;
    s.OverviewWidth = std::max(RoundHalfEven(s.ScreenSamples * z0 * 512 / len), 3);

    // Keep a point of the screen in place across the zoom: the active bar when it was on
    // screen, else pixel 300 (the centre).
    if (z1 > 0) {
        if (s.ActiveBar[0] >= 0 && s.ActiveBar[0] <= 2) {
            const double b = s.BarPos[static_cast<size_t>(s.ActiveBar[0])];
            if (b > s.ScrollPos && (b - s.ScrollPos) / z1 < s.ScreenSamples)
                s.ScrollPos = RoundHalfEven(b - (b - s.ScrollPos) / z1 * z0);
        } else if (s.ActiveBar[0] == 3) {
            s.ScrollPos = RoundHalfEven((z1 - z0) * 300 + s.ScrollPos);
        }
    }
    // The zoom change is used up: a later resize or depth change keeps the screen where it is.
    s.TimeZoom[1] = z0;

    const QString hdiv = CalTime(z0 * 50);
    lbHdiv[0].setText(hdiv);
    lbHdiv[1].setText(hdiv);
    s.ScrollMax = std::max(RoundHalfEven(s.LastSample - s.ScreenSamples * z0), 0);
    s.ScrollPos = std::max(std::min(s.ScrollPos, s.ScrollMax), 0);
    Scrollscr.setMax(kScrollLimit);
    Scrollscr.setValue(s.ScrollPos);
    Scrollscr.setMax(s.ScrollMax);
    pictures().ImgUpscrWidth = s.OverviewWidth;
    pictures().ImgUpscrLeft = static_cast<int32_t>(int64_t{s.ScrollPos} * 512 / len + 100);
    pictures().changed.notify();
    if (hooks.SetFFtZoom) hooks.SetFFtZoom();
}

void TimingPanel::lbTab_Click(int t) {
    if (t < 0 || t > 4) return;
    AppState &s = app();
    for (int i = 0; i < 5; ++i) {
        auto &tab = lbTab[static_cast<size_t>(i)];
        tab.setEffect(EffectRaised);
        tab.setBackColor(lbProbe.backColor());
        const bool shown = s.ChanOn[static_cast<size_t>(i)] != 0;
        tab.setEnabled(shown);
        tab.setForeColor(shown ? lbProbe.foreColor() : kSysGrayText);
    }
    const auto tt = static_cast<size_t>(t);
    if (s.ChanOn[tt] == 0) return;
    const int32_t c = ChannelColor(t);
    lbTab[tt].setEffect(EffectSunken);
    lbTab[tt].setBackColor(s.Colors[0]);
    lbTab[tt].setForeColor(c);
    s.SelChannel = static_cast<int16_t>(t);

    cmbProbe.setForeColor(c);
    cmbCouple.setForeColor(c);
    cmbVdiv.setForeColor(c);
    LabelOffset.setForeColor(c);
    ScrollOffset.setBackColor(c);
    ScrollOffset.setForeColor(Complement(c));

    cmbProbe.setIndex(s.ProbeIndex[tt]);
    cmbCouple.setIndex(s.Coupling[tt]);
    Vdivchange(t);
    cmbVdiv.setIndex(s.VdivIndex[tt]);
    ScrollOffset.setValue(s.ChanPos[tt]);

    // The memory channels are copies: their scale and position are those of their source.
    const bool live = t == ChA1 || t == ChA2 || t == ChF1;
    ScrollOffset.setEnabled(live);
    cmbProbe.setEnabled(live);
    cmbCouple.setEnabled(live);
    cmbVdiv.setEnabled(live);

    if (!CatchWithData() && AnalogTrigger(t)) {
        DrawTbar(s.TrigChannel, 1);
        pictures().changed.notify();
    }
}

void TimingPanel::cmbRate_Click() {
    AppState &s = app();
    s.KeyTarget = cmbRate.tabIndex();
    int index = cmbRate.index();
    if (index < 0) return;
    // Equivalent-time sampling needs an analog trigger and an instrument.
    if (index < kFirstRealTimeRate && (s.TrigChannel == 2 || s.DevConfig[HW_DC_Link] == 0)) {
        index = kFirstRealTimeRate;
        cmbRate.setIndex(index);
    }
    s.RateIndex = static_cast<uint8_t>(index);
    if (index <= kLastTimedRate) {
        s.SamplePeriod = kRates[static_cast<size_t>(index)].period;
        s.SampleRate = kRates[static_cast<size_t>(index)].rate;
    }
    const QString hdiv = CalTime(s.TimeZoom[0] * 50);
    lbHdiv[0].setText(hdiv);
    lbHdiv[1].setText(hdiv);
    LabelTimes();
    s.ChanOn[DispLogic] = ColorCheck(DispLogic);
    if (s.RateIndex >= kFirstRealTimeRate) {
        lbRate.setText(QStringLiteral("&Rate"));
        lbRate.setForeColor(lbProbe.foreColor());
    } else {
        // A repetitive record is assembled from many passes: no logic record goes with it.
        s.ChanOn[DispLogic] = 0;
        ClearPicture(pictures().Picture1, s.Colors[0]);
        pictures().changed.notify();
        lbRate.setText(QStringLiteral("&Rep."));
        lbRate.setForeColor(ImgCenter.backColor());
    }
    ChangePara();
}

void TimingPanel::cmbDepth_Click() {
    AppState &s = app();
    if (cmbDepth.index() < 0) return;
    s.DepthIndex = static_cast<uint8_t>(cmbDepth.index());
    ApplyDepth();
    ChangePara();
    // A catch in progress was sized for the old record: stop it.
    if (s.CatchEnabled != 0 && s.CatchRateLimit <= s.RateIndex && s.RateIndex < 33) s.Running = 0;
}

void TimingPanel::cmbZoom_Click() {
    AppState &s = app();
    if (cmbZoom.index() < 0) return;
    s.TimeZoom[1] = s.TimeZoom[0];
    s.ZoomIndex = static_cast<uint8_t>(cmbZoom.index());
    ApplyDepth();
    CallComposeScreen(1, 1);
}

void TimingPanel::cmbCapture_Click() {
    if (cmbCapture.index() < 0) return;
    app().CaptureMode = static_cast<uint8_t>(cmbCapture.index());
    ChangePara();
}

void TimingPanel::cmbTrigCh_Click() {
    AppState &s = app();
    if (cmbTrigCh.index() < 0) return;
    s.TrigChannel = static_cast<int16_t>(cmbTrigCh.index());
    const auto src = static_cast<size_t>(s.TrigChannel);
    const int32_t c = s.TrigChannel == 2 ? s.Colors[6] : ChannelColor(s.TrigChannel);
    cmbTrigCh.setForeColor(c);
    cmbSlope.setForeColor(c);
    lbLevel.setForeColor(c);
    ScrollLevel.setBackColor(c);
    ScrollLevel.setForeColor(Complement(c));
    if (s.TrigChannel == 2) {
        cmbSlope.setItems({"True", "False"});
        ScrollLevel.setValue(s.TrigDac);
    } else {
        cmbSlope.setItems({"Rising", "Falling"});
        ScrollLevel.setValue(s.TrigLevel[src]);
    }
    cmbSlope.setIndex(s.TrigSlope[src]);
    DisLevel(s.TrigChannel);
    CallComposeScreen(0, 1);
    s.ParamChanged = 1;
}

void TimingPanel::cmbSlope_Click() {
    AppState &s = app();
    if (cmbSlope.index() < 0 || s.TrigChannel < 0 || s.TrigChannel > 2) return;
    s.TrigSlope[static_cast<size_t>(s.TrigChannel)] = static_cast<uint8_t>(cmbSlope.index());
    ChangePara();
}

void TimingPanel::cmbProbe_Click() {
    AppState &s = app();
    if (cmbProbe.index() < 0) return;
    const auto ch = static_cast<size_t>(s.SelChannel);
    s.ProbeIndex[ch] = static_cast<uint8_t>(cmbProbe.index());
    Vdivchange(s.SelChannel);
    cmbVdiv.setIndex(s.VdivIndex[ch]);
    CallComposeScreen(0, 1);
}

void TimingPanel::cmbVdiv_Click() {
    AppState &s = app();
    if (cmbVdiv.index() < 0) return;
    const int ch = s.SelChannel;
    const auto c = static_cast<size_t>(ch);
    const double old = s.ChanScale[c];
    s.VdivIndex[c] = static_cast<uint8_t>(cmbVdiv.index());
    SetChanScale(ch);
    // The trigger level stays at the same voltage: its distance from the position scales.
    if (AnalogTrigger(ch) && s.ChanScale[c] > 0) {
        const int pos = s.ChanPos[c];
        const uint8_t level =
            ClampCode(RoundHalfEven((s.TrigLevel[c] - pos) * old / s.ChanScale[c] + pos));
        s.TrigLevel[c] = level;
        ScrollLevel.setValue(level);
    }
    ChangePara();
    ShowChanScale(ch);
    CallComposeScreen(0, 1);
}

void TimingPanel::cmbCouple_Click() {
    AppState &s = app();
    if (cmbCouple.index() < 0) return;
    s.Coupling[static_cast<size_t>(s.SelChannel)] = static_cast<uint8_t>(cmbCouple.index());
    ChangePara();
}

void TimingPanel::scrlRate_Change() {
    // The list runs from the fastest rate down: "up" is the previous entry.
    const int v = scrlRate.value();
    const int index = cmbRate.index();
    if (v == -1 && index < kRateCount - 1)
        cmbRate.setIndex(index + 1);
    else if (v == 1 && index > 0)
        cmbRate.setIndex(index - 1);
    scrlRate.setValue(0);
}

void TimingPanel::ScrlVdiv_Change() {
    const int v = ScrlVdiv.value();
    const int index = cmbVdiv.index();
    if (v == 1 && index < 8)
        cmbVdiv.setIndex(index + 1);
    else if (v == -1 && index > 0)
        cmbVdiv.setIndex(index - 1);
    ScrlVdiv.setValue(0);
}

void TimingPanel::scrlZoom_Change() {
    const int v = scrlZoom.value();
    const int index = cmbZoom.index();
    if (v == -1 && index < 12)
        cmbZoom.setIndex(index + 1);
    else if (v == 1 && index > 0)
        cmbZoom.setIndex(index - 1);
    scrlZoom.setValue(0);
}

void TimingPanel::ScrollLevel_Change() {
    AppState &s = app();
    const auto value = static_cast<uint8_t>(ScrollLevel.value());
    if (s.TrigChannel == 2) {
        s.TrigDac = value;
    } else if (s.TrigChannel == ChA1 || s.TrigChannel == ChA2) {
        if (CatchWithData()) {
            s.TrigLevel[static_cast<size_t>(s.TrigChannel)] = value;
        } else {
            DrawTbar(s.TrigChannel, 0);
            s.TrigLevel[static_cast<size_t>(s.TrigChannel)] = value;
            CallComposeScreen(0, 0);
            pictures().changed.notify();
        }
    }
    DisLevel(s.TrigChannel);
}

void TimingPanel::ScrollOffset_Change() {
    AppState &s = app();
    const int ch = s.SelChannel;
    const auto c = static_cast<size_t>(ch);
    const int old = s.ChanPos[c];
    s.ChanPos[c] = static_cast<int16_t>(ScrollOffset.value());
    if (!CatchWithData()) {
        CallDrawChanMarker(static_cast<int16_t>(ch), static_cast<int16_t>(old - 5), 0);
        for (int i = ChF1; i >= ChA1; --i)
            if (s.ChanOn[static_cast<size_t>(i)] == 1)
                CallDrawChanMarker(static_cast<int16_t>(i),
                                   static_cast<int16_t>(s.ChanPos[static_cast<size_t>(i)] - 5), 1);
        if (AnalogTrigger(ch)) DrawTbar(s.TrigChannel, 0);
        pictures().changed.notify();
    }
    // The trigger level is a code on the trace: it moves with the trace.
    if (AnalogTrigger(ch)) {
        const uint8_t level = ClampCode(s.TrigLevel[c] + (s.ChanPos[c] - old));
        s.TrigLevel[c] = level;
        ScrollLevel.setValue(level);
    }
    LabelOffset.setText(CalStr((128 - s.ChanPos[c]) * s.ChanScale[c]));
    ShowHbarValue(0);
    ShowHbarValue(1);
}

void ApplyDepth() {
    AppState &s = app();
    TimingPanel &f = form1();
    static constexpr std::array<int32_t, 3> lengths = {2048, 8192, 131072};
    static constexpr std::array<uint8_t, 3> zoomLimits = {6, 7, 11};
    if (s.DepthIndex < lengths.size()) {
        s.RecordLen = lengths[s.DepthIndex];
        s.ZoomIndex = std::min(s.ZoomIndex, zoomLimits[s.DepthIndex]);
        f.cmbZoom.setIndex(s.ZoomIndex);
    }
    s.LastSample = s.RecordLen - 1;
    f.ZoomPara();
    if (f.hooks.SetFFtZoom) f.hooks.SetFFtZoom();
    if (f.hooks.FFtRefresh0) f.hooks.FFtRefresh0();
    for (int k = 0; k < 3; ++k) {
        const auto kk = static_cast<size_t>(k);
        ScrollModel &sb = f.ScrollVbar[kk];
        sb.setMax(kScrollLimit);
        s.BarPos[kk] = std::min(s.BarPos[kk], s.LastSample);
        sb.setValue(s.BarPos[kk]);
        sb.setMax(s.LastSample);
        f.PlaceUpVbar(k);
    }
}

void ApplyTimingSettings() {
    AppState &s = app();
    TimingPanel &f = form1();
    // Every tab shows whether its channel is displayed; the channel controls show the selected.
    const int16_t selected = s.SelChannel;
    for (int t = 0; t < 5; ++t) {
        s.SelChannel = static_cast<int16_t>(t);
        f.lbTab_Click(t);
    }
    s.SelChannel = selected;
    f.lbTab_Click(selected);

    f.ScrollHbar[0].setValue(s.HbarPos[0]);
    f.ScrollHbar[1].setValue(s.HbarPos[1]);
    f.cmbTrigCh.setIndex(s.TrigChannel);
    if (s.TrigChannel >= 0 && s.TrigChannel <= 2)
        f.cmbSlope.setIndex(s.TrigSlope[static_cast<size_t>(s.TrigChannel)]);
    f.ScrollLevel.setValue(
        s.TrigChannel == 2
            ? s.TrigDac
            : s.TrigLevel[static_cast<size_t>(std::clamp<int>(s.TrigChannel, 0, 1))]);
    f.DisLevel(s.TrigChannel);
    f.cmbCapture.setIndex(s.CaptureMode);
    f.cmbDepth.setIndex(s.DepthIndex);
    f.cmbZoom.setIndex(s.ZoomIndex);
    f.cmbRate.setIndex(s.RateIndex);
    ApplyDepth();
}

} // namespace vrx
