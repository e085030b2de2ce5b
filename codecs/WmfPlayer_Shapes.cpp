// Pens, brushes and the records that draw shapes: lines, polygons, rectangles, ellipses, arcs,
// pattern fills, pixels and regions.

#include "codecs/WmfPlayer_p.h"

#include <QtMath>
#include <cmath>

namespace quarbel::codecs::wmf {

namespace {

QPainter::CompositionMode rop2Mode(quint16 rop2) {
    switch (rop2) {
    case 1:
        return QPainter::RasterOp_ClearDestination;
    case 2:
        return QPainter::RasterOp_NotSourceAndNotDestination;
    case 3:
        return QPainter::RasterOp_NotSourceAndDestination;
    case 4:
        return QPainter::RasterOp_NotSource;
    case 5:
        return QPainter::RasterOp_SourceAndNotDestination;
    case 6:
        return QPainter::RasterOp_NotDestination;
    case 7:
        return QPainter::RasterOp_SourceXorDestination;
    case 8:
        return QPainter::RasterOp_NotSourceOrNotDestination;
    case 9:
        return QPainter::RasterOp_SourceAndDestination;
    case 10:
        return QPainter::RasterOp_NotSourceXorDestination;
    case 12:
        return QPainter::RasterOp_NotSourceOrDestination;
    case 14:
        return QPainter::RasterOp_SourceOrNotDestination;
    case 15:
        return QPainter::RasterOp_SourceOrDestination;
    case 16:
        return QPainter::RasterOp_SetDestination;
    default:
        return QPainter::CompositionMode_SourceOver;
    }
}

Qt::BrushStyle hatchStyle(quint16 hatch) {
    switch (hatch) {
    case 0:
        return Qt::HorPattern;
    case 1:
        return Qt::VerPattern;
    case 2:
        return Qt::FDiagPattern;
    case 3:
        return Qt::BDiagPattern;
    case 4:
        return Qt::CrossPattern;
    case 5:
        return Qt::DiagCrossPattern;
    default:
        return Qt::SolidPattern;
    }
}

} // namespace

double Player::penWidth() const {
    const Pen& pen = m_state.pen;
    if (pen.width == 0) {
        return 1;
    }
    return std::clamp(std::round(lengthX(pen.width)), 1.0, m_maxPenWidth);
}

std::optional<QPen> Player::pen() const {
    const Pen& pen = m_state.pen;
    const quint16 style = pen.style & 0x000F;
    if (style == PsNull || m_state.rop2 == R2Nop) {
        return std::nullopt;
    }
    const double width = penWidth();
    QPen qpen{QColor::fromRgb(pen.color)};
    qpen.setWidthF(width);
    switch (pen.style & 0x0F00) {
    case 0x0100:
        qpen.setCapStyle(Qt::SquareCap);
        break;
    case 0x0200:
        qpen.setCapStyle(Qt::FlatCap);
        break;
    default:
        qpen.setCapStyle(Qt::RoundCap);
        break;
    }
    switch (pen.style & 0xF000) {
    case 0x1000:
        qpen.setJoinStyle(Qt::BevelJoin);
        break;
    case 0x2000:
        qpen.setJoinStyle(Qt::MiterJoin);
        break;
    default:
        qpen.setJoinStyle(Qt::RoundJoin);
        break;
    }
    // Only one-pixel pens have styles; wider ones draw solid.
    if (width <= 1) {
        QList<qreal> dashes;
        switch (style) {
        case PsDash:
            dashes = {18, 6};
            break;
        case PsDot:
            dashes = {3, 3};
            break;
        case PsDashDot:
            dashes = {9, 6, 3, 6};
            break;
        case PsDashDotDot:
            dashes = {9, 3, 3, 3, 3, 3};
            break;
        case PsAlternate:
            dashes = {1, 1};
            break;
        default:
            break;
        }
        if (!dashes.isEmpty()) {
            qpen.setDashPattern(dashes);
            qpen.setCapStyle(Qt::FlatCap);
        }
    }
    return qpen;
}

std::optional<QBrush> Player::brushFor(const Brush& brush) const {
    if (m_state.rop2 == R2Nop) {
        return std::nullopt;
    }
    switch (brush.style) {
    case BsNull:
        return std::nullopt;
    case BsHatched:
        return QBrush(QColor::fromRgb(brush.color), hatchStyle(brush.hatch));
    case BsPattern: {
        if (brush.pattern.isNull()) {
            return std::nullopt;
        }
        if (brush.pattern.format() == QImage::Format_Mono) {
            QImage pattern = brush.pattern;
            pattern.setColor(0, m_state.textColor);
            pattern.setColor(1, m_state.bkColor);
            return QBrush(pattern);
        }
        return QBrush(brush.pattern);
    }
    default:
        return QBrush(QColor::fromRgb(brush.color));
    }
}

void Player::prepare(quint16 rop2) {
    applyClip();
    m_painter.setCompositionMode(rop2Mode(rop2));
    m_painter.setBackgroundMode(m_state.bkMode == BkOpaque ? Qt::OpaqueMode : Qt::TransparentMode);
    m_painter.setBackground(QColor::fromRgb(m_state.bkColor));
}

// Fills then outlines a shape; the fill and the outline paths differ by the pixel-centre offset.
void Player::drawShape(const QPainterPath& fill, const QPainterPath& outline,
                       const std::optional<QBrush>& brush) {
    const std::optional<QPen> qpen = pen();
    if (!brush && !qpen) {
        return;
    }
    if (!spend((brush ? fillCost(fill) : 0) + (qpen ? strokeCost(outline, qpen->widthF()) : 0))) {
        return;
    }
    prepare(m_state.rop2);
    if (brush) {
        m_painter.setPen(Qt::NoPen);
        m_painter.setBrush(*brush);
        m_painter.drawPath(fill);
    }
    if (qpen) {
        m_painter.setPen(*qpen);
        m_painter.setBrush(Qt::NoBrush);
        m_painter.drawPath(outline);
    }
}

void Player::drawShape(const QPainterPath& fill, const QPainterPath& outline) {
    drawShape(fill, outline, brushFor(m_state.brush));
}

void Player::strokeOnly(const QPainterPath& outline) {
    drawShape(QPainterPath(), outline, std::nullopt);
}

Qt::FillRule Player::fillRule() const {
    return m_state.polyFillMode == FillWinding ? Qt::WindingFill : Qt::OddEvenFill;
}

std::optional<QPolygonF> Player::readPoints(ByteView p, qsizetype at, qsizetype count) {
    if (count < 0 || !p.has(at, count * 4)) {
        return std::nullopt;
    }
    QPolygonF points;
    points.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        points.append(device(p.i16(at + 4 * i), p.i16(at + 4 * i + 2)));
    }
    return points;
}

