// Coordinate mapping, saved device-context states, clipping and the work budget.

#include "codecs/WmfPlayer_p.h"

#include <cmath>

namespace quarbel::codecs::wmf {

void Player::updateScale() {
    const DcState& s = m_state;
    m_sx = double(s.viewportExt.x()) / s.windowExt.x();
    m_sy = double(s.viewportExt.y()) / s.windowExt.y();
    if (s.mapMode == MmIsotropic) {
        const double m = std::min(std::abs(m_sx), std::abs(m_sy));
        m_sx = std::copysign(m, m_sx);
        m_sy = std::copysign(m, m_sy);
    }
}

double Player::deviceX(double x) const {
    const double d = (x - m_state.windowOrg.x()) * m_sx + m_state.viewportOrg.x();
    return std::clamp(std::round(d), -CoordinateLimit, CoordinateLimit);
}

double Player::deviceY(double y) const {
    const double d = (y - m_state.windowOrg.y()) * m_sy + m_state.viewportOrg.y();
    return std::clamp(std::round(d), -CoordinateLimit, CoordinateLimit);
}

DeviceBox Player::box(int left, int top, int right, int bottom) const {
    DeviceBox b;
    const double xa = deviceX(left), xb = deviceX(right), ya = deviceY(top), yb = deviceY(bottom);
    b.x0 = std::min(xa, xb);
    b.x1 = std::max(xa, xb);
    b.y0 = std::min(ya, yb);
    b.y1 = std::max(ya, yb);
    return b;
}

void Player::setMapMode(quint16 mode) {
    if (mode < MmText || mode > MmAnisotropic) {
        m_report.invalid++;
        return;
    }
    DcState& s = m_state;
    if (mode == s.mapMode && (mode == MmIsotropic || mode == MmAnisotropic)) {
        return; // choosing the scalable mode already in force keeps its extents
    }
    // Fixed modes carry their own extents (at 96 pixels per inch, y upwards except for text);
    // the isotropic mode starts from the low-metric ones, the anisotropic mode keeps the current.
    auto setFixed = [&s](int windowUnits, int viewport, bool up) {
        s.windowExt = QPoint(windowUnits, windowUnits);
        s.viewportExt = QPoint(viewport, up ? -viewport : viewport);
    };
    switch (mode) {
    case MmText:
        setFixed(1, 1, false);
        break;
    case MmLoMetric:
    case MmIsotropic:
        setFixed(254, 96, true);
        break;
    case MmHiMetric:
        setFixed(2540, 96, true);
        break;
    case MmLoEnglish:
        setFixed(100, 96, true);
        break;
    case MmHiEnglish:
        setFixed(1000, 96, true);
        break;
    case MmTwips:
        setFixed(1440, 96, true);
        break;
    default:
        break;
    }
    s.mapMode = mode;
    updateScale();
}

bool Player::extentsSettable() const {
    return m_state.mapMode == MmIsotropic || m_state.mapMode == MmAnisotropic;
}

void Player::setExtent(QPoint& extent, int x, int y) {
    // Zero extents are refused, and fixed mapping modes ignore extents altogether.
    if (x == 0 || y == 0) {
        m_report.invalid++;
        return;
    }
    if (extentsSettable()) {
        extent = QPoint(x, y);
        updateScale();
    }
}

void Player::scaleExtent(QPoint& extent, ByteView p) {
    const qint16 yDenom = p.i16(0), yNum = p.i16(2), xDenom = p.i16(4), xNum = p.i16(6);
    if (xDenom == 0 || yDenom == 0) {
        m_report.invalid++;
        return;
    }
    setExtent(extent, clampInt(qint64(extent.x()) * xNum / xDenom),
              clampInt(qint64(extent.y()) * yNum / yDenom));
}

void Player::saveDC() {
    if (m_saved.size() >= m_limits.maxSavedStates) {
        m_report.invalid++;
        return;
    }
    m_saved.append(m_state);
}

void Player::restoreDC(qint16 which) {
    // Negative counts back from the latest save, positive names a save by its number.
    const qsizetype depth = m_saved.size();
    qsizetype keep = -1;
    if (which < 0 && -qsizetype(which) <= depth) {
        keep = depth + which;
    } else if (which > 0 && which <= depth) {
        keep = which - 1;
    }
    if (keep < 0) {
        m_report.invalid++;
        return;
    }
    m_state = m_saved[keep];
    m_saved.resize(keep);
    m_clipDirty = true;
    updateScale();
}

void Player::selectClip(const Region& region) {
    if (!spend(regionCost(region.rects.size()))) {
        return;
    }
    m_state.clip = deviceRegion(region);
    m_clipDirty = true;
}

void Player::clipRect(ByteView p, bool intersect) {
    const DeviceBox b = box(p.i16(6), p.i16(4), p.i16(2), p.i16(0));
    const QRect rect = b.empty() ? QRect() : b.pixels().intersected(m_canvas.adjusted(-1, -1, 1, 1));
    const QRegion current = m_state.clip.value_or(QRegion(m_canvas));
    if (!spend(qint64(current.rectCount()) * RegionRectCost)) {
        return;
    }
    m_state.clip = intersect ? current.intersected(rect) : current.subtracted(rect);
    m_clipDirty = true;
}

void Player::offsetClip(ByteView p) {
    if (!m_state.clip) {
        return;
    }
    // The clip never reaches beyond the picture, so a move by more than its size empties it.
    const double dx = std::round(p.i16(2) * m_sx), dy = std::round(p.i16(0) * m_sy);
    if (std::abs(dx) > m_canvas.width() + 2 || std::abs(dy) > m_canvas.height() + 2) {
        m_state.clip = QRegion();
    } else {
        m_state.clip->translate(int(dx), int(dy));
    }
    m_clipDirty = true;
}

void Player::applyClip() {
    if (!m_clipDirty) {
        return;
    }
    if (m_state.clip) {
        m_painter.setClipRegion(*m_state.clip);
    } else {
        m_painter.setClipping(false);
    }
    m_clipDirty = false;
}

// Charges an operation; false once the budget is used up, which also stops the playing.
bool Player::spend(qint64 cost) {
    m_work += std::max<qint64>(cost, 0) + 16;
    if (m_work > m_limits.maxWork) {
        m_stopped = true;
        m_report.workLimitReached = true;
        return false;
    }
    return true;
}

// Pixels of bounds that fall on the picture.
qint64 Player::visibleArea(const QRectF& bounds) const {
    const QRectF visible = bounds.intersected(QRectF(m_canvas));
    return visible.isEmpty() ? 0 : qint64(visible.width() + 1) * qint64(visible.height() + 1);
}

// Work of filling a path: its visible area, and for every edge the rows it crosses.
qint64 Player::fillCost(const QPainterPath& path) const {
    qint64 rows = 0;
    for (int i = 1; i < path.elementCount(); ++i) {
        const double a = std::clamp(path.elementAt(i - 1).y, -1.0, double(m_canvas.height() + 1));
        const double b = std::clamp(path.elementAt(i).y, -1.0, double(m_canvas.height() + 1));
        rows += qint64(std::abs(b - a)) + 1;
    }
    return visibleArea(path.boundingRect()) + rows;
}

// Work of stroking a path: its whole length times the pen width, since the stroker walks
// every part of it, on the picture or not.
qint64 Player::strokeCost(const QPainterPath& path, double width) {
    const double weight = width <= 1 ? double(LinePixelCost) : 2 * width;
    return qint64(std::min(path.length() * weight, 1e15)) + path.elementCount();
}

// Work of building a region from n rectangles.
qint64 Player::regionCost(qsizetype n) {
    qint64 depth = 1;
    while ((qint64(1) << depth) < n) {
        ++depth;
    }
    return qint64(n) * depth * RegionRectCost;
}

void Player::offsetOrigin(QPoint& origin, ByteView p) {
    origin = QPoint(clampInt(qint64(origin.x()) + p.i16(2)), clampInt(qint64(origin.y()) + p.i16(0)));
}

void Player::selectClipRegion(ByteView p) {
    const Object* o = objectAt(p.u16(0));
    if (o && o->kind == Object::RegionKind) {
        selectClip(o->region);
    } else {
        // No region: clipping is switched off.
        m_state.clip.reset();
        m_clipDirty = true;
    }
}

} // namespace quarbel::codecs::wmf
