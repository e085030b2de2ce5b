#pragma once

// Pictures made by the tests themselves.

#include <QImage>

namespace quarbel::testing {

// A picture whose every pixel differs from its neighbours, so any shift, mirror or lost row shows.
inline QImage gradient(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y, qRgb((x * 7) & 0xFF, (y * 11) & 0xFF, (x * 3 + y * 5) & 0xFF));
        }
    }
    return image;
}

} // namespace quarbel::testing
