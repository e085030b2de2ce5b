#include "codecs/BmpRle.h"

#include "codecs/PictureLimits.h"

#include <QtEndian>
#include <algorithm>
#include <vector>

namespace quarbel::codecs {

namespace {

constexpr int FileHeaderSize = 14;
constexpr quint32 Rle8 = 1, Rle4 = 2;

} // namespace

std::optional<QImage> readRleBmp(QIODevice& device, const QByteArray& head, bool* cutOff) {
    if (head.size() < FileHeaderSize + 40 || !head.startsWith("BM"))
        return std::nullopt;
    const auto* h = reinterpret_cast<const uchar*>(head.constData());
    const quint32 infoSize = qFromLittleEndian<quint32>(h + 14);
    const quint32 compression = qFromLittleEndian<quint32>(h + 30);
    const int bitCount = qFromLittleEndian<quint16>(h + 28);
    if (infoSize < 40 || !((compression == Rle8 && bitCount == 8) || (compression == Rle4 && bitCount == 4)))
        return std::nullopt;

    const qint32 width = qFromLittleEndian<qint32>(h + 18);
    const qint32 height = qFromLittleEndian<qint32>(h + 22);
    const quint32 offBits = qFromLittleEndian<quint32>(h + 10);
    const quint32 colourCount = qFromLittleEndian<quint32>(h + 46);
    // Run-length bitmaps are bottom-up only.
    if (width <= 0 || height <= 0 || !acceptablePictureSize(QSize(width, height)))
        return QImage();
    const QByteArray data = device.readAll();
    const qint64 paletteAt = FileHeaderSize + qint64(infoSize);
    if (paletteAt > data.size() || offBits > quint32(data.size()))
        return QImage();

    // The palette: colourCount entries (0 means all 2^bitCount), as far as the file holds them.
    const qint64 entries =
        std::min<qint64>(colourCount == 0 || colourCount > (1u << bitCount) ? (1u << bitCount) : colourCount,
                         (data.size() - paletteAt) / 4);
    QRgb palette[256];
    std::fill(std::begin(palette), std::end(palette), qRgb(0, 0, 0));
    const auto* bytes = reinterpret_cast<const uchar*>(data.constData());
    for (qint64 i = 0; i < entries; ++i) {
        const uchar* e = bytes + paletteAt + 4 * i;
        palette[i] = qRgb(e[2], e[1], e[0]);
    }

    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        return QImage();
    image.fill(palette[0]);
    const uchar* p = bytes + offBits;
    const uchar* const end = bytes + data.size();
    qint64 x = 0, row = 0; // row 0 is the bottom row
    auto put = [&](int index) {
        if (x < width && row < height)
            reinterpret_cast<QRgb*>(image.scanLine(int(height - 1 - row)))[x] = palette[index];
        ++x;
    };
    bool ended = false;
    while (row < height && end - p >= 2) {
        const int count = p[0];
        const int value = p[1];
        p += 2;
        if (count > 0) {
            // Pixels past the end of the row are dropped.
            for (int i = 0; i < count && x < width; ++i)
                put(compression == Rle8 ? value : (i % 2 == 0 ? value >> 4 : value & 0x0F));
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++row;
        } else if (value == 1) { // end of bitmap
            ended = true;
            break;
        } else if (value == 2) { // delta: right, then up
            if (end - p < 2)
                break;
            x += p[0];
            row += p[1];
            p += 2;
        } else { // absolute run of value pixels, padded to a 16-bit boundary
            const qint64 length = compression == Rle8 ? value : (value + 1) / 2;
            const qint64 padded = length + (length & 1);
            if (end - p < length)
                break;
            for (int i = 0; i < value; ++i)
                put(compression == Rle8 ? p[i] : (i % 2 == 0 ? p[i / 2] >> 4 : p[i / 2] & 0x0F));
            p += std::min<qint64>(padded, end - p);
        }
    }
    if (cutOff)
        *cutOff = !ended && row < height;
    return image;
}

} // namespace quarbel::codecs
