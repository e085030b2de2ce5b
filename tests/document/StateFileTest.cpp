#include "document/StateFile.h"

#include "document/DocumentState.h"
#include "document/IniFile.h"
#include "support/FakeSharedControls.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <vector>

using namespace quarbel::document;
using quarbel::testing::FakeSharedControls;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// A controls state where every kind of flag has both values, so a swapped key shows up.
FakeSharedControls patternedControls() {
    FakeSharedControls c;
    for (int i = 0; i < MenuCount; ++i) {
        c.menus[static_cast<std::size_t>(i)] = (i % 3) != 0;
    }
    for (int i = 1; i <= ToolbarButtonCount; ++i) {
        c.buttons[static_cast<std::size_t>(i)] = (i % 2) == 0;
    }
    c.captions = {true, false, true};
    c.slidersEnabled = {false, true, false};
    c.sliderValues = {123, 7, 99};
    return c;
}

struct StateFileTest : ::testing::Test {
    QTemporaryDir dir;
    DocumentFields state;
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        state.IniPath = dir.filePath(QStringLiteral("Quarbel1.tmp"));
    }
};

} // namespace

TEST_F(StateFileTest, WrittenFromScratchHoldsHeaderAndSixtyFiveKeysInTableOrder) {
    state.StereoName = StereoKind::RandomDot;
    state.MonoOrColor = QStringLiteral("Mono");
    const FakeSharedControls controls = patternedControls();
    ASSERT_TRUE(SaveWindowState(state, controls));

    const QList<QByteArray> lines = readAll(state.IniPath).split('\n');
    // 66 lines each ended by CR LF leave one empty piece after the last "\n".
    ASSERT_EQ(lines.size(), 67);
    EXPECT_TRUE(lines.last().isEmpty());
    EXPECT_EQ(lines[0], QByteArray("[Quarbel Ver.2]\r"));
    const auto& table = StateKeyTable();
    for (int i = 0; i < StateKeyCount; ++i) {
        const QByteArray& line = lines[i + 1];
        ASSERT_TRUE(line.endsWith('\r')) << i;
        EXPECT_TRUE(line.startsWith(QByteArray(table[static_cast<std::size_t>(i)].key) + '='))
            << line.constData();
    }
    EXPECT_EQ(lines[1], "FileNamePath=" + state.IniPath.toUtf8() + '\r');
    EXPECT_TRUE(lines.contains(QByteArray("mnujHensyuu=False\r")) ||
                lines.contains(QByteArray("mnujHensyuu=True\r")));
    EXPECT_FALSE(readAll(state.IniPath).contains("mnuHensyuu="));
    EXPECT_TRUE(lines.contains(QByteArray("KurikaesiHaba=123\r")));
    EXPECT_TRUE(lines.contains(QByteArray("MONOorCOLOR=Mono\r")));
}

TEST_F(StateFileTest, SaveThenRestoreGivesBackEveryFlagValueAndString) {
    state.PicDesignPath = QStringLiteral("/home/利用者/デザイン画像/表.bmp");
    state.PicFieldPath = QStringLiteral("/tmp/field.gif");
    state.PicStereoPath = QString();
    state.StereoName = StereoKind::Field;
    state.MonoOrColor = QString();
    const FakeSharedControls saved = patternedControls();
    ASSERT_TRUE(SaveWindowState(state, saved));

    DocumentFields restored;
    restored.IniPath = state.IniPath;
    restored.StereoName = DocumentKind::fromText(QStringLiteral("stale"));
    restored.MonoOrColor = QStringLiteral("stale");
    FakeSharedControls controls;
    controls.setAll(true);
    RestoreWindowState(restored, controls);

    EXPECT_EQ(restored.PicDesignPath, state.PicDesignPath);
    EXPECT_EQ(restored.PicFieldPath, state.PicFieldPath);
    EXPECT_EQ(restored.PicStereoPath, QString());
    EXPECT_EQ(restored.StereoName, StereoKind::Field);
    // A colour-field document stores an empty colour mode and gets it back empty.
    EXPECT_EQ(restored.MonoOrColor, QString());
    EXPECT_EQ(controls.menus, saved.menus);
    EXPECT_EQ(controls.buttons, saved.buttons);
    EXPECT_EQ(controls.captions, saved.captions);
    EXPECT_EQ(controls.slidersEnabled, saved.slidersEnabled);
    EXPECT_EQ(controls.sliderValues, saved.sliderValues);
}

