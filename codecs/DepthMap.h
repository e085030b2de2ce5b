#pragma once

// Grey depth maps in: 8- and 16-bit PNG, BMP, JPEG, GIF. A 16-bit PNG keeps its 16 bits; every
// other picture is read by the ordinary picture loader. Colour pictures give their luminance.

#include "platform/Picture.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace quarbel::platform {

struct DepthMap {
    int width = 0;
    int height = 0;
    int maxValue = 255;                // 255 for 8-bit maps, 65535 for 16-bit ones
    std::vector<std::uint16_t> values; // row-major, 0..maxValue

    std::uint16_t at(int x, int y) const {
        return values[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
};

struct DepthMapResult {
    DepthMap map;
    std::optional<PictureError> error;

    bool ok() const { return !error.has_value(); }
};

DepthMapResult loadDepthMap(const QString& path);

// Rec. 601 luma, rounded; a grey colour (r = g = b) gives its own value.
constexpr int luminance(int r, int g, int b) {
    return (299 * r + 587 * g + 114 * b + 500) / 1000;
}

} // namespace quarbel::platform
