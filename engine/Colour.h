#pragma once

#include <array>
#include <cstdint>

namespace quarbel::engine {

// A 24-bit colour packed as R + 256*G + 65536*B; -1 stands for a point outside a picture.
using Packed = std::int32_t;

constexpr Packed packRgb(int r, int g, int b) {
    return r + 256 * g + 65536 * b;
}

// The widest picture a converter takes (the batch converter goes as wide as the picture loader
// reads); the row buffers follow the picture. The editor keeps a narrower rule of its own.
inline constexpr int MaxConvertWidth = 16384;

// Component 1 = red, 2 = green, 3 = blue: the byte of that component (red is the low byte).
// -1 (outside a picture) therefore gives 255 for every component.
constexpr int RGBBreak(int component, Packed colour) {
    const auto bits = static_cast<std::uint32_t>(colour);
    switch (component) {
    case 1:
        return static_cast<int>(bits & 0xFFu);
    case 2:
        return static_cast<int>((bits >> 8) & 0xFFu);
    case 3:
        return static_cast<int>((bits >> 16) & 0xFFu);
    default:
        return 0;
    }
}

// Depth levels 0 (black, farthest) .. 15 (white, nearest).
inline constexpr std::array<Packed, 16> DepthPalette{
    packRgb(0, 0, 0),       packRgb(128, 0, 0),   packRgb(0, 128, 0),   packRgb(128, 128, 0),
    packRgb(0, 0, 128),     packRgb(128, 0, 128), packRgb(0, 128, 128), packRgb(128, 128, 128),
    packRgb(192, 192, 192), packRgb(255, 0, 0),   packRgb(0, 255, 0),   packRgb(255, 255, 0),
    packRgb(0, 0, 255),     packRgb(255, 0, 255), packRgb(0, 255, 255), packRgb(255, 255, 255),
};

// Colours of the random-dot numbers 0..15 (not in DepthPalette's order).
inline constexpr std::array<Packed, 16> DotColours{
    packRgb(0, 0, 0),       packRgb(0, 0, 128),   packRgb(0, 128, 0),   packRgb(0, 128, 128),
    packRgb(128, 0, 0),     packRgb(128, 0, 128), packRgb(128, 128, 0), packRgb(192, 192, 192),
    packRgb(128, 128, 128), packRgb(0, 0, 255),   packRgb(0, 255, 0),   packRgb(0, 255, 255),
    packRgb(255, 0, 0),     packRgb(255, 0, 255), packRgb(255, 255, 0), packRgb(255, 255, 255),
};

} // namespace quarbel::engine
