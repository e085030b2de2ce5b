#include "engine/ShiftTable.h"

#include <cmath>
#include <limits>

namespace quarbel::engine {

double roundHalfEven(double value) {
    const double below = std::floor(value);
    const double fraction = value - below; // exact: below and value share their binade or value is integral
    if (fraction > 0.5)
        return below + 1.0;
    if (fraction < 0.5)
        return below;
    return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
}

ShiftTable::ShiftTable(float depthFactor) {
    constexpr double lowest = std::numeric_limits<std::int32_t>::min();
    constexpr double highest = std::numeric_limits<std::int32_t>::max();
    for (int level = 0; level < 16; ++level) {
        double shift = roundHalfEven(static_cast<double>(depthFactor) * level);
        if (!(shift >= lowest)) // also catches NaN
            shift = lowest;
        else if (shift > highest)
            shift = highest;
        m_shifts[static_cast<std::size_t>(level)] = static_cast<std::int32_t>(shift);
    }
}

} // namespace quarbel::engine
