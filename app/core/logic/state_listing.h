// SPDX-License-Identifier: GPL-3.0-or-later
//
// The state listing `frmState` ("State display"): the captured logic samples D15..D0 as text,
// one sample per row, as a logic analyser's state view shows them. Each row holds the sample
// number (the screen position plus the row), the sixteen inputs split into two or three buses,
// each bus in "Binary", "Hex+Asc" or "Dec+Asc", and the mnemonic of the first enabled entry of
// the mnemonic table whose pattern the whole word matches.
//
// The listing starts at the timing view's screen position (`ScrollPos`), so both show the same
// place; scrolling the listing moves the timing view's screen scroller, and every drawing of the
// traces redraws the listing while it is open (`StateOn`). The settings live in `app().logic`.
//
// ASCII column: a byte 0x20..0x7E is shown as its character; every other byte (the control
// codes 0x00..0x1F, DEL 0x7F and the bytes 0x80..0xFF, which are not ASCII) is shown as a
// middle dot "·" (U+00B7). No byte is shown as that dot in its own right, so a dot always
// means "not printable" and a "." is always the byte 0x2E.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include <QImage>
#include <QString>

#include "core/base/controls.h"
#include "core/timing/fixed_text.h"

namespace vrx {

constexpr int kStateRows = 41;     // rows of the listing
constexpr int kStateRowPitch = 15; // pixels from one row to the next
constexpr int kStatePictureWidth = 470;
constexpr int kStatePictureHeight = kStateRows * kStateRowPitch;
constexpr QChar kNotPrintable = QChar(0x00B7);

// The bus formats of `cmbState(b)`.
enum BusFormatIndex : int16_t { FormatBinary = 0, FormatHexAsc = 1, FormatDecAsc = 2 };

// One bus of an arrangement: its highest input and its width in inputs (0: no such bus).
struct BusSpan {
    int high = 0;
    int width = 0;
};
// Bus b (0..2) of arrangement a (0..3).
BusSpan ArrangedBus(int arrangement, int bus);

// The ASCII column's character of a byte (see the header comment).
QChar AsciiChar(uint8_t byte);

// The texts of one row of the listing.
struct StateRowText {
    QString number;
    std::array<QString, 3> bus; // empty for a bus the arrangement does not have
    QString mnemonic;
};

class StateListing {
  public:
    StateListing();
    StateListing(const StateListing &) = delete;
    StateListing &operator=(const StateListing &) = delete;

    // ---- Controls ----------------------------------------------------------------------------
    ListModel cmbArrange;               // the four splits drawn as masks
    std::array<ListModel, 3> cmbState;  // "Binary", "Hex+Asc", "Dec+Asc"
    std::array<TextModel, 3> txtBus;    // "Edit bus name"; their left edges set the columns
    LabelModel lbPosition;              // "Position", above the sample numbers
    LabelModel Label1;                  // "State code", above the mnemonics
    LabelModel lbKeys;                  // "Key function:" "Home End PageUp down"
    CheckModel cmdMnemonic;             // "Mnemonic": shows or hides the mnemonic setup
    LabelModel fmMnemonic;              // the frame "Mnemonic setup": only its visibility
    std::array<CheckModel, 16> chkCode; // entry enabled
    // pattern, 16 characters "0", "1", "x", D15 first; any other text matches nothing and
    // marks its box (unless it is empty and its entry is off)
    std::array<TextModel, 16> txtCode;
    std::array<TextModel, 16> txtMnem; // mnemonic text

    // ---- The listing and its columns (x in the listing's pixels) -----------------------------
    QImage Picture1;
    static constexpr int32_t kPositionLeft = 0, kPositionWidth = 64;
    static constexpr std::array<int32_t, 3> kBusLeft{70, 170, 270};
    static constexpr int32_t kMnemonicLeft = 370;

    // ---- Procedures ---------------------------------------------------------------------------
    // Every control from the stored settings.
    void StartState();
    // Redraws the listing from the screen position.
    void Stateshow();
    // The listing to show: a new record only marks it due (the window shows one a frame of the
    // screen, the records may come a thousand a second); it is drawn here when it is shown.
    const QImage &Shown();
    // The texts of the row that shows record position `position`; false past the record.
    bool RowText(int32_t position, StateRowText &row) const;
    // The window opened (StartState, Stateshow) or closed: the open flag follows.
    void Open();
    void Unload();
    // A drawing of the traces: the listing follows while it is open (drawn when shown).
    void OnTracesDrawn();

    // ---- Handlers ---------------------------------------------------------------------------
    void cmbArrange_Click();
    void cmbState_Click(int b);
    void cmdMnemonic_Click();
    // Home, End, Up, Down, Page Up, Page Down (Qt key codes); other keys do nothing.
    void Picture1_KeyDown(int key);
    // Left button only; y in the listing's pixels.
    void Picture1_MouseDown(int y);
    void Picture1_MouseMove(int y);

  private:
    // Moves the screen position (kept within 0 .. ScrollMax) through the timing view's screen
    // scroller, so that the timing view, its scroller and this listing all follow.
    void ScrollTo(int64_t position);
    // Marks pattern box i when it holds no valid pattern.
    void MarkCode(size_t i);
    int dragY_ = 0;
    bool due_ = false; // a record came since the listing was drawn
    void DrawListing();
    // The listing's glyphs, looked up at the first drawing of an application (they hold font
    // data, which goes before the application does).
    std::unique_ptr<FixedText> text_;
};

// The state listing of the program.
StateListing &frmState();

} // namespace vrx
