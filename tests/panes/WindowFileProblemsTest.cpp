// Files that fail a document window: a state file that cannot be written or read back (the window
// keeps its own state and says so once, instead of coming back with the defaults: everything
// enabled, kind "Field"), and pictures refused for a limit (the user hears which file and why).

#include "document/IniFile.h"
#include "panes/DocumentHost.h"
#include "panes/DocumentWindow.h"
#include "platform/Picture.h"
#include "support/FailingWrites.h"
#include "support/FakeSharedControls.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace quarbel::panes {
namespace {

using document::Menu;

struct Host : DocumentHost {
    // What the frame shows while no window is current.
    document::DocumentState own;
    DocumentWindow* current = nullptr;

    // The shared controls show the current window's own state, as the frame's do.
    document::DocumentState& shown() { return current ? current->model() : own; }
    document::SharedControls& sharedControls() override { return shown().controls; }
    void setStatusPanelText(int, const QString&) override {}
    void ResetMenus() override {}
    int openDocumentCount() const override { return 1; }
    DocumentWindow* windowOfDocument(const QString&) override { return nullptr; }
    bool isCurrent(const DocumentWindow& form) const override { return current == &form; }
    void makeCurrent(DocumentWindow& form) override {
        current = &form;
        form.Form_Activate();
    }
    void lockOtherDocuments(const DocumentWindow&) override {}
    void unlockDocuments() override {}
};

// A new document window in dir, loaded and activated as the frame does it, with every shared
// control on and the sliders at their usual values.
struct NewWindow {
    document::AppState state;
    Host host;
    testing::ScriptedDialogs dialogs;
    DocumentWindow form{state, host, dialogs};

