// The toolbar's buttons pressed with the mouse, as a user presses them: what each one sets off,
// and the state of the conversion buttons while a run is paused.

#include "FrameFixture.h"
#include "platform/Picture.h"

#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace quarbel::testing {
namespace {

using document::Menu;

class ToolbarTest : public FrameTest {
protected:
    QToolButton* buttonWidget(int index) const {
        const auto* toolbar = frame->findChild<QToolBar*>(QStringLiteral("Toolbar1"));
        return toolbar ? qobject_cast<QToolButton*>(toolbar->widgetForAction(frame->toolbarButton(index)))
                       : nullptr;
    }

    // A click on the button's face, left of a drop-down arrow.
    void press(int index) {
        QToolButton* button = buttonWidget(index);
        ASSERT_NE(button, nullptr) << index;
        ASSERT_TRUE(button->isEnabled()) << "button " << index;
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(4, button->height() / 2));
    }

    QString picture(const QString& name, QRgb colour, int w, int h) {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(colour);
        // A lighter square, so that a random-dot run has depths to shift.
        for (int y = h / 4; y < h * 3 / 4; ++y) {
            for (int x = w / 4; x < w * 3 / 4; ++x) {
                image.setPixel(x, y, qRgb(220, 220, 221));
            }
        }
        const QString path = inAppDir(name);
        EXPECT_FALSE(platform::saveBmp(image, path).has_value());
        return path;
    }

    bool timerIdle() const { return !active()->Timer1()->isActive(); }
};

TEST_F(ToolbarTest, EachButtonSetsOffItsOwnCommand) {
    struct Case {
        int button;
        document::CommandTag postedTag; // None: the command runs at once
        bool pauseRequested;
        bool abortRequested;
    };
    const Case cases[] = {
        {3, document::CommandTag::MDImnuSave, false, false},
        {4, document::CommandTag::MDImnuPrint, false, false},
        {9, document::CommandTag::MDImnuInsDesign, false, false},
        {11, document::CommandTag::MDImnuConvStart, false, false},
        {12, document::CommandTag::None, true, false},
        {13, document::CommandTag::None, true, true},
    };
    trigger(Menu::mnuMono);
    for (const Case& k : cases) {
        state.run.PauseRequested = false;
        state.run.AbortRequested = false;
        frame->setButtonEnabled(k.button, true);
        press(k.button);
        const QList<panes::Command> posted = active()->pendingCommands();
        if (k.postedTag != document::CommandTag::None) {
            ASSERT_EQ(posted.size(), 1) << "button " << k.button;
            EXPECT_EQ(posted[0].tag, k.postedTag) << "button " << k.button;
            EXPECT_TRUE(active()->Timer1()->isActive()) << "button " << k.button;
            // Only which command the button posts matters here, not the command itself: the window
            // closes and posts nothing more.
            panes::DocumentWindow* form = active();
            dialogs.queueAnswer(platform::Answer::No);
            ASSERT_TRUE(closeWindowOf(form));
            trigger(Menu::mnuMono);
        } else {
            EXPECT_TRUE(posted.isEmpty()) << "button " << k.button;
        }
        EXPECT_EQ(state.run.PauseRequested, k.pauseRequested) << "button " << k.button;
        EXPECT_EQ(state.run.AbortRequested, k.abortRequested) << "button " << k.button;
    }
}

TEST_F(ToolbarTest, OpenButtonAsksForADocument) {
    dialogs.queueFile(std::nullopt);
    press(2);
    ASSERT_EQ(dialogs.asked().size(), 1);
    EXPECT_EQ(dialogs.asked()[0].kind, testing::ScriptedDialogs::Asked::Open);
    EXPECT_TRUE(documents().isEmpty()) << "a cancelled choice opens nothing";
}

TEST_F(ToolbarTest, InsButtonPutsThePictureIntoTheDesignPane) {
    // A colour-field document shows both left panes, so a picture in the wrong one shows up.
    trigger(Menu::mnuFieldColor);
    panes::DocumentWindow* form = active();
    const QString path = picture(QStringLiteral("design.bmp"), qRgb(40, 40, 41), 30, 20);
    dialogs.queueFile(platform::FileChoice{path, QFileInfo(path).fileName()});
    press(9);
    ASSERT_TRUE(waitUntil([&] { return timerIdle(); }));
    EXPECT_EQ(doc().PicDesignPath, path);
    EXPECT_TRUE(doc().PicFieldPath.isEmpty());
    EXPECT_EQ(form->picBefore()->picture().size(), QSize(30, 20));
    EXPECT_NE(form->picField()->picture().size(), QSize(30, 20));
}

TEST_F(ToolbarTest, AfterAPauseTheAbortButtonIsUsableAndAbortsTheRun) {
    trigger(Menu::mnuMono);
    const QString path = picture(QStringLiteral("design.bmp"), qRgb(40, 40, 41), 64, 2000);
    dialogs.queueFile(platform::FileChoice{path, QFileInfo(path).fileName()});
    press(9);
    ASSERT_TRUE(waitUntil([&] { return timerIdle(); }));
    panes::DocumentWindow* form = active();

    press(11);
    ASSERT_TRUE(spinUntil([&] { return form->holdsRun(); }));
    EXPECT_FALSE(buttonWidget(13)->isEnabled()) << "no abort while running";
    press(12);
    ASSERT_TRUE(waitUntil([&] { return frame->menuEnabled(Menu::mnuConvExit); }));
    ASSERT_TRUE(state.run.Converting);

    EXPECT_TRUE(frame->buttonEnabled(13));
    EXPECT_TRUE(buttonWidget(13)->isEnabled());
    EXPECT_TRUE(buttonWidget(11)->isEnabled());
    EXPECT_FALSE(buttonWidget(12)->isEnabled());
    EXPECT_EQ(buttonWidget(11)->toolTip(), QStringLiteral("継続"));

    press(13);
    EXPECT_FALSE(state.run.Converting);
    EXPECT_TRUE(form->picAfter()->isHidden());
    EXPECT_FALSE(buttonWidget(13)->isEnabled());
    EXPECT_EQ(buttonWidget(11)->toolTip(), QStringLiteral("開始"));
}

TEST_F(ToolbarTest, OpeningADocumentDoesNotUseUpANewDocumentNumber) {
    const QString doc = inAppDir(QStringLiteral("saved.qbd"));
    ASSERT_TRUE(document::IniFile::writeString(doc, document::IniSectionName, QStringLiteral("StereoName"),
                                               QStringLiteral("RandomDot")));
    trigger(Menu::mnuMono);
    EXPECT_EQ(active()->windowTitle(), QStringLiteral("Quarbel1"));
    dialogs.queueFile(platform::FileChoice{doc, QStringLiteral("saved.qbd")});
    press(2);
    EXPECT_EQ(active()->windowTitle(), QStringLiteral("saved"));
    trigger(Menu::mnuMono);
    EXPECT_EQ(active()->windowTitle(), QStringLiteral("Quarbel2"));
    EXPECT_TRUE(QFileInfo::exists(inAppDir(QStringLiteral("Quarbel2.tmp"))));
    EXPECT_FALSE(QFileInfo::exists(inAppDir(QStringLiteral("Quarbel3.tmp"))));
}

} // namespace
} // namespace quarbel::testing
