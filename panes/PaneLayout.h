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

inline constexpr int ScrollSmallStep = 10;
inline constexpr int ScrollLargeStep = 100;

// The scroll ranges (0..maximum; 0: no bar) of a picture shown in a viewport that is room large
// without bars. hsbHeight and vsbWidth are the bars' thickness. The ranges reach every pixel: the
// strip a shown bar takes is taken off the visible part, and may itself call for the other bar.
struct ScrollRanges {
    int horizontal = 0;
    int vertical = 0;
};
ScrollRanges scrollRanges(QSize room, QSize picture, int hsbHeight, int vsbWidth);

} // namespace quarbel::panes
