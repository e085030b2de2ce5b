#include "engine/ShiftTable.h"

#include "Reference.h"
#include "engine/Conversion.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace quarbel::engine {
namespace {

TEST(RoundHalfEven, Cases) {
    const struct {
        double value, rounded;
    } cases[] = {
        {0.5, 0},
        {1.5, 2},
        {2.5, 2},
        {3.5, 4},
        {-0.5, 0},
        {-1.5, -2},
        {-2.5, -2},
        {0.0, 0},
        {0.49, 0},
        {0.51, 1},
        {7.499999999, 7},
        {2.500000001, 3},
        {74.5, 74},
        {75.5, 76},
        {-3.7, -4},
        {1e15 + 0.5, 1e15},
        {0.49999999999999994, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(roundHalfEven(c.value), c.rounded) << c.value;
}

TEST(ShiftTable, TellingShifts) {
    const struct {
        int depth, level, shift;
    } cases[] = {
        {25, 1, 2}, {25, 3, 8}, {1, 5, 1},  {7, 5, 3}, {50, 15, 75}, {20, 15, 30},
        {0, 15, 0}, {5, 1, 0},  {15, 1, 2}, {5, 3, 2}, {20, 0, 0},   {-25, 1, -2},
    };
    for (const auto& c : cases) {
        const ShiftTable table(ConversionParameters{70, c.depth, 30}.depthFactor());
        EXPECT_EQ(table[c.level], c.shift) << "depth " << c.depth << " level " << c.level;
    }
}

// The whole slider range and well beyond, against nearbyint in the default rounding mode.
TEST(ShiftTable, AgreesWithNearbyIntForEveryDepthAndLevel) {
    for (int depth = -600; depth <= 6000; ++depth) {
        const ShiftTable table(ConversionParameters{70, depth, 30}.depthFactor());
        for (int level = 0; level < 16; ++level)
            ASSERT_EQ(table[level], testing::referenceShift(depth, level)) << depth << " " << level;
    }
}

TEST(ShiftTable, AbsurdDepthsSaturate) {
    constexpr auto maxInt = std::numeric_limits<std::int32_t>::max();
    constexpr auto minInt = std::numeric_limits<std::int32_t>::min();
    const ShiftTable high(ConversionParameters{70, maxInt, 30}.depthFactor());
    EXPECT_EQ(high[0], 0);
    EXPECT_EQ(high[15], maxInt);
    const ShiftTable low(ConversionParameters{70, minInt, 30}.depthFactor());
    EXPECT_EQ(low[15], minInt);
    EXPECT_EQ(low[1], testing::referenceShift(minInt, 1));
}

} // namespace
} // namespace quarbel::engine