TEST_F(StateFileTest, MissingFileOrHeaderOnlyRestoresDefaults) {
    for (const QByteArray& content : {QByteArray(), QByteArray("[Quarbel Ver.2]\r\n")}) {
        if (!content.isNull()) {
            writeAll(state.IniPath, content);
        }
        DocumentFields restored;
        restored.IniPath = state.IniPath;
        restored.PicDesignPath = QStringLiteral("stale");
        FakeSharedControls controls;
        controls.setAll(false);
        controls.sliderValues = {1, 2, 3};
        RestoreWindowState(restored, controls);

        EXPECT_EQ(restored.PicDesignPath, QString());
        EXPECT_EQ(restored.StereoName, StereoKind::Field);
        EXPECT_EQ(restored.MonoOrColor, QStringLiteral("Field"));
        EXPECT_EQ(controls.sliderValues, (std::array<int, 3>{70, 20, 30}));
        for (bool b : controls.menus) {
            EXPECT_TRUE(b);
        }
        for (int i = 1; i <= ToolbarButtonCount; ++i) {
            EXPECT_TRUE(controls.buttons[static_cast<std::size_t>(i)]) << i;
        }
        EXPECT_EQ(controls.captions, (std::array<bool, 3>{true, true, true}));
        EXPECT_EQ(controls.slidersEnabled, (std::array<bool, 3>{true, true, true}));
    }
}

TEST_F(StateFileTest, FlagTextsAreReadInAnyCaseOrAsNumbersAndUnknownTextKeepsTheDefault) {
    struct Case {
        const char* text;
        bool expected;
    };
    const Case cases[] = {
        {"True", true}, {"false", false}, {"FALSE", false}, {" tRuE ", true}, {"0", false},
        {"-1", true},   {"2", true},      {"yes", true},    {"", true},       {"Falsehood", true},
    };
    for (const Case& c : cases) {
        writeAll(state.IniPath, QByteArray("[Quarbel Ver.2]\r\nmnuSave=") + c.text +
                                    "\r\nknButtons3=" + c.text + "\r\nsldMitudoEnabled=" + c.text + "\r\n");
        FakeSharedControls controls;
        RestoreWindowState(state, controls);
        EXPECT_EQ(controls.menuEnabled(Menu::mnuSave), c.expected) << c.text;
        EXPECT_EQ(controls.buttonEnabled(3), c.expected) << c.text;
        EXPECT_EQ(controls.sliderEnabled(Slider::sldMitudo), c.expected) << c.text;
    }
}

TEST_F(StateFileTest, EditMenuFlagIsStoredUnderTheKeyWithJ) {
    writeAll(state.IniPath, "[Quarbel Ver.2]\r\nmnuHensyuu=False\r\nmnujHensyuu=False\r\n");
    FakeSharedControls controls;
    RestoreWindowState(state, controls);
    EXPECT_FALSE(controls.menuEnabled(Menu::mnuHensyuu));

    writeAll(state.IniPath, "[Quarbel Ver.2]\r\nmnuHensyuu=False\r\n");
    RestoreWindowState(state, controls);
    EXPECT_TRUE(controls.menuEnabled(Menu::mnuHensyuu)) << "only mnujHensyuu carries the Edit menu's flag";
}

TEST_F(StateFileTest, SavingIntoAnExistingDocumentKeepsForeignLinesInPlace) {
    writeAll(state.IniPath,
             "; made by hand\r\n[Quarbel Ver.2]\r\nComment=keep me\r\nRittaido=5\r\nZebra=1\r\n"
             "[Other]\r\nmnuSave=whatever\r\n");
    const FakeSharedControls controls = patternedControls();
    ASSERT_TRUE(SaveWindowState(state, controls));
    const QList<QByteArray> lines = readAll(state.IniPath).split('\n');
    ASSERT_GE(lines.size(), 6);
    EXPECT_EQ(lines[0], "; made by hand\r");
    EXPECT_EQ(lines[1], "[Quarbel Ver.2]\r");
    EXPECT_EQ(lines[2], "Comment=keep me\r");
    EXPECT_EQ(lines[3], "Rittaido=7\r") << "replaced where it stood";
    EXPECT_EQ(lines[4], "Zebra=1\r");
    EXPECT_TRUE(lines.contains("[Other]\r"));
    EXPECT_TRUE(lines.contains("mnuSave=whatever\r")) << "keys of other sections are not touched";
    // Every key of the table appears exactly once in the section.
    for (const StateKey& k : StateKeyTable()) {
        int count = 0;
        for (const QByteArray& l : lines) {
            count += l.startsWith(QByteArray(k.key) + '=') ? 1 : 0;
        }
        EXPECT_EQ(count, k.key == std::string_view("mnuSave") ? 2 : 1) << k.key;
    }
}

