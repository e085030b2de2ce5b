#include "codecs/WmfDib.h"

#include <QByteArray>
#include <cstring>
#include <optional>

namespace quarbel::codecs::wmf {

namespace {

enum : quint32 { BiRgb = 0, BiRle8 = 1, BiRle4 = 2, BiBitfields = 3 };

struct DibLayout {
    DibInfo info;
    qsizetype headerBytes = 0;
    bool core = false; // the 12-byte header of OS/2 origin: 3-byte colour entries
    quint32 masks[3] = {0, 0, 0};
    qsizetype tableOffset = 0;
    qint64 tableEntries = 0; // entries present in the file
    qsizetype bitsOffset = 0;
    qsizetype bitsBytes = 0;
};

bool contiguousMask(quint32 mask) {
    if (mask == 0) {
        return false;
    }
    while (!(mask & 1u)) {
        mask >>= 1;
    }
    return (mask & (mask + 1)) == 0;
}

std::optional<DibLayout> layoutOf(ByteView dib, quint16 colorUsage, QString* error) {
    auto fail = [error](const char* why) -> std::optional<DibLayout> {
        if (error) {
            *error = QString::fromLatin1(why);
        }
        return std::nullopt;
    };
    if (!dib.has(0, 4)) {
        return fail("bitmap header cut off");
    }
    DibLayout l;
    const quint32 headerBytes = dib.u32(0);
    qint64 height = 0;
    quint32 colorsUsed = 0;
    if (headerBytes == 12) {
        if (!dib.has(0, 12)) {
            return fail("bitmap header cut off");
        }
        l.core = true;
        l.info.width = dib.u16(4);
        height = dib.u16(6);
        l.info.bitCount = dib.u16(10);
    } else if (headerBytes == 40 || headerBytes == 52 || headerBytes == 56 || headerBytes == 108 ||
               headerBytes == 124) {
        if (!dib.has(0, headerBytes)) {
            return fail("bitmap header cut off");
        }
        const qint32 width = dib.i32(4);
        if (width <= 0 || width > 0x7FFF'FFFF / 32) {
            return fail("bad bitmap width");
        }
        l.info.width = width;
        height = dib.i32(8);
        l.info.bitCount = dib.u16(14);
        l.info.compression = dib.u32(16);
        colorsUsed = dib.u32(32);
    } else {
        return fail("unknown bitmap header");
    }
    l.headerBytes = headerBytes;
    if (height < 0) {
        l.info.topDown = true;
        height = -height;
    }
    if (l.info.width <= 0 || height <= 0 || height > 0x7FFF'FFFF) {
        return fail("empty bitmap");
    }
    l.info.height = static_cast<int>(height);

    const int bits = l.info.bitCount;
    const quint32 compression = l.info.compression;
    const bool known = bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    if (!known) {
        return fail("unsupported bitmap depth");
    }
    const bool rle = compression == BiRle8 || compression == BiRle4;
    if ((compression == BiRle8 && bits != 8) || (compression == BiRle4 && bits != 4) ||
        (compression == BiBitfields && bits != 16 && bits != 32) || compression > BiBitfields) {
        return fail("unsupported bitmap compression");
    }
    if (rle && l.info.topDown) {
        return fail("a compressed bitmap cannot be top-down");
    }

    qsizetype at = l.headerBytes;
    if (compression == BiBitfields) {
        // Short headers keep their masks after the header, longer ones inside it.
        const qsizetype maskAt = l.headerBytes == 40 ? at : 40;
        if (!dib.has(maskAt, 12)) {
            return fail("bitmap masks cut off");
        }
        for (int i = 0; i < 3; ++i) {
            l.masks[i] = dib.u32(maskAt + 4 * qsizetype(i));
            if (!contiguousMask(l.masks[i]) || (bits == 16 && l.masks[i] > 0xFFFFu)) {
                return fail("bad bitmap masks");
            }
        }
        if (l.headerBytes == 40) {
            at += 12;
        }
    }

    if (colorUsage != DibRgbColors && colorUsage != DibPalColors) {
        return fail("unsupported colour usage");
    }
    const qint64 entryBytes = colorUsage == DibPalColors ? 2 : (l.core ? 3 : 4);
    if (bits <= 8) {
        l.tableEntries = (l.core || colorsUsed == 0) ? (qint64(1) << bits) : qint64(colorsUsed);
    } else {
        l.tableEntries = l.core ? 0 : qint64(colorsUsed); // an optional table that nothing uses
    }
    l.tableOffset = at;
    const qint64 bitsOffset = qint64(at) + l.tableEntries * entryBytes;
    if (l.tableEntries > 0x100000 || bitsOffset > dib.size()) {
        return fail("bitmap colour table cut off");
    }
    l.bitsOffset = static_cast<qsizetype>(bitsOffset);
    l.bitsBytes = dib.size() - l.bitsOffset;
    if (!rle) {
        const qint64 stride = ((qint64(l.info.width) * bits + 31) / 32) * 4;
        const qint64 needed = stride * l.info.height;
        if (needed > l.bitsBytes) {
            return fail("bitmap bits cut off");
        }
        l.bitsBytes = static_cast<qsizetype>(needed);
    } else if (l.bitsBytes == 0) {
        return fail("bitmap bits missing");
    }
    return l;
}

void putU16(QByteArray& out, quint32 v) {
    out.append(char(v & 0xFF));
    out.append(char((v >> 8) & 0xFF));
}

void putU32(QByteArray& out, quint32 v) {
    putU16(out, v & 0xFFFF);
    putU16(out, v >> 16);
}

} // namespace

std::optional<DibInfo> readDibInfo(ByteView dib) {
    const auto layout = layoutOf(dib, DibRgbColors, nullptr);
    if (!layout) {
        return std::nullopt;
    }
    return layout->info;
}

QImage decodeDib(ByteView dib, quint16 colorUsage, const QList<QRgb>& palette, qint64 maxPixels,
                 QString* error) {
    const auto layout = layoutOf(dib, colorUsage, error);
    if (!layout) {
        return {};
    }
    const DibLayout& l = *layout;
    if (qint64(l.info.width) * l.info.height > maxPixels) {
        if (error) {
            *error = QStringLiteral("bitmap too large");
        }
        return {};
    }

    // The bitmap is rewritten as a plain BMP file with a 40-byte header, a full colour table and
    // bottom-up rows, the one layout every BMP reader agrees on.
    const int bits = l.info.bitCount;
    const int tableSize = bits <= 8 ? (1 << bits) : 0;
    const bool masks = l.info.compression == BiBitfields;
    const quint32 offBits = 14 + 40 + (masks ? 12 : 0) + tableSize * 4;
    QByteArray bmp;
    bmp.reserve(offBits + l.bitsBytes);
    bmp.append("BM", 2);
    putU32(bmp, quint32(offBits + l.bitsBytes));
    putU32(bmp, 0);
    putU32(bmp, offBits);
    putU32(bmp, 40);
    putU32(bmp, quint32(l.info.width));
    putU32(bmp, quint32(l.info.height));
    putU16(bmp, 1);
    putU16(bmp, quint32(bits));
    putU32(bmp, l.info.compression);
    putU32(bmp, quint32(l.bitsBytes));
    putU32(bmp, 0);
    putU32(bmp, 0);
    putU32(bmp, 0);
    putU32(bmp, 0);
    if (masks) {
        for (quint32 mask : l.masks) {
            putU32(bmp, mask);
        }
    }
    for (int i = 0; i < tableSize; ++i) {
        QRgb colour = qRgb(0, 0, 0);
        if (i < l.tableEntries) {
            if (colorUsage == DibPalColors) {
                const quint16 index = dib.u16(l.tableOffset + 2 * qsizetype(i));
                colour = index < palette.size() ? palette[index] : qRgb(0, 0, 0);
            } else {
                const qsizetype at = l.tableOffset + (l.core ? 3 : 4) * qsizetype(i);
                colour = qRgb(dib.u8(at + 2), dib.u8(at + 1), dib.u8(at));
            }
        }
        bmp.append(char(qBlue(colour)));
        bmp.append(char(qGreen(colour)));
        bmp.append(char(qRed(colour)));
        bmp.append(char(0));
    }
    const ByteView pixels = dib.mid(l.bitsOffset, l.bitsBytes);
    if (l.info.topDown) {
        const qsizetype stride = l.bitsBytes / l.info.height;
        for (qsizetype row = l.info.height - 1; row >= 0; --row) {
            bmp.append(pixels.data() + row * stride, stride);
        }
    } else {
        bmp.append(pixels.data(), pixels.size());
    }

    QImage image;
    if (!image.loadFromData(bmp, "BMP") || image.width() != l.info.width || image.height() != l.info.height) {
        if (error) {
            *error = QStringLiteral("bitmap bits unreadable");
        }
        return {};
    }
    return image.convertToFormat(QImage::Format_RGB32);
}

QImage decodeMonoBitmap16(ByteView bitmap, qint64 maxPixels) {
    const qint16 width = bitmap.i16(2);
    const qint16 height = bitmap.i16(4);
    const qint16 widthBytes = bitmap.i16(6);
    const quint8 planes = bitmap.u8(8);
    const quint8 bitsPixel = bitmap.u8(9);
    if (!bitmap.has(0, 10) || width <= 0 || height <= 0 || planes != 1 || bitsPixel != 1 ||
        widthBytes < (width + 7) / 8 || qint64(width) * height > maxPixels ||
        !bitmap.has(10, qsizetype(widthBytes) * height)) {
        return {};
    }
    QImage image(width, height, QImage::Format_Mono);
    if (image.isNull()) {
        return {};
    }
    image.setColorCount(2);
    image.setColor(0, qRgb(0, 0, 0));
    image.setColor(1, qRgb(255, 255, 255));
    const qsizetype rowBytes = (width + 7) / 8;
    for (int y = 0; y < height; ++y) {
        memcpy(image.scanLine(y), bitmap.data() + 10 + qsizetype(y) * widthBytes, size_t(rowBytes));
    }
    return image;
}

} // namespace quarbel::codecs::wmf
