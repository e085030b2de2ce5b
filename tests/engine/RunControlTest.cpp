// Start, pause, continue, abort and close, the same for both converters.

#include "ConverterRigs.h"
#include "TestPictures.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <limits>
#include <map>
#include <numeric>
#include <stdexcept>

namespace quarbel::engine {
namespace {

using namespace quarbel::engine::testing;

enum class Kind { RandomDot, ColorField };

// One document window: Design and Field images, the Stereo pane, the window's state and a converter.
class RunControl : public ::testing::TestWithParam<Kind> {
protected:
    void make(int width, int height) {
        design = std::make_unique<MemorySurface>(randomDesign(width, height, 41));
        field = std::make_unique<MemorySurface>(randomField(width, height, 42));
        converter = newConverter(state, sink);
    }
    std::unique_ptr<Converter> newConverter(ConversionState& s, MemorySink& out) {
        if (GetParam() == Kind::RandomDot)
            return makeRandomDotConverter(s, flags, *design, out, random, mode, 99);
        return makeColorFieldConverter(s, flags, *design, *field, out);
    }
    std::size_t resumeIndex() const { return GetParam() == Kind::RandomDot ? 0 : 2; }
    void begin() { converter->begin(params); }
    RowOutcome finish() {
        RowOutcome outcome = converter->nextRow();
        while (outcome == RowOutcome::Converted)
            outcome = converter->nextRow();
        return outcome;
    }
    std::vector<Packed> rows(const MemorySink& s, int from, int to) const {
        const std::ptrdiff_t width = s.width();
        return {s.pixels().begin() + from * width, s.pixels().begin() + to * width};
    }

