// The Help menu: the About box and the help page.

#include "ui/AboutBox.h"
#include "ui/EditorAndHelp.h"
#include "ui/MainWindow.h"

#include <QAction>
#include <QMenu>

namespace quarbel::ui {

using document::Menu;

void MainWindow::setupHelpMenu() {
    QMenu* help = addSubmenu(nullptr, Menu::mnuHelp, QStringLiteral("ヘルプ(&H)"));
    QAction* about =
        addItem(help, Menu::mnuInfomation, QStringLiteral("バージョン情報"), Qt::CTRL | Qt::Key_I);
    about->setMenuRole(QAction::NoRole);
    connect(about, &QAction::triggered, this, &MainWindow::mnuInfomation_Click);
    // Help does not depend on the documents or the settings, so it runs at once.
    connect(addItem(help, Menu::mnuSetumei, QStringLiteral("使い方など"), Qt::Key_F1), &QAction::triggered,
            this, [this] { openHelpPage(frameContext(this, m_dialogs, m_shell, m_state)); });
}

void MainWindow::mnuInfomation_Click() {
    // Modal without a nested event loop: the frame stays blocked until the box is closed.
    auto* box = new AboutBox(this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    box->show();
}

} // namespace quarbel::ui
