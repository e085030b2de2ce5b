// The Convert menu: start, pause and abort of a conversion run.

#include <QAction>
#include <QMenu>

#include "ui/MainWindow.h"

namespace quarbel::ui {

using document::Menu;

void MDIForm1::setupConvertMenu() {
    QMenu* convert = addSubmenu(nullptr, Menu::mnuConvert, QStringLiteral("変換(&R)"));
    connect(addItem(convert, Menu::mnuConvStart, QStringLiteral("開始"), Qt::Key_F6), &QAction::triggered, this,
            &MDIForm1::mnuConvStart_Click);
    // Pause and abort act on a running conversion; they come with the run control.
    addItem(convert, Menu::mnuConvStop, QStringLiteral("中断"), Qt::Key_F7);
    addItem(convert, Menu::mnuConvExit, QStringLiteral("中止"), Qt::Key_F8);
}

void MDIForm1::mnuConvStart_Click() { PostCommand(QStringLiteral("MDImnuConvStart")); }

} // namespace quarbel::ui
