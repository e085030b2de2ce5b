// Design images made from other pictures: a grey depth map read through its dialog, and the Design
// image a Stereo picture hides, read back. Both through the real menus, keys and dialog.

#include "FrameFixture.h"
#include "engine/Colour.h"
#include "panes/DepthMapDialog.h"
#include "panes/StereoReveal.h"
#include "platform/DepthMapFile.h"
#include "platform/ImageSurface.h"
#include "platform/Picture.h"

#include <QCheckBox>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <random>

namespace quarbel::testing {
namespace {

using document::Menu;

QRgb depthColour(int level) {
    return platform::rgbFromPacked(engine::DepthPalette[static_cast<std::size_t>(level)]);
}

// A grey depth map: a ramp from left to right with a nearer disc, 8 or 16 bits per sample.
QImage depthMap(int w, int h, bool sixteen) {
    QImage image(w, h, sixteen ? QImage::Format_Grayscale16 : QImage::Format_Grayscale8);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const bool disc = (x - w / 2) * (x - w / 2) + (y - h / 2) * (y - h / 2) < (h / 3) * (h / 3);
            const int v = disc ? 230 : 20 + x * 180 / w;
            if (sixteen) {
                reinterpret_cast<quint16*>(image.scanLine(y))[x] = static_cast<quint16>(v * 257 + x % 200);
            } else {
                image.scanLine(y)[x] = static_cast<uchar>(v);
            }
        }
    }
    return image;
}

// A Design image: far background, a rectangle at level 12 and a smaller one at level 6.
QImage design(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(depthColour(0));
    for (int y = h / 5; y < h * 4 / 5; ++y) {
        for (int x = w / 5; x < w * 3 / 5; ++x) {
            image.setPixel(x, y, depthColour(y < h / 2 ? 12 : 6));
        }
    }
    return image;
}

// Share of the pixels left of the last repeat width and away from the rectangles' edges that
// carry the same colour in both pictures.
double sameShare(const QImage& a, const QImage& b, int repeatWidth) {
    if (a.size() != b.size()) {
        return 0.0;
    }
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    qint64 counted = 0;
    qint64 same = 0;
    for (int row = 0; row < x.height(); ++row) {
        for (int col = 0; col + repeatWidth < x.width(); ++col) {
            bool edge = false;
            for (int d = -4; d <= 4 && !edge; ++d) {
                const int c = std::clamp(col + d, 0, x.width() - 1);
                const int r = std::clamp(row + d, 0, x.height() - 1);
                edge = x.pixel(c, row) != x.pixel(col, row) || x.pixel(col, r) != x.pixel(col, row);
            }
            if (!edge) {
                ++counted;
                same += x.pixel(col, row) == y.pixel(col, row) ? 1 : 0;
            }
        }
    }
    return counted ? static_cast<double>(same) / static_cast<double>(counted) : 0.0;
}

class DerivedDesignTest : public FrameTest {
protected:
    QAction* item(const char* name) const {
        QAction* action = frame->findChild<QAction*>(QLatin1String(name));
        EXPECT_NE(action, nullptr) << name;
        return action;
    }
    QAction* depthMapItem() const { return item("mnuInsDepthMap"); }
    QAction* revealItem() const { return item("mnuConvReveal"); }

    QString saved(const QString& name, const QImage& image) {
        const QString path = inAppDir(name);
        EXPECT_TRUE(image.save(path, "PNG")) << qPrintable(path);
        return path;
    }

    void chooseFile(const QString& path) {
        dialogs.queueFile(platform::FileChoice{path, QFileInfo(path).fileName()});
    }

    // When the depth-map dialog comes up inside a command, act is run on it (from the dialog's own
    // event loop, as a user's keys would be).
    void whenDialogShows(std::function<void(panes::DepthMapDialog&)> act) {
        m_shown = false;
        m_poll.setInterval(0);
        m_poll.disconnect();
        QObject::connect(&m_poll, &QTimer::timeout, [this, act] {
            auto* dialog = dynamic_cast<panes::DepthMapDialog*>(QApplication::activeModalWidget());
            if (dialog && dialog->isVisible()) {
                m_poll.stop();
                m_shown = true;
                act(*dialog);
            }
        });
        m_poll.start();
    }

