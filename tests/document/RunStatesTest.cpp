#include "document/RunStates.h"

#include "document/StateFile.h"
#include "support/FakeSharedControls.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <set>
#include <string>

using namespace quarbel::document;
using quarbel::testing::FakeSharedControls;

namespace {

// What a run state leaves, as names, so a failure says which control is wrong.
struct Look {
    std::set<std::string> menusOn;
    std::set<int> buttonsOn;
    std::array<bool, 3> captions;
    std::array<bool, 3> sliders;
    QString startCaption;
};

Look lookOf(const FakeSharedControls& c) {
    Look look{{}, {}, c.captions, c.slidersEnabled, c.startCaption};
    for (int i = 0; i < MenuCount; ++i) {
        if (c.menus[static_cast<std::size_t>(i)]) {
            look.menusOn.insert(std::string(menuName(static_cast<Menu>(i))));
        }
    }
    for (int b = 1; b <= ToolbarButtonCount; ++b) {
        if (c.buttons[static_cast<std::size_t>(b)]) {
            look.buttonsOn.insert(b);
        }
    }
    return look;
}

const std::set<std::string> kRunningMenus{
    "mnuFile",     "mnuEnd",          "mnuSaveDesign", "mnuSaveField", "mnuSaveStereo",
    "mnuHensyuu",  "mnuEditerChoice", "mnuEditerBoot", "mnuIns",       "mnuConvert",
    "mnuConvStop", "mnuHelp",         "mnuInfomation", "mnuSetumei",
};

} // namespace

TEST(RunStates, RunningLeavesOnlyPauseQuitHelpAndTheSaveItemsWhateverCameBefore) {
    for (bool before : {true, false}) {
        FakeSharedControls c;
        c.setAll(before);
        c.startCaption = QStringLiteral("開始");
        SetConvertRunning(c);
        const Look look = lookOf(c);
        EXPECT_EQ(look.menusOn, kRunningMenus) << before;
        EXPECT_EQ(look.buttonsOn, (std::set<int>{5, 10, 12, 14})) << before;
        EXPECT_EQ(look.captions, (std::array<bool, 3>{false, false, false}));
        EXPECT_EQ(look.sliders, (std::array<bool, 3>{false, false, false}));
        EXPECT_EQ(look.startCaption, QStringLiteral("継続"));
    }
}

TEST(RunStates, PausedTurnsOnContinueAndAbortInTheMenuAndOnTheToolbar) {
    FakeSharedControls c;
    SetConvertRunning(c);
    SetConvertPaused(c);
    const Look look = lookOf(c);
    std::set<std::string> menus = kRunningMenus;
    menus.erase("mnuConvStop");
    menus.insert({"mnuConvStart", "mnuConvExit"});
    EXPECT_EQ(look.menusOn, menus);
    EXPECT_EQ(look.buttonsOn, (std::set<int>{5, 10, 11, 13, 14}));
    EXPECT_EQ(look.startCaption, QStringLiteral("継続"));
    EXPECT_EQ(look.sliders, (std::array<bool, 3>{false, false, false}));
}

TEST(RunStates, ReadyChangesOnlyTheConvertEntriesAndButtonsElevenToThirteen) {
    struct Case {
        bool before;
        std::set<std::string> menus;
        std::set<int> buttons;
    };
    std::set<std::string> allMenus;
    for (int i = 0; i < MenuCount; ++i) {
        allMenus.insert(std::string(menuName(static_cast<Menu>(i))));
    }
    std::set<std::string> allButStopAndExit = allMenus;
    allButStopAndExit.erase("mnuConvStop");
    allButStopAndExit.erase("mnuConvExit");
    const Case cases[] = {
        {true, allButStopAndExit, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 14}},
        {false, {"mnuConvStart"}, {11}},
    };
    for (const Case& k : cases) {
        FakeSharedControls c;
        c.setAll(k.before);
        c.startCaption = QStringLiteral("継続");
        SetConvertReady(c);
        const Look look = lookOf(c);
        EXPECT_EQ(look.menusOn, k.menus) << k.before;
        EXPECT_EQ(look.buttonsOn, k.buttons) << k.before;
        EXPECT_EQ(look.captions, (std::array<bool, 3>{k.before, k.before, k.before}));
        EXPECT_EQ(look.startCaption, QStringLiteral("開始"));
    }
}

TEST(RunStates, FinishedRestoresTheWindowsStateThenOpensTheSaveItemsByKindAndWritesItBack) {
    struct Case {
        StereoKind stereoName;
        bool saveField;
    };
    for (const Case& k : {Case{StereoKind::Field, true}, Case{StereoKind::RandomDot, false}}) {
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        DocumentFields state;
        state.IniPath = dir.filePath(QStringLiteral("Quarbel1.tmp"));
        // The window's state before the run: a new document that holds a Design image.
        FakeSharedControls before;
        before.setAll(false);
        for (Menu m : {Menu::mnuFile, Menu::mnuNew, Menu::mnuSaveName, Menu::mnuClose, Menu::mnuIns,
                       Menu::mnuInsDesign, Menu::mnuConvert, Menu::mnuConvStart, Menu::mnuHelp}) {
            before.setMenuEnabled(m, true);
        }
        before.setButtonEnabled(9, true);
        before.setButtonEnabled(11, true);
        before.captions = {true, true, true};
        before.slidersEnabled = {true, true, true};
        before.sliderValues = {70, 20, 30};
        state.StereoName = k.stereoName;
        ASSERT_TRUE(SaveWindowState(state, before));

        FakeSharedControls c;
        SetConvertRunning(c);
        SetConvertPaused(c);
        SetConvertFinished(state, c);
        const Look look = lookOf(c);
        std::set<std::string> menus{"mnuFile", "mnuNew",       "mnuSaveName",   "mnuClose",
                                    "mnuIns",  "mnuInsDesign", "mnuConvert",    "mnuConvStart",
                                    "mnuHelp", "mnuSaveGazou", "mnuSaveDesign", "mnuSaveStereo"};
        if (k.saveField) {
            menus.insert("mnuSaveField");
        }
        EXPECT_EQ(look.menusOn, menus) << DocumentKind(k.stereoName).text().toStdString();
        EXPECT_EQ(look.buttonsOn, (std::set<int>{9, 11})) << DocumentKind(k.stereoName).text().toStdString();
        EXPECT_EQ(look.captions, (std::array<bool, 3>{true, true, true}));
        EXPECT_EQ(look.sliders, (std::array<bool, 3>{true, true, true}));
        EXPECT_EQ(look.startCaption, QStringLiteral("開始"));

        // What the window finds when it is next activated is the finished state.
        FakeSharedControls reread;
        DocumentFields again;
        again.IniPath = state.IniPath;
        RestoreWindowState(again, reread);
        EXPECT_EQ(lookOf(reread).menusOn, menus) << DocumentKind(k.stereoName).text().toStdString();
        EXPECT_EQ(lookOf(reread).buttonsOn, (std::set<int>{9, 11}));
    }
}
