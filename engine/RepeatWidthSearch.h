#pragma once

// Finding a stereogram's repeat width: the largest separation that a good share of its textured
// pixels repeat at. Internal to the reveal; detectRepeatWidth (DepthReveal.h) is its public face.

#include "engine/DepthReveal.h"

#include <optional>

namespace quarbel::engine::reveal {

struct RepeatSearch {
    int repeatWidth = 0;
    int nearest = 0; // the smallest separation a few votes go to: no nearer surface is seen
    // The repeat width in sixths of a pixel where it falls between whole pixels (a rescaled copy's);
    // repeatWidth is then the whole multiple of it where the copies line up. 0 otherwise.
    int betweenSixths = 0;
};

// The sampled bands are searched on up to `threads` threads (0: one per core).
std::optional<RepeatSearch> searchRepeat(const PixelSurface& stereo, RevealPath path = RevealPath::Widest,
                                         int threads = 0);

} // namespace quarbel::engine::reveal
