#pragma once

// A menu item's shortcut must not work while a menu above it is disabled: during a conversion the
// save-image items stay enabled under their disabled "画像の保存" menu, and Ctrl+A must not save a
// half-converted picture. Qt only looks at the item's own flag, so this filter checks the parents.

#include <QObject>

class QAction;

namespace quarbel::ui {

class MenuShortcutGuard : public QObject {
public:
    using QObject::QObject;

    // Filters the action's shortcut events.
    void guard(QAction* action);

    // True when the action and every menu that holds it, up to the menu bar, are enabled.
    static bool reachable(const QAction* action);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace quarbel::ui
