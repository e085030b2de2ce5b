#include "engine/GreyDepth.h"

#include <algorithm>
#include <cstdint>

namespace quarbel::engine {

int greyDepthLevel(int grey, int far, int near) {
    // Distance from far towards near, over the number of grey values in the range.
    std::int64_t along = std::int64_t{grey} - far;
    std::int64_t span = std::int64_t{near} - far;
    if (span < 0) {
        along = -along;
        span = -span;
    }
    if (along < 0)
        return 0;
    return static_cast<int>(std::min<std::int64_t>(15, along * 16 / (span + 1)));
}

} // namespace quarbel::engine
