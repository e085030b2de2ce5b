#pragma once

// Dragging the splitter picDrag: the column boundary follows the pointer.

#include "panes/PaneLayout.h"

#include <QObject>
#include <QPoint>
#include <functional>
#include <optional>

class QWidget;

namespace quarbel::panes {

// The layout with the left column x pixels wide, the splitter right of it and the Stereo container
// from there to the window's right edge (width). Heights and tops are kept. nullopt when x leaves
// either column less than one pixel wide: the boundary then stays where it is.
std::optional<PaneGeometry> draggedPaneLayout(const PaneGeometry& current, int x, int width);

// Turns presses, moves and releases on the splitter into drags of the column boundary. The window
// shows the sizing pointer while a drag lasts.
class SplitterDrag : public QObject {
public:
    struct Hooks {
        std::function<bool()> blocked;                  // no drag starts while true
        std::function<PaneGeometry()> current;          // the containers as they are
        std::function<void(const PaneGeometry&)> apply; // moves and sizes the containers
    };

    SplitterDrag(QWidget& window, QWidget& splitter, Hooks hooks);

    bool dragging() const { return m_dragging; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The pointer at pos (window coordinates) passes over the window during the drag.
    void dragOver(QPoint pos);
    void endDrag();

    QWidget& m_window;
    QWidget& m_splitter;
    Hooks m_hooks;
    bool m_dragging = false;
};

} // namespace quarbel::panes
