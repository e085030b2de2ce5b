#pragma once

// Builds metafiles byte by byte for the tests, including broken ones.

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>
#include <algorithm>
#include <initializer_list>

namespace quarbel::test {

inline void putU16(QByteArray& out, quint32 v) {
    out.append(char(v & 0xFF));
    out.append(char((v >> 8) & 0xFF));
}

inline void putU32(QByteArray& out, quint32 v) {
    putU16(out, v & 0xFFFF);
    putU16(out, v >> 16);
}

inline void putColor(QByteArray& out, QRgb c) {
    out.append(char(qRed(c)));
    out.append(char(qGreen(c)));
    out.append(char(qBlue(c)));
    out.append(char(0));
}

// A packed 24-bit DIB (header, bottom-up rows) of an image given top row first.
inline QByteArray dib24(const QList<QList<QRgb>>& rows, bool topDown = false) {
    const int height = int(rows.size());
    const int width = height ? int(rows[0].size()) : 0;
    QByteArray out;
    putU32(out, 40);
    putU32(out, quint32(width));
    putU32(out, quint32(topDown ? -height : height));
    putU16(out, 1);
    putU16(out, 24);
    putU32(out, 0);
    putU32(out, 0);
    putU32(out, 0);
    putU32(out, 0);
    putU32(out, 0);
    putU32(out, 0);
    const int stride = ((width * 24 + 31) / 32) * 4;
    for (int i = 0; i < height; ++i) {
        const QList<QRgb>& row = rows[topDown ? i : height - 1 - i];
        QByteArray line;
        for (QRgb c : row) {
            line.append(char(qBlue(c)));
            line.append(char(qGreen(c)));
            line.append(char(qRed(c)));
        }
        line.append(QByteArray(stride - line.size(), '\0'));
        out.append(line);
    }
    return out;
}

class WmfWriter {
public:
    // A record from its function and 16-bit parameter words in file order.
    WmfWriter& words(quint16 function, std::initializer_list<int> params) {
        QByteArray p;
        for (int v : params) {
            putU16(p, quint32(v) & 0xFFFF);
        }
        return raw(function, p);
    }

    // A record from its function and parameter bytes; odd byte counts are padded.
    WmfWriter& raw(quint16 function, QByteArray params) {
        if (params.size() % 2) {
            params.append('\0');
        }
        QByteArray r;
        putU32(r, quint32(3 + params.size() / 2));
        putU16(r, function);
        r.append(params);
        m_records.append(r);
        return *this;
    }

    // Bytes appended as they are, for records with a size field that lies.
    WmfWriter& bytes(const QByteArray& data) {
        m_records.append(data);
        return *this;
    }

    WmfWriter& setWindowOrg(int x, int y) { return words(0x020B, {y, x}); }
    WmfWriter& setWindowExt(int x, int y) { return words(0x020C, {y, x}); }
    WmfWriter& setViewportOrg(int x, int y) { return words(0x020D, {y, x}); }
    WmfWriter& setViewportExt(int x, int y) { return words(0x020E, {y, x}); }
    WmfWriter& setMapMode(int mode) { return words(0x0103, {mode}); }
    WmfWriter& setBkMode(int mode) { return words(0x0102, {mode}); }
    WmfWriter& setTextAlign(int align) { return words(0x012E, {align}); }
    WmfWriter& setTextColor(QRgb c) { return colorRecord(0x0209, c); }
    WmfWriter& setBkColor(QRgb c) { return colorRecord(0x0201, c); }
    WmfWriter& saveDC() { return words(0x001E, {}); }
    WmfWriter& restoreDC(int n) { return words(0x0127, {n}); }
    WmfWriter& selectObject(int i) { return words(0x012D, {i}); }
    WmfWriter& deleteObject(int i) { return words(0x01F0, {i}); }
    WmfWriter& moveTo(int x, int y) { return words(0x0214, {y, x}); }
    WmfWriter& lineTo(int x, int y) { return words(0x0213, {y, x}); }
    WmfWriter& rectangle(int l, int t, int r, int b) { return words(0x041B, {b, r, t, l}); }
    WmfWriter& ellipse(int l, int t, int r, int b) { return words(0x0418, {b, r, t, l}); }
    WmfWriter& intersectClip(int l, int t, int r, int b) { return words(0x0416, {b, r, t, l}); }
    WmfWriter& excludeClip(int l, int t, int r, int b) { return words(0x0415, {b, r, t, l}); }
    // Pie from the start radial (x1, y1) counter-clockwise to the end radial (x2, y2).
    WmfWriter& pie(int l, int t, int r, int b, int x1, int y1, int x2, int y2) {
        return words(0x081A, {y2, x2, y1, x1, b, r, t, l});
    }
    WmfWriter& eof() { return words(0x0000, {}); }

    WmfWriter& polygon(const QList<QPoint>& points, quint16 function = 0x0324) {
        QByteArray p;
        putU16(p, quint32(points.size()));
        for (const QPoint& pt : points) {
            putU16(p, quint32(pt.x()) & 0xFFFF);
            putU16(p, quint32(pt.y()) & 0xFFFF);
        }
        return raw(function, p);
    }

