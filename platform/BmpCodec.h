#pragma once

// Direct reading and writing of the plain BMP layouts: uncompressed 24- and 32-bit pixels, the
// files the editor itself writes. They skip the general decoder's per-pixel work; every other
// layout is left to Qt's reader.

#include <QIODevice>
#include <QImage>
#include <optional>

namespace quarbel::platform {

// Reads a BI_RGB bitmap of 24 or 32 bits per pixel from device (positioned at the file's start,
// whose first bytes are head) into Format_RGB32. nullopt when the file has another layout; the
// device position is then unspecified. A null image when the pixel data cannot be read.
std::optional<QImage> readPlainBmp(QIODevice& device, const QByteArray& head);

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
void packBmp24Row(const QRgb* pixels, int width, uchar* out);

// Writes image (Format_RGB32) as a bottom-up 24-bit BMP; false when a write fails.
bool writeBmp24(QIODevice& device, const QImage& image);

} // namespace quarbel::platform
