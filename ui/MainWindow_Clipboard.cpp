// Copy, Cut and Clear act at once on the pane selected in the active document; the Edit menu also
// opens as a pop-up over a pane.

#include "document/EnableTable.h"
#include "panes/DocumentWindow.h"
#include "platform/Clipboard.h"
#include "ui/MainWindow.h"

#include <QAction>
#include <QMenu>

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

void MainWindow::mnuClear_Click() {
    ClearActivePane();
}

void MainWindow::ClearActivePane() {
    if (panes::DocumentWindow* form = activeDocument()) {
        form->clearSelectedPane();
    }
}

void MainWindow::clipboardChanged() {
    // Without a document Paste stays off, and a run keeps the entries it set.
    panes::DocumentWindow* form = activeDocument();
    if (!form || m_state.run.Converting) {
        return;
    }
    // Paste needs a picture and a pane to put it in.
    const bool paste = platform::clipboardHasPicture() && form->editTargetTag() != document::PicSource::None;
    document::applyEnables(*this, document::menuAndButtonSet(Menu::mnuPaste, 8, paste));
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
