// Documents in the frame: new documents, the hand-over of the shared controls between windows,
// Save As, the close question, the end of the program and the deferred commands.

#include "SaveAsFixture.h"
#include "document/StateFile.h"
#include "platform/Picture.h"
#include "support/TestFiles.h"

#include <QAction>
#include <QClipboard>
#include <QFrame>
#include <QGuiApplication>
#include <QMenu>
#include <QPointer>
#include <QSet>
#include <QSlider>
#include <QTimer>

namespace quarbel::testing {
namespace {

using document::Menu;
using document::Slider;
using platform::Answer;
using platform::FileChoice;

struct NewCase {
    const char* name;
    Menu command;
    document::StereoKind stereoName;
    const char* monoOrColor;
    int mitudo;
    bool mitudoEnabled;
    bool fieldPane;
};

void PrintTo(const NewCase& c, std::ostream* os) {
    *os << c.name;
}

class NewDocumentTest : public FrameTest, public ::testing::WithParamInterface<NewCase> {};

TEST_P(NewDocumentTest, SetsKindSlidersMenusAndPanes) {
    const NewCase& c = GetParam();
    trigger(c.command);

    panes::DocumentWindow* form = active();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Quarbel1"));
    EXPECT_EQ(doc().StereoName, c.stereoName);
    EXPECT_EQ(doc().MonoOrColor, QLatin1String(c.monoOrColor));
    EXPECT_TRUE(doc().OpenMode.isEmpty());
    EXPECT_EQ(state.NewDocNumber, 2);
    EXPECT_EQ(form->labels().lblStereoName, c.stereoName);

    EXPECT_EQ(sliderValue(Slider::sldKurikaesi), 70);
    EXPECT_EQ(sliderValue(Slider::sldRittaido), 20);
    EXPECT_EQ(sliderValue(Slider::sldMitudo), c.mitudo);
    EXPECT_TRUE(frame->sliderEnabled(Slider::sldKurikaesi));
    EXPECT_TRUE(frame->sliderEnabled(Slider::sldRittaido));
    EXPECT_EQ(frame->sliderEnabled(Slider::sldMitudo), c.mitudoEnabled);
    EXPECT_TRUE(frame->captionEnabled(0));
    EXPECT_TRUE(frame->captionEnabled(1));
    EXPECT_EQ(frame->captionEnabled(2), c.mitudoEnabled);
    EXPECT_EQ(frame->statusPanelText(2), QStringLiteral("70"));
    EXPECT_EQ(frame->statusPanelText(4), QString::number(c.mitudo));

    // The slider values are in the new document's file at once.
    const QString file = inAppDir(QStringLiteral("Quarbel1.tmp"));
    EXPECT_EQ(doc().IniPath, file);
    EXPECT_EQ(iniValue(file, "KurikaesiHaba"), QStringLiteral("70"));
    EXPECT_EQ(iniValue(file, "Mitudo"), QString::number(c.mitudo));
    EXPECT_EQ(iniValue(file, "StereoName"),
              QLatin1String(c.stereoName == document::StereoKind::RandomDot ? "RandomDot" : "Field"));
    EXPECT_EQ(frame->statusPanelText(1), file);

    const bool randomDot = !c.fieldPane;
    EXPECT_EQ(frame->menuEnabled(Menu::mnuInsField), !randomDot);
    EXPECT_EQ(frame->buttonMenuEnabled(9, 2), !randomDot);
    EXPECT_TRUE(frame->menuEnabled(Menu::mnuSaveName));
    EXPECT_TRUE(frame->menuEnabled(Menu::mnuClose));
    EXPECT_FALSE(frame->menuEnabled(Menu::mnuSave));
    EXPECT_FALSE(frame->buttonEnabled(3));

    const int height = form->scaleHeight();
    const QRect before = form->picContBefore()->geometry();
    if (c.fieldPane) {
        const int half = height / 2 - 1;
        EXPECT_EQ(before.topLeft(), QPoint(0, 0));
        EXPECT_EQ(before.height(), half);
        EXPECT_FALSE(form->picContField()->isHidden());
        EXPECT_EQ(form->picContField()->geometry(), QRect(0, half + 2, before.width(), half));
    } else {
        EXPECT_EQ(before.height(), height);
        EXPECT_TRUE(form->picContField()->isHidden());
    }
    // Panes stay laid out after the window changes size.
    QWidget* window = form->parentWidget();
    window->resize(window->width() + 60, window->height() + 41);
    const int grown = form->scaleHeight();
    EXPECT_EQ(form->picContBefore()->height(), c.fieldPane ? grown / 2 - 1 : grown);
    EXPECT_EQ(form->picContAfter()->geometry().right(), form->width() - 1);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, NewDocumentTest,
    ::testing::Values(
        NewCase{"RandomMono", Menu::mnuMono, document::StereoKind::RandomDot, "Mono", 30, true, false},
        NewCase{"RandomColor", Menu::mnuColor, document::StereoKind::RandomDot, "Color", 30, true, false},
        NewCase{"ColourField", Menu::mnuFieldColor, document::StereoKind::Field, "", 0, false, true}),
    [](const ::testing::TestParamInfo<NewCase>& info) { return std::string(info.param.name); });

TEST_F(FrameTest, NewFromTheToolbarAndAcceleratorsCreatesTheSameDocuments) {
    trigger("RandomMono");
    trigger("Stereo");
    trigger(Menu::mnuColor);
    ASSERT_EQ(documents().size(), 3);
    EXPECT_EQ(documents()[0]->labels().lblStereoName, document::StereoKind::RandomDot);
    EXPECT_EQ(documents()[1]->labels().lblStereoName, document::StereoKind::Field);
    EXPECT_EQ(iniValue(inAppDir(QStringLiteral("Quarbel3.tmp")), "MONOorCOLOR"), QStringLiteral("Color"));
}

TEST_F(FrameTest, DocumentWindowsLeaveTheMenusAcceleratorsToTheMenus) {
    trigger(Menu::mnuMono);
    QSet<QString> menuKeys;
    for (int i = 0; i < document::MenuCount; ++i) {
        const QKeySequence key = frame->menuAction(static_cast<Menu>(i))->shortcut();
        if (!key.isEmpty()) {
            menuKeys.insert(key.toString());
        }
    }
    ASSERT_TRUE(menuKeys.contains(QStringLiteral("Ctrl+W")));
    QMdiSubWindow* window = frame->mdiArea()->subWindowList().front();
    ASSERT_NE(window->systemMenu(), nullptr);
    for (const QAction* action : window->systemMenu()->actions()) {
        for (const QKeySequence& key : action->shortcuts()) {
            EXPECT_FALSE(menuKeys.contains(key.toString())) << key.toString().toStdString();
        }
    }
}

TEST_F(FrameTest, NewTwiceNumbersDocumentsAndWritesAFullStateFileForEach) {
    trigger(Menu::mnuMono);
    trigger(Menu::mnuFieldColor);
    ASSERT_EQ(documents().size(), 2);
    EXPECT_EQ(documents()[0]->windowTitle(), QStringLiteral("Quarbel1"));
    EXPECT_EQ(documents()[1]->windowTitle(), QStringLiteral("Quarbel2"));
    EXPECT_EQ(active(), documents()[1]);
    EXPECT_EQ(tmpFiles(), (QStringList{QStringLiteral("Quarbel1.tmp"), QStringLiteral("Quarbel2.tmp")}));

    const QString first = inAppDir(QStringLiteral("Quarbel1.tmp"));
    const QStringList lines = fileLines(first);
    ASSERT_EQ(lines.size(), 66);
    EXPECT_EQ(lines[0], QStringLiteral("[Quarbel Ver.2]"));
    EXPECT_EQ(lines[1], QStringLiteral("FileNamePath=") + first);
    EXPECT_TRUE(lines.contains(QStringLiteral("mnujHensyuu=True")));
    EXPECT_EQ(documents()[0]->labels().lblIniName, first);
    EXPECT_EQ(documents()[0]->labels().lblOldIniName, first);
    EXPECT_EQ(documents()[0]->labels().lblTitle, QStringLiteral("Quarbel1"));
    // The first activation restores nothing: the new document's state is the shared one.
    EXPECT_FALSE(documents()[1]->flags().SkipActivate);
}

TEST_F(FrameTest, NewSkipsANameWhoseStateFileAnotherCopyHolds) {
    // Another running copy of the editor already owns Quarbel1.tmp in the same folder.
    const QString foreign = inAppDir(QStringLiteral("Quarbel1.tmp"));
    ASSERT_TRUE(writeBytes(foreign, "[Quarbel Ver.2]\r\nStereoName=Field\r\n"));
    trigger(Menu::mnuMono);
    trigger(Menu::mnuMono);
    EXPECT_EQ(documents()[0]->windowTitle(), QStringLiteral("Quarbel2"));
    EXPECT_EQ(documents()[1]->windowTitle(), QStringLiteral("Quarbel3"));
    EXPECT_EQ(readBytes(foreign), QByteArray("[Quarbel Ver.2]\r\nStereoName=Field\r\n"));
}

TEST_F(FrameTest, NewDocumentKeepsTheActiveDocumentsStateInItsOwnFile) {
    trigger(Menu::mnuMono);
    panes::DocumentWindow* a = active();
    frame->setSliderValue(Slider::sldRittaido, 33);
    frame->setMenuEnabled(Menu::mnuPaste, true);
    doc().PicDesignPath = QStringLiteral("/pictures/design.bmp");

    trigger(Menu::mnuFieldColor);
    const QString fileA = a->labels().lblIniName;
    EXPECT_EQ(iniValue(fileA, "Rittaido"), QStringLiteral("33"));
    EXPECT_EQ(iniValue(fileA, "mnuPaste"), QStringLiteral("True"));
    EXPECT_EQ(iniValue(fileA, "StereoName"), QStringLiteral("RandomDot"));
    EXPECT_EQ(iniValue(fileA, "PicDesignPath"), QStringLiteral("/pictures/design.bmp"));
    // The new document names no pictures and keeps Paste as it was.
    const QString fileB = active()->labels().lblIniName;
    EXPECT_EQ(iniValue(fileB, "PicDesignPath"), QString());
    EXPECT_EQ(iniValue(fileB, "mnuPaste"), QStringLiteral("True"));
    EXPECT_EQ(iniValue(fileB, "StereoName"), QStringLiteral("Field"));
}

TEST_F(FrameTest, SwitchingWindowsSavesTheOldAndAppliesTheNew) {
    trigger(Menu::mnuMono);
    panes::DocumentWindow* a = active();
    trigger(Menu::mnuFieldColor);
    panes::DocumentWindow* b = active();
    frame->setSliderValue(Slider::sldKurikaesi, 150);

    activate(a);
    EXPECT_EQ(active(), a);
    EXPECT_EQ(iniValue(b->labels().lblIniName, "KurikaesiHaba"), QStringLiteral("150"));
    EXPECT_EQ(iniValue(b->labels().lblIniName, "sldMitudoEnabled"), QStringLiteral("False"));
    EXPECT_EQ(doc().IniPath, a->labels().lblIniName);
    EXPECT_EQ(doc().StereoName, document::StereoKind::RandomDot);
    EXPECT_EQ(sliderValue(Slider::sldKurikaesi), 70);
    EXPECT_EQ(sliderValue(Slider::sldMitudo), 30);
    EXPECT_TRUE(frame->sliderEnabled(Slider::sldMitudo));
    EXPECT_FALSE(frame->buttonMenuEnabled(9, 2));
    EXPECT_EQ(frame->statusPanelText(1), a->labels().lblIniName);

    frame->setSliderValue(Slider::sldRittaido, 9);
    activate(b);
    EXPECT_EQ(iniValue(a->labels().lblIniName, "Rittaido"), QStringLiteral("9"));
    EXPECT_EQ(sliderValue(Slider::sldKurikaesi), 150);
    EXPECT_EQ(sliderValue(Slider::sldRittaido), 20);
    EXPECT_FALSE(frame->sliderEnabled(Slider::sldMitudo));
    EXPECT_TRUE(frame->buttonMenuEnabled(9, 2));
    EXPECT_EQ(doc().MonoOrColor, QString());
}

TEST_F(FrameTest, LosingFocusToAnotherWindowNeitherSavesNorRestores) {
    trigger(Menu::mnuMono);
    panes::DocumentWindow* a = active();
    frame->setSliderValue(Slider::sldMitudo, 77);
    // Make the file differ from the shared state: a restore would be visible.
    document::IniFile::writeString(a->labels().lblIniName, document::IniSectionName, QStringLiteral("Mitudo"),
                                   QStringLiteral("1"));
    emit frame->mdiArea()->subWindowActivated(nullptr);
    activate(a);
    emit frame->mdiArea()->subWindowActivated(frame->mdiArea()->activeSubWindow());
    EXPECT_EQ(sliderValue(Slider::sldMitudo), 77);
    EXPECT_EQ(iniValue(a->labels().lblIniName, "Mitudo"), QStringLiteral("1"));
    EXPECT_EQ(active(), a);
}

TEST_F(FrameTest, WindowMenuListsDocumentsAndActivatesTheChosenOne) {
    trigger(Menu::mnuMono);
    trigger(Menu::mnuColor);
    trigger(Menu::mnuFieldColor);
    emit frame->windowMenu()->aboutToShow();
    const QList<QAction*> entries = frame->windowMenu()->actions();
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(entries[0]->text(), QStringLiteral("&1 Quarbel1"));
    EXPECT_EQ(entries[2]->text(), QStringLiteral("&3 Quarbel3"));
    EXPECT_TRUE(entries[2]->isChecked());
    EXPECT_FALSE(entries[0]->isChecked());
    entries[1]->trigger();
    EXPECT_EQ(active(), documents()[1]);
    EXPECT_EQ(doc().MonoOrColor, QStringLiteral("Color"));

    // A window closed gives way to the one the user worked in before it, not the oldest.
    panes::DocumentWindow* before = active();
    trigger(Menu::mnuMono);
    dialogs.queueAnswer(platform::Answer::No);
    ASSERT_TRUE(closeWindowOf(active()));
    EXPECT_EQ(active(), before);
    EXPECT_EQ(doc().MonoOrColor, QStringLiteral("Color")) << "and its state comes back";
}

// ---- Save As ---------------------------------------------------------------------------------

TEST_F(SaveAsTest, SaveAsBindsTheWindowToTheChosenFileAndKeepsItsWorkingFile) {
    trigger(Menu::mnuMono);
    trigger(Menu::mnuFieldColor);
    panes::DocumentWindow* form = active();
    frame->setSliderValue(Slider::sldRittaido, 12);
    triggerAndRun(document::Menu::mnuSaveName, inDocs(QStringLiteral("sample.qbd")));

    ASSERT_EQ(dialogs.asked().size(), 1);
    const ScriptedDialogs::Asked& asked = dialogs.asked().front();
    EXPECT_EQ(asked.kind, ScriptedDialogs::Asked::Save);
    EXPECT_EQ(asked.request.fileName, QStringLiteral("Quarbel2"));
    EXPECT_EQ(asked.request.initialDir, appDir()); // nothing remembered yet
    EXPECT_EQ(asked.request.filter, QStringLiteral("Quarbelﾌｧｲﾙ(*.qbd)|*.qbd"));
    EXPECT_TRUE(asked.request.overwritePrompt);
    EXPECT_EQ(asked.request.defaultSuffix, QStringLiteral("qbd"));

    const QString saved = inDocs(QStringLiteral("sample.qbd"));
    const QString working = inAppDir(QStringLiteral("Quarbel2.tmp"));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("sample"));
    EXPECT_EQ(form->labels().lblTitle, QStringLiteral("sample"));
    EXPECT_EQ(form->labels().documentPath, saved);
    EXPECT_EQ(form->labels().lblOldIniName, saved);
    EXPECT_EQ(form->labels().lblIniName, working);
    EXPECT_EQ(doc().IniPath, working);
    EXPECT_EQ(doc().DocName, QStringLiteral("sample"));
    EXPECT_EQ(frame->statusPanelText(1), saved);
    EXPECT_TRUE(frame->menuEnabled(Menu::mnuSave));
    EXPECT_TRUE(frame->buttonEnabled(3));
    EXPECT_FALSE(form->flags().SaveFailed);