QPolygonF Player::centred(const QPolygonF& points) {
    return points.translated(0.5, 0.5);
}

void Player::polygon(ByteView p) {
    const auto points = readPoints(p, 2, p.u16(0));
    if (!points) {
        m_report.invalid++;
        return;
    }
    if (points->size() < 2) {
        return;
    }
    QPainterPath fill, outline;
    fill.setFillRule(fillRule());
    fill.addPolygon(*points);
    fill.closeSubpath();
    outline.addPolygon(centred(*points));
    outline.closeSubpath();
    drawShape(fill, outline);
}

void Player::polyline(ByteView p) {
    const auto points = readPoints(p, 2, p.u16(0));
    if (!points) {
        m_report.invalid++;
        return;
    }
    if (points->size() < 2) {
        return;
    }
    QPainterPath outline;
    outline.addPolygon(centred(*points));
    strokeOnly(outline);
}

void Player::polyPolygon(ByteView p) {
    const int polygons = p.u16(0);
    if (!p.has(2, qsizetype(polygons) * 2)) {
        m_report.invalid++;
        return;
    }
    qint64 total = 0;
    for (int i = 0; i < polygons; ++i) {
        total += p.u16(2 + 2 * i);
    }
    const qsizetype pointsAt = 2 + qsizetype(polygons) * 2;
    if (!p.has(pointsAt, total * 4)) {
        m_report.invalid++;
        return;
    }
    QPainterPath fill, outline;
    fill.setFillRule(fillRule());
    qsizetype at = pointsAt;
    for (int i = 0; i < polygons; ++i) {
        const int count = p.u16(2 + 2 * i);
        const auto points = readPoints(p, at, count);
        at += qsizetype(count) * 4;
        if (!points || points->size() < 2) {
            continue;
        }
        fill.addPolygon(*points);
        fill.closeSubpath();
        outline.addPolygon(centred(*points));
        outline.closeSubpath();
    }
    drawShape(fill, outline);
}

