#pragma once

// Grey depth maps: a PNG of more than 8 bits per sample decoded with its 16 bits, any other picture
// taken from what the picture loader made of it. Colour pictures give their luminance.

#include <QIODevice>
#include <QImage>
#include <cstdint>
#include <optional>
#include <vector>

namespace quarbel::codecs {

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

// A PNG that holds more than 8 bits per sample (device at its start), read as such; nothing for
// anything else, which the ordinary picture loader then reads and reports on.
std::optional<DepthMap> readDeepPng(QIODevice& device);

// The 8-bit map of a picture (Format_RGB32) the picture loader made.
DepthMap depthMapOf(const QImage& picture);

// Rec. 601 luma, rounded; a grey colour (r = g = b) gives its own value.
constexpr int luminance(int r, int g, int b) {
    return (299 * r + 587 * g + 114 * b + 500) / 1000;
}

} // namespace quarbel::codecs
