#include "panes/PaneLayout.h"

#include <algorithm>

namespace quarbel::panes {

int halfColumnHeight(int height) {
    return height / 2 - 1;
}

PaneGeometry initialPaneLayout(int width, int height) {
    const int halfW = width / 2;
    const int halfH = height / 2;
    PaneGeometry g;
    g.picContBefore = QRect(0, 0, halfW - 1, halfH - 1);
    g.picContField = QRect(0, halfH + 1, halfW - 1, halfH - 1);
    g.picContAfter = QRect(halfW + 1, 0, width - halfW - 1, height);
    g.picDrag = QRect(halfW - 1, 0, PaneGap, halfH - 1);
    return g;
}

PaneGeometry resizedPaneLayout(const PaneGeometry& current, int width, int height, bool randomDot) {
    PaneGeometry g = current;
    if (width < current.picContAfter.left()) {
        const int columnWidth = width / 2 - 1;
        const int beforeHeight = randomDot ? height : halfColumnHeight(height);
        g.picContBefore = QRect(0, 0, columnWidth, beforeHeight);
        if (!randomDot) {
            g.picContField = QRect(0, beforeHeight + PaneGap, columnWidth, beforeHeight);
        }
        const int afterLeft = columnWidth + PaneGap;
        g.picContAfter = QRect(afterLeft, 0, width - afterLeft, height);
        g.picDrag = QRect(columnWidth, 0, PaneGap, height);
        return g;
    }
    if (height < 0) {
        return g;
    }
    g.picContAfter.setSize({width - current.picContAfter.left(), height});
    if (randomDot) {
        g.picContBefore = QRect(0, 0, current.picContBefore.width(), height);
        g.hideField = true;
    } else {
        const int beforeHeight = halfColumnHeight(height);
        g.picContBefore = QRect(0, 0, current.picContBefore.width(), beforeHeight);
        g.picContField = QRect(0, beforeHeight + PaneGap, current.picContBefore.width(), beforeHeight);
    }
    g.picDrag.setHeight(height);
    return g;
}

} // namespace quarbel::panes

namespace quarbel::panes {

ScrollRanges scrollRanges(QSize room, QSize picture, int hsbHeight, int vsbWidth) {
    // Each bar takes a strip of the room, which can make the other bar necessary in turn.
    bool tooWide = picture.width() > room.width();
    bool tooHigh = picture.height() > room.height();
    for (int round = 0; round < 2; ++round) {
        tooHigh = picture.height() > room.height() - (tooWide ? hsbHeight : 0);
        tooWide = picture.width() > room.width() - (tooHigh ? vsbWidth : 0);
    }
    const int visibleWidth = std::max(0, room.width() - (tooHigh ? vsbWidth : 0));
    const int visibleHeight = std::max(0, room.height() - (tooWide ? hsbHeight : 0));
    ScrollRanges ranges;
    if (tooWide) {
        ranges.horizontal = picture.width() - visibleWidth;
    }
    if (tooHigh) {
        ranges.vertical = picture.height() - visibleHeight;
    }
    return ranges;
}

} // namespace quarbel::panes