void Player::lineTo(ByteView p) {
    const QPoint to(p.i16(2), p.i16(0));
    const QPointF a = device(m_state.currentPosition.x(), m_state.currentPosition.y());
    const QPointF b = device(to.x(), to.y());
    m_state.currentPosition = to;
    QPainterPath outline;
    outline.moveTo(a + QPointF(0.5, 0.5));
    outline.lineTo(b + QPointF(0.5, 0.5));
    strokeOnly(outline);
}

double Player::insideFrameInset() const {
    return (m_state.pen.style & 0x000F) == PsInsideFrame ? (penWidth() - 1) / 2 : 0;
}

void Player::rectangle(ByteView p) {
    const DeviceBox b = box(p.i16(6), p.i16(4), p.i16(2), p.i16(0));
    if (b.empty()) {
        return;
    }
    QPainterPath fill, outline;
    fill.addRect(b.fillRect());
    outline.addRect(b.strokeRect(insideFrameInset()));
    drawShape(fill, outline);
}

void Player::roundRect(ByteView p) {
    const DeviceBox b = box(p.i16(10), p.i16(8), p.i16(6), p.i16(4));
    if (b.empty()) {
        return;
    }
    const double rx = lengthX(p.i16(2)) / 2, ry = lengthY(p.i16(0)) / 2;
    QPainterPath fill, outline;
    fill.addRoundedRect(b.fillRect(), rx, ry);
    outline.addRoundedRect(b.strokeRect(insideFrameInset()), rx, ry);
    drawShape(fill, outline);
}

void Player::ellipse(ByteView p) {
    const DeviceBox b = box(p.i16(6), p.i16(4), p.i16(2), p.i16(0));
    if (b.empty()) {
        return;
    }
    QPainterPath fill, outline;
    fill.addEllipse(b.fillRect());
    outline.addEllipse(b.strokeRect(insideFrameInset()));
    drawShape(fill, outline);
}

// Arcs run counter-clockwise on the picture from the start radial to the end radial.
void Player::arc(ByteView p, ArcKind kind) {
    const DeviceBox b = box(p.i16(14), p.i16(12), p.i16(10), p.i16(8));
    if (b.empty()) {
        return;
    }
    const QPointF start = device(p.i16(6), p.i16(4));
    const QPointF end = device(p.i16(2), p.i16(0));
    auto build = [&](const QRectF& rect) {
        QPainterPath path;
        const QPointF c = rect.center();
        const double rx = std::max(rect.width() / 2, 1e-6), ry = std::max(rect.height() / 2, 1e-6);
        auto angle = [&](QPointF q) {
            const double dx = (q.x() - c.x()) / rx, dy = (q.y() - c.y()) / ry;
            return (dx == 0 && dy == 0) ? 0.0 : qRadiansToDegrees(std::atan2(-dy, dx));
        };
        const double a0 = angle(start);
        double sweep = angle(end) - a0;
        if (sweep <= 1e-9) {
            sweep += 360;
        }
        if (kind == ArcKind::Pie) {
            path.moveTo(c);
            path.arcTo(rect, a0, sweep);
            path.closeSubpath();
        } else {
            path.arcMoveTo(rect, a0);
            path.arcTo(rect, a0, sweep);
            if (kind == ArcKind::Chord) {
                path.closeSubpath();
            }
        }
        return path;
    };
    const QPainterPath outline = build(b.strokeRect(insideFrameInset()));
    if (kind == ArcKind::Arc) {
        strokeOnly(outline);
    } else {
        drawShape(build(b.fillRect()), outline);
    }
}

