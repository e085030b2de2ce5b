// The frame on its own: start-up state, the menu tree, the toolbar, sliders, status bar, About box.

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QAbstractButton>
#include <QMouseEvent>
#include <QSlider>
#include <QToolBar>
#include <QToolButton>

#include "FrameFixture.h"
#include "ui/AboutBox.h"

namespace quarbel::testing {
namespace {

using document::Menu;
using document::Slider;
using ui::AboutBox;

// The tree as object names, children in brackets, separators included.
QString describeMenu(const QList<QAction*>& actions) {
    QStringList parts;
    for (const QAction* action : actions) {
        QString part = action->objectName();
        if (action->menu()) {
            part += QLatin1Char('[') + describeMenu(action->menu()->actions()) + QLatin1Char(']');
        }
        parts << part;
    }
    return parts.join(QLatin1Char(' '));
}

TEST_F(FrameTest, MenuTreeHasTheDesignedNestingAndOrder) {
    EXPECT_EQ(describeMenu(frame->menuBar()->actions()),
              QStringLiteral("mnuFile[mnuNew[mnuWizard mnuFieldColor mnuColor mnuMono] mnuBar1 mnuOpen mnuSave "
                             "mnuSaveName mnuSaveGazou[mnuSaveDesign mnuSaveField mnuSaveStereo] mnuClose mnuBar3 "
                             "mnuPrint mnuBar4 mnuEnd] "
                             "mnuHensyuu[mnuEditer[mnuEditerChoice mnuEditerBoot] mnuBar5 mnuCut mnuCopy mnuPaste "
                             "mnuBar6 mnuClear] "
                             "mnuIns[mnuInsDesign mnuInsField mnuInsStereo] "
                             "mnuConvert[mnuConvStart mnuConvStop mnuConvExit] "
                             "mnuWindow[] "
                             "mnuHelp[mnuInfomation mnuSetumei]"));
}

TEST_F(FrameTest, EveryMenuIdIsBoundToTheActionOfItsName) {
    for (int i = 0; i < document::MenuCount; ++i) {
        const auto id = static_cast<Menu>(i);
        ASSERT_NE(frame->menuAction(id), nullptr) << i;
        EXPECT_EQ(frame->menuAction(id)->objectName().toStdString(), document::menuName(id));
    }
}

TEST_F(FrameTest, MenuCaptionsAndShortcuts) {
    struct Row {
        Menu id;
        const char* caption;
        const char* shortcut;
    };
    const Row rows[] = {
        {Menu::mnuFile, "ファイル(&F)", ""},
        {Menu::mnuNew, "新規作成", ""},
        {Menu::mnuWizard, "カラーフィールド　ウイザード", "F2"},
        {Menu::mnuFieldColor, "カラーフィールド", "F3"},
        {Menu::mnuColor, "ランダムドット（カラー）", "F4"},
        {Menu::mnuMono, "ランダムドット（モノクロ）", "F5"},
        {Menu::mnuOpen, "開く", ""},
        {Menu::mnuSave, "上書き保存", "Ctrl+S"},
        {Menu::mnuSaveName, "名前を付けて保存", "Ctrl+K"},
        {Menu::mnuSaveGazou, "画像の保存", ""},
        {Menu::mnuSaveDesign, "デザイン画像", "Ctrl+B"},
        {Menu::mnuSaveField, "フィールド画像", "Ctrl+H"},
        {Menu::mnuSaveStereo, "ステレオアート画像", "Ctrl+A"},
        {Menu::mnuClose, "閉じる", "Ctrl+Q"},
        {Menu::mnuPrint, "印刷", "Ctrl+P"},
        {Menu::mnuEnd, "終了(&X)", ""},
        {Menu::mnuHensyuu, "編集(&E)", ""},
        {Menu::mnuEditer, "エディタ", ""},
        {Menu::mnuEditerChoice, "選択", "Ctrl+W"},
        {Menu::mnuEditerBoot, "起動", "Ctrl+E"},
        {Menu::mnuCut, "切り取り", "Ctrl+X"},
        {Menu::mnuCopy, "コピー", "Ctrl+C"},
        {Menu::mnuPaste, "貼り付け", "Ctrl+V"},
        {Menu::mnuClear, "消去", "Ctrl+D"},
        {Menu::mnuIns, "挿入(&I)", ""},
        {Menu::mnuInsDesign, "デザイン画像", "Ctrl+G"},
        {Menu::mnuInsField, "フィールド画像", "Ctrl+F"},
        {Menu::mnuInsStereo, "ステレオ画像", "Ctrl+J"},
        {Menu::mnuConvert, "変換(&R)", ""},
        {Menu::mnuConvStart, "開始", "F6"},
        {Menu::mnuConvStop, "中断", "F7"},
        {Menu::mnuConvExit, "中止", "F8"},
        {Menu::mnuWindow, "ウィンドウ(&W)", ""},
        {Menu::mnuHelp, "ヘルプ(&H)", ""},
        {Menu::mnuInfomation, "バージョン情報", "Ctrl+I"},
        {Menu::mnuSetumei, "使い方など", "F1"},
    };
    ASSERT_EQ(std::size(rows), static_cast<std::size_t>(document::MenuCount));
    for (const Row& row : rows) {
        const QAction* action = frame->menuAction(row.id);
        EXPECT_EQ(action->text(), QString::fromUtf8(row.caption)) << document::menuName(row.id);
        EXPECT_EQ(action->shortcut().toString(QKeySequence::PortableText), QString::fromUtf8(row.shortcut))
            << document::menuName(row.id);
    }
}

TEST_F(FrameTest, StartUpLeavesOnlyNewOpenExitEditorWindowAndHelpUsable) {
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Quarbel"));
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(state.NewDocNumber, 1);
    EXPECT_EQ(state.SettingsPath, inAppDir(QStringLiteral("Quarbel2.qbs")));
    EXPECT_TRUE(documents().isEmpty());
    EXPECT_TRUE(tmpFiles().isEmpty());

    const Menu usable[] = {Menu::mnuFile,    Menu::mnuNew,          Menu::mnuWizard,     Menu::mnuFieldColor,
                           Menu::mnuColor,   Menu::mnuMono,         Menu::mnuOpen,       Menu::mnuEnd,
                           Menu::mnuHensyuu, Menu::mnuEditer,       Menu::mnuEditerChoice, Menu::mnuEditerBoot,
                           Menu::mnuIns,     Menu::mnuConvert,      Menu::mnuWindow,     Menu::mnuHelp,
                           Menu::mnuInfomation, Menu::mnuSetumei};
    for (int i = 0; i < document::MenuCount; ++i) {
        const auto id = static_cast<Menu>(i);
        const bool expected = std::find(std::begin(usable), std::end(usable), id) != std::end(usable);
        EXPECT_EQ(frame->menuAction(id)->isEnabled(), expected) << document::menuName(id);
    }
    for (int button = 1; button <= document::ToolbarButtonCount; ++button) {
        const bool expected = button == 1 || button == 2 || button == 5 || button == 10 || button == 14;
        EXPECT_EQ(frame->toolbarButton(button)->isEnabled(), expected) << "button " << button;
    }
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(frame->Text1(i)->isEnabled()) << i;
        EXPECT_FALSE(frame->slider(static_cast<Slider>(i))->isEnabled()) << i;
    }
    // A disabled top-level menu greys its whole menu; its shortcuts are dead too.
    EXPECT_FALSE(frame->menuAction(Menu::mnuSave)->isEnabled());
}

TEST_F(FrameTest, ToolbarButtonsAreTheirOwnActionsWithKeysAndTips) {
    // The toolbar as the user meets it, left to right: key and tool tip of each button, "|" for a
    // separator.
    const QToolBar* toolbar = frame->findChild<QToolBar*>(QStringLiteral("Toolbar1"));
    ASSERT_NE(toolbar, nullptr);
    QStringList seen;
    for (const QAction* action : toolbar->actions()) {
        seen << (action->isSeparator() ? QStringLiteral("|")
                                       : action->data().toString() + QLatin1Char(':') + action->toolTip());
        EXPECT_TRUE(action->isSeparator() || action->shortcut().isEmpty()) << "the menu owns the accelerator";
    }
    EXPECT_EQ(seen.join(QLatin1Char(' ')),
              QStringLiteral("New:新規作成（カラーフィールド　ウィザード） Open:開く Save:上書き保存 Printer:印刷 | "
                             "Cut:切り取り Copy:コピー Paste:貼り付け Ins:挿入（デザイン画像） | Start:開始 Stop:中断 "
                             "Exit:中止 |"));
    // Buttons are addressed by their place on the toolbar.
    ASSERT_EQ(toolbar->actions().size(), 14);
    for (int index = 1; index <= 14; ++index) {
        EXPECT_EQ(frame->toolbarButton(index), toolbar->actions().at(index - 1)) << index;
    }
    // The Save button and the Save menu keep separate flags.
    frame->setMenuEnabled(Menu::mnuSave, true);
    EXPECT_FALSE(frame->buttonEnabled(3));
    frame->setButtonEnabled(5, false);
    EXPECT_FALSE(frame->toolbarButton(5)->isEnabled());
}

TEST_F(FrameTest, ButtonMenusCarryTheirKeysAndDropDownFromSplitButtons) {
    const std::pair<int, std::vector<std::pair<const char*, const char*>>> menus[] = {
        {1,
         {{"StereoWiz", "カラーフィールド　ウィザード"},
          {"Stereo", "カラーフィールド"},
          {"RandomColor", "ランダムドット（カラー）"},
          {"RandomMono", "ランダムドット（モノクロ）"}}},
        {9, {{"InsDesign", "デザイン画像"}, {"InsField", "フィールド画像"}, {"InsStereo", "ステレオ画像"}}},
    };
    const auto* toolbar = frame->findChild<QToolBar*>(QStringLiteral("Toolbar1"));
    for (const auto& [button, entries] : menus) {
        const QAction* action = frame->toolbarButton(button);
        ASSERT_NE(action->menu(), nullptr) << button;
        ASSERT_EQ(action->menu()->actions().size(), static_cast<qsizetype>(entries.size()));
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const QAction* entry = frame->toolbarButtonMenuEntry(button, static_cast<int>(i) + 1);
            EXPECT_EQ(entry, action->menu()->actions().at(static_cast<qsizetype>(i)));
            EXPECT_EQ(entry->data().toString(), QLatin1String(entries[i].first));
            EXPECT_EQ(entry->text(), QString::fromUtf8(entries[i].second));
        }
        const auto* tool = qobject_cast<QToolButton*>(toolbar->widgetForAction(frame->toolbarButton(button)));
        ASSERT_NE(tool, nullptr);
        EXPECT_EQ(tool->popupMode(), QToolButton::MenuButtonPopup);
    }
}

