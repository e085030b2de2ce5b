// A picture view judged by the pixels it shows and the areas it repaints.

#include "panes/PictureView.h"

#include "support/Waits.h"

#include <QPaintEvent>
#include <QScrollBar>
#include <algorithm>
#include <gtest/gtest.h>

namespace quarbel::panes {
namespace {

// Colours no frame, bar or background is drawn in; the last pixel marked.
constexpr QRgb kBody = qRgb(255, 0, 255);
constexpr QRgb kLast = qRgb(255, 0, 0);

void show(PictureView& view, QSize picture) {
    QImage image(picture, QImage::Format_RGB32);
    image.fill(kBody);
    image.setPixel(picture.width() - 1, picture.height() - 1, kLast);
    view.pane()->setPicture(image);
    view.pane()->show();
}

void scrollTo(PictureView& view, QPoint value) {
    view.horizontalScrollBar()->setValue(value.x());
    view.verticalScrollBar()->setValue(value.y());
}

TEST(PictureView, ScrolledToTheEndTheLastPixelMeetsTheBarsAndNothingShowsBesideThem) {
    PictureView view(QStringLiteral("picContBefore"), QStringLiteral("picBefore"));
    view.resize(200, 250);
    view.show();
    const QSize room = view.maximumViewportSize();
    const int hsb = view.horizontalScrollBar()->sizeHint().height();
    const QSize rows[] = {{40, 30},
                          {room.width() + 100, 30},
                          {40, room.height() + 100},
                          {1000, 900},
                          // Too wide, and its last row would be under the horizontal bar.
                          {room.width() + 1, room.height() - hsb + 1}};
    for (const QSize& picture : rows) {
        SCOPED_TRACE(picture.width() * 10000 + picture.height());
        show(view, picture);
        scrollTo(view, {view.horizontalScrollBar()->maximum(), view.verticalScrollBar()->maximum()});
        const QImage shown = view.grab().toImage();
        const QRect viewport = view.viewport()->geometry();
        // Neither short of the last pixel (hidden under a bar) nor past it (blank beyond).
        EXPECT_EQ(shown.pixel(viewport.topLeft() + QPoint(std::min(picture.width(), viewport.width()) - 1,
                                                          std::min(picture.height(), viewport.height()) - 1)),
                  kLast);
        int outside = 0;
        for (int y = 0; y < shown.height(); ++y) {
            for (int x = 0; x < shown.width(); ++x) {
                outside +=
                    !viewport.contains(x, y) && (shown.pixel(x, y) == kBody || shown.pixel(x, y) == kLast);
            }
        }
        EXPECT_EQ(outside, 0) << "picture pixels on the frame, a bar or the corner";
    }
}

// Paints everything pending together with a marker pixel; returns what else was painted.
QRegion flushPaints(QWidget& widget) {
    QRegion painted;
    struct Recorder : QObject {
        QRegion& painted;
        explicit Recorder(QRegion& into) : painted(into) {}
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint) {
                painted += static_cast<QPaintEvent*>(event)->region();
            }
            return false;
        }
    } recorder(painted);
    widget.installEventFilter(&recorder);
    const QRect marker(widget.width() - 1, widget.height() - 1, 1, 1);
    widget.update(marker);
    EXPECT_TRUE(testing::waitUntil([&] { return painted.contains(marker); }));
    return painted - marker;
}

TEST(PictureView, AWrittenRowRepaintsOnlyWhereItIsInSight) {
    PictureView view(QStringLiteral("picContAfter"), QStringLiteral("picAfter"));
    view.resize(200, 250);
    show(view, {400, 600});
    view.show();
    PicturePane& pane = *view.pane();
    const int w = pane.width();
    const struct {
        QPoint scroll;
        int first, count;
        QRect expected; // in the pane
    } rows[] = {
        {{0, 0}, 20, 3, {0, 20, w, 3}},
        {{150, 100}, 110, 1, {0, 10, w, 1}},
        {{150, 100}, 98, 4, {0, 0, w, 2}},
        {{150, 100}, 50, 1, {}},
        {{0, 0}, 590, 1, {}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.first);
        scrollTo(view, r.scroll);
        flushPaints(pane);
        pane.repaintRows(r.first, r.count);
        EXPECT_EQ(flushPaints(pane), QRegion(r.expected));
    }
}

} // namespace
} // namespace quarbel::panes