    std::unique_ptr<MemorySurface> design, field;
    std::string mode = "Color";
    ConversionParameters params = UsualParameters;
    MemorySink sink;
    ConversionState state;
    RunFlags flags;
    XoshiroRandom random;
    std::unique_ptr<Converter> converter;
};

TEST_P(RunControl, PauseAtRowTenAndContinueThereWithTheParametersReadAnew) {
    make(80, 30);
    params = {40, 20, 50};
    begin();
    EXPECT_TRUE(flags.Converting);
    for (int row = 0; row < 10; ++row)
        ASSERT_EQ(converter->nextRow(), RowOutcome::Converted);
    flags.PauseRequested = true;
    ASSERT_EQ(converter->nextRow(), RowOutcome::Paused);
    EXPECT_FALSE(flags.PauseRequested);
    EXPECT_TRUE(flags.Converting);
    EXPECT_EQ(state.ResumeState[resumeIndex()], 10);
    EXPECT_EQ(sink.rowsWritten.size(), 10u);
    const auto drawn = rows(sink, 0, 10);
    const int clears = sink.clears;

    params = {40, 45, 50};
    begin();
    EXPECT_EQ(converter->parameters().depth, 45);
    EXPECT_EQ(state.CurrentRow, 10);
    EXPECT_EQ(sink.clears, clears);
    ASSERT_EQ(finish(), RowOutcome::Finished);
    EXPECT_EQ(rows(sink, 0, 10), drawn);
    std::vector<int> expectedRows(30);
    std::iota(expectedRows.begin(), expectedRows.end(), 0);
    EXPECT_EQ(sink.rowsWritten, expectedRows);
    EXPECT_EQ(state.ResumeState[resumeIndex()], 0);
    EXPECT_FALSE(flags.Converting);
}

TEST_P(RunControl, AbortWhilePausedThenStartClearsAndBeginsAtRowZero) {
    make(60, 20);
    params = {30, 20, 50};
    begin();
    for (int row = 0; row < 7; ++row)
        ASSERT_EQ(converter->nextRow(), RowOutcome::Converted);
    flags.PauseRequested = true;
    ASSERT_EQ(converter->nextRow(), RowOutcome::Paused);
    // What the abort command does to the flags.
    flags.PauseRequested = true;
    flags.AbortRequested = true;
    flags.Converting = false;
    const std::int32_t previousShift = state.ResumeState[1];

    const int clears = sink.clears;
    sink.rowsWritten.clear();
    begin();
    EXPECT_FALSE(flags.PauseRequested);
    EXPECT_FALSE(flags.AbortRequested);
    EXPECT_TRUE(flags.Converting);
    EXPECT_EQ(state.CurrentRow, 0);
    EXPECT_EQ(sink.clears, clears + 1);
    ASSERT_EQ(finish(), RowOutcome::Finished);
    EXPECT_EQ(sink.rowsWritten.front(), 0);
    EXPECT_EQ(sink.rowsWritten.size(), 20u);

    // Same as a fresh run of a window in the same state.
    MemorySink fresh;
    ConversionState freshState;
    freshState.ResumeState[1] = previousShift;
    auto other = newConverter(freshState, fresh);
    ASSERT_EQ(runToEnd(*other, params), RowOutcome::Finished);
    EXPECT_EQ(fresh.pixels(), sink.pixels());
}

TEST_P(RunControl, PauseRequestedBeforeTheFirstRowPausesAtOnce) {
    make(30, 5);
    flags.PauseRequested = true;
    begin();
    ASSERT_EQ(converter->nextRow(), RowOutcome::Paused);
    EXPECT_TRUE(sink.rowsWritten.empty());
    EXPECT_EQ(state.ResumeState[resumeIndex()], 0);
    EXPECT_TRUE(flags.Converting);
}

TEST_P(RunControl, ARequestAfterTheLastRowWaitsForTheNextRun) {
    make(30, 1);
    begin();
    ASSERT_EQ(converter->nextRow(), RowOutcome::Finished);
    flags.PauseRequested = true;
    EXPECT_EQ(converter->nextRow(), RowOutcome::Finished);
    EXPECT_TRUE(flags.PauseRequested);
    EXPECT_FALSE(flags.Converting);
    begin();
    EXPECT_EQ(converter->nextRow(), RowOutcome::Paused);
    EXPECT_EQ(sink.rowsWritten.size(), 1u);
}

TEST_P(RunControl, ClosingEndsTheRunTouchingNothingElse) {
    make(40, 10);
    begin();
    for (int row = 0; row < 3; ++row)
        ASSERT_EQ(converter->nextRow(), RowOutcome::Converted);
    state.Closing = true;
    const auto resume = state.ResumeState;
    ASSERT_EQ(converter->nextRow(), RowOutcome::Closed);
    EXPECT_FALSE(state.Closing);
    EXPECT_TRUE(flags.Converting);
    EXPECT_EQ(state.ResumeState, resume);
    EXPECT_EQ(state.CurrentRow, 3);
    EXPECT_EQ(converter->nextRow(), RowOutcome::Closed);
    EXPECT_EQ(sink.rowsWritten.size(), 3u);
}

TEST_P(RunControl, APictureWiderThanTheLimitIsRefusedBeforeAnythingChanges) {
    state.MaxWidth = EditorWidth;
    design = std::make_unique<MemorySurface>(EditorWidth + 1, 2, 0);
    field = std::make_unique<MemorySurface>(EditorWidth + 1, 2, 0);
    converter = newConverter(state, sink);
    flags.AbortRequested = true;
    state.ResumeState = {4, 9, 6};
    EXPECT_THROW(begin(), std::invalid_argument);
    EXPECT_FALSE(flags.Converting);
    EXPECT_TRUE(flags.AbortRequested);
    EXPECT_EQ(state.ResumeState, (std::array<std::int32_t, 3>{4, 9, 6}));
    EXPECT_EQ(sink.resizes, 0);
    EXPECT_THROW(converter->nextRow(), std::logic_error);

    design = std::make_unique<MemorySurface>(randomDesign(EditorWidth, 2, 1));
    field = std::make_unique<MemorySurface>(randomField(EditorWidth, 2, 2));
    converter = newConverter(state, sink);
    state.ResumeState = {};
    params = {200, 50, 100};
    EXPECT_EQ(runToEnd(*converter, params), RowOutcome::Finished);
    EXPECT_EQ(sink.width(), EditorWidth);
}

// The batch converter raises the window's limit; the row buffers then follow the picture, and
// nothing goes past the converter's own limit whatever the window asks for.
TEST_P(RunControl, ARaisedWidthLimitTakesWiderPicturesUpToTheConvertersLimit) {
    const struct {
        std::int32_t maxWidth;
        int width;
        bool accepted;
    } cases[] = {
        {MaxConvertWidth, EditorWidth + 1, true},
        {MaxConvertWidth, 3000, true},
        {MaxConvertWidth, MaxConvertWidth, true},
        {MaxConvertWidth, MaxConvertWidth + 1, false},
        {std::numeric_limits<std::int32_t>::max(), MaxConvertWidth + 1, false},
        {2000, 2001, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.maxWidth) + " " + std::to_string(c.width));
        design = std::make_unique<MemorySurface>(randomDesign(c.width, 2, 5));
        field = std::make_unique<MemorySurface>(randomField(c.width, 2, 6));
        ConversionState wide;
        wide.MaxWidth = c.maxWidth;
        MemorySink out;
        converter = newConverter(wide, out);
        if (!c.accepted) {
            EXPECT_THROW(converter->begin(params), std::invalid_argument);
            EXPECT_EQ(out.resizes, 0);
            continue;
        }
        params = {200, 50, 100};
        ASSERT_EQ(runToEnd(*converter, params), RowOutcome::Finished);
        EXPECT_EQ(out.width(), c.width);
        EXPECT_EQ(wide.LastColumn, c.width - 1);
        EXPECT_GE(wide.DepthRow.size(), static_cast<std::size_t>(c.width));
    }
}

TEST_P(RunControl, EndedRunsAnswerTheSameAndWriteNothing) {
    make(10, 2);
    EXPECT_THROW(converter->nextRow(), std::logic_error);
    EXPECT_EQ(runToEnd(*converter, params), RowOutcome::Finished);
    EXPECT_EQ(converter->nextRow(), RowOutcome::Finished);
    EXPECT_EQ(sink.rowsWritten.size(), 2u);
}

TEST_P(RunControl, AnEmptyPictureFinishesAtOnce) {
    design = std::make_unique<MemorySurface>(0, 0);
    field = std::make_unique<MemorySurface>(0, 0);
    converter = newConverter(state, sink);
    EXPECT_EQ(runToEnd(*converter, params), RowOutcome::Finished);
    EXPECT_EQ(sink.width(), 0);
    EXPECT_TRUE(sink.rowsWritten.empty());
    EXPECT_FALSE(flags.Converting);
}

// A hand-edited file can hold anything; the run must finish inside its buffers (the sanitizer
// build checks the "inside"), with every pixel a colour the converter can produce.
TEST_P(RunControl, AbsurdParametersStillFinish) {
    constexpr int maxInt = std::numeric_limits<int>::max();
    constexpr int minInt = std::numeric_limits<int>::min();
    const int cases[][3] = {
        {5000, 20, 30},           {-5000, 20, 30},      {maxInt, maxInt, maxInt},
        {minInt, minInt, minInt}, {0, -50, 100},        {200, 5000, 100},
        {maxInt, minInt, 50},     {minInt, maxInt, 50}, {1023, 50, 100},
        {1024, -1, 100},          {-1, 1, 101},         {70, 300000000, 30},
    };
    make(EditorWidth, 4);
    std::set<Packed> allowed;
    if (GetParam() == Kind::RandomDot)
        allowed.insert(std::begin(ReferenceDotColours), std::end(ReferenceDotColours));
    else
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < EditorWidth; ++x)
                allowed.insert(field->pixel(x, y));
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c[0]) + " " + std::to_string(c[1]) + " " + std::to_string(c[2]));
        params = {c[0], c[1], c[2]};
        ASSERT_EQ(runToEnd(*converter, params), RowOutcome::Finished);
        for (Packed p : sink.pixels())
            ASSERT_TRUE(allowed.count(p)) << std::hex << p;
    }
}

