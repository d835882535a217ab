// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/acquisition/quick_refresh.h"

#include "core/base/state.h"
#include "core/timing/compose.h"
#include "core/timing/pictures.h"

namespace vrx {

void Softfresh0(int16_t DrawLogic, int16_t DrawGrid) {
    AppState &s = app();
    TimingPictures &p = pictures();
    // The first sample on screen, as the measurements see it.
    s.run.TestStart = s.view.ViewStart[0] + s.view.ScrollPos;
    const bool logic = s.channels.ChanOn[DispLogic] == 1 && DrawLogic == 1;

    switch (s.run.CatchCount & 7) {
    case 0: {
        // The frame finished in the last eight calls becomes visible; drawing moves on to the
        // other picture.
        p.picScopeVisible[static_cast<size_t>(s.run.DrawPic & 1)] = true;
        s.run.DrawPic = static_cast<int16_t>((s.run.DrawPic + 1) & 1);
        const auto hidden = static_cast<size_t>(s.run.DrawPic);
        p.picScopeVisible[hidden] = false;
        ClearPicture(p.picScope[hidden], s.colors[ColBackground]);
        if (s.channels.ChanOn[DispGrid] == 1 && DrawGrid == 1 && !p.picScope[hidden].isNull()) {
            hw_surface surf = Surface(p.picScope[hidden]);
            Grid(&surf, static_cast<uint32_t>(s.colors[ColGrid]), s.screen.ScreenSamples);
        }
        break;
    }
    case 1:
        if (s.channels.ChanOn[DispA1] == 1) DrawAnalogTrace(ChA1);
        break;
    case 2:
        if (s.channels.ChanOn[DispA2] == 1) DrawAnalogTrace(ChA2);
        break;
    case 3:
        if (!logic) break;
        ClearPicture(p.Picture1, s.colors[ColBackground]);
        p.Picture1AutoRedraw = false;
        [[fallthrough]];
    case 4:
    case 5:
    case 6:
        if (!logic) break;
        for (int k = 0; k < 4; ++k)
            DrawLogicRow(static_cast<int16_t>(4 * ((s.run.CatchCount & 7) - 3) + k));
        break;
    case 7:
        if (s.display.ZoomView != 0) DrawOverviewStrip();
        break;
    }
    PicturesChanged();
}

} // namespace vrx
