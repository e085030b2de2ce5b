#pragma once

// A main window on a temporary application directory with scripted dialogs.

#include "document/AppState.h"
#include "document/IniFile.h"
#include "panes/DocumentWindow.h"
#include "support/RecordingShell.h"
#include "support/ScriptedDialogs.h"
#include "support/Waits.h"
#include "ui/MainWindow.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

namespace quarbel::testing {

inline QStringList fileLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

inline QString iniValue(const QString& path, const char* key) {
    return document::IniFile::readString(path, document::IniSectionName, QLatin1String(key),
                                         QStringLiteral("<missing>"));
}

// True when the user can reach the item: it is enabled and so is every menu holding it.
inline bool reachable(const QAction* action) {
    if (!action->isEnabled()) {
        return false;
    }
    const QList<QObject*> holders = action->associatedObjects();
    return std::all_of(holders.begin(), holders.end(), [](QObject* holder) {
        const auto* menu = qobject_cast<const QMenu*>(holder);
        return !menu || reachable(menu->menuAction());
    });
}

// Chooses a menu item, drop-down entry or toolbar button as the user does: the frame's action of
// that object name, which must be there and reachable. False, and a failed test, otherwise.
inline bool trigger(ui::MainWindow& frame, const QString& name) {
    QAction* action = frame.findChild<QAction*>(name);
    if (!action || !reachable(action)) {
        ADD_FAILURE() << name.toStdString() << (action ? " cannot be chosen" : " does not exist");
        return false;
    }
    action->trigger();
    return true;
}

// Clicks the button of that object name in window as the user does; it must be there, shown and enabled.
inline bool press(QWidget* window, const QString& name) {
    auto* button = window ? window->findChild<QAbstractButton*>(name) : nullptr;
    if (!button || !button->isVisible() || !button->isEnabled()) {
        ADD_FAILURE() << name.toStdString() << (button ? " cannot be pressed" : " does not exist");
        return false;
    }
    QTest::mouseClick(button, Qt::LeftButton);
    return true;
}

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        QApplication::setQuitOnLastWindowClosed(false);
        ASSERT_TRUE(m_dir.isValid());
        state.appDir = m_dir.path();
        frame = std::make_unique<ui::MainWindow>(state, dialogs, shell);
        frame->MDIForm_Load();
    }

    void TearDown() override {
        frame.reset();
        QApplication::processEvents();
    }

    QString appDir() const { return m_dir.path(); }
    QString inAppDir(const QString& name) const { return QDir(m_dir.path()).filePath(name); }
    QStringList tmpFiles() const {
        return QDir(m_dir.path()).entryList({QStringLiteral("*.tmp")}, QDir::Files | QDir::Hidden);
    }

    panes::DocumentWindow* active() const { return frame->activeDocument(); }
    QList<panes::DocumentWindow*> documents() const { return frame->documentWindows(); }

    void activate(panes::DocumentWindow* form) {
        for (QMdiSubWindow* window : frame->mdiArea()->subWindowList()) {
            if (window->widget() == form) {
                frame->mdiArea()->setActiveSubWindow(window);
            }
        }
    }

    // Closes a document window as its close box does; true when it closed.
    bool closeWindowOf(panes::DocumentWindow* form) {
        for (QMdiSubWindow* window : frame->mdiArea()->subWindowList()) {
            if (window->widget() == form) {
                const bool closed = window->close();
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
                return closed;
            }
        }
        return false;
    }

    int sliderValue(document::Slider which) const { return frame->sliderValue(which); }
    // The document the frame's shared controls show: the active window's, or the frame's own.
    document::DocumentFields& doc() { return frame->shownDocument().fields; }

    bool trigger(document::Menu item) {
        const std::string_view name = document::menuName(item);
        return testing::trigger(*frame,
                                QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
    }
    bool trigger(const char* name) { return testing::trigger(*frame, QLatin1String(name)); }
    // Chooses the item and waits until the window it went to, and the one active after it (Open
    // makes one), have run every command queued; a window the command closed is done.
    template <typename Item> void triggerAndRun(Item item) {
        const QPointer<panes::DocumentWindow> form = active();
        const auto idle = [](const panes::DocumentWindow* w) {
            return !w || (!w->Timer1()->isActive() && w->pendingCommands().isEmpty());
        };
        if (trigger(item)) {
            EXPECT_TRUE(waitUntil([&] { return idle(form) && idle(active()); }));
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }

    // The same, with the file its dialog is answered with; nullopt cancels the dialog.
    template <typename Item> void triggerAndRun(Item item, const std::optional<QString>& chosen) {
        dialogs.queueFile(chosen ? std::optional(platform::FileChoice{*chosen, QFileInfo(*chosen).fileName()})
                                 : std::nullopt);
        triggerAndRun(item);
    }

    document::AppState state;
    testing::ScriptedDialogs dialogs;
    testing::RecordingShell shell;
    std::unique_ptr<ui::MainWindow> frame;

private:
    QTemporaryDir m_dir;
};

} // namespace quarbel::testing