    // What quarbel-convert design writes for the map with these arguments.
    QImage converted(const QString& map, const QStringList& options) {
        const QString out = inAppDir(QStringLiteral("converted.png"));
        QFile::remove(out);
        QProcess process;
        process.start(QStringLiteral(QUARBEL_BINARY_DIR "/app/quarbel-convert"),
                      QStringList{QStringLiteral("design"), map, QStringLiteral("-o"), out} + options);
        EXPECT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        return QImage(out).convertToFormat(QImage::Format_RGB32);
    }

    // A finished mono conversion of the Design image, repeat width 70 and depth 20.
    void convertedDocument(const QImage& picture) {
        trigger(Menu::mnuMono);
        chooseFile(saved(QStringLiteral("design.png"), picture));
        triggerAndRun(Menu::mnuInsDesign);
        trigger(Menu::mnuConvStart);
        ASSERT_TRUE(waitUntil([&] { return frame->menuEnabled(Menu::mnuPrint); }, 60000));
    }

    QTimer m_poll;
    bool m_shown = false;
};

TEST_F(DerivedDesignTest, TheDepthMapDialogGivesWhatTheConverterWritesAndEscapeOrCancelChangesNothing) {
    using Dialog = panes::DepthMapDialog;
    const auto enter = [](QWidget* w) { QTest::keyClick(w, Qt::Key_Return); };
    const auto type = [](QSpinBox* box, int value) {
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(box, QString::number(value));
        QTest::keyClick(box, Qt::Key_Return); // takes the value and moves to OK
    };
    struct Case {
        const char* name;
        bool sixteen;
        std::function<void(Dialog&)> keys;
        std::optional<QStringList> options; // nullopt: the dialog was cancelled
    };
    const Case cases[] = {
        {"defaults, Enter twice", false,
         [&](Dialog& d) {
             enter(d.farBox());
             EXPECT_EQ(d.focusWidget(), d.okButton()) << "Enter in a field moves to OK first";
             EXPECT_TRUE(d.isVisible());
             enter(d.okButton());
         },
         QStringList{}},
        {"far and near typed", false,
         [&](Dialog& d) {
             type(d.farBox(), 40);
             type(d.nearBox(), 200);
             EXPECT_EQ(d.previewImage(), d.design()) << "the preview follows the values";
             enter(d.okButton());
         },
         QStringList{QStringLiteral("--far"), QStringLiteral("40"), QStringLiteral("--near"),
                     QStringLiteral("200")}},
        {"inverted with the space bar", false,
         [&](Dialog& d) {
             QTest::keyClick(d.invertBox(), Qt::Key_Space);
             enter(d.okButton());
         },
         QStringList{QStringLiteral("--invert")}},
        {"16-bit map, near typed", true,
         [&](Dialog& d) {
             EXPECT_EQ(d.nearBox()->value(), 65535);
             type(d.nearBox(), 50000);
             enter(d.okButton());
         },
         QStringList{QStringLiteral("--near"), QStringLiteral("50000")}},
        {"equal values keep OK off", false,
         [&](Dialog& d) {
             type(d.nearBox(), 0);
             EXPECT_FALSE(d.okButton()->isEnabled());
             QTest::keyClick(&d, Qt::Key_Escape);
         },
         std::nullopt},
        {"Escape", false, [](Dialog& d) { QTest::keyClick(&d, Qt::Key_Escape); }, std::nullopt},
        {"Enter on Cancel", false, [&](Dialog& d) { enter(d.cancelButton()); }, std::nullopt},
    };
    trigger(Menu::mnuColor);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString map =
            saved(QStringLiteral("map%1.png").arg(c.sixteen ? 16 : 8), depthMap(300, 120, c.sixteen));
        const QImage before = active()->picBefore()->picture();
        chooseFile(map);
        whenDialogShows(c.keys);
        triggerAndRun("mnuInsDepthMap");
        ASSERT_TRUE(m_shown);
        if (!c.options) {
            EXPECT_EQ(active()->picBefore()->picture(), before);
            continue;
        }
        const QImage expected = converted(map, *c.options);
        ASSERT_FALSE(expected.isNull());
        EXPECT_EQ(active()->picUra().convertToFormat(QImage::Format_RGB32), expected);
        EXPECT_FALSE(active()->picBefore()->isHidden());
        EXPECT_TRUE(doc().PicDesignPath.isEmpty()) << "a picture in no file, as a pasted one";
        EXPECT_TRUE(frame->menuEnabled(Menu::mnuConvStart));
    }
    // The Design image takes the map's size, so the width rule comes before the dialog.
    chooseFile(saved(QStringLiteral("wide.png"), depthMap(1025, 2, false)));
    dialogs.clearAsked();
    whenDialogShows([](Dialog& d) { d.accept(); });
    triggerAndRun("mnuInsDepthMap");
    m_poll.stop();
    EXPECT_FALSE(m_shown);
    ASSERT_EQ(dialogs.asked().size(), 2); // the file, then the message
    EXPECT_TRUE(dialogs.asked()[1].text.startsWith(QStringLiteral("デザイン画像が大きすぎます。")));
}

