#include "engine/DepthQuantiser.h"

#include <algorithm>

namespace quarbel::engine {

void QuantiseDepthRow(std::span<const Packed> colours, std::span<std::int32_t> levels) {
    const std::size_t count = std::min(colours.size(), levels.size());
    const Packed* in = colours.data();
    std::int32_t* out = levels.data();
    for (std::size_t x = 0; x < count; ++x)
        out[x] = depthLevelOf(in[x]);
}

} // namespace quarbel::engine
