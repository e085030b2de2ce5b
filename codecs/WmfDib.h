#pragma once

// Bitmaps inside metafile records: packed device-independent bitmaps (header, colour table, bits)
// and the old 16-bit bitmap objects of pattern brushes.

#include "codecs/WmfFormat.h"

#include <QImage>
#include <QList>
#include <QString>

namespace quarbel::codecs::wmf {

enum DibColorUsage : quint16 {
    DibRgbColors = 0, // the colour table holds colours
    DibPalColors = 1, // the colour table holds indices into the selected palette
};

struct DibInfo {
    int width = 0;
    int height = 0; // always positive; topDown tells the row order
    bool topDown = false;
    int bitCount = 0;
    quint32 compression = 0;
};

// Size and layout of a packed DIB, or nothing when its header is not one the decoder accepts.
std::optional<DibInfo> readDibInfo(ByteView dib);

// Decodes a packed DIB into an RGB32 image. The header and every size in it are checked before
// anything is allocated: more than maxPixels pixels, bits missing, unknown compressions and
// inconsistent headers give a null image and a reason. With DibPalColors the colour table's
// indices are looked up in palette (indices outside it are black).
QImage decodeDib(ByteView dib, quint16 colorUsage, const QList<QRgb>& palette, qint64 maxPixels,
                 QString* error = nullptr);

// A monochrome 16-bit bitmap object (the only kind that is device independent) as a Format_Mono
// image whose colour table the caller sets when it draws: bit 0 takes the text colour and bit 1
// the background colour. Other kinds give a null image.
QImage decodeMonoBitmap16(ByteView bitmap, qint64 maxPixels);

} // namespace quarbel::codecs::wmf
