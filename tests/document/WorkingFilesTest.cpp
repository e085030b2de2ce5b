// Working state files shared by several running copies, and what a chosen document file is.

#include "document/AppPaths.h"
#include "document/DocumentFile.h"
#include "document/Settings.h"
#include "document/StateFileLocks.h"
#include "support/TestFiles.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace quarbel::document;
using quarbel::testing::readBytes;
using quarbel::testing::writeBytes;

namespace {

QStringList filesIn(const QString& dir) {
    QStringList names = QDir(dir).entryList(QDir::Files | QDir::Hidden);
    names.sort();
    return names;
}

} // namespace

TEST(WorkingFiles, OnlyTheProgramsOwnNamesAreStateFiles) {
    const std::pair<const char*, bool> cases[] = {
        {"Quarbel1.tmp", true},    {"Quarbel12.tmp", true},  {"QuarbelDoc3.tmp", true},
        {"Quarbel.tmp", false},    {"quarbel1.tmp", false},  {"Quarbel1.TMP", false},
        {"Quarbel1a.tmp", false},  {"xQuarbel1.tmp", false}, {"Quarbel1.tmp.lock", false},
        {"TMP12345.bmp", false},   {"notes.tmp", false},     {".hidden.tmp", false},
        {"QuarbelDoc.tmp", false}, {"Quarbel-1.tmp", false},
    };
    for (const auto& [name, expected] : cases) {
        EXPECT_EQ(isStateFileName(QLatin1String(name)), expected) << name;
    }
}

TEST(WorkingFiles, ClaimsPassOverHeldAndExistingNamesAndHoldTheirFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // Quarbel2 is held by another copy (its window has not written the file yet), Quarbel3 is a
    // leftover of a crashed run.
    ClaimedStateFile other = claimStateFile(dir.path(), NewDocumentStateStem, 2);
    ASSERT_EQ(other.number, 2);
    ASSERT_TRUE(writeBytes(pathInDir(dir.path(), QStringLiteral("Quarbel3.tmp")), "left over"));

    const ClaimedStateFile first = claimStateFile(dir.path(), NewDocumentStateStem, 1);
    const ClaimedStateFile second = claimStateFile(dir.path(), NewDocumentStateStem, 2);
    const ClaimedStateFile opened = claimStateFile(dir.path(), OpenedDocumentStateStem, 1);
    EXPECT_EQ(first.number, 1);
    EXPECT_EQ(second.number, 4);
    EXPECT_EQ(second.path, pathInDir(dir.path(), QStringLiteral("Quarbel4.tmp")));
    EXPECT_EQ(opened.path, pathInDir(dir.path(), QStringLiteral("QuarbelDoc1.tmp")));
    for (const ClaimedStateFile* claim : {&first, &second, &opened}) {
        ASSERT_NE(claim->lock, nullptr);
        EXPECT_TRUE(claim->lock->isLocked());
        EXPECT_EQ(holdStateFile(claim->path), nullptr) << "a held file cannot be held twice";
    }
    EXPECT_EQ(readBytes(pathInDir(dir.path(), QStringLiteral("Quarbel3.tmp"))), QByteArray("left over"));

    // Given up, the name is free again.
    other.lock.reset();
    EXPECT_EQ(claimStateFile(dir.path(), NewDocumentStateStem, 2).number, 2);
}

TEST(WorkingFiles, CleanUpDeletesOnlyUnheldStateFiles) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ClaimedStateFile held = claimStateFile(dir.path(), NewDocumentStateStem, 1);
    ASSERT_TRUE(writeBytes(held.path, "mine, open"));
    for (const char* name : {"Quarbel5.tmp", "QuarbelDoc2.tmp", "notes.tmp", ".x.tmp", "Quarbel5.bmp"}) {
        ASSERT_TRUE(writeBytes(pathInDir(dir.path(), QLatin1String(name)), "x"));
    }

    EXPECT_EQ(removeUnheldStateFiles(dir.path()), 2);
    EXPECT_EQ(filesIn(dir.path()),
              (QStringList{QStringLiteral(".x.tmp"), QStringLiteral("Quarbel1.tmp"),
                           QStringLiteral("Quarbel1.tmp.lock"), QStringLiteral("Quarbel5.bmp"),
                           QStringLiteral("notes.tmp")}));
    EXPECT_EQ(readBytes(held.path), QByteArray("mine, open"));

    held.lock.reset();
    EXPECT_EQ(removeUnheldStateFiles(dir.path()), 1);
    EXPECT_FALSE(QFileInfo::exists(held.path));
    EXPECT_FALSE(QFileInfo::exists(held.path + QStringLiteral(".lock")));
}

