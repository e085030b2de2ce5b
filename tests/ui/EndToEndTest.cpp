// The real editor under a private X server, driven by key presses as a user would: create a
// document, check its state file, end the program with "No" and check nothing is left behind;
// and a whole session from a design picture to a saved stereo picture whose pixels are checked.

#include "document/IniFile.h"
#include "document/StateFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace quarbel::testing {
namespace {

// Only a guard against a hung editor: every step waits for what it looks for (a window, a file's
// content) and gives up at once when the editor has ended, so a slow machine or a sanitizer build
// only takes longer; the test runner's own limit lies above this.
constexpr int kStepTimeoutMs = 120000;

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
                               QStringLiteral("0"), QStringLiteral("1280x900x24"),
                               QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        m_server.setProcessChannelMode(QProcess::SeparateChannels);
        m_server.start();
        if (!m_server.waitForStarted(5000)) {
            GTEST_SKIP() << "Xvfb does not start";
        }
        QElapsedTimer clock;
        clock.start();
        QByteArray out;
        while (!out.contains('\n') && clock.elapsed() < kStepTimeoutMs &&
               m_server.state() == QProcess::Running) {
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
        // A tool that has not ended within seconds on a loaded machine is slow, not hung.
        if (!tool.waitForFinished(kStepTimeoutMs)) {
            tool.kill();
            tool.waitForFinished(1000);
            return {};
        }
        return QString::fromLocal8Bit(tool.readAllStandardOutput()).trimmed();
    }

    QStringList visibleWindowsNamed(const QString& pattern) const {
        return xTool(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                                 QStringLiteral("--name"), pattern})
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    bool waitFor(const std::function<bool()>& done) const {
        QElapsedTimer clock;
        clock.start();
        while (!done()) {
            if (clock.elapsed() > kStepTimeoutMs || m_app.state() == QProcess::NotRunning) {
                return done();
            }
            QThread::msleep(100);
        }
        return true;
    }

