#include "panes/PictureView.h"

#include "panes/PaneLayout.h"

#include <QCoreApplication>
#include <QScrollBar>

namespace quarbel::panes {

PictureView::PictureView(const QString& containerName, const QString& paneName, QWidget* parent)
    : QAbstractScrollArea(parent), m_pane(new PicturePane) {
    setObjectName(containerName);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    // Clicking a pane chooses it for the Edit commands; it does not take the keyboard.
    setFocusPolicy(Qt::NoFocus);

    m_pane->setObjectName(paneName);
    m_pane->hide();
    setViewport(m_pane);
    for (QScrollBar* bar : {horizontalScrollBar(), verticalScrollBar()}) {
        bar->setSingleStep(ScrollSmallStep);
        bar->setPageStep(ScrollLargeStep);
    }
    connect(m_pane, &PicturePane::extentChanged, this, &PictureView::fitScrollBars);
}

void PictureView::fitRanges() {
    const QSize picture = m_pane->isHidden() ? QSize() : m_pane->pictureSize();
    const ScrollRanges ranges =
        scrollRanges(maximumViewportSize(), picture, horizontalScrollBar()->sizeHint().height(),
                     verticalScrollBar()->sizeHint().width());
    horizontalScrollBar()->setRange(0, ranges.horizontal);
    verticalScrollBar()->setRange(0, ranges.vertical);
}

void PictureView::fitScrollBars() {
    fitRanges();
    // The bars are shown or hidden and the pane resized now, not when the range signals arrive.
    QEvent layout(QEvent::LayoutRequest);
    QCoreApplication::sendEvent(this, &layout);
}

void PictureView::scrollToOrigin() {
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
}

bool PictureView::event(QEvent* event) {
    if (event->type() == QEvent::Resize) {
        // The base class lays the bars out for the ranges fitted here.
        fitRanges();
    }
    return QAbstractScrollArea::event(event);
}

bool PictureView::viewportEvent(QEvent* event) {
    // The pane paints itself.
    if (event->type() == QEvent::Paint) {
        return false;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void PictureView::scrollContentsBy(int dx, int dy) {
    m_pane->setOrigin({horizontalScrollBar()->value(), verticalScrollBar()->value()});
    // What stays in sight is moved, only the uncovered strips are painted.
    m_pane->scroll(dx, dy);
}

} // namespace quarbel::panes
