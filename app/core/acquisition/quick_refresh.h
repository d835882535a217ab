// SPDX-License-Identifier: GPL-3.0-or-later
//
// Quick refresh of the timing view during a software catch at 50 Sa/s and faster, where a full
// composition after every sample would outlast the sample period. One redraw is spread over
// eight calls, one per caught sample, each doing an eighth of the work in the hidden trace
// picture; every eighth sample the hidden and the visible picture swap, so the user always sees a
// complete frame at most eight samples old.
//
// Phase = CatchCount mod 8:
//   0  show picScope(DrawPic), flip DrawPic, hide and clear the new one, grid
//   1  A1 trace        2  A2 trace
//   3  clear the logic picture, logic rows 0..3      4..6  rows 4..7, 8..11, 12..15
//   7  overview strip (with "Zoom view")
#pragma once

#include <cstdint>

namespace vrx {

// DrawLogic and DrawGrid: 1 draws that part.
void Softfresh0(int16_t DrawLogic, int16_t DrawGrid);

} // namespace vrx
