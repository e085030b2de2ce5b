// The document file changes only when the user saves it, files that are not documents are left
// alone, pictures that exist in no file are saved beside the document, and two copies of the
// editor in one folder keep each other's state files.

#include "SaveAsFixture.h"
#include "document/StateFile.h"
#include "document/StateFileLocks.h"
#include "platform/Picture.h"
#include "support/TestFiles.h"

#include <QAction>
#include <QClipboard>
#include <QFrame>
#include <QGuiApplication>
#include <QLockFile>
#include <QMenu>
#include <QPointer>
#include <QProcess>
#include <QSet>
#include <QSlider>
#include <QTimer>

namespace quarbel::testing {
namespace {

using document::ClaimedStateFile;
using document::Menu;
using document::Slider;
using platform::Answer;
using platform::FileChoice;

// ---- the document file changes only when the user saves -------------------------------------

class WorkingFileTest : public SaveAsTest {
protected:
    // Opens path through the Open command and waits until its pictures are in.
    panes::DocumentWindow* openDocument(const QString& path) {
        dialogs.queueFile(FileChoice{path, QFileInfo(path).fileName()});
        trigger(Menu::mnuOpen);
        panes::DocumentWindow* form = active();
        EXPECT_TRUE(waitUntil([&] { return form && !form->Timer1()->isActive(); }));
        return form;
    }
};

TEST_F(WorkingFileTest, AnOpenedDocumentChangesOnlyWhenTheUserSaves) {
    // Written by hand: LF line ends, a key in another case, blanks, a line the program does not know.
    const QString path = inDocs(QStringLiteral("hand.qbd"));
    const QByteArray original = "[Quarbel Ver.2]\nStereoName=RandomDot\nMONOorCOLOR=Mono\n"
                                "kurikaesihaba = 90\nNote=keep me\n";
    ASSERT_TRUE(writeBytes(path, original));

    panes::DocumentWindow* opened = openDocument(path);
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(sliderValue(Slider::sldKurikaesi), 90);
    EXPECT_EQ(readBytes(path), original) << "opening";
    EXPECT_EQ(frame->statusPanelText(1), path);

    // Slider changes, switching away and back: nothing reaches the file.
    frame->setSliderValue(Slider::sldKurikaesi, 123);
    trigger(Menu::mnuMono);
    frame->setSliderValue(Slider::sldKurikaesi, 40);
    activate(opened);
    EXPECT_EQ(sliderValue(Slider::sldKurikaesi), 123) << "the working file kept the change";
    activate(documents()[1]);
    activate(opened);
    EXPECT_EQ(readBytes(path), original) << "switching windows";

    dialogs.queueAnswer(Answer::No);
    ASSERT_TRUE(closeWindowOf(opened));
    EXPECT_EQ(dialogs.asked().back().text, QStringLiteral("「hand」を上書き保存しますか？"));
    EXPECT_EQ(readBytes(path), original) << "answering No";
    EXPECT_EQ(tmpFiles(), QStringList{QStringLiteral("Quarbel1.tmp")})
        << "the working file went with the window";

    // Yes writes the document's keys in place and keeps the rest.
    opened = openDocument(path);
    ASSERT_NE(opened, nullptr);
    frame->setSliderValue(Slider::sldKurikaesi, 77);
    dialogs.queueAnswer(Answer::Yes);
    ASSERT_TRUE(closeWindowOf(opened));
    EXPECT_EQ(iniValue(path, "KurikaesiHaba"), QStringLiteral("77"));
    EXPECT_EQ(iniValue(path, "Note"), QStringLiteral("keep me"));
    EXPECT_EQ(iniValue(path, "FileNamePath"), path);
}

TEST_F(WorkingFileTest, FilesThatAreNotDocumentsAreRefusedAndLeftUntouched) {
    trigger(Menu::mnuMono);
    panes::DocumentWindow* first = active();
    const QByteArray utf16 =
        QByteArray("\xFF\xFE", 2) +
        QByteArray(reinterpret_cast<const char*>(u"[Quarbel Ver.2]\r\nStereoName=Field\r\n"), 36 * 2);
    const std::pair<const char*, QByteArray> cases[] = {
        {"notes.qbd", "Shopping: milk, bread\r\n"},
        {"wide.qbd", utf16},
        {"picture.qbd", QByteArray("BM\x3A\0\0\0", 6)},
    };
    for (const auto& [name, bytes] : cases) {
        dialogs.clearAsked();
        const QString path = inDocs(QLatin1String(name));
        ASSERT_TRUE(writeBytes(path, bytes));
        dialogs.queueFile(FileChoice{path, QLatin1String(name)});
        trigger(Menu::mnuOpen);
        ASSERT_EQ(dialogs.asked().size(), 2) << name;
        const ScriptedDialogs::Asked& told = dialogs.asked().back();
        EXPECT_EQ(told.kind, ScriptedDialogs::Asked::Message);
        EXPECT_EQ(told.icon, platform::MessageIcon::Exclamation);
        EXPECT_EQ(told.text, QStringLiteral("「") + path +
                                 QStringLiteral("」はQuarbelのファイルではありません。\r\n"
                                                "Quarbelで保存したファイル（*.qbd）を選んでください。"));
        EXPECT_EQ(readBytes(path), bytes) << name;
        EXPECT_EQ(documents(), QList<panes::DocumentWindow*>{first});
        EXPECT_EQ(doc().IniPath, first->labels().lblIniName);
    }
    // An empty file is a document with every key missing.
    const QString empty = inDocs(QStringLiteral("empty.qbd"));
    ASSERT_TRUE(writeBytes(empty, QByteArray()));
    panes::DocumentWindow* opened = openDocument(empty);
    ASSERT_NE(opened, first);
    EXPECT_EQ(opened->windowTitle(), QStringLiteral("empty"));
    EXPECT_EQ(doc().StereoName, document::StereoKind::Field);
}

TEST_F(WorkingFileTest, OpeningAnOpenDocumentBringsItsWindowToTheFront) {
    const QString path = inDocs(QStringLiteral("once.qbd"));
    ASSERT_TRUE(writeBytes(path, "[Quarbel Ver.2]\r\nStereoName=RandomDot\r\nMONOorCOLOR=Color\r\n"));
    panes::DocumentWindow* opened = openDocument(path);
    frame->setSliderValue(Slider::sldRittaido, 31);
    trigger(Menu::mnuFieldColor);
    ASSERT_EQ(documents().size(), 2);

    // The same file, named another way.
    const QString detour = QDir(docsDir()).filePath(QStringLiteral("../") + QDir(docsDir()).dirName() +
                                                    QStringLiteral("/once.qbd"));
    dialogs.queueFile(FileChoice{detour, QStringLiteral("once.qbd")});
    trigger(Menu::mnuOpen);
    EXPECT_EQ(documents().size(), 2);
    EXPECT_EQ(active(), opened);
    EXPECT_EQ(frame->mdiArea()->activeSubWindow()->widget(), opened);
    EXPECT_EQ(doc().MonoOrColor, QStringLiteral("Color"));
    EXPECT_EQ(sliderValue(Slider::sldRittaido), 31) << "the window's own state, not the file's";
}

TEST_F(WorkingFileTest, SaveAsOntoAFileAnotherWindowOrTheProgramHoldsIsRefused) {
    const QString path = inDocs(QStringLiteral("taken.qbd"));
    const QByteArray original = "[Quarbel Ver.2]\r\nStereoName=RandomDot\r\nKurikaesiHaba=90\r\n";
    ASSERT_TRUE(writeBytes(path, original));
    panes::DocumentWindow* owner = openDocument(path);
    ASSERT_NE(owner, nullptr);
    trigger(Menu::mnuFieldColor);
    panes::DocumentWindow* other = active();
    frame->setSliderValue(Slider::sldKurikaesi, 150);
    const QString linked = QDir(docsDir()).filePath(QStringLiteral("linked"));
    ASSERT_TRUE(QFile::link(docsDir(), linked));

    const QString openElsewhere = QStringLiteral("」は別のウィンドウで開いています。\r\n"
                                                 "そのウィンドウを閉じるか、別の名前を指定してください。");
    const QString programFile =
        QStringLiteral("」はQuarbelの作業用ファイルです。\r\n別の名前を指定してください。");
    struct Case {
        const char* name;
        QString target;
        const QString& why;
    };
    // Saved onto any of these, two windows (or a window and the program) would write one file, and
    // closing a window deletes its working file with whatever was saved into it.
    const Case cases[] = {
        {"another window's document", path, openElsewhere},
        {"the same file through \"..\"",
         QDir(docsDir()).filePath(QStringLiteral("../") + QDir(docsDir()).dirName() +
                                  QStringLiteral("/taken.qbd")),
         openElsewhere},
        {"the same file through a linked folder", linked + QStringLiteral("/taken.qbd"), openElsewhere},
        {"this window's working file", other->labels().lblIniName, programFile},
        {"another window's working file", owner->labels().lblIniName, programFile},
        {"the settings file", state.SettingsPath, programFile},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dialogs.clearAsked();
        triggerAndRun(Menu::mnuSaveName, c.target);
        ASSERT_EQ(dialogs.asked().size(), 2);
        EXPECT_EQ(dialogs.asked().back().kind, ScriptedDialogs::Asked::Message);
        EXPECT_EQ(dialogs.asked().back().icon, platform::MessageIcon::Exclamation);
        EXPECT_EQ(dialogs.asked().back().text, QStringLiteral("「") + c.target + c.why);
        if (&c.why == &openElsewhere) {
            EXPECT_EQ(readBytes(path), original);
        }
        EXPECT_EQ(other->windowTitle(), QStringLiteral("Quarbel1"));
        EXPECT_TRUE(other->labels().documentPath.isEmpty());
        EXPECT_TRUE(other->flags().SaveFailed);
    }

    // The window's own document is no other window's: saving it again under its name is fine.
    activate(owner);
    frame->setSliderValue(Slider::sldKurikaesi, 123);
    dialogs.clearAsked();
    triggerAndRun(Menu::mnuSaveName, inDocs(QStringLiteral("taken.qbd")));
    ASSERT_EQ(dialogs.asked().size(), 1);
    EXPECT_EQ(iniValue(path, "KurikaesiHaba"), QStringLiteral("123"));
    EXPECT_EQ(owner->labels().documentPath, path);
}

TEST_F(WorkingFileTest, APictureIsNeverSavedOverADocumentOrTheProgramsFiles) {
    const QString path = inDocs(QStringLiteral("mine.qbd"));
    ASSERT_TRUE(writeBytes(path, "[Quarbel Ver.2]\r\nStereoName=RandomDot\r\nMONOorCOLOR=Mono\r\n"));
    panes::DocumentWindow* owner = openDocument(path);
    ASSERT_NE(owner, nullptr);
    trigger(Menu::mnuMono);
    panes::DocumentWindow* other = active();
    QImage design(40, 30, QImage::Format_RGB32);
    design.fill(qRgb(200, 200, 201));
    const QString designFile = inDocs(QStringLiteral("design.bmp"));
    ASSERT_FALSE(platform::saveBmp(design, designFile).has_value());
    dialogs.queueFile(FileChoice{designFile, QStringLiteral("design.bmp")});
    triggerAndRun(Menu::mnuInsDesign);
    ASSERT_FALSE(other->picBefore()->isHidden());
    const QString otherDocument = inDocs(QStringLiteral("other.qbd"));
    dialogs.queueFile(FileChoice{otherDocument, QStringLiteral("other.qbd")});
    triggerAndRun(Menu::mnuSaveName);
    ASSERT_EQ(other->labels().documentPath, otherDocument);

    const QString programFile =
        QStringLiteral("」はQuarbelの作業用ファイルです。\r\n別の名前を指定してください。");
    const QString thisDocument =
        QStringLiteral("」はこのウィンドウのドキュメントです。\r\n別の名前を指定してください。");
    const QString openElsewhere = QStringLiteral("」は別のウィンドウで開いています。\r\n"
                                                 "そのウィンドウを閉じるか、別の名前を指定してください。");
    struct Case {
        const char* name;
        QString target;
        const QString& why;
    };
    const Case cases[] = {
        {"this window's document", otherDocument, thisDocument},
        {"another window's document", path, openElsewhere},
        {"another window's working file", owner->labels().lblIniName, programFile},
        {"the settings file", state.SettingsPath, programFile},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray before = readBytes(c.target);
        dialogs.clearAsked();
        triggerAndRun(Menu::mnuSaveDesign, c.target);
        ASSERT_EQ(dialogs.asked().size(), 2);
        EXPECT_EQ(dialogs.asked().back().text, QStringLiteral("「") + c.target + c.why);
        EXPECT_EQ(readBytes(c.target), before);
    }
}

TEST_F(WorkingFileTest, SaveAsOverAFileThatIsNoDocumentReplacesItWhole) {
    // The user typed a name with another extension and answered Yes to the dialog's overwrite question.
    const QString notes = inDocs(QStringLiteral("notes.txt"));
    ASSERT_TRUE(writeBytes(notes, "Shopping: milk, bread\r\n[Colours]\r\nKurikaesiHaba=5\r\n"));
    trigger(Menu::mnuMono);
    panes::DocumentWindow* form = active();
    frame->setSliderValue(Slider::sldKurikaesi, 111);
    dialogs.queueFile(FileChoice{notes, QStringLiteral("notes.txt")});
    triggerAndRun(Menu::mnuSaveName);
    ASSERT_EQ(form->labels().documentPath, notes);

    // A document and nothing else: no shopping list with keys mixed into it.
    const QByteArray written = readBytes(notes);
    EXPECT_TRUE(written.startsWith("[Quarbel Ver.2]\r\n")) << written.left(40).toStdString();
    EXPECT_FALSE(written.contains("Shopping"));
    EXPECT_FALSE(written.contains("[Colours]"));
    EXPECT_EQ(iniValue(notes, "KurikaesiHaba"), QStringLiteral("111"));

    // A picture given a document's name is replaced as well (the text writer would refuse it).
    const QString picture = inDocs(QStringLiteral("picture.qbd"));
    ASSERT_TRUE(writeBytes(picture, QByteArray("BM\x3A\0\0\0\0\0\0\0\x36\0\0\0", 14) + QByteArray(40, '\0')));
    trigger(Menu::mnuMono);
    dialogs.clearAsked();
    dialogs.queueFile(FileChoice{picture, QStringLiteral("picture.qbd")});
    triggerAndRun(Menu::mnuSaveName);
    EXPECT_EQ(dialogs.asked().size(), 1) << "no failure message";
    EXPECT_TRUE(readBytes(picture).startsWith("[Quarbel Ver.2]\r\n"));

    // A document that is there already keeps the lines this program does not know.
    const QString other = inDocs(QStringLiteral("other.qbd"));
    ASSERT_TRUE(writeBytes(other, "[Quarbel Ver.2]\r\nNote=keep me\r\n"));
    trigger(Menu::mnuMono);
    dialogs.queueFile(FileChoice{other, QStringLiteral("other.qbd")});
    triggerAndRun(Menu::mnuSaveName);
    EXPECT_EQ(iniValue(other, "Note"), QStringLiteral("keep me"));
    EXPECT_EQ(iniValue(other, "StereoName"), QStringLiteral("RandomDot"));
}

TEST_F(WorkingFileTest, APastedPictureIsSavedBesideTheDocumentOrTheSaveTellsWhyNot) {
    trigger(Menu::mnuMono);
    panes::DocumentWindow* form = active();
    QImage pasted(33, 21, QImage::Format_RGB32);
    for (int y = 0; y < pasted.height(); ++y) {
        for (int x = 0; x < pasted.width(); ++x) {
            pasted.setPixel(x, y, qRgb(x * 7, y * 11, (x * y) & 255));
        }
    }
    QGuiApplication::clipboard()->setImage(pasted);
    // The empty Design pane is chosen where the user chooses it, in the window.
    QTest::mouseClick(form->picContBefore(), Qt::LeftButton, {}, {20, 20});
    ASSERT_EQ(form->editTargetTag(), document::PicSource::CBpicBefore);
    triggerAndRun(Menu::mnuPaste);
    ASSERT_FALSE(form->picBefore()->isHidden());
    EXPECT_TRUE(doc().PicDesignPath.isEmpty()) << "the picture exists in no file";

    // A document name that fits leaves no room for "_Design.bmp": the user is told the name is
    // too long, not to look at the disk.
    const QString longName = QString(245, QLatin1Char('n')) + QStringLiteral(".qbd");
    dialogs.queueAnswer(Answer::Yes); // save before closing?
    queueSave(longName);
    EXPECT_FALSE(closeWindowOf(form));
    ASSERT_EQ(dialogs.asked().back().kind, ScriptedDialogs::Asked::Message);
    EXPECT_TRUE(dialogs.asked().back().text.endsWith(
        QStringLiteral("ファイル名が長すぎます。短い名前にしてください。")))
        << dialogs.asked().back().text.toStdString();
    EXPECT_FALSE(QFileInfo::exists(inDocs(longName)));

    // Where the picture would go there is a folder: even after Yes it cannot be written, the user
    // is told, no document is written and the window stays open.
    const QString target = inDocs(QStringLiteral("pasted_Design.bmp"));
    ASSERT_TRUE(QDir(docsDir()).mkdir(QStringLiteral("pasted_Design.bmp")));
    dialogs.queueAnswer(Answer::Yes); // save before closing?
    queueSave(QStringLiteral("pasted.qbd"));
    dialogs.queueAnswer(Answer::Yes); // replace what is there?
    EXPECT_FALSE(closeWindowOf(form));
    ASSERT_EQ(documents(), QList<panes::DocumentWindow*>{form});
    EXPECT_EQ(dialogs.asked().back().kind, ScriptedDialogs::Asked::Message);
    EXPECT_TRUE(dialogs.asked().back().text.contains(target));
    EXPECT_FALSE(QFileInfo::exists(inDocs(QStringLiteral("pasted.qbd"))));
    EXPECT_FALSE(form->flags().SaveFailed);

    ASSERT_TRUE(QDir(docsDir()).rmdir(QStringLiteral("pasted_Design.bmp")));
    dialogs.queueAnswer(Answer::Yes);
    queueSave(QStringLiteral("pasted.qbd"));
    EXPECT_TRUE(closeWindowOf(form));
    const QString document = inDocs(QStringLiteral("pasted.qbd"));
    EXPECT_EQ(iniValue(document, "PicDesignPath"), target);
    EXPECT_EQ(platform::loadPicture(target).image, pasted);
    EXPECT_TRUE(tmpFiles().isEmpty());
}

// ---- a copy that was killed --------------------------------------------------------------------

TEST_F(SaveAsTest, AKilledCopysFilesGoAtTheNextStartAndNumberingStartsAtOne) {
    // The lock a killed copy leaves: written by QLockFile, naming a process that has ended.
    QProcess gone;
    gone.start(QStringLiteral("true"), {});
    ASSERT_TRUE(gone.waitForStarted());
    const qint64 deadPid = gone.processId();
    ASSERT_TRUE(gone.waitForFinished());
    const auto leaveStaleLock = [&](const QString& statePath) {
        const QString lockPath = statePath + QStringLiteral(".lock");
        QByteArray content;
        {
            QLockFile lock(lockPath);
            ASSERT_TRUE(lock.tryLock(0));
            content = readBytes(lockPath);
        }
        ASSERT_FALSE(content.isEmpty());
        ASSERT_TRUE(writeBytes(lockPath, QByteArray::number(deadPid) + content.mid(content.indexOf('\n'))));
    };
    // Quarbel1 had a window with its file; Quarbel2's window had not written its file yet.
    ASSERT_TRUE(writeBytes(inAppDir(QStringLiteral("Quarbel1.tmp")), "[Quarbel Ver.2]\r\n"));
    leaveStaleLock(inAppDir(QStringLiteral("Quarbel1.tmp")));
    leaveStaleLock(inAppDir(QStringLiteral("Quarbel2.tmp")));
    // A file of another running copy stays: its holder is alive.
    ClaimedStateFile running = document::claimStateFile(appDir(), document::NewDocumentStateStem, 3);
    ASSERT_TRUE(writeBytes(running.path, "[Quarbel Ver.2]\r\n"));

    document::AppState nextState;
    nextState.appDir = appDir();
    ScriptedDialogs nextDialogs;
    testing::RecordingShell nextShell;
    auto next = std::make_unique<ui::MainWindow>(nextState, nextDialogs, nextShell);
    next->MDIForm_Load();
    EXPECT_EQ(tmpFiles(), QStringList{QStringLiteral("Quarbel3.tmp")});
    EXPECT_EQ(QDir(appDir()).entryList({QStringLiteral("*.lock")}, QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("Quarbel3.tmp.lock")});
    testing::trigger(*next, QStringLiteral("mnuMono"));
    ASSERT_NE(next->activeDocument(), nullptr);
    EXPECT_EQ(next->activeDocument()->windowTitle(), QStringLiteral("Quarbel1"));
    nextDialogs.queueAnswer(Answer::No);
    ASSERT_TRUE(next->close());
}

// ---- two copies of the editor in one application folder ---------------------------------------

TEST_F(SaveAsTest, TwoCopiesInOneFolderKeepEachOthersStateFiles) {
    document::AppState otherState;
    otherState.appDir = appDir();
    ScriptedDialogs otherDialogs;
    testing::RecordingShell otherShell;
    auto other = std::make_unique<ui::MainWindow>(otherState, otherDialogs, otherShell);
    other->MDIForm_Load();
    // A crashed run's leftover, and a file of another program.
    ASSERT_TRUE(writeBytes(inAppDir(QStringLiteral("Quarbel9.tmp")), "[Quarbel Ver.2]\r\n"));
    ASSERT_TRUE(writeBytes(inAppDir(QStringLiteral("notes.tmp")), "theirs"));

    trigger(Menu::mnuMono);
    panes::DocumentWindow* mine = active();
    frame->setSliderValue(Slider::sldKurikaesi, 200);
    frame->setMenuEnabled(Menu::mnuPaste, false);
    testing::trigger(*other, QStringLiteral("mnuColor"));
    ASSERT_NE(other->activeDocument(), nullptr);
    EXPECT_EQ(other->activeDocument()->windowTitle(), QStringLiteral("Quarbel2")) << "Quarbel1 is held";
    trigger(Menu::mnuFieldColor); // writes mine into its working file

    otherDialogs.queueAnswer(Answer::No);
    ASSERT_TRUE(other->close());
    other.reset();

    QStringList left = tmpFiles();
    left.sort();
    EXPECT_EQ(left, (QStringList{QStringLiteral("Quarbel1.tmp"), QStringLiteral("Quarbel3.tmp"),
                                 QStringLiteral("notes.tmp")}));
    // The first copy's document comes back as it was: repeat width 200, Paste disabled.
    activate(mine);
    EXPECT_EQ(active(), mine);
    EXPECT_EQ(sliderValue(Slider::sldKurikaesi), 200);
    EXPECT_FALSE(frame->menuEnabled(Menu::mnuPaste));
    EXPECT_EQ(doc().StereoName, document::StereoKind::RandomDot);
}

} // namespace
} // namespace quarbel::testing
