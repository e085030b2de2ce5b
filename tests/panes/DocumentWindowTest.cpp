// The document window on its own, with a frame made of plain data.

#include "panes/DocumentWindow.h"

#include "document/IniFile.h"
#include "document/Settings.h"
#include "panes/DocumentHost.h"
#include "support/FakeSharedControls.h"
#include "support/ScriptedDialogs.h"
#include "support/Waits.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QIcon>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace quarbel::panes {
namespace {

using platform::Answer;

struct FakeHost : DocumentHost {
    // What the frame shows while no window is current; a new window starts as it.
    document::DocumentState own;
    std::map<int, QString> panels;
    int resets = 0;
    int documents = 1;
    DocumentWindow* current = nullptr;
    int madeCurrent = 0;

    // The shared controls show the current window's own state, as the frame's do.
    document::DocumentState& shown() { return current ? current->model() : own; }
    document::DocumentControls& controls() { return shown().controls; }
    document::DocumentFields& fields() { return shown().fields; }
    document::SharedControls& sharedControls() override { return controls(); }
    void setStatusPanelText(int panel, const QString& text) override { panels[panel] = text; }
    void ResetMenus() override { ++resets; }
    int openDocumentCount() const override { return documents; }
    DocumentWindow* windowOfDocument(const QString&) override { return nullptr; }
    bool isCurrent(const DocumentWindow& form) const override { return current == &form; }
    void makeCurrent(DocumentWindow& form) override {
        ++madeCurrent;
        current = &form;
        form.Form_Activate();
    }
    void lockOtherDocuments(const DocumentWindow&) override { locked = true; }
    void unlockDocuments() override { locked = false; }
    bool locked = false;
};

class DocumentWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        state.appDir = m_dir.path();
        state.SettingsPath = path(QStringLiteral("Quarbel2.qbs"));
        host.fields().StereoName = document::StereoKind::RandomDot;
        host.fields().MonoOrColor = QStringLiteral("Mono");
        host.fields().OpenMode = QStringLiteral("Sinki");
        state.NewDocNumber = 3;
        testing::FakeSharedControls all;
        all.setAll(true);
        all.sliderValues = {70, 20, 30};
        host.own.controls = all;
        form = std::make_unique<DocumentWindow>(state, host, dialogs);
        form->resize(400, 300);
    }

    DocumentWindow* load() {
        form->model() = host.own;
        form->Form_Load();
        host.current = form.get();
        form->Form_Activate(); // the first activation
        return form.get();
    }

    QString path(const QString& name) const { return QDir(m_dir.path()).filePath(name); }
    QString value(const QString& file, const char* key) const {
        return document::IniFile::readString(file, document::IniSectionName, QLatin1String(key),
                                             QStringLiteral("-"));
    }

    document::AppState state;
    FakeHost host;
    testing::ScriptedDialogs dialogs;
    std::unique_ptr<DocumentWindow> form;

private:
    QTemporaryDir m_dir;
};

TEST_F(DocumentWindowTest, LoadingANewDocumentNamesItAndWritesItsTemporaryFile) {
    host.fields().PicDesignPath = QStringLiteral("/old/design.bmp");
    host.fields().PicStereoPath = QStringLiteral("/old/stereo.bmp");
    form->model() = host.own;
    form->Form_Load();

    const QString tmp = path(QStringLiteral("Quarbel3.tmp"));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Quarbel3"));
    EXPECT_EQ(form->model().fields.IniPath, tmp);
    EXPECT_EQ(form->labels().lblTitle, QStringLiteral("Quarbel3"));
    EXPECT_EQ(form->labels().lblIniName, tmp);
    EXPECT_EQ(form->labels().lblOldIniName, tmp);
    EXPECT_EQ(form->labels().lblStereoName, document::StereoKind::RandomDot);
    EXPECT_TRUE(form->flags().SkipActivate);
    EXPECT_EQ(host.panels[1], tmp);
    EXPECT_EQ(state.NewDocNumber, 3) << "the frame counts documents, not the window";
    EXPECT_EQ(value(tmp, "PicDesignPath"), QString());
    EXPECT_EQ(value(tmp, "PicStereoPath"), QString());
    EXPECT_EQ(value(tmp, "FileNamePath"), tmp);
    EXPECT_EQ(value(tmp, "Mitudo"), QStringLiteral("30"));

    // The initial layout, before the first show.
    EXPECT_EQ(form->picContBefore()->geometry(), QRect(0, 0, 199, 149));
    EXPECT_EQ(form->picContAfter()->geometry(), QRect(201, 0, 199, 300));
    EXPECT_TRUE(form->picAfter()->isHidden());
}

