// The engine's converters against the pixel-at-a-time reference, on random designs, parameters,
// modes, seeds and pause points.

#include "EngineFakes.h"
#include "Reference.h"
#include "TestPictures.h"
#include "engine/Conversion.h"

#include <gtest/gtest.h>
#include <random>

namespace quarbel::engine {
namespace {

using namespace quarbel::engine::testing;

// A generator the engine does not know, so the converter has to go through the virtual interface.
class LcgRandom final : public RandomSource {
public:
    void seed(std::uint64_t seed) override { m_state = seed * 2862933555777941757ull + 3037000493ull; }
    double next() override {
        m_state = m_state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<double>(m_state >> 11) * 0x1.0p-53;
    }

private:
    std::uint64_t m_state = 0;
};

struct CaseMaker {
    std::mt19937_64 gen;

    int pick(std::initializer_list<int> values) { return *(values.begin() + gen() % values.size()); }
    int between(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(gen); }

    ReferenceParameters parameters(int width) {
        ReferenceParameters p;
        const int kind = between(0, 9);
        p.repeatWidth = kind < 6    ? between(0, 200)
                        : kind == 6 ? between(1, 12)
                        : kind == 7 ? between(-30, -1)
                        : kind == 8 ? between(201, 1300)
                                    : pick({0, 1, width - 1, width, width + 1});
        p.depth = between(0, 3) ? between(0, 50) : between(0, 1) ? between(-80, -1) : between(51, 700);
        if (kind == 6) // separations of a few pixels, all pointing right
            p.depth = between(0, 5);
        p.density = between(0, 4) ? between(0, 100) : between(0, 1) ? between(-10, -1) : between(101, 200);
        return p;
    }
};

void setParameters(ConversionParameters& params, const ReferenceParameters& p) {
    params = {p.repeatWidth, p.depth, p.density};
}

std::string describe(const ReferenceParameters& p) {
    return "RW " + std::to_string(p.repeatWidth) + " depth " + std::to_string(p.depth) + " density " +
           std::to_string(p.density);
}

// The editor's widths, and the batch converter's wider ones (buffers sized to the picture).
const std::vector<int> EditorWidths{1, 2, 3, 40, 71, 150, 333, 1024};
const std::vector<int> WideWidths{1025, 2048, 4099};

template <class Generator>
void compareRandomDot(int caseCount, std::uint64_t caseSeed, const std::vector<int>& widths = EditorWidths) {
    CaseMaker make{std::mt19937_64(caseSeed)};
    for (int c = 0; c < caseCount; ++c) {
        const int width = widths[make.gen() % widths.size()];
        const int height = make.between(1, width > 500 ? 4 : 9);
        const MemorySurface design = randomDesign(width, height, static_cast<std::uint32_t>(make.gen()));
        const ReferenceParameters first = make.parameters(width);
        const ReferenceParameters second = make.parameters(width);
        std::string mode = make.pick({0, 1, 2, 3}) == 0 ? "Mono" : make.between(0, 2) == 0 ? "mono" : "Color";
        const std::uint64_t seed = make.gen();
        const std::int32_t initialShift = make.between(-20, 200);
        const bool pause = make.between(0, 1) == 1;
        const int pauseRow = make.between(0, height - 1);
        SCOPED_TRACE("case " + std::to_string(c) + " " + std::to_string(width) + "x" +
                     std::to_string(height) + " " + describe(first) + " / " + describe(second) + " mode " +
                     mode + " pause " + (pause ? std::to_string(pauseRow) : "none"));

        ConversionParameters params = UsualParameters;
        MemorySink sink;
        ConversionState state;
        state.MaxWidth = MaxConvertWidth;
        RunFlags flags;
        Generator engineRandom;
        state.ResumeState[1] = initialShift;
        auto converter = makeRandomDotConverter(state, flags, design, sink, engineRandom, mode, seed);

        Generator referenceRandom;
        std::vector<Packed> expected(static_cast<std::size_t>(width) * height, 0);
        std::int64_t previous = initialShift;

        setParameters(params, first);
        converter->begin(params);
        if (pause) {
            for (int row = 0; row < pauseRow; ++row)
                ASSERT_EQ(converter->nextRow(), RowOutcome::Converted);
            flags.PauseRequested = true;
            ASSERT_EQ(converter->nextRow(), RowOutcome::Paused);
            ASSERT_EQ(state.ResumeState[0], pauseRow);
            referenceRandomDotRun(design, first, mode, referenceRandom, seed, 0, pauseRow, previous,
                                  expected);
            // The user moves the sliders while paused; the resume reads them anew.
            setParameters(params, second);
            converter->begin(params);
            referenceRandomDotRun(design, second, mode, referenceRandom, seed, pauseRow, height, previous,
                                  expected);
        } else {
            referenceRandomDotRun(design, first, mode, referenceRandom, seed, 0, height, previous, expected);
        }
        RowOutcome outcome;
        while ((outcome = converter->nextRow()) == RowOutcome::Converted) {
        }
        ASSERT_EQ(outcome, RowOutcome::Finished);
        ASSERT_EQ(sink.width(), width);
        ASSERT_EQ(sink.height(), height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                ASSERT_EQ(sink.at(x, y), expected[static_cast<std::size_t>(y) * width + x])
                    << "at " << x << "," << y;
        EXPECT_EQ(state.ResumeState[1], previous);
        EXPECT_EQ(state.ResumeState[0], 0);
        EXPECT_FALSE(flags.Converting);
    }
}

TEST(ReferenceComparison, RandomDotWithTheEnginesGenerator) {
    compareRandomDot<XoshiroRandom>(150, 17);
}

TEST(ReferenceComparison, RandomDotWithAForeignGenerator) {
    compareRandomDot<LcgRandom>(60, 99);
}

TEST(ReferenceComparison, RandomDotOnWidePictures) {
    compareRandomDot<XoshiroRandom>(12, 5150, WideWidths);
}

void compareColorField(int caseCount, std::uint64_t caseSeed, const std::vector<int>& widths) {
    CaseMaker make{std::mt19937_64(caseSeed)};
    for (int c = 0; c < caseCount; ++c) {
        const int width = widths[make.gen() % widths.size()];
        const int height = make.between(1, width > 500 ? 4 : 10);
        // Mostly the same size; sometimes the Design image is smaller or larger than the Field image.
        const int shape = make.between(0, 3);
        const int designWidth = shape == 1   ? make.between(0, width)
                                : shape == 2 ? width + make.between(1, 100)
                                             : width;
        const int designHeight = shape == 1 ? make.between(0, height) : shape == 2 ? height + 3 : height;
        const MemorySurface design =
            randomDesign(designWidth, designHeight, static_cast<std::uint32_t>(make.gen()));
        const MemorySurface field = randomField(width, height, static_cast<std::uint32_t>(make.gen()));
        const ReferenceParameters first = make.parameters(width);
        const ReferenceParameters second = make.parameters(width);
        const bool pause = make.between(0, 1) == 1;
        const int pauseRow = make.between(0, height - 1);
        SCOPED_TRACE("case " + std::to_string(c) + " field " + std::to_string(width) + "x" +
                     std::to_string(height) + " design " + std::to_string(designWidth) + "x" +
                     std::to_string(designHeight) + " " + describe(first) + " / " + describe(second) +
                     " pause " + (pause ? std::to_string(pauseRow) : "none"));

        ConversionParameters params = UsualParameters;
        MemorySink sink;
        ConversionState state;
        state.MaxWidth = MaxConvertWidth;
        RunFlags flags;
        state.ResumeState[1] = 33; // the random-dot entries must come through untouched
        state.ResumeState[0] = 5;
        auto converter = makeColorFieldConverter(state, flags, design, field, sink);
        std::vector<Packed> expected(static_cast<std::size_t>(width) * height, 0);

        setParameters(params, first);
        converter->begin(params);
        if (pause) {
            for (int row = 0; row < pauseRow; ++row)
                ASSERT_EQ(converter->nextRow(), RowOutcome::Converted);
            flags.PauseRequested = true;
            ASSERT_EQ(converter->nextRow(), RowOutcome::Paused);
            ASSERT_EQ(state.ResumeState[2], pauseRow);
            referenceColorFieldRun(design, field, first, 0, pauseRow, expected);
            setParameters(params, second);
            converter->begin(params);
            referenceColorFieldRun(design, field, second, pauseRow, height, expected);
        } else {
            referenceColorFieldRun(design, field, first, 0, height, expected);
        }
        RowOutcome outcome;
        while ((outcome = converter->nextRow()) == RowOutcome::Converted) {
        }
        ASSERT_EQ(outcome, RowOutcome::Finished);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                ASSERT_EQ(sink.at(x, y), expected[static_cast<std::size_t>(y) * width + x])
                    << "at " << x << "," << y;
        EXPECT_EQ(state.ResumeState[0], 5);
        EXPECT_EQ(state.ResumeState[1], 33);
        EXPECT_EQ(state.ResumeState[2], 0);
    }
}

TEST(ReferenceComparison, ColorField) {
    compareColorField(120, 4242, {1, 2, 5, 64, 70, 211, 1024});
}

TEST(ReferenceComparison, ColorFieldOnWidePictures) {
    compareColorField(12, 2048, WideWidths);
}

// A 2048-pixel picture whose design has a depth step on either side of column 1024, where the old
// fixed row buffers ended: every link across that column must land.
TEST(ReferenceComparison, ColorFieldAcrossTheOldBufferEnd) {
    constexpr int width = 2048, height = 3;
    MemorySurface design(width, height, ReferencePalette[0]);
    for (int y = 0; y < height; ++y)
        for (int x = 1000; x < 1100; ++x)
            design.set(x, y, ReferencePalette[15]);
    const MemorySurface field = randomField(width, height, 77);
    for (const ReferenceParameters p : {ReferenceParameters{70, 20, 0}, ReferenceParameters{200, 50, 0}}) {
        ConversionParameters params = UsualParameters;
        setParameters(params, p);
        MemorySink sink;
        ConversionState state;
        state.MaxWidth = MaxConvertWidth;
        RunFlags flags;
        auto converter = makeColorFieldConverter(state, flags, design, field, sink);
        ASSERT_EQ(runToEnd(*converter, params), RowOutcome::Finished);
        std::vector<Packed> expected(static_cast<std::size_t>(width) * height, 0);
        referenceColorFieldRun(design, field, p, 0, height, expected);
        EXPECT_EQ(sink.pixels(), expected) << describe(p);
    }
}

} // namespace
} // namespace quarbel::engine
