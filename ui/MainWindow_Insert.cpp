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
    m_state.PicSource = document::PicSource::FromFile;
    PostCommand(document::CommandTag::MDImnuInsDesign);
}

void MainWindow::mnuInsDepthMap_Click() {
    m_state.PicSource = document::PicSource::FromFile;
    PostCommand(document::CommandTag::MDImnuInsDepthMap);
}

void MainWindow::mnuInsField_Click() {
    m_state.PicSource = document::PicSource::FromFile;
    PostCommand(document::CommandTag::MDImnuInsField);
}

void MainWindow::mnuInsStereo_Click() {
    m_state.PicSource = document::PicSource::FromFile;
    PostCommand(document::CommandTag::MDImnuInsStereo);
}

} // namespace quarbel::ui