TEST_F(StateFileTest, APathWithALineBreakNeverAddsKeys) {
    state.PicDesignPath = QStringLiteral("/tmp/evil\r\nmnuSave=False\nname.bmp");
    FakeSharedControls controls = patternedControls();
    controls.setMenuEnabled(Menu::mnuSave, true);
    ASSERT_TRUE(SaveWindowState(state, controls));
    const QList<QByteArray> lines = readAll(state.IniPath).split('\n');
    EXPECT_EQ(lines.size(), 67);
    FakeSharedControls back;
    RestoreWindowState(state, back);
    EXPECT_TRUE(back.menuEnabled(Menu::mnuSave));
}

TEST_F(StateFileTest, RestoredSliderValuesOutsideTheRangeAreClampedBySliders) {
    writeAll(state.IniPath, "[Quarbel Ver.2]\r\nKurikaesiHaba=5000\r\nRittaido=-4\r\nMitudo=55abc\r\n");
    FakeSharedControls controls;
    RestoreWindowState(state, controls);
    EXPECT_EQ(controls.sliderValues, (std::array<int, 3>{200, 0, 55}));
}

TEST(ParseFlag, RecognisesBooleanTextsAndNumbersOnly) {
    EXPECT_EQ(parseFlag(QStringLiteral("TRUE")), true);
    EXPECT_EQ(parseFlag(QStringLiteral("False")), false);
    EXPECT_EQ(parseFlag(QStringLiteral("0.0")), false);
    EXPECT_EQ(parseFlag(QStringLiteral("-1")), true);
    EXPECT_EQ(parseFlag(QStringLiteral("on")), std::nullopt);
    EXPECT_EQ(parseFlag(QString()), std::nullopt);
}

// The file's key order as stored documents have it, written out here rather than taken from the
// code's own table, so that two swapped rows of that table show up.
constexpr const char* kKeysInFileOrder[StateKeyCount] = {
    "FileNamePath",
    "PicDesignPath",
    "PicFieldPath",
    "PicStereoPath",
    "StereoName",
    "MONOorCOLOR",
    "KurikaesiHaba",
    "Rittaido",
    "Mitudo",
    "mnuFile",
    "mnuNew",
    "mnuWizard",
    "mnuFieldColor",
    "mnuColor",
    "mnuMono",
    "mnuOpen",
    "mnuSave",
    "mnuSaveName",
    "mnuSaveGazou",
    "mnuSaveDesign",
    "mnuSaveField",
    "mnuSaveStereo",
    "mnuClose",
    "mnuPrint",
    "mnuEnd",
    "mnujHensyuu",
    "mnuEditer",
    "mnuEditerChoice",
    "mnuEditerBoot",
    "mnuCut",
    "mnuCopy",
    "mnuPaste",
    "mnuClear",
    "mnuIns",
    "mnuInsDesign",
    "mnuInsField",
    "mnuInsStereo",
    "mnuConvert",
    "mnuConvStart",
    "mnuConvStop",
    "mnuConvExit",
    "mnuWindow",
    "mnuHelp",
    "mnuInfomation",
    "mnuSetumei",
    "knButtons1",
    "knButtons2",
    "knButtons3",
    "knButtons4",
    "knButtons5",
    "knButtons6",
    "knButtons7",
    "knButtons8",
    "knButtons9",
    "knButtons10",
    "knButtons11",
    "knButtons12",
    "knButtons13",
    "knButtons14",
    "knText0",
    "knText1",
    "knText2",
    "sldKurikaesiEnabled",
    "sldRittaidoEnabled",
    "sldMitudoEnabled",
};

TEST_F(StateFileTest, KeysAreWrittenInTheStoredOrderEachWithItsOwnControlsValue) {
    state.PicDesignPath = QStringLiteral("/d.bmp");
    state.PicFieldPath = QStringLiteral("/f.bmp");
    state.PicStereoPath = QStringLiteral("/s.bmp");
    state.StereoName = StereoKind::RandomDot;
    state.MonoOrColor = QStringLiteral("Color");
    const FakeSharedControls controls = patternedControls();
    ASSERT_TRUE(SaveWindowState(state, controls));

    // The values patternedControls gives, by position in the file.
    auto flag = [](bool on) { return QByteArray(on ? "True" : "False"); };
    QList<QByteArray> values{
        state.IniPath.toUtf8(), "/d.bmp", "/f.bmp", "/s.bmp", "RandomDot", "Color", "123", "7", "99"};
    for (int menu = 0; menu < 36; ++menu) {
        values << flag(menu % 3 != 0);
    }
    for (int button = 1; button <= 14; ++button) {
        values << flag(button % 2 == 0);
    }
    values << "True"
           << "False"
           << "True"
           << "False"
           << "True"
           << "False";
    ASSERT_EQ(values.size(), StateKeyCount);

    const QList<QByteArray> lines = readAll(state.IniPath).split('\n');
    ASSERT_EQ(lines.size(), StateKeyCount + 2);
    for (int i = 0; i < StateKeyCount; ++i) {
        EXPECT_EQ(lines[i + 1], QByteArray(kKeysInFileOrder[i]) + '=' + values[i] + '\r') << "line " << i + 2;
    }
}

