// The Window menu: the open document windows, rebuilt each time it opens.

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>

#include "panes/DocumentWindow.h"
#include "ui/MainWindow.h"

namespace quarbel::ui {

using document::Menu;

void MainWindow::setupWindowMenu() {
    m_windowMenu = addSubmenu(nullptr, Menu::mnuWindow, QStringLiteral("ウィンドウ(&W)"));
    connect(m_windowMenu, &QMenu::aboutToShow, this, &MainWindow::updateWindowMenu);
}

void MainWindow::updateWindowMenu() {
    m_windowMenu->clear();
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
                m_mdiArea->setActiveSubWindow(target);
            }
        });
    }
}

} // namespace quarbel::ui
