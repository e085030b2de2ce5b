#pragma once

// Reading a stereogram back: every pixel of a stereogram repeats one separation to its right
// (RepeatWidth minus the shift of its depth level), so the separation at which a small window
// around the pixel matches the picture again tells the depth.
//
//     const auto repeat = detectRepeatWidth(stereo);            // when the repeat width is unknown
//     const SeparationMap map = findSeparations(stereo, candidateSeparations(70, std::nullopt));
//     const auto levels = levelsFromSeparations(map, 70, 20);    // Design levels 0..15

#include "engine/PixelSurface.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace quarbel::engine {

// Largest shift a converter produces (depth 50 at level 15).
inline constexpr int MaxShift = 75;

// The separation found for every pixel, row-major; 0 where no candidate matched at all.
struct SeparationMap {
    int width = 0;
    int height = 0;
    std::vector<std::int16_t> separations;

    std::int16_t at(int x, int y) const {
        return separations[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                           static_cast<std::size_t>(x)];
    }
};

// Separations worth trying: with a depth, the distinct RepeatWidth - shift of the 16 levels; without,
// every separation from RepeatWidth - MaxShift to RepeatWidth. Only separations of at least 1 link
// anything, so smaller ones are left out; the list is in descending order.
std::vector<int> candidateSeparations(int repeatWidth, std::optional<int> depth);

// For each pixel, the candidate whose window (9 columns by 3 rows) matches best: first one separation
// to the right (where the converters copy the pixel to), else one separation to the left (where a
// nearer surface hid the copy on the right). Colours compare exactly. Ties go to the larger
// separation (the farther reading). Flat areas, where every candidate matches alike, get none.
SeparationMap findSeparations(const PixelSurface& stereo, std::span<const int> candidates);

// The repeat width of a stereogram: the largest separation that a good share of its textured pixels
// repeat at (the far background repeats at the full width). Nothing when the picture does not repeat.
std::optional<int> detectRepeatWidth(const PixelSurface& stereo);

// Level 0..15 whose shift is nearest to RepeatWidth - separation (ties to the lower level); pixels
// without a separation get level 0.
std::vector<std::uint8_t> levelsFromSeparations(const SeparationMap& map, int repeatWidth, int depth);

// Grey 0 (far, shift 0) .. 255 (the largest shift that a share of the picture has; rarer larger
// shifts are white too); pixels without a separation are 0.
std::vector<std::uint8_t> greyFromSeparations(const SeparationMap& map, int repeatWidth);

} // namespace quarbel::engine