TEST_F(FrameTest, UnknownToolbarKeysDoNothing) {
    frame->Toolbar1_ButtonClick(QStringLiteral("Nonsense"));
    frame->Toolbar1_ButtonMenuClick(QStringLiteral("stereo")); // keys are case-sensitive
    frame->Toolbar1_ButtonMenuClick(QStringLiteral("StereoWiz"));
    QTest::qWait(80);
    EXPECT_TRUE(documents().isEmpty());
    EXPECT_TRUE(state.CommandTag.isEmpty());
    EXPECT_TRUE(dialogs.asked().isEmpty());
}

TEST_F(FrameTest, SlidersHaveTheirRangesStepsTicksAndCaptions) {
    struct Row {
        Slider id;
        const char* name;
        const char* caption;
        int max, small, large, tick;
    };
    const Row rows[] = {
        {Slider::sldKurikaesi, "sldKurikaesi", "繰返幅", 200, 1, 10, 20},
        {Slider::sldRittaido, "sldRittaido", "立体度", 50, 1, 5, 5},
        {Slider::sldMitudo, "sldMitudo", "密度", 100, 1, 5, 10},
    };
    for (const Row& row : rows) {
        const QSlider* control = frame->slider(row.id);
        EXPECT_EQ(control->objectName(), QLatin1String(row.name));
        EXPECT_EQ(control->minimum(), 0);
        EXPECT_EQ(control->maximum(), row.max);
        EXPECT_EQ(control->singleStep(), row.small);
        EXPECT_EQ(control->pageStep(), row.large);
        EXPECT_EQ(control->tickInterval(), row.tick);
        EXPECT_EQ(frame->Text1(static_cast<int>(row.id))->text(), QString::fromUtf8(row.caption));
    }
}