    NewWindow(const QTemporaryDir& dir, document::StereoKind kind, const QString& monoOrColor = {}) {
        state.appDir = dir.path();
        state.SettingsPath = dir.filePath(QStringLiteral("Quarbel2.qbs"));
        host.own.fields.StereoName = kind;
        host.own.fields.MonoOrColor = monoOrColor;
        host.own.fields.OpenMode = QStringLiteral("Sinki");
        state.NewDocNumber = 1;
        testing::FakeSharedControls all;
        all.setAll(true);
        all.sliderValues = {70, 20, 30};
        host.own.controls = all;
        form.model() = host.own;
        form.Form_Load();
        host.current = &form;
        form.Form_Activate();
    }
};

int messagesNaming(const testing::ScriptedDialogs& dialogs, const QString& file) {
    int count = 0;
    for (const auto& asked : dialogs.asked()) {
        if (asked.kind == testing::ScriptedDialogs::Asked::Message && asked.text.contains(file)) {
            ++count;
        }
    }
    return count;
}

struct Trouble {
    const char* name;
    // Runs the deactivation (so that it can fail) and spoils the file before the next activation.
    std::function<void(DocumentWindow& form, const QString& stateFile)> deactivate;
    // True when the trouble lasts: the user hears of it once. A file spoiled after each good
    // write is a new trouble each time.
    bool lasting;
};

const Trouble kTroubles[] = {
    {"write refused by a file-size limit",
     [](DocumentWindow& form, const QString&) {
         const testing::FileSizeLimit limit(128);
         form.Form_Deactivate();
     },
     true},
    {"file deleted after the write",
     [](DocumentWindow& form, const QString& file) {
         form.Form_Deactivate();
         QFile::remove(file);
     },
     false},
    {"file emptied after the write",
     [](DocumentWindow& form, const QString& file) {
         form.Form_Deactivate();
         QFile(file).resize(0);
     },
     false},
    {"file replaced by a folder",
     [](DocumentWindow& form, const QString& file) {
         form.Form_Deactivate();
         QFile::remove(file);
         QDir().mkdir(file);
     },
     false},
};

TEST(StateFileProblems, TheWindowKeepsItsStateAndTheUserIsToldOnce) {
    for (const Trouble& trouble : kTroubles) {
        SCOPED_TRACE(trouble.name);
        QTemporaryDir dir;
        NewWindow window(dir, document::StereoKind::RandomDot, QStringLiteral("Color"));
        Host& host = window.host;
        testing::ScriptedDialogs& dialogs = window.dialogs;
        DocumentWindow& form = window.form;
        const QString file = form.labels().lblIniName;

        // The window's own state: a run-ready random-dot document with a few things disabled.
        host.shown().controls.sliderValues = {150, 31, 47};
        host.shown().controls.setMenuEnabled(Menu::mnuSave, false);
        host.shown().controls.setMenuEnabled(Menu::mnuConvStop, false);
        host.shown().controls.setButtonEnabled(5, false);

        for (int round = 0; round < 2; ++round) {
            SCOPED_TRACE(round);
            trouble.deactivate(form, file);
            // Another document is shown meanwhile; it has controls and strings of its own.
            host.current = nullptr;
            testing::FakeSharedControls other;
            other.setAll(true);
            other.sliderValues = {70, 20, 30};
            host.own.controls = other;
            host.own.fields.StereoName = document::StereoKind::Field;
            host.own.fields.IniPath = dir.filePath(QStringLiteral("other.qbd"));

            host.current = &form;
            form.Form_Activate();
            const document::DocumentState& shown = host.shown();
            EXPECT_EQ(shown.fields.StereoName, document::StereoKind::RandomDot);
            EXPECT_EQ(shown.fields.MonoOrColor, QStringLiteral("Color"));
            EXPECT_EQ(shown.fields.IniPath, file);
            EXPECT_EQ(shown.controls.sliderValues, (std::array<int, 3>{150, 31, 47}));
            EXPECT_FALSE(shown.controls.menuEnabled(Menu::mnuSave));
            EXPECT_FALSE(shown.controls.menuEnabled(Menu::mnuConvStop));
            EXPECT_FALSE(shown.controls.buttonEnabled(5));
            EXPECT_TRUE(shown.controls.menuEnabled(Menu::mnuConvStart));

            // The message is shown once the activation is over; a second one for a lasting
            // trouble would come in the same turn of the event loop.
            const int expected = trouble.lasting ? 1 : round + 1;
            QCoreApplication::processEvents();
            EXPECT_TRUE(QTest::qWaitFor([&] { return messagesNaming(dialogs, file) == expected; }, 5000))
                << messagesNaming(dialogs, file) << " messages, expected " << expected;
            if (QFileInfo(file).isDir()) {
                QDir().rmdir(file);
            }
        }
    }
}

TEST(StateFileProblems, AWorkingFileIsReadAsUsualAndNothingIsSaid) {
    QTemporaryDir dir;
    NewWindow window(dir, document::StereoKind::RandomDot, QStringLiteral("Mono"));
    Host& host = window.host;
    testing::ScriptedDialogs& dialogs = window.dialogs;
    DocumentWindow& form = window.form;
    const QString file = form.labels().lblIniName;

    form.Form_Deactivate();
    // A change made in the file while the window was inactive is what the window gets back.
    ASSERT_TRUE(document::IniFile::writeString(file, document::IniSectionName, QStringLiteral("Rittaido"),
                                               QStringLiteral("12")));
    form.Form_Activate();
    EXPECT_EQ(host.shown().controls.sliderValue(document::Slider::sldRittaido), 12);
    // Lets a wrongly queued message arrive.
    QCoreApplication::processEvents();
    EXPECT_EQ(messagesNaming(dialogs, file), 0);
}

TEST(StateFileProblems, SaveAsOnAFullDiskKeepsTheWorkingFileAndSaysWhy) {
    struct Case {
        const char* name;
        bool needsRoot;
        const char* advice;
    };
    // A file-size limit leaves room on the disk, so the message can only say what to check; a
    // full file system is named as such.
    const Case cases[] = {
        {"file-size limit", false, "保存先の空き容量と書き込みの許可を確かめてください。"},
        {"full file system", true, "保存先のディスクに空きがありません。"},
    };
    const char* notRun = nullptr;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.needsRoot && geteuid() != 0) {
            notRun = c.name;
            continue;
        }
        QTemporaryDir dir;
        NewWindow window(dir, document::StereoKind::RandomDot, QStringLiteral("Mono"));
        testing::ScriptedDialogs& dialogs = window.dialogs;
        DocumentWindow& form = window.form;
        const QString working = form.labels().lblIniName;
        const QByteArray before = testing::readBytes(working);
        ASSERT_FALSE(before.isEmpty());

