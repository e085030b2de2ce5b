#pragma once

// Grey depth maps read from files: 8- and 16-bit PNG, BMP, JPEG, GIF. A 16-bit PNG keeps its 16
// bits; every other picture is read by the ordinary picture loader.

#include "codecs/DepthMap.h"
#include "platform/Picture.h"

#include <QString>
#include <optional>

namespace quarbel::platform {

struct DepthMapResult {
    codecs::DepthMap map;
    std::optional<PictureError> error;

    bool ok() const { return !error.has_value(); }
};

DepthMapResult loadDepthMap(const QString& path);

} // namespace quarbel::platform
