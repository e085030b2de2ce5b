// A picture view judged by the pixels it shows and the areas it repaints.

#include "panes/PictureView.h"
#include "support/Waits.h"

#include <QPaintEvent>
#include <QScrollBar>
#include <algorithm>
#include <gtest/gtest.h>

namespace quarbel::panes {
namespace {

using testing::waitUntil;

// Colours no frame, bar or background is drawn in.
constexpr QRgb kBody = qRgb(255, 0, 255);
constexpr QRgb kFirst = qRgb(0, 0, 255);
constexpr QRgb kLast = qRgb(255, 0, 0);

QImage marked(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(kBody);
    image.setPixel(0, 0, kFirst);
    image.setPixel(size.width() - 1, size.height() - 1, kLast);
    return image;
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
    const int vsb = view.verticalScrollBar()->sizeHint().width();
    struct Row {
        const char* name;
        QSize picture;
        bool h, v;
    };
    const Row rows[] = {
        {"as large as the room", room, false, false},
        {"small", {40, 30}, false, false},
        {"too wide", {room.width() + 100, 30}, true, false},
        {"too high", {40, room.height() + 100}, false, true},
        {"too wide and too high", {1000, 900}, true, true},
        {"wide, clear of the bar", {room.width() + 1, room.height() - hsb}, true, false},
        {"wide, one row under the bar", {room.width() + 1, room.height() - hsb + 1}, true, true},
        {"high, one column under the bar", {room.width() - vsb + 1, room.height() + 1}, true, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        view.pane()->setPicture(marked(r.picture));
        view.pane()->show();
        view.scrollToOrigin();
        EXPECT_EQ(view.horizontalScrollBar()->isVisibleTo(&view), r.h);
        EXPECT_EQ(view.verticalScrollBar()->isVisibleTo(&view), r.v);
        const QRect viewport = view.viewport()->geometry();
        EXPECT_EQ(view.grab().toImage().pixel(viewport.topLeft()), kFirst);

        scrollTo(view, {view.horizontalScrollBar()->maximum(), view.verticalScrollBar()->maximum()});
        const QImage shown = view.grab().toImage();
        // Neither short of the last pixel (it would hide under a bar) nor past it (blank beyond).
        const QPoint last = viewport.topLeft() + QPoint(std::min(r.picture.width(), viewport.width()) - 1,
                                                        std::min(r.picture.height(), viewport.height()) - 1);
        EXPECT_EQ(shown.pixel(last), kLast);
        int outside = 0;
        for (int y = 0; y < shown.height(); ++y) {
            for (int x = 0; x < shown.width(); ++x) {
                const QRgb c = shown.pixel(x, y);
                outside += !viewport.contains(x, y) && (c == kBody || c == kFirst || c == kLast);
            }
        }
        EXPECT_EQ(outside, 0) << "picture pixels on the frame, the bars or the corner";
    }
}

// The areas the pane repaints, as its paint events report them.
class PaintRecorder : public QObject {
public:
    explicit PaintRecorder(QWidget& widget) : m_widget(widget) { widget.installEventFilter(this); }
    QRegion painted;

    // Everything pending is painted with a marker pixel; what else was painted is returned.
    QRegion flush() {
        const QRect marker(m_widget.width() - 1, m_widget.height() - 1, 1, 1);
        painted = QRegion();
        m_widget.update(marker);
        EXPECT_TRUE(waitUntil([&] { return painted.contains(marker); }));
        return painted - marker;
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            painted += static_cast<QPaintEvent*>(event)->region();
        }
        return false;
    }

private:
    QWidget& m_widget;
};

TEST(PictureView, AWrittenRowRepaintsOnlyWhereItIsInSight) {
    PictureView view(QStringLiteral("picContAfter"), QStringLiteral("picAfter"));
    view.resize(200, 250);
    view.pane()->setPicture(marked({400, 600}));
    view.pane()->show();
    view.show();
    PicturePane& pane = *view.pane();
    PaintRecorder recorder(pane);
    const int width = pane.width();
    struct Row {
        QPoint scroll;
        int first, count;
        QRect expected; // in the pane
    };
    const Row rows[] = {
        {{0, 0}, 10, 1, {0, 10, width, 1}},
        {{0, 0}, 20, 3, {0, 20, width, 3}},
        {{150, 100}, 110, 1, {0, 10, width, 1}},
        {{150, 100}, 98, 4, {0, 0, width, 2}},
        {{150, 100}, 50, 1, {}},
        {{0, 0}, 590, 1, {}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.first);
        scrollTo(view, r.scroll);
        recorder.flush();
        pane.repaintRows(r.first, r.count);
        EXPECT_EQ(recorder.flush(), QRegion(r.expected));
    }
}

} // namespace
} // namespace quarbel::panes
