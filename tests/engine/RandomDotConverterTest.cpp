#include "ConverterRigs.h"
#include "Reference.h"
#include "TestPictures.h"

#include <gtest/gtest.h>

namespace quarbel::engine {
namespace {

using namespace quarbel::engine::testing;

constexpr Packed Black = 0;
constexpr Packed White = 0xFFFFFF;

TEST(RandomDot, DensityZeroGivesAllBlack) {
    for (int repeatWidth : {0, 70, 200})
        for (const char* mode : {"Mono", "Color"}) {
            RandomDotRig rig(randomDesign(120, 20, 5), 7, mode);
            rig.params = {repeatWidth, 20, 0};
            ASSERT_EQ(rig.run(), RowOutcome::Finished);
            EXPECT_EQ(coloursOf(rig.sink), std::set<Packed>{Black}) << repeatWidth << " " << mode;
        }
}

// Only r = 100 (1 draw in 101) is unlit at density 100.
TEST(RandomDot, DensityHundredIsRarelyBlack) {
    RandomDotRig rig(MemorySurface(1, 4000, 0), 11, "Mono");
    rig.params = {70, 20, 100};
    ASSERT_EQ(rig.run(), RowOutcome::Finished);
    int black = 0;
    for (int y = 0; y < 4000; ++y)
        black += rig.sink.at(0, y) == Black ? 1 : 0;
    EXPECT_GT(black, 12);
    EXPECT_LT(black, 75);
    EXPECT_EQ(coloursOf(rig.sink), (std::set<Packed>{Black, White}));
}

TEST(RandomDot, ExactlyMonoGivesBlackAndWhiteAnythingElseTheSixteenColours) {
    const std::set<Packed> allDots(std::begin(ReferenceDotColours), std::end(ReferenceDotColours));
    const struct {
        const char* mode;
        bool mono;
    } cases[] = {{"Mono", true}, {"Color", false}, {"mono", false}, {"", false}, {"Mono ", false}};
    for (const auto& c : cases) {
        RandomDotRig rig(randomDesign(200, 50, 3), 5, c.mode);
        rig.params = {70, 20, 100};
        ASSERT_EQ(rig.run(), RowOutcome::Finished);
        EXPECT_EQ(coloursOf(rig.sink), (c.mono ? std::set<Packed>{Black, White} : allDots))
            << '"' << c.mode << '"';
    }
}

TEST(RandomDot, ModeIsTakenAsItStandsWhenEachRowIsConverted) {
    RandomDotRig rig(randomDesign(100, 10, 8), 2, "Color");
    rig.params = {70, 20, 100};
    rig.begin();
    for (int row = 0; row < 5; ++row)
        ASSERT_EQ(rig.converter->nextRow(), RowOutcome::Converted);
    rig.mode = "Mono";
    ASSERT_EQ(rig.finish(), RowOutcome::Finished);
    bool colouredBefore = false;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 100; ++x) {
            const Packed p = rig.sink.at(x, y);
            if (y >= 5)
                ASSERT_TRUE(p == Black || p == White) << x << "," << y;
            else
                colouredBefore = colouredBefore || (p != Black && p != White);
        }
    EXPECT_TRUE(colouredBefore);
}

TEST(RandomDot, RepeatWidthZeroLightsOnlyColumnZero) {
    for (std::int32_t previousShift : {0, 40}) {
        RandomDotRig rig(randomDesign(150, 40, 9), 4, "Color");
        rig.state.ResumeState[1] = previousShift;
        rig.params = {0, 30, 100};
        ASSERT_EQ(rig.run(), RowOutcome::Finished);
        int litInColumnZero = 0;
        for (int y = 0; y < 40; ++y) {
            litInColumnZero += rig.sink.at(0, y) != Black ? 1 : 0;
            for (int x = 1; x < 150; ++x)
                ASSERT_EQ(rig.sink.at(x, y), Black) << x << "," << y;
        }
        EXPECT_GT(litInColumnZero, 30);
    }
}

// With every shift 0 nothing is visible: each column past RepeatWidth repeats the one RepeatWidth
// to its left, and column RepeatWidth repeats column 0 unless that dot is black.
TEST(RandomDot, FlatDepthRepeatsAtTheRepeatWidth) {
    struct Case {
        bool blackDesign;
        int depth;
    };
    for (const Case c : {Case{false, 0}, Case{true, 20}, Case{true, 50}})
        for (int repeatWidth : {1, 5, 70, 200})
            for (const char* mode : {"Mono", "Color"}) {
                SCOPED_TRACE(std::string(mode) + " RW " + std::to_string(repeatWidth) + " depth " +
                             std::to_string(c.depth) + (c.blackDesign ? " black design" : " shaped design"));
                RandomDotRig rig(c.blackDesign ? MemorySurface(300, 12, 0) : randomDesign(300, 12, 21), 3,
                                 mode);
                rig.params = {repeatWidth, c.depth, 45};
                ASSERT_EQ(rig.run(), RowOutcome::Finished);
                int copiedZero = 0;
                for (int y = 0; y < 12; ++y) {
                    for (int x = repeatWidth + 1; x < 300; ++x)
                        ASSERT_EQ(rig.sink.at(x, y), rig.sink.at(x - repeatWidth, y)) << x << "," << y;
                    if (rig.sink.at(0, y) != Black)
                        ASSERT_EQ(rig.sink.at(repeatWidth, y), rig.sink.at(0, y)) << "row " << y;
                    else
                        ++copiedZero;
                }
                EXPECT_LT(copiedZero, 12); // the case above was really exercised
            }
}

TEST(RandomDot, PreviousShiftIsCarriedIntoTheNextRun) {
    // The last pixel of the design is at level 15: depth 20 leaves a previous shift of 30.
    MemorySurface design = randomDesign(90, 6, 31);
    design.set(89, 5, White);
    RandomDotRig first(design, 77, "Color");
    first.params = {70, 20, 60};
    ASSERT_EQ(first.run(), RowOutcome::Finished);
    EXPECT_EQ(first.state.ResumeState[1], 30);

    // A second run on the same window starts with that shift; a new window starts with 0.
    ASSERT_EQ(first.run(), RowOutcome::Finished);
    RandomDotRig fresh(design, 77, "Color");
    fresh.params = {70, 20, 60};
    ASSERT_EQ(fresh.run(), RowOutcome::Finished);
    EXPECT_NE(first.sink.pixels(), fresh.sink.pixels());

    XoshiroRandom random;
    std::vector<Packed> expected(std::size_t{90} * 6);
    std::int64_t previous = 30;
    referenceRandomDotRun(design, {70, 20, 60}, "Color", random, 77, 0, 6, previous, expected);
    EXPECT_EQ(first.sink.pixels(), expected);
}

TEST(RandomDot, TheSameSeedGivesTheSamePictureAndTheClockDoesNot) {
    const MemorySurface design = randomDesign(64, 16, 12);
    RandomDotRig a(design, 123), b(design, 123);
    ASSERT_EQ(a.run(), RowOutcome::Finished);
    ASSERT_EQ(b.run(), RowOutcome::Finished);
    EXPECT_EQ(a.sink.pixels(), b.sink.pixels());

    MemorySink first, second;
    ConversionState state1, state2;
    RunFlags flags;
    XoshiroRandom random;
    std::string mode = "Color";
    ConversionParameters params = UsualParameters;
    auto c1 = makeRandomDotConverter(state1, flags, design, first, random, mode);
    auto c2 = makeRandomDotConverter(state2, flags, design, second, random, mode);
    ASSERT_EQ(runToEnd(*c1, params), RowOutcome::Finished);
    ASSERT_EQ(runToEnd(*c2, params), RowOutcome::Finished);
    EXPECT_NE(first.pixels(), second.pixels());
}

} // namespace
} // namespace quarbel::engine
