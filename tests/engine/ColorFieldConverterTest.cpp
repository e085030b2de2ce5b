#include "ConverterRigs.h"
#include "TestPictures.h"

#include <gtest/gtest.h>

namespace quarbel::engine {
namespace {

using namespace quarbel::engine::testing;

// With every shift 0: columns before RepeatWidth show the Field image, every later column repeats
// the column RepeatWidth to its left, and a copied black gives way to the Field image's own pixel.
TEST(ColorField, FlatDepthRepeatsThePattern) {
    struct Case {
        bool blackDesign;
        int depth;
    };
    for (const Case c : {Case{false, 0}, Case{true, 20}, Case{true, 50}})
        for (int repeatWidth : {1, 9, 70, 200}) {
            SCOPED_TRACE("RW " + std::to_string(repeatWidth) + " depth " + std::to_string(c.depth));
            ColorFieldRig rig(c.blackDesign ? MemorySurface(260, 8, 0) : randomDesign(260, 8, 6),
                              randomField(260, 8, 7));
            rig.params = {repeatWidth, c.depth, 30};
            ASSERT_EQ(rig.run(), RowOutcome::Finished);
            int blackCopies = 0;
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 260; ++x) {
                    const Packed own = rig.field.pixel(x, y);
                    if (x < repeatWidth) {
                        ASSERT_EQ(rig.sink.at(x, y), own) << x << "," << y;
                        continue;
                    }
                    const Packed copied = rig.sink.at(x - repeatWidth, y);
                    blackCopies += copied == 0 ? 1 : 0;
                    ASSERT_EQ(rig.sink.at(x, y), copied != 0 ? copied : own) << x << "," << y;
                }
            EXPECT_GT(blackCopies, 0);
        }
}

TEST(ColorField, AFieldThatRepeatsEveryRepeatWidthComesOutUnchanged) {
    for (int repeatWidth : {1, 7, 70, 200}) {
        const MemorySurface tile = randomField(repeatWidth, 12, 3);
        MemorySurface field(500, 12);
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 500; ++x)
                field.set(x, y, tile.pixel(x % repeatWidth, y));
        ColorFieldRig rig(MemorySurface(500, 12, 0), field);
        rig.params = {repeatWidth, 35, 30};
        ASSERT_EQ(rig.run(), RowOutcome::Finished);
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 500; ++x)
                ASSERT_EQ(rig.sink.at(x, y), field.pixel(x, y)) << repeatWidth << " @" << x << "," << y;
    }
}

TEST(ColorField, AnAllBlackFieldGivesBlack) {
    ColorFieldRig rig(randomDesign(300, 10, 4), MemorySurface(300, 10, 0));
    rig.params = {70, 30, 30};
    ASSERT_EQ(rig.run(), RowOutcome::Finished);
    EXPECT_EQ(coloursOf(rig.sink), std::set<Packed>{0});
}

// Outside the Design image every point is at level 15 (shift 30 at depth 20), so those rows
// repeat at 70 - 30 = 40 pixels.
TEST(ColorField, AFieldLargerThanTheDesignUsesTheNearestLevelOutside) {
    ColorFieldRig rig(MemorySurface(60, 25, 0), randomField(120, 50, 5));
    rig.params = {70, 20, 30};
    ASSERT_EQ(rig.run(), RowOutcome::Finished);
    for (int y = 0; y < 50; ++y) {
        const int period = y < 25 ? 70 : 40;
        for (int x = 0; x < 120; ++x) {
            const Packed own = rig.field.pixel(x, y);
            // Inside the design (level 0) the columns 60.. read level 15 and link 40 further.
            if (y < 25 && x >= 60)
                break;
            const Packed copied = x >= period ? rig.sink.at(x - period, y) : 0;
            ASSERT_EQ(rig.sink.at(x, y), copied != 0 ? copied : own) << x << "," << y;
        }
    }
}

} // namespace
} // namespace quarbel::engine
