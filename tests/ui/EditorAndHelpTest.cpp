// Choosing and starting the external editor, and opening the help page, with nothing started.

#include "ui/EditorAndHelp.h"

#include "FrameFixture.h"
#include "document/Settings.h"
#include "support/RecordingShell.h"
#include "support/TestFiles.h"
#include "ui/HelpWindow.h"

#include <QApplication>
#include <QCoreApplication>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>

namespace quarbel::testing {
namespace {

using document::Menu;
using platform::FileChoice;
using platform::MessageIcon;
using Asked = testing::ScriptedDialogs::Asked;

QString helpPageIn(const QString& dir) {
    return QDir::toNativeSeparators(QDir(dir).filePath(ui::HelpPageName));
}

bool writeHelpPage(const QString& dir) {
    return QDir(dir).mkpath(QStringLiteral("Help")) && writeBytes(helpPageIn(dir), "<html></html>");
}

class EditorAndHelpTest : public FrameTest {
protected:
    document::Settings settings() const { return {state.SettingsPath, state.appDir}; }
    // The last message box, or an empty record when none was shown.
    Asked lastMessage() const {
        for (auto it = dialogs.asked().rbegin(); it != dialogs.asked().rend(); ++it) {
            if (it->kind == Asked::Message) {
                return *it;
            }
        }
        return {Asked::Open, {}, {}, MessageIcon::Question};
    }
};

TEST_F(EditorAndHelpTest, StartWithoutARegisteredEditorSaysSoAndStartsNothing) {
    const std::optional<QString> stored[] = {std::nullopt, QString(), QStringLiteral("   ")};
    for (const auto& value : stored) {
        if (value) {
            ASSERT_TRUE(settings().setValue(ui::EditorPathKey, *value));
        }
        dialogs.clearAsked();
        trigger(Menu::mnuEditerBoot);
        EXPECT_EQ(lastMessage().text, QStringLiteral("エディタが設定されていません..."))
            << value.value_or(QStringLiteral("absent")).toStdString();
        EXPECT_EQ(lastMessage().icon, MessageIcon::Information);
        EXPECT_TRUE(shell.requests().isEmpty());
    }
}

TEST_F(EditorAndHelpTest, CancelKeepsTheEditorChoosingReplacesItAndStartRunsItInTheAppDir) {
    const QString old = QStringLiteral("/usr/bin/old-editor");
    const QString fresh = QStringLiteral("/opt/paint/bin/paint");
    ASSERT_TRUE(settings().setValue(ui::EditorPathKey, old));
    dialogs.queueFile(std::nullopt);
    trigger(Menu::mnuEditerChoice);
    EXPECT_EQ(settings().value(ui::EditorPathKey), old);

    dialogs.queueFile(FileChoice{fresh, QStringLiteral("paint")});
    trigger(Menu::mnuEditerChoice);
    EXPECT_EQ(settings().value(ui::EditorPathKey), fresh);
    ASSERT_EQ(dialogs.asked().size(), 2);
    EXPECT_EQ(dialogs.asked()[1].request.initialDir, appDir());
#ifndef Q_OS_WIN
    // Programs without an extension must be visible under the dialog's first filter.
    EXPECT_EQ(dialogs.asked()[1].request.filter.section(QLatin1Char('|'), 1, 1), QStringLiteral("*"));
#endif

    trigger(Menu::mnuEditerBoot);
    ASSERT_EQ(shell.requests().size(), 1);
    EXPECT_EQ(shell.requests()[0].kind, RecordingShell::Request::Program);
    EXPECT_EQ(shell.requests()[0].path, fresh);
    EXPECT_EQ(shell.requests()[0].workingDir, appDir());
    EXPECT_EQ(dialogs.asked().size(), 2) << "a successful start shows nothing";

    shell.queueFailure(platform::pictureError(platform::ErrFileNotFound));
    trigger(Menu::mnuEditerBoot);
    EXPECT_EQ(lastMessage().text,
              QStringLiteral("エディタ「/opt/paint/bin/paint」が見つかりません。\r\n"
                             "［編集］→［エディタ］→［選択］で、エディタを選び直してください。"));
    EXPECT_EQ(lastMessage().icon, MessageIcon::Exclamation);
}

TEST(HelpPagePath, PrefersThePageBesideTheExecutableThenTheInstalledOne) {
    struct Row {
        bool besideExecutable;
        bool installed; // in share/quarbel beside the executable's bin folder
        bool inAppDir;
        int expected; // 0 none, 1 beside the executable, 2 installed, 3 in the application directory
    };
    const Row rows[] = {{true, true, true, 1},   {true, false, false, 1}, {false, true, true, 2},
                        {false, true, false, 2}, {false, false, true, 3}, {false, false, false, 0}};
    for (const Row& row : rows) {
        QTemporaryDir prefix;
        QTemporaryDir appDir;
        const QString exeDir = prefix.filePath(QStringLiteral("bin"));
        const QString installed = prefix.filePath(QStringLiteral("share/quarbel"));
        ASSERT_TRUE(QDir().mkpath(exeDir));
        ASSERT_TRUE((!row.besideExecutable || writeHelpPage(exeDir)) &&
                    (!row.installed || writeHelpPage(installed)) &&
                    (!row.inAppDir || writeHelpPage(appDir.path())));
        const QString expected[] = {QString(), helpPageIn(exeDir), helpPageIn(installed),
                                    helpPageIn(appDir.path())};
        EXPECT_EQ(ui::helpPagePath(exeDir, appDir.path()), expected[row.expected]) << row.expected;
    }
}

TEST_F(EditorAndHelpTest, AfterAMessageOrDialogClosesTheKeysReachTheMainWindowAgain) {
    ASSERT_TRUE(writeHelpPage(appDir()));
    const std::unique_ptr<platform::Dialogs> real = platform::makeQtDialogs();
    document::AppState ownState;
    ownState.appDir = appDir();
    RecordingShell ownShell;
    ui::MainWindow main(ownState, *real, ownShell);
    main.MDIForm_Load();
    main.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));

