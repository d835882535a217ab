// SPDX-License-Identifier: GPL-3.0-or-later
//
// Text in a fixed-pitch font drawn without a text layout. The state listing and the value
// labels draw hundreds of short texts for every record, and laying out each one (shaping) was
// most of their cost: here each character's glyph is looked up once and placed one advance
// after the one before, and all the texts of a picture go to the painter as one glyph run,
// drawn as the painter draws any text. A text with a character outside Latin-1 or one the font
// lacks is drawn with the painter's own text drawing.
#pragma once

#include <array>
#include <cstdint>

#include <QFont>
#include <QGlyphRun>
#include <QPaintDevice>
#include <QPainter>
#include <QPointF>
#include <QRawFont>
#include <QStringView>
#include <QVector>

namespace vrx {

class FixedText {
  public:
    // `font` as it is drawn on `device` (its resolution sizes the glyphs).
    FixedText(const QFont &font, const QPaintDevice *device);

    // Whether the font is fixed-pitch: the texts of a proportional font are not placed here.
    bool fixedPitch() const { return fixedPitch_; }
    const QFont &font() const { return font_; }
    // The width of `count` characters.
    qreal width(qsizetype count) const { return advance_ * static_cast<qreal>(count); }

    // Adds `text` with the left end of its baseline at `at`; one that cannot be placed here is
    // drawn at once with `p`, which must have the font and pen of the run.
    void add(QPainter &p, QPointF at, QStringView text);
    // Draws the texts added since the last call with `p`'s pen.
    void draw(QPainter &p);

  private:
    QFont font_;
    QRawFont raw_;
    bool fixedPitch_ = false;
    qreal advance_ = 0;
    std::array<quint32, 256> glyphs_{}; // 0: not in the font
    QVector<quint32> runGlyphs_;
    QVector<QPointF> runPositions_;
    QGlyphRun run_;
};

} // namespace vrx
