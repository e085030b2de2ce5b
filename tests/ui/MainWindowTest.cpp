// The frame on its own: start-up state, the menu tree, the toolbar, sliders, status bar, About box.

#include "FrameFixture.h"
#include "platform/Picture.h"
#include "ui/AboutBox.h"

#include <QAbstractButton>
#include <QAction>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QSlider>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

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
    EXPECT_EQ(
        describeMenu(frame->menuBar()->actions()),
        QStringLiteral("mnuFile[mnuNew[mnuWizard mnuFieldColor mnuColor mnuMono] mnuBar1 mnuOpen mnuSave "
                       "mnuSaveName mnuSaveGazou[mnuSaveDesign mnuSaveField mnuSaveStereo] mnuClose mnuBar3 "
                       "mnuPrint mnuBar4 mnuEnd] "
                       "mnuHensyuu[mnuEditer[mnuEditerChoice mnuEditerBoot] mnuBar5 mnuCut mnuCopy mnuPaste "
                       "mnuBar6 mnuClear] "
                       "mnuIns[mnuInsDesign mnuInsDepthMap mnuInsField mnuInsStereo] "
                       "mnuConvert[mnuConvStart mnuConvStop mnuConvExit mnuBarReveal mnuConvReveal] "
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

    const Menu usable[] = {Menu::mnuFile,       Menu::mnuNew,     Menu::mnuWizard,       Menu::mnuFieldColor,
                           Menu::mnuColor,      Menu::mnuMono,    Menu::mnuOpen,         Menu::mnuEnd,
                           Menu::mnuHensyuu,    Menu::mnuEditer,  Menu::mnuEditerChoice, Menu::mnuEditerBoot,
                           Menu::mnuIns,        Menu::mnuConvert, Menu::mnuWindow,       Menu::mnuHelp,
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
              QStringLiteral(
                  "New:新規作成（カラーフィールド　ウィザード） Open:開く Save:上書き保存 Printer:印刷 | "
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
    // No button carries these keys, so no user can send them: only the dispatcher can be asked.
    frame->Toolbar1_ButtonClick(QStringLiteral("Nonsense"));
    frame->Toolbar1_ButtonMenuClick(QStringLiteral("stereo")); // keys are case-sensitive
    frame->Toolbar1_ButtonMenuClick(QStringLiteral("StereoWiz"));
    // Everything a key could have started has run once the frame has been through its event loop;
    // with no document there is no command timer to wait for.
    bool turned = false;
    QTimer::singleShot(0, frame.get(), [&] { turned = true; });
    ASSERT_TRUE(waitUntil([&] { return turned; }));
    EXPECT_TRUE(documents().isEmpty());
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
    doc().IniPath = inAppDir(QStringLiteral("doc.qbd"));
    ASSERT_TRUE(document::IniFile::writeString(doc().IniPath, document::IniSectionName,
                                               QStringLiteral("Mitudo"), QStringLiteral("1")));
    const auto stored = [&](const char* key, const QString& value) {
        return waitUntil([&] { return iniValue(doc().IniPath, key) == value; });
    };
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
        EXPECT_EQ(frame->statusPanelText(row.panel), moved) << "the panel follows at once";
        EXPECT_TRUE(stored(row.key, moved)) << row.key;

        frame->setSliderValue(row.id, row.value);
        EXPECT_TRUE(stored(row.key, QString::number(row.value)));
        // The same value again still reaches the file (it may have been written by another window).
        document::IniFile::writeString(doc().IniPath, document::IniSectionName, QLatin1String(row.key),
                                       QStringLiteral("5"));
        frame->setSliderValue(row.id, row.value);
        EXPECT_TRUE(stored(row.key, QString::number(row.value))) << row.key;
        EXPECT_EQ(frame->statusPanelText(row.panel), QString::number(row.value));
    }
    // Out of range values are clamped by the slider, and the clamped value is what is stored.
    frame->setSliderValue(Slider::sldRittaido, 500);
    EXPECT_TRUE(stored("Rittaido", QStringLiteral("50")));
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
    trigger(Menu::mnuInfomation);
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

// ---- the Window menu and the document windows' frames -----------------------------------------

class WindowMenuTest : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    }

    // Keys go where the user's keys go: to the focused widget, or the active pop-up.
    static void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* target = QApplication::activePopupWidget();
        if (!target) {
            target = QApplication::focusWidget() ? QApplication::focusWidget() : QApplication::activeWindow();
        }
        ASSERT_NE(target, nullptr);
        QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
    }

    QStringList enabledEntries() const {
        QStringList texts;
        for (const QAction* action : frame->windowMenu()->actions()) {
            if (action->isEnabled() && !action->isSeparator()) {
                texts << action->text();
            }
        }
        return texts;
    }

    QMdiSubWindow* subWindowOf(const panes::DocumentWindow* form) const {
        for (QMdiSubWindow* window : frame->mdiArea()->subWindowList()) {
            if (window->widget() == form) {
                return window;
            }
        }
        return nullptr;
    }

    QAction* entryFor(const panes::DocumentWindow* form) const {
        for (QAction* action : frame->windowMenu()->actions()) {
            if (action->text().endsWith(QLatin1Char(' ') + form->windowTitle())) {
                return action;
            }
        }
        return nullptr;
    }

    QMdiSubWindow* frontWindow() const {
        return frame->mdiArea()->subWindowList(QMdiArea::StackingOrder).constLast();
    }
};

