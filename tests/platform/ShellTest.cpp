// The desktop launcher's own checks, and one real start to see the working folder it gives.

#include "platform/Shell.h"

#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace quarbel::platform {
namespace {

using testing::readBytes;
using testing::writeBytes;

TEST(QtShell, RefusesWhatCannotBeStartedWithTheMatchingErrorNumber) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString plain = dir.filePath(QStringLiteral("notes.txt"));
    ASSERT_TRUE(writeBytes(plain, "text"));

    struct Row {
        const char* what;
        QString path;
        int number;
    };
    const Row rows[] = {
        {"missing program", dir.filePath(QStringLiteral("absent")), ErrFileNotFound},
        {"empty program", QString(), ErrFileNotFound},
        {"folder as program", dir.path(), ErrPathFileAccess},
        {"file without execute permission", plain, ErrPermissionDenied},
    };
    const auto shell = makeQtShell();
    for (const Row& row : rows) {
        const auto error = shell->startProgram(row.path, dir.path());
        ASSERT_TRUE(error.has_value()) << row.what;
        EXPECT_EQ(error->number, row.number) << row.what;
        EXPECT_EQ(error->source, QStringLiteral("Quarbel")) << row.what;
        EXPECT_FALSE(error->description.isEmpty()) << row.what;
    }
}

#ifndef Q_OS_WIN
TEST(QtShell, StartsTheProgramWithoutWaitingInTheGivenWorkingFolder) {
    QTemporaryDir programDir;
    QTemporaryDir workDir;
    ASSERT_TRUE(programDir.isValid() && workDir.isValid());
    const QString program = programDir.filePath(QStringLiteral("editor.sh"));
    // Writes where it was started, renamed into place so the test never reads half a file.
    ASSERT_TRUE(writeBytes(program, "#!/bin/sh\npwd -P > where.part && mv where.part where.txt\n"));
    ASSERT_TRUE(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    EXPECT_FALSE(makeQtShell()->startProgram(program, workDir.path()).has_value());

    const QString where = QDir(workDir.path()).filePath(QStringLiteral("where.txt"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(where); }, 5000));
    EXPECT_EQ(QString::fromUtf8(readBytes(where)).trimmed(), QDir(workDir.path()).canonicalPath());
}

// The desktop's opener is looked for on PATH; a fake one stands in for it.
class OpenerOnPath {
public:
    explicit OpenerOnPath(const QByteArray& script) : m_oldPath(qgetenv("PATH")) {
        if (!script.isEmpty()) {
            const QString opener = m_dir.filePath(QStringLiteral("xdg-open"));
            writeBytes(opener, script);
            QFile::setPermissions(opener, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        qputenv("PATH", m_dir.path().toLocal8Bit());
    }
    ~OpenerOnPath() { qputenv("PATH", m_oldPath); }
    QString dir() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    QByteArray m_oldPath;
};

TEST(QtShell, APageOpensWhenTheOpenerSucceedsAndOtherwiseSaysItDidNot) {
    QTemporaryDir pages;
    const QString page = pages.filePath(QStringLiteral("Help01.htm"));
    ASSERT_TRUE(writeBytes(page, "<html></html>"));
    struct Row {
        const char* what;
        QByteArray opener; // empty: no opener installed
        QString page;
        bool opened;
    };
    const Row rows[] = {
        // Only the shell's own commands and absolute paths work with PATH reduced to the fake.
        {"opener finds a browser",
         "#!/bin/sh\nprintf %s \"$1\" > \"${0%/*}/arg.part\" && /bin/mv \"${0%/*}/arg.part\" "
         "\"${0%/*}/arg.txt\"\n",
         page, true},
        {"no browser: the opener fails", "#!/bin/sh\nexit 3\n", page, false},
        {"no opener at all", "", page, false},
        {"missing page", "#!/bin/sh\nexit 0\n", pages.filePath(QStringLiteral("absent.htm")), false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const OpenerOnPath path(row.opener);
        std::optional<bool> answer;
        makeQtShell()->openPage(row.page, [&answer](bool opened) { answer = opened; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return answer.has_value(); }, 10000));
        EXPECT_EQ(*answer, row.opened);
        if (row.opened) {
            EXPECT_EQ(QString::fromUtf8(readBytes(QDir(path.dir()).filePath(QStringLiteral("arg.txt")))),
                      page);
        }
    }
}
#endif

} // namespace
} // namespace quarbel::platform
