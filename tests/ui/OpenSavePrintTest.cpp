// Opening document files and saving pane pictures, with scripted dialogs.

#include "FrameFixture.h"
#include "platform/Picture.h"
#include "support/TestFiles.h"
#include "ui/ColourFieldWizard.h"

#include <QDateTime>
#include <QScreen>
#include <QTimer>
#include <random>

namespace quarbel::testing {
namespace {

using document::Menu;
using platform::FileChoice;
using platform::MessageIcon;
using Asked = testing::ScriptedDialogs::Asked;

class OpenSavePrintTest : public FrameTest {
protected:
    static QImage pattern(int width, int height, int seed) {
        QImage image(width, height, QImage::Format_RGB32);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                image.setPixel(x, y, qRgb((x * 7 + seed) & 255, (y * 13 + seed) & 255, (x ^ y) & 255));
            }
        }
        return image;
    }
    QString folder(const QString& name) const {
        QDir(appDir()).mkpath(name);
        return inAppDir(name);
    }
    QString writePicture(const QString& name, const QImage& image) {
        const QString path = QDir(folder(QStringLiteral("pics"))).filePath(name);
        EXPECT_FALSE(platform::saveBmp(image, path).has_value());
        return path;
    }
    // Opens a document file holding only the given keys; everything else takes its default.
    panes::DocumentWindow* openDocument(const QString& name,
                                        const QList<std::pair<const char*, QString>>& keys) {
        const QString path = QDir(folder(QStringLiteral("docs"))).filePath(name);
        for (const auto& [key, value] : keys) {
            EXPECT_TRUE(
                document::IniFile::writeString(path, document::IniSectionName, QLatin1String(key), value));
        }
        return open(path);
    }
    panes::DocumentWindow* open(const QString& path) {
        dialogs.queueFile(FileChoice{path, QFileInfo(path).fileName()});
        trigger(Menu::mnuOpen);
        return active();
    }
    static bool shows(const panes::PicturePane* pane, const QImage& image) {
        return !pane->isHidden() && pane->picture().convertToFormat(QImage::Format_RGB32) == image;
    }
    QList<Asked> messages() const {
        QList<Asked> found;
        for (const Asked& asked : dialogs.asked()) {
            if (asked.kind == Asked::Message) {
                found.append(asked);
            }
        }
        return found;
    }
    QString settingsValue(const char* key) const { return iniValue(state.SettingsPath, key); }
};