    // The keys go where a user's keys go: to the focused widget of the active window.
    const auto press = [](int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* target =
            QApplication::focusWidget() ? QApplication::focusWidget() : QApplication::activeWindow();
        if (target) {
            QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
        }
        return target != nullptr;
    };
    struct Case {
        const char* what;
        int key;
        Qt::KeyboardModifiers modifiers;
    };
    const Case cases[] = {
        {"the message that no editor is set", Qt::Key_E, Qt::ControlModifier},
        {"the file dialog choosing the editor", Qt::Key_W, Qt::ControlModifier},
        {"the about box", Qt::Key_I, Qt::ControlModifier},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        bool shown = false;
        QTimer::singleShot(0, [&shown] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                shown = true;
                modal->close();
            }
        });
        ASSERT_TRUE(press(c.key, c.modifiers));
        // The about box does not wait in a loop of its own.
        ASSERT_TRUE(waitUntil([&] { return shown; }));
        ASSERT_TRUE(waitUntil([&] { return QApplication::activeWindow() == &main; }))
            << "the focus stays with the closed window: "
            << (QApplication::activeWindow() ? QApplication::activeWindow()->metaObject()->className()
                                             : "none");
        const qsizetype before = ownShell.requests().size();
        ASSERT_TRUE(press(Qt::Key_F1));
        EXPECT_EQ(ownShell.requests().size(), before + 1) << "F1 opens the help page";
    }
}

