// SPDX-License-Identifier: GPL-3.0-or-later
#include "main/quick_refresh_logic.h"

#include "core/compose.h"
#include "core/pictures.h"
#include "core/state.h"

namespace vrx {

void Softfresh0(int16_t DrawLogic, int16_t DrawGrid) {
    AppState &s = app();
    TimingPictures &p = pictures();
    // The first sample on screen, as the measurements see it.
    s.TestStart = s.ViewStart[0] + s.ScrollPos;
    const bool logic = s.ChanOn[DispLogic] == 1 && DrawLogic == 1;

    switch (s.CatchCount & 7) {
    case 0: {
        // The frame finished in the last eight calls becomes visible; drawing moves on to the
        // other picture.
        p.picScopeVisible[static_cast<size_t>(s.DrawPic & 1)] = true;
        s.DrawPic = static_cast<int16_t>((s.DrawPic + 1) & 1);
        const auto hidden = static_cast<size_t>(s.DrawPic);
        p.picScopeVisible[hidden] = false;
        ClearPicture(p.picScope[hidden], s.Colors[0]);
        if (s.ChanOn[DispGrid] == 1 && DrawGrid == 1 && !p.picScope[hidden].isNull()) {
            hw_surface surf = Surface(p.picScope[hidden]);
            Grid(&surf, static_cast<uint32_t>(s.Colors[22]), s.ScreenSamples);
        }
        break;
    }
    case 1:
        if (s.ChanOn[DispA1] == 1) DrawAnalogTrace(ChA1);
        break;
    case 2:
        if (s.ChanOn[DispA2] == 1) DrawAnalogTrace(ChA2);
        break;
    case 3:
        if (!logic) break;
        ClearPicture(p.Picture1, s.Colors[0]);
        p.Picture1AutoRedraw = false;
        [[fallthrough]];
    case 4:
    case 5:
    case 6:
        if (!logic) break;
        for (int k = 0; k < 4; ++k)
            DrawLogicRow(static_cast<int16_t>(4 * ((s.CatchCount & 7) - 3) + k));
        break;
    case 7:
        if (s.ZoomView != 0) DrawOverviewStrip();
        break;
    }
    p.changed.notify();
}

} // namespace vrx