TEST_F(OpenSavePrintTest, CancelOrATooShortTitleChangesNothing) {
    trigger(Menu::mnuMono);
    panes::DocumentWindow* first = active();
    const QString firstFile = doc().IniPath;
    for (const std::optional<FileChoice>& choice :
         {std::optional<FileChoice>(),
          std::optional(FileChoice{inAppDir(QStringLiteral("abc")), QStringLiteral("abc")})}) {
        dialogs.queueFile(choice);
        trigger(Menu::mnuOpen);
        EXPECT_EQ(documents().size(), 1);
        EXPECT_EQ(active(), first);
        EXPECT_EQ(doc().IniPath, firstFile);
        EXPECT_EQ(settingsValue("QbdFileDir"), QStringLiteral("<missing>"));
    }
    EXPECT_EQ(dialogs.asked().first().request.filter, QStringLiteral("Quarbelﾌｧｲﾙ(*.qbd)|*.qbd"));
    EXPECT_EQ(dialogs.asked().first().text, appDir());
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(OpenSavePrintTest, OpensTheNamedPicturesAndRemembersTheFolder) {
    trigger(Menu::mnuMono);
    const QString firstFile = doc().IniPath;
    const QImage field = pattern(40, 30, 1);
    const QImage stereo = pattern(60, 30, 2);
    panes::DocumentWindow* form = openDocument(
        QStringLiteral("pair.qbd"), {{"StereoName", QStringLiteral("Field")},
                                     {"PicFieldPath", writePicture(QStringLiteral("f.bmp"), field)},
                                     {"PicStereoPath", writePicture(QStringLiteral("s.bmp"), stereo)},
                                     {"KurikaesiHaba", QStringLiteral("55")}});
    ASSERT_NE(form, nullptr);
    const QString document = inAppDir(QStringLiteral("docs/pair.qbd"));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("pair"));
    EXPECT_EQ(form->labels().documentPath, document);
    const QList<panes::Command> posted{panes::Command(
        document::CommandTag::MDImnuOpen, document::PicSource::FromMDImnuOpen, QStringLiteral("FS"))};
    EXPECT_EQ(form->pendingCommands(), posted);
    EXPECT_EQ(sliderValue(document::Slider::sldKurikaesi), 55);
    EXPECT_TRUE(frame->menuEnabled(Menu::mnuSave) && frame->buttonEnabled(3));
    EXPECT_EQ(settingsValue("QbdFileDir"), inAppDir(QStringLiteral("docs")));
    ASSERT_TRUE(waitUntil([&] { return shows(form->picField(), field) && shows(form->picAfter(), stereo); }));
    EXPECT_TRUE(form->picBefore()->isHidden());
    // Each file keeps its own document: neither window's state went into the other's file.
    EXPECT_EQ(iniValue(firstFile, "StereoName"), QStringLiteral("RandomDot"));
    EXPECT_EQ(iniValue(document, "StereoName"), QStringLiteral("Field"));
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(OpenSavePrintTest, AMissingFileOpensAnEmptyFieldDocumentBoundToIt) {
    const QString path = inAppDir(QStringLiteral("a.qbd"));
    panes::DocumentWindow* form = open(path);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->labels().documentPath, path);
    EXPECT_EQ(doc().StereoName, document::StereoKind::Field);
    ASSERT_EQ(form->pendingCommands().size(), 1);
    EXPECT_EQ(form->pendingCommands()[0].openPicCode, QString());
    EXPECT_TRUE(messages().isEmpty());
    ASSERT_TRUE(waitUntil([&] { return !form->Timer1()->isActive(); }));
    EXPECT_TRUE(form->picBefore()->isHidden() && form->picField()->isHidden() &&
                form->picAfter()->isHidden());
    // The file comes into being when the user saves, not before.
    EXPECT_FALSE(QFileInfo::exists(path));
    trigger(Menu::mnuSave);
    ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(path); }));
    EXPECT_EQ(iniValue(path, "StereoName"), QStringLiteral("Field"));
}

// Names given on the command line: each opens as Open does; what Open refuses is refused with
// the same message, and a name that is not there is reported instead of becoming a new document.
TEST_F(OpenSavePrintTest, DocumentsNamedToTheProgramOpenAsOpenDoesAndMissingOnesAreOnlyReported) {
    const QString docs = folder(QStringLiteral("docs"));
    const auto write = [&](const char* name, const QByteArray& bytes) {
        const QString path = QDir(docs).filePath(QLatin1String(name));
        EXPECT_TRUE(writeBytes(path, bytes));
        return path;
    };
    const QString first =
        write("first.qbd", "[Quarbel Ver.2]\r\nStereoName=RandomDot\r\nMONOorCOLOR=Mono\r\n");
    write("second.qbd", "[Quarbel Ver.2]\r\nStereoName=Field\r\nKurikaesiHaba=44\r\n");
    const QString foreign = write("notes.qbd", "shopping list\n");
    const QString missing = QDir(docs).filePath(QStringLiteral("missing.qbd"));
    const QString nowhere = inAppDir(QStringLiteral("nowhere/x.qbd"));
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(docs));
    // A relative name is taken from the folder the program was started in.
    frame->openDocuments({first, missing, foreign, nowhere, QStringLiteral("second.qbd"), first});
    QDir::setCurrent(previous);

    QStringList titles;
    for (const panes::DocumentWindow* form : documents()) {
        titles.append(form->windowTitle());
    }
    titles.sort();
    EXPECT_EQ(titles, (QStringList{QStringLiteral("first"), QStringLiteral("second")}))
        << "one window each; naming a document twice brings its window to the front";
    ASSERT_NE(active(), nullptr);
    EXPECT_EQ(active()->labels().documentPath, first);
    EXPECT_EQ(settingsValue("QbdFileDir"), docs);

    const struct {
        QString path;
        QString says;
    } refused[] = {{missing, QStringLiteral("ｴﾗｰ番号  53")},
                   {foreign, QStringLiteral("はQuarbelのファイルではありません。")},
                   {nowhere, QStringLiteral("ｴﾗｰ番号  76")}};
    const QList<Asked> shown = messages();
    ASSERT_EQ(shown.size(), std::size(refused));
    for (std::size_t i = 0; i < std::size(refused); ++i) {
        EXPECT_TRUE(shown[i].text.contains(refused[i].says) && shown[i].text.contains(refused[i].path))
            << shown[i].text.toStdString();
        EXPECT_EQ(shown[i].icon, MessageIcon::Exclamation);
    }
    EXPECT_FALSE(QFileInfo::exists(missing));
    EXPECT_FALSE(QFileInfo::exists(inAppDir(QStringLiteral("nowhere"))));
    EXPECT_EQ(iniValue(foreign, "StereoName"), QStringLiteral("<missing>"))
        << "the foreign file is untouched";
}

