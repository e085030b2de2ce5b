#pragma once

// Run-length compressed bitmaps (BI_RLE8, BI_RLE4), decoded here rather than by Qt's reader, which
// leaves the pixels that a short or skipping stream never reaches as the memory happened to hold
// them, so that the same file gave different pictures from one load to the next.

#include <QIODevice>
#include <QImage>
#include <optional>

namespace quarbel::codecs {

// Reads an RLE8 or RLE4 bitmap from device (positioned at the file's start, whose first bytes are
// head) into Format_RGB32. Pixels the stream skips take palette entry 0, indexes past the palette
// black. nullopt when the file is not run-length compressed; a null image when it is but cannot
// be read (a top-down or oversized picture, a header past the end of the file). *cutOff tells
// whether the bytes ran out before the end-of-bitmap mark or the last row.
std::optional<QImage> readRleBmp(QIODevice& device, const QByteArray& head, bool* cutOff = nullptr);

} // namespace quarbel::codecs
