#include "codecs/BmpCodec.h"

#include "codecs/PictureLimits.h"

#include <QtEndian>
#include <climits>
#include <cstring>
#include <vector>

namespace quarbel::codecs {

namespace {

constexpr int FileHeaderSize = 14;
constexpr int InfoHeaderSize = 40;

quint32 le32(const QByteArray& data, int at) {
    return qFromLittleEndian<quint32>(data.constData() + at);
}
quint16 le16(const QByteArray& data, int at) {
    return qFromLittleEndian<quint16>(data.constData() + at);
}

} // namespace

bool BmpHeader::fixedSize() const {
    constexpr quint32 Rgb = 0, BitFields = 3, AlphaBitFields = 6;
    return compression == Rgb || compression == BitFields || compression == AlphaBitFields;
}

bool BmpHeader::completeIn(qint64 fileSize) const {
    // The header itself must lie inside the file: a reader that goes looking for the rest of it past
    // the end gets different answers from a file and from memory.
    if (offBits > fileSize || FileHeaderSize + qint64(infoSize) > fileSize) {
        return false;
    }
    if (!fixedSize()) {
        return true; // run-length data has no fixed size to check
    }
    // Divided rather than multiplied: a forged header's stride times height overflows 64 bits.
    return stride() > 0 && height <= (fileSize - offBits) / stride();
}

std::optional<BmpHeader> parseBmpHeader(const QByteArray& head) {
    if (head.size() < FileHeaderSize + 12 || !head.startsWith("BM")) {
        return std::nullopt;
    }
    BmpHeader header;
    header.offBits = le32(head, 10);
    header.infoSize = le32(head, 14);
    qint64 height = 0;
    if (header.infoSize == 12) {
        header.width = le16(head, 18);
        height = le16(head, 20);
        header.planes = le16(head, 22);
        header.bitCount = le16(head, 24);
    } else if (header.infoSize >= InfoHeaderSize && head.size() >= FileHeaderSize + InfoHeaderSize) {
        header.width = static_cast<qint32>(le32(head, 18));
        height = static_cast<qint32>(le32(head, 22));
        header.planes = le16(head, 26);
        header.bitCount = le16(head, 28);
        header.compression = le32(head, 30);
    } else {
        return std::nullopt;
    }
    // A negative height means rows stored top-down; INT32_MIN has no positive counterpart.
    header.bottomUp = height > 0;
    height = height < 0 ? -height : height;
    if (header.width <= 0 || height <= 0 || height > INT32_MAX) {
        return std::nullopt;
    }
    header.height = static_cast<int>(height);
    return header;
}

std::optional<QImage> readPlainBmp(QIODevice& device, const BmpHeader& header) {
    const int width = header.width;
    const int height = header.height;
    const int bitCount = header.bitCount;
    const bool bottomUp = header.bottomUp;
    const qint64 offBits = header.offBits;
    // Other header versions, palettes, bit fields and run-length data go to the general reader.
    if (header.infoSize != InfoHeaderSize || header.planes != 1 || header.compression != 0 ||
        (bitCount != 24 && bitCount != 32) || offBits < FileHeaderSize + InfoHeaderSize) {
        return std::nullopt;
    }
    if (!acceptablePictureSize(QSize(width, height))) {
        return QImage();
    }
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull() || !device.seek(offBits)) {
        return QImage();
    }
    const qint64 stride = header.stride();
    // One spare byte, so that the last pixel of a 24-bit row can be loaded as four bytes too.
    std::vector<uchar> row(static_cast<std::size_t>(stride) + 1);
    for (int fileRow = 0; fileRow < height; ++fileRow) {
        if (device.read(reinterpret_cast<char*>(row.data()), stride) != stride) {
            return QImage();
        }
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(bottomUp ? height - 1 - fileRow : fileRow));
        const uchar* in = row.data();
        // B, G, R (and an unused byte) read as a little-endian word are 0x??RRGGBB: a QRgb once
        // the top byte is made opaque.
        if (bitCount == 32) {
            for (int x = 0; x < width; ++x) {
                out[x] = qFromLittleEndian<quint32>(in + 4 * x) | 0xFF000000u;
            }
        } else {
            int x = 0;
            // Four pixels are three words: B0 G0 R0 B1 | G1 R1 B2 G2 | R2 B3 G3 R3.
            for (; x + 4 <= width; x += 4) {
                const quint32 w0 = qFromLittleEndian<quint32>(in + 3 * x);
                const quint32 w1 = qFromLittleEndian<quint32>(in + 3 * x + 4);
                const quint32 w2 = qFromLittleEndian<quint32>(in + 3 * x + 8);
                out[x] = w0 | 0xFF000000u;
                out[x + 1] = (w0 >> 24) | (w1 << 8) | 0xFF000000u;
                out[x + 2] = (w1 >> 16) | (w2 << 16) | 0xFF000000u;
                out[x + 3] = (w2 >> 8) | 0xFF000000u;
            }
            for (; x < width; ++x) {
                out[x] = qFromLittleEndian<quint32>(in + 3 * x) | 0xFF000000u;
            }
        }
    }
    return image;
}