TEST_F(OpenSavePrintTest, AFolderThatIsNotThereIsRefusedAndNotRemembered) {
    trigger(Menu::mnuMono);
    panes::DocumentWindow* first = active();
    dialogs.queueFile(FileChoice{inAppDir(QStringLiteral("nowhere/b.qbd")), QStringLiteral("b.qbd")});
    trigger(Menu::mnuOpen);
    EXPECT_TRUE(dialogs.asked().first().request.pathMustExist);
    EXPECT_EQ(dialogs.asked().back().kind, Asked::Refused);
    EXPECT_EQ(documents(), QList<panes::DocumentWindow*>{first});
    EXPECT_EQ(settingsValue("QbdFileDir"), QStringLiteral("<missing>"));
}

TEST_F(OpenSavePrintTest, AFifoIsNoDocumentAndIsRefusedAtOnceNamingIt) {
    const QString fifo = inAppDir(QStringLiteral("pipe.qbd"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString before = doc().IniPath;
    EXPECT_EQ(open(fifo), nullptr);
    EXPECT_EQ(doc().IniPath, before);
    const QList<Asked> shown = messages();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown.first().text.endsWith(QStringLiteral("\r\nファイル: ") + fifo))
        << shown.first().text.toStdString();
    EXPECT_TRUE(
        shown.first().text.contains(QStringLiteral("通常のファイルではないため、文書として開けません。")))
        << shown.first().text.toStdString();
}

TEST_F(OpenSavePrintTest, AFileTooLargeToBeADocumentIsRefusedAndTheSharedValuesStay) {
    trigger(Menu::mnuMono);
    const QString before = doc().IniPath;
    const QString big = inAppDir(QStringLiteral("big.qbd"));
    {
        QFile file(big);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.write("[Quarbel Ver.2]\r\nStereoName=Field\r\n"));
        ASSERT_TRUE(file.resize(17 * 1024 * 1024));
    }
    const int windows = frame->openDocumentCount();
    open(big);
    EXPECT_EQ(frame->openDocumentCount(), windows);
    EXPECT_EQ(doc().IniPath, before);
    EXPECT_EQ(doc().StereoName, document::StereoKind::RandomDot);
    const QList<Asked> shown = messages();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown.first().text.contains(big));
}