TEST_F(DerivedDesignTest, APlainlyGreyPictureChosenAsDesignAsksToBeReadAsADepthMap) {
    QImage paletteGreys(40, 20, QImage::Format_RGB32);
    for (int x = 0; x < 40; ++x) {
        for (int y = 0; y < 20; ++y) {
            paletteGreys.setPixel(x, y,
                                  depthColour(std::array{0, 7, 8, 15}[static_cast<std::size_t>(x / 10)]));
        }
    }
    QImage tinted = depthMap(60, 20, false).convertToFormat(QImage::Format_RGB32);
    tinted.setPixel(5, 5, qRgb(100, 100, 101));
    const QImage grey = depthMap(60, 20, false);
    struct Case {
        const char* name;
        QImage picture;
        std::optional<platform::Answer> answer; // nullopt: no question
        bool dialog;
        bool inserted;
    };
    const Case cases[] = {
        {"grey map, Yes", grey, platform::Answer::Yes, true, true},
        {"grey map, No", grey, platform::Answer::No, false, true},
        {"grey map, Cancel", grey, platform::Answer::Cancel, false, false},
        {"only the palette's greys", paletteGreys, std::nullopt, false, true},
        {"one pixel not grey", tinted, std::nullopt, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        trigger(Menu::mnuMono);
        const QString path = saved(QStringLiteral("picture.png"), c.picture);
        chooseFile(path);
        dialogs.clearAsked();
        if (c.answer) {
            dialogs.queueAnswer(*c.answer);
        }
        whenDialogShows([](panes::DepthMapDialog& d) { QTest::keyClick(d.okButton(), Qt::Key_Return); });
        triggerAndRun(Menu::mnuInsDesign);
        m_poll.stop();
        const bool asked = std::any_of(dialogs.asked().begin(), dialogs.asked().end(), [](const auto& a) {
            return a.kind == ScriptedDialogs::Asked::Question;
        });
        EXPECT_EQ(asked, c.answer.has_value());
        EXPECT_EQ(m_shown, c.dialog);
        EXPECT_EQ(!active()->picBefore()->isHidden(), c.inserted);
        if (c.dialog) {
            EXPECT_EQ(active()->picUra().convertToFormat(QImage::Format_RGB32), converted(path, {}));
            EXPECT_TRUE(doc().PicDesignPath.isEmpty());
        } else if (c.inserted) {
            EXPECT_EQ(active()->picUra().convertToFormat(QImage::Format_RGB32),
                      c.picture.convertToFormat(QImage::Format_RGB32));
            EXPECT_EQ(doc().PicDesignPath, path);
        }
    }
}

TEST_F(DerivedDesignTest, RevealPutsTheHiddenDesignIntoTheDesignPaneOrTellsWhyItCannot) {
    const QImage original = design(320, 160);
    ASSERT_NO_FATAL_FAILURE(convertedDocument(original));
    const QString designPath = doc().PicDesignPath;
    ASSERT_TRUE(revealItem()->isEnabled());
    // Moved since the conversion: the repeat width is then found in the picture.
    const int repeats[] = {70, 120};
    for (const int repeat : repeats) {
        SCOPED_TRACE(repeat);
        frame->setSliderValue(document::Slider::sldKurikaesi, repeat);
        dialogs.clearAsked();
        triggerAndRun("mnuConvReveal");
        EXPECT_TRUE(dialogs.asked().isEmpty());
        EXPECT_GE(sameShare(original, active()->picUra(), 70), 0.95);
        EXPECT_EQ(doc().PicDesignPath, designPath) << "the document's file stays, as for a pasted picture";
    }
    const QString document = inAppDir(QStringLiteral("revealed.qbd"));
    chooseFile(document);
    triggerAndRun(Menu::mnuSaveName);
    const QString besides = inAppDir(QStringLiteral("revealed_Design.bmp"));
    EXPECT_EQ(QDir::fromNativeSeparators(iniValue(document, "PicDesignPath")), besides);
    EXPECT_EQ(QImage(besides).convertToFormat(QImage::Format_RGB32),
              active()->picUra().convertToFormat(QImage::Format_RGB32));

    // What cannot be read is told with its reason, and the Design pane stays.
    frame->setSliderValue(document::Slider::sldKurikaesi, 70);
    const QImage stereo = active()->picAfter()->picture();
    // The right part of the picture replaced by fresh dots: what is left repeats, but too little.
    QImage damaged = stereo.convertToFormat(QImage::Format_RGB32);
    std::mt19937 gen(7);
    for (int y = 0; y < damaged.height(); ++y) {
        for (int x = damaged.width() * 2 / 5; x < damaged.width(); ++x) {
            damaged.setPixel(x, y, gen() % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
        }
    }
    QImage flat(200, 100, QImage::Format_RGB32);
    flat.fill(qRgb(10, 200, 30));
    struct Case {
        const char* name;
        QImage picture;
        panes::RevealProblem problem;
        QString reason;
    };
    const Case cases[] = {
        {"a flat picture", flat, panes::RevealProblem::NotAStereogram,
         QStringLiteral("この画像には、ステレオ画像の横の繰り返しが見つかりません。")},
        {"the Design image itself", original, panes::RevealProblem::NotAStereogram,
         QStringLiteral("この画像には、ステレオ画像の横の繰り返しが見つかりません。")},
        {"a damaged stereogram", damaged, panes::RevealProblem::TooFewMatches,
         QStringLiteral("ステレオグラムでないか、傷んだり加工されたりした画像です。")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(panes::designFromStereo(c.picture, 70, 20).problem, c.problem);
        chooseFile(saved(QStringLiteral("stereo.png"), c.picture));
        triggerAndRun(Menu::mnuInsStereo);
        const QImage before = active()->picUra();
        dialogs.clearAsked();
        triggerAndRun("mnuConvReveal");
        ASSERT_EQ(dialogs.asked().size(), 1);
        EXPECT_TRUE(dialogs.asked()[0].text.startsWith(
            QStringLiteral("ステレオ画像からデザイン画像を読み取れませんでした。\r\n")));
        EXPECT_TRUE(dialogs.asked()[0].text.contains(c.reason)) << qPrintable(dialogs.asked()[0].text);
        EXPECT_EQ(dialogs.asked()[0].icon, platform::MessageIcon::Exclamation);
        EXPECT_EQ(active()->picUra(), before);
    }
}

TEST_F(DerivedDesignTest, BothItemsFollowTheStateTheyDependOnThroughRunsAndWindowSwitches) {
    struct Step {
        const char* name;
        std::function<void()> act;
        bool depthMap;
        bool reveal;
    };
    panes::DocumentWindow* converted = nullptr;
    const Step steps[] = {
        {"no document", [] {}, false, false},
        {"new document", [&] { trigger(Menu::mnuMono); }, true, false},
        {"a Design image inserted",
         [&] {
             chooseFile(saved(QStringLiteral("d.png"), design(200, 100)));
             triggerAndRun(Menu::mnuInsDesign);
         },
         true, false},
        {"a run paused",
         [&] {
             converted = active();
             trigger(Menu::mnuConvStart);
             ASSERT_TRUE(spinUntil([&] { return converted->conversion().CurrentRow >= 1; }));
             trigger(Menu::mnuConvStop);
             ASSERT_TRUE(waitUntil([&] { return frame->menuEnabled(Menu::mnuConvExit); }));
         },
         false, false},
        {"the run finished",
         [&] {
             trigger(Menu::mnuConvStart);
             ASSERT_TRUE(waitUntil([&] { return frame->menuEnabled(Menu::mnuPrint); }, 60000));
         },
         true, true},
        {"another new document", [&] { trigger(Menu::mnuColor); }, true, false},
        {"back to the converted one", [&] { activate(converted); }, true, true},
        {"its Stereo pane cleared",
         [&] {
             QTest::mouseClick(converted->picAfter(), Qt::LeftButton, {}, QPoint(2, 2));
             trigger(Menu::mnuClear);
         },
         true, false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        ASSERT_NO_FATAL_FAILURE(step.act());
        EXPECT_EQ(depthMapItem()->isEnabled(), step.depthMap);
        EXPECT_EQ(revealItem()->isEnabled(), step.reveal);
    }
}

} // namespace
} // namespace quarbel::testing
