// The Insert menu: pictures from files into the Design, Field and Stereo panes.

#include <QAction>
#include <QMenu>

#include "ui/MainWindow.h"

namespace quarbel::ui {

using document::Menu;

void MDIForm1::setupInsertMenu() {
    QMenu* insert = addSubmenu(nullptr, Menu::mnuIns, QStringLiteral("挿入(&I)"));
    connect(addItem(insert, Menu::mnuInsDesign, QStringLiteral("デザイン画像"), Qt::CTRL | Qt::Key_G),
            &QAction::triggered, this, &MDIForm1::mnuInsDesign_Click);
    connect(addItem(insert, Menu::mnuInsField, QStringLiteral("フィールド画像"), Qt::CTRL | Qt::Key_F),
            &QAction::triggered, this, &MDIForm1::mnuInsField_Click);
    connect(addItem(insert, Menu::mnuInsStereo, QStringLiteral("ステレオ画像"), Qt::CTRL | Qt::Key_J),
            &QAction::triggered, this, &MDIForm1::mnuInsStereo_Click);
}

void MDIForm1::mnuInsDesign_Click() {
    m_state.PicSource = QStringLiteral("FromFile");
    PostCommand(QStringLiteral("MDImnuInsDesign"));
}

void MDIForm1::mnuInsField_Click() {
    m_state.PicSource = QStringLiteral("FromFile");
    PostCommand(QStringLiteral("MDImnuInsField"));
}

void MDIForm1::mnuInsStereo_Click() {
    m_state.PicSource = QStringLiteral("FromFile");
    PostCommand(QStringLiteral("MDImnuInsStereo"));
}

} // namespace quarbel::ui