TEST_F(OpenSavePrintTest, SavesEachPaneWholeAndRemembersItsFolder) {
    const QImage images[] = {pattern(50, 40, 3), pattern(20, 40, 4), pattern(70, 40, 5)};
    const QString designPath = writePicture(QStringLiteral("d.bmp"), images[0]);
    const QString stereoPath = writePicture(QStringLiteral("s.bmp"), images[2]);
    panes::DocumentWindow* form = openDocument(
        QStringLiteral("three.qbd"), {{"StereoName", QStringLiteral("Field")},
                                      {"PicDesignPath", designPath},
                                      {"PicFieldPath", writePicture(QStringLiteral("f.bmp"), images[1])},
                                      {"PicStereoPath", stereoPath}});
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(waitUntil([&] { return shows(form->picAfter(), images[2]); }));

    struct Case {
        Menu command;
        const char* key;
        int image;
        const char* name; // as typed
        int filter;       // 0 BMP, 1 PNG
        const char* written;
        const char* magic; // what the file starts with
    };
    // A typed extension decides the format; a bare name or another extension takes the filter's.
    const Case cases[] = {
        {Menu::mnuSaveDesign, "picDesignDir", 0, "design", 0, "design.bmp", "BM"},
        {Menu::mnuSaveField, "picFieldDir", 1, "field", 0, "field.bmp", "BM"},
        {Menu::mnuSaveStereo, "picStereoDir", 2, "one", 0, "one.bmp", "BM"},
        {Menu::mnuSaveStereo, "picStereoDir", 2, "two.BMP", 1, "two.BMP", "BM"},
        {Menu::mnuSaveDesign, "picDesignDir", 0, "design", 1, "design.png", "\x89PNG"},
        {Menu::mnuSaveField, "picFieldDir", 1, "field.PNG", 0, "field.PNG", "\x89PNG"},
        {Menu::mnuSaveStereo, "picStereoDir", 2, "three", 1, "three.png", "\x89PNG"},
        {Menu::mnuSaveStereo, "picStereoDir", 2, "four.pic", 1, "four.pic", "\x89PNG"},
    };
    QString stereoNamed = stereoPath;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.written);
        dialogs.clearAsked();
        const QString outDir = folder(QLatin1String(c.key));
        const QString name = QLatin1String(c.name);
        FileChoice choice{QDir(outDir).filePath(name), name};
        choice.filterIndex = c.filter;
        dialogs.queueFile(choice);
        const QString expectedDir = settingsValue(c.key) == QStringLiteral("<missing>") ? appDir() : outDir;
        trigger(c.command);
        const QString written = QDir(outDir).filePath(QLatin1String(c.written));
        ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(written); }));
        EXPECT_EQ(dialogs.asked().first().request.filter,
                  QStringLiteral("BMP(*.bmp)|*.bmp|PNG(*.png)|*.png"));
        EXPECT_EQ(dialogs.asked().first().text, expectedDir);
        EXPECT_TRUE(readBytes(written).startsWith(QByteArray(c.magic)));
        // Read back exactly, whichever format.
        EXPECT_EQ(platform::loadPicture(written).image, images[c.image]);
        EXPECT_EQ(settingsValue(c.key), outDir);
        stereoNamed = c.image == 2 ? written : stereoNamed;
        EXPECT_EQ(doc().PicStereoPath, stereoNamed);
        EXPECT_EQ(doc().PicDesignPath, designPath);
    }

    // An unwritable place (a folder by that name): the user is told and the document keeps naming
    // the saved file.
    const QString saved = doc().PicStereoPath;
    ASSERT_TRUE(QDir(appDir()).mkpath(QStringLiteral("taken.bmp")));
    dialogs.queueFile(FileChoice{inAppDir(QStringLiteral("taken.bmp")), QStringLiteral("taken.bmp")});
    trigger(Menu::mnuSaveStereo);
    ASSERT_TRUE(waitUntil([&] { return !messages().isEmpty(); }));
    EXPECT_EQ(messages().last().icon, MessageIcon::Exclamation);
    EXPECT_EQ(doc().PicStereoPath, saved);
}

