#pragma once

// The size every decoder checks before it allocates a picture.

#include <QSize>
#include <QtGlobal>

namespace quarbel::codecs {

// Pictures are limited by what they cost in memory, not by the length of a side: the largest
// holds 128 MiB as 32-bit pixels (for example 1024 x 32768), Qt's own limit for a decoded image.
// Nothing larger enters the program, so whatever it writes it can read back, and a forged header
// cannot exhaust memory.
inline constexpr qint64 MaxPicturePixels = qint64(32) * 1024 * 1024;

// True for sizes the loader decodes: both sides at least 1, at most MaxPicturePixels pixels and
// within Qt's allocation limit.
bool acceptablePictureSize(QSize size);

} // namespace quarbel::codecs
