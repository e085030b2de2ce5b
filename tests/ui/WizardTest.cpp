// The colour-field wizard: picking the pictures, the number fields, and the hand-over to a new
// colour-field document whose conversion runs through the event loop.

#include "FrameFixture.h"
#include "document/Settings.h"
#include "platform/Picture.h"
#include "ui/ColourFieldWizard.h"

#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>
#include <sys/stat.h>

namespace quarbel::testing {
namespace {

using document::Menu;
using document::Slider;

QStringList temporaryBmps(const QString& dir) {
    return QDir(dir).entryList({QStringLiteral("TMP*.bmp")}, QDir::Files);
}

class WizardTest : public FrameTest {
protected:
    // A picture whose every pixel differs from its neighbours, so a misplaced tile shows.
    QString picture(const QString& name, int w, int h) {
        QImage image(w, h, QImage::Format_RGB32);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                image.setPixel(x, y, qRgb((x * 4) % 256, (y * 4) % 256, (x + y) % 256));
            }
        }
        const QString path = inAppDir(name);
        EXPECT_FALSE(platform::saveBmp(image, path).has_value());
        return path;
    }

    ui::ColourFieldWizard* openWizard() {
        trigger(Menu::mnuWizard);
        ui::ColourFieldWizard* wizard = frame->wizard();
        EXPECT_NE(wizard, nullptr);
        return wizard;
    }

    void choose(ui::ColourFieldWizard* wizard, int index, const QString& path) {
        dialogs.queueFile(platform::FileChoice{path, QFileInfo(path).fileName()});
        press(wizard, QStringLiteral("cmdSansyou_%1").arg(index));
    }

    QStringList messages() const {
        QStringList texts;
        for (const ScriptedDialogs::Asked& asked : dialogs.asked()) {
            if (asked.kind == ScriptedDialogs::Asked::Message) {
                texts.append(asked.text);
            }
        }
        return texts;
    }

    // A wizard on page 1 with a 300 x 200 Design picture and a 64 x 64 pattern.
    ui::ColourFieldWizard* wizardOnPage1() {
        ui::ColourFieldWizard* wizard = openWizard();
        choose(wizard, 0, picture(QStringLiteral("design.bmp"), 300, 200));
        choose(wizard, 1, picture(QStringLiteral("pattern.bmp"), 64, 64));
        press(wizard, QStringLiteral("cmdNext"));
        EXPECT_EQ(wizard->currentPage(), 1);
        return wizard;
    }
};

