#pragma once

// The end of a reading: the direction, and the levels (with a depth) or the grey map of a map of
// separations, in one count and one pass over the map. Internal to the reveal; the same steps one
// at a time are looksCrossEyed, greyFromSeparations and levelsFromSeparations (DepthReveal.h).

#include "engine/DepthReveal.h"

#include <optional>

namespace quarbel::engine::reveal {

// Fills result.crossEyed (found unless the direction is forced) and, with a depth, result.levels,
// else result.grey; the map is filled in bands of rows on up to `threads` threads (0: one per core).
void depthFromSeparations(const SeparationMap& map, int repeatWidth, std::optional<int> depth,
                          RevealDirection direction, RevealResult& result, int threads = 0);

// How many columns of row y count as the border of a width x height map: the whole row in the top
// and bottom twentieth, the left twentieth elsewhere (the right one repeats nothing).
int borderColumns(int width, int height, int y);

} // namespace quarbel::engine::reveal
