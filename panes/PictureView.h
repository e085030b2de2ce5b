#pragma once

// A container of a document window with its picture pane: a sunken frame that shows the pane's
// picture at full size and, where the picture is larger, scroll bars that move it. The view is the
// container (picContBefore ...), its viewport the pane (picBefore ...).

#include "panes/PicturePane.h"

#include <QAbstractScrollArea>

namespace quarbel::panes {

class PictureView : public QAbstractScrollArea {
    Q_OBJECT

public:
    PictureView(const QString& containerName, const QString& paneName, QWidget* parent = nullptr);

    PicturePane* pane() const { return m_pane; }

    // Fits the bars to the shown picture and the view's size. The ranges reach the picture's last
    // pixels; a value beyond a lowered range comes down with it. Runs by itself whenever the view's
    // size, the picture's size or the pane's visibility changes.
    void fitScrollBars();
    // Back to the picture's top left corner.
    void scrollToOrigin();

protected:
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    // The ranges for the view's size as it is now; the bars follow at the next layout.
    void fitRanges();

    PicturePane* m_pane;
};

} // namespace quarbel::panes