TEST_F(EditorAndHelpTest, HelpNamesTheMissingPageThenOpensItWithADocumentOpen) {
    trigger(Menu::mnuMono);
    trigger(Menu::mnuSetumei);
    EXPECT_EQ(lastMessage().text, QStringLiteral("ヘルプファイルが見つかりません。\r\n") +
                                      helpPageIn(QCoreApplication::applicationDirPath()));
    EXPECT_EQ(lastMessage().icon, MessageIcon::Exclamation);
    EXPECT_TRUE(shell.requests().isEmpty());

    // The test program has no page beside it, so the application directory's is opened.
    ASSERT_TRUE(writeHelpPage(appDir()));
    dialogs.clearAsked();
    trigger(Menu::mnuSetumei);
    ASSERT_EQ(shell.requests().size(), 1);
    EXPECT_EQ(shell.requests()[0].kind, RecordingShell::Request::Document);
    EXPECT_EQ(shell.requests()[0].path, helpPageIn(appDir()));
    EXPECT_TRUE(dialogs.asked().isEmpty());
}

#ifndef Q_OS_WIN
TEST_F(EditorAndHelpTest, AnEditorThatCannotStartIsNamedWithWhatIsWrongInPlainJapanese) {
    const QString plain = inAppDir(QStringLiteral("paint.txt"));
    ASSERT_TRUE(writeBytes(plain, "not a program"));
    const QString again =
        QStringLiteral("\r\n［編集］→［エディタ］→［選択］で、エディタを選び直してください。");
    struct Row {
        QString editor;
        QString message;
    };
    const Row rows[] = {
        {inAppDir(QStringLiteral("gone/paint")), QStringLiteral("エディタ「") +
                                                     inAppDir(QStringLiteral("gone/paint")) +
                                                     QStringLiteral("」が見つかりません。") + again},
        {plain, QStringLiteral("エディタ「") + plain +
                    QStringLiteral(
                        "」を起動できません。実行できるプログラムではないか、実行が許可されていません。") +
                    again},
        {appDir(), QStringLiteral("エディタ「") + appDir() +
                       QStringLiteral("」はフォルダで、プログラムではありません。") + again},
    };
    const auto realShell = platform::makeQtShell();
    const ui::ShellCommandContext context{frame.get(),        dialogs,  *realShell,
                                          state.SettingsPath, appDir(), appDir()};
    for (const Row& row : rows) {
        ASSERT_TRUE(settings().setValue(ui::EditorPathKey, row.editor));
        dialogs.clearAsked();
        ui::startEditor(context);
        EXPECT_EQ(lastMessage().text, row.message);
        EXPECT_EQ(lastMessage().icon, MessageIcon::Exclamation);
    }
}
#endif

TEST_F(EditorAndHelpTest, WithoutABrowserTheHelpPageOpensInTheEditorsOwnWindow) {
    ASSERT_TRUE(writeHelpPage(appDir()));
    shell.queueFailure(platform::pictureError(platform::ErrDeviceUnavailable));
    trigger(Menu::mnuSetumei);
    auto* window = frame->findChild<ui::HelpWindow*>();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->browser()->source(), QUrl::fromLocalFile(helpPageIn(appDir())));
    EXPECT_TRUE(dialogs.asked().isEmpty()) << "no message, and never an error number";
    // Whole on the screen, however few pixels it has (a large scale factor), and over the program's
    // window, not in a corner of the screen (a frame's margins aside) when there is room for that.
    const QRect room = window->screen()->availableGeometry();
    const QRect help = window->frameGeometry();
    EXPECT_TRUE(room.contains(help)) << help.height() << " rows on " << room.height();
    if (help.width() < room.width() && help.height() < room.height()) {
        EXPECT_LE((help.center() - frame->frameGeometry().center()).manhattanLength(), 8)
            << "help at " << window->x() << "," << window->y();
    }

    // Escape closes it from the keyboard, wherever the focus is in it.
    QTest::keyClick(window->browser(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());

    // Asked again, the same window comes up; with a browser, no window.
    shell.queueFailure(platform::pictureError(platform::ErrDeviceUnavailable));
    trigger(Menu::mnuSetumei);
    EXPECT_EQ(frame->findChildren<ui::HelpWindow*>().size(), 1);
    EXPECT_TRUE(window->isVisible());
    window->close();
    trigger(Menu::mnuSetumei);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(shell.requests().size(), 3);
}

