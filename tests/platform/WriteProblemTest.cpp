// The advice a failed save gives must name the cause the system really has, found on real mounts.

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