TEST_F(WizardTest, PreviewKeepsTheProportionsAndTheFieldSourceWidthIsProposed) {
    struct Case {
        int w, h;
        QSizeF preview;
        QSize widget;
    };
    const Case cases[] = {
        {60, 40, {57, 38}, {57, 38}},
        {40, 60, {38, 57}, {38, 57}},
        {50, 50, {57, 57}, {57, 57}},
        {70, 41, {57, 41.0 / 70.0 * 57.0}, {57, 33}},
    };
    ui::ColourFieldWizard* wizard = openWizard();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.w * 1000 + c.h);
        choose(wizard, 1, picture(QStringLiteral("source.bmp"), c.w, c.h));
        EXPECT_DOUBLE_EQ(wizard->previewSize(1).width(), c.preview.width());
        EXPECT_DOUBLE_EQ(wizard->previewSize(1).height(), c.preview.height());
        EXPECT_EQ(wizard->picFmoto()->size(), c.widget);
        EXPECT_FALSE(wizard->picFmoto()->isHidden());
        EXPECT_EQ(state.WizardKurikaesi, c.w);
        EXPECT_EQ(wizard->lblSize1(1)->text(),
                  QStringLiteral("画像サイズ　%1×%2  ピクセル").arg(c.w).arg(c.h));
    }
    // The dialog starts in the application directory with the wizard's filter; the folder is remembered.
    const ScriptedDialogs::Asked& first = dialogs.asked().first();
    EXPECT_EQ(first.request.initialDir, appDir());
    EXPECT_EQ(first.request.filter,
              QStringLiteral("すべてのファイル|*.bmp;*.jpg;*.gif;*.wmf|BMP(*.bmp)|*.bmp|"
                             "JPEG(*.jpg)|*.jpg|GIF(*.gif)|*.gif|WMF(*.wmf)|*.wmf"));
    EXPECT_FALSE(
        document::Settings(state.SettingsPath, appDir()).value(QStringLiteral("picFieldDir")).isEmpty());
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(WizardTest, WidthLimitsRefuseOnlyWiderPicturesAndNextNeedsBoth) {
    struct Case {
        int index;
        int width;
        const char* message; // nullptr: accepted
    };
    const Case cases[] = {
        {0, 1024, nullptr},
        {0, 1025, "デザイン画像が大きすぎます。\r\n幅を1024ピクセル以下にしてください。"},
        {1, 200, nullptr},
        {1, 201, "フィールド画像の元となる画像が大きすぎます。\r\n幅を200ピクセル以下にしてください。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        dialogs.clearAsked();
        ui::ColourFieldWizard* wizard = openWizard();
        const int other = 1 - c.index;
        choose(wizard, other, picture(QStringLiteral("other.bmp"), other == 0 ? 300 : 64, 20));
        EXPECT_FALSE(wizard->cmdNext()->isEnabled());
        const QString path = picture(QStringLiteral("tested.bmp"), c.width, 10);
        choose(wizard, c.index, path);
        if (c.message) {
            ASSERT_EQ(messages(), QStringList{QString::fromUtf8(c.message)});
            EXPECT_EQ(dialogs.asked().last().icon, platform::MessageIcon::Exclamation);
            EXPECT_TRUE(wizard->chosenPath(c.index).isEmpty());
            EXPECT_TRUE(wizard->lblSize1(c.index)->text().isEmpty());
            EXPECT_TRUE(c.index == 0 ? wizard->picD()->isHidden() : wizard->picFmoto()->isHidden());
            EXPECT_TRUE((c.index == 0 ? wizard->picDUra() : wizard->picFmotoUra()).isNull());
            // The other picture stays; Next waits for an acceptable one.
            EXPECT_FALSE(wizard->chosenPath(other).isEmpty());
            EXPECT_FALSE(wizard->cmdNext()->isEnabled());
        } else {
            EXPECT_TRUE(messages().isEmpty());
            EXPECT_EQ(wizard->chosenPath(c.index), path);
            EXPECT_TRUE(wizard->cmdNext()->isEnabled());
        }
        press(wizard, QStringLiteral("cmdCancel"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(WizardTest, AFileThatIsNoPictureIsReportedAndChangesNothing) {
    ui::ColourFieldWizard* wizard = openWizard();
    const QString good = picture(QStringLiteral("design.bmp"), 80, 60);
    choose(wizard, 0, good);
    QFile text(inAppDir(QStringLiteral("notes.bmp")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a picture");
    text.close();
    choose(wizard, 0, text.fileName());
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages().first().contains(text.fileName()));
    EXPECT_EQ(wizard->chosenPath(0), good);
    EXPECT_EQ(wizard->picDUra().size(), QSize(80, 60));
    EXPECT_EQ(wizard->previewSize(0), QSizeF(57, 42.75));

    // A FIFO is refused at once, and the message says why.
    const QString fifo = inAppDir(QStringLiteral("pipe.bmp"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    choose(wizard, 0, fifo);
    ASSERT_EQ(messages().size(), 2);
    EXPECT_TRUE(messages().last().contains(fifo));
    EXPECT_TRUE(messages().last().contains(QStringLiteral("通常のファイルではない")));
    EXPECT_EQ(wizard->chosenPath(0), good);
}

TEST_F(WizardTest, EntryFieldsTakeDigitsOnlyAndEnterMovesToNext) {
    ui::ColourFieldWizard* wizard = wizardOnPage1();
    QLineEdit* field = wizard->txtKurikaesi();
    EXPECT_EQ(field->text(), QStringLiteral("64"));
    EXPECT_EQ(wizard->txtRittaido()->text(), QStringLiteral("20"));
    EXPECT_EQ(field->maxLength(), 3);
    EXPECT_EQ(wizard->txtRittaido()->maxLength(), 2);

    struct Step {
        std::function<void()> keys;
        const char* expected;
    };
    const Step steps[] = {
        {[&] {
             field->setText(QString());
             QTest::keyClicks(field, QStringLiteral("1a-2"));
         },
         "12"},
        {[&] { QTest::keyClick(field, Qt::Key_Backspace); }, "12"},
        {[&] {
             QTest::keyClick(field, Qt::Key_Home);
             QTest::keyClick(field, Qt::Key_Delete);
         },
         "2"},
        {[&] {
             field->selectAll();
             QTest::keyClick(field, Qt::Key_7);
         },
         "7"},
        {[&] { QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier); }, "7"},
    };
    for (const Step& step : steps) {
        step.keys();
        EXPECT_EQ(field->text(), QLatin1String(step.expected));
    }
    wizard->activateWindow();
    field->setFocus();
    wizard->cmdNext()->setEnabled(false);
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_TRUE(wizard->cmdNext()->isEnabled());
    EXPECT_EQ(wizard->currentPage(), 1) << "Enter only moves the focus";
}

TEST_F(WizardTest, LeavingAFieldChecksItsValue) {
    struct Case {
        bool repeat;
        const char* text;
        const char* message; // nullptr: accepted
        int stored;
    };
    const Case cases[] = {
        {true, "", "0～200までの数値を入力してください。", 64},
        {true, "201", "繰り返し幅が大きすぎます。\r\n幅を200ピクセル以下にしてください。", 64},
        {true, "200", nullptr, 200},
        {true, "0", nullptr, 0},
        {false, "", "0～50までの数値を入力してください。", 20},
        {false, "51", "立体度の数値が大きすぎます。\r\n数値を50以下にしてください。", 20},
        {false, "0", nullptr, 0},
        {false, "50", nullptr, 50},
    };
    ui::ColourFieldWizard* wizard = wizardOnPage1();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.repeat ? "repeat " : "depth ") + c.text);
        dialogs.clearAsked();
        state.WizardKurikaesi = 64;
        state.WizardRittaido = 20;
        QLineEdit* field = c.repeat ? wizard->txtKurikaesi() : wizard->txtRittaido();
        field->setText(QLatin1String(c.text));
        c.repeat ? wizard->txtKurikaesi_LostFocus() : wizard->txtRittaido_LostFocus();
        EXPECT_EQ(c.repeat ? state.WizardKurikaesi : state.WizardRittaido, c.stored);
        if (c.message) {
            EXPECT_EQ(messages(), QStringList{QString::fromUtf8(c.message)});
            EXPECT_TRUE(field->text().isEmpty());
        } else {
            EXPECT_TRUE(messages().isEmpty());
        }
    }
    // A field left empty keeps the wizard on this page.
    wizard->txtRittaido()->clear();
    press(wizard, QStringLiteral("cmdNext"));
    EXPECT_EQ(wizard->currentPage(), 1);
}

TEST_F(WizardTest, CancelHandsNothingOverAndLeavesTheActiveDocumentsPictures) {
    trigger(Menu::mnuColor);
    const QString design = picture(QStringLiteral("mine.bmp"), 40, 30);
    dialogs.queueFile(platform::FileChoice{design, QStringLiteral("mine.bmp")});
    trigger(Menu::mnuInsDesign);
    ASSERT_TRUE(waitUntil([&] { return !active()->Timer1()->isActive(); }));
    panes::DocumentWindow* first = active();
    ASSERT_EQ(doc().PicDesignPath, design);

    ui::ColourFieldWizard* wizard = wizardOnPage1();
    press(wizard, QStringLiteral("cmdNext"));
    ASSERT_EQ(wizard->currentPage(), 2);
    press(wizard, QStringLiteral("cmdCancel"));
    EXPECT_FALSE(frame->timForWiz()->isActive());
    EXPECT_TRUE(state.wizardDesignSource.isEmpty());
    EXPECT_EQ(doc().PicDesignPath, design);
    EXPECT_TRUE(doc().PicFieldPath.isEmpty());
    EXPECT_TRUE(temporaryBmps(appDir()).isEmpty());

    // The document's own file keeps its picture once it hands the shared state on.
    trigger(Menu::mnuMono);
    EXPECT_EQ(iniValue(first->labels().lblIniName, "PicDesignPath"), design);
}

TEST_F(WizardTest, CompleteMakesAColourFieldDocumentAndConvertsIt) {
    ui::ColourFieldWizard* wizard = wizardOnPage1();
    wizard->txtRittaido()->setText(QStringLiteral("12"));
    wizard->txtRittaido_LostFocus();
    press(wizard, QStringLiteral("cmdNext"));
    ASSERT_EQ(wizard->currentPage(), 2);
    const QStringList summary = {QStringLiteral("300×200　ピクセル"), QStringLiteral("64×64　ピクセル"),
                                 QStringLiteral("64　ピクセル"), QStringLiteral("12")};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(wizard->lblSize3(i)->text(), summary.at(i));
    }
    EXPECT_TRUE(wizard->cmdBack()->isEnabled());
    EXPECT_FALSE(wizard->cmdNext()->isEnabled());
    EXPECT_TRUE(wizard->cmdCompreat()->isEnabled());

    const QImage pattern = platform::loadPicture(inAppDir(QStringLiteral("pattern.bmp"))).image;
    press(wizard, QStringLiteral("cmdCompreat"));
    EXPECT_TRUE(state.WizardDone);
    ASSERT_EQ(temporaryBmps(appDir()).size(), 2);
    EXPECT_NE(state.WizardDesignFile, state.WizardFieldFile);
    EXPECT_TRUE(frame->timForWiz()->isActive());

    ASSERT_TRUE(waitUntil([&] { return active() && !active()->picUraField().isNull(); }));
    panes::DocumentWindow* form = active();
    EXPECT_FALSE(state.WizardDone);
    EXPECT_TRUE(temporaryBmps(appDir()).isEmpty());
    EXPECT_EQ(form->labels().lblStereoName, document::StereoKind::Field);
    EXPECT_EQ(form->picUra().size(), QSize(300, 200));
    const QImage field = form->picUraField();
    ASSERT_EQ(field.size(), QSize(300, 200));
    // Five columns and four rows of tiles, the last ones cut off.
    for (const QPoint p : {QPoint(0, 0), QPoint(63, 63), QPoint(64, 0), QPoint(299, 199), QPoint(257, 130)}) {
        EXPECT_EQ(field.pixel(p), pattern.pixel(p.x() % 64, p.y() % 64)) << p.x() << "," << p.y();
    }
    EXPECT_FALSE(form->picField()->isHidden());
    EXPECT_EQ(sliderValue(Slider::sldKurikaesi), 64);
    EXPECT_EQ(sliderValue(Slider::sldRittaido), 12);
    EXPECT_EQ(sliderValue(Slider::sldMitudo), 0);
    EXPECT_FALSE(frame->sliderEnabled(Slider::sldMitudo));
    EXPECT_FALSE(frame->captionEnabled(2));

    ASSERT_TRUE(waitUntil([&] { return !form->holdsRun(); }, 10000));
    EXPECT_EQ(form->picAfter()->picture().size(), QSize(300, 200));
    EXPECT_TRUE(frame->menuEnabled(Menu::mnuSaveField));
    // The run's end restores the controls from the document's file, which kept the wizard's values.
    EXPECT_FALSE(frame->sliderEnabled(Slider::sldMitudo));
    EXPECT_EQ(iniValue(doc().IniPath, "KurikaesiHaba"), QStringLiteral("64"));
    EXPECT_EQ(iniValue(doc().IniPath, "PicDesignPath"), inAppDir(QStringLiteral("design.bmp")));
    EXPECT_EQ(iniValue(doc().IniPath, "PicFieldPath"), QString());
    EXPECT_TRUE(messages().isEmpty());

    // The depth chosen this time is what the wizard offers next time.
    ui::ColourFieldWizard* again = wizardOnPage1();
    EXPECT_EQ(again->txtRittaido()->text(), QStringLiteral("12"));
    press(again, QStringLiteral("cmdCancel"));
}

TEST_F(WizardTest, TheToolbarOpensTheWizardModally) {
    for (const auto& open : {std::function<void()>([&] { trigger("New"); }),
                             std::function<void()>([&] { trigger("StereoWiz"); }),
                             std::function<void()>([&] { trigger(Menu::mnuWizard); })}) {
        open();
        ui::ColourFieldWizard* wizard = frame->wizard();
        ASSERT_NE(wizard, nullptr);
        EXPECT_TRUE(wizard->isVisible());
        EXPECT_EQ(wizard->windowModality(), Qt::ApplicationModal);
        EXPECT_EQ(wizard->windowTitle(), QStringLiteral("カラーフィールド　ウィザード"));
        EXPECT_EQ(wizard->currentPage(), 0);
        wizard->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(frame->wizard(), nullptr);
    }
}

TEST_F(WizardTest, AMissingTemporaryPictureIsReportedAndTheOtherStillArrives) {
    ui::ColourFieldWizard* wizard = wizardOnPage1();
    press(wizard, QStringLiteral("cmdNext"));
    press(wizard, QStringLiteral("cmdCompreat"));
    // The Design picture's hand-over file goes before the frame's timer picks it up.
    const QString gone = state.WizardDesignFile;
    ASSERT_TRUE(frame->timForWiz()->isActive());
    ASSERT_TRUE(QFile::remove(gone));
    ASSERT_TRUE(waitUntil([&] { return active() && !active()->picUraField().isNull(); }));
    // The usual text, then a line naming the file.
    EXPECT_EQ(messages(),
              QStringList{platform::runTimeErrorMessage(platform::pictureError(platform::ErrFileNotFound)) +
                          QStringLiteral("\r\nファイル: ") + gone});
    EXPECT_TRUE(active()->picBefore()->isHidden());
    EXPECT_TRUE(temporaryBmps(appDir()).isEmpty());
    EXPECT_EQ(sliderValue(Slider::sldKurikaesi), 64);
    // No Design picture, so no run; the frame is not left in the running state.
    ASSERT_TRUE(waitUntil([&] { return !active()->holdsRun(); }));
    EXPECT_TRUE(frame->menuEnabled(Menu::mnuNew));
}

TEST_F(WizardTest, EnterPressesTheFocusedButtonAndElseThePagesForwardButton) {
    enum Outcome { Completed, Cancelled, WentBack };
    struct Case {
        const char* what;
        int page;                // where the user leaves the page's own focus
        const char* tabToButton; // reached with Tab, then Enter; null: Enter where the page puts the focus
        Outcome outcome;
    };
    const Case cases[] = {
        {"Enter all the way", 2, nullptr, Completed},
        {"Tab to Cancel on the last page", 2, "cmdCancel", Cancelled},
        {"Tab to Cancel on the first page", 0, "cmdCancel", Cancelled},
        {"Tab to Back on the second page", 1, "cmdBack", WentBack},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dialogs.clearAsked();
        ui::ColourFieldWizard* wizard = openWizard();
        choose(wizard, 0, picture(QStringLiteral("design.bmp"), 300, 200));
        choose(wizard, 1, picture(QStringLiteral("pattern.bmp"), 64, 64));
        wizard->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(wizard));
        const auto enter = [] {
            ASSERT_NE(QApplication::focusWidget(), nullptr);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        };
        const QPushButton* forward[] = {wizard->cmdNext(), wizard->cmdNext(), wizard->cmdCompreat()};
        for (int page = 0; page < c.page; ++page) {
            ASSERT_EQ(wizard->currentPage(), page);
            if (page == 1) {
                // The first Enter in a number field only takes the focus to Next.
                ASSERT_EQ(QApplication::focusWidget(), wizard->txtKurikaesi());
                enter();
            }
            ASSERT_EQ(QApplication::focusWidget(), forward[page]);
            enter();
        }
        ASSERT_EQ(wizard->currentPage(), c.page);
        EXPECT_TRUE(forward[c.page]->isDefault());
        if (c.tabToButton) {
            auto* target = wizard->findChild<QPushButton*>(QLatin1String(c.tabToButton));
            ASSERT_NE(target, nullptr);
            for (int tabs = 0; tabs < 12 && QApplication::focusWidget() != target; ++tabs) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            }
            ASSERT_EQ(QApplication::focusWidget(), target);
            // The page's forward button stays the one Enter presses elsewhere.
            EXPECT_TRUE(forward[c.page]->isDefault());
        }
        const QPointer<ui::ColourFieldWizard> shown(wizard);
        enter();
        switch (c.outcome) {
        case Completed:
            EXPECT_TRUE(state.WizardDone) << "Complete, not Cancel";
            EXPECT_TRUE(frame->timForWiz()->isActive());
            ASSERT_TRUE(waitUntil([&] { return active() && !active()->picUraField().isNull(); }, 10000));
            ASSERT_TRUE(waitUntil([&] { return !active()->holdsRun(); }, 10000));
            break;
        case Cancelled:
            EXPECT_TRUE(!shown || shown->isHidden()) << "the wizard is closed";
            EXPECT_FALSE(state.WizardDone);
            EXPECT_FALSE(frame->timForWiz()->isActive()) << "nothing is converted";
            EXPECT_TRUE(doc().PicFieldPath.isEmpty());
            break;
        case WentBack:
            EXPECT_EQ(wizard->currentPage(), c.page - 1);
            press(wizard, QStringLiteral("cmdCancel"));
            break;
        }
        EXPECT_TRUE(messages().isEmpty());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_EQ(documents().size(), 1) << "only the run that was completed made a document";
}

TEST_F(WizardTest, APathLabelShowsTheFileNameWholeAndTheFullPathAsItsTooltip) {
    const QString deep = QStringLiteral(
        "ステレオグラムの材料/デザイン用に描いた絵をまとめたフォルダ/二〇二六年十二月分/立体にしたいもの");
    ASSERT_TRUE(QDir(appDir()).mkpath(deep));
    struct Case {
        QString path;
        bool shortened;
    };
    // A folder of a few letters wherever the temporary folder lies, so that this path always fits.
    const QTemporaryDir shortDir(QStringLiteral("/tmp/qb-XXXXXX"));
    ASSERT_TRUE(shortDir.isValid());
    const QString shortPath = shortDir.filePath(QStringLiteral("d.bmp"));
    ASSERT_TRUE(QFile::copy(picture(QStringLiteral("d.bmp"), 30, 20), shortPath));
    const Case cases[] = {
        {shortPath, false},
        {picture(deep + QStringLiteral("/デザイン画像（ぎざぎざ）.bmp"), 30, 20), true},
    };
    ui::ColourFieldWizard* wizard = openWizard();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(wizard));
    for (const Case& c : cases) {
        choose(wizard, 0, c.path);
        QLabel* label = wizard->lblDesign(0);
        const QString full = QDir::toNativeSeparators(c.path);
        const QString name = QDir::separator() + QFileInfo(c.path).fileName();
        SCOPED_TRACE(label->text().toStdString());
        EXPECT_EQ(label->toolTip(), full);
        EXPECT_TRUE(label->text().endsWith(name));
        EXPECT_EQ(label->text().contains(QStringLiteral("…")), c.shortened);
        EXPECT_EQ(label->text() == full, !c.shortened);
        // One line that fits: no wrapped second line, no cut glyphs.
        EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->contentsRect().width());
        EXPECT_GE(label->contentsRect().height(), label->fontMetrics().height());
        EXPECT_FALSE(label->wordWrap());
    }
    // A wider window shows more of the folder, never less of the name.
    const QString narrow = wizard->lblDesign(0)->text();
    wizard->resize(wizard->width() + 200, wizard->height());
    ASSERT_TRUE(waitUntil([&] { return wizard->lblDesign(0)->text() != narrow; }, 10000));
    EXPECT_GT(wizard->lblDesign(0)->text().size(), narrow.size());
}