TEST_F(WindowMenuTest, OpensWithItsListEveryTimeEvenAfterOpeningWithNoDocument) {
    press(Qt::Key_W, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame->windowMenu()->isVisible(); }));
    EXPECT_FALSE(frame->windowMenu()->actions().isEmpty()) << "an empty pop-up is never shown";
    EXPECT_TRUE(enabledEntries().isEmpty()) << "nothing to choose";
    press(Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !frame->windowMenu()->isVisible(); }));

    press(Qt::Key_F5);
    press(Qt::Key_F5);
    ASSERT_EQ(documents().size(), 2);
    press(Qt::Key_W, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame->windowMenu()->isVisible(); }));
    EXPECT_EQ(enabledEntries(), (QStringList{QStringLiteral("&1 Quarbel1"), QStringLiteral("&2 Quarbel2")}));
    press(Qt::Key_Escape);

    // The list also follows closing, without the menu being opened in between.
    dialogs.queueAnswer(platform::Answer::No);
    ASSERT_TRUE(closeWindowOf(documents().constFirst()));
    EXPECT_EQ(enabledEntries(), QStringList{QStringLiteral("&1 Quarbel2")});
}

TEST_F(WindowMenuTest, ChoosingAWindowMakesItTheActiveDocumentWhateverHasTheFocus) {
    trigger(Menu::mnuMono);
    panes::DocumentWindow* dots = active();
    trigger(Menu::mnuFieldColor);
    panes::DocumentWindow* field = active();
    activate(dots);
    ASSERT_EQ(active(), dots);
    QSlider* density = frame->slider(Slider::sldMitudo);
    ASSERT_TRUE(density->isEnabled());
    density->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return density->hasFocus(); }));

    frame->windowMenu()->popup(frame->mapToGlobal(QPoint(40, 40)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame->windowMenu()->isVisible(); }));
    QAction* entry = entryFor(field);
    ASSERT_NE(entry, nullptr);
    QTest::mouseClick(frame->windowMenu(), Qt::LeftButton, {},
                      frame->windowMenu()->actionGeometry(entry).center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !frame->windowMenu()->isVisible(); }));
    EXPECT_EQ(active(), field);
    EXPECT_EQ(frame->mdiArea()->activeSubWindow(), subWindowOf(field));
    EXPECT_EQ(frontWindow(), subWindowOf(field));
    EXPECT_FALSE(density->isEnabled()) << "the colour field's own controls";

    // The keys now act on the chosen document.
    press(Qt::Key_G, Qt::ControlModifier);
    const QList<panes::Command> posted{
        panes::Command(document::CommandTag::MDImnuInsDesign, document::PicSource::FromFile)};
    EXPECT_EQ(field->pendingCommands(), posted);
    EXPECT_TRUE(field->Timer1()->isActive());
    EXPECT_TRUE(dots->pendingCommands().isEmpty());
    EXPECT_FALSE(dots->Timer1()->isActive());
    dialogs.queueFile(std::nullopt);
    ASSERT_TRUE(
        waitUntil([&] { return field->pendingCommands().isEmpty() && !field->Timer1()->isActive(); }));

    // Choosing the active window brings it to the front.
    subWindowOf(dots)->raise();
    ASSERT_EQ(frontWindow(), subWindowOf(dots));
    ASSERT_EQ(active(), field);
    frame->windowMenu()->popup(frame->mapToGlobal(QPoint(40, 40)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame->windowMenu()->isVisible(); }));
    QTest::mouseClick(frame->windowMenu(), Qt::LeftButton, {},
                      frame->windowMenu()->actionGeometry(entryFor(field)).center());
    EXPECT_EQ(frontWindow(), subWindowOf(field));
    EXPECT_EQ(active(), field);
}

