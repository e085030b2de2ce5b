// Reading stereograms back: pictures made by the converters are revealed and compared with the
// Design image that made them, which is also a round-trip check of the converters.

#include "engine/DepthReveal.h"

#include "EngineFakes.h"
#include "Reference.h"
#include "engine/Conversion.h"
#include "engine/DepthQuantiser.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <random>

namespace quarbel::engine {
namespace {

using namespace quarbel::engine::testing;

// Background level 0 with overlapping rectangles and discs of random levels 1..15, each at least
// 30 pixels across, so that most pixels lie well inside an area of one depth.
MemorySurface shapesDesign(int width, int height, std::uint32_t seed) {
    std::mt19937 gen(seed);
    MemorySurface design(width, height, DepthPalette[0]);
    std::uniform_int_distribution<int> level(1, 15), xs(0, width - 1), ys(0, height - 1),
        radius(15, std::max(16, std::min(width, height) / 4));
    for (int s = 0; s < 3 + width * height / 30000; ++s) {
        const Packed colour = DepthPalette[static_cast<std::size_t>(level(gen))];
        const int cx = xs(gen), cy = ys(gen), rx = radius(gen), ry = radius(gen);
        const bool disc = gen() % 2 == 0;
        for (int y = std::max(0, cy - ry); y <= std::min(height - 1, cy + ry); ++y)
            for (int x = std::max(0, cx - rx); x <= std::min(width - 1, cx + rx); ++x) {
                const double dx = double(x - cx) / rx, dy = double(y - cy) / ry;
                if (!disc || dx * dx + dy * dy <= 1.0)
                    design.set(x, y, colour);
            }
    }
    return design;
}

// A pattern one repeat width wide (as the wizard tiles it), repeated over the picture. blockSize 1
// gives a fine texture of any colour; larger blocks of a few colours give a coarse one.
MemorySurface tiledField(int width, int height, int period, int blockSize, int colours, std::uint32_t seed) {
    std::mt19937 gen(seed);
    std::uniform_int_distribution<Packed> anyColour(1, 0xFFFFFF);
    std::vector<Packed> palette(static_cast<std::size_t>(colours));
    for (Packed& c : palette)
        c = anyColour(gen);
    const int patternHeight = 64;
    MemorySurface pattern(period, patternHeight);
    for (int y = 0; y < patternHeight; y += blockSize)
        for (int x = 0; x < period; x += blockSize) {
            const Packed c = palette[gen() % palette.size()];
            for (int by = y; by < std::min(patternHeight, y + blockSize); ++by)
                for (int bx = x; bx < std::min(period, x + blockSize); ++bx)
                    pattern.set(bx, by, c);
        }
    MemorySurface field(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            field.set(x, y, pattern.pixel(x % period, y % patternHeight));
    return field;
}

MemorySurface surfaceOf(const MemorySink& sink) {
    MemorySurface surface(sink.width(), sink.height());
    for (int y = 0; y < sink.height(); ++y)
        for (int x = 0; x < sink.width(); ++x)
            surface.set(x, y, sink.at(x, y));
    return surface;
}

struct Picture {
    int width = 480, height = 360;
    int repeatWidth = 70, depth = 20;
    enum Kind { RandomDot, ColorField } kind = RandomDot;
    std::string mode = "Mono";
    int density = 30;
    int blockSize = 1, colours = 0; // colour field texture
};

MemorySurface makeStereogram(const Picture& p, const MemorySurface& design, std::uint32_t seed) {
    ConversionParameters params = UsualParameters;
    params = {p.repeatWidth, p.depth, p.density};
    MemorySink sink;
    ConversionState state;
    state.MaxWidth = MaxConvertWidth;
    RunFlags flags;
    XoshiroRandom random;
    std::unique_ptr<Converter> converter;
    const MemorySurface field =
        tiledField(p.width, p.height, p.repeatWidth, p.blockSize, p.colours > 0 ? p.colours : 4096, seed + 1);
    if (p.kind == Picture::RandomDot)
        converter = makeRandomDotConverter(state, flags, design, sink, random, p.mode, seed);
    else
        converter = makeColorFieldConverter(state, flags, design, field, sink);
    EXPECT_EQ(runToEnd(*converter, params), RowOutcome::Finished);
    return surfaceOf(sink);
}

struct Accuracy {
    std::int64_t counted = 0;
    std::int64_t exact = 0;
    double share() const { return counted ? double(exact) / double(counted) : 0.0; }
};

// Pixels more than 4 pixels (in both directions) from any pixel of another level, and left of
// the rightmost repeat width, against the level the reveal gave them.
Accuracy measure(const MemorySurface& design, const std::vector<std::uint8_t>& levels, int repeatWidth) {
    const int w = design.width(), h = design.height();
    std::vector<int> truth(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            truth[static_cast<std::size_t>(y) * w + x] = depthLevelOf(design.pixel(x, y));
    Accuracy a;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w - repeatWidth; ++x) {
            const int level = truth[static_cast<std::size_t>(y) * w + x];
            bool inside = true;
            for (int dy = -4; dy <= 4 && inside; ++dy)
                for (int dx = -4; dx <= 4 && inside; ++dx) {
                    const int nx = x + dx, ny = y + dy;
                    if (nx >= 0 && ny >= 0 && nx < w && ny < h)
                        inside = truth[static_cast<std::size_t>(ny) * w + nx] == level;
                }
            if (!inside)
                continue;
            ++a.counted;
            a.exact += levels[static_cast<std::size_t>(y) * w + x] == level;
        }
    return a;
}

struct AccuracyCase {
    const char* name;
    Picture picture;
};

class RevealAccuracy : public ::testing::TestWithParam<AccuracyCase> {};

// Depth 20, repeat width 70: at least 98 % of the counted pixels get exactly their Design level.
TEST_P(RevealAccuracy, RecoversTheDesignLevels) {
    const Picture& p = GetParam().picture;
    Accuracy total;
    for (std::uint32_t seed : {11u, 12u, 13u}) {
        const MemorySurface design = shapesDesign(p.width, p.height, seed);
        const MemorySurface stereo = makeStereogram(p, design, seed * 7);
        const SeparationMap map = findSeparations(stereo, candidateSeparations(p.repeatWidth, p.depth));
        const Accuracy a = measure(design, levelsFromSeparations(map, p.repeatWidth, p.depth), p.repeatWidth);
        ASSERT_GT(a.counted, p.width * p.height / 4) << "the design leaves too few pixels to count";
        total.counted += a.counted;
        total.exact += a.exact;
    }
    std::printf("[ reveal   ] %-28s %lld of %lld pixels exact: %.2f %%\n", GetParam().name,
                static_cast<long long>(total.exact), static_cast<long long>(total.counted),
                100.0 * total.share());
    EXPECT_GE(total.share(), 0.98);
}

Picture randomDot(const char* mode, int density) {
    Picture p;
    p.mode = mode;
    p.density = density;
    return p;
}

Picture colorField(int blockSize, int colours) {
    Picture p;
    p.kind = Picture::ColorField;
    p.blockSize = blockSize;
    p.colours = colours;
    return p;
}

INSTANTIATE_TEST_SUITE_P(Pictures, RevealAccuracy,
                         ::testing::Values(AccuracyCase{"random dot mono 30", randomDot("Mono", 30)},
                                           AccuracyCase{"random dot mono 45", randomDot("Mono", 45)},
                                           AccuracyCase{"random dot mono 60", randomDot("Mono", 60)},
                                           AccuracyCase{"random dot colour 30", randomDot("Color", 30)},
                                           AccuracyCase{"random dot colour 60", randomDot("Color", 60)},
                                           AccuracyCase{"colour field fine", colorField(1, 0)},
                                           AccuracyCase{"colour field 8 colours", colorField(1, 8)},
                                           AccuracyCase{"colour field 2x2 blocks", colorField(2, 12)}),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

// Without a depth every separation from RepeatWidth - 75 up is tried; the levels still come out
// when the depth is given afterwards, and a wide picture reads as well as a narrow one.
TEST(Reveal, WithoutTheDepthAndOnAWidePicture) {
    for (const int width : {480, 2500}) {
        Picture p = randomDot("Mono", 40);
        p.width = width;
        p.height = 120;
        const MemorySurface design = shapesDesign(p.width, p.height, 21);
        const MemorySurface stereo = makeStereogram(p, design, 22);
        const SeparationMap map = findSeparations(stereo, candidateSeparations(p.repeatWidth, std::nullopt));
        const Accuracy a = measure(design, levelsFromSeparations(map, p.repeatWidth, p.depth), p.repeatWidth);
        EXPECT_GE(a.share(), 0.97) << width;
    }
}

TEST(Reveal, CandidateSeparations) {
    const struct {
        int repeatWidth;
        std::optional<int> depth;
        std::vector<int> expected;
    } cases[] = {
        {70, 20, {70, 68, 66, 64, 62, 60, 58, 56, 54, 52, 50, 48, 46, 44, 42, 40}},
        {70, 0, {70}},
        // Factor 0.1: levels 0..4 and 5..14 share shifts 0 and 1 (level 5 rounds up), 15 gives 2.
        {70, 1, {70, 69, 68}},
        {40, 50, {40, 35, 30, 25, 20, 15, 10, 5}}, // separations below 1 link nothing
        {0, 20, {}},
        {5, std::nullopt, {5, 4, 3, 2, 1}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(candidateSeparations(c.repeatWidth, c.depth), c.expected) << c.repeatWidth;
    const std::vector<int> all = candidateSeparations(100, std::nullopt);
    ASSERT_EQ(all.size(), 76u);
    EXPECT_EQ(all.front(), 100);
    EXPECT_EQ(all.back(), 25);
}

TEST(Reveal, LevelsOfSeparations) {
    SeparationMap map{8, 1, {70, 68, 69, 67, 40, 30, 0, 100}};
    // Depth 20: shift 2 per level; an odd shift lies between two levels and goes to the lower one;
    // shifts beyond level 15 or below 0 take the nearest level; no separation gives level 0.
    EXPECT_EQ(levelsFromSeparations(map, 70, 20), (std::vector<std::uint8_t>{0, 1, 0, 1, 15, 15, 0, 0}));
    // Depth 0: every level has shift 0, so every separation is level 0.
    EXPECT_EQ(levelsFromSeparations(map, 70, 0), std::vector<std::uint8_t>(8, 0));
    // Depth 50: 5 pixels per level.
    EXPECT_EQ(levelsFromSeparations(map, 70, 50), (std::vector<std::uint8_t>{0, 0, 0, 1, 6, 8, 0, 0}));
}

TEST(Reveal, GreyIsBrighterWhereNearer) {
    SeparationMap map{5, 1, {70, 55, 40, 0, 80}};
    // Shifts 0, 15, 30, none, none: scaled so that the largest shift is white.
    EXPECT_EQ(greyFromSeparations(map, 70), (std::vector<std::uint8_t>{0, 128, 255, 0, 0}));
    SeparationMap flat{3, 1, {70, 70, 0}};
    EXPECT_EQ(greyFromSeparations(flat, 70), std::vector<std::uint8_t>(3, 0));
    // One stray pixel in a thousand or more does not set the scale: it is as white as the rest.
    SeparationMap stray{3000, 1, std::vector<std::int16_t>(3000, 60)};
    stray.separations[0] = 10;
    stray.separations[1] = 70;
    const std::vector<std::uint8_t> grey = greyFromSeparations(stray, 70);
    EXPECT_EQ(grey[0], 255);
    EXPECT_EQ(grey[1], 0);
    EXPECT_EQ(grey[2], 255);
}

TEST(Reveal, DetectsTheRepeatWidth) {
    for (const int repeatWidth : {40, 70, 96, 150, 200}) {
        for (const bool field : {false, true}) {
            SCOPED_TRACE(std::to_string(repeatWidth) + (field ? " field" : " dots"));
            Picture p = field ? colorField(1, 0) : randomDot("Color", 50);
            p.repeatWidth = repeatWidth;
            p.depth = 30;
            const MemorySurface design = shapesDesign(p.width, p.height, 31);
            EXPECT_EQ(detectRepeatWidth(makeStereogram(p, design, 32)), repeatWidth);
        }
    }
}

TEST(Reveal, APictureThatDoesNotRepeatHasNoRepeatWidth) {
    std::mt19937 gen(5);
    MemorySurface noise(300, 200), flat(300, 200, 0x123456), tiny(2, 2, 0);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x)
            noise.set(x, y, gen() % 2 ? 0xFFFFFF : 0);
    EXPECT_EQ(detectRepeatWidth(noise), std::nullopt);
    EXPECT_EQ(detectRepeatWidth(flat), std::nullopt);
    // A Design image (flat areas and the edges of shapes) and a smooth grey ramp: their few edges
    // match themselves a pixel or two along, which is no repeat width.
    EXPECT_EQ(detectRepeatWidth(shapesDesign(300, 200, 7)), std::nullopt);
    MemorySurface ramp(300, 200);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x)
            ramp.set(x, y, static_cast<Packed>((x * 255 / 299) * 0x010101));
    EXPECT_EQ(detectRepeatWidth(ramp), std::nullopt);
    EXPECT_EQ(detectRepeatWidth(tiny), std::nullopt);
    EXPECT_EQ(detectRepeatWidth(MemorySurface(0, 0)), std::nullopt);
}

TEST(Reveal, EmptyAndTinyPictures) {
    const std::vector<int> candidates = candidateSeparations(70, 20);
    const SeparationMap empty = findSeparations(MemorySurface(0, 0), candidates);
    EXPECT_TRUE(empty.separations.empty());
    // Narrower than every separation: nothing can match on either side.
    const SeparationMap narrow = findSeparations(MemorySurface(30, 1, 0x00FF00), candidates);
    EXPECT_EQ(narrow.separations, std::vector<std::int16_t>(30, 0));
    EXPECT_EQ(findSeparations(MemorySurface(30, 2), {}).separations, std::vector<std::int16_t>(60, 0));
}

} // namespace
} // namespace quarbel::engine
