// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/timing/gestures.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>

#include "core/base/events.h"
#include "core/base/format.h"
#include "core/base/state.h"
#include "core/timing/frontpanel.h"
#include "core/timing/pictures.h"

namespace vrx {

namespace {

constexpr int kBand = 5;              // half-height of a grab band, bounds excluded
constexpr int kMarkerColumns = 12;    // the channel markers stand left of this column
constexpr double kDelayScale = 65354; // overview pixels of a delay, as the marks are placed

bool InBand(double v, double centre) {
    return centre - kBand < v && v < centre + kBand;
}

bool AnalogTriggerSource() {
    const int16_t src = app().trigger.TrigChannel;
    return src == TrigA1 || src == TrigA2;
}

bool ZoomAlignAuto() {
    return app().view.ActiveBar[1] == 4;
}

int32_t Code(double y) {
    return std::clamp(RoundHalfEven(y), 0, 255);
}

bool BandMode(int16_t mode) {
    return mode >= 4 && mode != 33;
}

} // namespace

TimingGestures &gestures() {
    static TimingGestures g;
    return g;
}

TimingGestures::TimingGestures() {
    PicIndex.setToolTip(QStringLiteral("Mouse right down to move Track"));
    PicIndex.setVisible(false);
}

int16_t ScopeBand(double x, double y) {
    const AppState &s = app();
    const auto &pos = s.channels.ChanPos;
    const auto &on = s.channels.ChanOn;
    const bool markers = x < kMarkerColumns;
    // The level of a logic trigger source is not a row of the trace picture.
    if (!markers && AnalogTriggerSource() &&
        InBand(y, s.trigger.TrigLevel[static_cast<size_t>(s.trigger.TrigChannel)]))
        return 4;
    for (size_t k = 0; k < 2; ++k) {
        if (markers && on[k] == 1 && InBand(y, pos[k])) return static_cast<int16_t>(5 + k);
        if (!markers && s.display.HbarOn != 0 && InBand(y, s.view.HbarPos[k]))
            return static_cast<int16_t>(11 + k);
    }
    if (markers && on[ChF1] == 1 && InBand(y, pos[ChF1])) return 9;
    return -1;
}

void TimingGestures::Focus(ControlBase &c) {
    if (TakeFocus) TakeFocus(c);
}

void TimingGestures::FocusGot(const ControlBase &control) {
    app().screen.KeyTarget = control.tabIndex();
}

void TimingGestures::ScrollTo(double pos) {
    const AppState &s = app();
    bars().Scrollscr.setValue(std::clamp(RoundHalfEven(pos), 0, std::max(s.screen.ScrollMax, 0)));
}

// ---- Trace picture ------------------------------------------------------------------------------

void TimingGestures::picScope_MouseDown(int, int, double x, double y) {
    AppState &s = app();
    s.screen.KeyTarget = kPictureKeyTarget;
    const int16_t mode = ScopeBand(x, y);
    if (mode < 0) return GrabBarOrScreen(x, false);
    s.pointer.DragMode = mode;
    if (mode >= 5 && mode <= 9) form1().ScrollOffset.setEnabled(true);
}

void TimingGestures::GrabBarOrScreen(double x, bool snap) {
    AppState &s = app();
    const double zoom = s.view.TimeZoom[0];
    for (int16_t k = 0; k < 3 && zoom > 0; ++k) {
        if (!InBand(x, (s.view.BarPos[static_cast<size_t>(k)] - s.view.ScrollPos) / zoom)) continue;
        s.pointer.DragMode = k;
        Focus(bars().ScrollVbar[static_cast<size_t>(k)]);
        if (ZoomAlignAuto()) s.view.ActiveBar[0] = k;
        return;
    }
    s.pointer.DragMode = 3;
    // Magnified, a sample is several pixels wide: the drag starts on a sample's edge.
    if (snap && zoom > 0 && zoom < 1) x = std::floor(x * zoom) / zoom;
    s.pointer.DragStartX = static_cast<float>(x);
    if (ZoomAlignAuto()) s.view.ActiveBar[0] = 3;
}

void TimingGestures::DragBarOrScreen(double x) {
    AppState &s = app();
    const double zoom = s.view.TimeZoom[0];
    const int16_t mode = s.pointer.DragMode;
    if (mode >= 0 && mode <= 2) {
        const double v = std::min(x * zoom + s.view.ScrollPos, double(s.acquisition.LastSample));
        bars().ScrollVbar[static_cast<size_t>(mode)].setValue(RoundHalfEven(v));
    } else if (mode == 3) {
        const double target = (s.pointer.DragStartX - x) * zoom + s.view.ScrollPos;
        const int32_t whole = RoundHalfEven(target);
        // A fraction of a sample not yet scrolled stays with the start, so that slow drags at the
        // magnified zooms move the screen too; at the record's ends the start is the pointer.
        const bool inside = whole >= 0 && whole <= s.screen.ScrollMax && zoom > 0;
        s.pointer.DragStartX = static_cast<float>(inside ? x + (target - whole) / zoom : x);
        ScrollTo(target);
    }
}

void TimingGestures::picScope_MouseMove(int button, int, double x, double y) {
    AppState &s = app();
    TimingPanel &f = form1();
    x = std::max(x, 0.0);
    const int16_t mode = s.pointer.DragMode;
    if (button & kLeftButton) {
        if (mode <= 3) {
            DragBarOrScreen(x);
        } else if (mode == 4) {
            if (AnalogTriggerSource()) {
                f.ScrollLevel.setValue(Code(y));
                Focus(f.ScrollLevel);
            }
        } else if (mode >= 5 && mode <= 9) {
            if (mode - 5 != s.channels.SelChannel) f.lbTab_Click(mode - 5);
            f.ScrollOffset.setValue(Code(y));
            Focus(f.ScrollOffset);
        } else if (mode == 11 || mode == 12) {
            bars().ScrollHbar[static_cast<size_t>(mode - 11)].setValue(Code(y));
        }
    }
    // The sizing arrow over a band, and for as long as a band is dragged.
    const bool sizing = ScopeBand(x, y) >= 0 || ((button & kLeftButton) && BandMode(mode));
    s.pointer.MousePointer = sizing ? kPointerSizeNS : kPointerDefault;
}

void TimingGestures::picScope_MouseUp(int, int, double, double) {
    AppState &s = app();
    s.pointer.DragMode = 3;
    s.pointer.DragStartX = 0;
    s.pointer.MousePointer = kPointerDefault;
}

bool TimingGestures::ScreenKey(int keyCode) {
    const AppState &s = app();
    // Left and Right a sample, Page Up and Page Down a division.
    static constexpr std::pair<int, int> kSteps[] = {
        {kKeyLeft, -1}, {kKeyRight, 1}, {kKeyPageUp, -50}, {kKeyPageDown, 50}};
    if (keyCode == kKeyHome) {
        ScrollTo(0);
    } else if (keyCode == kKeyEnd) {
        ScrollTo(s.screen.ScrollMax);
    } else {
        const auto *step = std::find_if(std::begin(kSteps), std::end(kSteps),
                                        [keyCode](const auto &k) { return k.first == keyCode; });
        if (step == std::end(kSteps)) return false;
        ScrollTo(s.view.ScrollPos + step->second);
    }
    return true;
}

void TimingGestures::picScope_KeyDown(int keyCode, int) {
    ScreenKey(keyCode);
    app().screen.KeyTarget = kPictureKeyTarget;
}

// ---- Logic picture ------------------------------------------------------------------------------

void TimingGestures::Picture1_MouseDown(int button, int shift, double x, double y) {
    AppState &s = app();
    if (s.pointer.PickedRow < 16) s.pointer.PickedRow = 16;
    s.screen.KeyTarget = kPictureKeyTarget;
    const int code = shift * 10 + button;
    if (code == kLeftButton)
        GrabBarOrScreen(x, s.acquisition.ZoomIndex < 5);
    else if (code == kRightButton)
        PickRow(y);
}

void TimingGestures::Picture1_MouseMove(int button, int shift, double x, double y) {
    const int16_t mode = app().pointer.DragMode;
    if (shift * 10 + button == kLeftButton && mode <= 3)
        DragBarOrScreen(std::max(x, 0.0));
    else if ((button & kRightButton) && mode == 33)
        TrackRow(y);
}

void TimingGestures::Picture1_MouseUp(int button, int, double, double) {
    AppState &s = app();
    if (button == kRightButton && s.pointer.DragMode == 33) DropRow();
    if (button == kLeftButton || button == kRightButton) {
        s.pointer.DragMode = 3;
        s.pointer.DragStartX = 0;
    }
}

void TimingGestures::Picture1_KeyDown(int keyCode, int) {
    ScreenKey(keyCode);
}

void TimingGestures::PickRow(double y) {
    AppState &s = app();
    const int h = std::max<int>(s.display.LogicHeight, 1);
    const int row = std::clamp(static_cast<int>(std::floor(y / h)), 0, 15);
    const int channel =
        s.logic.Sequence[static_cast<size_t>((row + s.logic.ScrollChValue) & 15)] & 15;
    s.pointer.PickedRow = static_cast<int16_t>(channel);
    s.pointer.DragMode = 33;
    // The logic panel shows the picked row's name box in inverse colours.
    Publish(Event::LogicRowPicked);
    PicIndex.setVisible(true);
    TrackRow(y);
}

void TimingGestures::TrackRow(double y) {
    const AppState &s = app();
    if (s.pointer.PickedRow >= 16) return;
    const int h = std::max<int>(s.display.LogicHeight, 1);
    const int top = std::clamp(RoundHalfEven(y - h / 2), 0, 15 * h);
    PicIndex.place(top, h);
    // The picked row's frame beside the lanes follows the marker.
    Publish(Event::LogicRowDragged);
}

void TimingGestures::DropRow() {
    AppState &s = app();
    const int h = std::max<int>(s.display.LogicHeight, 1);
    PicIndex.setVisible(false);
    if (s.pointer.PickedRow >= 16) return;
    const int row = std::clamp((PicIndex.top() + h / 2) / h, 0, 15);
    const auto target = static_cast<size_t>((row + s.logic.ScrollChValue) & 15);
    auto rows = s.logic.Sequence.begin();
    const auto from = std::find(rows, rows + 16, static_cast<uint8_t>(s.pointer.PickedRow));
    if (from != rows + 16) {
        // Taken out and put in at the target row; the rows between shift by one.
        if (rows + target > from)
            std::rotate(from, from + 1, rows + target + 1);
        else
            std::rotate(rows + target, from, from + 1);
    }
    // The logic panel puts every row beside its lane in the new order and redraws the lanes
    // and the bars over them.
    Publish(Event::LogicRowDropped);
}

// ---- Overview strip ----------------------------------------------------------------------------

void TimingGestures::Picture2_MouseDown(int button, int, double x, double) {
    AppState &s = app();
    if (!(button & kLeftButton)) return;
    s.screen.KeyTarget = kPictureKeyTarget;
    const double len = std::max(s.acquisition.RecordLen, 1);
    for (int16_t k = 0; k < 3; ++k) {
        const int32_t pos = s.view.BarPos[static_cast<size_t>(k)];
        const double m = pos >= 0 ? pos * 512.0 / len + 101 : pos * 100.0 / kDelayScale + 101;
        if (InBand(x, m)) {
            s.pointer.OverviewDrag = k;
            return;
        }
    }
    s.pointer.OverviewDrag = 3;
    Focus(bars().Scrollscr);
    s.pointer.DragStartX = static_cast<float>(x - pictures().ImgUpscrLeft);
    if (ZoomAlignAuto()) s.view.ActiveBar[0] = 3;
}

void TimingGestures::Picture2_MouseMove(int button, int, double x, double) {
    const AppState &s = app();
    if (!(button & kLeftButton)) return;
    const double len = s.acquisition.RecordLen;
    const double last = s.acquisition.LastSample;
    const int16_t k = s.pointer.OverviewDrag;
    if (k == 0 || k == 1) {
        const double v = std::min((std::clamp(x, 100.0, 612.0) - 100) * len / 512, last);
        bars().ScrollVbar[static_cast<size_t>(k)].setValue(RoundHalfEven(v));
    } else if (k == 2) {
        // Left of the record the strip shows a trigger delay, which equivalent-time sampling
        // does not have.
        x = std::clamp(x, 0.0, 612.0);
        const double v = x >= 100 ? (x - 100) * len / 512 : (x - 100) * -kLongestDelay / 100;
        const double lo = IsEquivalentTime(s.acquisition.RateIndex) ? 0 : kLongestDelay;
        bars().ScrollVbar[2].setValue(RoundHalfEven(std::clamp(v, lo, last)));
    } else {
        ScrollTo((x - s.pointer.DragStartX - 100) * len / 512);
    }
}

void TimingGestures::Picture2_MouseUp(int, int, double, double) {
    app().pointer.OverviewDrag = 3;
    app().pointer.DragStartX = 0;
}

// ---- Keys and wheel -----------------------------------------------------------------------------

void TimingGestures::NextShownTab() {
    const AppState &s = app();
    int t = s.channels.SelChannel;
    for (int i = 0; i < 5; ++i) {
        t = t >= 4 ? 0 : t + 1;
        if (s.channels.ChanOn[static_cast<size_t>(t)] == 1) break;
    }
    form1().lbTab_Click(t);
}

bool TimingGestures::Form_KeyDown(int keyCode, int) {
    if (keyCode != kKeyAdd && keyCode != kKeySubtract) return false;
    NextShownTab();
    return true;
}

bool TimingGestures::Form_KeyPress(int keyAscii) {
    if (app().screen.KeyTarget > kPictureKeyTarget) return false;
    // The letter of each list and the list's last index.
    struct LetterList {
        char key;
        ListModel TimingPanel::*list;
        int last;
    };
    static constexpr LetterList kLists[] = {{'r', &TimingPanel::cmbRate, kRateCount - 1},
                                            {'d', &TimingPanel::cmbDepth, 2},
                                            {'z', &TimingPanel::cmbZoom, 12},
                                            {'u', &TimingPanel::cmbCapture, 2},
                                            {'t', &TimingPanel::cmbTrigCh, 2},
                                            {'s', &TimingPanel::cmbSlope, 1},
                                            {'v', &TimingPanel::cmbVdiv, 8},
                                            {'p', &TimingPanel::cmbProbe, 3},
                                            {'c', &TimingPanel::cmbCouple, 2}};
    TimingPanel &f = form1();
    const int key = keyAscii >= 'A' && keyAscii <= 'Z' ? keyAscii - 'A' + 'a' : keyAscii;
    for (const LetterList &l : kLists) {
        if (l.key != key) continue;
        Rep_Key(f.*l.list, l.last);
        return true;
    }
    if (key == 'o' || key == 'l') {
        ScrollModel &bar = key == 'o' ? f.ScrollOffset : f.ScrollLevel;
        if (bar.enabled()) Focus(bar);
    } else if (key == 'g')
        Publish(Event::GoKeyPressed); // the acquisition loop acts as on the toolbar's "Go"
    else if (key == ' ')
        NextShownTab();
    else
        return false;
    return true;
}

void TimingGestures::Rep_Key(ListModel &list, int last) {
    // A disabled list takes no key: the scale lists of a memory channel show the scale it was
    // copied with, and stepping them would make its readouts wrong.
    if (!list.enabled()) return;
    AppState &s = app();
    if (list.tabIndex() == s.screen.KeyTarget) {
        int next = list.index() + 1;
        // The short lists wrap; rate, volts/div and zoom stop at their last entry.
        if (next > last) next = last < 8 ? 0 : last;
        list.setIndex(next);
    }
    s.screen.KeyTarget = list.tabIndex();
    Focus(list);
}

void TimingGestures::Wheel(int steps, int shift, double x) {
    const AppState &s = app();
    if (steps == 0) return;
    if (shift & kCtrlMask) {
        ListModel &zoom = form1().cmbZoom;
        const int index = std::clamp(zoom.index() - steps, 0, 12);
        if (index == zoom.index()) return;
        const double sample = s.view.ScrollPos + x * s.view.TimeZoom[0];
        zoom.setIndex(index);
        ScrollTo(sample - x * s.view.TimeZoom[0]);
        return;
    }
    ScrollTo(s.view.ScrollPos - steps * 50 * s.view.TimeZoom[0]);
}

} // namespace vrx
