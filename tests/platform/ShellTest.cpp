// The desktop launcher's own checks, and one real start to see the working folder it gives.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "platform/Shell.h"
#include "support/TestFiles.h"

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
        bool program;
        int number;
    };
    const Row rows[] = {
        {"missing program", dir.filePath(QStringLiteral("absent")), true, ErrFileNotFound},
        {"empty program", QString(), true, ErrFileNotFound},
        {"folder as program", dir.path(), true, ErrPathFileAccess},
        {"file without execute permission", plain, true, ErrPermissionDenied},
        {"missing page", dir.filePath(QStringLiteral("Help/Help01.htm")), false, ErrFileNotFound},
        {"folder as page", dir.path(), false, ErrPathFileAccess},
    };
    const auto shell = makeQtShell();
    for (const Row& row : rows) {
        const auto error = row.program ? shell->startProgram(row.path, dir.path()) : shell->openDocument(row.path);
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
#endif

} // namespace
} // namespace quarbel::platform
