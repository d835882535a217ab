// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/timing/set_color.h"

#include "core/base/events.h"
#include "core/base/state.h"
#include "core/timing/frontpanel.h"
#include "core/timing/pictures.h"

namespace vrx {

namespace {

int32_t Entry(int i) {
    return app().colors[i];
}

void Paint(ControlBase &m, int32_t fore, int32_t back) {
    m.setForeColor(fore);
    m.setBackColor(back);
}

} // namespace

int32_t TriggerSourceColor(int src) {
    switch (src) {
    case 0:
        return Entry(ColA1);
    case 1:
        return Entry(ColA2);
    default:
        return Entry(ColD0);
    }
}

void SetColor() {
    const AppState &s = app();
    TimingPanel &f = form1();
    const int32_t bg = Entry(ColBackground);
    const int32_t text = Entry(ColUpScreen);

    for (auto &l : f.lbHdiv)
        Paint(l, text, bg);
    for (int k = 0; k < 3; ++k) {
        const auto i = static_cast<size_t>(k);
        Paint(f.lbVbar[i], Entry(ColV1 + k), bg);
        Paint(f.ScrollVbar[i], Complement(Entry(ColV1 + k)), Entry(ColV1 + k));
    }
    for (int k = 0; k < 2; ++k) {
        const auto i = static_cast<size_t>(k);
        Paint(f.lbHbar[i], Entry(ColV1 + k), bg);
        Paint(f.ScrollHbar[i], Complement(Entry(ColV1 + k)), Entry(ColV1 + k));
    }
    // The remaining readouts of the bar strip: background and readout text; the pre-trigger
    // labels in the trigger bar's colour.
    Paint(f.lbScr, text, bg);
    Paint(f.lbH1H2, text, bg);
    Paint(f.lbPretrig, Entry(ColTrigger), bg);
    Paint(f.lbx10, Entry(ColTrigger), bg);

    const int32_t trig = TriggerSourceColor(s.trigger.TrigChannel);
    for (ControlBase *m :
         std::initializer_list<ControlBase *>{&f.lbLevel, &f.cmbTrigCh, &f.cmbSlope})
        Paint(*m, trig, bg);
    Paint(f.ScrollLevel, Complement(trig), trig);

    const int32_t chan = ChannelColor(s.channels.SelChannel);
    for (ControlBase *m : std::initializer_list<ControlBase *>{&f.cmbProbe, &f.cmbCouple,
                                                               &f.cmbVdiv, &f.LabelOffset})
        Paint(*m, chan, bg);
    Paint(f.ScrollOffset, Complement(chan), chan);
    // The tabs take their looks from the tab logic.
    f.lbTab_Click(s.channels.SelChannel);

    // Main window status area: the bar readouts in their bars' colours (V1-V2 in V1's, the
    // trigger distances in the trigger's); the acquisition loop paints its state texts when
    // `ColorsChanged` is published.
    Paint(f.lbv1v2, Entry(ColV1), bg);
    for (auto &l : f.lbT_V)
        Paint(l, Entry(ColTrigger), bg);

    PicturesChanged();
    Publish(Event::ColorsChanged);
}

} // namespace vrx