TEST_P(RunControl, TheStereoImageTakesTheSizeOfTheRightPicture) {
    design = std::make_unique<MemorySurface>(randomDesign(50, 20, 3));
    field = std::make_unique<MemorySurface>(randomField(80, 30, 4));
    converter = newConverter(state, sink);
    ASSERT_EQ(runToEnd(*converter, params), RowOutcome::Finished);
    const int width = GetParam() == Kind::RandomDot ? 50 : 80;
    const int height = GetParam() == Kind::RandomDot ? 20 : 30;
    EXPECT_EQ(sink.width(), width);
    EXPECT_EQ(sink.height(), height);
    EXPECT_EQ(converter->width(), width);
    EXPECT_EQ(converter->height(), height);
    EXPECT_EQ(state.LastColumn, width - 1);
    EXPECT_EQ(state.LastRow, height - 1);
}

// The batch converter's picture, which nobody sees before the run ends.
class UnshownSink final : public MemorySink {
public:
    bool shownWhileDrawn() const override { return false; }
};

// Such a picture is not cleared before a fresh run; one that stops early makes the rows it did not
// reach white, so that every way ends with the picture a cleared and shown one has (white where the
// shown one has the background).
TEST_P(RunControl, APictureNotShownWhileDrawnIsClearedOnlyWhereTheRunDoesNotReach) {
    make(50, 12);
    params = {30, 20, 50};
    enum class Stop { None, Pause, Close, PauseAndContinue };
    // Five rows, then the stop; returns how the run ended.
    auto drive = [&](MemorySink& out, Stop stop) {
        ConversionState s;
        auto other = newConverter(s, out);
        other->begin(params);
        for (int row = 0; row < 5; ++row)
            EXPECT_EQ(other->nextRow(), RowOutcome::Converted);
        flags.PauseRequested = stop == Stop::Pause || stop == Stop::PauseAndContinue;
        s.Closing = stop == Stop::Close;
        RowOutcome outcome = other->nextRow();
        while (outcome == RowOutcome::Converted)
            outcome = other->nextRow();
        if (stop == Stop::PauseAndContinue) {
            EXPECT_EQ(outcome, RowOutcome::Paused);
            other->begin(params);
            outcome = other->nextRow();
            while (outcome == RowOutcome::Converted)
                outcome = other->nextRow();
        }
        return outcome;
    };
    for (const Stop stop : {Stop::None, Stop::Pause, Stop::Close, Stop::PauseAndContinue}) {
        SCOPED_TRACE(static_cast<int>(stop));
        MemorySink shown;
        UnshownSink unshown;
        const RowOutcome outcome = drive(shown, stop);
        EXPECT_EQ(drive(unshown, stop), outcome);
        EXPECT_EQ(shown.clears, 1);
        EXPECT_EQ(unshown.clears, 0);
        std::vector<Packed> expected = shown.pixels();
        std::replace(expected.begin(), expected.end(), MemorySink::Background, packRgb(255, 255, 255));
        EXPECT_EQ(unshown.pixels(), expected);
        const bool stoppedEarly = stop == Stop::Pause || stop == Stop::Close;
        EXPECT_EQ(expected != shown.pixels(), stoppedEarly); // the white rows are the ones not reached
    }
}

