#include "document/Tags.h"

#include "document/EnableTable.h"
#include "support/FakeSharedControls.h"

#include <gtest/gtest.h>
#include <set>

using namespace quarbel::document;
using quarbel::testing::FakeSharedControls;

TEST(DocumentKind, ReadsTheTwoKindsAndKeepsAnyOtherTextAsItWas) {
    const struct {
        const char* text;
        StereoKind kind;
    } cases[] = {
        {"RandomDot", StereoKind::RandomDot},
        {"Field", StereoKind::Field},
        {"", StereoKind::Other},
        {"field", StereoKind::Other},
        {"RANDOMDOT", StereoKind::Other},
        {"RandomDot ", StereoKind::Other},
        {" Field", StereoKind::Other},
        {"Fiel", StereoKind::Other},
        {"Stereo3D", StereoKind::Other},
        {"ランダムドット", StereoKind::Other},
    };
    for (const auto& c : cases) {
        const QString text = QString::fromUtf8(c.text);
        const DocumentKind kind = DocumentKind::fromText(text);
        EXPECT_EQ(kind.kind(), c.kind) << c.text;
        EXPECT_EQ(kind.text(), text) << c.text;
        EXPECT_EQ(DocumentKind::fromText(kind.text()), kind) << c.text;
    }
}

TEST(DocumentKind, AKnownKindWritesItsDesignNameAndNoKindWritesNothing) {
    EXPECT_EQ(DocumentKind(StereoKind::RandomDot).text(), QStringLiteral("RandomDot"));
    EXPECT_EQ(DocumentKind(StereoKind::Field).text(), QStringLiteral("Field"));
    EXPECT_EQ(DocumentKind().text(), QString());
    EXPECT_EQ(DocumentKind().kind(), StereoKind::Other);
    // Two unknown texts are different documents' kinds, not one "other" kind.
    EXPECT_NE(DocumentKind::fromText(QStringLiteral("A")), DocumentKind::fromText(QStringLiteral("B")));
    EXPECT_EQ(DocumentKind::fromText(QStringLiteral("A")), StereoKind::Other);
}

TEST(Tags, EveryCommandTagAndPictureSourceHasItsDesignName) {
    const std::pair<CommandTag, const char*> commands[] = {
        {CommandTag::None, ""},
        {CommandTag::MDImnuSave, "MDImnuSave"},
        {CommandTag::MDImnuSaveName, "MDImnuSaveName"},
        {CommandTag::MDImnuSaveDesign, "MDImnuSaveDesign"},
        {CommandTag::MDImnuSaveField, "MDImnuSaveField"},
        {CommandTag::MDImnuSaveStereo, "MDImnuSaveStereo"},
        {CommandTag::MDImnuClose, "MDImnuClose"},
        {CommandTag::MDImnuPrint, "MDImnuPrint"},
        {CommandTag::MDImnuOpen, "MDImnuOpen"},
        {CommandTag::MDImnuConvStart, "MDImnuConvStart"},
        {CommandTag::MDImnuInsDesign, "MDImnuInsDesign"},
        {CommandTag::MDImnuInsField, "MDImnuInsField"},
        {CommandTag::MDImnuInsStereo, "MDImnuInsStereo"},
        {CommandTag::FromWizard, "FromWizard"},
        {CommandTag::MDImnuInsDepthMap, "MDImnuInsDepthMap"},
        {CommandTag::MDImnuConvReveal, "MDImnuConvReveal"},
    };
    ASSERT_EQ(std::size(commands), CommandTagNames.size()) << "a tag without a row here";
    for (const auto& [tag, text] : commands) {
        EXPECT_EQ(tagText(tag), text);
    }
    const std::pair<PicSource, const char*> sources[] = {
        {PicSource::None, ""},
        {PicSource::FromFile, "FromFile"},
        {PicSource::FromMDImnuOpen, "FromMDImnuOpen"},
        {PicSource::CBpicBefore, "CBpicBefore"},
        {PicSource::CBpicField, "CBpicField"},
        {PicSource::CBpicAfter, "CBpicAfter"},
    };
    ASSERT_EQ(std::size(sources), PicSourceNames.size()) << "a source without a row here";
    for (const auto& [source, text] : sources) {
        EXPECT_EQ(tagText(source), text);
    }
}

TEST(EnableTable, EachEntryReachesItsOwnControlAndALaterEntryWins) {
    FakeSharedControls c;
    c.setAll(false);
    const Enable table[] = {
        menuOn(Menu::mnuCopy),
        buttonOn(7),
        buttonMenuSet(9, 2, true),
        captionSet(1, true),
        sliderSet(Slider::sldMitudo, true),
        menuOn(Menu::mnuPaste),
        menuOff(Menu::mnuPaste),
    };
    applyEnables(c, table);

    std::set<Menu> menus;
    for (int i = 0; i < MenuCount; ++i) {
        if (c.menuEnabled(static_cast<Menu>(i))) {
            menus.insert(static_cast<Menu>(i));
        }
    }
    std::set<int> buttons;
    for (int i = 1; i <= ToolbarButtonCount; ++i) {
        if (c.buttonEnabled(i)) {
            buttons.insert(i);
        }
    }
    EXPECT_EQ(menus, (std::set<Menu>{Menu::mnuCopy}));
    EXPECT_EQ(buttons, (std::set<int>{7}));
    EXPECT_TRUE(c.buttonMenuEnabled(9, 2));
    EXPECT_EQ(c.captions, (std::array<bool, 3>{false, true, false}));
    EXPECT_EQ(c.slidersEnabled, (std::array<bool, 3>{false, false, true}));

    const Enable back[] = {buttonMenuSet(9, 2, false), captionSet(1, false), buttonOff(7)};
    applyEnables(c, back);
    EXPECT_FALSE(c.buttonMenuEnabled(9, 2));
    EXPECT_FALSE(c.captionEnabled(1));
    EXPECT_FALSE(c.buttonEnabled(7));
    EXPECT_TRUE(c.menuEnabled(Menu::mnuCopy)) << "entries not in the table stay";
}
