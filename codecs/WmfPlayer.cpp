// The record loop and the table that sends each record to the code that plays it.

#include "codecs/WmfPlayer.h"

#include "codecs/WmfPlayer_p.h"

#include <QElapsedTimer>
#include <array>

namespace quarbel::codecs::wmf {

Player::Player(QImage& image, ByteView data, const Header& header, InitialWindow window,
               const PlayLimits& limits)
    : m_image(image), m_data(data), m_header(header), m_limits(limits),
      m_canvas(0, 0, image.width(), image.height()) {
    m_state.windowOrg = window.origin;
    m_state.windowExt = window.extent;
    m_state.viewportExt = QPoint(image.width(), image.height());
    m_maxPenWidth = 2.0 * (image.width() + image.height()) + 2;
    updateScale();
}

PlayReport Player::play() {
    if (!m_painter.begin(&m_image)) {
        m_report.invalid++;
        return m_report;
    }
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    m_painter.setRenderHint(QPainter::TextAntialiasing, false);
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    RecordReader reader(m_data, m_header.recordsOffset);
    Record record;
    QElapsedTimer clock;
    clock.start();
    while (!m_stopped && reader.next(record)) {
        ++m_report.records;
        dispatch(record);
        if (m_limits.maxMilliseconds > 0 && clock.elapsed() > m_limits.maxMilliseconds) {
            m_report.timeLimitReached = true;
            break;
        }
    }
    m_painter.end();
    m_report.sawEof = reader.sawEof();
    m_report.malformed = reader.malformed();
    return m_report;
}

bool Player::enough(ByteView p, qsizetype bytes) {
    if (p.has(0, bytes)) {
        return true;
    }
    m_report.invalid++;
    return false;
}

namespace {

// Record functions differ in their low byte, so it indexes the table directly.
template <std::size_t N, typename Kind>
constexpr std::array<qint16, 256> indexByLowByte(const Kind (&kinds)[N]) {
    std::array<qint16, 256> index{};
    index.fill(-1);
    for (std::size_t i = 0; i < N; ++i) {
        qint16& slot = index[kinds[i].function & 0xFF];
        if (slot >= 0) {
            throw "two record functions share a low byte"; // not a constant expression: fails the build
        }
        slot = qint16(i);
    }
    return index;
}

} // namespace

const Player::RecordKind* Player::recordKind(quint16 function) {
    using P = Player&;
    // Records that only matter to printers or to palette devices: nothing to draw.
    constexpr auto ignore = [](P, ByteView) {};
    // A creation record always takes a slot, even a broken one, so that the indices of later
    // objects stay where the file expects them; a broken pen or brush draws nothing.
    static constexpr RecordKind Kinds[] = {
        // device-context state
        {SetBkColor, 4, [](P pl, ByteView p) { pl.m_state.bkColor = pl.colorRef(p, 0); }},
        {SetBkMode, 2,
         [](P pl, ByteView p) {
             if (p.u16(0) == BkTransparent || p.u16(0) == BkOpaque) {
                 pl.m_state.bkMode = p.u16(0);
             }
         }},
        {SetRop2, 2,
         [](P pl, ByteView p) {
             if (p.u16(0) >= 1 && p.u16(0) <= 16) {
                 pl.m_state.rop2 = p.u16(0);
             }
         }},
        {SetPolyFillMode, 2,
         [](P pl, ByteView p) {
             if (p.u16(0) == FillAlternate || p.u16(0) == FillWinding) {
                 pl.m_state.polyFillMode = p.u16(0);
             }
         }},
        {SetTextCharExtra, 2, [](P pl, ByteView p) { pl.m_state.charExtra = p.i16(0); }},
        {SetTextColor, 4, [](P pl, ByteView p) { pl.m_state.textColor = pl.colorRef(p, 0); }},
        {SetTextAlign, 2, [](P pl, ByteView p) { pl.m_state.textAlign = p.u16(0); }},
        {MoveTo, 4, [](P pl, ByteView p) { pl.m_state.currentPosition = QPoint(p.i16(2), p.i16(0)); }},
        {SaveDC, 0, [](P pl, ByteView) { pl.saveDC(); }},
        {RestoreDC, 2, [](P pl, ByteView p) { pl.restoreDC(p.i16(0)); }},
        // mapping
        {SetMapMode, 2, [](P pl, ByteView p) { pl.setMapMode(p.u16(0)); }},
        {SetWindowOrg, 4, [](P pl, ByteView p) { pl.m_state.windowOrg = QPoint(p.i16(2), p.i16(0)); }},
        {SetWindowExt, 4, [](P pl, ByteView p) { pl.setExtent(pl.m_state.windowExt, p.i16(2), p.i16(0)); }},
        {SetViewportOrg, 4, [](P pl, ByteView p) { pl.m_state.viewportOrg = QPoint(p.i16(2), p.i16(0)); }},
        {SetViewportExt, 4,
         [](P pl, ByteView p) { pl.setExtent(pl.m_state.viewportExt, p.i16(2), p.i16(0)); }},
        {OffsetWindowOrg, 4, [](P pl, ByteView p) { pl.offsetOrigin(pl.m_state.windowOrg, p); }},
        {OffsetViewportOrg, 4, [](P pl, ByteView p) { pl.offsetOrigin(pl.m_state.viewportOrg, p); }},
        {ScaleWindowExt, 8, [](P pl, ByteView p) { pl.scaleExtent(pl.m_state.windowExt, p); }},
        {ScaleViewportExt, 8, [](P pl, ByteView p) { pl.scaleExtent(pl.m_state.viewportExt, p); }},
        // clipping
        {ExcludeClipRect, 8, [](P pl, ByteView p) { pl.clipRect(p, false); }},
        {IntersectClipRect, 8, [](P pl, ByteView p) { pl.clipRect(p, true); }},
        {OffsetClipRgn, 4, [](P pl, ByteView p) { pl.offsetClip(p); }},
        {SelectClipRegion, 2, [](P pl, ByteView p) { pl.selectClipRegion(p); }},
        // shapes
        {LineTo, 4, [](P pl, ByteView p) { pl.lineTo(p); }},
        {Rectangle, 8, [](P pl, ByteView p) { pl.rectangle(p); }},
        {RoundRect, 12, [](P pl, ByteView p) { pl.roundRect(p); }},
        {Ellipse, 8, [](P pl, ByteView p) { pl.ellipse(p); }},
        {Arc, 16, [](P pl, ByteView p) { pl.arc(p, ArcKind::Arc); }},
        {Pie, 16, [](P pl, ByteView p) { pl.arc(p, ArcKind::Pie); }},
        {Chord, 16, [](P pl, ByteView p) { pl.arc(p, ArcKind::Chord); }},
        {Polygon, 2, [](P pl, ByteView p) { pl.polygon(p); }},
        {Polyline, 2, [](P pl, ByteView p) { pl.polyline(p); }},
        {PolyPolygon, 2, [](P pl, ByteView p) { pl.polyPolygon(p); }},
        {PatBlt, 12,
         [](P pl, ByteView p) { pl.patternBlt(p.i16(10), p.i16(8), p.i16(6), p.i16(4), p.u32(0)); }},
        {SetPixel, 8, [](P pl, ByteView p) { pl.setPixel(p); }},
        {FillRegion, 4, [](P pl, ByteView p) { pl.fillRegionRecord(p); }},
        {PaintRegion, 2, [](P pl, ByteView p) { pl.paintRegionRecord(p, false); }},
        {InvertRegion, 2, [](P pl, ByteView p) { pl.paintRegionRecord(p, true); }},
        // text
        {TextOut, 2, [](P pl, ByteView p) { pl.textOut(p); }},
        {ExtTextOut, 8, [](P pl, ByteView p) { pl.extTextOut(p); }},
        // bitmaps; the transfers check their own sizes, which depend on the form
        {BitBlt, 0, [](P pl, ByteView p) { pl.transfer(p, BitBlt); }},
        {StretchBlt, 0, [](P pl, ByteView p) { pl.transfer(p, StretchBlt); }},
        {DIBBitBlt, 0, [](P pl, ByteView p) { pl.transfer(p, DIBBitBlt); }},
        {DIBStretchBlt, 0, [](P pl, ByteView p) { pl.transfer(p, DIBStretchBlt); }},
        {StretchDIB, 0, [](P pl, ByteView p) { pl.stretchDib(p); }},
        {SetDIBToDev, 0, [](P pl, ByteView p) { pl.setDibToDevice(p); }},
        // objects
        {CreatePenIndirect, 0,
         [](P pl, ByteView p) {
             pl.addObject(pl.enough(p, 10) ? pl.readPen(p) : Pen{PsNull, 0, Black});
         }},
        {CreateBrushIndirect, 0,
         [](P pl, ByteView p) {
             pl.addObject(pl.enough(p, 8) ? pl.readBrush(p) : Brush{BsNull, Black, 0, {}});
         }},
        {CreateFontIndirect, 0,
         [](P pl, ByteView p) { pl.addObject(pl.enough(p, 18) ? pl.readFont(p) : Font{}); }},
        {CreatePalette, 0,
         [](P pl, ByteView p) { pl.addObject(pl.enough(p, 4) ? pl.readPalette(p) : Palette{}); }},
        {CreateRegion, 0, [](P pl, ByteView p) { pl.createRegion(p); }},
        {CreatePatternBrush, 0, [](P pl, ByteView p) { pl.createPatternBrush(p); }},
        {DIBCreatePatternBrush, 0, [](P pl, ByteView p) { pl.dibPatternBrush(p); }},
        {DeleteObject, 2, [](P pl, ByteView p) { pl.deleteObject(p.u16(0)); }},
        {SelectObject, 2, [](P pl, ByteView p) { pl.selectObject(p.u16(0)); }},
        {SelectPalette, 2, [](P pl, ByteView p) { pl.selectPalette(p.u16(0)); }},
        {SetPalEntries, 4, [](P pl, ByteView p) { pl.setPaletteEntries(p); }},
        {AnimatePalette, 4, [](P pl, ByteView p) { pl.setPaletteEntries(p); }},
        {ResizePalette, 2,
         [](P pl, ByteView p) { pl.m_state.palette.colors.resize(std::min<int>(p.u16(0), 1024), Black); }},
        // nothing to draw
        {SetRelAbs, 0, ignore},
        {SetStretchBltMode, 0, ignore},
        {SetMapperFlags, 0, ignore},
        {SetTextJustification, 0, ignore},
        {RealizePalette, 0, ignore},
        {Escape, 0, ignore},
    };
    static constexpr std::array<qint16, 256> ByLowByte = indexByLowByte(Kinds);
    const qint16 at = ByLowByte[function & 0xFF];
    return at >= 0 && Kinds[at].function == function ? &Kinds[at] : nullptr;
}

void Player::dispatch(const Record& r) {
    const RecordKind* kind = recordKind(r.function);
    if (!kind) {
        m_report.unsupported++;
        return;
    }
    if (enough(r.params, kind->minBytes)) {
        kind->play(*this, r.params);
    }
}

PlayReport playRecords(QImage& image, ByteView data, const Header& header, InitialWindow window,
                       const PlayLimits& limits) {
    Player player(image, data, header, window, limits);
    return player.play();
}

} // namespace quarbel::codecs::wmf