    void focusAndPress(const QString& window, const QStringList& keys) const {
        xTool(QStringLiteral("xdotool"), {QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
        // One call sends the keys in order and the editor handles each before the next (a menu the
        // first opens takes the second), so no pause between them is needed.
        if (!keys.isEmpty()) {
            xTool(QStringLiteral("xdotool"),
                  QStringList{QStringLiteral("key"), QStringLiteral("--clearmodifiers")} + keys);
        }
    }

    QString stateValue(const QString& key) const {
        return document::IniFile::readString(inDir(QStringLiteral("Quarbel1.tmp")), document::IniSectionName,
                                             key, QString());
    }

    // Starts a copy of the editor, so that its folder, the application directory, is ours, and
    // waits for its main window; an empty string when it does not appear.
    QString startEditor() {
        const QString editor = inDir(QStringLiteral("quarbel"));
        if (!QFile::copy(m_editor, editor)) {
            return {};
        }
        QFile::setPermissions(editor, QFile::permissions(m_editor));
        m_app.setProcessEnvironment(xEnvironment());
        m_app.setWorkingDirectory(m_dir.path());
        m_app.start(editor, {});
        if (!m_app.waitForStarted(5000)) {
            return {};
        }
        QString frameWindow;
        waitFor([&] {
            const QStringList windows = visibleWindowsNamed(QStringLiteral("^Quarbel$"));
            frameWindow = windows.isEmpty() ? QString() : windows.front();
            return !frameWindow.isEmpty();
        });
        return frameWindow;
    }

    // The visible window of the editor other than its main window (a dialog); empty when none comes.
    QString waitForDialog(const QString& frameWindow) const {
        QString dialog;
        waitFor([&] {
            const QStringList windows = xTool(QStringLiteral("xdotool"),
                                              {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                               QStringLiteral("--pid"), QString::number(m_app.processId())})
                                            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            for (const QString& window : windows) {
                if (window != frameWindow) {
                    dialog = window;
                }
            }
            return !dialog.isEmpty();
        });
        return dialog;
    }

    // Types a full path into the file dialog now open and accepts it.
    void answerFileDialog(const QString& frameWindow, const QString& path) const {
        const QString dialog = waitForDialog(frameWindow);
        ASSERT_FALSE(dialog.isEmpty()) << "no file dialog";
        focusAndPress(dialog, {QStringLiteral("ctrl+a")});
        xTool(QStringLiteral("xdotool"), {QStringLiteral("type"), QStringLiteral("--clearmodifiers"), path});
        focusAndPress(dialog, {QStringLiteral("Return")});
    }

    // File -> Exit, answering No to the save question; the editor must end cleanly and leave no state file.
    void exitWithNo(const QString& frameWindow) {
        focusAndPress(frameWindow, {QStringLiteral("alt+f"), QStringLiteral("x")});
        const QString question = waitForDialog(frameWindow);
        ASSERT_FALSE(question.isEmpty()) << "no save question";
        EXPECT_TRUE(visibleWindowsNamed(QStringLiteral("^Quarbel$")).contains(question));
        focusAndPress(question, {QStringLiteral("alt+n")});

        ASSERT_TRUE(m_app.waitForFinished(kStepTimeoutMs)) << "the editor did not end";
        EXPECT_EQ(m_app.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(m_app.exitCode(), 0);
        EXPECT_TRUE(
            QDir(m_dir.path()).entryList({QStringLiteral("*.tmp")}, QDir::Files | QDir::Hidden).isEmpty());
    }

    QString inDir(const QString& name) const { return QDir(m_dir.path()).filePath(name); }

    QTemporaryDir m_dir;
    QString m_editor;
    QString m_display;
    QProcess m_server;
    QProcess m_app;
};

TEST_F(EndToEnd, NewDocumentByAcceleratorThenExitWithNoLeavesNoTemporaryFile) {
    const QString frameWindow = startEditor();
    ASSERT_FALSE(frameWindow.isEmpty()) << "the main window did not appear";
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
    EXPECT_EQ(
        document::IniFile::readString(stateFile, document::IniSectionName, QStringLiteral("StereoName"), {}),
        QStringLiteral("RandomDot"));
    EXPECT_EQ(
        document::IniFile::readString(stateFile, document::IniSectionName, QStringLiteral("MONOorCOLOR"), {}),
        QStringLiteral("Mono"));

    if (!QStandardPaths::findExecutable(QStringLiteral("import")).isEmpty()) {
        xTool(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                         QDir::temp().filePath(QStringLiteral("quarbel-e2e.png"))});
    }

    ASSERT_NO_FATAL_FAILURE(exitWithNo(frameWindow));
}

TEST_F(EndToEnd, DesignToSavedStereoPictureByKeyboard) {
    // A design: black background (depth 0) with a white rectangle in the middle, palette colours.
    QImage design(200, 120, QImage::Format_Indexed8);
    design.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    design.fill(0);
    for (int y = 40; y < 80; ++y) {
        for (int x = 60; x < 140; ++x) {
            design.setPixel(x, y, 1);
        }
    }
    const QString designPath = inDir(QStringLiteral("design.bmp"));
    ASSERT_TRUE(design.save(designPath, "BMP"));

    const QString frameWindow = startEditor();
    ASSERT_FALSE(frameWindow.isEmpty()) << "the main window did not appear";

    // F5: New -> random dot, monochrome.
    focusAndPress(frameWindow, {QStringLiteral("F5")});
    ASSERT_TRUE(waitFor([&] {
        return stateValue(QStringLiteral("StereoName")) == QLatin1String("RandomDot");
    })) << "Quarbel1.tmp was not written";

    // Ctrl+G: Insert -> Design picture, chosen in the file dialog; the insertion saves the state.
    focusAndPress(frameWindow, {QStringLiteral("ctrl+g")});
    ASSERT_NO_FATAL_FAILURE(answerFileDialog(frameWindow, designPath));
    ASSERT_TRUE(waitFor([&] { return stateValue(QStringLiteral("PicDesignPath")) == designPath; }))
        << "the design was not inserted";
    EXPECT_EQ(stateValue(QStringLiteral("mnuSaveStereo")), QStringLiteral("False"))
        << "nothing converted yet";
    EXPECT_EQ(stateValue(QStringLiteral("mnuConvStart")), QStringLiteral("True"));

    // F6: Convert -> Start; the end of the run saves the state with the stereo picture savable
    // and Start enabled again (during the run Start is off).
    focusAndPress(frameWindow, {QStringLiteral("F6")});
    ASSERT_TRUE(waitFor([&] {
        return stateValue(QStringLiteral("mnuSaveStereo")) == QLatin1String("True") &&
               stateValue(QStringLiteral("mnuConvStart")) == QLatin1String("True");
    })) << "the conversion did not finish";

    // Ctrl+A: Save picture -> Stereo, named in the save dialog.
    const QString stereoPath = inDir(QStringLiteral("stereo.bmp"));
    focusAndPress(frameWindow, {QStringLiteral("ctrl+a")});
    ASSERT_NO_FATAL_FAILURE(answerFileDialog(frameWindow, stereoPath));
    QImage stereo;
    ASSERT_TRUE(waitFor([&] { return stereo.load(stereoPath); })) << "the stereo picture was not saved";

    ASSERT_EQ(stereo.size(), QSize(200, 120));
    int black = 0;
    int white = 0;
    for (int y = 0; y < stereo.height(); ++y) {
        for (int x = 0; x < stereo.width(); ++x) {
            const QRgb pixel = stereo.pixel(x, y) & 0xFFFFFF;
            black += pixel == 0x000000;
            white += pixel == 0xFFFFFF;
        }
    }
    EXPECT_EQ(black + white, 200 * 120) << "monochrome dots only";
    EXPECT_GT(black, 200 * 120 / 10);
    EXPECT_GT(white, 200 * 120 / 10);

    // Where the design is black (depth 0) the dots repeat every 70 pixels; unrelated random dots
    // would agree on only about half of the pairs.
    int agree = 0;
    int pairs = 0;
    for (int x = 71; x <= 129; ++x) {
        ++pairs;
        agree += stereo.pixel(x, 5) == stereo.pixel(x + 70, 5);
    }
    EXPECT_GE(agree * 10, pairs * 9) << agree << " of " << pairs << " pairs repeat";

    focusAndPress(frameWindow, {});
    ASSERT_NO_FATAL_FAILURE(exitWithNo(frameWindow));
}

} // namespace
} // namespace quarbel::testing
