#pragma once

// Geometry of the containers of a document window: the Design and Field containers in the left
// column, the Stereo container in the right one, and the splitter between them.

#include <QRect>
#include <QSize>

namespace quarbel::panes {

struct PaneGeometry {
    QRect picContBefore;
    QRect picContField;
    QRect picContAfter;
    QRect picDrag;
    // The Field container is hidden in a random-dot document; otherwise its visibility is kept.
    bool hideField = false;
};

// Gap between the two columns and between the Design and Field containers; the splitter's width.
inline constexpr int PaneGap = 2;

// The layout before the window is first shown; the splitter gets its full height on the first resize.
PaneGeometry initialPaneLayout(int width, int height);

// The layout after a resize. The column boundary stays where it is unless the window became
// narrower than the left column, in which case the window is split in halves again.
PaneGeometry resizedPaneLayout(const PaneGeometry& current, int width, int height, bool randomDot);

// The left column's height split in two stacked halves with the gap between them.
int halfColumnHeight(int height);

} // namespace quarbel::panes

namespace quarbel::panes {

// Scroll bars inside a container: kept this far from its right and bottom inner edges.
inline constexpr int ScrollBarMargin = 3;
inline constexpr int ScrollSmallStep = 10;
inline constexpr int ScrollLargeStep = 100;

struct ScrollBarPlacement {
    bool visible = false;
    QRect geometry;  // where a shown bar goes; a hidden bar keeps its place
    int maximum = 0; // range is 0..maximum
};

struct ScrollBarLayout {
    ScrollBarPlacement horizontal;
    ScrollBarPlacement vertical;
};

// The bars a pane of size pane needs inside a container of size container. hsbHeight and vsbWidth
// are the bars' own thickness. The ranges reach every pixel: the strip a shown bar covers is taken
// off the visible part, and may itself call for the other bar.
ScrollBarLayout scrollBarLayout(QSize container, QSize pane, int hsbHeight, int vsbWidth);

// Where the bars wait before any picture: along the right and bottom inner edges.
ScrollBarLayout initialScrollBarLayout(QSize container, int hsbHeight, int vsbWidth);

} // namespace quarbel::panes
