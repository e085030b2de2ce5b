#include "ui/MenuTables.h"

#include "support/FakeSharedControls.h"

#include <gtest/gtest.h>
#include <set>

using namespace quarbel::document;
using quarbel::testing::FakeSharedControls;
using quarbel::ui::applyNewDocumentMenus;
using quarbel::ui::ResetMenus;

namespace {

std::set<Menu> enabledMenus(const FakeSharedControls& c) {
    std::set<Menu> out;
    for (int i = 0; i < MenuCount; ++i) {
        if (c.menus[static_cast<std::size_t>(i)]) {
            out.insert(static_cast<Menu>(i));
        }
    }
    return out;
}

std::set<int> enabledButtons(const FakeSharedControls& c) {
    std::set<int> out;
    for (int i = 1; i <= ToolbarButtonCount; ++i) {
        if (c.buttons[static_cast<std::size_t>(i)]) {
            out.insert(i);
        }
    }
    return out;
}

} // namespace

TEST(MenuTables, NoDocumentLeavesOnlyNewOpenExitEditorWindowAndHelpUsable) {
    for (bool start : {true, false}) {
        FakeSharedControls c;
        c.setAll(start);
        ResetMenus(c);
        const std::set<Menu> expected{
            Menu::mnuFile,       Menu::mnuNew,     Menu::mnuWizard,       Menu::mnuFieldColor,
            Menu::mnuColor,      Menu::mnuMono,    Menu::mnuOpen,         Menu::mnuEnd,
            Menu::mnuHensyuu,    Menu::mnuEditer,  Menu::mnuEditerChoice, Menu::mnuEditerBoot,
            Menu::mnuIns,        Menu::mnuConvert, Menu::mnuWindow,       Menu::mnuHelp,
            Menu::mnuInfomation, Menu::mnuSetumei,
        };
        EXPECT_EQ(enabledMenus(c), expected);
        // New and Open, and the separators that keep their own flags.
        EXPECT_EQ(enabledButtons(c), (std::set<int>{1, 2, 5, 10, 14}));
        EXPECT_EQ(c.captions, (std::array<bool, 3>{false, false, false}));
        EXPECT_EQ(c.slidersEnabled, (std::array<bool, 3>{false, false, false}));
        // The Ins button's Field entry is left as it was.
        EXPECT_EQ(c.buttonMenuEnabled(9, 2), start);
    }
}

TEST(MenuTables, NewDocumentEnablesEditingEntriesByKindAndLeavesPasteAlone) {
    struct Case {
        StereoKind stereoName;
        bool fieldInsert;
    };
    for (const Case& k :
         {Case{StereoKind::RandomDot, false}, Case{StereoKind::Field, true}, Case{StereoKind::Other, true}}) {
        for (bool paste : {true, false}) {
            FakeSharedControls c;
            c.setAll(!paste);
            c.setMenuEnabled(Menu::mnuPaste, paste);
            c.setButtonEnabled(8, paste);
            applyNewDocumentMenus(c, k.stereoName);

            std::set<Menu> expected{
                Menu::mnuFile,         Menu::mnuNew,        Menu::mnuWizard,  Menu::mnuFieldColor,
                Menu::mnuColor,        Menu::mnuMono,       Menu::mnuOpen,    Menu::mnuSaveName,
                Menu::mnuClose,        Menu::mnuEnd,        Menu::mnuHensyuu, Menu::mnuEditer,
                Menu::mnuEditerChoice, Menu::mnuEditerBoot, Menu::mnuIns,     Menu::mnuInsDesign,
                Menu::mnuInsStereo,    Menu::mnuConvert,    Menu::mnuWindow,  Menu::mnuHelp,
                Menu::mnuInfomation,   Menu::mnuSetumei,
            };
            if (k.fieldInsert) {
                expected.insert(Menu::mnuInsField);
            }
            if (paste) {
                expected.insert(Menu::mnuPaste);
            }
            EXPECT_EQ(enabledMenus(c), expected) << DocumentKind(k.stereoName).text().toStdString() << paste;
            std::set<int> buttons{1, 2, 5, 9, 10, 14};
            if (paste) {
                buttons.insert(8);
            }
            EXPECT_EQ(enabledButtons(c), buttons);
            EXPECT_EQ(c.buttonMenuEnabled(9, 2), k.fieldInsert);
            EXPECT_EQ(c.captions, (std::array<bool, 3>{true, true, true}));
            EXPECT_EQ(c.slidersEnabled, (std::array<bool, 3>{true, true, true}));
        }
    }
}
