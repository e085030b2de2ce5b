// The File menu: new documents, save, close, print and exit.

#include "document/EnableTable.h"
#include "document/Parameters.h"
#include "panes/DocumentWindow.h"
#include "panes/PaneLayout.h"
#include "ui/MainWindow.h"

#include <QAction>
#include <QFrame>
#include <QMenu>

namespace quarbel::ui {

using document::Menu;
using document::Slider;

void MainWindow::setupFileMenu() {
    QMenu* file = addSubmenu(nullptr, Menu::mnuFile, QStringLiteral("ファイル(&F)"));
    QMenu* newMenu = addSubmenu(file, Menu::mnuNew, QStringLiteral("新規作成"));
    connect(addItem(newMenu, Menu::mnuWizard, QStringLiteral("カラーフィールド　ウイザード"), Qt::Key_F2),
            &QAction::triggered, this, &MainWindow::mnuWizard_Click);
    connect(addItem(newMenu, Menu::mnuFieldColor, QStringLiteral("カラーフィールド"), Qt::Key_F3),
            &QAction::triggered, this, &MainWindow::mnuFieldColor_Click);
    connect(addItem(newMenu, Menu::mnuColor, QStringLiteral("ランダムドット（カラー）"), Qt::Key_F4),
            &QAction::triggered, this, &MainWindow::mnuColor_Click);
    connect(addItem(newMenu, Menu::mnuMono, QStringLiteral("ランダムドット（モノクロ）"), Qt::Key_F5),
            &QAction::triggered, this, &MainWindow::mnuMono_Click);
    addSeparator(file, "mnuBar1");
    connect(addItem(file, Menu::mnuOpen, QStringLiteral("開く")), &QAction::triggered, this,
            &MainWindow::mnuOpen_Click);
    connect(addItem(file, Menu::mnuSave, QStringLiteral("上書き保存"), Qt::CTRL | Qt::Key_S),
            &QAction::triggered, this, &MainWindow::mnuSave_Click);
    connect(addItem(file, Menu::mnuSaveName, QStringLiteral("名前を付けて保存"), Qt::CTRL | Qt::Key_K),
            &QAction::triggered, this, &MainWindow::mnuSaveName_Click);
    QMenu* saveImage = addSubmenu(file, Menu::mnuSaveGazou, QStringLiteral("画像の保存"));
    connect(addItem(saveImage, Menu::mnuSaveDesign, QStringLiteral("デザイン画像"), Qt::CTRL | Qt::Key_B),
            &QAction::triggered, this, &MainWindow::mnuSaveDesign_Click);
    connect(addItem(saveImage, Menu::mnuSaveField, QStringLiteral("フィールド画像"), Qt::CTRL | Qt::Key_H),
            &QAction::triggered, this, &MainWindow::mnuSaveField_Click);
    connect(
        addItem(saveImage, Menu::mnuSaveStereo, QStringLiteral("ステレオアート画像"), Qt::CTRL | Qt::Key_A),
        &QAction::triggered, this, &MainWindow::mnuSaveStereo_Click);
    connect(addItem(file, Menu::mnuClose, QStringLiteral("閉じる"), Qt::CTRL | Qt::Key_Q),
            &QAction::triggered, this, &MainWindow::mnuClose_Click);
    addSeparator(file, "mnuBar3");
    connect(addItem(file, Menu::mnuPrint, QStringLiteral("印刷"), Qt::CTRL | Qt::Key_P), &QAction::triggered,
            this, &MainWindow::mnuPrint_Click);
    addSeparator(file, "mnuBar4");
    QAction* end = addItem(file, Menu::mnuEnd, QStringLiteral("終了(&X)"));
    // Exit is the frame's own; keep it out of the platform's application-menu merging.
    end->setMenuRole(QAction::NoRole);
    connect(end, &QAction::triggered, this, &MainWindow::mnuEnd_Click);
}

// What each New command sets up, in the order the commands apply it.
struct MainWindow::NewDocumentKind {
    const char* monoOrColor;
    document::StereoKind stereoName;
    bool fieldPane; // Design and Field stacked instead of the Design pane alone
    int mitudo;
    bool mitudoEnabled;
};

void MainWindow::mnuColor_Click() {
    static constexpr NewDocumentKind kind{"Color", document::StereoKind::RandomDot, false,
                                          document::DensityParameter.defaultValue, true};
    newDocument(kind);
}

void MainWindow::mnuMono_Click() {
    static constexpr NewDocumentKind kind{"Mono", document::StereoKind::RandomDot, false,
                                          document::DensityParameter.defaultValue, true};
    newDocument(kind);
}

void MainWindow::mnuFieldColor_Click() {
    static constexpr NewDocumentKind kind{"", document::StereoKind::Field, true, 0, false};
    newDocument(kind);
}

void MainWindow::newDocument(const NewDocumentKind& kind) {
    // The active document's state goes into its own file before anything shared changes.
    detachCurrentDocument();
    fields().MonoOrColor = QString::fromUtf8(kind.monoOrColor);
    fields().StereoName = kind.stereoName;
    fields().OpenMode = QStringLiteral("Sinki");
    SetNewDocumentMenus();

    panes::DocumentWindow* form = activeDocument();
    if (!form) {
        return;
    }
    QWidget* before = form->picContBefore();
    QWidget* field = form->picContField();
    if (kind.fieldPane) {
        const int height = panes::halfColumnHeight(form->scaleHeight());
        before->setGeometry(0, 0, before->width(), height);
        field->setGeometry(0, height + panes::PaneGap, before->width(), height);
        field->show();
    } else {
        before->resize(before->width(), form->scaleHeight());
        field->hide();
    }
    setSliderValue(Slider::sldKurikaesi, document::RepeatWidthParameter.defaultValue);
    setSliderValue(Slider::sldRittaido, document::DepthParameter.defaultValue);
    document::applyEnables(*this, document::densitySet(kind.mitudoEnabled));
    setSliderValue(Slider::sldMitudo, kind.mitudo);
}

void MainWindow::mnuSave_Click() {
    PostCommand(document::CommandTag::MDImnuSave);
}

void MainWindow::mnuSaveName_Click() {
    PostCommand(document::CommandTag::MDImnuSaveName);
}

void MainWindow::mnuSaveDesign_Click() {
    PostCommand(document::CommandTag::MDImnuSaveDesign);
}

void MainWindow::mnuSaveField_Click() {
    PostCommand(document::CommandTag::MDImnuSaveField);
}

void MainWindow::mnuSaveStereo_Click() {
    PostCommand(document::CommandTag::MDImnuSaveStereo);
}

void MainWindow::mnuClose_Click() {
    PostCommand(document::CommandTag::MDImnuClose);
}

void MainWindow::mnuPrint_Click() {
    PostCommand(document::CommandTag::MDImnuPrint);
}

void MainWindow::mnuEnd_Click() {
    close();
}

} // namespace quarbel::ui
