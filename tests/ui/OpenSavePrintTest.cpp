// Opening document files and saving pane pictures, with scripted dialogs.

#include <QScreen>

#include "FrameFixture.h"
#include "platform/Picture.h"

namespace quarbel::testing {
namespace {

using document::Menu;
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
    // Opens a document file holding only the given keys; everything else takes its default.
    panes::DocumentWindow* openDocument(const QString& name, const QList<std::pair<const char*, QString>>& keys) {
        const QString path = QDir(folder(QStringLiteral("docs"))).filePath(name);
        for (const auto& [key, value] : keys) {
            EXPECT_TRUE(document::IniFile::writeString(path, document::IniSectionName, QLatin1String(key), value));
        }
        return open(path);
    }
    panes::DocumentWindow* open(const QString& path) {
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
    frame->mnuMono_Click();
    panes::DocumentWindow* first = active();
    const QString firstFile = state.IniPath;
    for (const std::optional<FileChoice>& choice :
         {std::optional<FileChoice>(), std::optional(FileChoice{inAppDir(QStringLiteral("abc")), QStringLiteral("abc")})}) {
        dialogs.queueFile(choice);
        frame->mnuOpen_Click();
        EXPECT_EQ(documents().size(), 1);
        EXPECT_EQ(active(), first);
        EXPECT_EQ(state.IniPath, firstFile);
        EXPECT_EQ(settingsValue("QbdFileDir"), QStringLiteral("<missing>"));
    }
    EXPECT_EQ(dialogs.asked().first().request.filter, QStringLiteral("Quarbelﾌｧｲﾙ(*.qbd)|*.qbd"));
    EXPECT_EQ(dialogs.asked().first().text, appDir());
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(OpenSavePrintTest, OpensTheNamedPicturesAndRemembersTheFolder) {
    frame->mnuMono_Click();
    const QString firstFile = state.IniPath;
    const QImage field = pattern(40, 30, 1);
    const QImage stereo = pattern(60, 30, 2);
    panes::DocumentWindow* form = openDocument(QStringLiteral("pair.qbd"),
                                      {{"StereoName", QStringLiteral("Field")},
                                       {"PicFieldPath", writePicture(QStringLiteral("f.bmp"), field)},
                                       {"PicStereoPath", writePicture(QStringLiteral("s.bmp"), stereo)},
                                       {"KurikaesiHaba", QStringLiteral("55")}});
    ASSERT_NE(form, nullptr);
    const QString document = inAppDir(QStringLiteral("docs/pair.qbd"));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("pair"));
    EXPECT_EQ(form->labels().lblIniName, document);
    EXPECT_EQ(state.OpenPicCode, QStringLiteral("FS"));
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
    for (const bool missingFolder : {false, true}) {
        dialogs.clearAsked();
        const QString path = inAppDir(missingFolder ? QStringLiteral("nowhere/b.qbd") : QStringLiteral("a.qbd"));
        panes::DocumentWindow* form = open(path);
        ASSERT_NE(form, nullptr);
        EXPECT_EQ(form->labels().lblIniName, path);
        EXPECT_EQ(state.StereoName, QStringLiteral("Field"));
        EXPECT_EQ(state.OpenPicCode, QString());
        // A folder that is not there is told, and the document opens all the same.
        const QList<Asked> shown = messages();
        ASSERT_EQ(shown.size(), missingFolder ? 1 : 0);
        if (missingFolder) {
            EXPECT_EQ(shown.first().text,
                      platform::runTimeErrorMessage(platform::pictureError(platform::ErrPathNotFound)));
            EXPECT_EQ(shown.first().icon, MessageIcon::Exclamation);
        }
        QTest::qWait(120);
        EXPECT_TRUE(form->picBefore()->isHidden() && form->picField()->isHidden() && form->picAfter()->isHidden());
    }
}

TEST_F(OpenSavePrintTest, SavesEachPaneWholeAndRemembersItsFolder) {
    const QImage images[] = {pattern(50, 40, 3), pattern(20, 40, 4), pattern(70, 40, 5)};
    const QString designPath = writePicture(QStringLiteral("d.bmp"), images[0]);
    const QString stereoPath = writePicture(QStringLiteral("s.bmp"), images[2]);
    panes::DocumentWindow* form = openDocument(QStringLiteral("three.qbd"),
                                      {{"StereoName", QStringLiteral("Field")},
                                       {"PicDesignPath", designPath},
                                       {"PicFieldPath", writePicture(QStringLiteral("f.bmp"), images[1])},
                                       {"PicStereoPath", stereoPath}});
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(waitUntil([&] { return shows(form->picAfter(), images[2]); }));

    struct Case {
        void (ui::MainWindow::*command)();
        const char* key;
        int image;
        const char* name; // typed without the extension the first time
    };
    const Case cases[] = {
        {&ui::MainWindow::mnuSaveDesign_Click, "picDesignDir", 0, "design"},
        {&ui::MainWindow::mnuSaveField_Click, "picFieldDir", 1, "field"},
        {&ui::MainWindow::mnuSaveStereo_Click, "picStereoDir", 2, "one"},
        {&ui::MainWindow::mnuSaveStereo_Click, "picStereoDir", 2, "two.BMP"},
    };
    for (const Case& c : cases) {
        dialogs.clearAsked();
        const QString outDir = folder(QLatin1String(c.key));
        const QString name = QLatin1String(c.name);
        dialogs.queueFile(FileChoice{QDir(outDir).filePath(name), name});
        const QString expectedDir = settingsValue(c.key) == QStringLiteral("<missing>") ? appDir() : outDir;
        (frame.get()->*c.command)();
        const QString written = QDir(outDir).filePath(name.contains(QLatin1Char('.')) ? name : name + QStringLiteral(".bmp"));
        ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(written); })) << c.name;
        EXPECT_EQ(dialogs.asked().first().request.filter, QStringLiteral("BMP(*.bmp)|*.bmp"));
        EXPECT_EQ(dialogs.asked().first().text, expectedDir);
        EXPECT_EQ(platform::loadPicture(written).image, images[c.image]) << c.name;
        EXPECT_EQ(settingsValue(c.key), outDir);
        EXPECT_EQ(state.PicStereoPath, c.image == 2 ? written : stereoPath);
        EXPECT_EQ(state.PicDesignPath, designPath);
    }

    // An unwritable place: the user is told and the document keeps naming the saved file.
    const QString saved = state.PicStereoPath;
    dialogs.queueFile(FileChoice{inAppDir(QStringLiteral("gone/lost.bmp")), QStringLiteral("lost.bmp")});
    frame->mnuSaveStereo_Click();
    ASSERT_TRUE(waitUntil([&] { return !messages().isEmpty(); }));
    EXPECT_EQ(messages().last().icon, MessageIcon::Exclamation);
    EXPECT_EQ(state.PicStereoPath, saved);
    EXPECT_EQ(state.CommandTag, QStringLiteral("MDImnuSaveStereo"));
}

} // namespace
} // namespace quarbel::testing
