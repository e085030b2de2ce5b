// The real editor under a private X server, driven by key presses as a user would: create a
// document, check its state file, end the program with "No" and check nothing is left behind.

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include "document/IniFile.h"
#include "document/StateFile.h"

namespace quarbel::testing {
namespace {

constexpr int kStepTimeoutMs = 15000;

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        m_editor = QStringLiteral(QUARBEL_BINARY_DIR "/app/quarbel");
        if (!QFileInfo(m_editor).isExecutable()) {
            GTEST_SKIP() << "the editor is not built: " << m_editor.toStdString();
        }
        for (const char* tool : {"Xvfb", "xdotool"}) {
            if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty()) {
                GTEST_SKIP() << tool << " is not installed";
            }
        }
        ASSERT_TRUE(m_dir.isValid());
        startServer();
    }

    void TearDown() override {
        for (QProcess* process : {&m_app, &m_server}) {
            if (process->state() != QProcess::NotRunning) {
                process->terminate();
                if (!process->waitForFinished(3000)) {
                    process->kill();
                    process->waitForFinished(3000);
                }
            }
        }
    }

    void startServer() {
        // -displayfd picks a free display and reports its number.
        m_server.setProgram(QStringLiteral("Xvfb"));
        m_server.setArguments({QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                               QStringLiteral("0"), QStringLiteral("1280x900x24"), QStringLiteral("-nolisten"),
                               QStringLiteral("tcp")});
        m_server.setProcessChannelMode(QProcess::SeparateChannels);
        m_server.start();
        if (!m_server.waitForStarted(5000)) {
            GTEST_SKIP() << "Xvfb does not start";
        }
        QElapsedTimer clock;
        clock.start();
        QByteArray out;
        while (!out.contains('\n') && clock.elapsed() < kStepTimeoutMs && m_server.state() == QProcess::Running) {
            m_server.waitForReadyRead(200);
            out += m_server.readAllStandardOutput();
        }
        bool ok = false;
        const int number = out.trimmed().toInt(&ok);
        if (!ok) {
            GTEST_SKIP() << "Xvfb reported no display: " << out.toStdString();
        }
        m_display = QStringLiteral(":%1").arg(number);
    }

    QProcessEnvironment xEnvironment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_display);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.remove(QStringLiteral("XAUTHORITY"));
        return env;
    }

    // Runs an X tool on the private display; its output, or an empty string on failure.
    QString xTool(const QString& program, const QStringList& arguments) const {
        QProcess tool;
        tool.setProcessEnvironment(xEnvironment());
        tool.start(program, arguments);
        if (!tool.waitForFinished(5000)) {
            tool.kill();
            tool.waitForFinished(1000);
            return {};
        }
        return QString::fromLocal8Bit(tool.readAllStandardOutput()).trimmed();
    }

    QStringList visibleWindowsNamed(const QString& pattern) const {
        return xTool(QStringLiteral("xdotool"),
                     {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), pattern})
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    bool waitFor(const std::function<bool()>& done) const {
        QElapsedTimer clock;
        clock.start();
        while (!done()) {
            if (clock.elapsed() > kStepTimeoutMs) {
                return false;
            }
            QThread::msleep(100);
        }
        return true;
    }

    void focusAndPress(const QString& window, const QStringList& keys) const {
        xTool(QStringLiteral("xdotool"), {QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
        for (const QString& key : keys) {
            xTool(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("--clearmodifiers"), key});
            QThread::msleep(150);
        }
    }

    QString inDir(const QString& name) const { return QDir(m_dir.path()).filePath(name); }

    QTemporaryDir m_dir;
    QString m_editor;
    QString m_display;
    QProcess m_server;
    QProcess m_app;
};

TEST_F(EndToEnd, NewDocumentByAcceleratorThenExitWithNoLeavesNoTemporaryFile) {
    // A copy of the editor, so that its folder, the application directory, is ours.
    const QString editor = inDir(QStringLiteral("quarbel"));
    ASSERT_TRUE(QFile::copy(m_editor, editor));
    QFile::setPermissions(editor, QFile::permissions(m_editor));

    m_app.setProcessEnvironment(xEnvironment());
    m_app.setWorkingDirectory(m_dir.path());
    m_app.start(editor, {});
    ASSERT_TRUE(m_app.waitForStarted(5000));

    QString frameWindow;
    ASSERT_TRUE(waitFor([&] {
        const QStringList windows = visibleWindowsNamed(QStringLiteral("^Quarbel$"));
        frameWindow = windows.isEmpty() ? QString() : windows.front();
        return !frameWindow.isEmpty();
    })) << "the main window did not appear";
    EXPECT_TRUE(xTool(QStringLiteral("xwininfo"), {QStringLiteral("-id"), frameWindow})
                    .contains(QStringLiteral("IsViewable")));
    EXPECT_FALSE(QFileInfo::exists(inDir(QStringLiteral("Quarbel1.tmp")))) << "no document at start-up";

    // F5: New -> random dot, monochrome.
    focusAndPress(frameWindow, {QStringLiteral("F5")});
    const QString stateFile = inDir(QStringLiteral("Quarbel1.tmp"));
    ASSERT_TRUE(waitFor([&] {
        return document::IniFile::readString(stateFile, document::IniSectionName, QStringLiteral("Mitudo"),
                                             QString()) == QLatin1String("30");
    })) << "Quarbel1.tmp was not written";
    int keys = 0;
    for (const document::StateKey& key : document::StateKeyTable()) {
        keys += document::IniFile::readString(stateFile, document::IniSectionName, QLatin1String(key.key),
                                              QStringLiteral("<missing>")) != QLatin1String("<missing>");
    }
    EXPECT_EQ(keys, document::StateKeyCount);
    EXPECT_EQ(document::IniFile::readString(stateFile, document::IniSectionName, QStringLiteral("StereoName"), {}),
              QStringLiteral("RandomDot"));
    EXPECT_EQ(document::IniFile::readString(stateFile, document::IniSectionName, QStringLiteral("MONOorCOLOR"), {}),
              QStringLiteral("Mono"));

    if (!QStandardPaths::findExecutable(QStringLiteral("import")).isEmpty()) {
        xTool(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                         QDir::temp().filePath(QStringLiteral("quarbel-e2e.png"))});
    }

    // File -> Exit; the document asks whether to save it: answer No.
    focusAndPress(frameWindow, {QStringLiteral("alt+f"), QStringLiteral("x")});
    QString question;
    ASSERT_TRUE(waitFor([&] {
        for (const QString& window : visibleWindowsNamed(QStringLiteral("^Quarbel$"))) {
            if (window != frameWindow) {
                question = window;
            }
        }
        return !question.isEmpty();
    })) << "no save question";
    focusAndPress(question, {QStringLiteral("alt+n")});

    ASSERT_TRUE(m_app.waitForFinished(kStepTimeoutMs)) << "the editor did not end";
    EXPECT_EQ(m_app.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(m_app.exitCode(), 0);
    EXPECT_TRUE(QDir(m_dir.path()).entryList({QStringLiteral("*.tmp")}, QDir::Files | QDir::Hidden).isEmpty());
}

} // namespace
} // namespace quarbel::testing
