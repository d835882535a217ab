// SPDX-License-Identifier: GPL-3.0-or-later
//
// The pointer and the keys on the timing view: the bars, levels, channel positions and the
// screen moved with the mouse on the trace picture `picScope`, the logic picture `Picture1`
// (left button: bars and screen; right button: a logic row moved to another place) and the
// overview strip `Picture2`; the keyboard steps of the front-panel lists, the screen keys and
// the channel tabs.
//
// Nothing here sets a value directly: a gesture turns pixels into a value and writes it into
// the spinner or scroll bar of that value (`ScrollVbar`, `ScrollHbar`, `ScrollLevel`,
// `ScrollOffset`, `Scrollscr`), whose change handler does the work, exactly as when the user
// moves that control. The window only forwards its events here, with the instrument's
// conventions: buttons 1 left, 2 right, 4 middle (or'ed while held); shift 1 Shift, 2 Ctrl,
// 4 Alt; key codes of the keyboard (`kKey...`); coordinates in picture pixels.
//
// Where a gesture gives a control the key focus, `TakeFocus` is called with that control's
// model; the window focuses the widget bound to it.
#pragma once

#include <cstdint>
#include <functional>

#include "core/base/controls.h"

namespace vrx {

// Mouse buttons and modifier keys.
constexpr int kLeftButton = 1, kRightButton = 2, kMiddleButton = 4;
constexpr int kShiftMask = 1, kCtrlMask = 2, kAltMask = 4;
// Key codes of the keys the view acts on.
constexpr int kKeyPageUp = 33, kKeyPageDown = 34, kKeyEnd = 35, kKeyHome = 36, kKeyLeft = 37,
              kKeyRight = 39, kKeyAdd = 107, kKeySubtract = 109;
// Pointer shapes: the default and the north-south sizing arrow over a grab band.
constexpr int16_t kPointerDefault = 0, kPointerSizeNS = 7;
// Key target after a click on a picture; above it the letter keys belong to a text box.
constexpr int16_t kPictureKeyTarget = 20;

class TimingGestures {
  public:
    TimingGestures();
    TimingGestures(const TimingGestures &) = delete;
    TimingGestures &operator=(const TimingGestures &) = delete;

    // The track marker beside the logic lanes ("Mouse right down to move Track"): shown while
    // a row is moved, at the row's new place.
    FrameModel PicIndex;

    // Called when a gesture gives a control the key focus.
    std::function<void(ControlBase &)> TakeFocus;

    // ---- Trace picture -------------------------------------------------------------------------
    void picScope_MouseDown(int button, int shift, double x, double y);
    void picScope_MouseMove(int button, int shift, double x, double y);
    void picScope_MouseUp(int button, int shift, double x, double y);
    void picScope_KeyDown(int keyCode, int shift);

    // ---- Logic picture -------------------------------------------------------------------------
    void Picture1_MouseDown(int button, int shift, double x, double y);
    void Picture1_MouseMove(int button, int shift, double x, double y);
    void Picture1_MouseUp(int button, int shift, double x, double y);
    void Picture1_KeyDown(int keyCode, int shift);

    // ---- Overview strip (left button only) -----------------------------------------------------
    void Picture2_MouseDown(int button, int shift, double x, double y);
    void Picture2_MouseMove(int button, int shift, double x, double y);
    void Picture2_MouseUp(int button, int shift, double x, double y);

    // ---- Keys on the window (seen before the control with the focus) ---------------------------
    // True when the key was used.
    bool Form_KeyDown(int keyCode, int shift);
    bool Form_KeyPress(int keyAscii);
    // A list stepped by its letter key: the first press only gives it the key focus; a
    // disabled list ignores the key.
    void Rep_Key(ListModel &list, int last);
    // A control of the window got the key focus: the keys act on it from now on.
    void FocusGot(const ControlBase &control);

    // ---- Mouse wheel ---------------------------------------------------------------------------
    // `steps` notches (positive: away from the user). Without Ctrl the screen scrolls one
    // division a notch, away from the user towards the record's start; with Ctrl the time zoom
    // steps in (away) or out, keeping the sample under trace column `x` in place.
    void Wheel(int steps, int shift, double x);

  private:
    // The bar and screen rules of a left press, shared by the trace and the logic picture.
    void GrabBarOrScreen(double x, bool snap);
    // A left drag of a bar or of the screen (modes 0..3).
    void DragBarOrScreen(double x);
    // The screen keys; false for another key.
    bool ScreenKey(int keyCode);
    // Writes a screen position, kept within the record, into `Scrollscr`.
    void ScrollTo(double pos);
    void NextShownTab();
    void Focus(ControlBase &c);
    // Logic row moved with the right button.
    void PickRow(double y);
    void TrackRow(double y);
    void DropRow();
};

// The gestures of the timing view.
TimingGestures &gestures();

// The band of the trace picture at (x, y), by the first that matches: the analog trigger level
// (4), the markers of A1 and A2 left of x = 12 (5, 6) or H1 and H2 right of it (11, 12), the
// marker of F1 (9); -1 outside them (a press there grabs a bar or the screen). Markers of hidden
// channels and hidden H bars are not grabbed.
int16_t ScopeBand(double x, double y);

} // namespace vrx