    const QStringList lines = fileLines(saved);
    ASSERT_EQ(lines.size(), 66);
    EXPECT_EQ(lines[1], QStringLiteral("FileNamePath=") + saved);
    EXPECT_EQ(iniValue(saved, "Rittaido"), QStringLiteral("12"));
    EXPECT_EQ(iniValue(saved, "mnuSave"), QStringLiteral("True"));
    EXPECT_EQ(iniValue(saved, "knButtons3"), QStringLiteral("True"));
    EXPECT_EQ(iniValue(state.SettingsPath, "QbdFileDir"), QDir::toNativeSeparators(docsDir()));
    EXPECT_EQ(tmpFiles(), (QStringList{QStringLiteral("Quarbel1.tmp"), QStringLiteral("Quarbel2.tmp")}));

    // Later changes go to the working file; the document takes them on Save only.
    frame->setSliderValue(Slider::sldRittaido, 13);
    EXPECT_EQ(iniValue(working, "Rittaido"), QStringLiteral("13"));
    EXPECT_EQ(iniValue(saved, "Rittaido"), QStringLiteral("12"));
    triggerAndRun(document::Menu::mnuSave);
    EXPECT_EQ(iniValue(saved, "Rittaido"), QStringLiteral("13"));
    EXPECT_EQ(fileLines(saved)[1], QStringLiteral("FileNamePath=") + saved);
    // The next Save As starts in the document's folder.
    triggerAndRun(document::Menu::mnuSaveName);
    EXPECT_EQ(dialogs.asked().back().request.initialDir, QDir::toNativeSeparators(docsDir()));
    EXPECT_EQ(dialogs.asked().back().request.fileName, QStringLiteral("sample"));
}

TEST_F(SaveAsTest, ANameWithoutTheExtensionGetsIt) {
    trigger(Menu::mnuMono);
    triggerAndRun(document::Menu::mnuSaveName, inDocs(QStringLiteral("plain")));
    EXPECT_EQ(active()->windowTitle(), QStringLiteral("plain"));
    EXPECT_EQ(active()->labels().documentPath, inDocs(QStringLiteral("plain.qbd")));
    EXPECT_EQ(fileLines(inDocs(QStringLiteral("plain.qbd"))).size(), 66);
    EXPECT_FALSE(QFileInfo::exists(inDocs(QStringLiteral("plain"))));
}

TEST_F(SaveAsTest, SavingASavedDocumentUnderASecondNameKeepsTheFirstFile) {
    trigger(Menu::mnuMono);
    triggerAndRun(document::Menu::mnuSaveName, inDocs(QStringLiteral("first.qbd")));
    frame->setSliderValue(Slider::sldKurikaesi, 111);
    triggerAndRun(document::Menu::mnuSaveName, inDocs(QStringLiteral("second.qbd")));

    EXPECT_EQ(active()->windowTitle(), QStringLiteral("second"));
    // The first file keeps what was saved into it; the change since went only into the second.
    EXPECT_EQ(iniValue(inDocs(QStringLiteral("first.qbd")), "KurikaesiHaba"), QStringLiteral("70"));
    EXPECT_EQ(iniValue(inDocs(QStringLiteral("second.qbd")), "KurikaesiHaba"), QStringLiteral("111"));
    frame->setSliderValue(Slider::sldKurikaesi, 5);
    triggerAndRun(document::Menu::mnuSave);
    EXPECT_EQ(iniValue(inDocs(QStringLiteral("first.qbd")), "KurikaesiHaba"), QStringLiteral("70"));
    EXPECT_EQ(iniValue(inDocs(QStringLiteral("second.qbd")), "KurikaesiHaba"), QStringLiteral("5"));
}

TEST_F(SaveAsTest, CancelledOrUnwritableSaveLeavesTheWindowOnItsOldFile) {
    trigger(Menu::mnuMono);
    panes::DocumentWindow* form = active();
    const QString tmp = inAppDir(QStringLiteral("Quarbel1.tmp"));

    triggerAndRun(document::Menu::mnuSaveName, std::nullopt);
    EXPECT_TRUE(form->flags().SaveFailed);

    // The dialog refuses a folder that is not there; the user then cancels.
    dialogs.queueFile(FileChoice{inDocs(QStringLiteral("missing/folder/x.qbd")), QStringLiteral("x.qbd")});
    triggerAndRun(document::Menu::mnuSaveName);
    EXPECT_TRUE(form->flags().SaveFailed);
    EXPECT_TRUE(dialogs.asked().back().request.pathMustExist);
    EXPECT_EQ(dialogs.asked().back().kind, ScriptedDialogs::Asked::Refused);
    EXPECT_EQ(iniValue(state.SettingsPath, "QbdFileDir"), QStringLiteral("<missing>"));

    // A name that is a folder cannot be written: the user is told.
    ASSERT_TRUE(QDir(docsDir()).mkdir(QStringLiteral("taken.qbd")));
    triggerAndRun(document::Menu::mnuSaveName, inDocs(QStringLiteral("taken.qbd")));
    EXPECT_TRUE(form->flags().SaveFailed);
    ASSERT_EQ(dialogs.asked().back().kind, ScriptedDialogs::Asked::Message);
    EXPECT_EQ(dialogs.asked().back().icon, platform::MessageIcon::Exclamation);

    for (const QString& path : {doc().IniPath, form->labels().lblIniName, form->labels().lblOldIniName}) {
        EXPECT_EQ(path, tmp);
    }
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Quarbel1"));
    EXPECT_TRUE(QFileInfo::exists(tmp));
    EXPECT_FALSE(frame->menuEnabled(Menu::mnuSave));
    EXPECT_FALSE(frame->buttonEnabled(3));
}

TEST_F(SaveAsTest, SaveRewritesTheDocumentFileWithoutADialog) {
    trigger(Menu::mnuMono);
    triggerAndRun(document::Menu::mnuSaveName, inDocs(QStringLiteral("doc.qbd")));
    const QString saved = inDocs(QStringLiteral("doc.qbd"));
    document::IniFile::writeString(saved, document::IniSectionName, QStringLiteral("Extra"),
                                   QStringLiteral("kept"));
    frame->setMenuEnabled(Menu::mnuCut, true);
    dialogs.clearAsked();

    trigger("Save");
    ASSERT_TRUE(active()->Timer1()->isActive());
    ASSERT_TRUE(waitUntil([&] { return !active()->Timer1()->isActive(); }));
    EXPECT_TRUE(dialogs.asked().isEmpty());
    EXPECT_EQ(iniValue(saved, "mnuCut"), QStringLiteral("True"));
    EXPECT_EQ(iniValue(saved, "Extra"), QStringLiteral("kept"));
}

// ---- closing ---------------------------------------------------------------------------------

TEST_F(SaveAsTest, CloseQuestionAnswers) {
    trigger(Menu::mnuMono);
    trigger(Menu::mnuColor);
    panes::DocumentWindow* second = active();
    const QString tmp2 = inAppDir(QStringLiteral("Quarbel2.tmp"));

    // Cancel keeps the window and its file.
    dialogs.queueAnswer(Answer::Cancel);
    triggerAndRun(document::Menu::mnuClose);
    ASSERT_EQ(dialogs.asked().size(), 1);
    EXPECT_EQ(dialogs.asked()[0].kind, ScriptedDialogs::Asked::Question);
    EXPECT_EQ(dialogs.asked()[0].text, QStringLiteral("「Quarbel2」を保存しますか？"));
    EXPECT_EQ(documents().size(), 2);
    EXPECT_FALSE(second->isClosing());
    EXPECT_TRUE(QFileInfo::exists(tmp2));

    // Yes, then a cancelled save dialog: still open.
    dialogs.queueAnswer(Answer::Yes);
    triggerAndRun(document::Menu::mnuClose, std::nullopt);
    EXPECT_EQ(documents().size(), 2);
    EXPECT_FALSE(second->flags().SaveFailed);
    EXPECT_TRUE(QFileInfo::exists(tmp2));

    // No discards the temporary file; the other document stays and takes over the controls.
    dialogs.queueAnswer(Answer::No);
    triggerAndRun(document::Menu::mnuClose);
    ASSERT_EQ(documents().size(), 1);
    EXPECT_FALSE(QFileInfo::exists(tmp2));
    EXPECT_EQ(active(), documents()[0]);
    EXPECT_EQ(doc().IniPath, inAppDir(QStringLiteral("Quarbel1.tmp")));
    EXPECT_TRUE(frame->menuEnabled(Menu::mnuClose));
    EXPECT_EQ(doc().MonoOrColor, QStringLiteral("Mono"));
}

TEST_F(SaveAsTest, YesOnAnUnsavedDocumentSavesItThenCloses) {
    trigger(Menu::mnuFieldColor);
    dialogs.queueAnswer(Answer::Yes);
    triggerAndRun(document::Menu::mnuClose, inDocs(QStringLiteral("kept.qbd")));
    EXPECT_TRUE(documents().isEmpty());
    EXPECT_EQ(iniValue(inDocs(QStringLiteral("kept.qbd")), "StereoName"), QStringLiteral("Field"));
    EXPECT_TRUE(tmpFiles().isEmpty());
}

TEST_F(SaveAsTest, ClosingASavedDocumentAsksToOverwrite) {
    trigger(Menu::mnuMono);
    triggerAndRun(document::Menu::mnuSaveName, inDocs(QStringLiteral("doc.qbd")));
    const QString saved = inDocs(QStringLiteral("doc.qbd"));
    frame->setMenuEnabled(Menu::mnuPrint, true); // a change only the Yes answer writes
    dialogs.clearAsked();

    dialogs.queueAnswer(Answer::No);
    triggerAndRun(document::Menu::mnuClose);
    ASSERT_EQ(dialogs.asked().size(), 1);
    EXPECT_EQ(dialogs.asked()[0].text, QStringLiteral("「doc」を上書き保存しますか？"));
    EXPECT_TRUE(documents().isEmpty());
    EXPECT_TRUE(QFileInfo::exists(saved));
    EXPECT_EQ(iniValue(saved, "mnuPrint"), QStringLiteral("False"));
}

TEST_F(SaveAsTest, ClosingTheLastDocumentReturnsToTheNoDocumentState) {
    trigger(Menu::mnuMono);
    trigger(Menu::mnuFieldColor);
    dialogs.queueAnswer(Answer::No);
    triggerAndRun(document::Menu::mnuClose);
    EXPECT_TRUE(frame->menuEnabled(Menu::mnuClose)) << "one document is still open";

    dialogs.queueAnswer(Answer::No);
    triggerAndRun(document::Menu::mnuClose);
    EXPECT_TRUE(documents().isEmpty());
    EXPECT_FALSE(frame->menuEnabled(Menu::mnuClose));
    EXPECT_FALSE(frame->menuEnabled(Menu::mnuSaveName));
    EXPECT_FALSE(frame->sliderEnabled(Slider::sldKurikaesi));
    EXPECT_FALSE(frame->captionEnabled(0));
    EXPECT_FALSE(frame->buttonEnabled(9));
    EXPECT_TRUE(tmpFiles().isEmpty()) << "a discarded document's file must not come back";
}

TEST_F(SaveAsTest, ClosingAWindowThatIsNotActiveActsOnItsOwnFile) {
    trigger(Menu::mnuMono);
    panes::DocumentWindow* a = active();
    triggerAndRun(document::Menu::mnuSaveName, inDocs(QStringLiteral("a.qbd")));
    frame->setSliderValue(Slider::sldKurikaesi, 11);
    trigger(Menu::mnuColor);
    panes::DocumentWindow* b = active();
    frame->setSliderValue(Slider::sldKurikaesi, 22);
    frame->setMenuEnabled(Menu::mnuCopy, true);

    dialogs.queueAnswer(Answer::Yes);
    ASSERT_TRUE(closeWindowOf(a));
    EXPECT_EQ(dialogs.asked().back().text, QStringLiteral("「a」を上書き保存しますか？"));
    const QString fileA = inDocs(QStringLiteral("a.qbd"));
    EXPECT_EQ(iniValue(fileA, "KurikaesiHaba"), QStringLiteral("11"));
    EXPECT_EQ(iniValue(fileA, "MONOorCOLOR"), QStringLiteral("Mono"));
    EXPECT_EQ(iniValue(fileA, "mnuCopy"), QStringLiteral("False"));

    // b keeps its own state, in its file and in the controls.
    ASSERT_EQ(documents(), QList<panes::DocumentWindow*>{b});
    EXPECT_EQ(active(), b);
    EXPECT_EQ(doc().IniPath, b->labels().lblIniName);
    EXPECT_EQ(sliderValue(Slider::sldKurikaesi), 22);
    EXPECT_TRUE(frame->menuEnabled(Menu::mnuCopy));
    EXPECT_EQ(iniValue(b->labels().lblIniName, "KurikaesiHaba"), QStringLiteral("22"));
}

TEST_F(SaveAsTest, AnotherWindowCannotBeClosedWhileOneConverts) {
    trigger(Menu::mnuMono);
    panes::DocumentWindow* idle = active();
    trigger(Menu::mnuMono);
    const QString idleFile = idle->labels().lblIniName;
    const QByteArray before = readBytes(idleFile);
    // A run belongs to the active window; the idle one must neither ask nor take the controls.
    state.run.Converting = true;
    EXPECT_FALSE(closeWindowOf(idle));
    EXPECT_TRUE(dialogs.asked().isEmpty());
    EXPECT_EQ(documents().size(), 2);
    EXPECT_NE(active(), idle);
    EXPECT_EQ(readBytes(idleFile), before);
    state.run.Converting = false;
}

// ---- end of the program ------------------------------------------------------------------------

TEST_F(SaveAsTest, ProgramEndClosesEveryDocumentAndLeavesNoTemporaryFile) {
    QFile stale(inAppDir(QStringLiteral("Quarbel7.tmp")));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();
    // Temporary files of other programs in the same folder are not ours to delete.
    for (const char* foreign : {".hidden.tmp", "notes.tmp", "Quarbel7a.tmp"}) {
        ASSERT_TRUE(writeBytes(inAppDir(QLatin1String(foreign)), "theirs"));
    }

    trigger(Menu::mnuMono);
    trigger(Menu::mnuFieldColor);
    trigger(Menu::mnuColor);
    dialogs.queueAnswer(Answer::No);
    dialogs.queueAnswer(Answer::Yes);
    queueSave(QStringLiteral("field.qbd"));
    dialogs.queueAnswer(Answer::No);

    trigger(Menu::mnuEnd);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(frame->isVisible());
    EXPECT_TRUE(documents().isEmpty());
    QStringList left = tmpFiles();
    left.sort();
    EXPECT_EQ(left, (QStringList{QStringLiteral(".hidden.tmp"), QStringLiteral("Quarbel7a.tmp"),
                                 QStringLiteral("notes.tmp")}));
    EXPECT_EQ(readBytes(inAppDir(QStringLiteral("notes.tmp"))), QByteArray("theirs"));
    EXPECT_EQ(iniValue(inDocs(QStringLiteral("field.qbd")), "StereoName"), QStringLiteral("Field"));
    // Each document was asked once, the active one first.
    QStringList questions;
    for (const auto& asked : dialogs.asked()) {
        if (asked.kind == ScriptedDialogs::Asked::Question) {
            questions << asked.text;
        }
    }
    EXPECT_EQ(questions, (QStringList{QStringLiteral("「Quarbel3」を保存しますか？"),
                                      QStringLiteral("「Quarbel2」を保存しますか？"),
                                      QStringLiteral("「Quarbel1」を保存しますか？")}));
}

TEST_F(SaveAsTest, CancelAtProgramEndKeepsTheProgramAndEveryDocumentFile) {
    trigger(Menu::mnuMono);
    trigger(Menu::mnuFieldColor);
    dialogs.queueAnswer(Answer::Cancel);
    EXPECT_FALSE(frame->close());
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(documents().size(), 2);
    EXPECT_EQ(tmpFiles().size(), 2);

    // Each window is asked once per attempt, and switching still restores real state.
    ASSERT_EQ(dialogs.asked().size(), 1);
    activate(documents()[0]);
    EXPECT_EQ(sliderValue(Slider::sldMitudo), 30);
    EXPECT_EQ(doc().StereoName, document::StereoKind::RandomDot);
}

// ---- deferred commands -----------------------------------------------------------------------

TEST_F(SaveAsTest, CommandsRunAfterThePostingHandlerReturnsEachOnceInTheOrderPosted) {
    trigger(Menu::mnuMono);
    panes::DocumentWindow* form = active();
    trigger(Menu::mnuSaveName);
    trigger(Menu::mnuClose);
    EXPECT_TRUE(form->Timer1()->isActive());
    EXPECT_EQ(form->Timer1()->interval(), 50);
    EXPECT_TRUE(dialogs.asked().isEmpty()) << "nothing runs inside the posting handler";
    const QList<panes::Command> posted{panes::Command(document::CommandTag::MDImnuSaveName),
                                       panes::Command(document::CommandTag::MDImnuClose)};
    EXPECT_EQ(form->pendingCommands(), posted);

    dialogs.queueFile(std::nullopt);     // the Save As dialog is cancelled
    dialogs.queueAnswer(Answer::Cancel); // and the close question keeps the window
    ASSERT_TRUE(waitUntil([&] { return dialogs.asked().size() == 2 && !form->Timer1()->isActive(); }));
    EXPECT_EQ(dialogs.asked()[0].kind, ScriptedDialogs::Asked::Save);
    EXPECT_EQ(dialogs.asked()[1].kind, ScriptedDialogs::Asked::Question);
    EXPECT_TRUE(form->pendingCommands().isEmpty());
    EXPECT_EQ(documents().size(), 1);
}

// Keyboard macros and automation send keys back to back: a Save followed at once by a Close saves
// before the close question, so answering No loses nothing.
TEST_F(SaveAsTest, SaveThenCloseByKeysBackToBackSavesFirst) {
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    trigger(Menu::mnuMono);
    triggerAndRun(Menu::mnuSaveName, inDocs(QStringLiteral("keys.qbd")));
    const QString saved = inDocs(QStringLiteral("keys.qbd"));
    ASSERT_EQ(iniValue(saved, "KurikaesiHaba"), QStringLiteral("70"));
    frame->setSliderValue(Slider::sldKurikaesi, 123);

    const QPointer<panes::DocumentWindow> form = active();
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : frame.get();
    QTest::keyClick(target, Qt::Key_S, Qt::ControlModifier);
    QTest::keyClick(target, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(form->pendingCommands().size(), 2) << "both keys posted their command";
    dialogs.queueAnswer(Answer::No);
    ASSERT_TRUE(waitUntil([&] { return !form; }));
    EXPECT_EQ(iniValue(saved, "KurikaesiHaba"), QStringLiteral("123"));
    ASSERT_EQ(dialogs.asked().size(), 2) << "Save As, then the close question only";
    EXPECT_EQ(dialogs.asked()[1].kind, ScriptedDialogs::Asked::Question);
}

TEST_F(SaveAsTest, CloseRunsOnTheWindowItWasPostedTo) {
    trigger(Menu::mnuMono);
    trigger(Menu::mnuMono);
    panes::DocumentWindow* second = active();
    dialogs.queueAnswer(Answer::No);
    triggerAndRun(document::Menu::mnuClose);
    ASSERT_EQ(documents().size(), 1);
    EXPECT_NE(documents()[0], second);
}

TEST_F(SaveAsTest, SaveImageAndPrintOnEmptyPanesDoNothing) {
    trigger(Menu::mnuFieldColor);
    frame->setMenuEnabled(Menu::mnuPaste, true);
    const QStringList before = fileLines(doc().IniPath);
    // Enabled by hand: the commands themselves must find the empty panes.
    frame->setMenuEnabled(Menu::mnuSaveGazou, true);
    for (Menu item : {Menu::mnuSaveDesign, Menu::mnuSaveField, Menu::mnuPrint, Menu::mnuSaveStereo}) {
        frame->setMenuEnabled(item, true);
        triggerAndRun(item);
    }
    EXPECT_TRUE(dialogs.asked().isEmpty());
    EXPECT_EQ(documents().size(), 1);
    EXPECT_EQ(fileLines(doc().IniPath), before);

    // Paste carries the pane chosen in the window to the insertion.
    QTest::mouseClick(active()->picContField(), Qt::LeftButton, {}, {20, 20}); // the empty Field area
    ASSERT_EQ(active()->editTargetTag(), document::PicSource::CBpicField);
    frame->setMenuEnabled(Menu::mnuPaste, true); // the clipboard may hold nothing here
    trigger(Menu::mnuPaste);
    const QList<panes::Command> posted{
        panes::Command(document::CommandTag::MDImnuInsField, document::PicSource::CBpicField)};
    EXPECT_EQ(active()->pendingCommands(), posted);
    EXPECT_TRUE(active()->Timer1()->isActive());
}

} // namespace
} // namespace quarbel::testing