TEST_F(StateFileTest, RestoreAppliesEachKeyToItsOwnControl) {
    // Every flag key alone set to False in an otherwise empty file turns off exactly one control.
    for (int i = 9; i < StateKeyCount; ++i) {
        writeAll(state.IniPath, QByteArray("[Quarbel Ver.2]\r\n") + kKeysInFileOrder[i] + "=False\r\n");
        FakeSharedControls c;
        RestoreWindowState(state, c);
        std::vector<int> off;
        for (int m = 0; m < MenuCount; ++m) {
            if (!c.menus[static_cast<std::size_t>(m)]) {
                off.push_back(9 + m);
            }
        }
        for (int b = 1; b <= ToolbarButtonCount; ++b) {
            if (!c.buttons[static_cast<std::size_t>(b)]) {
                off.push_back(44 + b);
            }
        }
        for (int t = 0; t < SliderCaptionCount; ++t) {
            if (!c.captions[static_cast<std::size_t>(t)]) {
                off.push_back(59 + t);
            }
        }
        for (int s = 0; s < SliderCount; ++s) {
            if (!c.slidersEnabled[static_cast<std::size_t>(s)]) {
                off.push_back(62 + s);
            }
        }
        EXPECT_EQ(off, std::vector<int>{i}) << kKeysInFileOrder[i];
    }
}

TEST_F(StateFileTest, RestoreSaysWhatItFoundAndAFileItCannotReadChangesNothing) {
    struct Case {
        const char* name;
        std::function<void(const QString& path)> make;
        StateRestore expected;
        bool defaultsApplied;
    };
    const Case cases[] = {
        {"written state",
         [this](const QString&) { ASSERT_TRUE(SaveWindowState(state, patternedControls())); },
         StateRestore::Restored, false},
        {"missing file", [](const QString&) {}, StateRestore::Missing, true},
        {"empty file", [](const QString& path) { writeAll(path, {}); }, StateRestore::NoSection, true},
        {"other section only", [](const QString& path) { writeAll(path, "[Other]\r\nMitudo=5\r\n"); },
         StateRestore::NoSection, true},
        {"a folder", [](const QString& path) { ASSERT_TRUE(QDir().mkdir(path)); }, StateRestore::Unreadable,
         false},
        {"a FIFO",
         [](const QString& path) { ASSERT_EQ(mkfifo(QFile::encodeName(path).constData(), 0600), 0); },
         StateRestore::Unreadable, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(dir.path()).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(dir.path()));
        c.make(state.IniPath);

        DocumentFields restored;
        restored.IniPath = state.IniPath;
        restored.StereoName = StereoKind::RandomDot;
        FakeSharedControls controls;
        controls.setAll(false);
        controls.sliderValues = {1, 2, 3};
        // A FIFO that blocked the read would hang here: the watchdog turns that into a failure.
        std::promise<StateRestore> done;
        std::future<StateRestore> result = done.get_future();
        std::thread reader([&] { done.set_value(RestoreWindowState(restored, controls)); });
        const bool finished = result.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
        if (!finished) {
            // Unblock the reader by opening the other end, then fail.
            QFile writer(state.IniPath);
            (void)writer.open(QIODevice::WriteOnly);
        }
        reader.join();
        ASSERT_TRUE(finished);
        EXPECT_EQ(result.get(), c.expected);
        if (c.defaultsApplied) {
            EXPECT_EQ(restored.StereoName, StereoKind::Field);
            EXPECT_EQ(controls.sliderValues, (std::array<int, 3>{70, 20, 30}));
            EXPECT_TRUE(controls.menus[0]);
        } else if (c.expected == StateRestore::Unreadable) {
            EXPECT_EQ(restored.StereoName, StereoKind::RandomDot);
            EXPECT_EQ(controls.sliderValues, (std::array<int, 3>{1, 2, 3}));
            EXPECT_FALSE(controls.menus[0]);
        }
    }
}

