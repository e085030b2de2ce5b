#pragma once

// Pictures made by the tests: depth designs with shapes at many levels (palette colours with some
// jitter, so the quantiser's tolerance is exercised) and patterned Field images.

#include "EngineFakes.h"
#include "Reference.h"

#include <random>

namespace quarbel::engine::testing {

inline Packed jitter(Packed colour, std::mt19937& gen, int amount) {
    std::uniform_int_distribution<int> d(-amount, amount);
    int parts[3] = {colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF};
    for (int& part : parts)
        part = std::clamp(part + d(gen), 0, 255);
    return parts[0] + 256 * parts[1] + 65536 * parts[2];
}

// Background level 0 with overlapping rectangles and discs of random levels, plus a few stray
// arbitrary colours.
inline MemorySurface randomDesign(int width, int height, std::uint32_t seed) {
    std::mt19937 gen(seed);
    MemorySurface design(width, height, 0);
    std::uniform_int_distribution<int> level(0, 15), xs(0, std::max(0, width - 1)),
        ys(0, std::max(0, height - 1));
    const int shapes = 2 + width * height / 4000;
    for (int s = 0; s < shapes; ++s) {
        const Packed colour = ReferencePalette[level(gen)];
        const int cx = xs(gen), cy = ys(gen);
        const int rx = 1 + xs(gen) / 3, ry = 1 + ys(gen) / 3;
        const bool disc = gen() % 2 == 0;
        for (int y = std::max(0, cy - ry); y <= std::min(height - 1, cy + ry); ++y)
            for (int x = std::max(0, cx - rx); x <= std::min(width - 1, cx + rx); ++x) {
                const double dx = double(x - cx) / rx, dy = double(y - cy) / ry;
                if (!disc || dx * dx + dy * dy <= 1.0)
                    design.set(x, y, jitter(colour, gen, 40));
            }
    }
    std::uniform_int_distribution<Packed> anyColour(0, 0xFFFFFF);
    for (int i = 0; i < width * height / 50; ++i)
        design.set(xs(gen), ys(gen), anyColour(gen));
    return design;
}

// Random 24-bit colours with a share of pure black (black is also "unset" for the colour field).
inline MemorySurface randomField(int width, int height, std::uint32_t seed) {
    std::mt19937 gen(seed);
    MemorySurface field(width, height, 0);
    std::uniform_int_distribution<Packed> anyColour(1, 0xFFFFFF);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            field.set(x, y, gen() % 8 == 0 ? 0 : anyColour(gen));
    return field;
}

} // namespace quarbel::engine::testing
