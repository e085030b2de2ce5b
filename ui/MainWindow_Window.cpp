// The Window menu: the open document windows. It is rebuilt whenever the windows change and again
// each time it opens, so whatever way the platform shows it, it lists the windows of that moment.

#include "panes/DocumentWindow.h"
#include "ui/MainWindow.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>

namespace quarbel::ui {

using document::Menu;

void MainWindow::setupWindowMenu() {
    m_windowMenu = addSubmenu(nullptr, Menu::mnuWindow, QStringLiteral("ウィンドウ(&W)"));
    connect(m_windowMenu, &QMenu::aboutToShow, this, &MainWindow::updateWindowMenu);
    connect(m_mdiArea, &QMdiArea::subWindowActivated, this, &MainWindow::updateWindowMenu);
    updateWindowMenu();
}

void MainWindow::updateWindowMenu() {
    // The entries go later: this may run inside the triggered signal of one of them.
    for (QAction* action : m_windowMenu->actions()) {
        m_windowMenu->removeAction(action);
        action->deleteLater();
    }
    const QList<QMdiSubWindow*> windows = m_mdiArea->subWindowList(QMdiArea::CreationOrder);
    int number = 0;
    for (QMdiSubWindow* window : windows) {
        const auto* form = qobject_cast<panes::DocumentWindow*>(window->widget());
        if (!form || form->isClosing()) {
            continue;
        }
        ++number;
        // A '&' in a document name is text, not a mnemonic.
        QString title = form->windowTitle();
        title.replace(QLatin1Char('&'), QStringLiteral("&&"));
        const QString text = number < 10 ? QStringLiteral("&%1 %2").arg(number).arg(title)
                                         : QStringLiteral("%1 %2").arg(number).arg(title);
        QAction* action = m_windowMenu->addAction(text);
        // Only the active document carries a check mark.
        action->setCheckable(form == m_current);
        action->setChecked(form == m_current);
        const QPointer<QMdiSubWindow> target(window);
        connect(action, &QAction::triggered, this, [this, target] {
            if (target) {
                chooseWindow(target);
            }
        });
    }
    if (number == 0) {
        // An empty pop-up is not shown reliably by every platform (and once refused, some do not show
        // the menu again); a disabled line says there is nothing to choose.
        m_windowMenu->addAction(QStringLiteral("（なし）"))->setEnabled(false);
    }
}

void MainWindow::chooseWindow(QMdiSubWindow* window) {
    if (window->isMinimized()) {
        window->showNormal();
    }
    window->raise();
    // The keyboard goes to the chosen window first. Activation disables controls of the window's kind
    // (密度 for a colour field); a focused control that is disabled hands the focus on, and focus
    // landing in another document window would make that one active again.
    QWidget* inner = window->widget() ? window->widget() : window;
    inner->setFocus(Qt::OtherFocusReason);
    m_mdiArea->setActiveSubWindow(window);
    if (auto* form = qobject_cast<panes::DocumentWindow*>(window->widget()); form && !form->isClosing()) {
        switchCurrentTo(form);
    }
    updateWindowMenu();
}

} // namespace quarbel::ui