void Player::fillRectWith(const QRectF& rect, const QBrush& brush, QPainter::CompositionMode mode) {
    if (!spend(visibleArea(rect))) {
        return;
    }
    applyClip();
    m_painter.setCompositionMode(mode);
    m_painter.setBackgroundMode(m_state.bkMode == BkOpaque ? Qt::OpaqueMode : Qt::TransparentMode);
    m_painter.setBackground(QColor::fromRgb(m_state.bkColor));
    m_painter.fillRect(rect, brush);
}

// A transfer without a source: the brush, black, white or the inverse over a rectangle.
void Player::patternBlt(int x, int y, int width, int height, quint32 rop) {
    const DeviceBox b = box(x, y, x + width, y + height);
    if (b.empty()) {
        return;
    }
    const QRectF rect(b.x0, b.y0, b.x1 - b.x0, b.y1 - b.y0);
    switch (rop) {
    case RopBlackness:
        fillRectWith(rect, QBrush(Qt::black), QPainter::CompositionMode_SourceOver);
        break;
    case RopWhiteness:
        fillRectWith(rect, QBrush(Qt::white), QPainter::CompositionMode_SourceOver);
        break;
    case RopDstInvert:
        fillRectWith(rect, QBrush(Qt::white), QPainter::RasterOp_NotDestination);
        break;
    case RopPatInvert:
    case RopPatCopy:
    default:
        if (const auto brush = brushFor(m_state.brush)) {
            fillRectWith(rect, *brush,
                         rop == RopPatInvert ? QPainter::RasterOp_SourceXorDestination
                                             : QPainter::CompositionMode_SourceOver);
        }
        break;
    }
}

void Player::setPixel(ByteView p) {
    const QPointF at = device(p.i16(6), p.i16(4));
    fillRectWith(QRectF(at, QSizeF(1, 1)), QBrush(QColor::fromRgb(colorRef(p, 0))),
                 QPainter::CompositionMode_SourceOver);
}

void Player::fillRegion(const Region& region, const QBrush& brush, QPainter::CompositionMode mode) {
    if (!spend(regionCost(region.rects.size()))) {
        return;
    }
    const QRegion area = deviceRegion(region);
    if (!spend(visibleArea(area.boundingRect()))) {
        return;
    }
    applyClip();
    m_painter.setCompositionMode(mode);
    m_painter.setBackgroundMode(m_state.bkMode == BkOpaque ? Qt::OpaqueMode : Qt::TransparentMode);
    m_painter.setBackground(QColor::fromRgb(m_state.bkColor));
    for (const QRect& r : area) {
        m_painter.fillRect(r, brush);
    }
}

void Player::fillRegionRecord(ByteView p) {
    const Object* region = objectAt(p.u16(0));
    const Object* brush = objectAt(p.u16(2));
    if (!region || !brush || region->kind != Object::RegionKind || brush->kind != Object::BrushKind) {
        m_report.invalid++;
        return;
    }
    if (const auto qbrush = brushFor(brush->brush)) {
        fillRegion(region->region, *qbrush, rop2Mode(m_state.rop2));
    }
}

void Player::paintRegionRecord(ByteView p, bool invert) {
    const Object* region = objectAt(p.u16(0));
    if (!region || region->kind != Object::RegionKind) {
        m_report.invalid++;
        return;
    }
    if (invert) {
        fillRegion(region->region, QBrush(Qt::white), QPainter::RasterOp_NotDestination);
    } else if (const auto qbrush = brushFor(m_state.brush)) {
        fillRegion(region->region, *qbrush, rop2Mode(m_state.rop2));
    }
}

} // namespace quarbel::codecs::wmf
