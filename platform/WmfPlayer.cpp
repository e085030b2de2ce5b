#include "platform/WmfPlayer.h"

#include <type_traits>

#include "platform/WmfDib.h"
#include "platform/WmfText.h"

#include <QElapsedTimer>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHash>
#include <QList>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QtMath>
#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>
#include <set>

namespace quarbel::platform::wmf {

namespace {

constexpr QRgb Black = 0xFF000000u;
constexpr QRgb White = 0xFFFFFFFFu;

enum MapMode : quint16 {
    MmText = 1,
    MmLoMetric = 2,
    MmHiMetric = 3,
    MmLoEnglish = 4,
    MmHiEnglish = 5,
    MmTwips = 6,
    MmIsotropic = 7,
    MmAnisotropic = 8,
};

enum : quint16 { BkTransparent = 1, BkOpaque = 2 };
enum : quint16 { FillAlternate = 1, FillWinding = 2 };
enum : quint16 { R2Nop = 11, R2CopyPen = 13 };
enum PenStyle : quint16 {
    PsSolid = 0,
    PsDash = 1,
    PsDot = 2,
    PsDashDot = 3,
    PsDashDotDot = 4,
    PsNull = 5,
    PsInsideFrame = 6,
    PsAlternate = 8,
};
enum BrushStyle : quint16 { BsSolid = 0, BsNull = 1, BsHatched = 2, BsPattern = 3 };
enum TextAlign : quint16 { TaUpdateCp = 1, TaRight = 2, TaCenter = 6, TaBottom = 8, TaBaseline = 24 };
enum : quint16 { EtoOpaque = 2, EtoClipped = 4 };

// Raster operations of bit-block transfers that use no source.
constexpr quint32 RopBlackness = 0x00000042u;
constexpr quint32 RopWhiteness = 0x00FF0062u;
constexpr quint32 RopPatCopy = 0x00F00021u;
constexpr quint32 RopPatInvert = 0x005A0049u;
constexpr quint32 RopDstInvert = 0x00550009u;

// Device coordinates are kept far beyond any picture but well inside what the rasteriser handles.
constexpr double CoordinateLimit = double(1 << 24);

struct Pen {
    quint16 style = PsSolid;
    int width = 0; // logical; 0 is one pixel whatever the mapping
    QRgb color = Black;
};

struct Brush {
    quint16 style = BsSolid;
    QRgb color = White;
    quint16 hatch = 0;
    QImage pattern; // pattern brushes; Format_Mono takes the text and background colours
};

struct Font {
    qint16 height = 0;
    qint16 width = 0;
    qint16 escapement = 0;
    qint16 weight = 0;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    quint8 charset = DefaultCharset;
    quint8 pitchAndFamily = 0;
    QString face;
};

struct Palette {
    QList<QRgb> colors;
};

struct Region {
    QList<QRect> rects; // logical units, right and bottom excluded
};

// One slot of the object table.
struct Object {
    enum Kind { None, PenKind, BrushKind, FontKind, PaletteKind, RegionKind };
    Kind kind = None;
    Pen pen;
    Brush brush;
    Font font;
    Palette palette;
    Region region;

    template <typename T>
    static Object of(const T& value) {
        Object o;
        if constexpr (std::is_same_v<T, Pen>) {
            o.kind = PenKind;
            o.pen = value;
        } else if constexpr (std::is_same_v<T, Brush>) {
            o.kind = BrushKind;
            o.brush = value;
        } else if constexpr (std::is_same_v<T, Font>) {
            o.kind = FontKind;
            o.font = value;
        } else if constexpr (std::is_same_v<T, Palette>) {
            o.kind = PaletteKind;
            o.palette = value;
        } else {
            static_assert(std::is_same_v<T, Region>, "not a metafile object");
            o.kind = RegionKind;
            o.region = value;
        }
        return o;
    }
};

struct DcState {
    quint16 mapMode = MmAnisotropic;
    QPoint windowOrg;
    QPoint windowExt{1, 1};
    QPoint viewportOrg;
    QPoint viewportExt{1, 1};
    Pen pen;
    Brush brush;
    Font font;
    Palette palette;
    QRgb bkColor = White;
    quint16 bkMode = BkOpaque;
    QRgb textColor = Black;
    quint16 textAlign = 0;
    quint16 polyFillMode = FillAlternate;
    quint16 rop2 = R2CopyPen;
    int charExtra = 0;
    QPoint currentPosition;
    std::optional<QRegion> clip; // device pixels; none means the whole picture
};

// A rectangle of device pixels as the interface draws it: right and bottom are excluded.
struct DeviceBox {
    double x0 = 0;
    double y0 = 0;
    double x1 = 0;
    double y1 = 0;