TEST_F(StateFileTest, AStateKeptInMemoryRestoresExactlyAsItsFileWould) {
    state.StereoName = StereoKind::RandomDot;
    state.MonoOrColor = QString();
    state.PicDesignPath = QString::fromUtf8("/絵/design  .bmp");
    const FakeSharedControls saved = patternedControls();
    ASSERT_TRUE(SaveWindowState(state, saved));

    DocumentFields fromFile;
    fromFile.IniPath = state.IniPath;
    FakeSharedControls fileControls;
    ASSERT_EQ(RestoreWindowState(fromFile, fileControls), StateRestore::Restored);

    DocumentFields fromMemory;
    FakeSharedControls memoryControls;
    RestoreWindowState(windowStateEntries(state, saved), fromMemory, memoryControls);

    EXPECT_EQ(fromMemory.PicDesignPath, fromFile.PicDesignPath);
    EXPECT_EQ(fromMemory.StereoName, StereoKind::RandomDot);
    EXPECT_EQ(fromMemory.MonoOrColor, QString());
    EXPECT_EQ(memoryControls.menus, fileControls.menus);
    EXPECT_EQ(memoryControls.buttons, fileControls.buttons);
    EXPECT_EQ(memoryControls.captions, fileControls.captions);
    EXPECT_EQ(memoryControls.slidersEnabled, fileControls.slidersEnabled);
    EXPECT_EQ(memoryControls.sliderValues, fileControls.sliderValues);
    EXPECT_EQ(memoryControls.menus, saved.menus);
}

TEST_F(StateFileTest, AKindTheProgramDoesNotKnowComesBackByteForByteWhenTheStateIsSavedAgain) {
    for (const char* kind : {"Stereo3D", "field", "RandomDot2", ""}) {
        state.StereoName = StereoKind::RandomDot;
        state.MonoOrColor = QStringLiteral("Mono");
        ASSERT_TRUE(SaveWindowState(state, patternedControls()));
        QByteArray bytes = readAll(state.IniPath);
        const QByteArray written = "StereoName=RandomDot\r\n";
        ASSERT_TRUE(bytes.contains(written));
        bytes.replace(written, QByteArray("StereoName=") + kind + "\r\n");
        writeAll(state.IniPath, bytes);

        DocumentFields restored;
        restored.IniPath = state.IniPath;
        FakeSharedControls controls;
        ASSERT_EQ(RestoreWindowState(restored, controls), StateRestore::Restored);
        EXPECT_EQ(restored.StereoName, StereoKind::Other) << kind;
        ASSERT_TRUE(SaveWindowState(restored, controls));
        EXPECT_EQ(readAll(state.IniPath), bytes) << kind;
    }
}

TEST_F(StateFileTest, ADocumentTakenFromTheControlsAndShownOnOthersWritesTheSameFile) {
    FakeSharedControls allOn;
    allOn.setAll(true);
    allOn.sliderValues = {200, 0, 100};
    FakeSharedControls allOff;
    allOff.setAll(false);
    allOff.sliderValues = {0, 50, 1};
    const std::pair<const char*, FakeSharedControls> cases[] = {
        {"patterned", patternedControls()}, {"all on", allOn}, {"all off", allOff}};
    for (const auto& [name, source] : cases) {
        state.PicDesignPath = QString::fromUtf8("/絵/design.bmp");
        state.PicStereoPath = QStringLiteral("/a/stereo.bmp");
        state.StereoName = StereoKind::RandomDot;
        state.MonoOrColor = QStringLiteral("Mono");
        QFile::remove(state.IniPath);
        ASSERT_TRUE(SaveWindowState(state, source));
        const QByteArray expected = readAll(state.IniPath);
        const DocumentState document = captureDocument(state, source);

        // Another document was showing: every value it left must give way.
        DocumentFields shown;
        shown.IniPath = state.IniPath;
        shown.PicFieldPath = QStringLiteral("/other/field.bmp");
        shown.StereoName = StereoKind::Field;
        FakeSharedControls view;
        view.setAll(!source.menus[0]);
        view.sliderValues = {1, 2, 3};
        showDocument(document, shown, view);
        EXPECT_EQ(shown.IniPath, state.IniPath) << name;
        QFile::remove(state.IniPath);
        ASSERT_TRUE(SaveWindowState(shown, view));
        EXPECT_EQ(readAll(state.IniPath), expected) << name;
    }
}