// Whatever the way through the pages, exactly the current page shows after each button.
TEST_F(WizardTest, EveryStepShowsExactlyOnePage) {
    ui::ColourFieldWizard* wizard = openWizard();
    choose(wizard, 0, picture(QStringLiteral("design.bmp"), 300, 200));
    choose(wizard, 1, picture(QStringLiteral("pattern.bmp"), 64, 64));
    QPushButton* next = wizard->cmdNext();
    QPushButton* back = wizard->cmdBack();
    const std::pair<QPushButton*, int> steps[] = {{next, 1}, {back, 0}, {next, 1}, {next, 2},
                                                  {back, 1}, {back, 0}, {next, 1}, {next, 2}};
    int step = 0;
    for (const auto& [button, expected] : steps) {
        SCOPED_TRACE(++step);
        button->click();
        ASSERT_EQ(wizard->currentPage(), expected);
        for (int page = 0; page < 3; ++page) {
            EXPECT_EQ(wizard->picContena(page)->isVisibleTo(wizard), page == expected) << "page " << page;
        }
    }
}

TEST_F(WizardTest, LargerFontsGrowTheWindowInsteadOfCuttingText) {
    ui::ColourFieldWizard* wizard = openWizard();
    const auto layOut = [] {
        // As the next turn of the event loop would: the pages' own layouts first, then the window's.
        for (int pass = 0; pass < 3; ++pass) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        }
    };
    choose(wizard, 0, picture(QStringLiteral("design.bmp"), 300, 200));
    choose(wizard, 1, picture(QStringLiteral("pattern.bmp"), 64, 64));
    // At the usual font every page keeps the designed size.
    const QSize designed(440, 300);
    for (int page = 0; page < 3; ++page) {
        if (page > 0) {
            press(wizard, QStringLiteral("cmdNext"));
        }
        layOut();
        EXPECT_EQ(wizard->size(), designed) << "page " << page;
    }
    press(wizard, QStringLiteral("cmdBack"));
    press(wizard, QStringLiteral("cmdBack"));

    QFont large = wizard->font();
    large.setPointSizeF(large.pointSizeF() * 2);
    wizard->setFont(large);
    for (int page = 0; page < 3; ++page) {
        SCOPED_TRACE(page);
        if (page > 0) {
            press(wizard, QStringLiteral("cmdNext"));
        }
        ASSERT_EQ(wizard->currentPage(), page);
        layOut();
        for (QWidget* widget : wizard->picContena(page)->findChildren<QWidget*>()) {
            // The previews are pictures drawn to a fixed size; the path labels have their own test.
            if (widget->isHidden() || widget == wizard->picD() || widget == wizard->picFmoto() ||
                widget == wizard->lblDesign(0) || widget == wizard->lblDesign(1)) {
                continue;
            }
            const auto* label = qobject_cast<QLabel*>(widget);
            const int needed = label && label->wordWrap() ? label->heightForWidth(label->width())
                                                          : widget->minimumSizeHint().height();
            EXPECT_GE(widget->height(), needed) << widget->objectName().toStdString();
            EXPECT_TRUE(wizard->rect().contains(QRect(widget->mapTo(wizard, QPoint()), widget->size())))
                << widget->objectName().toStdString();
        }
    }
    EXPECT_GT(wizard->width() * wizard->height(), designed.width() * designed.height());
    press(wizard, QStringLiteral("cmdCancel"));
}

} // namespace
} // namespace quarbel::testing