TEST_F(WindowMenuTest, NewWindowsNeverLandExactlyOnAnother) {
    const auto positionsAreDistinct = [&] {
        QList<QPoint> seen;
        for (const QMdiSubWindow* window : frame->mdiArea()->subWindowList()) {
            if (seen.contains(window->pos())) {
                return false;
            }
            seen.append(window->pos());
        }
        return true;
    };
    for (int i = 0; i < 6; ++i) {
        trigger(Menu::mnuMono);
    }
    ASSERT_TRUE(positionsAreDistinct());
    // Closing windows in the middle of the cascade frees places that are taken again without a clash.
    for (const int index : {4, 1}) {
        dialogs.queueAnswer(platform::Answer::No);
        ASSERT_TRUE(closeWindowOf(documents().at(index)));
    }
    for (int i = 0; i < 4; ++i) {
        trigger(Menu::mnuColor);
        EXPECT_TRUE(positionsAreDistinct()) << i;
    }
    // A frame too small for any cascade still keeps them apart.
    frame->resize(360, 300);
    QCoreApplication::processEvents();
    for (int i = 0; i < 3; ++i) {
        trigger(Menu::mnuFieldColor);
        EXPECT_TRUE(positionsAreDistinct()) << "small frame " << i;
    }
}

TEST_F(WindowMenuTest, DocumentFramesShowTheIconOfTheirKind) {
    const struct {
        Menu command;
        const char* icon;
    } rows[] = {
        {Menu::mnuMono, ":/panes/icons/101.svg"},
        {Menu::mnuColor, ":/panes/icons/103.svg"},
        {Menu::mnuFieldColor, ":/panes/icons/104.svg"},
    };
    const QImage application = frame->windowIcon().pixmap(32, 32).toImage();
    for (const auto& row : rows) {
        trigger(row.command);
        const QImage expected = QIcon(QLatin1String(row.icon)).pixmap(32, 32).toImage();
        ASSERT_FALSE(expected.isNull()) << row.icon;
        const QImage shown = subWindowOf(active())->windowIcon().pixmap(32, 32).toImage();
        EXPECT_EQ(shown, expected) << row.icon;
        EXPECT_NE(shown, application) << row.icon;
    }
}

// ---- what the status bar and sliders show for the active document -----------------------------

class ActiveDocumentTest : public FrameTest {
protected:
    void insertStereo(int w, int h) {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        const QString path = inAppDir(QStringLiteral("stereo%1x%2.bmp").arg(w).arg(h));
        ASSERT_FALSE(platform::saveBmp(image, path).has_value());
        dialogs.queueFile(platform::FileChoice{path, QFileInfo(path).fileName()});
        trigger(Menu::mnuInsStereo);
        ASSERT_TRUE(waitUntil([&] { return !active()->Timer1()->isActive(); }));
    }
};

