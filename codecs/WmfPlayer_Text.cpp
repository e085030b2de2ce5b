// Text records: fonts made from font objects, advances, alignment and the current position.

#include "codecs/WmfPlayer_p.h"

#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <cmath>

namespace quarbel::codecs::wmf {

QFont Player::fontFor(const Font& entry, double* ascent, double* descent) {
    const double height = entry.height == 0 ? 16.0 : lengthY(entry.height);
    const double limit = 2.0 * std::max(m_image.width(), m_image.height()) + 16;
    QFont font;
    font.setFamilies(fontFamiliesFor(entry.face, entry.pitchAndFamily));
    font.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::NoSubpixelAntialias));
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setKerning(false);
    font.setWeight(QFont::Weight(std::clamp<int>(entry.weight <= 0 ? 400 : entry.weight, 1, 1000)));
    font.setItalic(entry.italic);
    font.setUnderline(entry.underline);
    font.setStrikeOut(entry.strikeOut);
    font.setPixelSize(100);
    const QFontMetricsF reference(font);
    double pixels = height;
    if (entry.height > 0) {
        // A positive height is the whole cell; the em square is a part of it.
        const double cell = reference.ascent() + reference.descent();
        pixels = cell > 0 ? height * 100 / cell : height;
    }
    font.setPixelSize(std::max(1, int(std::round(std::min(pixels, limit)))));
    if (entry.width != 0) {
        const QFontMetricsF sized(font);
        const double wanted = lengthX(entry.width);
        const double average = sized.averageCharWidth();
        if (average > 0) {
            font.setStretch(std::clamp(int(std::round(100 * wanted / average)), 25, 400));
        }
    }
    const QFontMetricsF metrics(font);
    *ascent = metrics.ascent();
    *descent = metrics.descent();
    return font;
}

// Advances of the characters: from the record when it has them (one per byte, dx not empty),
// else from the font and the extra space between characters.
QList<double> Player::advances(const QList<TextChar>& chars, ByteView dx,
                               const QFontMetricsF& metrics) const {
    QList<double> result;
    result.reserve(chars.size());
    qsizetype byteIndex = 0;
    for (const TextChar& c : chars) {
        double advance = 0;
        if (dx.size() > 0) {
            for (int k = 0; k < c.bytes; ++k) {
                advance += dx.i16(2 * (byteIndex + k));
            }
            advance = std::min(std::abs(advance * m_sx), CoordinateLimit);
        } else {
            advance = metrics.horizontalAdvance(c.text) + lengthX(m_state.charExtra);
        }
        byteIndex += c.bytes;
        result.append(advance);
    }
    return result;
}

TextRun Player::layoutText(QPointF origin, ByteView bytes, ByteView dx) {
    const Font& entry = m_state.font;
    const quint16 align = m_state.textAlign;
    TextRun run;
    double ascent = 0, descent = 0;
    run.font = fontFor(entry, &ascent, &descent);
    const TextDecoder decoder(entry.charset, isSymbolFace(entry.face));
    run.chars = decoder.characters(bytes);
    const bool hasDx = dx.size() >= bytes.size() * 2;
    run.advances = advances(run.chars, hasDx ? dx : ByteView(), QFontMetricsF(run.font));
    run.oneString = !hasDx && m_state.charExtra == 0;
    for (const double advance : run.advances) {
        run.width += advance;
    }

    if ((align & TaCenter) == TaCenter) {
        run.left = -run.width / 2;
    } else if (align & TaRight) {
        run.left = -run.width;
    }
    run.baseline = ascent;
    if ((align & TaBaseline) == TaBaseline) {
        run.baseline = 0;
    } else if (align & TaBottom) {
        run.baseline = -descent;
    }
    run.transform.translate(origin.x(), origin.y());
    run.transform.rotate(-entry.escapement / 10.0);
    run.cell = QRectF(run.left, run.baseline - ascent, run.width, ascent + descent);
    return run;
}

