// The Edit menu: the external editor, the clipboard commands and clearing a pane.

#include "panes/DocumentWindow.h"
#include "ui/EditorAndHelp.h"
#include "ui/MainWindow.h"

#include <QAction>
#include <QMenu>

namespace quarbel::ui {

using document::Menu;

void MainWindow::setupEditMenu() {
    QMenu* edit = addSubmenu(nullptr, Menu::mnuHensyuu, QStringLiteral("編集(&E)"));
    QMenu* editor = addSubmenu(edit, Menu::mnuEditer, QStringLiteral("エディタ"));
    // The editor commands touch only the frame and run at once.
    connect(addItem(editor, Menu::mnuEditerChoice, QStringLiteral("選択"), Qt::CTRL | Qt::Key_W),
            &QAction::triggered, this,
            [this] { chooseEditor(frameContext(this, m_dialogs, m_shell, m_state)); });
    connect(addItem(editor, Menu::mnuEditerBoot, QStringLiteral("起動"), Qt::CTRL | Qt::Key_E),
            &QAction::triggered, this,
            [this] { startEditor(frameContext(this, m_dialogs, m_shell, m_state)); });
    addSeparator(edit, "mnuBar5");
    connect(addItem(edit, Menu::mnuCut, QStringLiteral("切り取り"), Qt::CTRL | Qt::Key_X),
            &QAction::triggered, this, &MainWindow::mnuCut_Click);
    connect(addItem(edit, Menu::mnuCopy, QStringLiteral("コピー"), Qt::CTRL | Qt::Key_C), &QAction::triggered,
            this, &MainWindow::mnuCopy_Click);
    connect(addItem(edit, Menu::mnuPaste, QStringLiteral("貼り付け"), Qt::CTRL | Qt::Key_V),
            &QAction::triggered, this, &MainWindow::mnuPaste_Click);
    addSeparator(edit, "mnuBar6");
    connect(addItem(edit, Menu::mnuClear, QStringLiteral("消去"), Qt::CTRL | Qt::Key_D), &QAction::triggered,
            this, &MainWindow::mnuClear_Click);
}

void MainWindow::mnuPaste_Click() {
    // The pane chosen in the active document decides where the picture goes. With none chosen
    // nothing is posted.
    panes::DocumentWindow* form = activeDocument();
    if (!form) {
        return;
    }
    using document::CommandTag;
    using document::PicSource;
    const PicSource target = form->editTargetTag();
    static constexpr std::pair<PicSource, CommandTag> kTargets[] = {
        {PicSource::CBpicBefore, CommandTag::MDImnuInsDesign},
        {PicSource::CBpicField, CommandTag::MDImnuInsField},
        {PicSource::CBpicAfter, CommandTag::MDImnuInsStereo},
    };
    for (const auto& [pane, tag] : kTargets) {
        if (target == pane) {
            // The insert procedure takes the clipboard's picture under the pane's own tag.
            PostCommand({tag, target});
            return;
        }
    }
}

} // namespace quarbel::ui
