#pragma once

// The byte layout of Windows Metafiles: bounded little-endian reads, the two headers and the record
// stream. Nothing here trusts a count or a size read from the file: every read is checked against
// the bytes actually present, and the record stream ends at the first record that does not fit.

#include <QString>
#include <QtGlobal>
#include <optional>

namespace quarbel::codecs::wmf {

inline constexpr quint32 PlaceableKey = 0x9AC6CDD7u;
inline constexpr qsizetype PlaceableHeaderBytes = 22;
inline constexpr qsizetype MetaHeaderBytes = 18;
inline constexpr qsizetype RecordHeaderBytes = 6;

// Record functions, as they appear in the record header.
enum Function : quint16 {
    EofRecord = 0x0000,
    SetBkColor = 0x0201,
    SetBkMode = 0x0102,
    SetMapMode = 0x0103,
    SetRop2 = 0x0104,
    SetRelAbs = 0x0105,
    SetPolyFillMode = 0x0106,
    SetStretchBltMode = 0x0107,
    SetTextCharExtra = 0x0108,
    SetTextColor = 0x0209,
    SetTextJustification = 0x020A,
    SetWindowOrg = 0x020B,
    SetWindowExt = 0x020C,
    SetViewportOrg = 0x020D,
    SetViewportExt = 0x020E,
    OffsetWindowOrg = 0x020F,
    ScaleWindowExt = 0x0410,
    OffsetViewportOrg = 0x0211,
    ScaleViewportExt = 0x0412,
    LineTo = 0x0213,
    MoveTo = 0x0214,
    ExcludeClipRect = 0x0415,
    IntersectClipRect = 0x0416,
    Arc = 0x0817,
    Ellipse = 0x0418,
    FloodFill = 0x0419,
    Pie = 0x081A,
    Rectangle = 0x041B,
    RoundRect = 0x061C,
    PatBlt = 0x061D,
    SaveDC = 0x001E,
    SetPixel = 0x041F,
    OffsetClipRgn = 0x0220,
    TextOut = 0x0521,
    BitBlt = 0x0922,
    StretchBlt = 0x0B23,
    Polygon = 0x0324,
    Polyline = 0x0325,
    Escape = 0x0626,
    RestoreDC = 0x0127,
    FillRegion = 0x0228,
    FrameRegion = 0x0429,
    InvertRegion = 0x012A,
    PaintRegion = 0x012B,
    SelectClipRegion = 0x012C,
    SelectObject = 0x012D,
    SetTextAlign = 0x012E,
    Chord = 0x0830,
    SetMapperFlags = 0x0231,
    ExtTextOut = 0x0A32,
    SetDIBToDev = 0x0D33,
    SelectPalette = 0x0234,
    RealizePalette = 0x0035,
    AnimatePalette = 0x0436,
    SetPalEntries = 0x0037,
    PolyPolygon = 0x0538,
    ResizePalette = 0x0139,
    DIBBitBlt = 0x0940,
    DIBStretchBlt = 0x0B41,
    DIBCreatePatternBrush = 0x0142,
    StretchDIB = 0x0F43,
    ExtFloodFill = 0x0548,
    DeleteObject = 0x01F0,
    CreatePalette = 0x00F7,
    CreatePatternBrush = 0x01F9,
    CreatePenIndirect = 0x02FA,
    CreateFontIndirect = 0x02FB,
    CreateBrushIndirect = 0x02FC,
    CreateRegion = 0x06FF,
};

// A window on bytes that never reads outside itself: a read past the end yields zero.
class ByteView {
public:
    ByteView() = default;
    ByteView(const char* data, qsizetype size) : m_data(data), m_size(size > 0 ? size : 0) {}

    const char* data() const { return m_data; }
    qsizetype size() const { return m_size; }
    bool has(qsizetype offset, qsizetype count) const {
        return offset >= 0 && count >= 0 && offset <= m_size && count <= m_size - offset;
    }

    quint8 u8(qsizetype offset) const { return has(offset, 1) ? static_cast<quint8>(m_data[offset]) : 0; }
    quint16 u16(qsizetype offset) const {
        return has(offset, 2) ? static_cast<quint16>(byte(offset) | (byte(offset + 1) << 8)) : 0;
    }
    qint16 i16(qsizetype offset) const { return static_cast<qint16>(u16(offset)); }
    quint32 u32(qsizetype offset) const {
        return has(offset, 4)
                   ? static_cast<quint32>(byte(offset)) | (static_cast<quint32>(byte(offset + 1)) << 8) |
                         (static_cast<quint32>(byte(offset + 2)) << 16) |
                         (static_cast<quint32>(byte(offset + 3)) << 24)
                   : 0;
    }
    qint32 i32(qsizetype offset) const { return static_cast<qint32>(u32(offset)); }

    // The bytes from offset on, at most count of them (all of them when count is negative).
    ByteView mid(qsizetype offset, qsizetype count = -1) const;

private:
    unsigned byte(qsizetype offset) const { return static_cast<unsigned char>(m_data[offset]); }

    const char* m_data = nullptr;
    qsizetype m_size = 0;
};

struct Header {
    bool placeable = false;
    // Bounding box and units per inch of a placeable file.
    qint16 left = 0;
    qint16 top = 0;
    qint16 right = 0;
    qint16 bottom = 0;
    quint16 unitsPerInch = 0;
    quint16 objectCount = 0;
    qsizetype recordsOffset = 0;
};

// True when the first bytes are a placeable header or a plain metafile header.
bool looksLikeMetafile(ByteView data);

// Both headers, or nothing and a reason.
std::optional<Header> readHeader(ByteView data, QString* error);

struct Record {
    quint16 function = 0;
    ByteView params; // the bytes after the 6-byte record header, inside the record
    qsizetype offset = 0;
};

// Walks the records from the first one after the headers. Every record takes at least 6 bytes,
// so the walk ends after at most size / 6 steps whatever the file says.
class RecordReader {
public:
    RecordReader(ByteView data, qsizetype offset) : m_data(data), m_offset(offset) {}

    // The next record, or false at the end record, at the end of the bytes or at a record whose
    // size is smaller than its header or larger than what is left.
    bool next(Record& record);

    bool sawEof() const { return m_sawEof; }
    bool malformed() const { return m_malformed; }

private:
    ByteView m_data;
    qsizetype m_offset = 0;
    bool m_done = false;
    bool m_sawEof = false;
    bool m_malformed = false;
};

} // namespace quarbel::codecs::wmf