TEST_F(ActiveDocumentTest, StatusPanelsFollowTheActiveDocumentAndEmptyWithTheLast) {
    trigger(Menu::mnuMono);
    panes::DocumentWindow* withStereo = active();
    insertStereo(30, 20);
    EXPECT_EQ(frame->statusPanelText(5), QStringLiteral("30 × 20"));
    trigger(Menu::mnuFieldColor);
    panes::DocumentWindow* without = active();
    EXPECT_TRUE(frame->statusPanelText(5).isEmpty());

    const struct {
        panes::DocumentWindow* form;
        const char* size;
    } switches[] = {{withStereo, "30 × 20"}, {without, ""}, {withStereo, "30 × 20"}};
    for (const auto& to : switches) {
        activate(to.form);
        ASSERT_EQ(active(), to.form);
        EXPECT_EQ(frame->statusPanelText(5), QString::fromUtf8(to.size));
        EXPECT_EQ(frame->statusPanelText(1), to.form->labels().lblIniName);
    }

    for (panes::DocumentWindow* form : {withStereo, without}) {
        ASSERT_NE(frame->statusPanelText(2), QStringLiteral("繰返幅")) << "a value is on show";
        dialogs.queueAnswer(platform::Answer::No);
        ASSERT_TRUE(closeWindowOf(form));
    }
    EXPECT_TRUE(frame->statusPanelText(1).isEmpty());
    EXPECT_EQ(frame->statusPanelText(2), QStringLiteral("繰返幅"));
    EXPECT_EQ(frame->statusPanelText(3), QStringLiteral("立体度"));
    EXPECT_EQ(frame->statusPanelText(4), QStringLiteral("密度"));
    EXPECT_EQ(frame->statusPanelText(5), QStringLiteral("画像サイズ"));
}

TEST_F(ActiveDocumentTest, TheSharedControlsShowTheActiveWindowsOwnStateAndNothingElse) {
    // Every widget the state file covers shows the shown document's value.
    const auto viewShows = [this](const document::DocumentControls& model) {
        for (int i = 0; i < document::MenuCount; ++i) {
            const auto menu = static_cast<Menu>(i);
            EXPECT_EQ(frame->menuAction(menu)->isEnabled(), model.menuEnabled(menu))
                << document::menuName(menu);
        }
        for (int i = 1; i <= document::ToolbarButtonCount; ++i) {
            EXPECT_EQ(frame->toolbarButton(i)->isEnabled(), model.buttonEnabled(i)) << "button " << i;
        }
        for (int i = 0; i < document::SliderCount; ++i) {
            const auto which = static_cast<Slider>(i);
            EXPECT_EQ(frame->Text1(i)->isEnabled(), model.captionEnabled(i)) << "caption " << i;
            EXPECT_EQ(frame->slider(which)->isEnabled(), model.sliderEnabled(which)) << "slider " << i;
            EXPECT_EQ(frame->slider(which)->value(), model.sliderValue(which)) << "slider " << i;
        }
        EXPECT_EQ(frame->menuAction(Menu::mnuConvStart)->text(), model.convStartCaption());
    };
    const auto shownIsOwnedBy = [this](const panes::DocumentWindow* form) {
        const document::DocumentState* shown = &frame->shownDocument();
        for (panes::DocumentWindow* each : documents()) {
            EXPECT_EQ(shown == &each->model(), each == form) << each->windowTitle().toStdString();
        }
    };

    viewShows(frame->shownDocument().controls);
    shownIsOwnedBy(nullptr);

    frame->menuAction(Menu::mnuMono)->trigger();
    panes::DocumentWindow* mono = active();
    ASSERT_NE(mono, nullptr);
    shownIsOwnedBy(mono);
    // A user's move goes into the active document.
    frame->slider(Slider::sldRittaido)->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(mono->model().controls.sliderValue(Slider::sldRittaido), 21);
    viewShows(mono->model().controls);

    frame->menuAction(Menu::mnuFieldColor)->trigger();
    panes::DocumentWindow* field = active();
    ASSERT_NE(field, mono);
    shownIsOwnedBy(field);
    viewShows(field->model().controls);
    EXPECT_FALSE(field->model().controls.sliderEnabled(Slider::sldMitudo));
    // The other window's state stayed its own.
    EXPECT_EQ(mono->model().controls.sliderValue(Slider::sldRittaido), 21);
    EXPECT_TRUE(mono->model().controls.sliderEnabled(Slider::sldMitudo));
    EXPECT_EQ(mono->model().fields.StereoName, document::StereoKind::RandomDot);

    activate(mono);
    shownIsOwnedBy(mono);
    viewShows(mono->model().controls);
    EXPECT_EQ(frame->slider(Slider::sldRittaido)->value(), 21);

    for (panes::DocumentWindow* form : {mono, field}) {
        dialogs.queueAnswer(platform::Answer::No);
        ASSERT_TRUE(closeWindowOf(form));
    }
    // With no document the frame shows a state of its own: the no-document table.
    shownIsOwnedBy(nullptr);
    viewShows(frame->shownDocument().controls);
    EXPECT_FALSE(frame->menuEnabled(Menu::mnuSave));
    EXPECT_TRUE(frame->menuEnabled(Menu::mnuNew));
}

