// Opening document files, saving pane pictures and printing the Stereo picture, with scripted
// dialogs and a recording printer.

#include <QAction>
#include <QScreen>

#include "FrameFixture.h"
#include "document/Settings.h"
#include "platform/Picture.h"
#include "platform/Printer.h"

namespace quarbel::testing {
namespace {

using document::Menu;
using document::Slider;
using platform::FileChoice;
using platform::MessageIcon;
using Asked = platform::ScriptedDialogs::Asked;

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

    // A document file holding only the given keys; everything else takes its default.
    QString writeDocument(const QString& name, const QList<std::pair<const char*, QString>>& keys) {
        const QString path = QDir(folder(QStringLiteral("docs"))).filePath(name);
        for (const auto& [key, value] : keys) {
            EXPECT_TRUE(document::IniFile::writeString(path, document::IniSectionName, QLatin1String(key), value));
        }
        return path;
    }

    panes::Form1* open(const QString& path) {
        dialogs.queueFile(FileChoice{path, QFileInfo(path).fileName()});
        frame->mnuOpen_Click();
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
    const std::optional<FileChoice> choices[] = {
        std::nullopt,
        FileChoice{inAppDir(QStringLiteral("abc")), QStringLiteral("abc")},
    };
    frame->mnuMono_Click();
    panes::Form1* first = active();
    const QString firstFile = state.IniPath;
    for (const std::optional<FileChoice>& choice : choices) {
        dialogs.queueFile(choice);
        frame->mnuOpen_Click();
        EXPECT_EQ(documents().size(), 1);
        EXPECT_EQ(active(), first);
        EXPECT_EQ(state.IniPath, firstFile);
        EXPECT_EQ(settingsValue("QbdFileDir"), QStringLiteral("<missing>"));
        EXPECT_TRUE(messages().isEmpty());
    }
    ASSERT_FALSE(dialogs.asked().isEmpty());
    EXPECT_EQ(dialogs.asked().first().request.filter, QStringLiteral("Quarbelﾌｧｲﾙ(*.qbd)|*.qbd"));
    EXPECT_EQ(dialogs.asked().first().text, appDir());
}

TEST_F(OpenSavePrintTest, OpensTheNamedPicturesAndRemembersTheFolder) {
    frame->mnuMono_Click();
    const QString firstFile = state.IniPath;
    const QImage field = pattern(40, 30, 1);
    const QImage stereo = pattern(60, 30, 2);
    const QString document = writeDocument(QStringLiteral("pair.qbd"),
                                           {{"StereoName", QStringLiteral("Field")},
                                            {"PicFieldPath", writePicture(QStringLiteral("f.bmp"), field)},
                                            {"PicStereoPath", writePicture(QStringLiteral("s.bmp"), stereo)},
                                            {"KurikaesiHaba", QStringLiteral("55")}});

    panes::Form1* form = open(document);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(documents().size(), 2);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("pair"));
    EXPECT_EQ(form->labels().lblIniName, document);
    EXPECT_EQ(state.OpenPicCode, QStringLiteral("FS"));
    EXPECT_EQ(sliderValue(Slider::sldKurikaesi), 55);
    EXPECT_TRUE(frame->menuEnabled(Menu::mnuSave));
    EXPECT_TRUE(frame->buttonEnabled(3));
    EXPECT_EQ(settingsValue("QbdFileDir"), inAppDir(QStringLiteral("docs")));

    ASSERT_TRUE(waitUntil([&] { return shows(form->picField(), field) && shows(form->picAfter(), stereo); }));
    EXPECT_TRUE(form->picBefore()->isHidden());
    EXPECT_TRUE(messages().isEmpty());
    // Each file keeps its own document: neither window's state went into the other's file.
    EXPECT_EQ(iniValue(firstFile, "StereoName"), QStringLiteral("RandomDot"));
    EXPECT_EQ(iniValue(document, "StereoName"), QStringLiteral("Field"));

