#pragma once

// Grey depth maps read from files: 8- and 16-bit PNG, BMP, JPEG, GIF. A 16-bit PNG keeps its 16
// bits; every other picture is read by the ordinary picture loader. Colour pictures give their
// luminance. Also the Design image a map gives, shared by `quarbel-convert design` and the editor.

#include "codecs/DepthMap.h"
#include "platform/Picture.h"

#include <QImage>
#include <QString>
#include <cstdint>
#include <optional>

namespace quarbel::platform {

using codecs::DepthMap;
using codecs::luminance;

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

} // namespace quarbel::platform
