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

TEST(PaneLayout, ScrollBarsFollowThePaneAgainstItsContainer) {
    // Bars 16 thick; the container's inner size, then the pane's.
    struct Row {
        QSize container, pane;
        bool h, v;
        int hMax, vMax;
        QRect hGeometry, vGeometry; // checked only for a shown bar
    };
    const Row rows[] = {
        {{200, 250}, {200, 250}, false, false, 0, 0, {}, {}},
        {{200, 250}, {300, 200}, true, false, 100, 0, {0, 231, 197, 16}, {}},
        {{200, 250}, {150, 400}, false, true, 0, 150, {}, {181, 0, 16, 247}},
        // Both bars: each range also brings out the strip the other bar covers (16 + 3 margin).
        {{200, 250}, {300, 400}, true, true, 119, 169, {0, 231, 181, 16}, {181, 0, 16, 231}},
        {{10, 10}, {300, 400}, true, true, 300, 400, {0, -9, 0, 16}, {-9, 0, 16, 0}},
        // Only just too high, but wider: the horizontal bar hides the last rows, so both bars.
        {{200, 250}, {300, 240}, true, true, 119, 9, {0, 231, 181, 16}, {181, 0, 16, 231}},
        {{200, 250}, {190, 400}, true, true, 9, 169, {0, 231, 181, 16}, {181, 0, 16, 231}},
        // Fitting beside the strip of a bar that is not there needs no bar at all.
        {{200, 250}, {190, 240}, false, false, 0, 0, {}, {}},
        {{200, 250}, {300, 231}, true, false, 100, 0, {0, 231, 197, 16}, {}},
        {{200, 250}, {181, 400}, false, true, 0, 150, {}, {181, 0, 16, 247}},
    };
    for (const Row& r : rows) {
        const ScrollBarLayout bars = scrollBarLayout(r.container, r.pane, 16, 16);
        EXPECT_EQ(bars.horizontal.visible, r.h) << r.pane.width() << "x" << r.pane.height();
        EXPECT_EQ(bars.vertical.visible, r.v) << r.pane.width() << "x" << r.pane.height();
        if (r.h) {
            EXPECT_EQ(bars.horizontal.maximum, r.hMax);
            EXPECT_EQ(bars.horizontal.geometry, r.hGeometry);
        }
        if (r.v) {
            EXPECT_EQ(bars.vertical.maximum, r.vMax);
            EXPECT_EQ(bars.vertical.geometry, r.vGeometry);
        }
    }
}

} // namespace
} // namespace quarbel::panes
