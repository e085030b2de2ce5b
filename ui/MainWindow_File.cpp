// The File menu: new documents, save, close, print and exit.

#include <QAction>
#include <QFrame>
#include <QMenu>

#include "panes/Form1.h"
#include "panes/PaneLayout.h"
#include "ui/MainWindow.h"

namespace quarbel::ui {

using document::Menu;
using document::Slider;

void MDIForm1::setupFileMenu() {
    QMenu* file = addSubmenu(nullptr, Menu::mnuFile, QStringLiteral("ファイル(&F)"));
    QMenu* newMenu = addSubmenu(file, Menu::mnuNew, QStringLiteral("新規作成"));
    connect(addItem(newMenu, Menu::mnuWizard, QStringLiteral("カラーフィールド　ウイザード"), Qt::Key_F2),
            &QAction::triggered, this, &MDIForm1::mnuWizard_Click);
    connect(addItem(newMenu, Menu::mnuFieldColor, QStringLiteral("カラーフィールド"), Qt::Key_F3),
            &QAction::triggered, this, &MDIForm1::mnuFieldColor_Click);
    connect(addItem(newMenu, Menu::mnuColor, QStringLiteral("ランダムドット（カラー）"), Qt::Key_F4),
            &QAction::triggered, this, &MDIForm1::mnuColor_Click);
    connect(addItem(newMenu, Menu::mnuMono, QStringLiteral("ランダムドット（モノクロ）"), Qt::Key_F5),
            &QAction::triggered, this, &MDIForm1::mnuMono_Click);
    addSeparator(file, "mnuBar1");
    connect(addItem(file, Menu::mnuOpen, QStringLiteral("開く")), &QAction::triggered, this, &MDIForm1::mnuOpen_Click);
    connect(addItem(file, Menu::mnuSave, QStringLiteral("上書き保存"), Qt::CTRL | Qt::Key_S), &QAction::triggered,
            this, &MDIForm1::mnuSave_Click);
    connect(addItem(file, Menu::mnuSaveName, QStringLiteral("名前を付けて保存"), Qt::CTRL | Qt::Key_K),
            &QAction::triggered, this, &MDIForm1::mnuSaveName_Click);
    QMenu* saveImage = addSubmenu(file, Menu::mnuSaveGazou, QStringLiteral("画像の保存"));
    connect(addItem(saveImage, Menu::mnuSaveDesign, QStringLiteral("デザイン画像"), Qt::CTRL | Qt::Key_B),
            &QAction::triggered, this, &MDIForm1::mnuSaveDesign_Click);
    connect(addItem(saveImage, Menu::mnuSaveField, QStringLiteral("フィールド画像"), Qt::CTRL | Qt::Key_H),
            &QAction::triggered, this, &MDIForm1::mnuSaveField_Click);
    connect(addItem(saveImage, Menu::mnuSaveStereo, QStringLiteral("ステレオアート画像"), Qt::CTRL | Qt::Key_A),
            &QAction::triggered, this, &MDIForm1::mnuSaveStereo_Click);
    connect(addItem(file, Menu::mnuClose, QStringLiteral("閉じる"), Qt::CTRL | Qt::Key_Q), &QAction::triggered,
            this, &MDIForm1::mnuClose_Click);
    addSeparator(file, "mnuBar3");
    connect(addItem(file, Menu::mnuPrint, QStringLiteral("印刷"), Qt::CTRL | Qt::Key_P), &QAction::triggered, this,
            &MDIForm1::mnuPrint_Click);
    addSeparator(file, "mnuBar4");
    QAction* end = addItem(file, Menu::mnuEnd, QStringLiteral("終了(&X)"));
    // Exit is the frame's own; keep it out of the platform's application-menu merging.
    end->setMenuRole(QAction::NoRole);
    connect(end, &QAction::triggered, this, &MDIForm1::mnuEnd_Click);
}

// What each New command sets up, in the order the commands apply it.
struct MDIForm1::NewDocumentKind {
    const char* monoOrColor;
    const char* stereoName;
    bool fieldPane; // Design and Field stacked instead of the Design pane alone
    int mitudo;
    bool mitudoEnabled;
};

namespace {
constexpr int kKurikaesiDefault = 70;
constexpr int kRittaidoDefault = 20;
} // namespace

void MDIForm1::mnuColor_Click() {
    static constexpr NewDocumentKind kind{"Color", "RandomDot", false, 30, true};
    newDocument(kind);
}

void MDIForm1::mnuMono_Click() {
    static constexpr NewDocumentKind kind{"Mono", "RandomDot", false, 30, true};
    newDocument(kind);
}

void MDIForm1::mnuFieldColor_Click() {
    static constexpr NewDocumentKind kind{"", "Field", true, 0, false};
    newDocument(kind);
}

void MDIForm1::newDocument(const NewDocumentKind& kind) {
    // The active document's state goes into its own file before anything shared changes.
    detachCurrentDocument();
    m_state.MonoOrColor = QString::fromUtf8(kind.monoOrColor);
    m_state.StereoName = QString::fromUtf8(kind.stereoName);
    m_state.OpenMode = QStringLiteral("Sinki");
    SetNewDocumentMenus();

    panes::Form1* form = activeDocument();
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
    setSliderValue(Slider::sldKurikaesi, kKurikaesiDefault);
    setSliderValue(Slider::sldRittaido, kRittaidoDefault);
    setSliderEnabled(Slider::sldMitudo, kind.mitudoEnabled);
    setSliderValue(Slider::sldMitudo, kind.mitudo);
    setCaptionEnabled(2, kind.mitudoEnabled);
}

void MDIForm1::mnuSave_Click() { PostCommand(QStringLiteral("MDImnuSave")); }

void MDIForm1::mnuSaveName_Click() { PostCommand(QStringLiteral("MDImnuSaveName")); }

void MDIForm1::mnuSaveDesign_Click() { PostCommand(QStringLiteral("MDImnuSaveDesign")); }

void MDIForm1::mnuSaveField_Click() { PostCommand(QStringLiteral("MDImnuSaveField")); }

void MDIForm1::mnuSaveStereo_Click() { PostCommand(QStringLiteral("MDImnuSaveStereo")); }

void MDIForm1::mnuClose_Click() { PostCommand(QStringLiteral("MDImnuClose")); }

void MDIForm1::mnuPrint_Click() { PostCommand(QStringLiteral("MDImnuPrint")); }

void MDIForm1::mnuEnd_Click() { close(); }

} // namespace quarbel::ui
