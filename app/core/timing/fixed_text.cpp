// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/timing/fixed_text.h"

#include <QFontInfo>

namespace vrx {

FixedText::FixedText(const QFont &font, const QPaintDevice *device)
    : font_(font, device), raw_(QRawFont::fromFont(font_)) {
    fixedPitch_ = QFontInfo(font_).fixedPitch() && raw_.isValid();
    if (!fixedPitch_) return;
    QString latin1(256, QChar());
    for (int c = 0; c < 256; ++c)
        latin1[c] = QChar(c);
    QVector<quint32> indexes = raw_.glyphIndexesForString(latin1);
    if (indexes.size() != 256) {
        fixedPitch_ = false;
        return;
    }
    for (int c = 0; c < 256; ++c)
        glyphs_[static_cast<size_t>(c)] = c >= 0x20 ? indexes[c] : 0;
    const quint32 zero = glyphs_['0'];
    const QVector<QPointF> advance = raw_.advancesForGlyphIndexes(QVector<quint32>{zero});
    advance_ = advance.isEmpty() ? 0 : advance.front().x();
    fixedPitch_ = zero != 0 && advance_ > 0;
    run_.setRawFont(raw_);
}

void FixedText::add(QPainter &p, QPointF at, QStringView text) {
    const auto start = runGlyphs_.size();
    bool placed = fixedPitch_;
    for (qsizetype i = 0; placed && i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == u' ') continue; // a space draws nothing, its advance is the position
        const quint32 glyph = c < 256 ? glyphs_[c] : 0;
        placed = glyph != 0;
        runGlyphs_.append(glyph);
        runPositions_.append(QPointF(at.x() + advance_ * static_cast<qreal>(i), at.y()));
    }
    if (placed) return;
    // A character this run cannot place: the painter lays the whole text out itself.
    runGlyphs_.resize(start);
    runPositions_.resize(start);
    p.drawText(at, text.toString());
}

void FixedText::draw(QPainter &p) {
    if (runGlyphs_.isEmpty()) return;
    run_.setGlyphIndexes(runGlyphs_);
    run_.setPositions(runPositions_);
    p.drawGlyphRun(QPointF(0, 0), run_);
    runGlyphs_.clear();
    runPositions_.clear();
}

} // namespace vrx