    bool empty() const { return x1 <= x0 || y1 <= y0; }
    // The outline runs through the centres of the outermost pixels.
    QRectF strokeRect(double inset = 0) const {
        return QRectF(x0 + 0.5 + inset, y0 + 0.5 + inset, std::max(0.0, x1 - x0 - 1 - 2 * inset),
                      std::max(0.0, y1 - y0 - 1 - 2 * inset));
    }
    // The interior one pixel short on the right and bottom, as a shape drawn without a pen is.
    QRectF fillRect() const { return QRectF(x0, y0, std::max(0.0, x1 - x0 - 1), std::max(0.0, y1 - y0 - 1)); }
    QRect pixels() const { return QRect(int(x0), int(y0), int(x1 - x0), int(y1 - y0)); }
};

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

// The composition of a bit-block transfer with a source; unknown operations copy.
QPainter::CompositionMode rop3Mode(quint32 rop) {
    switch (rop >> 16) {
    case 0xEE: // SRCPAINT
        return QPainter::RasterOp_SourceOrDestination;
    case 0x88: // SRCAND
        return QPainter::RasterOp_SourceAndDestination;
    case 0x66: // SRCINVERT
        return QPainter::RasterOp_SourceXorDestination;
    case 0x44: // SRCERASE
        return QPainter::RasterOp_SourceAndNotDestination;
    case 0x33: // NOTSRCCOPY
        return QPainter::RasterOp_NotSource;
    case 0x11: // NOTSRCERASE
        return QPainter::RasterOp_NotSourceAndNotDestination;
    case 0xBB: // MERGEPAINT
        return QPainter::RasterOp_NotSourceOrDestination;
    case 0x22: // DSna, the mask step of transparent blits
        return QPainter::RasterOp_NotSourceAndDestination;
    default:
        return QPainter::CompositionMode_SourceOver;
    }
}

bool ropUsesSource(quint32 rop) {
    const quint32 code = rop >> 16;
    // A ternary operation uses the source when its result changes with the source bit.
    return ((code >> 2) & 0x33u) != (code & 0x33u);
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

int clampInt(qint64 v) {
    return int(std::clamp<qint64>(v, -(qint64(1) << 30), qint64(1) << 30));
}

class Player {
public:
    Player(QImage& image, ByteView data, const Header& header, InitialWindow window, const PlayLimits& limits)
        : m_image(image), m_data(data), m_header(header), m_limits(limits),
          m_canvas(0, 0, image.width(), image.height()) {
        m_state.windowOrg = window.origin;
        m_state.windowExt = window.extent;
        m_state.viewportExt = QPoint(image.width(), image.height());
        m_maxPenWidth = 2.0 * (image.width() + image.height()) + 2;
        updateScale();
    }

    PlayReport play() {
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

private:
    // ---- mapping ----

    void updateScale() {
        const DcState& s = m_state;
        m_sx = double(s.viewportExt.x()) / s.windowExt.x();
        m_sy = double(s.viewportExt.y()) / s.windowExt.y();
        if (s.mapMode == MmIsotropic) {
            const double m = std::min(std::abs(m_sx), std::abs(m_sy));
            m_sx = std::copysign(m, m_sx);
            m_sy = std::copysign(m, m_sy);
        }
    }

    double deviceX(double x) const {
        const double d = (x - m_state.windowOrg.x()) * m_sx + m_state.viewportOrg.x();
        return std::clamp(std::round(d), -CoordinateLimit, CoordinateLimit);
    }
    double deviceY(double y) const {
        const double d = (y - m_state.windowOrg.y()) * m_sy + m_state.viewportOrg.y();
        return std::clamp(std::round(d), -CoordinateLimit, CoordinateLimit);
    }
    QPointF device(double x, double y) const { return QPointF(deviceX(x), deviceY(y)); }
    double lengthX(double v) const { return std::min(std::abs(v * m_sx), CoordinateLimit); }
    double lengthY(double v) const { return std::min(std::abs(v * m_sy), CoordinateLimit); }

    DeviceBox box(int left, int top, int right, int bottom) const {
        DeviceBox b;
        const double xa = deviceX(left), xb = deviceX(right), ya = deviceY(top), yb = deviceY(bottom);
        b.x0 = std::min(xa, xb);
        b.x1 = std::max(xa, xb);
        b.y0 = std::min(ya, yb);
        b.y1 = std::max(ya, yb);
        return b;
    }

    void setMapMode(quint16 mode) {
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

    bool extentsSettable() const {
        return m_state.mapMode == MmIsotropic || m_state.mapMode == MmAnisotropic;
    }

    void setExtent(QPoint& extent, int x, int y) {
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

    void scaleExtent(QPoint& extent, ByteView p) {
        const qint16 yDenom = p.i16(0), yNum = p.i16(2), xDenom = p.i16(4), xNum = p.i16(6);
        if (xDenom == 0 || yDenom == 0) {
            m_report.invalid++;
            return;
        }
        setExtent(extent, clampInt(qint64(extent.x()) * xNum / xDenom),
                  clampInt(qint64(extent.y()) * yNum / yDenom));
    }

    // ---- work budget ----
    //
    // Costs are in units of one filled pixel. Measured on the raster engine, a pixel of a
    // one-pixel line costs about thirty filled pixels, a scaled bitmap pixel about three, and a
    // clip rectangle or a large glyph's outline more still; the weights below follow that.

    static constexpr qint64 LinePixelCost = 32;
    static constexpr qint64 ScaledPixelCost = 3;
    static constexpr qint64 RegionRectCost = 32;
    static constexpr qint64 GlyphCost = 64;

    // Charges an operation; false once the budget is used up, which also stops the playing.
    bool spend(qint64 cost) {
        m_work += std::max<qint64>(cost, 0) + 16;
        if (m_work > m_limits.maxWork) {
            m_stopped = true;
            m_report.workLimitReached = true;
            return false;
        }
        return true;
    }

    // Pixels of bounds that fall on the picture.
    qint64 visibleArea(const QRectF& bounds) const {
        const QRectF visible = bounds.intersected(QRectF(m_canvas));
        return visible.isEmpty() ? 0 : qint64(visible.width() + 1) * qint64(visible.height() + 1);
    }

    // Work of filling a path: its visible area, and for every edge the rows it crosses.
    qint64 fillCost(const QPainterPath& path) const {
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
    static qint64 strokeCost(const QPainterPath& path, double width) {
        const double weight = width <= 1 ? double(LinePixelCost) : 2 * width;
        return qint64(std::min(path.length() * weight, 1e15)) + path.elementCount();
    }

    // ---- objects ----

    int allocateSlot() {
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

    template <typename T> void addObject(const T& value) {
        const int slot = allocateSlot();
        if (slot < 0) {
            m_report.invalid++;
            return;
        }
        m_objects[slot] = Object::of(value);
    }

    const Object* objectAt(quint16 index) const {
        if (index >= m_objects.size() || m_objects[index].kind == Object::None) {
            return nullptr;
        }
        return &m_objects[index];
    }

    void deleteObject(quint16 index) {
        if (!objectAt(index)) {
            m_report.invalid++;
            return;
        }
        // What is selected stays in use: the state holds its own copy.
        m_objects[index] = Object{};
        m_freeSlots.insert(index);
    }

    void selectObject(quint16 index) {
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

    QRgb colorRef(ByteView p, qsizetype at) const {
        // A colour that names a palette entry takes the entry of the selected palette.
        if (p.u8(at + 3) == 0x01) {
            const quint16 index = p.u16(at);
            return index < m_state.palette.colors.size() ? m_state.palette.colors[index] : Black;
        }
        return qRgb(p.u8(at), p.u8(at + 1), p.u8(at + 2));
    }

    Pen readPen(ByteView p) const {
        Pen pen;
        pen.style = p.u16(0);
        pen.width = std::abs(int(p.i16(2)));
        pen.color = colorRef(p, 6);
        return pen;
    }

    Brush readBrush(ByteView p) const {
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

    Font readFont(ByteView p) const {
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

    Palette readPalette(ByteView p) const {
        Palette palette;
        const qsizetype count = std::min<qsizetype>(p.u16(2), (p.size() - 4) / 4);
        for (qsizetype i = 0; i < count; ++i) {
            // Entries are laid out red, green, blue, flags.
            palette.colors.append(qRgb(p.u8(4 + 4 * i), p.u8(5 + 4 * i), p.u8(6 + 4 * i)));
        }
        return palette;
    }

    void setPaletteEntries(ByteView p) {
        const int start = p.u16(0);
        const qsizetype count = std::min<qsizetype>(p.u16(2), (p.size() - 4) / 4);
        QList<QRgb>& colors = m_state.palette.colors;
        for (qsizetype i = 0; i < count && start + i < colors.size(); ++i) {
            colors[start + i] = qRgb(p.u8(4 + 4 * i), p.u8(5 + 4 * i), p.u8(6 + 4 * i));
        }
    }

    std::optional<Region> readRegion(ByteView p) {
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

    QRegion deviceRegion(const Region& region) {
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

    // Work of building a region from n rectangles.
    static qint64 regionCost(qsizetype n) {
        qint64 depth = 1;
        while ((qint64(1) << depth) < n) {
            ++depth;
        }
        return qint64(n) * depth * RegionRectCost;
    }

    // ---- clipping ----

    void selectClip(const Region& region) {
        if (!spend(regionCost(region.rects.size()))) {
            return;
        }
        m_state.clip = deviceRegion(region);
        m_clipDirty = true;
    }

    void clipRect(ByteView p, bool intersect) {
        const DeviceBox b = box(p.i16(6), p.i16(4), p.i16(2), p.i16(0));
        const QRect rect = b.empty() ? QRect() : b.pixels().intersected(m_canvas.adjusted(-1, -1, 1, 1));
        const QRegion current = m_state.clip.value_or(QRegion(m_canvas));
        if (!spend(qint64(current.rectCount()) * RegionRectCost)) {
            return;
        }
        m_state.clip = intersect ? current.intersected(rect) : current.subtracted(rect);
        m_clipDirty = true;
    }

    void offsetClip(ByteView p) {
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

    void applyClip() {
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

    // ---- pens and brushes ----

    double penWidth() const {
        const Pen& pen = m_state.pen;
        if (pen.width == 0) {
            return 1;
        }
        return std::clamp(std::round(lengthX(pen.width)), 1.0, m_maxPenWidth);
    }

    std::optional<QPen> pen() const {
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

    std::optional<QBrush> brushFor(const Brush& brush) const {
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

    void prepare(quint16 rop2) {
        applyClip();
        m_painter.setCompositionMode(rop2Mode(rop2));
        m_painter.setBackgroundMode(m_state.bkMode == BkOpaque ? Qt::OpaqueMode : Qt::TransparentMode);
        m_painter.setBackground(QColor::fromRgb(m_state.bkColor));
    }

    // Fills then outlines a shape; the fill and the outline paths differ by the pixel-centre offset.
    void drawShape(const QPainterPath& fill, const QPainterPath& outline,
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

    void drawShape(const QPainterPath& fill, const QPainterPath& outline) {
        drawShape(fill, outline, brushFor(m_state.brush));
    }

    void strokeOnly(const QPainterPath& outline) { drawShape(QPainterPath(), outline, std::nullopt); }

    Qt::FillRule fillRule() const {
        return m_state.polyFillMode == FillWinding ? Qt::WindingFill : Qt::OddEvenFill;
    }

    // ---- records: shapes ----

    std::optional<QPolygonF> readPoints(ByteView p, qsizetype at, qsizetype count) {
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

    static QPolygonF centred(const QPolygonF& points) { return points.translated(0.5, 0.5); }

    void polygon(ByteView p) {
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

    void polyline(ByteView p) {
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

    void polyPolygon(ByteView p) {
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

    void lineTo(ByteView p) {
        const QPoint to(p.i16(2), p.i16(0));
        const QPointF a = device(m_state.currentPosition.x(), m_state.currentPosition.y());
        const QPointF b = device(to.x(), to.y());
        m_state.currentPosition = to;
        QPainterPath outline;
        outline.moveTo(a + QPointF(0.5, 0.5));
        outline.lineTo(b + QPointF(0.5, 0.5));
        strokeOnly(outline);
    }

    double insideFrameInset() const {
        return (m_state.pen.style & 0x000F) == PsInsideFrame ? (penWidth() - 1) / 2 : 0;
    }

    void rectangle(ByteView p) {
        const DeviceBox b = box(p.i16(6), p.i16(4), p.i16(2), p.i16(0));
        if (b.empty()) {
            return;
        }
        QPainterPath fill, outline;
        fill.addRect(b.fillRect());
        outline.addRect(b.strokeRect(insideFrameInset()));
        drawShape(fill, outline);
    }

    void roundRect(ByteView p) {
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

    void ellipse(ByteView p) {
        const DeviceBox b = box(p.i16(6), p.i16(4), p.i16(2), p.i16(0));
        if (b.empty()) {
            return;
        }
        QPainterPath fill, outline;
        fill.addEllipse(b.fillRect());
        outline.addEllipse(b.strokeRect(insideFrameInset()));
        drawShape(fill, outline);
    }

    enum class ArcKind { Arc, Pie, Chord };

    // Arcs run counter-clockwise on the picture from the start radial to the end radial.
    void arc(ByteView p, ArcKind kind) {
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

    void fillRectWith(const QRectF& rect, const QBrush& brush, QPainter::CompositionMode mode) {
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
    void patternBlt(int x, int y, int width, int height, quint32 rop) {
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

    void setPixel(ByteView p) {
        const QPointF at = device(p.i16(6), p.i16(4));
        fillRectWith(QRectF(at, QSizeF(1, 1)), QBrush(QColor::fromRgb(colorRef(p, 0))),
                     QPainter::CompositionMode_SourceOver);
    }

    void fillRegion(const Region& region, const QBrush& brush, QPainter::CompositionMode mode) {
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

    // ---- records: bitmaps ----

    // Draws the part (sx, sy, sw, sh) of a bitmap onto the logical rectangle (dx, dy, dw, dh).
    // Source coordinates count from the bottom row of a bottom-up bitmap, as the interface does;
    // negative sizes on either side mirror the picture.
    void drawBitmap(const QImage& image, bool bottomUp, int sx, int sy, int sw, int sh, const DeviceBox& dest,
                    bool mirrorX, bool mirrorY, quint32 rop) {
        if (sw < 0) {
            sx += sw;
            sw = -sw;
            mirrorX = !mirrorX;
        }
        if (sh < 0) {
            sy += sh;
            sh = -sh;
            mirrorY = !mirrorY;
        }
        if (sw == 0 || sh == 0 || dest.empty()) {
            return;
        }
        const int top = bottomUp ? image.height() - sy - sh : sy;
        const QRect source(sx, top, sw, sh);
        const QRect part = source.intersected(image.rect());
        if (part.isEmpty()) {
            return;
        }
        // The visible part keeps its place inside the destination.
        const double kx = (dest.x1 - dest.x0) / sw, ky = (dest.y1 - dest.y0) / sh;
        const double left = mirrorX ? source.right() - part.right() : part.left() - source.left();
        const double upper = mirrorY ? source.bottom() - part.bottom() : part.top() - source.top();
        const QRectF target(dest.x0 + left * kx, dest.y0 + upper * ky, part.width() * kx, part.height() * ky);
        if (!spend(visibleArea(target) * ScaledPixelCost + qint64(part.width()) * part.height())) {
            return;
        }
        QImage piece = image.copy(part);
        if (mirrorX || mirrorY) {
            piece = piece.mirrored(mirrorX, mirrorY);
        }
        applyClip();
        m_painter.setCompositionMode(rop3Mode(rop));
        m_painter.drawImage(target, piece);
    }

    // Destination of a transfer: its device box and whether the mapping turns it around.
    std::pair<DeviceBox, std::pair<bool, bool>> destination(int x, int y, int width, int height) const {
        const double xa = deviceX(x), xb = deviceX(double(x) + width);
        const double ya = deviceY(y), yb = deviceY(double(y) + height);
        DeviceBox b{std::min(xa, xb), std::min(ya, yb), std::max(xa, xb), std::max(ya, yb)};
        return {b, {xb < xa, yb < ya}};
    }

    std::optional<QImage> dib(ByteView bits, quint16 usage, bool* bottomUp) {
        const auto info = readDibInfo(bits);
        if (info) {
            // Decoding costs its pixels whether or not they end up visible.
            if (!spend(qint64(info->width) * info->height)) {
                return std::nullopt;
            }
        }
        QImage image = decodeDib(bits, usage, m_state.palette.colors, m_limits.maxBitmapPixels);
        if (image.isNull()) {
            m_report.invalid++;
            return std::nullopt;
        }
        *bottomUp = info && !info->topDown;
        return image;
    }

    // A transfer record: with a source bitmap it draws it, without one it is a pattern operation.
    void transfer(const Record& r, bool stretch, bool dibSource) {
        const ByteView p = r.params;
        const bool noSource = (p.size() + RecordHeaderBytes) / 2 == qsizetype(r.function >> 8) + 3;
        const qsizetype skip = noSource ? 2 : 0; // the form without a bitmap has a reserved word
        const quint32 rop = p.u32(0);
        int sw, sh, sx, sy, dw, dh, dx, dy;
        qsizetype at = 4 + skip;
        if (stretch) {
            sh = p.i16(at);
            sw = p.i16(at + 2);
            sy = p.i16(at + 4);
            sx = p.i16(at + 6);
            dh = p.i16(at + 8);
            dw = p.i16(at + 10);
            dy = p.i16(at + 12);
            dx = p.i16(at + 14);
            at += 16;
        } else {
            sy = p.i16(at);
            sx = p.i16(at + 2);
            dh = sh = p.i16(at + 4);
            dw = sw = p.i16(at + 6);
            dy = p.i16(at + 8);
            dx = p.i16(at + 10);
            at += 12;
        }
        if (!p.has(0, at)) {
            m_report.invalid++;
            return;
        }
        if (noSource || !ropUsesSource(rop)) {
            patternBlt(dx, dy, dw, dh, rop);
            return;
        }
        const auto [dest, mirror] = destination(dx, dy, dw, dh);
        if (dibSource) {
            bool bottomUp = true;
            if (const auto image = dib(p.mid(at), DibRgbColors, &bottomUp)) {
                drawBitmap(*image, bottomUp, sx, sy, sw, sh, dest, mirror.first, mirror.second, rop);
            }
            return;
        }
        QImage mono = decodeMonoBitmap16(p.mid(at), m_limits.maxBitmapPixels);
        if (mono.isNull()) {
            m_report.unsupported++;
            return;
        }
        mono.setColor(0, m_state.textColor);
        mono.setColor(1, m_state.bkColor);
        drawBitmap(mono.convertToFormat(QImage::Format_RGB32), false, sx, sy, sw, sh, dest, mirror.first,
                   mirror.second, rop);
    }

    void stretchDib(ByteView p) {
        if (!p.has(0, 22)) {
            m_report.invalid++;
            return;
        }
        const quint32 rop = p.u32(0);
        const quint16 usage = p.u16(4);
        const int sh = p.i16(6), sw = p.i16(8), sy = p.i16(10), sx = p.i16(12);
        const int dh = p.i16(14), dw = p.i16(16), dy = p.i16(18), dx = p.i16(20);
        if (!ropUsesSource(rop)) {
            patternBlt(dx, dy, dw, dh, rop);
            return;
        }
        const auto [dest, mirror] = destination(dx, dy, dw, dh);
        bool bottomUp = true;
        if (const auto image = dib(p.mid(22), usage, &bottomUp)) {
            drawBitmap(*image, bottomUp, sx, sy, sw, sh, dest, mirror.first, mirror.second, rop);
        }
    }

    void setDibToDevice(ByteView p) {
        if (!p.has(0, 18)) {
            m_report.invalid++;
            return;
        }
        const quint16 usage = p.u16(0);
        const int sy = p.i16(6), sx = p.i16(8), height = p.u16(10), width = p.u16(12);
        const QPointF at = device(p.i16(16), p.i16(14));
        // Sizes here are pixels of the picture, never scaled.
        const DeviceBox dest{at.x(), at.y(), at.x() + width, at.y() + height};
        bool bottomUp = true;
        if (const auto image = dib(p.mid(18), usage, &bottomUp)) {
            drawBitmap(*image, bottomUp, sx, sy, width, height, dest, false, false, 0x00CC0020u);
        }
    }

    void dibPatternBrush(ByteView p) {
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

    // ---- records: text ----

    QFont fontFor(const Font& entry, double* ascent, double* descent) {
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

    // Draws text at the logical point (x, y), or at the current position when the alignment says so.
    void text(int x, int y, ByteView bytes, ByteView dx, quint16 options, std::optional<DeviceBox> rect) {
        if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
            // Fonts need the GUI application; without one the text is left out.
            m_report.unsupported++;
            return;
        }
        const Font& entry = m_state.font;
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

        double ascent = 0, descent = 0;
        const QFont font = fontFor(entry, &ascent, &descent);
        const QFontMetricsF metrics(font);
        const TextDecoder decoder(entry.charset, isSymbolFace(entry.face));
        const QList<TextChar> chars = decoder.characters(bytes);

        // Advances: from the record when it has them (one per byte), else from the font.
        QList<double> advances;
        advances.reserve(chars.size());
        const bool hasDx = dx.size() >= bytes.size() * 2;
        qsizetype byteIndex = 0;
        double total = 0;
        for (const TextChar& c : chars) {
            double advance = 0;
            if (hasDx) {
                for (int k = 0; k < c.bytes; ++k) {
                    advance += dx.i16(2 * (byteIndex + k));
                }
                advance = std::min(std::abs(advance * m_sx), CoordinateLimit);
            } else {
                advance = metrics.horizontalAdvance(c.text) + lengthX(m_state.charExtra);
            }
            byteIndex += c.bytes;
            advances.append(advance);
            total += advance;
        }

        double left = 0;
        if ((align & TaCenter) == TaCenter) {
            left = -total / 2;
        } else if (align & TaRight) {
            left = -total;
        }
        double baseline = ascent;
        if ((align & TaBaseline) == TaBaseline) {
            baseline = 0;
        } else if (align & TaBottom) {
            baseline = -descent;
        }

        const double angle = -entry.escapement / 10.0;
        QTransform transform;
        transform.translate(origin.x(), origin.y());
        transform.rotate(angle);
        const QRectF cell(left, baseline - ascent, total, ascent + descent);
        // Glyphs beyond the glyph cache's size are outlines that cost with their size.
        const qint64 perGlyph = GlyphCost + (font.pixelSize() > 64 ? qint64(font.pixelSize()) * 32 : 0);
        if (!spend(visibleArea(transform.mapRect(cell)) + qint64(chars.size()) * perGlyph)) {
            return;
        }

        applyClip();
        m_painter.save();
        if (rect && (options & EtoClipped)) {
            m_painter.setClipRect(QRectF(rect->pixels()), Qt::IntersectClip);
        }
        m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        m_painter.setBackgroundMode(Qt::TransparentMode);
        m_painter.setTransform(transform);
        if (m_state.bkMode == BkOpaque) {
            m_painter.fillRect(cell, QColor::fromRgb(m_state.bkColor));
        }
        m_painter.setFont(font);
        m_painter.setPen(QColor::fromRgb(m_state.textColor));
        if (!hasDx && m_state.charExtra == 0) {
            QString whole;
            for (const TextChar& c : chars) {
                whole += c.text;
            }
            m_painter.drawText(QPointF(left, baseline), whole);
        } else {
            double pen = left;
            for (qsizetype i = 0; i < chars.size(); ++i) {
                m_painter.drawText(QPointF(pen, baseline), chars[i].text);
                pen += advances[i];
            }
        }
        m_painter.restore();
        m_clipDirty = true;

        if (updateCp && m_sx != 0) {
            const double moved = (align & TaRight) && (align & TaCenter) != TaCenter ? -total : total;
            m_state.currentPosition.rx() =
                clampInt(qint64(m_state.currentPosition.x()) + qint64(std::round(moved / m_sx)));
        }
    }

    void textOut(ByteView p) {
        const qint16 length = p.i16(0);
        const qsizetype padded = (qsizetype(length) + 1) & ~qsizetype(1);
        if (length < 0 || !p.has(2 + padded, 4)) {
            m_report.invalid++;
            return;
        }
        text(p.i16(2 + padded + 2), p.i16(2 + padded), p.mid(2, length), ByteView(), 0, std::nullopt);
    }

    void extTextOut(ByteView p) {
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

    // ---- states ----

    void saveDC() {
        if (m_saved.size() >= m_limits.maxSavedStates) {
            m_report.invalid++;
            return;
        }
        m_saved.append(m_state);
    }

    void restoreDC(qint16 which) {
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

    // ---- dispatch ----

    void dispatch(const Record& r) {
        const ByteView p = r.params;
        // Every record reads parameters of at least this many bytes; shorter ones are skipped.
        auto need = [&](qsizetype bytes) {
            if (p.has(0, bytes)) {
                return true;
            }
            m_report.invalid++;
            return false;
        };
        DcState& s = m_state;
        switch (r.function) {
        case SetBkColor:
            if (need(4)) {
                s.bkColor = colorRef(p, 0);
            }
            break;
        case SetBkMode:
            if (need(2) && (p.u16(0) == BkTransparent || p.u16(0) == BkOpaque)) {
                s.bkMode = p.u16(0);
            }
            break;
        case SetMapMode:
            if (need(2)) {
                setMapMode(p.u16(0));
            }
            break;
        case SetRop2:
            if (need(2) && p.u16(0) >= 1 && p.u16(0) <= 16) {
                s.rop2 = p.u16(0);
            }
            break;
        case SetPolyFillMode:
            if (need(2) && (p.u16(0) == FillAlternate || p.u16(0) == FillWinding)) {
                s.polyFillMode = p.u16(0);
            }
            break;
        case SetTextCharExtra:
            if (need(2)) {
                s.charExtra = p.i16(0);
            }
            break;
        case SetTextColor:
            if (need(4)) {
                s.textColor = colorRef(p, 0);
            }
            break;
        case SetTextAlign:
            if (need(2)) {
                s.textAlign = p.u16(0);
            }
            break;
        case SetWindowOrg:
            if (need(4)) {
                s.windowOrg = QPoint(p.i16(2), p.i16(0));
            }
            break;
        case SetWindowExt:
            if (need(4)) {
                setExtent(s.windowExt, p.i16(2), p.i16(0));
            }
            break;
        case SetViewportOrg:
            if (need(4)) {
                s.viewportOrg = QPoint(p.i16(2), p.i16(0));
            }
            break;
        case SetViewportExt:
            if (need(4)) {
                setExtent(s.viewportExt, p.i16(2), p.i16(0));
            }
            break;
        case OffsetWindowOrg:
            if (need(4)) {
                s.windowOrg = QPoint(clampInt(qint64(s.windowOrg.x()) + p.i16(2)),
                                     clampInt(qint64(s.windowOrg.y()) + p.i16(0)));
            }
            break;
        case OffsetViewportOrg:
            if (need(4)) {
                s.viewportOrg = QPoint(clampInt(qint64(s.viewportOrg.x()) + p.i16(2)),
                                       clampInt(qint64(s.viewportOrg.y()) + p.i16(0)));
            }
            break;
        case ScaleWindowExt:
            if (need(8)) {
                scaleExtent(s.windowExt, p);
            }
            break;
        case ScaleViewportExt:
            if (need(8)) {
                scaleExtent(s.viewportExt, p);
            }
            break;
        case MoveTo:
            if (need(4)) {
                s.currentPosition = QPoint(p.i16(2), p.i16(0));
            }
            break;
        case LineTo:
            if (need(4)) {
                lineTo(p);
            }
            break;
        case ExcludeClipRect:
        case IntersectClipRect:
            if (need(8)) {
                clipRect(p, r.function == IntersectClipRect);
            }
            break;
        case OffsetClipRgn:
            if (need(4)) {
                offsetClip(p);
            }
            break;
        case Rectangle:
            if (need(8)) {
                rectangle(p);
            }
            break;
        case RoundRect:
            if (need(12)) {
                roundRect(p);
            }
            break;
        case Ellipse:
            if (need(8)) {
                ellipse(p);
            }
            break;
        case Arc:
            if (need(16)) {
                arc(p, ArcKind::Arc);
            }
            break;
        case Pie:
            if (need(16)) {
                arc(p, ArcKind::Pie);
            }
            break;
        case Chord:
            if (need(16)) {
                arc(p, ArcKind::Chord);
            }
            break;
        case Polygon:
            if (need(2)) {
                polygon(p);
            }
            break;
        case Polyline:
            if (need(2)) {
                polyline(p);
            }
            break;
        case PolyPolygon:
            if (need(2)) {
                polyPolygon(p);
            }
            break;
        case PatBlt:
            if (need(12)) {
                patternBlt(p.i16(10), p.i16(8), p.i16(6), p.i16(4), p.u32(0));
            }
            break;
        case SetPixel:
            if (need(8)) {
                setPixel(p);
            }
            break;
        case TextOut:
            if (need(2)) {
                textOut(p);
            }
            break;
        case ExtTextOut:
            if (need(8)) {
                extTextOut(p);
            }
            break;
        case BitBlt:
            transfer(r, false, false);
            break;
        case StretchBlt:
            transfer(r, true, false);
            break;
        case DIBBitBlt:
            transfer(r, false, true);
            break;
        case DIBStretchBlt:
            transfer(r, true, true);
            break;
        case StretchDIB:
            stretchDib(p);
            break;
        case SetDIBToDev:
            setDibToDevice(p);
            break;
        case SaveDC:
            saveDC();
            break;
        case RestoreDC:
            if (need(2)) {
                restoreDC(p.i16(0));
            }
            break;
        // A creation record always takes a slot, even a broken one, so that the indices of later
        // objects stay where the file expects them; a broken pen or brush draws nothing.
        case CreatePenIndirect:
            addObject(need(10) ? readPen(p) : Pen{PsNull, 0, Black});
            break;
        case CreateBrushIndirect:
            addObject(need(8) ? readBrush(p) : Brush{BsNull, Black, 0, {}});
            break;
        case CreateFontIndirect:
            addObject(need(18) ? readFont(p) : Font{});
            break;
        case CreatePalette:
            addObject(need(4) ? readPalette(p) : Palette{});
            break;
        case CreateRegion: {
            auto region = readRegion(p);
            if (!region) {
                m_report.invalid++;
            }
            addObject(region.value_or(Region{}));
            break;
        }
        case CreatePatternBrush: {
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
            break;
        }
        case DIBCreatePatternBrush:
            dibPatternBrush(p);
            break;
        case DeleteObject:
            if (need(2)) {
                deleteObject(p.u16(0));
            }
            break;
        case SelectObject:
            if (need(2)) {
                selectObject(p.u16(0));
            }
            break;
        case SelectPalette:
            if (need(2)) {
                if (const Object* o = objectAt(p.u16(0)); o && o->kind == Object::PaletteKind) {
                    s.palette = o->palette;
                } else {
                    m_report.invalid++;
                }
            }
            break;
        case SetPalEntries:
        case AnimatePalette:
            if (need(4)) {
                setPaletteEntries(p);
            }
            break;
        case ResizePalette:
            if (need(2)) {
                s.palette.colors.resize(std::min<int>(p.u16(0), 1024), Black);
            }
            break;
        case SelectClipRegion:
            if (need(2)) {
                const Object* o = objectAt(p.u16(0));
                if (o && o->kind == Object::RegionKind) {
                    selectClip(o->region);
                } else {
                    // No region: clipping is switched off.
                    s.clip.reset();
                    m_clipDirty = true;
                }
            }
            break;
        case FillRegion:
            if (need(4)) {
                const Object* region = objectAt(p.u16(0));
                const Object* brush = objectAt(p.u16(2));
                if (region && brush && region->kind == Object::RegionKind &&
                    brush->kind == Object::BrushKind) {
                    if (const auto qbrush = brushFor(brush->brush)) {
                        fillRegion(region->region, *qbrush, rop2Mode(s.rop2));
                    }
                } else {
                    m_report.invalid++;
                }
            }
            break;
        case PaintRegion:
        case InvertRegion:
            if (need(2)) {
                const Object* region = objectAt(p.u16(0));
                if (region && region->kind == Object::RegionKind) {
                    if (r.function == InvertRegion) {
                        fillRegion(region->region, QBrush(Qt::white), QPainter::RasterOp_NotDestination);
                    } else if (const auto qbrush = brushFor(s.brush)) {
                        fillRegion(region->region, *qbrush, rop2Mode(s.rop2));
                    }
                } else {
                    m_report.invalid++;
                }
            }
            break;
        case SetRelAbs:
        case SetStretchBltMode:
        case SetMapperFlags:
        case SetTextJustification:
        case RealizePalette:
        case Escape:
            // Nothing to draw: these only matter to printers or to palette devices.
            break;
        default:
            m_report.unsupported++;
            break;
        }
    }

    QImage& m_image;
    ByteView m_data;
    Header m_header;
    PlayLimits m_limits;
    QRect m_canvas;
    QPainter m_painter;
    PlayReport m_report;

    DcState m_state;
    QList<DcState> m_saved;
    QList<Object> m_objects;
    std::set<int> m_freeSlots;
    double m_sx = 1;
    double m_sy = 1;
    double m_maxPenWidth = 1;
    bool m_clipDirty = true;
    qint64 m_work = 0;
    bool m_stopped = false;
};

} // namespace

PlayReport playRecords(QImage& image, ByteView data, const Header& header, InitialWindow window,
                       const PlayLimits& limits) {
    Player player(image, data, header, window, limits);
    return player.play();
}

} // namespace quarbel::platform::wmf
