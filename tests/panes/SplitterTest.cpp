// The column boundary that a splitter drag produces, without windows.

#include "panes/Splitter.h"

#include "panes/PaneLayout.h"

#include <gtest/gtest.h>

namespace quarbel::panes {
namespace {

TEST(SplitterDrag, LeftColumnFollowsThePointerWithinOnePixelOfEitherEdge) {
    const PaneGeometry start = resizedPaneLayout(initialPaneLayout(400, 300), 400, 300, false);
    const struct {
        int x;
        bool moves;
    } rows[] = {{150, true}, {1, true}, {397, true}, {0, false}, {-20, false}, {398, false}, {500, false}};
    for (const auto& row : rows) {
        const std::optional<PaneGeometry> g = draggedPaneLayout(start, row.x, 400);
        ASSERT_EQ(g.has_value(), row.moves) << row.x;
        if (!g) {
            continue;
        }
        EXPECT_EQ(g->picDrag, QRect(row.x, 0, 2, 300)) << row.x;
        EXPECT_EQ(g->picContBefore, QRect(0, 0, row.x, 149)) << row.x;
        EXPECT_EQ(g->picContField, QRect(0, 151, row.x, 149)) << row.x;
        EXPECT_EQ(g->picContAfter, QRect(row.x + 2, 0, 398 - row.x, 300)) << row.x;
        // The window keeps the new boundary when it is resized, until it gets narrower than the Stereo
        // container's left edge.
        EXPECT_EQ(resizedPaneLayout(*g, 420, 300, false).picContAfter, QRect(row.x + 2, 0, 418 - row.x, 300));
    }
}

} // namespace
} // namespace quarbel::panes
