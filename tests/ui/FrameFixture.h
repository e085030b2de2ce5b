#pragma once

// A main window on a temporary application directory with scripted dialogs.

#include "document/AppState.h"
#include "document/IniFile.h"
#include "panes/DocumentWindow.h"
#include "support/RecordingShell.h"
#include "support/ScriptedDialogs.h"
#include "support/Waits.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

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

    document::AppState state;
    testing::ScriptedDialogs dialogs;
    testing::RecordingShell shell;
    std::unique_ptr<ui::MainWindow> frame;

private:
    QTemporaryDir m_dir;
};

} // namespace quarbel::testing
