#pragma once

// Direct reading and writing of the plain BMP layouts: uncompressed 24- and 32-bit pixels, the
// files the editor itself writes. They skip the general decoder's per-pixel work; every other
// layout is left to Qt's reader.

#include <QIODevice>
#include <QImage>
#include <optional>

namespace quarbel::codecs {

// What the headers of a BMP file say, from the file's first bytes.
struct BmpHeader {
    qint64 offBits = 0;   // where the pixel rows start
    quint32 infoSize = 0; // 12 for the old core header, 40 or more for the later ones
    int width = 0;
    int height = 0; // always positive
    bool bottomUp = true;
    int planes = 0;
    int bitCount = 0;
    quint32 compression = 0;

    // Bytes of one stored row, padded to a multiple of four.
    qint64 stride() const { return ((qint64(width) * bitCount + 31) / 32) * 4; }
    // True when the pixels have a fixed size (not run-length data).
    bool fixedSize() const;
    // True when a file of fileSize bytes holds every pixel row the header promises.
    bool completeIn(qint64 fileSize) const;
};

// The header of a BMP whose first bytes are head; nullopt when it is not one or makes no sense
// (no signature, an unknown header size, a side of zero or less).
std::optional<BmpHeader> parseBmpHeader(const QByteArray& head);

// Reads a BI_RGB bitmap of 24 or 32 bits per pixel from device (positioned anywhere) into
// Format_RGB32. nullopt when the file has another layout; the device position is then
// unspecified. A null image when the pixel data cannot be read.
std::optional<QImage> readPlainBmp(QIODevice& device, const BmpHeader& header);

// Size of the two headers of the bitmaps written here; the pixel rows follow at once.
inline constexpr int Bmp24HeaderSize = 54;

// Bytes of one 24-bit row, padded to a multiple of four.
inline qint64 bmp24Stride(int width) {
    return ((qint64(width) * 24 + 31) / 32) * 4;
}

// 96 dots per inch, the resolution a new QImage carries.
inline constexpr int DefaultDotsPerMeter = 3780;

// The file and info headers of a bottom-up 24-bit bitmap; empty when the file would pass 4 GB.
QByteArray bmp24Header(int width, int height, int dotsPerMeterX = DefaultDotsPerMeter,
                       int dotsPerMeterY = DefaultDotsPerMeter);

// Packs width pixels into B, G, R bytes at out (3 * width bytes; nothing beyond is touched).
// packBgr24 takes any words holding 0x??RRGGBB; the top byte is ignored.
void packBgr24(const quint32* pixels, int width, uchar* out);

// Writes image (Format_RGB32) as a bottom-up 24-bit BMP; false when a write fails.
bool writeBmp24(QIODevice& device, const QImage& image);

} // namespace quarbel::codecs