void packBgr24(const quint32* pixels, int width, uchar* out) {
    int x = 0;
    // Four 0x??RRGGBB words become three: B0 G0 R0 B1 | G1 R1 B2 G2 | R2 B3 G3 R3.
    for (; x + 4 <= width; x += 4) {
        const quint32 p0 = pixels[x] & 0xFFFFFFu;
        const quint32 p1 = pixels[x + 1] & 0xFFFFFFu;
        const quint32 p2 = pixels[x + 2] & 0xFFFFFFu;
        const quint32 p3 = pixels[x + 3] & 0xFFFFFFu;
        qToLittleEndian<quint32>(p0 | (p1 << 24), out + 3 * x);
        qToLittleEndian<quint32>((p1 >> 8) | (p2 << 16), out + 3 * x + 4);
        qToLittleEndian<quint32>((p2 >> 16) | (p3 << 8), out + 3 * x + 8);
    }
    for (; x < width; ++x) {
        const quint32 p = pixels[x];
        uchar* px = out + 3 * x;
        px[0] = uchar(p);       // blue
        px[1] = uchar(p >> 8);  // green
        px[2] = uchar(p >> 16); // red
    }
}

QByteArray bmp24Header(int width, int height, int dotsPerMeterX, int dotsPerMeterY) {
    const qint64 pixelBytes = bmp24Stride(width) * height;
    const qint64 fileSize = Bmp24HeaderSize + pixelBytes;
    if (width <= 0 || height <= 0 || fileSize > 0xFFFFFFFFll) {
        return {};
    }
    QByteArray bytes(Bmp24HeaderSize, '\0');
    auto* header = reinterpret_cast<uchar*>(bytes.data());
    header[0] = 'B';
    header[1] = 'M';
    qToLittleEndian<quint32>(quint32(fileSize), header + 2);
    qToLittleEndian<quint32>(Bmp24HeaderSize, header + 10);
    qToLittleEndian<quint32>(InfoHeaderSize, header + 14);
    qToLittleEndian<qint32>(width, header + 18);
    qToLittleEndian<qint32>(height, header + 22);
    qToLittleEndian<quint16>(1, header + 26);  // planes
    qToLittleEndian<quint16>(24, header + 28); // bits per pixel
    qToLittleEndian<quint32>(0, header + 30);  // no compression
    qToLittleEndian<quint32>(quint32(pixelBytes), header + 34);
    qToLittleEndian<qint32>(dotsPerMeterX, header + 38);
    qToLittleEndian<qint32>(dotsPerMeterY, header + 42);
    return bytes;
}

bool writeBmp24(QIODevice& device, const QImage& image) {
    if (image.format() != QImage::Format_RGB32 || image.isNull()) {
        return false;
    }
    const int width = image.width();
    const int height = image.height();
    const QByteArray header = bmp24Header(width, height, image.dotsPerMeterX(), image.dotsPerMeterY());
    if (header.isEmpty() || device.write(header) != header.size()) {
        return false;
    }
    const qint64 stride = bmp24Stride(width);
    std::vector<uchar> row(static_cast<std::size_t>(stride), 0); // the padding stays zero
    for (int y = height - 1; y >= 0; --y) {
        packBgr24(reinterpret_cast<const quint32*>(image.constScanLine(y)), width, row.data());
        if (device.write(reinterpret_cast<const char*>(row.data()), stride) != stride) {
            return false;
        }
    }
    return true;
}

} // namespace quarbel::codecs