TEST_F(ActiveDocumentTest, APathTooLongForItsPanelIsCutAndShownWholeAsTheTip) {
    const auto* panel = frame->findChild<QLabel*>(QStringLiteral("Panel1"));
    ASSERT_NE(panel, nullptr);
    const QString shortPath = QStringLiteral("/tmp/a.qbd");
    const QString longPath =
        QStringLiteral("/home/user/") + QString(300, QLatin1Char('x')) + QStringLiteral("/b.qbd");
    const int frameWidth = frame->width();

    frame->setStatusPanelText(1, longPath);
    QCoreApplication::processEvents();
    EXPECT_EQ(frame->statusPanelText(1), longPath);
    EXPECT_NE(panel->text(), longPath);
    EXPECT_TRUE(panel->text().contains(QChar(0x2026))) << "cut with an ellipsis";
    EXPECT_EQ(panel->toolTip(), longPath);
    EXPECT_LE(frame->width(), frameWidth) << "a long path does not widen the window";

    frame->setStatusPanelText(1, shortPath);
    QCoreApplication::processEvents();
    EXPECT_EQ(panel->text(), shortPath);
    EXPECT_TRUE(panel->toolTip().isEmpty());
}

TEST_F(ActiveDocumentTest, AColourFieldDocumentKeepsDensityOffHoweverItCame) {
    // A colour-field document written by another copy, its density flag on.
    const QString path = inAppDir(QStringLiteral("field.qbd"));
    for (const auto& [key, value] : {std::pair{"StereoName", "Field"}, std::pair{"sldMitudoEnabled", "True"},
                                     std::pair{"knText2", "True"}}) {
        ASSERT_TRUE(document::IniFile::writeString(path, document::IniSectionName, QLatin1String(key),
                                                   QLatin1String(value)));
    }
    dialogs.queueFile(platform::FileChoice{path, QStringLiteral("field.qbd")});
    trigger(Menu::mnuOpen);
    ASSERT_TRUE(waitUntil([&] { return active() && !active()->Timer1()->isActive(); }));
    panes::DocumentWindow* opened = active();
    EXPECT_FALSE(frame->sliderEnabled(Slider::sldMitudo));
    EXPECT_FALSE(frame->captionEnabled(2));
    EXPECT_TRUE(frame->sliderEnabled(Slider::sldKurikaesi));

    trigger(Menu::mnuMono);
    EXPECT_TRUE(frame->sliderEnabled(Slider::sldMitudo));
    activate(opened);
    EXPECT_FALSE(frame->sliderEnabled(Slider::sldMitudo)) << "and after a switch back";
    EXPECT_FALSE(frame->captionEnabled(2));
}