TEST_F(OpenSavePrintTest, TheOverwriteQuestionIsAboutTheFileReallyWritten) {
    const QImage design = pattern(30, 20, 9);
    panes::DocumentWindow* form = openDocument(
        QStringLiteral("d.qbd"), {{"StereoName", QStringLiteral("RandomDot")},
                                  {"PicDesignPath", writePicture(QStringLiteral("d.bmp"), design)}});
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(waitUntil([&] { return shows(form->picBefore(), design); }));
    const QString out = folder(QStringLiteral("out"));
    const QString precious = QDir(out).filePath(QStringLiteral("precious.txt.bmp"));
    ASSERT_TRUE(writeBytes(precious, "precious"));

    struct Case {
        const char* typed;
        const char* written; // what the dialog's question was about
    };
    // A bare name gets the extension from the dialog; a name with another extension is written as typed.
    const Case cases[] = {{"precious.txt", "precious.txt"}, {"bare", "bare.bmp"}};
    for (const Case& c : cases) {
        dialogs.clearAsked();
        dialogs.queueFile(FileChoice{QDir(out).filePath(QLatin1String(c.typed)), QLatin1String(c.typed)});
        trigger(Menu::mnuSaveDesign);
        const QString written = QDir(out).filePath(QLatin1String(c.written));
        ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(written); })) << c.typed;
        const platform::FileDialogRequest& request = dialogs.asked().first().request;
        EXPECT_TRUE(request.overwritePrompt);
        EXPECT_TRUE(request.pathMustExist);
        EXPECT_EQ(request.defaultSuffix, QStringLiteral("bmp"));
        EXPECT_EQ(platform::loadPicture(written).image, design);
    }
    EXPECT_EQ(readBytes(precious), QByteArray("precious"));
    EXPECT_EQ(QDir(out).entryList(QDir::Files).size(), 3);
}

TEST_F(OpenSavePrintTest, RelativePicturePathsAreTakenFromTheDocumentsFolder) {
    const QImage design = pattern(40, 30, 11);
    const QImage stereo = pattern(40, 30, 12);
    writePicture(QStringLiteral("d.bmp"), design);
    writePicture(QStringLiteral("s.bmp"), stereo);
    // The program runs from elsewhere; the document sits in docs/ beside pics/.
    ASSERT_NE(QDir::currentPath(), appDir());
    panes::DocumentWindow* form =
        openDocument(QStringLiteral("rel.qbd"), {{"StereoName", QStringLiteral("RandomDot")},
                                                 {"PicDesignPath", QStringLiteral("../pics/d.bmp")},
                                                 {"PicStereoPath", QStringLiteral("../pics/s.bmp")}});
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(
        waitUntil([&] { return shows(form->picBefore(), design) && shows(form->picAfter(), stereo); }));
    EXPECT_TRUE(messages().isEmpty());
    EXPECT_EQ(doc().PicDesignPath, QDir::toNativeSeparators(inAppDir(QStringLiteral("pics/d.bmp"))));
}