    dialogs.queueFile(std::nullopt);
    frame->mnuOpen_Click();
    EXPECT_EQ(dialogs.asked().last().text, inAppDir(QStringLiteral("docs")));
}

TEST_F(OpenSavePrintTest, AMissingFileOpensAnEmptyFieldDocumentBoundToIt) {
    struct Case {
        const char* path;
        bool missingFolder;
    };
    const Case cases[] = {{"fresh.qbd", false}, {"nowhere/other.qbd", true}};
    for (const Case& c : cases) {
        dialogs.clearAsked();
        const QString path = inAppDir(QLatin1String(c.path));
        panes::Form1* form = open(path);
        ASSERT_NE(form, nullptr) << c.path;
        EXPECT_EQ(form->labels().lblIniName, path);
        EXPECT_EQ(form->windowTitle(), QFileInfo(path).completeBaseName());
        EXPECT_EQ(state.StereoName, QStringLiteral("Field"));
        EXPECT_EQ(state.OpenPicCode, QString());
        const QList<Asked> shown = messages();
        if (c.missingFolder) {
            ASSERT_EQ(shown.size(), 1);
            EXPECT_EQ(shown.first().text,
                      platform::runTimeErrorMessage(platform::pictureError(platform::ErrPathNotFound)));
            EXPECT_EQ(shown.first().icon, MessageIcon::Exclamation);
        } else {
            EXPECT_TRUE(shown.isEmpty());
        }
        QTest::qWait(120);
        EXPECT_TRUE(form->picBefore()->isHidden() && form->picField()->isHidden() && form->picAfter()->isHidden());
    }
    EXPECT_EQ(documents().size(), 2);
}

TEST_F(OpenSavePrintTest, SavesEachPaneWholeAndRemembersItsFolder) {
    const QImage design = pattern(50, 40, 3);
    const QImage field = pattern(20, 40, 4);
    const QImage stereo = pattern(70, 40, 5);
    const QString designPath = writePicture(QStringLiteral("d.bmp"), design);
    const QString stereoPath = writePicture(QStringLiteral("s.bmp"), stereo);
    panes::Form1* form = open(writeDocument(QStringLiteral("three.qbd"),
                                            {{"StereoName", QStringLiteral("Field")},
                                             {"PicDesignPath", designPath},
                                             {"PicFieldPath", writePicture(QStringLiteral("f.bmp"), field)},
                                             {"PicStereoPath", stereoPath}}));
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(waitUntil([&] {
        return shows(form->picBefore(), design) && shows(form->picField(), field) && shows(form->picAfter(), stereo);
    }));

    struct Case {
        void (ui::MDIForm1::*command)();
        const char* tag;
        const char* key;
        const QImage* image;
        bool stereo;
    };
    const Case cases[] = {
        {&ui::MDIForm1::mnuSaveDesign_Click, "MDImnuSaveDesign", "picDesignDir", &design, false},
        {&ui::MDIForm1::mnuSaveField_Click, "MDImnuSaveField", "picFieldDir", &field, false},
        {&ui::MDIForm1::mnuSaveStereo_Click, "MDImnuSaveStereo", "picStereoDir", &stereo, true},
    };
    for (const Case& c : cases) {
        dialogs.clearAsked();
        const QString outDir = folder(QLatin1String(c.key));
        const QString name = QLatin1String(c.tag);
        // Typed without the extension; the file gets it.
        dialogs.queueFile(FileChoice{QDir(outDir).filePath(name), name});
        (frame.get()->*c.command)();
        const QString written = QDir(outDir).filePath(name + QStringLiteral(".bmp"));
        ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(written); })) << c.tag;

        ASSERT_EQ(dialogs.asked().size(), 1);
        EXPECT_EQ(dialogs.asked().first().request.filter, QStringLiteral("BMP(*.bmp)|*.bmp"));
        EXPECT_EQ(dialogs.asked().first().text, appDir());
        EXPECT_TRUE(dialogs.asked().first().request.overwritePrompt);
        EXPECT_EQ(platform::loadPicture(written).image, *c.image) << c.tag;
        EXPECT_EQ(settingsValue(c.key), outDir);
        EXPECT_EQ(state.PicStereoPath, c.stereo ? written : stereoPath);
        EXPECT_EQ(state.PicDesignPath, designPath);
    }
}