TEST_F(FrameTest, SliderChangeWritesTheActiveFileAndStatusPanelEvenWhenUnchanged) {
    state.IniPath = inAppDir(QStringLiteral("doc.qbd"));
    const struct {
        Slider id;
        const char* key;
        int panel;
        int value;
    } rows[] = {{Slider::sldKurikaesi, "KurikaesiHaba", 2, 123},
                {Slider::sldRittaido, "Rittaido", 3, 7},
                {Slider::sldMitudo, "Mitudo", 4, 99}};
    for (const auto& row : rows) {
        frame->setSliderEnabled(row.id, true);
        frame->slider(row.id)->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        const QString moved = QString::number(frame->sliderValue(row.id));
        EXPECT_EQ(iniValue(state.IniPath, row.key), moved) << row.key;
        EXPECT_EQ(frame->statusPanelText(row.panel), moved);

        frame->setSliderValue(row.id, row.value);
        EXPECT_EQ(iniValue(state.IniPath, row.key), QString::number(row.value));
        // The same value again still reaches the file (it may have been written by another window).
        document::IniFile::writeString(state.IniPath, document::IniSectionName, QLatin1String(row.key),
                                       QStringLiteral("5"));
        frame->setSliderValue(row.id, row.value);
        EXPECT_EQ(iniValue(state.IniPath, row.key), QString::number(row.value)) << row.key;
        EXPECT_EQ(frame->statusPanelText(row.panel), QString::number(row.value));
    }
    // Out of range values are clamped by the slider, and the clamped value is what is stored.
    frame->setSliderValue(Slider::sldRittaido, 500);
    EXPECT_EQ(iniValue(state.IniPath, "Rittaido"), QStringLiteral("50"));
}

