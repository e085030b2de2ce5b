#include "panes/PaneLayout.h"

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

namespace {

int nonNegative(int value) {
    return value < 0 ? 0 : value;
}

} // namespace

ScrollBarLayout scrollBarLayout(QSize container, QSize pane, int hsbHeight, int vsbWidth) {
    const int wc = container.width();
    const int hc = container.height();
    ScrollBarLayout bars = initialScrollBarLayout(container, hsbHeight, vsbWidth);
    // A shown bar covers a strip of the container, its thickness and margin. That strip can make the
    // other bar necessary, and the ranges must bring the pane's last pixels out from under the bars.
    const int hStrip = hsbHeight + ScrollBarMargin;
    const int vStrip = vsbWidth + ScrollBarMargin;
    bool tooWide = pane.width() > wc;
    bool tooHigh = pane.height() > hc;
    for (int round = 0; round < 2; ++round) {
        tooHigh = pane.height() > hc - (tooWide ? hStrip : 0);
        tooWide = pane.width() > wc - (tooHigh ? vStrip : 0);
    }
    const int visibleWidth = nonNegative(wc - (tooHigh ? vStrip : 0));
    const int visibleHeight = nonNegative(hc - (tooWide ? hStrip : 0));
    if (tooHigh) {
        bars.vertical.visible = true;
        bars.vertical.maximum = pane.height() - visibleHeight;
    }
    if (tooWide) {
        bars.horizontal.visible = true;
        bars.horizontal.maximum = pane.width() - visibleWidth;
    }
    if (tooWide && tooHigh) {
        // Both bars: the vertical one stops above the horizontal one, which stops left of it.
        bars.vertical.geometry.setHeight(nonNegative(hc - hStrip));
        bars.horizontal.geometry.setWidth(nonNegative(wc - vStrip));
    }
    return bars;
}

ScrollBarLayout initialScrollBarLayout(QSize container, int hsbHeight, int vsbWidth) {
    const int wc = container.width();
    const int hc = container.height();
    ScrollBarLayout bars;
    bars.horizontal.geometry =
        QRect(0, hc - (hsbHeight + ScrollBarMargin), nonNegative(wc - ScrollBarMargin), hsbHeight);
    bars.vertical.geometry =
        QRect(wc - (vsbWidth + ScrollBarMargin), 0, vsbWidth, nonNegative(hc - ScrollBarMargin));
    return bars;
}

} // namespace quarbel::panes
