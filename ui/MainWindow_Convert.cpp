// The Convert menu: start, pause and abort of a conversion run.

#include "panes/DocumentWindow.h"
#include "ui/MainWindow.h"

#include <QAction>
#include <QMenu>

namespace quarbel::ui {

using document::Menu;

void MainWindow::setupConvertMenu() {
    QMenu* convert = addSubmenu(nullptr, Menu::mnuConvert, QStringLiteral("変換(&R)"));
    connect(addItem(convert, Menu::mnuConvStart, QStringLiteral("開始"), Qt::Key_F6), &QAction::triggered,
            this, &MainWindow::mnuConvStart_Click);
    connect(addItem(convert, Menu::mnuConvStop, QStringLiteral("中断"), Qt::Key_F7), &QAction::triggered,
            this, &MainWindow::mnuConvStop_Click);
    connect(addItem(convert, Menu::mnuConvExit, QStringLiteral("中止"), Qt::Key_F8), &QAction::triggered,
            this, &MainWindow::mnuConvExit_Click);
    convert->addSeparator()->setObjectName(QStringLiteral("mnuBarReveal"));
    connect(addFollowingItem(convert, "mnuConvReveal", QStringLiteral("ステレオ画像からデザイン画像を復元"),
                             Qt::Key_F9),
            &QAction::triggered, this, &MainWindow::mnuConvReveal_Click);
}

void MainWindow::mnuConvStart_Click() {
    PostCommand(document::CommandTag::MDImnuConvStart);
}

void MainWindow::mnuConvReveal_Click() {
    PostCommand(document::CommandTag::MDImnuConvReveal);
}

void MainWindow::mnuConvStop_Click() {
    if (panes::DocumentWindow* form = activeDocument()) {
        form->runController().pause();
    } else {
        m_state.run.PauseRequested = true;
    }
}

// Abort is on only while a run is paused, and then only the window holding it can be active.
void MainWindow::mnuConvExit_Click() {
    if (panes::DocumentWindow* form = activeDocument()) {
        form->runController().abort();
    }
}

} // namespace quarbel::ui
