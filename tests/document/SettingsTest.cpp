#include "document/Settings.h"

#include "document/AppPaths.h"
#include "document/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quarbel::document;

TEST(Settings, FolderOfAChosenPathDropsTheTitleAndItsSeparator) {
    struct Case {
        const char* path;
        const char* title;
        const char* folder;
    };
    const Case cases[] = {
        {"/home/user/docs/sample.qbd", "sample.qbd", "/home/user/docs"},
        {"/sample.qbd", "sample.qbd", ""},
        {"/データ/作品/立体.qbd", "立体.qbd", "/データ/作品"},
        {"x.qbd", "x.qbd", ""}, // too short to cut: nothing remembered
        {"/a/b.qbd", "", ""},   // no title
    };
    for (const Case& c : cases) {
        EXPECT_EQ(folderOfChosenPath(QString::fromUtf8(c.path), QString::fromUtf8(c.title)),
                  QString::fromUtf8(c.folder))
            << c.path;
    }
}

TEST(Settings, BlankOrMissingFoldersFallBackToTheApplicationDirectory) {
    QTemporaryDir dir;
    const QString appDir = dir.path();
    const Settings settings(pathInDir(appDir, SettingsFileName), appDir);
    EXPECT_EQ(settings.folderOrAppDir(QStringLiteral("QbdFileDir")), appDir) << "no settings file";

    ASSERT_TRUE(settings.setValue(QStringLiteral("QbdFileDir"), QStringLiteral("   ")));
    EXPECT_EQ(settings.folderOrAppDir(QStringLiteral("QbdFileDir")), appDir) << "blanks count as empty";

    const QString pics = dir.filePath(QStringLiteral("pics"));
    ASSERT_TRUE(QDir().mkpath(pics));
    ASSERT_TRUE(settings.rememberFolder(QStringLiteral("picDesignDir"), pics + QStringLiteral("/a.bmp"),
                                        QStringLiteral("a.bmp")));
    EXPECT_EQ(settings.folderOrAppDir(QStringLiteral("picDesignDir")), pics);
    EXPECT_EQ(settings.folderOrAppDir(QStringLiteral("QbdFileDir")), appDir);
    EXPECT_EQ(IniFile::readString(settings.path(), IniSectionName, QStringLiteral("picdesigndir"), QString()),
              pics);
}

TEST(AppPaths, UsesTheExecutableFolderWhenWritableElseTheUserDataFolder) {
    QTemporaryDir dir;
    const QString exeDir = dir.filePath(QStringLiteral("bin"));
    const QString fallback = dir.filePath(QStringLiteral("data/quarbel"));
    ASSERT_TRUE(QDir().mkpath(exeDir));

    EXPECT_EQ(applicationDirectoryFor(exeDir, fallback), exeDir);
    EXPECT_FALSE(QFileInfo::exists(fallback)) << "the fallback is only created when needed";

    // A folder that cannot hold files (here: it does not exist, or it is a file) falls back.
    const QString plainFile = dir.filePath(QStringLiteral("notadir"));
    QFile f(plainFile);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    for (const QString& bad : {dir.filePath(QStringLiteral("missing")), plainFile}) {
        EXPECT_EQ(applicationDirectoryFor(bad, fallback), fallback);
        EXPECT_TRUE(QFileInfo(fallback).isDir());
    }
    EXPECT_TRUE(QDir(exeDir).entryList(QDir::Files | QDir::Hidden).isEmpty())
        << "the write probe leaves nothing";
}

TEST(AppPaths, AnInstalledCopyNeverWritesBesideItselfEvenWhereItCould) {
    struct Case {
        const char* dataDir; // made beside the executable's folder; null: none
        bool installed;
    };
    const Case cases[] = {{"share/quarbel", true}, {nullptr, false}, {"share/other", false}};
    for (const Case& c : cases) {
        QTemporaryDir prefix;
        const QString exeDir = prefix.filePath(QStringLiteral("bin"));
        const QString fallback = prefix.filePath(QStringLiteral("home/data/Quarbel"));
        ASSERT_TRUE(QDir().mkpath(exeDir));
        if (c.dataDir) {
            ASSERT_TRUE(QDir().mkpath(prefix.filePath(QLatin1String(c.dataDir))));
        }
        SCOPED_TRACE(c.dataDir ? c.dataDir : "no data folder");
        EXPECT_EQ(installedDataDirFor(exeDir),
                  c.installed ? QDir::cleanPath(prefix.filePath(QStringLiteral("share/quarbel")))
                              : QString());
        EXPECT_EQ(applicationDirectoryFor(exeDir, fallback), c.installed ? fallback : exeDir);
    }
    EXPECT_EQ(installedDataDirFor(QString()), QString());
}
