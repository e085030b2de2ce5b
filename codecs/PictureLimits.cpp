#include "codecs/PictureLimits.h"

#include <QImageReader>

namespace quarbel::codecs {

bool acceptablePictureSize(QSize size) {
    if (!size.isValid() || size.isEmpty() || qint64(size.width()) * size.height() > MaxPicturePixels) {
        return false;
    }
    // Qt refuses decodes above its allocation limit; find out before it prints a warning about it.
    const qint64 bytes = qint64(size.width()) * size.height() * 4;
    return bytes <= qint64(QImageReader::allocationLimit()) * 1024 * 1024;
}

} // namespace quarbel::codecs
