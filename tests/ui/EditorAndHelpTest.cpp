// Choosing and starting the external editor, and opening the help page, with nothing started.

#include <QCoreApplication>

#include "FrameFixture.h"
#include "document/Settings.h"
#include "platform/Shell.h"
#include "support/TestFiles.h"
#include "ui/EditorAndHelp.h"

namespace quarbel::testing {
namespace {

using document::Menu;
using platform::FileChoice;
using platform::MessageIcon;
using platform::RecordingShell;
using Asked = platform::ScriptedDialogs::Asked;

QString helpPageIn(const QString& dir) {
    return QDir::toNativeSeparators(QDir(dir).filePath(ui::HelpPageName));
}

bool writeHelpPage(const QString& dir) {
    return QDir(dir).mkpath(QStringLiteral("Help")) && writeBytes(helpPageIn(dir), "<html></html>");
}

class EditorAndHelpTest : public FrameTest {
protected:

    document::Settings settings() const { return {state.SettingsPath, state.appDir}; }
    void trigger(Menu id) { frame->menuAction(id)->trigger(); }
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
              QStringLiteral("ｴﾗｰ番号  53Quarbel でｴﾗｰが発生しました。\r\nファイルが見つかりません。"));
    EXPECT_EQ(lastMessage().icon, MessageIcon::Exclamation);
}

TEST(HelpPagePath, PrefersThePageBesideTheExecutable) {
    struct Row {
        bool besideExecutable;
        bool inAppDir;
        int expected; // 0 none, 1 beside the executable, 2 in the application directory
    };
    const Row rows[] = {{true, true, 1}, {true, false, 1}, {false, true, 2}, {false, false, 0}};
    for (const Row& row : rows) {
        QTemporaryDir exeDir;
        QTemporaryDir appDir;
        ASSERT_TRUE((!row.besideExecutable || writeHelpPage(exeDir.path())) &&
                    (!row.inAppDir || writeHelpPage(appDir.path())));
        const QString expected[] = {QString(), helpPageIn(exeDir.path()), helpPageIn(appDir.path())};
        EXPECT_EQ(ui::helpPagePath(exeDir.path(), appDir.path()), expected[row.expected]) << row.expected;
    }
}

TEST_F(EditorAndHelpTest, HelpNamesTheMissingPageThenOpensItWithADocumentOpen) {
    frame->mnuMono_Click();
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