    WmfWriter& createPen(int style, int width, QRgb c) {
        QByteArray p;
        putU16(p, quint32(style));
        putU16(p, quint32(width));
        putU16(p, 0);
        putColor(p, c);
        return raw(0x02FA, p);
    }

    WmfWriter& createBrush(int style, QRgb c, int hatch = 0) {
        QByteArray p;
        putU16(p, quint32(style));
        putColor(p, c);
        putU16(p, quint32(hatch));
        return raw(0x02FC, p);
    }

    // A font record; face is in the font's character set already.
    WmfWriter& createFont(int height, int charset, const QByteArray& face, int escapement = 0,
                          int weight = 400) {
        QByteArray p;
        putU16(p, quint32(height) & 0xFFFF);
        putU16(p, 0);
        putU16(p, quint32(escapement) & 0xFFFF);
        putU16(p, quint32(escapement) & 0xFFFF);
        putU16(p, quint32(weight));
        p.append(char(0)); // italic
        p.append(char(0)); // underline
        p.append(char(0)); // strike out
        p.append(char(charset));
        p.append(char(0)); // out precision
        p.append(char(0)); // clip precision
        p.append(char(3)); // non-antialiased quality
        p.append(char(0)); // pitch and family
        QByteArray name = face.left(31);
        name.append(QByteArray(32 - name.size(), '\0'));
        p.append(name);
        return raw(0x02FB, p);
    }

    WmfWriter& textOut(int x, int y, const QByteArray& text) {
        QByteArray p;
        putU16(p, quint32(text.size()));
        p.append(text);
        if (text.size() % 2) {
            p.append('\0');
        }
        putU16(p, quint32(y) & 0xFFFF);
        putU16(p, quint32(x) & 0xFFFF);
        return raw(0x0521, p);
    }

    WmfWriter& extTextOut(int x, int y, int options, const QByteArray& text, QRect rect = {},
                          const QList<int>& dx = {}) {
        QByteArray p;
        putU16(p, quint32(y) & 0xFFFF);
        putU16(p, quint32(x) & 0xFFFF);
        putU16(p, quint32(text.size()));
        putU16(p, quint32(options));
        if (options & 6) {
            putU16(p, quint32(rect.left()) & 0xFFFF);
            putU16(p, quint32(rect.top()) & 0xFFFF);
            putU16(p, quint32(rect.left() + rect.width()) & 0xFFFF);
            putU16(p, quint32(rect.top() + rect.height()) & 0xFFFF);
        }
        p.append(text);
        if (text.size() % 2) {
            p.append('\0');
        }
        for (int d : dx) {
            putU16(p, quint32(d) & 0xFFFF);
        }
        return raw(0x0A32, p);
    }

    // StretchDIB: the source part (sx, sy, sw, sh) of dib onto the logical rectangle (x, y, w, h).
    WmfWriter& stretchDib(int x, int y, int w, int h, int sx, int sy, int sw, int sh, const QByteArray& dib,
                          quint32 rop = 0x00CC0020u, int usage = 0) {
        QByteArray p;
        putU32(p, rop);
        putU16(p, quint32(usage));
        for (int v : {sh, sw, sy, sx, h, w, y, x}) {
            putU16(p, quint32(v) & 0xFFFF);
        }
        p.append(dib);
        return raw(0x0F43, p);
    }

    WmfWriter& dibStretchBlt(int x, int y, int w, int h, int sx, int sy, int sw, int sh,
                             const QByteArray& dib, quint32 rop = 0x00CC0020u) {
        QByteArray p;
        putU32(p, rop);
        for (int v : {sh, sw, sy, sx, h, w, y, x}) {
            putU16(p, quint32(v) & 0xFFFF);
        }
        p.append(dib);
        return raw(0x0B41, p);
    }

    // The file with a placeable header (bounding box in logical units, units per inch).
    QByteArray placeable(int left, int top, int right, int bottom, int inch, int objects = 16) const {
        QByteArray out;
        putU32(out, 0x9AC6CDD7u);
        putU16(out, 0);
        for (int v : {left, top, right, bottom, inch}) {
            putU16(out, quint32(v) & 0xFFFF);
        }
        putU32(out, 0);
        quint16 sum = 0;
        for (int i = 0; i < 10; ++i) {
            sum ^= quint16(quint8(out[2 * i]) | (quint8(out[2 * i + 1]) << 8));
        }
        putU16(out, sum);
        return out + plain(objects);
    }

    // The file with only the plain header.
    QByteArray plain(int objects = 16) const {
        QByteArray body;
        quint32 largest = 0;
        for (const QByteArray& r : m_records) {
            body.append(r);
            largest = std::max<quint32>(largest, quint32(r.size() / 2));
        }
        QByteArray out;
        putU16(out, 1);
        putU16(out, 9);
        putU16(out, 0x0300);
        putU32(out, quint32((18 + body.size()) / 2));
        putU16(out, quint32(objects));
        putU32(out, largest);
        putU16(out, 0);
        return out + body;
    }

private:
    WmfWriter& colorRecord(quint16 function, QRgb c) {
        QByteArray p;
        putColor(p, c);
        return raw(function, p);
    }

    QList<QByteArray> m_records;
};

} // namespace quarbel::test