TEST_F(DocumentWindowTest, LoadingForAnOpenedDocumentUsesItsNameAndFile) {
    host.fields().OpenMode = QStringLiteral("Hiraku");
    host.fields().DocName = QStringLiteral("abc");
    const QString document = path(QStringLiteral("abc.qbd"));
    form->model() = host.own;
    form->Form_Load(document);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("abc"));
    EXPECT_EQ(form->labels().documentPath, document);
    EXPECT_EQ(form->labels().lblOldIniName, document);
    // The live state goes into a working file of the window's own, never into the document.
    const QString working = path(QStringLiteral("QuarbelDoc1.tmp"));
    EXPECT_EQ(form->labels().lblIniName, working);
    EXPECT_EQ(form->model().fields.IniPath, working);
    EXPECT_TRUE(QFileInfo::exists(working));
    EXPECT_EQ(host.panels[1], document);
    EXPECT_FALSE(QFileInfo::exists(document)) << "opening writes nothing into the document";
}

TEST_F(DocumentWindowTest, WindowIconFollowsTheKind) {
    const struct {
        document::StereoKind stereo;
        const char* mono;
        const char* icon;
    } rows[] = {{document::StereoKind::RandomDot, "Mono", "101"},
                {document::StereoKind::RandomDot, "", "101"},
                {document::StereoKind::RandomDot, "Color", "103"},
                {document::StereoKind::Field, "", "104"},
                {document::StereoKind::Field, "Color", "104"}};
    for (const auto& row : rows) {
        host.fields().StereoName = row.stereo;
        host.fields().MonoOrColor = QLatin1String(row.mono);
        DocumentWindow window(state, host, dialogs);
        window.resize(200, 100);
        window.model() = host.own;
        window.Form_Load();
        const QImage expected = QIcon(QStringLiteral(":/panes/icons/%1.svg").arg(QLatin1String(row.icon)))
                                    .pixmap(16, 16)
                                    .toImage();
        ASSERT_FALSE(expected.isNull());
        EXPECT_EQ(window.windowIcon().pixmap(16, 16).toImage(), expected)
            << document::DocumentKind(row.stereo).text().toStdString() << "/" << row.mono;
    }
}

TEST_F(DocumentWindowTest, ActivationAfterTheFirstRestoresTheWindowsOwnFile) {
    load();
    const QString own = form->labels().lblIniName;
    document::IniFile::writeString(own, document::IniSectionName, QStringLiteral("Rittaido"),
                                   QStringLiteral("44"));
    document::IniFile::writeString(own, document::IniSectionName, QStringLiteral("mnuSave"),
                                   QStringLiteral("False"));
    host.fields().IniPath = path(QStringLiteral("other.qbd"));
    host.controls().buttonMenus[{9, 2}] = true;

    form->Form_Activate();
    EXPECT_EQ(host.fields().IniPath, own);
    EXPECT_EQ(host.controls().sliderValues[1], 44);
    EXPECT_FALSE(host.controls().menus[static_cast<std::size_t>(document::Menu::mnuSave)]);
    EXPECT_FALSE((host.controls().buttonMenus[{9, 2}])) << "random dot has no Field image";
    EXPECT_EQ(host.panels[1], own);
}