// A lock is given up only when the copy that wrote it is no longer running, never for its age: an
// editor may stay open for days (and a lock on a share may have no flock behind it).
TEST(WorkingFiles, ALockIsStaleOnlyWhenItsProgramIsNoLongerRunning) {
    const QByteArray running = QByteArray::number(QCoreApplication::applicationPid()) + '\n' +
                               QFileInfo(QCoreApplication::applicationFilePath()).fileName().toUtf8() + '\n' +
                               QSysInfo::machineHostName().toUtf8() + '\n';
    const struct {
        const char* what;
        QByteArray lock; // the lock file format QLockFile writes: pid, application name, host name
        bool removed;
    } cases[] = {
        // A pid beyond the kernel's limit belongs to no running process.
        {"no longer running", "2147483646\nquarbel\n\n", true},
        {"running, an hour old", running, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const QString path = pathInDir(dir.path(), QStringLiteral("Quarbel1.tmp"));
        ASSERT_TRUE(writeBytes(path, "state"));
        ASSERT_TRUE(writeBytes(path + QStringLiteral(".lock"), c.lock));
        QFile lockFile(path + QStringLiteral(".lock"));
        ASSERT_TRUE(lockFile.open(QIODevice::ReadWrite));
        ASSERT_TRUE(lockFile.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                         QFileDevice::FileModificationTime));
        lockFile.close();
        EXPECT_EQ(removeUnheldStateFiles(dir.path()), c.removed ? 1 : 0);
        EXPECT_EQ(QFileInfo::exists(path), !c.removed);
        EXPECT_EQ(holdStateFile(path) == nullptr, !c.removed);
        EXPECT_EQ(claimStateFile(dir.path(), NewDocumentStateStem, 1).number, c.removed ? 1 : 2);
    }
}

TEST(DocumentFile, KindsOfChosenFiles) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray utf16 =
        QByteArray("\xFF\xFE", 2) +
        QByteArray(reinterpret_cast<const char*>(u"[Quarbel Ver.2]\r\nStereoName=Field\r\n"), 36 * 2);
    struct Case {
        const char* name;
        QByteArray bytes;
        DocumentFileKind kind;
    };
    const Case cases[] = {
        {"plain.qbd", "[Quarbel Ver.2]\r\nStereoName=Field\r\n", DocumentFileKind::Quarbel},
        {"bom.qbd", "\xEF\xBB\xBF[Quarbel Ver.2]\r\n", DocumentFileKind::Quarbel},
        {"later.qbd", "; a note\n\n  [quarbel ver.2]  \nKurikaesiHaba=70\n", DocumentFileKind::Quarbel},
        {"lf.qbd", "[Other]\nx=1\n[Quarbel Ver.2]", DocumentFileKind::Quarbel},
        {"notes.qbd", "shopping list\r\nmilk\r\n", DocumentFileKind::Foreign},
        {"other.qbd", "[Quarbel Ver.1]\r\nx=1\r\n", DocumentFileKind::Foreign},
        {"inline.qbd", "text [Quarbel Ver.2] text\r\n", DocumentFileKind::Foreign},
        {"utf16.qbd", utf16, DocumentFileKind::Foreign},
        {"empty.qbd", "", DocumentFileKind::Empty},
    };
    for (const Case& c : cases) {
        const QString path = QDir(dir.path()).filePath(QLatin1String(c.name));
        ASSERT_TRUE(writeBytes(path, c.bytes));
        EXPECT_EQ(classifyDocumentFile(path), c.kind) << c.name;
    }
    EXPECT_EQ(classifyDocumentFile(QDir(dir.path()).filePath(QStringLiteral("none.qbd"))),
              DocumentFileKind::Missing);
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.qbd")));
    EXPECT_EQ(classifyDocumentFile(QDir(dir.path()).filePath(QStringLiteral("folder.qbd"))),
              DocumentFileKind::Foreign);
    // A FIFO is never opened: reading it would wait for a writer forever.
    const QString fifo = QDir(dir.path()).filePath(QStringLiteral("pipe.qbd"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_EQ(classifyDocumentFile(fifo), DocumentFileKind::Foreign);
}

TEST(DocumentFile, RelativePicturePathsAreTakenFromTheDocumentsFolder) {
    const struct {
        const char* document;
        const char* picture;
        const char* expected;
    } cases[] = {
        {"/work/docs/a.qbd", "d.bmp", "/work/docs/d.bmp"},
        {"/work/docs/a.qbd", "pics/d.bmp", "/work/docs/pics/d.bmp"},
        {"/work/docs/a.qbd", "../pics/d.bmp", "/work/pics/d.bmp"},
        {"/work/docs/a.qbd", "/elsewhere/d.bmp", "/elsewhere/d.bmp"},
        {"/work/docs/a.qbd", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(picturePathFromDocument(QLatin1String(c.document), QLatin1String(c.picture)),
                  QLatin1String(c.expected))
            << c.picture;
    }
}

TEST(Settings, AFolderThatIsNotThereIsNeverRemembered) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const Settings settings(pathInDir(dir.path(), SettingsFileName), dir.path());
    const QString missing = QDir(dir.path()).filePath(QStringLiteral("gone"));
    EXPECT_FALSE(settings.rememberFolder(QStringLiteral("QbdFileDir"), missing + QStringLiteral("/a.qbd"),
                                         QStringLiteral("a.qbd")));
    EXPECT_EQ(settings.value(QStringLiteral("QbdFileDir")), QString());
    EXPECT_TRUE(settings.rememberFolder(QStringLiteral("QbdFileDir"), dir.path() + QStringLiteral("/a.qbd"),
                                        QStringLiteral("a.qbd")));
    EXPECT_EQ(settings.value(QStringLiteral("QbdFileDir")), dir.path());
}