TEST_F(OpenSavePrintTest, SavingTheStereoPaneTwiceAndAFailedSave) {
    const QImage stereo = pattern(30, 20, 6);
    panes::Form1* form =
        open(writeDocument(QStringLiteral("s.qbd"), {{"PicStereoPath", writePicture(QStringLiteral("s.bmp"), stereo)}}));
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(waitUntil([&] { return shows(form->picAfter(), stereo); }));

    const QString outDir = folder(QStringLiteral("out"));
    for (const char* name : {"one.bmp", "two.BMP"}) {
        const QString path = QDir(outDir).filePath(QLatin1String(name));
        dialogs.queueFile(FileChoice{path, QLatin1String(name)});
        frame->mnuSaveStereo_Click();
        ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(path); })) << name;
        EXPECT_EQ(state.CommandTag, QStringLiteral("MDImnuSaveStereo"));
        EXPECT_EQ(state.PicStereoPath, path);
    }
    EXPECT_EQ(dialogs.asked().last().text, outDir);

    // A folder that is not there: the user is told, and the document keeps naming the saved file.
    const QString lost = inAppDir(QStringLiteral("gone/lost.bmp"));
    dialogs.queueFile(FileChoice{lost, QStringLiteral("lost.bmp")});
    frame->mnuSaveStereo_Click();
    ASSERT_TRUE(waitUntil([&] { return !messages().isEmpty(); }));
    EXPECT_EQ(messages().last().icon, MessageIcon::Exclamation);
    EXPECT_EQ(state.PicStereoPath, QDir(outDir).filePath(QStringLiteral("two.BMP")));
    EXPECT_EQ(settingsValue("picStereoDir"), outDir);
    EXPECT_FALSE(QFileInfo::exists(lost));
}

TEST_F(OpenSavePrintTest, PrintsTheStereoPictureAtItsScreenSizeAtTheTopLeft) {
    platform::RecordingPrinter printer;
    frame->setPrinter(printer);
    const QImage stereo = pattern(96, 48, 7);
    panes::Form1* form =
        open(writeDocument(QStringLiteral("p.qbd"), {{"PicStereoPath", writePicture(QStringLiteral("p.bmp"), stereo)}}));
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(waitUntil([&] { return shows(form->picAfter(), stereo); }));
    EXPECT_TRUE(frame->menuEnabled(Menu::mnuPrint));

    frame->mnuPrint_Click();
    ASSERT_TRUE(waitUntil([&] { return printer.pages().size() == 1; }));
    frame->Toolbar1_ButtonClick(QStringLiteral("Printer"));
    ASSERT_TRUE(waitUntil([&] { return printer.pages().size() == 2; }));

    const QScreen* screen = form->screen();
    ASSERT_NE(screen, nullptr);
    const QSizeF inches(96 / screen->logicalDotsPerInchX(), 48 / screen->logicalDotsPerInchY());
    for (const platform::PrintPage& page : printer.pages()) {
        EXPECT_EQ(page.image.convertToFormat(QImage::Format_RGB32), stereo);
        EXPECT_DOUBLE_EQ(page.sizeInches.width(), inches.width());
        EXPECT_DOUBLE_EQ(page.sizeInches.height(), inches.height());
    }
    // On a 600 dpi page the picture starts at the corner and covers its physical size.
    EXPECT_EQ(platform::placementOnPage(inches, 600, 600),
              QRectF(0, 0, inches.width() * 600, inches.height() * 600));
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(OpenSavePrintTest, AFailedPrintIsReportedAndChangesNothing) {
    struct Case {
        platform::PrintError error;
        const char* text;
    };
    const Case cases[] = {
        {platform::PrintError::NoPrinter, "プリンターが見つかりません。\r\nプリンターを設定してから印刷してください。"},
        {platform::PrintError::Failed, "印刷できませんでした。\r\nプリンターの状態を確かめてください。"},
    };
    platform::RecordingPrinter printer;
    frame->setPrinter(printer);
    const QImage stereo = pattern(16, 16, 8);
    const QString stereoPath = writePicture(QStringLiteral("q.bmp"), stereo);
    panes::Form1* form = open(writeDocument(QStringLiteral("q.qbd"), {{"PicStereoPath", stereoPath}}));
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(waitUntil([&] { return shows(form->picAfter(), stereo); }));

    for (const Case& c : cases) {
        dialogs.clearAsked();
        printer.queueFailure(c.error);
        frame->mnuPrint_Click();
        ASSERT_TRUE(waitUntil([&] { return !messages().isEmpty(); }));
        EXPECT_EQ(messages().first().text, QString::fromUtf8(c.text));
        EXPECT_EQ(messages().first().icon, MessageIcon::Exclamation);
    }
    EXPECT_TRUE(printer.pages().isEmpty());
    EXPECT_TRUE(shows(form->picAfter(), stereo));
    EXPECT_EQ(state.PicStereoPath, stereoPath);
}

} // namespace
} // namespace quarbel::testing
