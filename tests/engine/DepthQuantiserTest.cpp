#include <gtest/gtest.h>

#include <array>
#include <random>
#include <set>
#include <vector>

#include "Reference.h"
#include "engine/DepthQuantiser.h"

namespace quarbel::engine {
namespace {

using testing::referenceLevel;
using testing::ReferencePalette;

struct LevelCase {
    int r, g, b;
    int level;
};

// Telling results of the nearest search, the thresholds and the pure palette colours.
const LevelCase levelCases[] = {
    {192, 0, 0, 9},     {0, 0, 192, 8},       {255, 128, 0, 3},     {192, 192, 0, 10},  {128, 255, 255, 15},
    {192, 0, 128, 5},   {64, 64, 64, 0},      {65, 65, 65, 7},      {208, 208, 208, 15}, {200, 200, 200, 8},
    {0, 0, 0, 0},       {255, 255, 255, 15},  {160, 160, 160, 7},   {161, 161, 161, 8}, {207, 207, 207, 8},
    {128, 0, 0, 1},     {0, 128, 0, 2},       {128, 128, 0, 3},     {0, 0, 128, 4},     {128, 0, 128, 5},
    {0, 128, 128, 6},   {128, 128, 128, 7},   {192, 192, 192, 8},   {255, 0, 0, 9},     {0, 255, 0, 10},
    {255, 255, 0, 11},  {0, 0, 255, 12},      {255, 0, 255, 13},    {0, 255, 255, 14},  {250, 10, 240, 13},
};

TEST(DepthQuantiser, TellingColoursAndThresholds) {
    for (const auto& c : levelCases) {
        const Packed colour = packRgb(c.r, c.g, c.b);
        EXPECT_EQ(depthLevelOf(colour), c.level) << c.r << "," << c.g << "," << c.b;
        EXPECT_EQ(referenceLevel(colour), c.level) << "reference " << c.r << "," << c.g << "," << c.b;
    }
}

TEST(DepthQuantiser, OutsidePointIsNearest) { EXPECT_EQ(depthLevelOf(-1), 15); }

TEST(DepthQuantiser, EngineTablesAgreeWithTheWrittenOutTables) {
    for (int level = 0; level < 16; ++level) {
        EXPECT_EQ(DepthPalette[level], ReferencePalette[level]) << level;
        EXPECT_EQ(DotColours[level], testing::ReferenceDotColours[level]) << level;
    }
}

TEST(DepthQuantiser, SixteenOfTheSixtyFourSnappedColoursArePaletteColours) {
    const int values[] = {0, 128, 192, 255};
    int exact = 0;
    std::set<int> levelsSeen;
    for (int r : values)
        for (int g : values)
            for (int b : values) {
                const Packed q = packRgb(r, g, b);
                for (Packed p : DepthPalette)
                    exact += p == q ? 1 : 0;
                levelsSeen.insert(depthLevelOf(q));
            }
    EXPECT_EQ(exact, 16);
    EXPECT_EQ(levelsSeen.size(), 16u);
}

// Every component value around every threshold, in every channel, and a large random sample of
// 32-bit values (the high byte and negative values included) against the rule applied literally.
TEST(DepthQuantiser, TableMatchesTheRuleForEveryColourTried) {
    std::vector<int> edges = {0, 1, 63, 64, 65, 66, 100, 127, 128, 129, 159, 160, 161, 162,
                              180, 191, 192, 193, 206, 207, 208, 209, 230, 254, 255};
    for (int v = 0; v < 256; ++v)
        for (int a : edges)
            for (int b : edges) {
                for (const Packed colour : {packRgb(v, a, b), packRgb(a, v, b), packRgb(a, b, v)})
                    ASSERT_EQ(depthLevelOf(colour), referenceLevel(colour)) << std::hex << colour;
            }
    std::mt19937 gen(1234);
    std::uniform_int_distribution<std::uint32_t> any;
    for (int i = 0; i < 300000; ++i) {
        const auto colour = static_cast<Packed>(any(gen));
        ASSERT_EQ(depthLevelOf(colour), referenceLevel(colour)) << std::hex << colour;
    }
}

TEST(DepthQuantiser, RowTouchesOnlyItsColumns) {
    for (int columns : {1, 2, 17, 1024}) {
        std::vector<Packed> row(static_cast<std::size_t>(columns));
        for (int x = 0; x < columns; ++x)
            row[static_cast<std::size_t>(x)] = ReferencePalette[(x * 7 + 3) % 16];
        std::array<std::int32_t, RowBufferSize> levels;
        levels.fill(-7);
        QuantiseDepthRow(row, levels);
        for (int x = 0; x < columns; ++x)
            EXPECT_EQ(levels[static_cast<std::size_t>(x)], (x * 7 + 3) % 16) << columns << " @" << x;
        for (int x = columns; x < RowBufferSize; ++x)
            ASSERT_EQ(levels[static_cast<std::size_t>(x)], -7) << columns << " @" << x;
    }
}

TEST(DepthQuantiser, ShortLevelBufferIsNeverOverrun) {
    std::vector<Packed> row(8, packRgb(255, 255, 255));
    std::array<std::int32_t, 4> levels{};
    levels.fill(-1);
    QuantiseDepthRow(row, std::span<std::int32_t>(levels.data(), 3));
    EXPECT_EQ(levels[2], 15);
    EXPECT_EQ(levels[3], -1);
}

} // namespace
} // namespace quarbel::engine
