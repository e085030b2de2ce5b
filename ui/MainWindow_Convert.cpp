// The Convert menu: start, pause and abort of a conversion run.

#include <QAction>
#include <QMenu>

#include "document/RunStates.h"
#include "panes/DocumentWindow.h"
#include "ui/MainWindow.h"

namespace quarbel::ui {

using document::Menu;

void MainWindow::setupConvertMenu() {
    QMenu* convert = addSubmenu(nullptr, Menu::mnuConvert, QStringLiteral("変換(&R)"));
    connect(addItem(convert, Menu::mnuConvStart, QStringLiteral("開始"), Qt::Key_F6), &QAction::triggered, this,
            &MainWindow::mnuConvStart_Click);
    connect(addItem(convert, Menu::mnuConvStop, QStringLiteral("中断"), Qt::Key_F7), &QAction::triggered, this,
            &MainWindow::mnuConvStop_Click);
    connect(addItem(convert, Menu::mnuConvExit, QStringLiteral("中止"), Qt::Key_F8), &QAction::triggered, this,
            &MainWindow::mnuConvExit_Click);
}

void MainWindow::mnuConvStart_Click() { PostCommand(QStringLiteral("MDImnuConvStart")); }

// The running converter sees the request before its next row.
void MainWindow::mnuConvStop_Click() { m_state.run.PauseRequested = true; }

void MainWindow::mnuConvExit_Click() {
    m_state.run.PauseRequested = true;
    m_state.run.AbortRequested = true;
    panes::DocumentWindow* form = activeDocument();
    if (form) {
        form->discardStereoImage();
    }
    m_state.run.Converting = false;
    unlockDocuments();
    document::SetConvertFinished(m_state, *this);
    setStatusPanelText(1, form ? form->displayPath() : m_state.IniPath);
    setStatusPanelText(5, QString());
    setMenuEnabled(Menu::mnuPrint, false);
    setButtonEnabled(4, false);
}

} // namespace quarbel::ui