TEST_F(OpenSavePrintTest, AWizardDocumentSavedAndReopenedShowsTheSameFieldAndConvertsTheSame) {
    // Seeded pictures: a Design of depth patches and a noisy pattern, so a shifted tile shows.
    std::mt19937 random(20261207);
    QImage design(160, 96, QImage::Format_RGB32);
    design.fill(Qt::black);
    for (int y = 16; y < 80; ++y) {
        for (int x = 40; x < 120; ++x) {
            design.setPixel(x, y, qRgb(255, 255, 255));
        }
    }
    QImage tile(24, 20, QImage::Format_RGB32);
    for (int y = 0; y < tile.height(); ++y) {
        for (int x = 0; x < tile.width(); ++x) {
            tile.setPixel(x, y, qRgb(random() & 255, random() & 255, random() & 255));
        }
    }
    const QString designPath = writePicture(QStringLiteral("design.bmp"), design);
    const QString tilePath = writePicture(QStringLiteral("tile.bmp"), tile);

    trigger(Menu::mnuWizard);
    ui::ColourFieldWizard* wizard = frame->wizard();
    ASSERT_NE(wizard, nullptr);
    for (const auto& [index, path] : {std::pair{0, designPath}, std::pair{1, tilePath}}) {
        dialogs.queueFile(FileChoice{path, QFileInfo(path).fileName()});
        press(wizard, QStringLiteral("cmdSansyou_%1").arg(index));
    }
    press(wizard, QStringLiteral("cmdNext"));
    press(wizard, QStringLiteral("cmdNext"));
    press(wizard, QStringLiteral("cmdCompreat"));
    ASSERT_TRUE(waitUntil([&] { return active() && !active()->picUraField().isNull(); }));
    panes::DocumentWindow* made = active();
    ASSERT_TRUE(waitUntil([&] { return !made->holdsRun() && !made->picAfter()->isHidden(); }, 20000));
    const QImage field = made->picUraField();
    const QImage stereo = made->picAfter()->picture().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(field.size(), design.size());
    ASSERT_FALSE(made->picAfter()->isHidden());

    // A file of the user's where the Field picture would go: asked about, and kept on No.
    const QString docs = folder(QStringLiteral("docs"));
    const QString theirs = QDir(docs).filePath(QStringLiteral("wiz_Field.bmp"));
    ASSERT_TRUE(writeBytes(theirs, "not mine"));
    dialogs.clearAsked();
    dialogs.queueFile(FileChoice{QDir(docs).filePath(QStringLiteral("wiz.qbd")), QStringLiteral("wiz.qbd")});
    dialogs.queueAnswer(platform::Answer::No);
    trigger(Menu::mnuSaveName);
    const QString document = QDir(docs).filePath(QStringLiteral("wiz.qbd"));
    ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(document); }));
    ASSERT_EQ(dialogs.asked().size(), 2);
    EXPECT_EQ(dialogs.asked()[1].kind, Asked::Question);
    EXPECT_TRUE(dialogs.asked()[1].text.startsWith(QStringLiteral("「") + QDir::toNativeSeparators(theirs) +
                                                   QStringLiteral("」は既にあります。")));
    EXPECT_EQ(readBytes(theirs), QByteArray("not mine"));
    const QString fieldFile = QDir(docs).filePath(QStringLiteral("wiz_Field2.bmp"));
    EXPECT_EQ(iniValue(document, "PicFieldPath"), fieldFile);
    EXPECT_EQ(iniValue(document, "PicDesignPath"), designPath);
    EXPECT_EQ(iniValue(document, "PicStereoPath"), QDir(docs).filePath(QStringLiteral("wiz_Stereo.bmp")));
    EXPECT_EQ(platform::loadPicture(fieldFile).image, field);

    // Saving again asks nothing and leaves the written pictures alone.
    const QDateTime written = QFileInfo(fieldFile).lastModified();
    dialogs.clearAsked();
    trigger(Menu::mnuSave);
    ASSERT_TRUE(waitUntil([&] { return !made->Timer1()->isActive(); }));
    EXPECT_TRUE(dialogs.asked().isEmpty());
    EXPECT_EQ(QFileInfo(fieldFile).lastModified(), written);

    dialogs.queueAnswer(platform::Answer::No);
    ASSERT_TRUE(closeWindowOf(made));
    ASSERT_TRUE(documents().isEmpty());

    panes::DocumentWindow* reopened = open(document);
    ASSERT_NE(reopened, nullptr);
    ASSERT_TRUE(waitUntil([&] { return !reopened->Timer1()->isActive(); }));
    EXPECT_TRUE(shows(reopened->picField(), field));
    EXPECT_TRUE(shows(reopened->picBefore(), design));
    EXPECT_TRUE(shows(reopened->picAfter(), stereo));
    // The Stereo picture goes, and the conversion of the reopened document brings the same one back.
    QTest::mouseClick(reopened->picAfter(), Qt::LeftButton, {}, {2, 2});
    ASSERT_EQ(reopened->editTargetTag(), document::PicSource::CBpicAfter);
    trigger(Menu::mnuClear);
    ASSERT_TRUE(reopened->picAfter()->isHidden());
    trigger(Menu::mnuConvStart);
    ASSERT_TRUE(waitUntil([&] { return !reopened->Timer1()->isActive() && !reopened->holdsRun(); }, 20000));
    EXPECT_TRUE(shows(reopened->picAfter(), stereo));
    EXPECT_EQ(frame->statusPanelText(1), document) << "the document, not its working file";
}

} // namespace
} // namespace quarbel::testing
