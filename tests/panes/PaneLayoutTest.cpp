#include "panes/PaneLayout.h"

#include <gtest/gtest.h>

namespace quarbel::panes {
namespace {

TEST(PaneLayout, InitialLayoutSplitsTheWindowInHalves) {
    struct Row {
        int w, h;
        QRect before, field, after, drag;
    };
    const Row rows[] = {
        {401, 300, {0, 0, 199, 149}, {0, 151, 199, 149}, {201, 0, 200, 300}, {199, 0, 2, 149}},
        {640, 480, {0, 0, 319, 239}, {0, 241, 319, 239}, {321, 0, 319, 480}, {319, 0, 2, 239}},
    };
    for (const Row& r : rows) {
        const PaneGeometry g = initialPaneLayout(r.w, r.h);
        EXPECT_EQ(g.picContBefore, r.before) << r.w;
        EXPECT_EQ(g.picContField, r.field) << r.w;
        EXPECT_EQ(g.picContAfter, r.after) << r.w;
        EXPECT_EQ(g.picDrag, r.drag) << r.w;
        EXPECT_EQ(g.picContAfter.right(), r.w - 1) << "the Stereo column ends at the window's edge";
    }
}

TEST(PaneLayout, NarrowerThanTheLeftColumnSplitsAnew) {
    PaneGeometry wide = initialPaneLayout(1000, 600);
    const PaneGeometry field = resizedPaneLayout(wide, 401, 300, false);
    EXPECT_EQ(field.picContBefore, QRect(0, 0, 199, 149));
    EXPECT_EQ(field.picContField, QRect(0, 151, 199, 149));
    EXPECT_EQ(field.picContAfter, QRect(201, 0, 200, 300));
    EXPECT_EQ(field.picDrag, QRect(199, 0, 2, 300));

    const PaneGeometry dots = resizedPaneLayout(wide, 401, 300, true);
    EXPECT_EQ(dots.picContBefore, QRect(0, 0, 199, 300));
    EXPECT_EQ(dots.picContField, wide.picContField) << "a random-dot document leaves the hidden Field pane";
    EXPECT_EQ(dots.picContAfter, QRect(201, 0, 200, 300));
}

TEST(PaneLayout, WiderOrTallerKeepsTheSplitter) {
    PaneGeometry g = initialPaneLayout(400, 300);
    g.picContBefore.setWidth(120); // the user moved the splitter
    g.picContAfter = QRect(122, 0, 278, 300);
    g.picDrag = QRect(120, 0, 2, 300);

    const PaneGeometry field = resizedPaneLayout(g, 500, 401, false);
    EXPECT_EQ(field.picContBefore, QRect(0, 0, 120, 199));
    EXPECT_EQ(field.picContField, QRect(0, 201, 120, 199));
    EXPECT_EQ(field.picContAfter, QRect(122, 0, 378, 401));
    EXPECT_EQ(field.picDrag, QRect(120, 0, 2, 401));
    EXPECT_FALSE(field.hideField);

    const PaneGeometry dots = resizedPaneLayout(g, 500, 401, true);
    EXPECT_EQ(dots.picContBefore, QRect(0, 0, 120, 401));
    EXPECT_TRUE(dots.hideField);
}

TEST(PaneLayout, NegativeHeightChangesNothing) {
    const PaneGeometry g = initialPaneLayout(400, 300);
    const PaneGeometry same = resizedPaneLayout(g, 400, -5, false);
    EXPECT_EQ(same.picContBefore, g.picContBefore);
    EXPECT_EQ(same.picContAfter, g.picContAfter);
    EXPECT_EQ(same.picDrag, g.picDrag);
}

TEST(PaneLayout, ScrollRangesBringOutEveryPixel) {
    // Bars 16 thick; the room the view gives without bars, then the picture.
    struct Row {
        QSize room, picture;
        int hMax, vMax; // 0: no bar
    };
    const Row rows[] = {
        {{200, 250}, {200, 250}, 0, 0},
        {{200, 250}, {300, 200}, 100, 0},
        {{200, 250}, {150, 400}, 0, 150},
        // Both bars: each range also brings out the strip the other bar covers.
        {{200, 250}, {300, 400}, 116, 166},
        {{10, 10}, {300, 400}, 300, 400},
        // Only just too high, but wider: the horizontal bar hides the last rows, so both bars.
        {{200, 250}, {300, 240}, 116, 6},
        {{200, 250}, {190, 400}, 6, 166},
        // Fitting beside the strip of a bar that is not there needs no bar at all.
        {{200, 250}, {190, 240}, 0, 0},
        {{200, 250}, {300, 234}, 100, 0},
        {{200, 250}, {300, 235}, 116, 1},
        {{200, 250}, {184, 400}, 0, 150},
        {{200, 250}, {185, 400}, 1, 166},
        {{200, 250}, {}, 0, 0},
    };
    for (const Row& r : rows) {
        const ScrollRanges ranges = scrollRanges(r.room, r.picture, 16, 16);
        EXPECT_EQ(ranges.horizontal, r.hMax) << r.picture.width() << "x" << r.picture.height();
        EXPECT_EQ(ranges.vertical, r.vMax) << r.picture.width() << "x" << r.picture.height();
    }
}

} // namespace
} // namespace quarbel::panes
