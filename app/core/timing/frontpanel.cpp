// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/timing/frontpanel.h"

#include <algorithm>

#include "core/base/catch.h"
#include "core/base/events.h"
#include "core/base/format.h"
#include "core/base/state.h"
#include "core/timing/compose.h"
#include "core/timing/pictures.h"
#include "core/timing/set_color.h"

namespace vrx {

namespace {

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
    return ch == app().trigger.TrigChannel && (ch == TrigA1 || ch == TrigA2);
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

double VdivCodeMv(int vdiv) {
    if (vdiv < 0 || vdiv >= static_cast<int>(kVdivScale1.size())) return 0;
    return kVdivScale1[static_cast<size_t>(vdiv)];
}

QString ChannelScaleText(int ch) {
    const AppState &s = app();
    if (ch < 0 || ch >= kChannels) return {};
    const auto c = static_cast<size_t>(ch);
    const QStringList texts = VdivTexts(s.channels.ProbeIndex[c]);
    const int vdiv = s.channels.VdivIndex[c];
    QString text = vdiv < texts.size() ? texts[vdiv] : QString();
    // F1 of a product is in volts squared, of a quotient without a unit, per division.
    if (ch == ChF1 && s.display.FuOp == 2)
        text += QStringLiteral("V");
    else if (ch == ChF1 && s.display.FuOp == 3)
        text += QStringLiteral("/V");
    return text;
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
    AppState &s = app();
    if (pictures().picScope[0].isNull())
        ResizePictures(s.screen.ScreenSamples, s.display.LogicHeight, s.colors[ColBackground]);
    s.display.DisplayCheck = s.channels.ChanOn;
}

void TimingPanel::ChangePara() {
    AppState &s = app();
    s.run.ParamChanged = 1;
    // A new setting restarts the frequency counter's averages.
    s.run.CounterState[2] = 0;
    s.run.CounterState[3] = 0;
    for (size_t i = 15; i <= 18; ++i)
        s.run.MeasOut[i] = 0;
}

void TimingPanel::Vdivchange(int ch) {
    if (ch < 0 || ch >= kChannels) return;
    cmbVdiv.setItems(VdivTexts(app().channels.ProbeIndex[static_cast<size_t>(ch)]));
    SetChanScale(ch);
}

void TimingPanel::SetChanScale(int ch) {
    if (ch < 0 || ch >= kChannels) return;
    AppState &s = app();
    const int probe = s.channels.ProbeIndex[static_cast<size_t>(ch)];
    if (probe <= 3) {
        double factor = 1;
        for (int p = 0; p < probe; ++p)
            factor *= 10;
        for (size_t i = 0; i < kVdivScale1.size(); ++i)
            s.channels.VdivScale[i] = kVdivScale1[i] * factor;
    }
    const size_t vdiv = s.channels.VdivIndex[static_cast<size_t>(ch)];
    if (vdiv < kVdivScale1.size())
        s.channels.ChanScale[static_cast<size_t>(ch)] = s.channels.VdivScale[vdiv];
}

void TimingPanel::ShowChanScale(int ch) {
    AppState &s = app();
    if (ch < 0 || ch > ChF1 || s.channels.ChanOn[static_cast<size_t>(ch)] == 0) return;
    const auto c = static_cast<size_t>(ch);
    LabelOffset.setText(CalStr((128 - s.channels.ChanPos[c]) * s.channels.ChanScale[c]));
    DrawScaleText(static_cast<int16_t>(ch), 0);
    s.channels.VdivText[c] = ChannelScaleText(ch);
    DrawScaleText(static_cast<int16_t>(ch), 1);
    ShowHbarValue(0);
    ShowHbarValue(1);
    if (AnalogTrigger(ch)) DisLevel(ch);
}

void TimingPanel::RefreshChannel(int ch) {
    if (ch < 0 || ch > ChF1) return;
    AppState &s = app();
    const auto c = static_cast<size_t>(ch);
    const int selected = s.channels.SelChannel;
    DrawScaleText(static_cast<int16_t>(ch), 0);
    SetChanScale(ch);
    // The volts/div table belongs to the lists, which keep showing the selected channel.
    if (selected != ch) SetChanScale(selected);
    s.channels.VdivText[c] = ChannelScaleText(ch);
    if (selected == ch)
        lbTab_Click(ch);
    else if (s.channels.ChanOn[c] != 0)
        DrawScaleText(static_cast<int16_t>(ch), 1);
}

void TimingPanel::DisLevel(int src) {
    AppState &s = app();
    s.run.ParamChanged = 1;
    double mv;
    if (src == ChA1 || src == ChA2) {
        const auto c = static_cast<size_t>(src);
        mv = (s.channels.ChanPos[c] - s.trigger.TrigLevel[c]) * s.channels.ChanScale[c];
    } else if (src == 2) {
        // The logic threshold comparator: variant 2 boards have a finer, offset scale.
        mv = s.records.DevConfig[HW_DC_Variant] == 2 ? (195 - s.trigger.TrigDac) * 30.0
                                                     : (128 - s.trigger.TrigDac) * 50.0;
    } else {
        return;
    }
    lbLevel.setText(CalStr(mv));
}

void TimingPanel::ZoomPara() {
    AppState &s = app();
    if (ScaleWidth > Picture2Left + 2) {
        const auto width = static_cast<int16_t>(std::min(ScaleWidth - Picture2Left - 2, 32767));
        if (width != s.screen.ScreenSamples || pictures().picScope[0].isNull()) {
            s.screen.ScreenSamples = width;
            s.screen.ScreenWidth = {width, width};
            ResizePictures(width, s.display.LogicHeight, s.colors[ColBackground]);
        }
    }
    const double factor = ZoomFactor(s.acquisition.ZoomIndex);
    if (factor > 0) s.view.TimeZoom[0] = factor;
    const double z0 = s.view.TimeZoom[0];
    const double z1 = s.view.TimeZoom[1];
    const double len = s.acquisition.RecordLen > 0 ? s.acquisition.RecordLen : 1;
    s.screen.OverviewWidth = std::max(RoundHalfEven(s.screen.ScreenSamples * z0 * 512 / len), 3);

    // Keep a point of the screen in place across the zoom: the active bar when it was on
    // screen, else pixel 300 (the centre).
    if (z1 > 0) {
        if (s.view.ActiveBar[0] >= 0 && s.view.ActiveBar[0] <= 2) {
            const double b = s.view.BarPos[static_cast<size_t>(s.view.ActiveBar[0])];
            if (b > s.view.ScrollPos && (b - s.view.ScrollPos) / z1 < s.screen.ScreenSamples)
                s.view.ScrollPos = RoundHalfEven(b - (b - s.view.ScrollPos) / z1 * z0);
        } else if (s.view.ActiveBar[0] == 3) {
            s.view.ScrollPos = RoundHalfEven((z1 - z0) * 300 + s.view.ScrollPos);
        }
    }
    // The zoom change is used up: a later resize or depth change keeps the screen where it is.
    s.view.TimeZoom[1] = z0;

    const QString hdiv = CalTime(z0 * 50);
    lbHdiv[0].setText(hdiv);
    lbHdiv[1].setText(hdiv);
    s.screen.ScrollMax =
        std::max(RoundHalfEven(s.acquisition.LastSample - s.screen.ScreenSamples * z0), 0);
    s.view.ScrollPos = std::max(std::min(s.view.ScrollPos, s.screen.ScrollMax), 0);
    Scrollscr.setMax(kScrollLimit);
    Scrollscr.setValue(s.view.ScrollPos);
    Scrollscr.setMax(s.screen.ScrollMax);
    pictures().ImgUpscrWidth = s.screen.OverviewWidth;
    pictures().ImgUpscrLeft = static_cast<int32_t>(int64_t{s.view.ScrollPos} * 512 / len + 100);
    PicturesChanged();
    Publish(Event::TimebaseChanged);
}

void TimingPanel::lbTab_Click(int t) {
    if (t < 0 || t > 4) return;
    AppState &s = app();
    for (int i = 0; i < 5; ++i) {
        auto &tab = lbTab[static_cast<size_t>(i)];
        tab.setEffect(EffectRaised);
        tab.setBackColor(lbProbe.backColor());
        const bool shown = s.channels.ChanOn[static_cast<size_t>(i)] != 0;
        tab.setEnabled(shown);
        tab.setForeColor(shown ? lbProbe.foreColor() : kSysGrayText);
    }
    const auto tt = static_cast<size_t>(t);
    if (s.channels.ChanOn[tt] == 0) return;
    const int32_t c = ChannelColor(t);
    lbTab[tt].setEffect(EffectSunken);
    lbTab[tt].setBackColor(s.colors[ColBackground]);
    lbTab[tt].setForeColor(c);
    s.channels.SelChannel = static_cast<int16_t>(t);

    cmbProbe.setForeColor(c);
    cmbCouple.setForeColor(c);
    cmbVdiv.setForeColor(c);
    LabelOffset.setForeColor(c);
    ScrollOffset.setBackColor(c);
    ScrollOffset.setForeColor(Complement(c));

    cmbProbe.setIndex(s.channels.ProbeIndex[tt]);
    cmbCouple.setIndex(s.channels.Coupling[tt]);
    Vdivchange(t);
    cmbVdiv.setIndex(s.channels.VdivIndex[tt]);
    ScrollOffset.setValue(s.channels.ChanPos[tt]);

    // The memory channels are copies: their scale and position are those of their source.
    const bool live = t == ChA1 || t == ChA2 || t == ChF1;
    ScrollOffset.setEnabled(live);
    cmbProbe.setEnabled(live);
    cmbCouple.setEnabled(live);
    cmbVdiv.setEnabled(live);

    if (!CatchWithData() && AnalogTrigger(t)) {
        DrawTbar(s.trigger.TrigChannel, 1);
        PicturesChanged();
    }
}

void TimingPanel::cmbRate_Click() {
    AppState &s = app();
    s.screen.KeyTarget = cmbRate.tabIndex();
    int index = cmbRate.index();
    if (index < 0) return;
    // Equivalent-time sampling needs an analog trigger and an instrument.
    if (IsEquivalentTime(index) &&
        (s.trigger.TrigChannel == TrigLogic || s.records.DevConfig[HW_DC_Link] == HW_LINK_NONE)) {
        index = kFirstRealTimeRate;
        cmbRate.setIndex(index);
    }
    s.acquisition.RateIndex = static_cast<uint8_t>(index);
    if (IsTimedRate(index)) {
        s.acquisition.SamplePeriod = kRates[static_cast<size_t>(index)].period;
        s.acquisition.SampleRate = kRates[static_cast<size_t>(index)].rate;
    }
    const QString hdiv = CalTime(s.view.TimeZoom[0] * 50);
    lbHdiv[0].setText(hdiv);
    lbHdiv[1].setText(hdiv);
    LabelTimes();
    s.channels.ChanOn[DispLogic] = s.display.DisplayCheck[DispLogic];
    if (!IsEquivalentTime(s.acquisition.RateIndex)) {
        lbRate.setText(QStringLiteral("&Rate"));
        lbRate.setForeColor(lbProbe.foreColor());
    } else {
        // A repetitive record is assembled from many passes: no logic record goes with it.
        s.channels.ChanOn[DispLogic] = 0;
        ClearPicture(pictures().Picture1, s.colors[ColBackground]);
        PicturesChanged();
        lbRate.setText(QStringLiteral("&Rep."));
        lbRate.setForeColor(ImgCenter.backColor());
    }
    ChangePara();
}

void TimingPanel::cmbDepth_Click() {
    AppState &s = app();
    if (cmbDepth.index() < 0) return;
    s.acquisition.DepthIndex = static_cast<uint8_t>(cmbDepth.index());
    ApplyDepth();
    ChangePara();
    // A catch in progress was sized for the old record: stop it.
    if (CatchApplies()) s.run.Running = 0;
}

void TimingPanel::cmbZoom_Click() {
    AppState &s = app();
    if (cmbZoom.index() < 0) return;
    s.view.TimeZoom[1] = s.view.TimeZoom[0];
    s.acquisition.ZoomIndex = static_cast<uint8_t>(cmbZoom.index());
    ApplyDepth();
    ComposeScreen(1, 1);
}

void TimingPanel::cmbCapture_Click() {
    if (cmbCapture.index() < 0) return;
    app().acquisition.CaptureMode = static_cast<uint8_t>(cmbCapture.index());
    ChangePara();
}

void TimingPanel::cmbTrigCh_Click() {
    AppState &s = app();
    if (cmbTrigCh.index() < 0) return;
    s.trigger.TrigChannel = static_cast<int16_t>(cmbTrigCh.index());
    const auto src = static_cast<size_t>(s.trigger.TrigChannel);
    const int32_t c = TriggerSourceColor(s.trigger.TrigChannel);
    cmbTrigCh.setForeColor(c);
    cmbSlope.setForeColor(c);
    lbLevel.setForeColor(c);
    ScrollLevel.setBackColor(c);
    ScrollLevel.setForeColor(Complement(c));
    if (s.trigger.TrigChannel == 2) {
        cmbSlope.setItems({"True", "False"});
        ScrollLevel.setValue(s.trigger.TrigDac);
    } else {
        cmbSlope.setItems({"Rising", "Falling"});
        ScrollLevel.setValue(s.trigger.TrigLevel[src]);
    }
    cmbSlope.setIndex(s.trigger.TrigSlope[src]);
    DisLevel(s.trigger.TrigChannel);
    ComposeScreen(0, 1);
    s.run.ParamChanged = 1;
}

void TimingPanel::cmbSlope_Click() {
    AppState &s = app();
    if (cmbSlope.index() < 0 || s.trigger.TrigChannel < 0 || s.trigger.TrigChannel > 2) return;
    s.trigger.TrigSlope[static_cast<size_t>(s.trigger.TrigChannel)] =
        static_cast<uint8_t>(cmbSlope.index());
    ChangePara();
}

void TimingPanel::cmbProbe_Click() {
    AppState &s = app();
    if (cmbProbe.index() < 0) return;
    const auto ch = static_cast<size_t>(s.channels.SelChannel);
    s.channels.ProbeIndex[ch] = static_cast<uint8_t>(cmbProbe.index());
    Vdivchange(s.channels.SelChannel);
    cmbVdiv.setIndex(s.channels.VdivIndex[ch]);
    ComposeScreen(0, 1);
}

void TimingPanel::cmbVdiv_Click() {
    AppState &s = app();
    if (cmbVdiv.index() < 0) return;
    const int ch = s.channels.SelChannel;
    const auto c = static_cast<size_t>(ch);
    const double old = s.channels.ChanScale[c];
    s.channels.VdivIndex[c] = static_cast<uint8_t>(cmbVdiv.index());
    SetChanScale(ch);
    // The trigger level stays at the same voltage: its distance from the position scales.
    if (AnalogTrigger(ch) && s.channels.ChanScale[c] > 0) {
        const int pos = s.channels.ChanPos[c];
        const uint8_t level = ClampCode(
            RoundHalfEven((s.trigger.TrigLevel[c] - pos) * old / s.channels.ChanScale[c] + pos));
        s.trigger.TrigLevel[c] = level;
        ScrollLevel.setValue(level);
    }
    ChangePara();
    ShowChanScale(ch);
    ComposeScreen(0, 1);
}

void TimingPanel::cmbCouple_Click() {
    AppState &s = app();
    if (cmbCouple.index() < 0) return;
    s.channels.Coupling[static_cast<size_t>(s.channels.SelChannel)] =
        static_cast<uint8_t>(cmbCouple.index());
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
    if (s.trigger.TrigChannel == 2) {
        s.trigger.TrigDac = value;
    } else if (s.trigger.TrigChannel == ChA1 || s.trigger.TrigChannel == ChA2) {
        if (CatchWithData()) {
            s.trigger.TrigLevel[static_cast<size_t>(s.trigger.TrigChannel)] = value;
        } else {
            DrawTbar(s.trigger.TrigChannel, 0);
            s.trigger.TrigLevel[static_cast<size_t>(s.trigger.TrigChannel)] = value;
            ComposeScreen(0, 0);
            PicturesChanged();
        }
    }
    DisLevel(s.trigger.TrigChannel);
}

void TimingPanel::ScrollOffset_Change() {
    AppState &s = app();
    const int ch = s.channels.SelChannel;
    const auto c = static_cast<size_t>(ch);
    const int old = s.channels.ChanPos[c];
    s.channels.ChanPos[c] = static_cast<int16_t>(ScrollOffset.value());
    if (!CatchWithData()) {
        DrawChanMarker(static_cast<int16_t>(ch), static_cast<int16_t>(old - 5), 0);
        for (int i = ChF1; i >= ChA1; --i)
            if (s.channels.ChanOn[static_cast<size_t>(i)] == 1)
                DrawChanMarker(static_cast<int16_t>(i),
                               static_cast<int16_t>(s.channels.ChanPos[static_cast<size_t>(i)] - 5),
                               1);
        if (AnalogTrigger(ch)) DrawTbar(s.trigger.TrigChannel, 0);
        PicturesChanged();
    }
    // The trigger level is a code on the trace: it moves with the trace.
    if (AnalogTrigger(ch)) {
        const uint8_t level = ClampCode(s.trigger.TrigLevel[c] + (s.channels.ChanPos[c] - old));
        s.trigger.TrigLevel[c] = level;
        ScrollLevel.setValue(level);
    }
    LabelOffset.setText(CalStr((128 - s.channels.ChanPos[c]) * s.channels.ChanScale[c]));
    ShowHbarValue(0);
    ShowHbarValue(1);
}

void ApplyDepth() {
    AppState &s = app();
    TimingPanel &f = form1();
    static constexpr std::array<int32_t, 3> lengths = {2048, 8192, 131072};
    static constexpr std::array<uint8_t, 3> zoomLimits = {6, 7, 11};
    if (s.acquisition.DepthIndex < lengths.size()) {
        s.acquisition.RecordLen = lengths[s.acquisition.DepthIndex];
        s.acquisition.ZoomIndex =
            std::min(s.acquisition.ZoomIndex, zoomLimits[s.acquisition.DepthIndex]);
        f.cmbZoom.setIndex(s.acquisition.ZoomIndex);
    }
    s.acquisition.LastSample = s.acquisition.RecordLen - 1;
    f.ZoomPara();
    // Re-stating the bars is not a user's move: the bar a zoom keeps in place stays the one the
    // user moved last.
    const int16_t activeBar = s.view.ActiveBar[0];
    for (int k = 0; k < 3; ++k) {
        const auto kk = static_cast<size_t>(k);
        ScrollModel &sb = f.ScrollVbar[kk];
        sb.setMax(kScrollLimit);
        s.view.BarPos[kk] = std::min(s.view.BarPos[kk], s.acquisition.LastSample);
        sb.setValue(s.view.BarPos[kk]);
        sb.setMax(s.acquisition.LastSample);
        f.PlaceUpVbar(k);
    }
    s.view.ActiveBar[0] = activeBar;
    Publish(Event::DepthChanged);
}

void ApplyTimingSettings() {
    AppState &s = app();
    TimingPanel &f = form1();
    // The zoom of these settings is the one their scroll position was taken at: in force
    // before any control runs, so that no zoom change moves the screen away from it.
    const double zoom = ZoomFactor(s.acquisition.ZoomIndex);
    if (zoom > 0) s.view.TimeZoom = {zoom, zoom};
    // The rate list takes the logic display from the colour dialog's check box.
    s.display.DisplayCheck = s.channels.ChanOn;
    // Every tab shows whether its channel is displayed; the channel controls show the selected.
    const int16_t selected = s.channels.SelChannel;
    for (int t = 0; t < 5; ++t) {
        s.channels.SelChannel = static_cast<int16_t>(t);
        f.lbTab_Click(t);
    }
    s.channels.SelChannel = selected;
    f.lbTab_Click(selected);

    f.ScrollHbar[0].setValue(s.view.HbarPos[0]);
    f.ScrollHbar[1].setValue(s.view.HbarPos[1]);
    f.cmbTrigCh.setIndex(s.trigger.TrigChannel);
    if (s.trigger.TrigChannel >= 0 && s.trigger.TrigChannel <= 2)
        f.cmbSlope.setIndex(s.trigger.TrigSlope[static_cast<size_t>(s.trigger.TrigChannel)]);
    f.ScrollLevel.setValue(
        s.trigger.TrigChannel == 2
            ? s.trigger.TrigDac
            : s.trigger
                  .TrigLevel[static_cast<size_t>(std::clamp<int>(s.trigger.TrigChannel, 0, 1))]);
    f.DisLevel(s.trigger.TrigChannel);
    f.cmbCapture.setIndex(s.acquisition.CaptureMode);
    f.cmbDepth.setIndex(s.acquisition.DepthIndex);
    f.cmbZoom.setIndex(s.acquisition.ZoomIndex);
    f.cmbRate.setIndex(s.acquisition.RateIndex);
    ApplyDepth();
}

} // namespace vrx