TEST_F(FrameTest, HoveringASliderShowsItsValueAsTheTip) {
    QSlider* control = frame->slider(Slider::sldMitudo);
    control->setEnabled(true);
    frame->setSliderValue(Slider::sldMitudo, 42);
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), control->mapToGlobal(QPointF(5, 5)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(control, &move);
    EXPECT_EQ(control->toolTip(), QStringLiteral("42"));
}

TEST_F(FrameTest, StatusBarHasFivePanelsWithLabelsAndAPictureInTheLast) {
    EXPECT_NE(frame->findChild<QWidget*>(QStringLiteral("StatusBar1")), nullptr);
    EXPECT_EQ(frame->statusPanelText(2), QStringLiteral("繰返幅"));
    EXPECT_EQ(frame->statusPanelText(3), QStringLiteral("立体度"));
    EXPECT_EQ(frame->statusPanelText(4), QStringLiteral("密度"));
    EXPECT_EQ(frame->statusPanelText(5), QStringLiteral("画像サイズ"));
    const auto* picture = frame->findChild<QLabel*>(QStringLiteral("SizePicture"));
    ASSERT_NE(picture, nullptr);
    EXPECT_FALSE(picture->pixmap().isNull());
    frame->setStatusPanelText(5, QStringLiteral("640 × 480"));
    EXPECT_EQ(frame->statusPanelText(5), QStringLiteral("640 × 480"));
}

TEST_F(FrameTest, AboutBoxIsModalWithoutButtonsAndClosesWithItsCloseBox) {
    frame->menuAction(Menu::mnuInfomation)->trigger();
    AboutBox* box = frame->findChild<AboutBox*>();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    EXPECT_TRUE(box->isModal());
    EXPECT_EQ(box->windowTitle(), QStringLiteral("バージョン情報"));
    QStringList texts;
    for (const QLabel* label : box->findChildren<QLabel*>()) {
        texts << label->text();
    }
    EXPECT_TRUE(texts.contains(QStringLiteral("Quarbel")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Version 2.01")));
    EXPECT_TRUE(box->findChildren<QAbstractButton*>().isEmpty());
    EXPECT_TRUE(box->windowFlags().testFlag(Qt::WindowCloseButtonHint));

    const QPointer<AboutBox> guard(box);
    box->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull());
}

TEST_F(FrameTest, IconsAreDrawn) {
    for (int index : {1, 2, 3, 4, 6, 7, 8, 9, 11, 12, 13}) {
        EXPECT_FALSE(frame->toolbarButton(index)->icon().pixmap(16, 16).isNull()) << index;
    }
    EXPECT_FALSE(frame->windowIcon().pixmap(32, 32).isNull());
}

} // namespace
} // namespace quarbel::testing