// Every character of Japanese script, the ideographic space and full-width punctuation.
bool isJapanese(QChar c) {
    const auto script = c.script();
    const char16_t u = c.unicode();
    return script == QChar::Script_Han || script == QChar::Script_Hiragana ||
           script == QChar::Script_Katakana || (u >= 0x3000 && u <= 0x303F) || (u >= 0xFF00 && u <= 0xFFEF);
}

TEST_F(EditorAndHelpTest, TheBuiltHelpPageReadsCleanlyInTheHelpWindowAndEveryLinkResolves) {
    const QString builtDir = QStringLiteral(QUARBEL_BINARY_DIR "/app");
    ASSERT_FALSE(ui::helpPagePath(builtDir, QString()).isEmpty());
    shell.queueFailure(platform::pictureError(platform::ErrDeviceUnavailable));
    ui::openHelpPage({frame.get(), dialogs, shell, state.SettingsPath, appDir(), builtDir});
    auto* window = frame->findChild<ui::HelpWindow*>();
    ASSERT_NE(window, nullptr);
    const QTextDocument* page = window->browser()->document();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Quarbel の使い方"));

    QStringList anchors;
    QStringList links;
    for (QTextBlock block = page->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            anchors += format.anchorNames();
            if (format.isAnchor() && !format.anchorHref().isEmpty()) {
                links += format.anchorHref();
            }
        }
    }
    EXPECT_GE(links.size(), 9);
    for (const QString& link : links) {
        const QUrl url(link);
        if (link.startsWith(QLatin1Char('#'))) {
            EXPECT_TRUE(anchors.contains(link.mid(1))) << "no anchor for " << link.toStdString();
        } else if (url.scheme().isEmpty() || url.isLocalFile()) {
            EXPECT_TRUE(QFileInfo::exists(QDir(builtDir + QStringLiteral("/Help")).filePath(url.path())))
                << link.toStdString();
        }
    }

    // A line break inside a Japanese sentence must not show as a space.
    const QString text = page->toPlainText();
    for (qsizetype i = 1; i + 1 < text.size(); ++i) {
        if (text.at(i) == QLatin1Char(' ')) {
            EXPECT_FALSE(isJapanese(text.at(i - 1)) && isJapanese(text.at(i + 1)))
                << text.mid(std::max<qsizetype>(0, i - 12), 24).toStdString();
        }
    }
    // What a user asked about and did not find.
    for (const char* needed :
         {"一時停止中", "フィールド画像と同じ大きさ", "200ピクセル", "横向き", "Quarbel2.qbs", ".tmp",
          "BMPファイル", "深度推定", "拡大・縮小された画像も読み取れます"}) {
        EXPECT_TRUE(text.contains(QString::fromUtf8(needed))) << needed;
    }
}

TEST(HelpPage, IsBuiltBesideTheEditorAsJapaneseHtml) {
    const QByteArray bytes = readBytes(QStringLiteral(QUARBEL_BINARY_DIR "/app/Help/Help01.htm"));
    const QString text = QString::fromUtf8(bytes);
    ASSERT_FALSE(bytes.isEmpty());
    EXPECT_EQ(text.toUtf8(), bytes) << "not valid UTF-8";
    EXPECT_TRUE(text.contains(QStringLiteral("<meta charset=\"UTF-8\">")));
    for (const char* word : {"繰返幅", "立体度", "密度", "デザイン画像", "フィールド画像", "ステレオ画像"}) {
        EXPECT_TRUE(text.contains(QString::fromUtf8(word))) << word;
    }
}

} // namespace
} // namespace quarbel::testing
