#pragma once

// The end of a reading: the direction, and the levels (with a depth) or the grey map of a map of
// separations, in one count and one pass over the map. Internal to the reveal; the same steps one
// at a time are looksCrossEyed, greyFromSeparations and levelsFromSeparations (DepthReveal.h).

#include "engine/DepthReveal.h"

#include <cstdint>
#include <span>
#include <vector>

namespace quarbel::engine::reveal {

// Fills result.crossEyed (found unless the direction is forced) and result.levels, taken from a map
// of levels (findLevels), or else result.grey, filled in bands of rows on up to `threads` threads
// (0: one per core).
void depthFromSeparations(SeparationMap& map, int repeatWidth, RevealDirection direction,
                          RevealResult& result, int threads = 0);

// A pixel without a separation, in a map of levels.
inline constexpr std::uint8_t NoLevel = 16;

// The level of each candidate separation in a parallel reading (as levelsFromSeparations gives it).
std::vector<std::uint8_t> candidateLevels(std::span<const int> candidates, int repeatWidth, int depth);

// findSeparations (whole pixels) for a reading with a depth: map.levels holds the parallel reading's
// level of each pixel's separation (NoLevel where it has none) and map.separations stays empty;
// the counts, matched pixels and bound are those findSeparations gives.
SeparationMap findLevels(const PixelSurface& stereo, std::span<const int> candidates, int repeatWidth,
                         int depth, RevealPath path = RevealPath::Widest, int threads = 0);

// How many columns of row y count as the border of a width x height map: the whole row in the top
// and bottom twentieth, the left twentieth elsewhere (the right one repeats nothing).
int borderColumns(int width, int height, int y);

} // namespace quarbel::engine::reveal
