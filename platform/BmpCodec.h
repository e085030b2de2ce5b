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

// Writes image (Format_RGB32) as a bottom-up 24-bit BMP; false when a write fails.
bool writeBmp24(QIODevice& device, const QImage& image);

} // namespace quarbel::platform
