#include "ui/MenuShortcutGuard.h"

#include <QAction>
#include <QEvent>
#include <QMenu>

namespace quarbel::ui {

void MenuShortcutGuard::guard(QAction* action) {
    action->installEventFilter(this);
}

bool MenuShortcutGuard::reachable(const QAction* action) {
    // Menus nest only a few levels; the bound keeps a malformed tree from looping.
    for (int depth = 0; action && depth < 16; ++depth) {
        if (!action->isEnabled()) {
            return false;
        }
        const QAction* parentEntry = nullptr;
        for (QObject* holder : action->associatedObjects()) {
            if (auto* menu = qobject_cast<QMenu*>(holder)) {
                parentEntry = menu->menuAction();
                break;
            }
        }
        action = parentEntry;
    }
    return true;
}

bool MenuShortcutGuard::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Shortcut) {
        if (auto* action = qobject_cast<QAction*>(watched); action && !reachable(action)) {
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace quarbel::ui