struct UnloadCase {
    const char* name;
    bool saved;
    Answer answer;
    bool saveDialogChooses; // only for Yes on an unsaved document
    bool closes;
    bool fileRemains;
};

void PrintTo(const UnloadCase& c, std::ostream* os) {
    *os << c.name;
}

class DocumentWindowUnloadTest : public DocumentWindowTest,
                                 public ::testing::WithParamInterface<UnloadCase> {};

TEST_P(DocumentWindowUnloadTest, AnswersDecideTheCloseAndTheFile) {
    const UnloadCase& c = GetParam();
    QTemporaryDir docs;
    load();
    QString file = form->labels().lblIniName;
    if (c.saved) {
        dialogs.queueFile(platform::FileChoice{QDir(docs.path()).filePath(QStringLiteral("d.qbd")),
                                               QStringLiteral("d.qbd")});
        form->SaveDocumentAs();
        file = form->labels().documentPath;
        ASSERT_TRUE(file.endsWith(QLatin1String(".qbd")));
    }
    dialogs.clearAsked();
    dialogs.queueAnswer(c.answer);
    if (c.saveDialogChooses) {
        dialogs.queueFile(platform::FileChoice{QDir(docs.path()).filePath(QStringLiteral("y.qbd")),
                                               QStringLiteral("y.qbd")});
    }

    bool cancel = false;
    form->Form_Unload(cancel);
    ASSERT_FALSE(dialogs.asked().isEmpty());
    EXPECT_EQ(dialogs.asked()[0].text, c.saved ? QStringLiteral("「d」を上書き保存しますか？")
                                               : QStringLiteral("「Quarbel3」を保存しますか？"));
    EXPECT_EQ(cancel, !c.closes);
    EXPECT_EQ(form->isClosing(), c.closes);
    EXPECT_EQ(host.resets, c.closes ? 1 : 0);
    EXPECT_EQ(QFileInfo::exists(file), c.fileRemains);
    EXPECT_FALSE(form->flags().SaveFailed);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, DocumentWindowUnloadTest,
    ::testing::Values(UnloadCase{"UnsavedNo", false, Answer::No, false, true, false},
                      UnloadCase{"UnsavedCancel", false, Answer::Cancel, false, false, true},
                      UnloadCase{"UnsavedYesCancelledDialog", false, Answer::Yes, false, false, true},
                      UnloadCase{"UnsavedYesSaved", false, Answer::Yes, true, true, false},
                      UnloadCase{"SavedNo", true, Answer::No, false, true, true},
                      UnloadCase{"SavedYes", true, Answer::Yes, false, true, true},
                      UnloadCase{"SavedCancel", true, Answer::Cancel, false, false, true}),
    [](const ::testing::TestParamInfo<UnloadCase>& info) { return std::string(info.param.name); });

TEST_F(DocumentWindowTest, AWindowThatAgreedToCloseNoLongerWritesOrRunsCommands) {
    load();
    dialogs.queueAnswer(Answer::No);
    bool cancel = false;
    form->Form_Unload(cancel);
    ASSERT_TRUE(form->isClosing());
    form->Form_Deactivate();
    EXPECT_FALSE(QFileInfo::exists(form->labels().lblOldIniName));

    // No frame here, so no menu: the command is posted and its timer fired by hand.
    form->post(document::CommandTag::MDImnuSaveName);
    form->Timer1_Timer();
    EXPECT_TRUE(form->pendingCommands().isEmpty());
    EXPECT_EQ(dialogs.pendingFiles(), 0);
    EXPECT_EQ(dialogs.asked().size(), 1);
}

