#include "engine/DepthQuantiser.h"

#include "Reference.h"

#include <algorithm>
#include <array>
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <string>
#include <vector>

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
    {192, 0, 0, 9},    {0, 0, 192, 8},      {255, 128, 0, 3},   {192, 192, 0, 10},   {128, 255, 255, 15},
    {192, 0, 128, 5},  {64, 64, 64, 0},     {65, 65, 65, 7},    {208, 208, 208, 15}, {200, 200, 200, 8},
    {0, 0, 0, 0},      {255, 255, 255, 15}, {160, 160, 160, 7}, {161, 161, 161, 8},  {207, 207, 207, 8},
    {128, 0, 0, 1},    {0, 128, 0, 2},      {128, 128, 0, 3},   {0, 0, 128, 4},      {128, 0, 128, 5},
    {0, 128, 128, 6},  {128, 128, 128, 7},  {192, 192, 192, 8}, {255, 0, 0, 9},      {0, 255, 0, 10},
    {255, 255, 0, 11}, {0, 0, 255, 12},     {255, 0, 255, 13},  {0, 255, 255, 14},   {250, 10, 240, 13},
};

TEST(DepthQuantiser, TellingColoursAndThresholds) {
    for (const auto& c : levelCases) {
        const Packed colour = packRgb(c.r, c.g, c.b);
        EXPECT_EQ(depthLevelOf(colour), c.level) << c.r << "," << c.g << "," << c.b;
        EXPECT_EQ(referenceLevel(colour), c.level) << "reference " << c.r << "," << c.g << "," << c.b;
    }
}

TEST(DepthQuantiser, OutsidePointIsNearest) {
    EXPECT_EQ(depthLevelOf(-1), 15);
}

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
    std::vector<int> edges = {0,   1,   63,  64,  65,  66,  100, 127, 128, 129, 159, 160, 161,
                              162, 180, 191, 192, 193, 206, 207, 208, 209, 230, 254, 255};
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
        std::array<std::int32_t, (testing::EditorWidth + 1)> levels{};
        levels.fill(-7);
        QuantiseDepthRow(row, levels);
        for (int x = 0; x < columns; ++x)
            EXPECT_EQ(levels[static_cast<std::size_t>(x)], (x * 7 + 3) % 16) << columns << " @" << x;
        for (int x = columns; x < (testing::EditorWidth + 1); ++x)
            ASSERT_EQ(levels[static_cast<std::size_t>(x)], -7) << columns << " @" << x;
    }
}

// Every way of quantising the machine offers, on rows of every length around the block sizes,
// gives the rule's levels and the runs of equal level, and touches nothing past the row.
TEST(DepthQuantiser, EveryPathGivesTheRulesLevelsAndRuns) {
    std::mt19937 gen(77);
    std::uniform_int_distribution<std::uint32_t> any;
    auto makeRow = [&](int kind, int columns) {
        std::vector<Packed> row(static_cast<std::size_t>(columns));
        Packed current = 0;
        int left = 0;
        for (auto& colour : row) {
            switch (kind) {
            case 0: // runs of palette colours, some slightly off
                if (left-- <= 0) {
                    left = static_cast<int>(gen() % 40);
                    current = ReferencePalette[gen() % 16] ^ static_cast<Packed>(gen() % 2 ? 0 : 0x0A0503);
                }
                colour = current;
                break;
            case 1: // arbitrary 32-bit values, -1 and high bytes included
                colour = static_cast<Packed>(any(gen));
                break;
            case 2: // one colour throughout
                colour = packRgb(200, 10, 130);
                break;
            default: // two colours that quantise alike, then a change every few columns
                colour = gen() % 5 == 0 ? packRgb(255, 255, 255) : (gen() % 2 ? -1 : packRgb(250, 240, 230));
                break;
            }
        }
        return row;
    };
    const QuantiserPath paths[] = {QuantiserPath::Portable, QuantiserPath::Sse41, QuantiserPath::Avx2,
                                   QuantiserPath::Avx512};
    int pathsRun = 0;
    for (QuantiserPath path : paths) {
        if (!quantiserPathAvailable(path))
            continue;
        ++pathsRun;
        for (int kind = 0; kind < 4; ++kind)
            for (int columns : {0, 1, 3, 4, 5, 7, 8, 9, 15, 16, 17, 31, 33, 100, 255, 1024}) {
                SCOPED_TRACE("path " + std::to_string(static_cast<int>(path)) + " kind " +
                             std::to_string(kind) + " columns " + std::to_string(columns));
                const std::vector<Packed> row = makeRow(kind, columns);
                std::vector<std::int32_t> levels((testing::EditorWidth + 1) + 8, -7),
                    runs((testing::EditorWidth + 1) + 8, -7);
                std::vector<std::int32_t> expectedRuns;
                for (int x = 0; x < columns; ++x)
                    if (x == 0 || referenceLevel(row[x]) != referenceLevel(row[x - 1]))
                        expectedRuns.push_back(x);
                const std::size_t count =
                    quantiseRowWith(path, row.data(), row.size(), QuantisedRow{levels.data(), runs.data()});
                ASSERT_EQ(count, expectedRuns.size());
                for (std::size_t i = 0; i < count; ++i)
                    ASSERT_EQ(runs[i], expectedRuns[i]) << "run " << i;
                ASSERT_EQ(runs[count], -7);
                for (int x = 0; x < columns; ++x)
                    ASSERT_EQ(levels[static_cast<std::size_t>(x)], referenceLevel(row[x])) << "column " << x;
                ASSERT_EQ(levels[static_cast<std::size_t>(columns)], -7);

                std::vector<std::int32_t> levelsOnly((testing::EditorWidth + 1), -7);
                EXPECT_EQ(quantiseRowWith(path, row.data(), row.size(), QuantisedRow{levelsOnly.data()}), 0u);
                EXPECT_TRUE(std::equal(levelsOnly.begin(), levelsOnly.begin() + columns, levels.begin()));
            }
    }
    EXPECT_GE(pathsRun, 1);
}

} // namespace
} // namespace quarbel::engine
