#include "document/IniFile.h"

#include "document/Parameters.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <climits>
#include <gtest/gtest.h>

using quarbel::document::IniFile;
using quarbel::document::IniSectionName;
using quarbel::document::readConversionParameters;
using quarbel::engine::ConversionParameters;

namespace {

using quarbel::testing::readBytes;
using quarbel::testing::writeBytes;

// The keys a window writes, in the order it writes them.
QStringList windowStateKeys() {
    QStringList keys{"FileNamePath", "PicDesignPath", "PicFieldPath", "PicStereoPath", "StereoName",
                     "MONOorCOLOR",  "KurikaesiHaba", "Rittaido",     "Mitudo"};
    keys << QStringList{
        "mnuFile",         "mnuNew",        "mnuWizard",   "mnuFieldColor", "mnuColor",      "mnuMono",
        "mnuOpen",         "mnuSave",       "mnuSaveName", "mnuSaveGazou",  "mnuSaveDesign", "mnuSaveField",
        "mnuSaveStereo",   "mnuClose",      "mnuPrint",    "mnuEnd",        "mnujHensyuu",   "mnuEditer",
        "mnuEditerChoice", "mnuEditerBoot", "mnuCut",      "mnuCopy",       "mnuPaste",      "mnuClear",
        "mnuIns",          "mnuInsDesign",  "mnuInsField", "mnuInsStereo",  "mnuConvert",    "mnuConvStart",
        "mnuConvStop",     "mnuConvExit",   "mnuWindow",   "mnuHelp",       "mnuInfomation", "mnuSetumei"};
    for (int i = 1; i <= 14; ++i) {
        keys << QStringLiteral("knButtons%1").arg(i);
    }
    for (int i = 0; i <= 2; ++i) {
        keys << QStringLiteral("knText%1").arg(i);
    }
    keys << "sldKurikaesiEnabled"
         << "sldRittaidoEnabled"
         << "sldMitudoEnabled";
    return keys;
}

class IniFileTest : public ::testing::Test {
protected:
    QString file(const QString& name = QStringLiteral("doc.qbd")) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

TEST_F(IniFileTest, SixtyFiveSingleWritesEqualOneBatchWrite) {
    const QStringList keys = windowStateKeys();
    ASSERT_EQ(keys.size(), 65);
    QList<QPair<QString, QString>> entries;
    for (qsizetype i = 0; i < keys.size(); ++i) {
        entries.append({keys[i], i % 3 == 0 ? QStringLiteral("True") : QStringLiteral("%1").arg(i * 7)});
    }
    entries[1].second = QString(); // an empty picture path is written as an empty value

    const QString single = file(QStringLiteral("single.tmp"));
    for (const auto& [key, value] : entries) {
        ASSERT_TRUE(IniFile::writeString(single, IniSectionName, key, value));
    }
    const QString batch = file(QStringLiteral("batch.tmp"));
    ASSERT_TRUE(IniFile::writeStrings(batch, IniSectionName, entries));

    const QByteArray bytes = readBytes(single);
    EXPECT_EQ(bytes, readBytes(batch));

    QByteArray expected = "[Quarbel Ver.2]\r\n";
    for (const auto& [key, value] : entries) {
        expected += key.toUtf8() + '=' + value.toUtf8() + "\r\n";
    }
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(bytes.count("\r\n"), 66);
    EXPECT_EQ(bytes.count('\n'), 66);

    // Writing the same keys again into either file changes nothing.
    ASSERT_TRUE(IniFile::writeStrings(single, IniSectionName, entries));
    EXPECT_EQ(readBytes(single), expected);
    // No sibling files are left behind by the atomic replacement.
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

struct WriteCase {
    const char* name;
    QByteArray before; // empty: no file at all
    QList<QPair<QString, QString>> writes;
    QByteArray after;
};

class IniWriteTest : public ::testing::TestWithParam<WriteCase> {};

TEST_P(IniWriteTest, RewritesAsExpected) {
    const WriteCase& c = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("case.qbd"));
    if (!c.before.isNull()) {
        ASSERT_TRUE(writeBytes(path, c.before));
    }
    for (const auto& [key, value] : c.writes) {
        ASSERT_TRUE(IniFile::writeString(path, IniSectionName, key, value));
    }
    EXPECT_EQ(readBytes(path), c.after);

    // The batch form gives the same bytes.
    const QString batchPath = dir.filePath(QStringLiteral("batch.qbd"));
    if (!c.before.isNull()) {
        ASSERT_TRUE(writeBytes(batchPath, c.before));
    }
    ASSERT_TRUE(IniFile::writeStrings(batchPath, IniSectionName, c.writes));
    EXPECT_EQ(readBytes(batchPath), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniWriteTest,
    ::testing::Values(
        WriteCase{"NewFile", QByteArray(), {{"A", "1"}, {"B", "x y"}}, "[Quarbel Ver.2]\r\nA=1\r\nB=x y\r\n"},
        WriteCase{"EmptyFile", QByteArray(""), {{"A", "1"}}, "[Quarbel Ver.2]\r\nA=1\r\n"},
        WriteCase{"HeaderOnly", "[Quarbel Ver.2]\r\n", {{"A", "1"}}, "[Quarbel Ver.2]\r\nA=1\r\n"},
        WriteCase{"ReplaceInPlace",
                  "[Quarbel Ver.2]\r\nA=1\r\nB=2\r\nC=3\r\n",
                  {{"B", "9"}},
                  "[Quarbel Ver.2]\r\nA=1\r\nB=9\r\nC=3\r\n"},
        WriteCase{"KeyMatchedWithoutCaseKeepsItsSpelling",
                  "[Quarbel Ver.2]\r\nmitudo = 5\r\nX=1\r\n",
                  {{"Mitudo", "7"}},
                  "[Quarbel Ver.2]\r\nmitudo=7\r\nX=1\r\n"},
        WriteCase{"SectionMatchedWithoutCase",
                  "[quarbel ver.2]\r\nA=1\r\n",
                  {{"a", "2"}},
                  "[quarbel ver.2]\r\nA=2\r\n"},
        WriteCase{"UnknownLinesKeepTheirPlaces",
                  "; made by hand\r\n[Quarbel Ver.2]\r\nnot a key\r\nExtra=1\r\nA=1\r\n",
                  {{"A", "2"}, {"B", "3"}},
                  "; made by hand\r\n[Quarbel Ver.2]\r\nnot a key\r\nExtra=1\r\nA=2\r\nB=3\r\n"},
        WriteCase{"AppendAfterLastLineOfSectionBeforeNextSection",
                  "[Quarbel Ver.2]\r\nA=1\r\n\r\n[Other]\r\nB=1\r\n",
                  {{"B", "2"}},
                  "[Quarbel Ver.2]\r\nA=1\r\nB=2\r\n\r\n[Other]\r\nB=1\r\n"},
        WriteCase{"SameKeyInAnotherSectionUntouched",
                  "[Other]\r\nA=1\r\n[Quarbel Ver.2]\r\n",
                  {{"A", "2"}},
                  "[Other]\r\nA=1\r\n[Quarbel Ver.2]\r\nA=2\r\n"},
        WriteCase{"MissingSectionAppendedAtEnd",
                  "[Other]\r\nX=1\r\n",
                  {{"A", "1"}},
                  "[Other]\r\nX=1\r\n[Quarbel Ver.2]\r\nA=1\r\n"},
        WriteCase{"FirstOfDuplicateKeysIsReplaced",
                  "[Quarbel Ver.2]\r\nA=1\r\nA=2\r\n",
                  {{"A", "3"}},
                  "[Quarbel Ver.2]\r\nA=3\r\nA=2\r\n"},
        WriteCase{"BareLineFeedsAndMissingFinalLineEndBecomeCrLf",
                  "junk\n[Quarbel Ver.2]\nA=1\nB=2",
                  {{"A", "5"}},
                  "junk\r\n[Quarbel Ver.2]\r\nA=5\r\nB=2\r\n"},
        WriteCase{"ByteOrderMarkDropped",
                  "\xEF\xBB\xBF[Quarbel Ver.2]\r\nA=1\r\n",
                  {{"A", "2"}},
                  "[Quarbel Ver.2]\r\nA=2\r\n"},
        WriteCase{"EmptyValueAndSpacesKept",
                  "[Quarbel Ver.2]\r\nMONOorCOLOR=Mono\r\n",
                  {{"MONOorCOLOR", ""}, {"P", " a b "}},
                  "[Quarbel Ver.2]\r\nMONOorCOLOR=\r\nP= a b \r\n"}),
    [](const ::testing::TestParamInfo<WriteCase>& info) { return std::string(info.param.name); });

struct ReadCase {
    const char* name;
    QByteArray content;
    QString key;
    QString expected; // default is "<default>"
};

class IniReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(IniReadTest, ReadsValue) {
    const ReadCase& c = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("case.qbd"));
    ASSERT_TRUE(writeBytes(path, c.content));
    EXPECT_EQ(IniFile::readString(path, IniSectionName, c.key, QStringLiteral("<default>")), c.expected);
}

const QString LongValue = QString(300, QLatin1Char('x'));

INSTANTIATE_TEST_SUITE_P(
    Cases, IniReadTest,
    ::testing::Values(
        ReadCase{"Plain", "[Quarbel Ver.2]\r\nA=abc\r\n", "A", "abc"},
        ReadCase{"SurroundingBlanksStripped", "[Quarbel Ver.2]\r\n  A \t=  a b \t\r\n", "A", "a b"},
        ReadCase{"KeyWithoutCase", "[Quarbel Ver.2]\r\nstereoname=Field\r\n", "StereoName", "Field"},
        ReadCase{"SectionWithoutCase", "[ QUARBEL VER.2 ]\r\nA=1\r\n", "A", "1"},
        ReadCase{"FirstDuplicateWins", "[Quarbel Ver.2]\r\nA=1\r\na=2\r\n", "A", "1"},
        ReadCase{"EqualsInValue", "[Quarbel Ver.2]\r\nA=b=c\r\n", "A", "b=c"},
        ReadCase{"PresentButEmpty", "[Quarbel Ver.2]\r\nA=\r\n", "A", ""},
        ReadCase{"MissingKey", "[Quarbel Ver.2]\r\nB=1\r\n", "A", "<default>"},
        ReadCase{"HeaderOnly", "[Quarbel Ver.2]\r\n", "A", "<default>"},
        ReadCase{"MissingSection", "[Other]\r\nA=1\r\n", "A", "<default>"},
        ReadCase{"KeyBeforeAnySection", "A=1\r\n[Quarbel Ver.2]\r\n", "A", "<default>"},
        ReadCase{"KeyInLaterSectionOnly", "[Quarbel Ver.2]\r\nB=1\r\n[Other]\r\nA=1\r\n", "A", "<default>"},
        ReadCase{"FullWidthSpaceIsPartOfTheValue", "[Quarbel Ver.2]\r\nA=\xE5\x90\x8D\xE3\x80\x80\r\n", "A",
                 QString::fromUtf8("\xE5\x90\x8D\xE3\x80\x80")},
        ReadCase{"LongValueCut", "[Quarbel Ver.2]\r\nA=" + LongValue.toUtf8() + "\r\n", "A",
                 LongValue.left(255)},
        ReadCase{"CutThenStripped", "[Quarbel Ver.2]\r\nA=" + QByteArray(254, 'y') + "  zz\r\n", "A",
                 QString(254, QLatin1Char('y'))},
        ReadCase{"CutNeverSplitsASurrogatePair",
                 "[Quarbel Ver.2]\r\nA=" + QByteArray(254, 'y') + "\xF0\x9F\x98\x80\r\n", "A",
                 QString(254, QLatin1Char('y'))}),
    [](const ::testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

TEST_F(IniFileTest, MissingFileReadsDefaults) {
    EXPECT_EQ(IniFile::readString(file(), IniSectionName, "StereoName", "Field"), "Field");
    EXPECT_EQ(IniFile::readInt(file(), IniSectionName, "KurikaesiHaba", 70), 70);
    EXPECT_FALSE(QFileInfo::exists(file()));
}

TEST_F(IniFileTest, ReadIntTakesTheNumberAtTheStart) {
    const struct {
        const char* value;
        int expected;
    } cases[] = {
        {"12abc", 12},
        {"-3", -3},
        {"abc", 0},
        {"", 0},
        {"  +7 ", 7},
        {"0042", 42},
        {"- 5", 0},
        {"1 2", 1},
        {"99999999999999999999", INT_MAX},
        {"-99999999999", INT_MIN},
    };
    QList<QPair<QString, QString>> entries;
    for (const auto& c : cases) {
        entries.append({QStringLiteral("K%1").arg(entries.size()), QString::fromLatin1(c.value)});
    }
    ASSERT_TRUE(IniFile::writeStrings(file(), IniSectionName, entries));
    for (qsizetype i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(IniFile::readInt(file(), IniSectionName, entries[i].first, 555), cases[i].expected)
            << "value \"" << cases[i].value << '"';
    }
    EXPECT_EQ(IniFile::readInt(file(), IniSectionName, "Missing", 555), 555);
    EXPECT_EQ(IniFile::readInt(file(), IniSectionName, "k0", 555), 12);
}

TEST_F(IniFileTest, Cp932FileIsWrittenBackInCp932WhileEveryCharacterFits) {
    // "C:\表示\画像ソフト.bmp" in CP932: 表 and ソ have 0x5C ('\') as their trail byte.
    const QByteArray cp932Path("C:\\\x95\x5C\x8E\xA6\\\x89\xE6\x91\x9C\x83\x5C\x83\x74\x83\x67.bmp");
    const QString path = QString::fromUtf8("C:\\表示\\画像ソフト.bmp");
    const QByteArray original =
        "; \x83\x81\x83\x82\r\n[Quarbel Ver.2]\r\nPicDesignPath=" + cp932Path + "\r\nKurikaesiHaba=80\r\n";
    ASSERT_TRUE(writeBytes(file(), original));

    EXPECT_EQ(IniFile::readString(file(), IniSectionName, "PicDesignPath", ""), path);
    EXPECT_EQ(IniFile::readInt(file(), IniSectionName, "KurikaesiHaba", 70), 80);
    // Reading never rewrites.
    EXPECT_EQ(readBytes(file()), original);

    struct Step {
        const char* key;
        QString value;
        QByteArray expected; // the whole file afterwards
    };
    const Step steps[] = {
        // Japanese that CP932 holds: the file stays CP932 ("立体" is 0x97 0xA7 0x91 0xCC).
        {"Rittaido", QString::fromUtf8("25立体"), original + "Rittaido=25\x97\xA7\x91\xCC\r\n"},
        // An emoji has no CP932 form: the whole file becomes UTF-8, nothing is lost.
        {"Note", QString::fromUtf8("😀"),
         "; " + QString::fromUtf8("メモ").toUtf8() + "\r\n[Quarbel Ver.2]\r\nPicDesignPath=" + path.toUtf8() +
             "\r\nKurikaesiHaba=80\r\nRittaido=25" + QString::fromUtf8("立体").toUtf8() +
             "\r\nNote=" + QString::fromUtf8("😀").toUtf8() + "\r\n"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.key);
        ASSERT_TRUE(IniFile::writeString(file(), IniSectionName, step.key, step.value));
        EXPECT_EQ(readBytes(file()), step.expected);
        EXPECT_EQ(IniFile::readString(file(), IniSectionName, "PicDesignPath", ""), path);
        EXPECT_EQ(IniFile::readString(file(), IniSectionName, step.key, ""), step.value);
    }
}

TEST_F(IniFileTest, JapanesePathsSurviveWriteAndRead) {
    const QString docPath = file(QString::fromUtf8("表示テスト文書.qbd"));
    const QString picture = QString::fromUtf8("/home/ユーザー/表示/デザイン画像　1.bmp");
    ASSERT_TRUE(IniFile::writeString(docPath, IniSectionName, "PicDesignPath", picture));
    ASSERT_TRUE(IniFile::writeString(docPath, IniSectionName, "Mitudo", "45"));
    EXPECT_EQ(IniFile::readString(docPath, IniSectionName, "PicDesignPath", ""), picture);

    EXPECT_EQ(readConversionParameters(docPath), (ConversionParameters{70, 20, 45}));
}

// Each key read on its own; a missing key, or a missing file, gives that parameter's default.
TEST_F(IniFileTest, ConversionParametersTakeTheDefaultOfEachMissingKey) {
    const struct {
        QByteArray text;
        ConversionParameters expected;
    } cases[] = {
        {"", {70, 20, 30}},
        {"[Quarbel Ver.2]\r\nrittaido=35\r\n", {70, 35, 30}},
        {"[Quarbel Ver.2]\r\nKurikaesiHaba=12\r\nMitudo=0\r\n", {12, 20, 0}},
        {"[Quarbel Ver.2]\r\nKurikaesiHaba=199\r\nRittaido=1\r\nMitudo=99\r\n", {199, 1, 99}},
        {"[Other]\r\nKurikaesiHaba=12\r\nRittaido=1\r\nMitudo=99\r\n", {70, 20, 30}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        ASSERT_TRUE(writeBytes(file(), c.text));
        EXPECT_EQ(readConversionParameters(file()), c.expected);
    }
    EXPECT_EQ(readConversionParameters(file("none.qbd")), quarbel::document::defaultConversionParameters());
}

TEST_F(IniFileTest, RefusedKeysAndValuesChangeNothing) {
    const QByteArray original = "[Quarbel Ver.2]\r\nA=1\r\n";
    ASSERT_TRUE(writeBytes(file(), original));
    const QList<QPair<QString, QString>> refused{
        {"A", "two\r\nB=lines"},
        {"A", "cr\r"},
        {"A", "lf\n"},
        {"A=B", "1"},
        {"[Other]", "1"},
        {"", "1"},
        {"  ", "1"},
        {"K\nL", "1"},
        {"A", QString(QChar(u'\0'))},
    };
    for (const auto& [key, value] : refused) {
        EXPECT_FALSE(IniFile::writeString(file(), IniSectionName, key, value)) << key.toStdString();
        // A refused entry spoils the whole batch: nothing of it is written.
        EXPECT_FALSE(IniFile::writeStrings(file(), IniSectionName, {{"C", "3"}, {key, value}}));
        EXPECT_EQ(readBytes(file()), original);
        EXPECT_FALSE(IniFile::writeString(file("new.qbd"), IniSectionName, key, value));
        EXPECT_FALSE(QFileInfo::exists(file("new.qbd")));
    }
}

TEST_F(IniFileTest, UnwritableTargetsFailQuietly) {
    // Missing folder: nothing is created.
    const QString inMissing = m_dir.filePath(QStringLiteral("missing/sub/doc.qbd"));
    EXPECT_FALSE(IniFile::writeString(inMissing, IniSectionName, "A", "1"));
    EXPECT_FALSE(QFileInfo::exists(m_dir.filePath(QStringLiteral("missing"))));

    // The path names a folder.
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("folder.qbd")));
    EXPECT_FALSE(IniFile::writeString(file(QStringLiteral("folder.qbd")), IniSectionName, "A", "1"));
    EXPECT_TRUE(QFileInfo(file(QStringLiteral("folder.qbd"))).isDir());

    // A read-only file keeps its content.
    const QByteArray original = "[Quarbel Ver.2]\r\nA=1\r\n";
    ASSERT_TRUE(writeBytes(file(QStringLiteral("ro.qbd")), original));
    ASSERT_TRUE(QFile::setPermissions(file(QStringLiteral("ro.qbd")),
                                      QFileDevice::ReadOwner | QFileDevice::ReadUser));
    EXPECT_FALSE(IniFile::writeString(file(QStringLiteral("ro.qbd")), IniSectionName, "A", "2"));
    EXPECT_EQ(readBytes(file(QStringLiteral("ro.qbd"))), original);
    EXPECT_EQ(IniFile::readString(file(QStringLiteral("ro.qbd")), IniSectionName, "A", ""), "1");

    EXPECT_FALSE(IniFile::writeString(QString(), IniSectionName, "A", "1"));
}

TEST_F(IniFileTest, ReplacingLeavesOnlyTheSectionOrNothingChanges) {
    struct Case {
        const char* name;
        QByteArray before; // empty: no file
        QFileDevice::Permissions permissions;
        bool replaced;
    };
    const auto readWrite = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    const Case cases[] = {
        {"notes", "Shopping: milk\r\n[Quarbel Ver.2]\r\nA=old\r\nB=gone\r\n", readWrite, true},
        {"binary", QByteArray("BM\0\0\x10\0", 6), readWrite, true},
        {"no file yet", QByteArray(), readWrite, true},
        {"marked read-only", "notes\r\n", QFileDevice::ReadOwner, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = file(QString::fromLatin1(c.name) + QStringLiteral(".txt"));
        if (!c.before.isEmpty()) {
            ASSERT_TRUE(writeBytes(path, c.before));
            ASSERT_TRUE(QFile::setPermissions(path, c.permissions));
        }
        const bool replaced = IniFile::replaceWithStrings(path, IniSectionName, {{"A", "1"}, {"C", "3"}});
        EXPECT_EQ(replaced, c.replaced);
        EXPECT_EQ(readBytes(path), c.replaced ? QByteArray("[Quarbel Ver.2]\r\nA=1\r\nC=3\r\n") : c.before);
    }
    // Not a regular file: left as it is.
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("folder.txt")));
    EXPECT_FALSE(
        IniFile::replaceWithStrings(file(QStringLiteral("folder.txt")), IniSectionName, {{"A", "1"}}));
    EXPECT_TRUE(QFileInfo(file(QStringLiteral("folder.txt"))).isDir());
}

TEST_F(IniFileTest, FilesThatCannotBeRewrittenFaithfullyAreLeftAlone) {
    const QByteArray cases[] = {
        QByteArray("BM\0\0\x10\0", 6) + "[Quarbel Ver.2]\r\nA=1\r\n", // binary, e.g. a picture
        QByteArray("[Quarbel Ver.2]\r\nA=\xFF\xFE\x80\r\n"),          // neither UTF-8 nor CP932
    };
    for (const QByteArray& bytes : cases) {
        ASSERT_TRUE(writeBytes(file(), bytes));
        EXPECT_FALSE(IniFile::writeString(file(), IniSectionName, "A", "2"));
        EXPECT_EQ(readBytes(file()), bytes);
    }
}

} // namespace

namespace {

TEST(IniSnapshotTest, ExpectedKeysReadAsUsualAndOtherKeysStillRead) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("doc.qbd"));
    ASSERT_TRUE(
        writeBytes(path, "[Other]\r\nA=other\r\n[Quarbel Ver.2]\r\na=1\r\nB=2\r\nA=dup\r\nC = 3 \r\n"));
    quarbel::document::IniSnapshot snapshot(path);
    snapshot.expectKeys({QStringLiteral("A"), QStringLiteral("c")});
    const struct {
        const char* section;
        const char* key;
        const char* expected;
    } reads[] = {
        {"Quarbel Ver.2", "A", "1"},      // the first of two, whatever the case
        {"Quarbel Ver.2", "C", "3"},      // expected under another case
        {"Quarbel Ver.2", "B", "2"},      // not expected: still read
        {"Quarbel Ver.2", "a", "1"},      // back to the expected ones after the full index
        {"Other", "A", "other"},          // another section
        {"Quarbel Ver.2", "D", "<none>"}, // missing
    };
    for (const auto& r : reads) {
        SCOPED_TRACE(r.key);
        EXPECT_EQ(
            snapshot.readString(QLatin1String(r.section), QLatin1String(r.key), QStringLiteral("<none>")),
            QLatin1String(r.expected));
    }
    EXPECT_EQ(snapshot.status(), quarbel::document::IniSnapshot::Status::Read);
}

