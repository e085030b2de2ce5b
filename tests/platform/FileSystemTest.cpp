// File names that name one file, and the advice a failed save gives: the cause the system really
// has, found on real mounts.

#include "platform/FileSystem.h"

#include "support/FailingWrites.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <sys/mount.h>
#include <unistd.h>

namespace quarbel::platform {
namespace {

using testing::SmallTmpfs;

const QString kNoFolder = QStringLiteral("保存先のフォルダーがありません。");
const QString kNoPermission = QStringLiteral("保存先に書き込む許可がありません。");
const QString kDiskFull = QStringLiteral("保存先のディスクに空きがありません。");
const QString kGeneral = QStringLiteral("保存先の空き容量と書き込みの許可を確かめてください。");

TEST(SameFile, TellsOneFileUnderAnySpelling) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.filePath(QStringLiteral("docs"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString file = folder + QStringLiteral("/a.qbd");
    ASSERT_TRUE(testing::writeBytes(file, "a"));
    ASSERT_TRUE(testing::writeBytes(folder + QStringLiteral("/b.qbd"), "a"));
    const QString linkedFolder = dir.filePath(QStringLiteral("linked"));
    ASSERT_TRUE(QFile::link(folder, linkedFolder));
    const QString hardLink = dir.filePath(QStringLiteral("hard.qbd"));
    ASSERT_EQ(::link(QFile::encodeName(file).constData(), QFile::encodeName(hardLink).constData()), 0);
    const QString missing = folder + QStringLiteral("/new.qbd");

    struct Case {
        const char* name;
        QString a;
        QString b;
        bool same;
    };
    const Case cases[] = {
        {"one spelling", file, file, true},
        {"through \"..\"", file, folder + QStringLiteral("/../docs/a.qbd"), true},
        {"through a linked folder", file, linkedFolder + QStringLiteral("/a.qbd"), true},
        {"a hard link", file, hardLink, true},
        {"a file not yet written, through a linked folder", missing,
         linkedFolder + QStringLiteral("/new.qbd"), true},
        {"two files with the same bytes", file, folder + QStringLiteral("/b.qbd"), false},
        {"two names not yet written", missing, folder + QStringLiteral("/other.qbd"), false},
        {"one name in two folders", missing, dir.filePath(QStringLiteral("new.qbd")), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(sameFile(c.a, c.b), c.same) << c.name;
        EXPECT_EQ(sameFile(c.b, c.a), c.same) << c.name << " (turned round)";
    }
}

TEST(WriteProblemAdvice, NamesTheCauseTheSystemShows) {
    const bool root = geteuid() == 0;
    struct Case {
        const char* name;
        bool needsRoot;
        // Prepares dir and gives the path whose write failed; the mount, if any, stays in mounts.
        QString (*prepare)(const QString& dir, std::unique_ptr<SmallTmpfs>& mount);
        const QString& advice;
    };
    const Case cases[] = {
        {"missing folder", false,
         [](const QString& dir, std::unique_ptr<SmallTmpfs>&) { return dir + QStringLiteral("/gone/a.qbd"); },
         kNoFolder},
        {"file without write permission", false,
         [](const QString& dir, std::unique_ptr<SmallTmpfs>&) {
             // Marked read-only: not replaced, even by the administrator.
             const QString path = dir + QStringLiteral("/locked.qbd");
             testing::writeBytes(path, "x");
             QFile::setPermissions(path, QFileDevice::ReadOwner);
             return path;
         },
         kNoPermission},
        {"read-only mount", true,
         [](const QString& dir, std::unique_ptr<SmallTmpfs>& mount) {
             const QString point = dir + QStringLiteral("/ro");
             mount = std::make_unique<SmallTmpfs>(point, 64);
             ::mount(nullptr, QFile::encodeName(point).constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr);
             return point + QStringLiteral("/a.qbd");
         },
         kNoPermission},
        {"full file system", true,
         [](const QString& dir, std::unique_ptr<SmallTmpfs>& mount) {
             const QString point = dir + QStringLiteral("/full");
             mount = std::make_unique<SmallTmpfs>(point, 64);
             mount->fill();
             return point + QStringLiteral("/a.qbd");
         },
         kDiskFull},
        // Room on the disk and a writable folder (a file-size limit, a quota): say what to check.
        {"writable folder with room", false,
         [](const QString& dir, std::unique_ptr<SmallTmpfs>&) { return dir + QStringLiteral("/a.qbd"); },
         kGeneral},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.needsRoot && !root) {
            continue;
        }
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        std::unique_ptr<SmallTmpfs> mount;
        const QString path = c.prepare(dir.path(), mount);
        if (mount) {
            ASSERT_TRUE(mount->mounted());
        }
        EXPECT_EQ(writeProblemAdvice(path), c.advice);
    }
}

} // namespace
} // namespace quarbel::platform