INSTANTIATE_TEST_SUITE_P(BothConverters, RunControl, ::testing::Values(Kind::RandomDot, Kind::ColorField),
                         [](const auto& info) {
                             return info.param == Kind::RandomDot ? "RandomDot" : "ColorField";
                         });

// One window can hold a paused random-dot run while it converts a colour field: separate resume rows.
TEST(RunControlBoth, TheTwoConvertersKeepSeparateResumeRows) {
    const MemorySurface design = randomDesign(40, 20, 8);
    const MemorySurface field = randomField(40, 20, 9);
    ConversionParameters params = UsualParameters;
    MemorySink sink;
    ConversionState state;
    RunFlags flags;
    XoshiroRandom random;
    const std::string mode = "Mono";
    auto dots = makeRandomDotConverter(state, flags, design, sink, random, mode, 5);
    auto colours = makeColorFieldConverter(state, flags, design, field, sink);

    dots->begin(params);
    for (int row = 0; row < 4; ++row)
        ASSERT_EQ(dots->nextRow(), RowOutcome::Converted);
    flags.PauseRequested = true;
    ASSERT_EQ(dots->nextRow(), RowOutcome::Paused);
    const std::int32_t shift = state.ResumeState[1];

    colours->begin(params);
    for (int row = 0; row < 7; ++row)
        ASSERT_EQ(colours->nextRow(), RowOutcome::Converted);
    flags.PauseRequested = true;
    ASSERT_EQ(colours->nextRow(), RowOutcome::Paused);
    EXPECT_EQ(state.ResumeState, (std::array<std::int32_t, 3>{4, shift, 7}));

    dots->begin(params);
    EXPECT_EQ(state.CurrentRow, 4);
    ASSERT_EQ(dots->nextRow(), RowOutcome::Converted);
    EXPECT_EQ(sink.rowsWritten.back(), 4);
    EXPECT_EQ(state.ResumeState[2], 7);
}

} // namespace
} // namespace quarbel::engine
