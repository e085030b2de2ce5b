// The Insert menu: pictures from files into the Design, Field and Stereo panes.

#include "ui/MainWindow.h"

#include <QAction>
#include <QMenu>

namespace quarbel::ui {

using document::Menu;

void MainWindow::setupInsertMenu() {
    QMenu* insert = addSubmenu(nullptr, Menu::mnuIns, QStringLiteral("挿入(&I)"));
    connect(addItem(insert, Menu::mnuInsDesign, QStringLiteral("デザイン画像"), Qt::CTRL | Qt::Key_G),
            &QAction::triggered, this, &MainWindow::mnuInsDesign_Click);
    connect(addFollowingItem(insert, "mnuInsDepthMap", QStringLiteral("深度マップ"), Qt::CTRL | Qt::Key_M),
            &QAction::triggered, this, &MainWindow::mnuInsDepthMap_Click);
    connect(addItem(insert, Menu::mnuInsField, QStringLiteral("フィールド画像"), Qt::CTRL | Qt::Key_F),
            &QAction::triggered, this, &MainWindow::mnuInsField_Click);
    connect(addItem(insert, Menu::mnuInsStereo, QStringLiteral("ステレオ画像"), Qt::CTRL | Qt::Key_J),
            &QAction::triggered, this, &MainWindow::mnuInsStereo_Click);
}

void MainWindow::mnuInsDesign_Click() {
    PostCommand({document::CommandTag::MDImnuInsDesign, document::PicSource::FromFile});
}

void MainWindow::mnuInsDepthMap_Click() {
    PostCommand({document::CommandTag::MDImnuInsDepthMap, document::PicSource::FromFile});
}

void MainWindow::mnuInsField_Click() {
    PostCommand({document::CommandTag::MDImnuInsField, document::PicSource::FromFile});
}

void MainWindow::mnuInsStereo_Click() {
    PostCommand({document::CommandTag::MDImnuInsStereo, document::PicSource::FromFile});
}

} // namespace quarbel::ui
