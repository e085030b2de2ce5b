#pragma once

// Grey depth maps in: 8- and 16-bit PNG, BMP, JPEG, GIF. A 16-bit PNG keeps its 16 bits; every
// other picture is read by the ordinary picture loader. Colour pictures give their luminance.

#include "platform/Picture.h"

#include <QImage>
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

// The grey values that stand for the farthest and the nearest level when none are given: black
// far and white near, or the other way round for maps where black is near.
struct DepthRange {
    int far = 0;
    int near = 255;
};
DepthRange defaultDepthRange(const DepthMap& map, bool blackNear);

// A Design image in the 16 depth colours, one level (0..15) per pixel, row-major.
QImage designFromLevels(int width, int height, const std::uint8_t* levels);

// The map's greys from far to near split into 16 levels (engine::greyDepthLevel) as a Design
// image. far and near must differ.
QImage designFromDepthMap(const DepthMap& map, DepthRange range);

// A picture that is plainly a grey depth map: every pixel grey, and not only the greys that are
// depth colours themselves (black, the two greys, white).
bool looksLikeGreyMap(const QImage& picture);

// Rec. 601 luma, rounded; a grey colour (r = g = b) gives its own value.
constexpr int luminance(int r, int g, int b) {
    return (299 * r + 587 * g + 114 * b + 500) / 1000;
}

} // namespace quarbel::platform