// ---- slider moves reach the file in batches, and the file is current before anything reads it -----

class SliderWritesTest : public FrameTest {
protected:
    QString repeatWidthIn(const panes::DocumentWindow* form) const {
        return iniValue(form->labels().lblIniName, "KurikaesiHaba");
    }
    void drag(int steps) {
        for (int i = 0; i < steps; ++i) {
            frame->slider(Slider::sldKurikaesi)->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        }
    }
};

TEST_F(SliderWritesTest, ADragWritesOnceItPausesNotAtEveryStep) {
    trigger(Menu::mnuMono);
    panes::DocumentWindow* form = active();
    ASSERT_TRUE(waitUntil([&] { return repeatWidthIn(form) == QStringLiteral("70"); }));
    drag(30);
    EXPECT_EQ(frame->statusPanelText(2), QStringLiteral("100"));
    EXPECT_EQ(repeatWidthIn(form), QStringLiteral("70")) << "no write in the middle of the drag";
    EXPECT_TRUE(waitUntil([&] { return repeatWidthIn(form) == QStringLiteral("100"); }));
}

// A working file that has gone meanwhile (its window gave it up) is not brought back by a write
// still waiting.
TEST_F(SliderWritesTest, APendingWriteDoesNotBringBackAWorkingFileThatHasGone) {
    trigger(Menu::mnuMono);
    panes::DocumentWindow* form = active();
    const QString path = form->labels().lblIniName;
    ASSERT_TRUE(waitUntil([&] { return repeatWidthIn(form) == QStringLiteral("70"); }));
    drag(5);
    auto* timer = frame->findChild<QTimer*>(QStringLiteral("stateWriteTimer"));
    ASSERT_TRUE(timer && timer->isActive());
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(waitUntil([&] { return !timer->isActive(); }));
    EXPECT_FALSE(QFileInfo::exists(path));
}

TEST_F(SliderWritesTest, TheFileIsCurrentBeforeAnythingReadsIt) {
    using Documents = std::function<void(panes::DocumentWindow * moved, panes::DocumentWindow * other)>;
    const struct {
        const char* reader;
        Documents read;
    } rows[] = {
        {"activation of another window",
         [this](panes::DocumentWindow*, panes::DocumentWindow* other) { activate(other); }},
        {"a new document",
         [this](panes::DocumentWindow*, panes::DocumentWindow*) { trigger(Menu::mnuColor); }},
        {"the close question",
         [this](panes::DocumentWindow* moved, panes::DocumentWindow*) {
             dialogs.queueAnswer(platform::Answer::Cancel);
             EXPECT_FALSE(closeWindowOf(moved));
         }},
        {"a command (conversion start)",
         // Start is off without a Design picture, and inserting one would write the file itself.
         [this](panes::DocumentWindow*, panes::DocumentWindow*) { frame->mnuConvStart_Click(); }},
        {"exit",
         [this](panes::DocumentWindow*, panes::DocumentWindow*) {
             dialogs.queueAnswer(platform::Answer::Cancel);
             EXPECT_FALSE(frame->close());
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.reader);
        trigger(Menu::mnuMono);
        panes::DocumentWindow* other = active();
        trigger(Menu::mnuMono);
        panes::DocumentWindow* moved = active();
        ASSERT_TRUE(waitUntil([&] { return repeatWidthIn(moved) == QStringLiteral("70"); }));
        drag(5);
        ASSERT_EQ(repeatWidthIn(moved), QStringLiteral("70")) << "still held back";
        row.read(moved, other);
        EXPECT_EQ(repeatWidthIn(moved), QStringLiteral("75"));
        EXPECT_EQ(repeatWidthIn(other), QStringLiteral("70")) << "and nowhere else";
        moved->Timer1()->stop();
        for (panes::DocumentWindow* form : documents()) {
            dialogs.queueAnswer(platform::Answer::No);
            ASSERT_TRUE(closeWindowOf(form));
        }
    }
}

} // namespace
} // namespace quarbel::testing
