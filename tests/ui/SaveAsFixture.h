#pragma once

// A frame with a folder for documents, and commands run through the active window's timer.

#include "FrameFixture.h"

#include <QAction>
#include <QPointer>
#include <QTemporaryDir>

namespace quarbel::testing {

class SaveAsTest : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        ASSERT_TRUE(m_docs.isValid());
    }
    QString docsDir() const { return m_docs.path(); }
    QString inDocs(const QString& name) const { return QDir(m_docs.path()).filePath(name); }
    void queueSave(const QString& name) { dialogs.queueFile(platform::FileChoice{inDocs(name), name}); }
    // Chooses a menu item as the user does and waits until the active window's timer has run what
    // it posted; a command that closes the window is done when the window is gone.
    void runRouted(document::Menu item) {
        const QPointer<panes::DocumentWindow> form = active();
        QAction* action = frame->menuAction(item);
        ASSERT_TRUE(action->isEnabled()) << action->objectName().toStdString();
        action->trigger();
        ASSERT_TRUE(waitUntil(
            [&] { return !form || (!form->Timer1()->isActive() && form->pendingCommands().isEmpty()); }));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

private:
    QTemporaryDir m_docs;
};

} // namespace quarbel::testing
