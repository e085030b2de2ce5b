#include "document/RunStates.h"
#include "ui/FrameFixture.h"

#include <QAction>
#include <QShortcutEvent>
#include <gtest/gtest.h>

using namespace quarbel;
using document::Menu;
using quarbel::testing::FrameTest;

namespace {

// Delivers the item's shortcut the way the shortcut map does; true when the item fired.
bool pressShortcut(QAction* action) {
    bool fired = false;
    const auto connection = QObject::connect(action, &QAction::triggered, [&fired] { fired = true; });
    QShortcutEvent event(action->shortcut(), 0);
    QCoreApplication::sendEvent(action, &event);
    QObject::disconnect(connection);
    return fired;
}

} // namespace

class MenuShortcutTest : public FrameTest {};

TEST_F(MenuShortcutTest, ShortcutsOfItemsUnderADisabledMenuDoNothing) {
    trigger(Menu::mnuMono);
    // During a run the save-image items stay on while their menu is off.
    document::SetConvertRunning(*frame);
    for (Menu item : {Menu::mnuSaveStereo, Menu::mnuSaveDesign, Menu::mnuEditerBoot}) {
        QAction* action = frame->menuAction(item);
        ASSERT_TRUE(action->isEnabled());
        EXPECT_FALSE(pressShortcut(action)) << action->objectName().toStdString();
    }
    // Pause is reachable and still works from the keyboard.
    EXPECT_TRUE(pressShortcut(frame->menuAction(Menu::mnuConvStop)));

    EXPECT_TRUE(active()->pendingCommands().isEmpty());
    frame->setMenuEnabled(Menu::mnuSaveGazou, true);
    EXPECT_TRUE(pressShortcut(frame->menuAction(Menu::mnuSaveStereo)));
    const QList<panes::Command> posted{panes::Command(document::CommandTag::MDImnuSaveStereo)};
    EXPECT_EQ(active()->pendingCommands(), posted);
}