void Player::paintText(const TextRun& run, quint16 options, std::optional<DeviceBox> rect) {
    applyClip();
    m_painter.save();
    if (rect && (options & EtoClipped)) {
        m_painter.setClipRect(QRectF(rect->pixels()), Qt::IntersectClip);
    }
    m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    m_painter.setBackgroundMode(Qt::TransparentMode);
    m_painter.setTransform(run.transform);
    if (m_state.bkMode == BkOpaque) {
        m_painter.fillRect(run.cell, QColor::fromRgb(m_state.bkColor));
    }
    m_painter.setFont(run.font);
    m_painter.setPen(QColor::fromRgb(m_state.textColor));
    if (run.oneString) {
        QString whole;
        for (const TextChar& c : run.chars) {
            whole += c.text;
        }
        m_painter.drawText(QPointF(run.left, run.baseline), whole);
    } else {
        double pen = run.left;
        for (qsizetype i = 0; i < run.chars.size(); ++i) {
            m_painter.drawText(QPointF(pen, run.baseline), run.chars[i].text);
            pen += run.advances[i];
        }
    }
    m_painter.restore();
    m_clipDirty = true;
}

// Draws text at the logical point (x, y), or at the current position when the alignment says so.
void Player::text(int x, int y, ByteView bytes, ByteView dx, quint16 options, std::optional<DeviceBox> rect) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        // Fonts need the GUI application; without one the text is left out.
        m_report.unsupported++;
        return;
    }
    const quint16 align = m_state.textAlign;
    const bool updateCp = (align & TaUpdateCp) != 0;
    const QPointF origin =
        updateCp ? device(m_state.currentPosition.x(), m_state.currentPosition.y()) : device(x, y);

    if (rect && (options & EtoOpaque) && !rect->empty()) {
        fillRectWith(QRectF(rect->pixels()), QBrush(QColor::fromRgb(m_state.bkColor)),
                     QPainter::CompositionMode_SourceOver);
    }
    if (bytes.size() == 0 || m_stopped) {
        return;
    }

    const TextRun run = layoutText(origin, bytes, dx);
    // Glyphs beyond the glyph cache's size are outlines that cost with their size.
    const int pixelSize = run.font.pixelSize();
    const qint64 perGlyph = GlyphCost + (pixelSize > 64 ? qint64(pixelSize) * 32 : 0);
    if (!spend(visibleArea(run.transform.mapRect(run.cell)) + qint64(run.chars.size()) * perGlyph)) {
        return;
    }
    paintText(run, options, rect);

    if (updateCp && m_sx != 0) {
        const double moved = (align & TaRight) && (align & TaCenter) != TaCenter ? -run.width : run.width;
        m_state.currentPosition.rx() =
            clampInt(qint64(m_state.currentPosition.x()) + qint64(std::round(moved / m_sx)));
    }
}

void Player::textOut(ByteView p) {
    const qint16 length = p.i16(0);
    const qsizetype padded = (qsizetype(length) + 1) & ~qsizetype(1);
    if (length < 0 || !p.has(2 + padded, 4)) {
        m_report.invalid++;
        return;
    }
    text(p.i16(2 + padded + 2), p.i16(2 + padded), p.mid(2, length), ByteView(), 0, std::nullopt);
}

void Player::extTextOut(ByteView p) {
    const qint16 length = p.i16(4);
    const quint16 options = p.u16(6);
    if (length < 0 || !p.has(0, 8)) {
        m_report.invalid++;
        return;
    }
    qsizetype at = 8;
    std::optional<DeviceBox> rect;
    if (options & (EtoOpaque | EtoClipped)) {
        if (!p.has(at, 8)) {
            m_report.invalid++;
            return;
        }
        rect = box(p.i16(at), p.i16(at + 2), p.i16(at + 4), p.i16(at + 6));
        at += 8;
    }
    if (!p.has(at, length)) {
        m_report.invalid++;
        return;
    }
    const ByteView bytes = p.mid(at, length);
    at += (qsizetype(length) + 1) & ~qsizetype(1);
    text(p.i16(2), p.i16(0), bytes, p.mid(at), options, rect);
}

} // namespace quarbel::codecs::wmf
