// The scripted dialogs stand in for the real ones in every window test, so they must choose as the
// real file dialog does: a default suffix added to a bare name, a choice in a missing folder
// refused and the next one taken, a cancel once the prepared answers run out.

#include "support/ScriptedDialogs.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace quarbel::testing {
namespace {

using platform::Answer;
using platform::FileChoice;
using platform::FileDialogRequest;

TEST(ScriptedDialogsTest, FileChoicesFollowTheRequest) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString here = dir.path();
    const QString missing = QDir(here).filePath(QStringLiteral("gone"));
    struct Row {
        const char* name;
        QString suffix;
        bool pathMustExist;
        QList<std::optional<FileChoice>> queued;
        std::optional<FileChoice> expected;
        int refused;
    };
    const auto in = [](const QString& folder, const char* title) {
        return FileChoice{QDir(folder).filePath(QLatin1String(title)), QLatin1String(title)};
    };
    const Row rows[] = {
        {"bare name gets the suffix", QStringLiteral("qbd"), false, {in(here, "a")}, in(here, "a.qbd"), 0},
        {"a name with a dot is kept",
         QStringLiteral("qbd"),
         false,
         {in(here, "a.txt")},
         in(here, "a.txt"),
         0},
        {"no suffix asked, none added", QString(), false, {in(here, "a")}, in(here, "a"), 0},
        {"missing folder refused, next taken",
         QStringLiteral("qbd"),
         true,
         {in(missing, "x"), in(here, "y")},
         in(here, "y.qbd"),
         1},
        {"missing folder allowed when not checked",
         QString(),
         false,
         {in(missing, "x")},
         in(missing, "x"),
         0},
        {"cancel prepared", QString(), false, {std::nullopt}, std::nullopt, 0},
        {"nothing prepared cancels", QString(), false, {}, std::nullopt, 0},
        {"only refused choices cancel", QString(), true, {in(missing, "x")}, std::nullopt, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScriptedDialogs dialogs;
        for (const auto& choice : row.queued) {
            dialogs.queueFile(choice);
        }
        FileDialogRequest request;
        request.defaultSuffix = row.suffix;
        request.pathMustExist = row.pathMustExist;
        request.initialDir = here;
        const std::optional<FileChoice> got = dialogs.saveFile(nullptr, request);
        ASSERT_EQ(got.has_value(), row.expected.has_value());
        if (got) {
            EXPECT_EQ(got->fullPath, row.expected->fullPath);
            EXPECT_EQ(got->fileTitle, row.expected->fileTitle);
        }
        ASSERT_EQ(dialogs.asked().size(), 1 + row.refused);
        EXPECT_EQ(dialogs.asked().front().kind, ScriptedDialogs::Asked::Save);
        EXPECT_EQ(dialogs.asked().front().text, here);
        for (int i = 1; i <= row.refused; ++i) {
            EXPECT_EQ(dialogs.asked()[i].kind, ScriptedDialogs::Asked::Refused);
        }
    }
}

TEST(ScriptedDialogsTest, QuestionsTakePreparedAnswersInOrderThenCancel) {
    ScriptedDialogs dialogs;
    dialogs.queueAnswer(Answer::No);
    dialogs.queueAnswer(Answer::Yes);
    EXPECT_EQ(dialogs.askYesNoCancel(nullptr, QStringLiteral("1")), Answer::No);
    EXPECT_EQ(dialogs.askYesNoCancel(nullptr, QStringLiteral("2")), Answer::Yes);
    EXPECT_EQ(dialogs.askYesNoCancel(nullptr, QStringLiteral("3")), Answer::Cancel);
    // confirm() is OK only for Yes.
    dialogs.queueAnswer(Answer::No);
    EXPECT_FALSE(dialogs.confirm(nullptr, QStringLiteral("4")));
    dialogs.message(nullptr, QStringLiteral("5"), platform::MessageIcon::Critical);
    ASSERT_EQ(dialogs.asked().size(), 5);
    EXPECT_EQ(dialogs.asked()[2].text, QStringLiteral("3"));
    EXPECT_EQ(dialogs.asked()[3].kind, ScriptedDialogs::Asked::Question);
    EXPECT_EQ(dialogs.asked()[4].kind, ScriptedDialogs::Asked::Message);
    EXPECT_EQ(dialogs.asked()[4].icon, platform::MessageIcon::Critical);
    dialogs.clearAsked();
    EXPECT_TRUE(dialogs.asked().isEmpty());
}

} // namespace
} // namespace quarbel::testing
