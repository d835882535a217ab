// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/logic/state_listing.h"

#include <algorithm>
#include <vector>

#include <QCoreApplication>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QtCore/qnamespace.h>

#include "core/base/colors.h"
#include "core/base/format.h"
#include "core/base/state.h"
#include "core/timing/bars.h"
#include "core/timing/pictures.h"
#include "hwlink.h"

namespace vrx {

namespace {

// The splits as `cmbArrange` draws them, and the names choosing one writes into the boxes.
const char *const kArrangeMasks[4] = {"xxxxxxxx__xxxxxxxx", "xxxxxxxx__xxxx______xxxx",
                                      "xxxx______xxxx______xxxxxxxx", "xxxx______xxxxxxxx__xxxx"};
const char *const kArrangeNames[4][3] = {{"D15-D8", "D7-D0", ""},
                                         {"D15-D8", "D7-D4", "D3-D0"},
                                         {"D15-D12", "D11-D8", "D7-D0"},
                                         {"D15-D12", "D11-D4", "D3-D0"}};
constexpr BusSpan kSpans[4][3] = {{{15, 8}, {7, 8}, {0, 0}},
                                  {{15, 8}, {7, 4}, {3, 4}},
                                  {{15, 4}, {11, 4}, {7, 8}},
                                  {{15, 4}, {11, 8}, {3, 4}}};

int Arrangement() {
    return std::clamp<int>(app().logic.BusArrange, 0, 3);
}

// A mnemonic pattern is sixteen characters "0", "1" or "x" (either case), D15 first. Any other
// pattern decodes nothing: read as don't-cares, a short or mistyped one would name rows it
// was never meant for.
bool ValidCode(const QString &pattern) {
    return pattern.size() == 16 && std::all_of(pattern.begin(), pattern.end(), [](QChar c) {
               return c == u'0' || c == u'1' || c == u'x' || c == u'X';
           });
}

// The back colour of a pattern box that holds no valid pattern.
constexpr int32_t kInvalidCodeColor = Rgb(255, 192, 192);

// A valid mnemonic pattern as the inputs it cares about and the levels they must have: "0" and
// "1" must equal the input, "x" matches both levels.
struct CompiledCode {
    uint16_t care = 0, level = 0;
    int entry = 0;
};

CompiledCode Compile(const QString &pattern, int entry) {
    CompiledCode c;
    c.entry = entry;
    for (int k = 0; k < 16 && k < pattern.size(); ++k) {
        const auto bit = static_cast<uint16_t>(1u << (15 - k));
        if (pattern[k] == u'0' || pattern[k] == u'1') c.care |= bit;
        if (pattern[k] == u'1') c.level |= bit;
    }
    return c;
}

// The enabled entries in table order: the first that matches names the row.
std::vector<CompiledCode> EnabledCodes() {
    const LogicTables &t = app().logic;
    std::vector<CompiledCode> codes;
    for (int i = 0; i < 16; ++i) {
        const QString &pattern = t.MnemonicPattern[static_cast<size_t>(i)];
        if (t.MnemonicOn[static_cast<size_t>(i)] != 0 && ValidCode(pattern))
            codes.push_back(Compile(pattern, i));
    }
    return codes;
}

QString BusText(uint16_t word, const uint8_t pair[2], BusSpan span, int format) {
    const int shift = span.high - span.width + 1;
    const auto value = static_cast<uint8_t>((word >> shift) & ((1u << span.width) - 1));
    if (format == FormatBinary) {
        QString bits(span.width, u'0');
        for (int k = 0; k < span.width; ++k)
            if (value & (1u << (span.width - 1 - k))) bits[k] = u'1';
        return bits;
    }
    // The ASCII column shows the byte that holds a 4-bit bus; an 8-bit bus (also D11-D4, which
    // joins the low nibble of D15-D8 and the high nibble of D7-D0) shows its own value.
    const uint8_t shown = span.width == 8 ? value : pair[span.high >= 8 ? 1 : 0];
    const QString number =
        format == FormatHexAsc
            ? QString::number(value, 16).toUpper().rightJustified(span.width / 4, u'0')
            : QString::number(value);
    return number + QStringLiteral("   ") + AsciiChar(shown);
}

QFont ListingFont() {
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSize(9);
    return font;
}

} // namespace

BusSpan ArrangedBus(int arrangement, int bus) {
    if (arrangement < 0 || arrangement > 3 || bus < 0 || bus > 2) return {};
    return kSpans[arrangement][bus];
}

QChar AsciiChar(uint8_t byte) {
    return byte >= 0x20 && byte <= 0x7E ? QChar(byte) : kNotPrintable;
}

StateListing &frmState() {
    static StateListing listing;
    return listing;
}

StateListing::StateListing() {
    QStringList masks;
    for (const char *m : kArrangeMasks)
        masks << QString::fromLatin1(m);
    cmbArrange.setItems(masks);
    cmbArrange.onChange = [this] { cmbArrange_Click(); };
    for (int b = 0; b < 3; ++b) {
        const auto k = static_cast<size_t>(b);
        cmbState[k].setItems(
            {QStringLiteral("Binary"), QStringLiteral("Hex+Asc"), QStringLiteral("Dec+Asc")});
        cmbState[k].onChange = [this, b] { cmbState_Click(b); };
        txtBus[k].setToolTip(QStringLiteral("Edit bus name"));
        txtBus[k].setMaxLength(kNameLength);
        txtBus[k].onChange = [this, k] { app().logic.BusGroupName[k] = txtBus[k].text(); };
    }
    lbPosition.setText(QStringLiteral("Position"));
    Label1.setText(QStringLiteral("State code"));
    lbKeys.setText(QStringLiteral("Key function:  Home End PageUp down"));
    cmdMnemonic.onClick = [this] { cmdMnemonic_Click(); };
    fmMnemonic.setText(QStringLiteral("Mnemonic setup"));
    fmMnemonic.setVisible(false);
    for (size_t i = 0; i < 16; ++i) {
        chkCode[i].onClick = [this, i] {
            chkCode[i].setChecked(!chkCode[i].checked());
            app().logic.MnemonicOn[i] = chkCode[i].checked() ? 1 : 0;
            MarkCode(i);
        };
        txtCode[i].onChange = [this, i] {
            app().logic.MnemonicPattern[i] = txtCode[i].text();
            MarkCode(i);
        };
        txtCode[i].setMaxLength(kWordLength);
        txtMnem[i].setMaxLength(kNameLength);
        txtMnem[i].onChange = [this, i] { app().logic.MnemonicName[i] = txtMnem[i].text(); };
    }
    Picture1 = QImage(kStatePictureWidth, kStatePictureHeight, QImage::Format_RGB32);
    ClearPicture(Picture1, app().colors[ColBackground]);
}

void StateListing::StartState() {
    LogicTables &t = app().logic;
    // Choosing the arrangement writes its bus names; the names stored (typed by the user or
    // read from a settings file) are put back after it, so that opening the window keeps them.
    const auto names = t.BusGroupName;
    cmbArrange.setIndex(Arrangement());
    t.BusGroupName = names;
    for (size_t b = 0; b < 3; ++b) {
        cmbState[b].setIndex(std::clamp<int>(t.BusFormat[b], 0, 2));
        txtBus[b].setText(names[b]);
    }
    for (size_t i = 0; i < 16; ++i) {
        chkCode[i].setChecked(t.MnemonicOn[i] != 0);
        txtCode[i].setText(t.MnemonicPattern[i]);
        txtMnem[i].setText(t.MnemonicName[i]);
        MarkCode(i);
    }
}

void StateListing::MarkCode(size_t i) {
    const LogicTables &t = app().logic;
    // An empty entry that is switched off is merely unused.
    const bool marked = !ValidCode(t.MnemonicPattern[i]) &&
                        (t.MnemonicOn[i] != 0 || !t.MnemonicPattern[i].isEmpty());
    txtCode[i].setBackColor(marked ? kInvalidCodeColor : kSysButtonFace);
    txtCode[i].setToolTip(marked ? QStringLiteral("16 characters of 0, 1 or x, D15 first")
                                 : QString());
}

bool StateListing::RowText(int32_t position, StateRowText &row) const {
    const AppState &s = app();
    const int64_t sample = int64_t{s.view.ViewStart[0]} + position;
    // A row past the record's last sample (a short record at a large zoom) has no sample of
    // this record: memory beyond it holds an earlier record's bytes.
    if (position < 0 || position > s.acquisition.LastSample || sample < 0 ||
        sample >= HW_SB_AREA_LEN)
        return false;
    uint8_t bits[16], pair[2];
    auto *buf = const_cast<uint8_t *>(s.records.SampleBuf.data());
    GetVbarData(buf + HW_SB_D0_D7, buf + HW_SB_D8_D15, static_cast<int32_t>(sample), bits, pair);
    const auto word = static_cast<uint16_t>(pair[1] << 8 | pair[0]);
    row.number = QString::number(position);
    const int a = Arrangement();
    for (int b = 0; b < 3; ++b) {
        const BusSpan span = kSpans[a][b];
        row.bus[static_cast<size_t>(b)] =
            span.width == 0 ? QString()
                            : BusText(word, pair, span, s.logic.BusFormat[static_cast<size_t>(b)]);
    }
    row.mnemonic.clear();
    for (const CompiledCode &c : EnabledCodes())
        if ((word & c.care) == c.level) {
            row.mnemonic = s.logic.MnemonicName[static_cast<size_t>(c.entry)];
            break;
        }
    return true;
}

void StateListing::Stateshow() {
    DrawListing();
    PicturesChanged();
}

const QImage &StateListing::Shown() {
    if (due_) DrawListing();
    return Picture1;
}

void StateListing::DrawListing() {
    due_ = false;
    const AppState &s = app();
    ClearPicture(Picture1, s.colors[ColBackground]);
    // The text contrasts with the display background.
    const int32_t ink = 0xFFFFFF - (s.colors[ColBackground] & 0xFFFFFF);
    if (!text_) {
        text_ = std::make_unique<FixedText>(ListingFont(), &Picture1);
        qAddPostRoutine([] { frmState().text_.reset(); });
    }
    FixedText &text = *text_;
    const int ascent = QFontMetrics(text.font()).ascent();
    QPainter p(&Picture1);
    p.setFont(text.font());
    p.setPen(QColor::fromRgb(ToQRgb(ink)));
    const int32_t first = s.view.ScrollPos;
    StateRowText row;
    for (int r = 0; r < kStateRows; ++r) {
        if (!RowText(first + r, row)) break;
        const int y = r * kStateRowPitch + ascent; // the text's top edge at r x 15
        text.add(p, QPointF(2, y), row.number);
        for (size_t b = 0; b < 3; ++b)
            if (txtBus[b].visible() && !row.bus[b].isEmpty())
                text.add(p, QPointF(kBusLeft[b] + 2, y), row.bus[b]);
        if (!row.mnemonic.isEmpty()) text.add(p, QPointF(kMnemonicLeft + 2, y), row.mnemonic);
    }
    text.draw(p);
    // The bars V1, V2 and the trigger bar mark their rows across the position column.
    for (int k = 0; k < 3; ++k) {
        const int64_t at = int64_t{s.view.BarPos[static_cast<size_t>(k)]} - first;
        if (at < 0 || at >= kStateRows + 1) continue;
        const int y = static_cast<int>(at) * kStateRowPitch + 12;
        p.setPen(QColor::fromRgb(ToQRgb(s.colors[ColV1 + k])));
        p.drawLine(kPositionLeft, y, kPositionLeft + kPositionWidth - 1, y);
    }
    p.end();
}

void StateListing::Open() {
    app().display.StateOn = -1;
    StartState();
    Stateshow();
}

void StateListing::Unload() {
    app().display.StateOn = 0;
}

void StateListing::OnTracesDrawn() {
    const AppState &s = app();
    // The drawing of the traces ends with the pictures' change, which shows the listing too.
    due_ = s.display.StateOn != 0 && s.channels.ChanOn[DispLogic] == 1;
}

void StateListing::cmbArrange_Click() {
    const int a = cmbArrange.index();
    if (a < 0) return;
    LogicTables &t = app().logic;
    t.BusArrange = static_cast<int16_t>(a);
    for (size_t b = 0; b < 3; ++b) {
        t.BusGroupName[b] = QString::fromLatin1(kArrangeNames[a][b]);
        txtBus[b].setText(t.BusGroupName[b]);
    }
    txtBus[2].setVisible(kSpans[a][2].width != 0);
    cmbState[2].setVisible(kSpans[a][2].width != 0);
    Stateshow();
}

void StateListing::cmbState_Click(int b) {
    const auto k = static_cast<size_t>(b);
    if (cmbState[k].index() < 0) return;
    app().logic.BusFormat[k] = static_cast<int16_t>(cmbState[k].index());
    Stateshow();
}

void StateListing::cmdMnemonic_Click() {
    fmMnemonic.setVisible(!fmMnemonic.visible());
    // Patterns and texts edited in the frame take effect when it is hidden.
    if (!fmMnemonic.visible()) Stateshow();
}

void StateListing::ScrollTo(int64_t position) {
    const AppState &s = app();
    const auto next = static_cast<int32_t>(
        std::clamp<int64_t>(position, 0, std::max<int32_t>(s.screen.ScrollMax, 0)));
    // The screen scroller moves the timing view with the listing; the listing is drawn at once,
    // also where the timing view is not redrawn (the same position, the logic display off, a
    // software catch).
    bars().Scrollscr.setValue(next);
    Stateshow();
}

void StateListing::Picture1_KeyDown(int key) {
    const int64_t pos = app().view.ScrollPos;
    switch (key) {
    case Qt::Key_Home:
        ScrollTo(0);
        break;
    case Qt::Key_End:
        ScrollTo(app().screen.ScrollMax);
        break;
    case Qt::Key_Up:
        ScrollTo(pos - 1);
        break;
    case Qt::Key_Down:
        ScrollTo(pos + 1);
        break;
    case Qt::Key_PageUp:
        ScrollTo(pos - 10);
        break;
    case Qt::Key_PageDown:
        ScrollTo(pos + 10);
        break;
    default:
        break;
    }
}

void StateListing::Picture1_MouseDown(int y) {
    dragY_ = y;
}

void StateListing::Picture1_MouseMove(int y) {
    const int32_t pos = app().view.ScrollPos;
    // Dragging down brings earlier samples into view, as a sheet pulled down would.
    const int64_t next = std::clamp<int64_t>(
        int64_t{pos} - RoundHalfEven(static_cast<double>(y - dragY_) / kStateRowPitch), 0,
        std::max<int32_t>(app().screen.ScrollMax, 0));
    if (next == pos) return;
    ScrollTo(next);
    dragY_ = y;
}

} // namespace vrx
