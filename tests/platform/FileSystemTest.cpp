// File names that name one file, and the advice a failed save gives: the cause the system really
// has, found on real mounts.

#include "platform/FileSystem.h"

#include "support/FailingWrites.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <sys/mount.h>
#include <unistd.h>

namespace quarbel::platform {
namespace {

using testing::SmallTmpfs;

const QString kNameTooLong = QStringLiteral("ファイル名が長すぎます。短い名前にしてください。");
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

// While alive, permission checks (access(), which goes by the real user) are made for an ordinary
// user even when the test runs as the administrator, who may write anywhere.
class AsOrdinaryUser {
public:
    AsOrdinaryUser() {
        if (::getuid() == 0) {
            m_switched = ::setreuid(65534, 0) == 0;
        }
    }
    ~AsOrdinaryUser() {
        if (m_switched) {
            ::setreuid(0, 0);
        }
    }
    AsOrdinaryUser(const AsOrdinaryUser&) = delete;
    AsOrdinaryUser& operator=(const AsOrdinaryUser&) = delete;

private:
    bool m_switched = false;
};

TEST(WriteProblemAdvice, NamesWhatThePermissionsAndTheRoomShow) {
    struct Case {
        const char* name;
        // Prepares dir and gives the path whose write failed.
        QString (*prepare)(const QString& dir);
        qint64 bytesNeeded; // -1: far more than the disk has
        const QString& advice;
    };
    const Case cases[] = {
        {"missing folder", [](const QString& dir) { return dir + QStringLiteral("/gone/a.qbd"); }, 0,
         kNoFolder},
        // 86 characters of three bytes each: 258 bytes, more than a name may have.
        {"name too long",
         [](const QString& dir) { return dir + QLatin1Char('/') + QString(86, QChar(0x753B)); }, 0,
         kNameTooLong},
        {"name too long in a missing folder",
         [](const QString& dir) { return dir + QStringLiteral("/gone/") + QString(256, QLatin1Char('a')); },
         0, kNameTooLong},
        {"file marked read-only",
         [](const QString& dir) {
             // Not replaced, even by the administrator.
             const QString path = dir + QStringLiteral("/locked.qbd");
             testing::writeBytes(path, "x");
             QFile::setPermissions(path, QFileDevice::ReadOwner);
             return path;
         },
         0, kNoPermission},
        {"folder without write permission",
         [](const QString& dir) {
             const QString folder = dir + QStringLiteral("/folder");
             QDir().mkpath(folder);
             QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                               QFileDevice::ReadGroup | QFileDevice::ExeGroup |
                                               QFileDevice::ReadOther | QFileDevice::ExeOther);
             return folder + QStringLiteral("/a.qbd");
         },
         0, kNoPermission},
        {"folder without search permission",
         [](const QString& dir) {
             const QString folder = dir + QStringLiteral("/folder");
             QDir().mkpath(folder);
             QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                               QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                               QFileDevice::ReadOther | QFileDevice::WriteOther);
             return folder + QStringLiteral("/a.qbd");
         },
         0, kNoPermission},
        {"folder with room", [](const QString& dir) { return dir + QStringLiteral("/a.qbd"); }, 0, kGeneral},
        {"folder with less room than the picture needs",
         [](const QString& dir) { return dir + QStringLiteral("/a.bmp"); }, -1, kDiskFull},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        // Open to everyone, so only the prepared folder or file decides.
        const auto all = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                         QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                         QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
        ASSERT_TRUE(QFile::setPermissions(dir.path(), all));
        const QString path = c.prepare(dir.path());
        // Other programs free room meanwhile: twice the room and a gigabyte more stays out of reach.
        const qint64 needed = c.bytesNeeded >= 0
                                  ? c.bytesNeeded
                                  : 2 * QStorageInfo(dir.path()).bytesAvailable() + (qint64{1} << 30);
        const AsOrdinaryUser user;
        EXPECT_EQ(writeProblemAdvice(path, needed), c.advice);
    }
}

TEST(WriteProblemAdvice, NamesReadOnlyAndFullMountsAndOtherUsersFiles) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "mounting a tmpfs and owning a file for another user need root";
    }
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                      QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                                      QFileDevice::ExeOther));

    const QString readOnly = dir.filePath(QStringLiteral("ro"));
    const SmallTmpfs readOnlyDisk(readOnly, 64);
    ASSERT_TRUE(readOnlyDisk.mounted());
    ASSERT_EQ(
        ::mount(nullptr, QFile::encodeName(readOnly).constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr),
        0);
    EXPECT_EQ(writeProblemAdvice(readOnly + QStringLiteral("/a.qbd")), kNoPermission) << "read-only mount";

    const QString full = dir.filePath(QStringLiteral("full"));
    const SmallTmpfs fullDisk(full, 64);
    ASSERT_TRUE(fullDisk.mounted());
    ASSERT_TRUE(fullDisk.fill());
    EXPECT_EQ(writeProblemAdvice(full + QStringLiteral("/a.qbd")), kDiskFull) << "full file system";

    // The administrator's file, writable by him alone, as an ordinary user sees it.
    const QString theirs = dir.filePath(QStringLiteral("theirs.qbd"));
    ASSERT_TRUE(testing::writeBytes(theirs, "x"));
    ASSERT_TRUE(QFile::setPermissions(theirs, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ReadOther));
    const AsOrdinaryUser user;
    EXPECT_EQ(writeProblemAdvice(theirs), kNoPermission) << "another user's file";
}

} // namespace
} // namespace quarbel::platform
