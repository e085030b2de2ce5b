// Writes of documents, state files and settings on a file system that refuses the bytes: the
// write is reported, the old file keeps its content and no partial file is left beside it.

#include "document/DocumentState.h"
#include "document/IniFile.h"
#include "document/Settings.h"
#include "document/StateFile.h"
#include "support/FailingWrites.h"
#include "support/FakeSharedControls.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

using namespace quarbel::document;
using quarbel::testing::FakeSharedControls;
using quarbel::testing::FileSizeLimit;
using quarbel::testing::readBytes;
using quarbel::testing::SmallTmpfs;
using quarbel::testing::writeBytes;

namespace {

// An old document big enough that every rewrite of it is bigger than the limits below, small
// enough that the whole rewrite sits in one write buffer (the case a bare commit() gets wrong).
QByteArray oldDocument() {
    QByteArray bytes = "[Quarbel Ver.2]\r\nStereoName=RandomDot\r\nMONOorCOLOR=Mono\r\nKurikaesiHaba=120\r\n";
    for (int i = 0; i < 60; ++i) {
        bytes += "Note" + QByteArray::number(i) + "=kept\r\n";
    }
    return bytes;
}

struct WriteCase {
    const char* name;
    // Writes into path; the result the caller sees.
    std::function<bool(const QString& path)> write;
};

FakeSharedControls someControls() {
    FakeSharedControls controls;
    controls.sliderValues = {150, 33, 44};
    return controls;
}

const WriteCase kWrites[] = {
    {"one key",
     [](const QString& path) { return IniFile::writeString(path, IniSectionName, "Mitudo", "77"); }},
    {"whole window state",
     [](const QString& path) {
         DocumentFields state;
         state.IniPath = path;
         state.StereoName = StereoKind::Field;
         return SaveWindowState(state, someControls());
     }},
    {"setting",
     [](const QString& path) {
         return Settings(path, QStringLiteral("/app")).setValue(QStringLiteral("picDesignDir"), "/pictures");
     }},
    {"whole window state replacing the file",
     [](const QString& path) {
         DocumentFields state;
         state.IniPath = path;
         return ReplaceWithWindowState(state, someControls());
     }},
};

// Every name in dir except the ones expected there.
QStringList strayFiles(const QString& dir, const QStringList& expected) {
    QStringList names = QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : expected) {
        names.removeAll(name);
    }
    return names;
}

TEST(FailedWrites, FileSizeLimitKeepsTheOldFileAndReportsFailure) {
    for (const WriteCase& c : kWrites) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("doc.qbd"));
        const QByteArray old = oldDocument();
        ASSERT_TRUE(writeBytes(path, old));
        bool written = true;
        {
            const FileSizeLimit limit(256);
            ASSERT_TRUE(limit.active());
            written = c.write(path);
        }
        EXPECT_FALSE(written);
        EXPECT_EQ(readBytes(path), old);
        EXPECT_EQ(strayFiles(dir.path(), {QStringLiteral("doc.qbd")}), QStringList());
        // Without the limit the same write goes through: the failure above was the limit's.
        EXPECT_TRUE(c.write(path));
        EXPECT_NE(readBytes(path), old);
    }
}

TEST(FailedWrites, NewFileOnALimitedDiskIsNotCreated) {
    for (const WriteCase& c : kWrites) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("new.qbd"));
        bool written = true;
        {
            const FileSizeLimit limit(16);
            written = c.write(path);
        }
        EXPECT_FALSE(written);
        EXPECT_EQ(strayFiles(dir.path(), {}), QStringList());
    }
}

TEST(FailedWrites, FullFileSystemKeepsTheOldFileAndReportsFailure) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "mounting a tmpfs needs root";
    }
    for (const WriteCase& c : kWrites) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString mountPoint = dir.filePath(QStringLiteral("small"));
        const SmallTmpfs disk(mountPoint, 64);
        ASSERT_TRUE(disk.mounted());
        const QString path = mountPoint + QStringLiteral("/doc.qbd");
        const QByteArray old = oldDocument();
        ASSERT_TRUE(writeBytes(path, old));
        ASSERT_TRUE(disk.fill());

        EXPECT_FALSE(c.write(path));
        EXPECT_EQ(readBytes(path), old);
        EXPECT_EQ(strayFiles(mountPoint, {QStringLiteral("doc.qbd"), QStringLiteral("filler")}),
                  QStringList());
    }
}

} // namespace
