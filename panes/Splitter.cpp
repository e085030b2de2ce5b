#include "panes/Splitter.h"

#include <QMouseEvent>
#include <QWidget>

namespace quarbel::panes {

std::optional<PaneGeometry> draggedPaneLayout(const PaneGeometry& current, int x, int width) {
    if (x < 1 || x > width - PaneGap - 1) {
        return std::nullopt;
    }
    PaneGeometry g = current;
    g.picContBefore.setWidth(x);
    g.picContField.setWidth(x);
    g.picDrag = QRect(x, 0, PaneGap, current.picDrag.height());
    const int afterLeft = x + PaneGap;
    g.picContAfter =
        QRect(afterLeft, current.picContAfter.top(), width - afterLeft, current.picContAfter.height());
    return g;
}

SplitterDrag::SplitterDrag(QWidget& window, QWidget& splitter, Hooks hooks)
    : QObject(&window), m_window(window), m_splitter(splitter), m_hooks(std::move(hooks)) {
    m_splitter.setCursor(Qt::SplitHCursor);
    m_splitter.installEventFilter(this);
}

bool SplitterDrag::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &m_splitter) {
        return false;
    }
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton || m_hooks.blocked()) {
            return false;
        }
        m_dragging = true;
        // The press grabs the mouse for the splitter; the window shows the sizing pointer meanwhile.
        m_window.setCursor(Qt::SplitHCursor);
        return true;
    }
    case QEvent::MouseMove:
        if (m_dragging) {
            dragOver(m_window.mapFromGlobal(static_cast<QMouseEvent*>(event)->globalPosition().toPoint()));
            return true;
        }
        return false;
    case QEvent::MouseButtonRelease:
        if (m_dragging && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            dragOver(m_window.mapFromGlobal(static_cast<QMouseEvent*>(event)->globalPosition().toPoint()));
            endDrag();
            return true;
        }
        return false;
    case QEvent::UngrabMouse:
    case QEvent::Hide:
        endDrag();
        return false;
    default:
        return false;
    }
}

void SplitterDrag::dragOver(QPoint pos) {
    // Only positions over the window move the boundary; outside it the last one stays. Positions are
    // taken in the window's own coordinates, so a scrolled pane under the pointer does not shift them.
    if (!m_window.rect().contains(pos) || m_hooks.blocked()) {
        return;
    }
    if (const std::optional<PaneGeometry> layout =
            draggedPaneLayout(m_hooks.current(), pos.x(), m_window.width())) {
        m_hooks.apply(*layout);
    }
}

void SplitterDrag::endDrag() {
    if (!m_dragging) {
        return;
    }
    m_dragging = false;
    m_window.unsetCursor();
}

} // namespace quarbel::panes
