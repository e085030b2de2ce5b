#pragma once

// Reading a stereogram back: every pixel of a stereogram repeats one separation to its right
// (RepeatWidth minus the shift of its depth level), so the separation at which a small window
// around the pixel matches the picture again tells the depth.
//
//     RevealOptions options;                     // repeat width, depth and direction found
//     const RevealResult result = revealStereogram(stereo, options);
//     if (result.status == RevealStatus::Ok) ... result.grey ...
//
// Windows are compared by their summed colour differences, so that JPEG copies and rescaled
// copies read as well as the lossless pictures the converters write.

#include "engine/PixelSurface.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace quarbel::engine {

// Largest shift a converter produces (depth 50 at level 15).
inline constexpr int MaxShift = 75;

// Parallel: the eyes look behind the picture, a smaller separation is nearer. Cross: the eyes
// cross in front of it, a larger separation is nearer.
enum class RevealDirection { Auto, Parallel, Cross };

struct RevealOptions {
    std::optional<int> repeatWidth; // found in the picture when not given
    std::optional<int> depth;       // with it, levels 0..15 as the converters use them
    RevealDirection direction = RevealDirection::Auto;
    bool smooth = false; // separations refined below a pixel, for continuous depth
    int threads = 0;     // bands of rows read side by side; 0: one thread per core
};

enum class RevealStatus {
    Ok,
    NotAStereogram, // the picture does not repeat (only when the repeat width was to be found)
    TooFewMatches,  // too few pixels match at any separation to trust the map
};

struct RevealResult {
    RevealStatus status = RevealStatus::NotAStereogram;
    int width = 0, height = 0;
    int repeatWidth = 0;
    bool crossEyed = false;
    double matchedShare = 0.0;        // pixels whose best separation matched clearly, 0..1
    std::vector<std::uint8_t> levels; // 0..15 per pixel, row-major, when a depth is given
    std::vector<std::uint16_t> grey;  // 0 far .. 65535 near per pixel, row-major, when it is not
};

// The whole reading: repeat width (found unless given), separations, direction (found unless
// forced), and levels (with a depth) or a grey map. Status other than Ok leaves both empty.
RevealResult revealStereogram(const PixelSurface& stereo, const RevealOptions& options);

// Share of matched pixels below which a map is not trusted.
inline constexpr double LeastMatchedShare = 0.4;

// The separation found for every pixel, row-major; 0 where no candidate could be chosen.
struct SeparationMap {
    int width = 0;
    int height = 0;
    std::vector<std::int16_t> separations;
    // The same below a pixel (from the costs either side of the best one); 0 where none. Empty
    // unless belowPixel.
    std::vector<float> refined;
    // Pixels whose best separation matched clearly better than the others.
    std::int64_t matched = 0;
    // Whether refined was worked out below a pixel.
    bool belowPixel = false;
    // No separation in the map is larger (0: not known).
    std::int16_t bound = 0;
    // Pixels at each whole separation (index 0: none), over the map and along its border (the top
    // and bottom twentieth and the left one), when counted while the map was made; empty otherwise.
    std::vector<std::int64_t> counts{}, borderCounts{};
    // Each pixel's level instead of its separation, in a map made for a depth (reveal::findLevels);
    // separations is then empty.
    std::vector<std::uint8_t> levels{};

    std::int16_t at(int x, int y) const {
        return separations[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                           static_cast<std::size_t>(x)];
    }
};

// The instructions the matching runs on: the widest the processor has, or the ones every processor
// has (both give the same results).
enum class RevealPath { Widest, Portable };

// Separations worth trying: with a depth, the distinct RepeatWidth - shift of the 16 levels; without,
// every separation from RepeatWidth - MaxShift (or half the repeat width, when that is less) up to
// RepeatWidth. Only separations of at least 1 link anything; the list is in descending order.
std::vector<int> candidateSeparations(int repeatWidth, std::optional<int> depth);

// For each pixel, the candidate whose window (9 columns by 3 rows) differs least: first one separation
// to the right (where the converters copy the pixel to), else, at a small penalty, one separation to
// the left (where a nearer surface hid the copy on the right). A pixel where several separations
// match about equally takes the separation of its nearest clearly matched neighbours along the row
// that also fits it; a flat area, where every candidate matches alike, takes them as well, and a
// pixel matched only on the left (the right member of a pair) takes the one that fits it best. A
// pixel that matches nowhere (its copy hidden by a nearer surface, no partner on its left) takes the
// farther of the surfaces either side. A tie between the largest separation and a near one goes to
// the near one, unless the pixel one largest separation to the left ties the same way (a tiled
// pattern's ghost of a near surface, which is far).
// With refineBelowPixel, refined holds separations between whole pixels where the candidates run
// in whole pixels; else it is left empty.
// Bands of rows are matched on up to `threads` threads (0: one per core); the map is the same for
// any number.
SeparationMap findSeparations(const PixelSurface& stereo, std::span<const int> candidates,
                              bool refineBelowPixel = true, RevealPath path = RevealPath::Widest,
                              int threads = 0);

// The repeat width of a stereogram: the largest separation that a good share of its textured pixels
// repeat at (the far background repeats at the full width), up to half the picture's width.
// Nothing when the picture does not repeat.
std::optional<int> detectRepeatWidth(const PixelSurface& stereo, RevealPath path = RevealPath::Widest,
                                     int threads = 0);

// Whether the picture is cross-eyed: the surface along the picture's border (the far background of
// most stereograms) has the smallest separations instead of the largest.
bool looksCrossEyed(const SeparationMap& map);

// Level 0..15 whose shift is nearest to RepeatWidth - separation (ties to the lower level); pixels
// without a separation get level 0.
std::vector<std::uint8_t> levelsFromSeparations(const SeparationMap& map, int repeatWidth, int depth);

// Grey 0 (far) .. 65535 (near) from the refined separations. Parallel: the repeat width is black and
// white the separation that all but one pixel in 200 are farther than; cross-eyed the other way
// round. Pixels without a separation are 0.
std::vector<std::uint16_t> greyFromSeparations(const SeparationMap& map, int repeatWidth, bool crossEyed);

} // namespace quarbel::engine
