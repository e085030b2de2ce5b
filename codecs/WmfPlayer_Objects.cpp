// The object table: pens, brushes, fonts, palettes and regions, created, selected and deleted.

#include "codecs/WmfDib.h"
#include "codecs/WmfPlayer_p.h"

#include <functional>

namespace quarbel::codecs::wmf {

int Player::allocateSlot() {
    if (!m_freeSlots.empty()) {
        const int slot = *m_freeSlots.begin();
        m_freeSlots.erase(m_freeSlots.begin());
        return slot;
    }
    // Indices are 16-bit: a table with every one of them in use takes no more objects.
    if (m_objects.size() >= 0xFFFF) {
        return -1;
    }
    m_objects.append(Object{});
    return int(m_objects.size() - 1);
}

const Object* Player::objectAt(quint16 index) const {
    if (index >= m_objects.size() || m_objects[index].kind == Object::None) {
        return nullptr;
    }
    return &m_objects[index];
}

void Player::deleteObject(quint16 index) {
    if (!objectAt(index)) {
        m_report.invalid++;
        return;
    }
    // What is selected stays in use: the state holds its own copy.
    m_objects[index] = Object{};
    m_freeSlots.insert(index);
}

void Player::selectObject(quint16 index) {
    const Object* object = objectAt(index);
    if (!object) {
        m_report.invalid++;
        return;
    }
    switch (object->kind) {
    case Object::PenKind:
        m_state.pen = object->pen;
        break;
    case Object::BrushKind:
        m_state.brush = object->brush;
        break;
    case Object::FontKind:
        m_state.font = object->font;
        break;
    case Object::RegionKind:
        selectClip(object->region);
        break;
    case Object::PaletteKind:
        m_state.palette = object->palette;
        break;
    case Object::None:
        break;
    }
}

QRgb Player::colorRef(ByteView p, qsizetype at) const {
    // A colour that names a palette entry takes the entry of the selected palette.
    if (p.u8(at + 3) == 0x01) {
        const quint16 index = p.u16(at);
        return index < m_state.palette.colors.size() ? m_state.palette.colors[index] : Black;
    }
    return qRgb(p.u8(at), p.u8(at + 1), p.u8(at + 2));
}

Pen Player::readPen(ByteView p) const {
    Pen pen;
    pen.style = p.u16(0);
    pen.width = std::abs(int(p.i16(2)));
    pen.color = colorRef(p, 6);
    return pen;
}

Brush Player::readBrush(ByteView p) const {
    Brush brush;
    brush.style = p.u16(0);
    brush.color = colorRef(p, 2);
    brush.hatch = p.u16(6);
    if (brush.style != BsNull && brush.style != BsHatched) {
        // Pattern styles need a bitmap this record cannot carry: a plain brush of its colour.
        brush.style = BsSolid;
    }
    return brush;
}

Font Player::readFont(ByteView p) const {
    Font font;
    font.height = p.i16(0);
    font.width = p.i16(2);
    font.escapement = p.i16(4);
    font.weight = p.i16(8);
    font.italic = p.u8(10) != 0;
    font.underline = p.u8(11) != 0;
    font.strikeOut = p.u8(12) != 0;
    font.charset = p.u8(13);
    font.pitchAndFamily = p.u8(17);
    font.face = decodeFaceName(p.mid(18), font.charset);
    return font;
}

Palette Player::readPalette(ByteView p) const {
    Palette palette;
    const qsizetype count = std::min<qsizetype>(p.u16(2), (p.size() - 4) / 4);
    for (qsizetype i = 0; i < count; ++i) {
        // Entries are laid out red, green, blue, flags.
        palette.colors.append(qRgb(p.u8(4 + 4 * i), p.u8(5 + 4 * i), p.u8(6 + 4 * i)));
    }
    return palette;
}

void Player::setPaletteEntries(ByteView p) {
    const int start = p.u16(0);
    const qsizetype count = std::min<qsizetype>(p.u16(2), (p.size() - 4) / 4);
    QList<QRgb>& colors = m_state.palette.colors;
    for (qsizetype i = 0; i < count && start + i < colors.size(); ++i) {
        colors[start + i] = qRgb(p.u8(4 + 4 * i), p.u8(5 + 4 * i), p.u8(6 + 4 * i));
    }
}

std::optional<Region> Player::readRegion(ByteView p) {
    constexpr int MaxRects = 16384;
    if (!p.has(0, 22)) {
        return std::nullopt;
    }
    Region region;
    const int scans = p.i16(10);
    qsizetype at = 22;
    for (int i = 0; i < scans && p.has(at, 6); ++i) {
        const int count = p.u16(at);
        const int top = p.i16(at + 2);
        const int bottom = p.i16(at + 4);
        const qsizetype next = at + 6 + qsizetype(count) * 2 + 2;
        if (count % 2 != 0 || !p.has(at, next - at)) {
            return std::nullopt;
        }
        for (qsizetype k = 0; k < count / 2 && region.rects.size() < MaxRects; ++k) {
            const int left = p.i16(at + 6 + 4 * k);
            const int right = p.i16(at + 8 + 4 * k);
            if (right > left && bottom > top) {
                region.rects.append(QRect(left, top, right - left, bottom - top));
            }
        }
        at = next;
    }
    return region;
}

QRegion Player::deviceRegion(const Region& region) {
    QList<QRect> rects;
    rects.reserve(region.rects.size());
    for (const QRect& r : region.rects) {
        const DeviceBox b = box(r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
        if (!b.empty()) {
            rects.append(b.pixels().intersected(m_canvas.adjusted(-1, -1, 1, 1)));
        }
    }
    // The file's rectangles may overlap and come in any order, so they are united rather than
    // handed over as a finished region; halving keeps the unions balanced.
    const std::function<QRegion(qsizetype, qsizetype)> unite = [&](qsizetype from, qsizetype to) {
        if (to - from == 1) {
            return QRegion(rects[from]);
        }
        const qsizetype middle = from + (to - from) / 2;
        return unite(from, middle).united(unite(middle, to));
    };
    return rects.isEmpty() ? QRegion() : unite(0, rects.size());
}

void Player::dibPatternBrush(ByteView p) {
    const quint16 style = p.u16(0);
    const quint16 usage = p.u16(2);
    Brush brush;
    brush.style = BsPattern;
    // Writers put a packed bitmap here even when the style names the old bitmap kind.
    if (style == BsPattern && !readDibInfo(p.mid(4))) {
        brush.pattern = decodeMonoBitmap16(p.mid(4), m_limits.maxBitmapPixels);
    } else {
        const ByteView bits = p.mid(4);
        const auto info = readDibInfo(bits);
        if (info && spend(qint64(info->width) * info->height)) {
            brush.pattern = decodeDib(bits, usage, m_state.palette.colors,
                                      std::min<qint64>(m_limits.maxBitmapPixels, 1 << 20));
        }
    }
    if (brush.pattern.isNull()) {
        // The slot is still taken, so later indices keep pointing at the right objects.
        brush.style = BsNull;
        m_report.unsupported++;
    }
    addObject(brush);
}

void Player::selectPalette(quint16 index) {
    if (const Object* o = objectAt(index); o && o->kind == Object::PaletteKind) {
        m_state.palette = o->palette;
    } else {
        m_report.invalid++;
    }
}

void Player::createRegion(ByteView p) {
    auto region = readRegion(p);
    if (!region) {
        m_report.invalid++;
    }
    addObject(region.value_or(Region{}));
}

void Player::createPatternBrush(ByteView p) {
    Brush brush;
    brush.style = BsPattern;
    // The bitmap header, 18 unused bytes, then the bits.
    QByteArray joined(p.data(), std::min<qsizetype>(p.size(), 10));
    if (p.size() > 32) {
        joined.append(p.data() + 32, p.size() - 32);
    }
    brush.pattern = decodeMonoBitmap16(ByteView(joined.constData(), joined.size()), 1 << 20);
    if (brush.pattern.isNull()) {
        brush.style = BsNull;
        m_report.unsupported++;
    }
    addObject(brush);
}

} // namespace quarbel::codecs::wmf
