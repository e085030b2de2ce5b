// The Edit menu: the external editor, the clipboard commands and clearing a pane.

#include <QAction>
#include <QMenu>

#include "panes/DocumentWindow.h"
#include "ui/EditorAndHelp.h"
#include "ui/MainWindow.h"

namespace quarbel::ui {

using document::Menu;

void MainWindow::setupEditMenu() {
    QMenu* edit = addSubmenu(nullptr, Menu::mnuHensyuu, QStringLiteral("編集(&E)"));
    QMenu* editor = addSubmenu(edit, Menu::mnuEditer, QStringLiteral("エディタ"));
    // The editor commands touch only the frame and run at once.
    connect(addItem(editor, Menu::mnuEditerChoice, QStringLiteral("選択"), Qt::CTRL | Qt::Key_W),
            &QAction::triggered, this, [this] { chooseEditor(frameContext(this, m_dialogs, m_shell, m_state)); });
    connect(addItem(editor, Menu::mnuEditerBoot, QStringLiteral("起動"), Qt::CTRL | Qt::Key_E), &QAction::triggered,
            this, [this] { startEditor(frameContext(this, m_dialogs, m_shell, m_state)); });
    addSeparator(edit, "mnuBar5");
    connect(addItem(edit, Menu::mnuCut, QStringLiteral("切り取り"), Qt::CTRL | Qt::Key_X), &QAction::triggered, this,
            &MainWindow::mnuCut_Click);
    connect(addItem(edit, Menu::mnuCopy, QStringLiteral("コピー"), Qt::CTRL | Qt::Key_C), &QAction::triggered, this,
            &MainWindow::mnuCopy_Click);
    connect(addItem(edit, Menu::mnuPaste, QStringLiteral("貼り付け"), Qt::CTRL | Qt::Key_V), &QAction::triggered,
            this, &MainWindow::mnuPaste_Click);
    addSeparator(edit, "mnuBar6");
    connect(addItem(edit, Menu::mnuClear, QStringLiteral("消去"), Qt::CTRL | Qt::Key_D), &QAction::triggered, this,
            &MainWindow::mnuClear_Click);
}

void MainWindow::mnuPaste_Click() {
    // The selected pane decides where the picture goes. With no pane selected nothing is posted:
    // arming the timer would run the previous command again.
    const QString& source = m_state.PicSource;
    if (source == QLatin1String("CBpicBefore")) {
        PostCommand(QStringLiteral("MDImnuInsDesign"));
    } else if (source == QLatin1String("CBpicField")) {
        PostCommand(QStringLiteral("MDImnuInsField"));
    } else if (source == QLatin1String("CBpicAfter")) {
        PostCommand(QStringLiteral("MDImnuInsStereo"));
    }
}

} // namespace quarbel::ui