TEST(IniSnapshotTest, KeysMatchWithoutRegardToCaseBeyondAscii) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("doc.qbd"));
    ASSERT_TRUE(
        writeBytes(path, QString::fromUtf8("[Quarbel Ver.2]\r\nÄpfel=1\r\n画像=2\r\nKelvin=3\r\n").toUtf8()));
    const struct {
        QString key;
        const char* expected;
    } reads[] = {
        {QString::fromUtf8("äPFEL"), "1"},
        {QString::fromUtf8("画像"), "2"},
        {QString::fromUtf8("\u212Aelvin"), "3"}, // the Kelvin sign folds to k
        {QString::fromUtf8("画"), "<none>"},
    };
    for (const auto& r : reads) {
        SCOPED_TRACE(r.key.toStdString());
        EXPECT_EQ(IniFile::readString(path, IniSectionName, r.key, QStringLiteral("<none>")),
                  QLatin1String(r.expected));
    }
}

} // namespace

namespace {

// Found by the INI fuzzer: CP932 files whose rewrite would read back differently.
TEST(IniFuzzFindings, ACp932FileReadsBackAsWrittenOrIsLeftAlone) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("found.ini"));
    const QString key = QStringLiteral("Note");
    struct Case {
        const char* name;
        QByteArray bytes;
        bool writable;
    };
    const Case cases[] = {
        // A lead byte cut off at the end: the decoder drops it, so a rewrite would lose it.
        {"dangling lead byte", QByteArray("[Quarbel Ver.2]\r\n\xF3\x8F\x9E\xA9=70\r\nNote=Ver.\xF8"), false},
        // Only the value being replaced is not UTF-8: the rest, kept as CP932 bytes, is valid
        // UTF-8 and would be read as that ("\xF3\x8F\x9E\xA9" is one UTF-8 character, two in CP932).
        {"rest is valid UTF-8", QByteArray("[Quarbel Ver.2]\r\n\xF3\x8F\x9E\xA9=70\r\nNote=\x83\x81\r\n"),
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(writeBytes(path, c.bytes));
        // The same bytes read as CP932, which is how the key was written.
        QStringDecoder cp932("windows-31j");
        ASSERT_TRUE(cp932.isValid());
        const QString otherKey = cp932.decode(QByteArray("\xF3\x8F\x9E\xA9"));
        const QString other =
            IniFile::readString(path, IniSectionName, otherKey, QStringLiteral("<missing>"));
        EXPECT_EQ(other, QStringLiteral("70"));
        EXPECT_EQ(IniFile::writeString(path, IniSectionName, key, QStringLiteral("plain")), c.writable);
        if (!c.writable) {
            EXPECT_EQ(readBytes(path), c.bytes);
            continue;
        }
        EXPECT_EQ(IniFile::readString(path, IniSectionName, key, QString()), QStringLiteral("plain"));
        EXPECT_EQ(IniFile::readString(path, IniSectionName, otherKey, QStringLiteral("<missing>")), other);
    }
}

} // namespace