TEST_F(DocumentWindowTest, ClosingAWindowThatIsNotCurrentBringsItsStateInFirst) {
    load();
    host.current = nullptr;
    host.controls().sliderValues[0] = 5; // another window's value in the shared controls
    dialogs.queueAnswer(Answer::Cancel);
    bool cancel = false;
    form->Form_Unload(cancel);
    EXPECT_EQ(host.madeCurrent, 1);
    EXPECT_EQ(host.controls().sliderValues[0], 70);
}

TEST_F(DocumentWindowTest, StaleSaveFailureDoesNotBlockALaterSuccessfulSave) {
    QTemporaryDir docs;
    load();
    dialogs.queueFile(std::nullopt);
    form->SaveDocumentAs();
    ASSERT_TRUE(form->flags().SaveFailed);

    dialogs.queueAnswer(Answer::Yes);
    dialogs.queueFile(
        platform::FileChoice{QDir(docs.path()).filePath(QStringLiteral("z.qbd")), QStringLiteral("z.qbd")});
    bool cancel = false;
    form->Form_Unload(cancel);
    EXPECT_FALSE(cancel);
    EXPECT_TRUE(form->isClosing());
}

TEST_F(DocumentWindowTest, YesOnADocumentWhoseFileCannotBeWrittenKeepsTheWindowAndSaysSo) {
    QTemporaryDir docs;
    const QString folder = QDir(docs.path()).filePath(QStringLiteral("gone"));
    ASSERT_TRUE(QDir().mkpath(folder));
    load();
    dialogs.queueFile(
        platform::FileChoice{QDir(folder).filePath(QStringLiteral("d.qbd")), QStringLiteral("d.qbd")});
    form->SaveDocumentAs();
    ASSERT_FALSE(form->flags().SaveFailed);
    ASSERT_TRUE(QDir(folder).removeRecursively());

    dialogs.queueAnswer(Answer::Yes);
    bool cancel = false;
    form->Form_Unload(cancel);
    EXPECT_TRUE(cancel);
    EXPECT_FALSE(form->isClosing());
    ASSERT_EQ(dialogs.asked().back().kind, testing::ScriptedDialogs::Asked::Message);
    EXPECT_TRUE(dialogs.asked().back().text.contains(QStringLiteral("d.qbd")));
}

TEST_F(DocumentWindowTest, PostedCommandsRunEachOnceInTheOrderPostedAndUnknownTagsDoNothing) {
    load();
    const auto idle = [&] { return !form->Timer1()->isActive() && form->pendingCommands().isEmpty(); };
    form->post(document::CommandTag::None);
    form->post(document::CommandTag::None);
    EXPECT_TRUE(form->Timer1()->isSingleShot());
    ASSERT_TRUE(testing::waitUntil(idle));
    EXPECT_TRUE(dialogs.asked().isEmpty());

    // Save writes the document file, then Save As moves the document to another one: had they run
    // the other way round, or had the later replaced the earlier, the first file would miss the value.
    QTemporaryDir docs;
    const QString first = QDir(docs.path()).filePath(QStringLiteral("t.qbd"));
    const QString second = QDir(docs.path()).filePath(QStringLiteral("u.qbd"));
    dialogs.queueFile(platform::FileChoice{first, QStringLiteral("t.qbd")});
    form->SaveDocumentAs();
    ASSERT_EQ(form->labels().documentPath, first);
    form->model().controls.sliderValues[2] = 88;
    form->post(document::CommandTag::MDImnuSave);
    form->post(document::CommandTag::MDImnuSaveName);
    dialogs.queueFile(platform::FileChoice{second, QStringLiteral("u.qbd")});
    ASSERT_TRUE(testing::waitUntil(idle));
    EXPECT_EQ(value(first, "Mitudo"), QStringLiteral("88"));
    EXPECT_EQ(value(second, "Mitudo"), QStringLiteral("88"));
    EXPECT_EQ(form->labels().documentPath, second);
    EXPECT_EQ(dialogs.pendingFiles(), 0);
}

} // namespace
} // namespace quarbel::panes
