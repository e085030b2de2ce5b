#pragma once

// The player's insides, shared by the files that play the records of one concern each:
// WmfPlayer.cpp (the record table), _Mapping (coordinates, saved states, clipping, work budget),
// _Objects (the object table), _Shapes, _Bitmaps and _Text.

#include "codecs/WmfPlayer.h"
#include "codecs/WmfText.h"

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QTransform>
#include <algorithm>
#include <optional>
#include <set>
#include <type_traits>

namespace quarbel::codecs::wmf {

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

    template <typename T> static Object of(const T& value) {
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

// A line of text laid out for drawing: glyphs relative to the origin, which transform places.
struct TextRun {
    QFont font;
    QList<TextChar> chars;
    QList<double> advances;
    bool oneString = false; // the font's own advances: drawn as one string
    double width = 0;
    double left = 0;
    double baseline = 0;
    QRectF cell; // the text's box, the background of an opaque mode
    QTransform transform;
};

inline int clampInt(qint64 v) {
    return int(std::clamp<qint64>(v, -(qint64(1) << 30), qint64(1) << 30));
}

class Player {
public:
    Player(QImage& image, ByteView data, const Header& header, InitialWindow window,
           const PlayLimits& limits);

    PlayReport play();

private:
    // One row of the record table: the parameter bytes every record of the kind needs (shorter
    // ones are counted invalid and skipped) and what playing it does.
    struct RecordKind {
        quint16 function = 0;
        qsizetype minBytes = 0;
        void (*play)(Player& player, ByteView params) = nullptr;
    };
    static const RecordKind* recordKind(quint16 function);
    void dispatch(const Record& r);
    // False, counting the record invalid, when p is shorter than bytes.
    bool enough(ByteView p, qsizetype bytes);

    // ---- mapping (WmfPlayer_Mapping.cpp) ----
    void updateScale();
    double deviceX(double x) const;
    double deviceY(double y) const;
    QPointF device(double x, double y) const { return QPointF(deviceX(x), deviceY(y)); }
    double lengthX(double v) const { return std::min(std::abs(v * m_sx), CoordinateLimit); }
    double lengthY(double v) const { return std::min(std::abs(v * m_sy), CoordinateLimit); }
    DeviceBox box(int left, int top, int right, int bottom) const;
    void setMapMode(quint16 mode);
    bool extentsSettable() const;
    void setExtent(QPoint& extent, int x, int y);
    void scaleExtent(QPoint& extent, ByteView p);
    void offsetOrigin(QPoint& origin, ByteView p);

    // ---- saved states and clipping ----
    void saveDC();
    void restoreDC(qint16 which);
    void selectClip(const Region& region);
    void selectClipRegion(ByteView p);
    void clipRect(ByteView p, bool intersect);
    void offsetClip(ByteView p);
    void applyClip();

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
    bool spend(qint64 cost);
    // Pixels of bounds that fall on the picture.
    qint64 visibleArea(const QRectF& bounds) const;
    // Work of filling a path: its visible area, and for every edge the rows it crosses.
    qint64 fillCost(const QPainterPath& path) const;
    // Work of stroking a path: its whole length times the pen width, since the stroker walks
    // every part of it, on the picture or not.
    static qint64 strokeCost(const QPainterPath& path, double width);
    // Work of building a region from n rectangles.
    static qint64 regionCost(qsizetype n);

    // ---- objects (WmfPlayer_Objects.cpp) ----
    int allocateSlot();
    template <typename T> void addObject(const T& value) {
        const int slot = allocateSlot();
        if (slot < 0) {
            m_report.invalid++;
            return;
        }
        m_objects[slot] = Object::of(value);
    }
    const Object* objectAt(quint16 index) const;
    void deleteObject(quint16 index);
    void selectObject(quint16 index);
    void selectPalette(quint16 index);
    QRgb colorRef(ByteView p, qsizetype at) const;
    Pen readPen(ByteView p) const;
    Brush readBrush(ByteView p) const;
    Font readFont(ByteView p) const;
    Palette readPalette(ByteView p) const;
    void setPaletteEntries(ByteView p);
    std::optional<Region> readRegion(ByteView p);
    QRegion deviceRegion(const Region& region);
    void createRegion(ByteView p);
    void createPatternBrush(ByteView p);
    void dibPatternBrush(ByteView p);

    // ---- pens, brushes and shapes (WmfPlayer_Shapes.cpp) ----
    double penWidth() const;
    std::optional<QPen> pen() const;
    std::optional<QBrush> brushFor(const Brush& brush) const;
    void prepare(quint16 rop2);
    // Fills then outlines a shape; the fill and the outline paths differ by the pixel-centre offset.
    void drawShape(const QPainterPath& fill, const QPainterPath& outline, const std::optional<QBrush>& brush);
    void drawShape(const QPainterPath& fill, const QPainterPath& outline);
    void strokeOnly(const QPainterPath& outline);
    Qt::FillRule fillRule() const;
    std::optional<QPolygonF> readPoints(ByteView p, qsizetype at, qsizetype count);
    static QPolygonF centred(const QPolygonF& points);
    void polygon(ByteView p);
    void polyline(ByteView p);
    void polyPolygon(ByteView p);
    void lineTo(ByteView p);
    double insideFrameInset() const;
    void rectangle(ByteView p);
    void roundRect(ByteView p);
    void ellipse(ByteView p);
    enum class ArcKind { Arc, Pie, Chord };
    void arc(ByteView p, ArcKind kind);
    void fillRectWith(const QRectF& rect, const QBrush& brush, QPainter::CompositionMode mode);
    void patternBlt(int x, int y, int width, int height, quint32 rop);
    void setPixel(ByteView p);
    void fillRegion(const Region& region, const QBrush& brush, QPainter::CompositionMode mode);
    void fillRegionRecord(ByteView p);
    void paintRegionRecord(ByteView p, bool invert);

    // ---- bitmaps (WmfPlayer_Bitmaps.cpp) ----
    void drawBitmap(const QImage& image, bool bottomUp, int sx, int sy, int sw, int sh, const DeviceBox& dest,
                    bool mirrorX, bool mirrorY, quint32 rop);
    std::pair<DeviceBox, std::pair<bool, bool>> destination(int x, int y, int width, int height) const;
    std::optional<QImage> dib(ByteView bits, quint16 usage, bool* bottomUp);
    void transfer(ByteView p, quint16 function);
    void stretchDib(ByteView p);
    void setDibToDevice(ByteView p);

    // ---- text (WmfPlayer_Text.cpp) ----
    QFont fontFor(const Font& entry, double* ascent, double* descent);
    QList<double> advances(const QList<TextChar>& chars, ByteView dx, const QFontMetricsF& metrics) const;
    TextRun layoutText(QPointF origin, ByteView bytes, ByteView dx);
    void paintText(const TextRun& run, quint16 options, std::optional<DeviceBox> rect);
    void text(int x, int y, ByteView bytes, ByteView dx, quint16 options, std::optional<DeviceBox> rect);
    void textOut(ByteView p);
    void extTextOut(ByteView p);

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

} // namespace quarbel::codecs::wmf
