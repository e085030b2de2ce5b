#pragma once

// A frame with a folder for documents, and commands run through the active window's timer.

#include "FrameFixture.h"

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
    // Runs a command through the active window's timer and waits until the timer has run it; a
    // command that closes the window is done when the window is gone.
    void runRouted(void (ui::MainWindow::*command)()) {
        const QPointer<panes::DocumentWindow> form = active();
        (frame.get()->*command)();
        ASSERT_TRUE(waitUntil([&] { return !form || !form->Timer1()->isActive(); }));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

private:
    QTemporaryDir m_docs;
};

} // namespace quarbel::testing