        const QString folder = dir.filePath(QStringLiteral("disk"));
        std::unique_ptr<testing::SmallTmpfs> disk;
        if (c.needsRoot) {
            disk = std::make_unique<testing::SmallTmpfs>(folder, 64);
            ASSERT_TRUE(disk->mounted());
            ASSERT_TRUE(disk->fill());
        } else {
            ASSERT_TRUE(QDir().mkpath(folder));
        }
        const QString target = folder + QStringLiteral("/saved.qbd");
        dialogs.queueFile(platform::FileChoice{target, QStringLiteral("saved.qbd")});
        {
            const testing::FileSizeLimit limit(200);
            ASSERT_TRUE(limit.active());
            form.SaveDocumentAs();
        }
        EXPECT_TRUE(form.flags().SaveFailed);
        EXPECT_FALSE(QFile::exists(target));
        // The working file is the only copy of the document: it stays, whole.
        EXPECT_EQ(testing::readBytes(working), before);
        EXPECT_EQ(form.labels().lblIniName, working);
        ASSERT_EQ(messagesNaming(dialogs, target), 1);
        EXPECT_EQ(dialogs.asked().back().text, QStringLiteral("「") + target +
                                                   QStringLiteral("」に保存できませんでした。\r\n") +
                                                   QString::fromUtf8(c.advice));
    }
    if (notRun) {
        GTEST_SKIP() << "not tried without root: " << notRun;
    }
}

TEST(PictureRefusals, InsertingARefusedPictureSaysWhichFileAndWhy) {
    QTemporaryDir dir;
    const QString huge = dir.filePath(QStringLiteral("huge.bmp"));
    {
        QFile file(huge);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(testing::bmpHeaderOnly(1024, int(platform::MaxPicturePixels / 1024) + 1));
    }
    const QString fifo = dir.filePath(QStringLiteral("pipe.bmp"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const struct {
        QString path;
        QString why;
    } cases[] = {
        {huge,
         QStringLiteral("画像が大きすぎます（1024×%1ピクセル）").arg(platform::MaxPicturePixels / 1024 + 1)},
        {fifo, QStringLiteral("通常のファイルではない")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        NewWindow window(dir, document::StereoKind::Field);
        testing::ScriptedDialogs& dialogs = window.dialogs;
        DocumentWindow& form = window.form;

        dialogs.queueFile(platform::FileChoice{c.path, QFileInfo(c.path).fileName()});
        form.InsPicField(document::PicSource::FromFile);
        ASSERT_EQ(messagesNaming(dialogs, c.path), 1);
        EXPECT_TRUE(dialogs.asked().back().text.contains(c.why)) << dialogs.asked().back().text.toStdString();
        EXPECT_TRUE(form.model().fields.PicFieldPath.isEmpty());
    }
}

} // namespace
} // namespace quarbel::panes

namespace quarbel::panes {
namespace {

TEST(PictureRefusals, ATooWidePictureIsRefusedFromItsHeaderWithTheWidthMessage) {
    QTemporaryDir dir;
    // Header-only files: only a refusal from the header can tell the width of what is not there.
    // One pixel narrower passes the width rule and is then found to hold no rows: a cut-off file.
    const struct {
        int width;
        bool tooWide;
    } cases[] = {{1025, true}, {1024, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.width);
        const QString path = dir.filePath(QStringLiteral("w%1.bmp").arg(c.width));
        {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(testing::bmpHeaderOnly(c.width, 10));
        }
        NewWindow window(dir, document::StereoKind::Field);
        testing::ScriptedDialogs& dialogs = window.dialogs;
        DocumentWindow& form = window.form;
        dialogs.clearAsked();

        dialogs.queueFile(platform::FileChoice{path, QFileInfo(path).fileName()});
        form.InsPicField(document::PicSource::FromFile);
        QStringList shown;
        for (const auto& asked : dialogs.asked()) {
            if (asked.kind == testing::ScriptedDialogs::Asked::Message) {
                shown << asked.text;
            }
        }
        ASSERT_EQ(shown.size(), 1);
        EXPECT_EQ(shown.first(),
                  c.tooWide ? QStringLiteral(
                                  "フィールド画像が大きすぎます。\r\n幅を1024ピクセル以下にしてください。")
                            : QStringLiteral("「") + path +
                                  QStringLiteral("」を画像として読み込めませんでした。\r\n"
                                                 "画像のデータが壊れているか、途中で切れています。"));
        EXPECT_TRUE(form.picField()->isHidden());
    }
}

} // namespace
} // namespace quarbel::panes
