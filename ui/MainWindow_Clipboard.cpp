// Copy, Cut and Clear act at once on the pane selected in the active document; the Edit menu also
// opens as a pop-up over a pane.

#include <QAction>
#include <QMenu>

#include "panes/DocumentWindow.h"
#include "ui/MainWindow.h"

namespace quarbel::ui {

using document::Menu;

void MainWindow::mnuCopy_Click() {
    if (panes::DocumentWindow* form = activeDocument()) {
        form->copySelectedPane();
    }
}

void MainWindow::mnuCut_Click() {
    mnuCopy_Click();
    ClearActivePane();
}

void MainWindow::mnuClear_Click() { ClearActivePane(); }

void MainWindow::ClearActivePane() {
    if (panes::DocumentWindow* form = activeDocument()) {
        form->clearSelectedPane();
    }
}

void MainWindow::popupEditMenu(const QPoint& globalPos) {
    QMenu* edit = menu(Menu::mnuHensyuu);
    QAction* editor = menuAction(Menu::mnuEditer);
    auto* bar5 = edit->findChild<QAction*>(QStringLiteral("mnuBar5"));
    // Over a pane the editor entries have nothing to act on; they come back once the pop-up closes.
    editor->setVisible(false);
    if (bar5) {
        bar5->setVisible(false);
    }
    connect(
        edit, &QMenu::aboutToHide, this,
        [editor, bar5] {
            editor->setVisible(true);
            if (bar5) {
                bar5->setVisible(true);
            }
        },
        Qt::SingleShotConnection);
    edit->popup(globalPos);
}

} // namespace quarbel::ui
