// Pictures inserted through the routed commands, and conversion runs driven by the real event loop.

#include "FrameFixture.h"
#include "document/RunStates.h"
#include "document/StateFile.h"
#include "platform/Picture.h"
#include "support/NestedLoopDialogs.h"
#include "support/TestFiles.h"

#include <QPaintEvent>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>

namespace quarbel::testing {
namespace {

using document::Menu;

const QString kRunning = QStringLiteral("ランダムドット変換中です。しばらくお待ちください...");
const QString kPaused = QStringLiteral("ランダムドット変換を中断しています...");

class ConversionTest : public FrameTest {
protected:
    // A dark picture with a lighter square (not quite grey, which would be asked about as a depth map), so
    // the shifts vary across the rows.
    QString picture(const QString& name, int w, int h) {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(qRgb(40, 40, 41));
        for (int y = h / 4; y < h * 3 / 4; ++y) {
            for (int x = w / 4; x < w * 3 / 4; ++x) {
                image.setPixel(x, y, qRgb(220, 220, 221));
            }
        }
        const QString path = inAppDir(name);
        EXPECT_FALSE(platform::saveBmp(image, path).has_value());
        return path;
    }

    bool subWindowEnabled(panes::DocumentWindow* form) const {
        for (QMdiSubWindow* window : frame->mdiArea()->subWindowList()) {
            if (window->widget() == form) {
                return window->isEnabled();
            }
        }
        return false;
    }

    // A random-dot document holding a Design picture, and an idle second document before it.
    panes::DocumentWindow* readyRandomDot(int w, int h) {
        trigger(Menu::mnuMono);
        other = active();
        trigger(Menu::mnuMono);
        triggerAndRun(Menu::mnuInsDesign, picture(QStringLiteral("design.bmp"), w, h));
        return active();
    }

    // Starts a run and lets it convert at least `rows` rows before asking for a pause.
    void startThenPauseAfter(panes::DocumentWindow* form, int rows) {
        trigger(Menu::mnuConvStart);
        ASSERT_TRUE(spinUntil([&] { return form->conversion().CurrentRow >= rows; }));
        trigger(Menu::mnuConvStop);
        ASSERT_TRUE(waitUntil([&] { return frame->statusPanelText(1) == kPaused; }));
    }

    panes::DocumentWindow* other = nullptr;
};

TEST_F(ConversionTest, AChosenFileThatIsNoPictureIsToldAndLeavesThePane) {
    trigger(Menu::mnuMono);
    const QString design = picture(QStringLiteral("design.bmp"), 40, 30);
    triggerAndRun(Menu::mnuInsDesign, design);
    ASSERT_FALSE(active()->picBefore()->isHidden());
    const std::pair<const char*, QByteArray> files[] = {
        {"empty.bmp", QByteArray()},
        {"notes.bmp", "Shopping: milk, bread\r\n"},
        {"cut.bmp", QByteArray("BM\x36\x10\0\0", 6)},
    };
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        const QString path = inAppDir(QLatin1String(name));
        ASSERT_TRUE(writeBytes(path, bytes));
        dialogs.clearAsked();
        triggerAndRun(Menu::mnuInsDesign, path);
        ASSERT_EQ(dialogs.asked().size(), 2) << "a command that fails says so";
        EXPECT_EQ(dialogs.asked().back().text,
                  QStringLiteral("「") + path +
                      QStringLiteral("」を画像として読み込めませんでした。\r\n"
                                     "BMP、JPEG、GIF、WMFのいずれかの画像ファイルを指定してください。"));
        EXPECT_EQ(active()->picBefore()->pictureSize(), QSize(40, 30));
    }
}

TEST_F(ConversionTest, TheWidthLimitIs1024AndARefusedPictureLeavesEverything) {
    trigger(Menu::mnuMono);
    triggerAndRun(Menu::mnuInsDesign, picture(QStringLiteral("wide.bmp"), 1025, 3));
    ASSERT_EQ(dialogs.asked().size(), 2);
    EXPECT_EQ(dialogs.asked()[1].text,
              QStringLiteral("デザイン画像が大きすぎます。\r\n幅を1024ピクセル以下にしてください。"));
    EXPECT_EQ(dialogs.asked()[1].icon, platform::MessageIcon::Exclamation);
    EXPECT_TRUE(active()->picBefore()->isHidden());
    EXPECT_TRUE(active()->picUra().isNull());
    EXPECT_TRUE(doc().PicDesignPath.isEmpty());
    EXPECT_FALSE(frame->menuEnabled(Menu::mnuConvStart));

    dialogs.clearAsked();
    const QString exact = picture(QStringLiteral("exact.bmp"), 1024, 3);
    triggerAndRun(Menu::mnuInsDesign, exact);
    EXPECT_EQ(dialogs.asked().size(), 1) << "no message for 1024 pixels";
    EXPECT_EQ(active()->picBefore()->pictureSize(), QSize(1024, 3));
    EXPECT_EQ(doc().PicDesignPath, exact);
    EXPECT_TRUE(frame->menuEnabled(Menu::mnuSaveDesign));
    ASSERT_TRUE(active()->hsbBefore()->isVisibleTo(active()));
    active()->hsbBefore()->setValue(100);
    EXPECT_EQ(active()->picBefore()->origin(), QPoint(100, 0)) << "the pane follows its bar";
    EXPECT_EQ(iniValue(inAppDir(QStringLiteral("Quarbel2.qbs")), "picDesignDir"), appDir());
}

TEST_F(ConversionTest, ConversionBecomesStartableWhenTheKindHasItsPictures) {
    struct Row {
        Menu kind;
        std::vector<Menu> inserts;
        bool ready;
    };
    const Row rows[] = {
        {Menu::mnuMono, {Menu::mnuInsDesign}, true},
        {Menu::mnuFieldColor, {Menu::mnuInsDesign}, false},
        {Menu::mnuFieldColor, {Menu::mnuInsField}, false},
        {Menu::mnuFieldColor, {Menu::mnuInsField, Menu::mnuInsDesign}, true},
        {Menu::mnuFieldColor, {Menu::mnuInsDesign, Menu::mnuInsField}, true},
        {Menu::mnuMono, {Menu::mnuInsStereo}, false},
    };
    const QString path = picture(QStringLiteral("p.bmp"), 20, 10);
    for (const Row& r : rows) {
        trigger(r.kind);
        for (auto insert : r.inserts) {
            triggerAndRun(insert, path);
        }
        EXPECT_EQ(frame->menuEnabled(Menu::mnuConvStart), r.ready) << doc().StereoName.text().toStdString();
        EXPECT_EQ(frame->buttonEnabled(11), r.ready);
    }
}

TEST_F(ConversionTest, AMissingPictureOfAnOpenedDocumentIsReportedAndTheOthersStillLoad) {
    // A new colour-field document's file, naming three pictures of which the first has gone.
    trigger(Menu::mnuFieldColor);
    const QString opened = inAppDir(QStringLiteral("three.qbd"));
    ASSERT_TRUE(QFile::copy(doc().IniPath, opened));
    const std::pair<const char*, QString> keys[] = {
        {"PicDesignPath", inAppDir(QStringLiteral("gone.bmp"))},
        {"PicFieldPath", picture(QStringLiteral("field.bmp"), 30, 20)},
        {"PicStereoPath", picture(QStringLiteral("stereo.bmp"), 30, 20)}};
    for (const auto& [key, path] : keys) {
        ASSERT_TRUE(
            document::IniFile::writeString(opened, document::IniSectionName, QLatin1String(key), path));
    }
    dialogs.queueFile(platform::FileChoice{opened, QStringLiteral("three.qbd")});
    triggerAndRun(Menu::mnuOpen);

    ASSERT_EQ(dialogs.asked().size(), 2);
    EXPECT_TRUE(dialogs.asked()[1].text.startsWith(QStringLiteral("ｴﾗｰ番号  53")));
    EXPECT_TRUE(dialogs.asked()[1].text.contains(QStringLiteral(" でｴﾗｰが発生しました。\r\n")));
    EXPECT_TRUE(active()->picBefore()->isHidden());
    EXPECT_FALSE(active()->picField()->isHidden());
    EXPECT_FALSE(active()->picAfter()->isHidden());
    EXPECT_TRUE(frame->menuEnabled(Menu::mnuPrint) && frame->buttonEnabled(4))
        << "a Stereo picture can be printed";
    EXPECT_TRUE(frame->menuEnabled(Menu::mnuSaveField) && !frame->menuEnabled(Menu::mnuSaveDesign));
    EXPECT_FALSE(frame->menuEnabled(Menu::mnuConvStart)) << "no Design picture, nothing to convert";
}

TEST_F(ConversionTest, AWholeRunMakesTheStereoImageAndLeavesTheFinishedMenus) {
    panes::DocumentWindow* form = readyRandomDot(64, 40);
    trigger(Menu::mnuConvStart);
    ASSERT_TRUE(spinUntil([&] { return form->holdsRun(); }));
    // While running: the other document is locked and only pause is on.
    EXPECT_FALSE(subWindowEnabled(other));
    EXPECT_TRUE(subWindowEnabled(form)) << "the converting window itself stays usable";
    EXPECT_TRUE(frame->menuEnabled(Menu::mnuConvStop));
    EXPECT_FALSE(frame->menuEnabled(Menu::mnuOpen));
    EXPECT_FALSE(frame->sliderEnabled(document::Slider::sldMitudo));
    EXPECT_EQ(frame->convStartCaption(), QStringLiteral("継続"));
    EXPECT_EQ(frame->statusPanelText(5), QStringLiteral("64 × 40"));

    ASSERT_TRUE(waitUntil([&] { return !form->holdsRun(); }));
    const QImage stereo = form->picAfter()->picture();
    EXPECT_EQ(stereo.size(), QSize(64, 40));
    // The background is white; a drawn "Mono" row is black and white with mostly black dots.
    int black = 0;
    for (int x = 0; x < 64; ++x) {
        const QRgb pixel = stereo.pixel(x, 39);
        EXPECT_TRUE(pixel == qRgb(0, 0, 0) || pixel == qRgb(255, 255, 255)) << x;
        black += pixel == qRgb(0, 0, 0) ? 1 : 0;
    }
    EXPECT_GT(black, 0) << "the last row is drawn";
    EXPECT_FALSE(state.run.Converting);
    EXPECT_TRUE(subWindowEnabled(other));
    EXPECT_EQ(frame->statusPanelText(1), doc().IniPath);
    EXPECT_EQ(frame->convStartCaption(), QStringLiteral("開始"));
    EXPECT_EQ(frame->toolbarButton(11)->toolTip(), QStringLiteral("開始"));
    for (Menu m :
         {Menu::mnuConvStart, Menu::mnuSaveStereo, Menu::mnuPrint, Menu::mnuSaveDesign, Menu::mnuOpen}) {
        EXPECT_TRUE(frame->menuEnabled(m)) << document::menuName(m);
    }
    for (Menu m : {Menu::mnuConvStop, Menu::mnuConvExit, Menu::mnuSaveField}) {
        EXPECT_FALSE(frame->menuEnabled(m)) << document::menuName(m);
    }
    EXPECT_TRUE(frame->buttonEnabled(4));
    EXPECT_TRUE(frame->sliderEnabled(document::Slider::sldMitudo));
}

TEST_F(ConversionTest, AFlatDesignLeavesAFieldThatRepeatsAtTheRepeatWidthUnchanged) {
    trigger(Menu::mnuFieldColor);
    QImage field(150, 12, QImage::Format_RGB32);
    for (int y = 0; y < field.height(); ++y) {
        for (int x = 0; x < field.width(); ++x) {
            field.setPixel(x, y, qRgb(20 + (x % 70) * 3, 30 + y * 9, 200)); // period 70, never black
        }
    }
    QImage design(150, 12, QImage::Format_RGB32);
    design.fill(Qt::black);
    const QString fieldPath = inAppDir(QStringLiteral("field.bmp"));
    const QString designPath = inAppDir(QStringLiteral("flat.bmp"));
    ASSERT_FALSE(platform::saveBmp(field, fieldPath).has_value());
    ASSERT_FALSE(platform::saveBmp(design, designPath).has_value());
    triggerAndRun(Menu::mnuInsDesign, designPath);
    triggerAndRun(Menu::mnuInsField, fieldPath);
    ASSERT_EQ(sliderValue(document::Slider::sldKurikaesi), 70);

    trigger(Menu::mnuConvStart);
    ASSERT_TRUE(waitUntil(
        [&] { return frame->statusPanelText(5) == QStringLiteral("150 × 12") && !state.run.Converting; }));
    EXPECT_EQ(active()->picAfter()->picture().convertToFormat(QImage::Format_RGB32), field);
    EXPECT_TRUE(frame->menuEnabled(Menu::mnuSaveField));
}

TEST_F(ConversionTest, ContinuingAPausedRunKeepsTheRowsAlreadyDrawnAndWhereTheUserScrolled) {
    panes::DocumentWindow* form = readyRandomDot(48, 2000);
    startThenPauseAfter(form, 5);
    const int resumeRow = form->conversion().ResumeState[0];
    ASSERT_GE(resumeRow, 5);
    ASSERT_LT(resumeRow, 2000);
    EXPECT_TRUE(state.run.Converting);
    EXPECT_FALSE(subWindowEnabled(other));
    EXPECT_TRUE(frame->menuEnabled(Menu::mnuConvStart));
    EXPECT_TRUE(frame->menuEnabled(Menu::mnuConvExit));
    EXPECT_FALSE(frame->menuEnabled(Menu::mnuConvStop));
    EXPECT_EQ(frame->convStartCaption(), QStringLiteral("継続"));
    const QImage drawn = form->picAfter()->picture().copy(0, 0, 48, resumeRow);
    ASSERT_TRUE(form->vsbAfter()->isVisibleTo(form));
    form->vsbAfter()->setValue(37);
    // Each row repaints only itself: no paint is more than a few rows high.
    struct TallestPaint : QObject {
        int rows = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint) {
                rows = std::max(rows, static_cast<QPaintEvent*>(event)->region().boundingRect().height());
            }
            return false;
        }
    } tallest;
    form->picAfter()->installEventFilter(&tallest);

    trigger(Menu::mnuConvStart);
    ASSERT_TRUE(waitUntil([&] { return !state.run.Converting; }));
    form->picAfter()->removeEventFilter(&tallest);
    EXPECT_LT(tallest.rows, form->picAfter()->height() / 4);
    EXPECT_EQ(form->picAfter()->picture().copy(0, 0, 48, resumeRow), drawn);
    EXPECT_EQ(form->conversion().ResumeState[0], 0);
    EXPECT_EQ(form->vsbAfter()->value(), 37);
    EXPECT_EQ(form->picAfter()->origin(), QPoint(0, 37));
}

TEST_F(ConversionTest, TheFinishedMenusComeFromTheDocumentNotBackThroughItsFile) {
    panes::DocumentWindow* form = readyRandomDot(24, 64);
    startThenPauseAfter(form, 2);
    // Read back now, the working file would give every default: all menus on, the kind "Field".
    ASSERT_TRUE(QFile::remove(form->labels().lblIniName));
    trigger(Menu::mnuConvStart);
    ASSERT_TRUE(waitUntil([&] { return !form->holdsRun(); }, 20000));
    EXPECT_FALSE(frame->menuEnabled(Menu::mnuSave));
    EXPECT_FALSE(frame->menuEnabled(Menu::mnuInsField));
    EXPECT_FALSE(frame->menuEnabled(Menu::mnuSaveField));
    EXPECT_EQ(doc().StereoName, document::StereoKind::RandomDot);
    EXPECT_EQ(iniValue(form->labels().lblIniName, "StereoName"), QStringLiteral("RandomDot"));
}

TEST_F(ConversionTest, AbortWhilePausedThenStartConvertsAfresh) {
    panes::DocumentWindow* form = readyRandomDot(48, 400);
    // A Stereo picture from a file, converted over and then abandoned.
    triggerAndRun(Menu::mnuInsStereo, picture(QStringLiteral("earlier.bmp"), 30, 30));
    ASSERT_FALSE(doc().PicStereoPath.isEmpty());
    startThenPauseAfter(form, 5);
    trigger(Menu::mnuConvExit);
    EXPECT_TRUE(form->picAfter()->isHidden());
    // The document no longer names the picture the run replaced: saved now, it would come back
    // with a Stereo picture the user no longer had.
    EXPECT_TRUE(doc().PicStereoPath.isEmpty());
    EXPECT_EQ(iniValue(doc().IniPath, "PicStereoPath"), QString());
    EXPECT_FALSE(state.run.Converting);
    EXPECT_TRUE(subWindowEnabled(other));
    // The Stereo picture is gone: saving it is off rather than a command that does nothing, and
    // the document's file says so for its next activation.
    EXPECT_FALSE(frame->menuEnabled(Menu::mnuSaveStereo));
    EXPECT_EQ(document::parseFlag(iniValue(doc().IniPath, "mnuSaveStereo")), false);
    EXPECT_TRUE(frame->menuEnabled(Menu::mnuSaveGazou) && frame->menuEnabled(Menu::mnuSaveDesign));
    EXPECT_FALSE(frame->menuEnabled(Menu::mnuPrint));
    EXPECT_FALSE(frame->buttonEnabled(4));
    EXPECT_TRUE(frame->statusPanelText(5).isEmpty());

    trigger(Menu::mnuConvStart);
    ASSERT_TRUE(spinUntil([&] { return form->holdsRun(); }));
    EXPECT_LT(form->conversion().CurrentRow, 3) << "a fresh run starts at row 0";
    EXPECT_FALSE(state.run.AbortRequested);
    EXPECT_FALSE(state.run.PauseRequested);
    ASSERT_TRUE(waitUntil([&] { return !state.run.Converting; }));
    EXPECT_FALSE(form->picAfter()->isHidden());
    EXPECT_EQ(form->picAfter()->pictureSize(), QSize(48, 400));
}

TEST_F(ConversionTest, ClosingAPausedWindowHandsTheFrameBack) {
    panes::DocumentWindow* form = readyRandomDot(48, 400);
    startThenPauseAfter(form, 3);
    dialogs.queueAnswer(platform::Answer::No);
    ASSERT_TRUE(closeWindowOf(form));
    EXPECT_FALSE(state.run.Converting);
    EXPECT_TRUE(subWindowEnabled(other));
    EXPECT_EQ(documents().size(), 1);
    EXPECT_EQ(frame->convStartCaption(), QStringLiteral("開始"));
    EXPECT_EQ(tmpFiles().size(), 1) << "the closed document's file stays deleted";
}

TEST_F(ConversionTest, ScrolledToTheEndEveryPixelShowsAndANewPictureIsSeenFromItsCorner) {
    using Bar = QScrollBar* (panes::DocumentWindow::*)() const;
    const struct {
        const char* name;
        Menu insert;
        panes::PicturePane* (panes::DocumentWindow::*pane)() const;
        Bar hsb;
        Bar vsb;
    } rows[] = {
        {"Design", Menu::mnuInsDesign, &panes::DocumentWindow::picBefore, &panes::DocumentWindow::hsbBefore,
         &panes::DocumentWindow::vsbBefore},
        {"Stereo", Menu::mnuInsStereo, &panes::DocumentWindow::picAfter, &panes::DocumentWindow::hsbAfter,
         &panes::DocumentWindow::vsbAfter},
    };
    const QString large = picture(QStringLiteral("large.bmp"), 1000, 900);
    const QString small = picture(QStringLiteral("small.bmp"), 40, 30);
    trigger(Menu::mnuMono);
    panes::DocumentWindow* form = active();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        panes::PicturePane* pane = (form->*row.pane)();
        QScrollBar* hsb = (form->*row.hsb)();
        QScrollBar* vsb = (form->*row.vsb)();
        const auto scrollToEnd = [&] {
            ASSERT_TRUE(hsb->isVisibleTo(form) && vsb->isVisibleTo(form));
            hsb->setValue(hsb->maximum());
            vsb->setValue(vsb->maximum());
        };
        triggerAndRun(row.insert, large);
        scrollToEnd();
        // The last pixel is in sight: the pane ends left of the vertical bar and above the horizontal one.
        EXPECT_EQ(pane->origin() + QPoint(pane->width(), pane->height()), QPoint(1000, 900));
        EXPECT_LE(pane->mapTo(form, QPoint(pane->width(), 0)).x(), vsb->mapTo(form, QPoint()).x());
        EXPECT_LE(pane->mapTo(form, QPoint(0, pane->height())).y(), hsb->mapTo(form, QPoint()).y());

        // A picture that fits shows whole, with no bars and no offset left behind.
        triggerAndRun(row.insert, small);
        EXPECT_EQ(pane->origin(), QPoint(0, 0));
        EXPECT_FALSE(hsb->isVisibleTo(form) || vsb->isVisibleTo(form));
        // A large one again starts at its top left corner.
        triggerAndRun(row.insert, large);
        scrollToEnd();
        triggerAndRun(row.insert, large);
        EXPECT_EQ(pane->origin(), QPoint(0, 0));
        EXPECT_EQ(hsb->value(), 0);
        EXPECT_EQ(vsb->value(), 0);
        scrollToEnd();
    }

    // A conversion's result is a new Stereo picture: it too starts at its corner.
    triggerAndRun(Menu::mnuInsDesign, picture(QStringLiteral("design.bmp"), 700, 900));
    ASSERT_NE(form->picAfter()->origin(), QPoint(0, 0));
    trigger(Menu::mnuConvStart);
    ASSERT_TRUE(spinUntil([&] { return form->holdsRun(); }));
    EXPECT_EQ(form->picAfter()->origin(), QPoint(0, 0));
    EXPECT_EQ(form->vsbAfter()->value(), 0);
    // A paused run continued goes on where the user has scrolled to meanwhile.
    trigger(Menu::mnuConvStop);
    ASSERT_TRUE(waitUntil([&] { return frame->statusPanelText(1) == kPaused; }));
    ASSERT_TRUE(form->vsbAfter()->isVisibleTo(form));
    form->vsbAfter()->setValue(form->vsbAfter()->maximum() / 2);
    const QPoint looked = form->picAfter()->pos();
    const int lookedRow = form->vsbAfter()->value();
    ASSERT_NE(looked, QPoint(0, 0));
    trigger(Menu::mnuConvStart);
    ASSERT_TRUE(spinUntil([&] { return frame->statusPanelText(1) == kRunning; }));
    EXPECT_EQ(form->picAfter()->pos(), looked);
    EXPECT_EQ(form->vsbAfter()->value(), lookedRow);
    ASSERT_TRUE(waitUntil([&] { return !form->holdsRun(); }, 20000));
}

// The close question shown as a real dialog is: with an event loop of its own.
class CloseQuestionTest : public ConversionTest {
protected:
    void SetUp() override {
        ConversionTest::SetUp();
        frame.reset();
        frame = std::make_unique<ui::MainWindow>(state, shownDialogs, shell);
        frame->MDIForm_Load();
    }

    // What the user sees while the question is up.
    struct Seen {
        int row = -1;
        bool openOn = false;
        bool pauseOn = false;
        bool slidersOn = false;
        QString caption;
    };
    void watchQuestion(panes::DocumentWindow* form) {
        // Questions asked after this window has gone (closing the others) find it null.
        shownDialogs.whileShown = [this, form = QPointer<panes::DocumentWindow>(form)] {
            if (!form)
                return;
            seen.row = form->conversion().CurrentRow;
            seen.openOn = frame->menuEnabled(Menu::mnuOpen);
            seen.pauseOn = frame->menuEnabled(Menu::mnuConvStop) || frame->buttonEnabled(12);
            seen.slidersOn = frame->sliderEnabled(document::Slider::sldKurikaesi);
            seen.caption = frame->convStartCaption();
        };
    }

    testing::NestedLoopDialogs shownDialogs{dialogs};
    Seen seen;
};

TEST_F(CloseQuestionTest, TheRunStandsStillBehindTheQuestionAndGoesOnAfterCancel) {
    const struct {
        const char* how;
        bool paused;
        std::function<bool(panes::DocumentWindow*)> close;
    } rows[] = {
        {"close box", false, [this](panes::DocumentWindow* form) { return closeWindowOf(form); }},
        {"close box, paused", true, [this](panes::DocumentWindow* form) { return closeWindowOf(form); }},
        {"program end", false, [this](panes::DocumentWindow*) { return frame->close(); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.how);
        panes::DocumentWindow* form = readyRandomDot(32, 4000);
        if (row.paused) {
            startThenPauseAfter(form, 3);
        } else {
            trigger(Menu::mnuConvStart);
            ASSERT_TRUE(spinUntil([&] { return form->conversion().CurrentRow >= 3; }));
        }
        watchQuestion(form);
        const int rowAtClose = form->conversion().CurrentRow;
        dialogs.queueAnswer(platform::Answer::Cancel);
        EXPECT_FALSE(row.close(form));

        EXPECT_EQ(seen.row, rowAtClose) << "no row converted behind the question";
        EXPECT_TRUE(seen.openOn && seen.slidersOn) << "the document's idle state is shown";
        EXPECT_FALSE(seen.pauseOn);
        EXPECT_EQ(seen.caption, QStringLiteral("開始"));

        // Cancel: the run is back as it was.
        EXPECT_TRUE(form->holdsRun());
        EXPECT_EQ(form->model().run, row.paused ? document::RunPhase::Paused : document::RunPhase::Running);
        EXPECT_TRUE(state.run.Converting);
        EXPECT_FALSE(subWindowEnabled(other));
        EXPECT_EQ(frame->convStartCaption(), QStringLiteral("継続"));
        EXPECT_FALSE(frame->menuEnabled(Menu::mnuOpen));
        EXPECT_EQ(frame->menuEnabled(Menu::mnuConvStop), !row.paused);
        EXPECT_EQ(frame->menuEnabled(Menu::mnuConvExit), row.paused);
        EXPECT_EQ(frame->statusPanelText(1), row.paused ? kPaused : kRunning);
        if (row.paused) {
            trigger(Menu::mnuConvStart);
        }
        EXPECT_TRUE(spinUntil([&] { return form->conversion().CurrentRow > rowAtClose + 3; }));
        EXPECT_EQ(form->model().run, document::RunPhase::Running);
        ASSERT_TRUE(waitUntil([&] { return !form->holdsRun(); }, 20000));
        EXPECT_EQ(form->model().run, document::RunPhase::Idle);

        // Next round on fresh windows.
        for (panes::DocumentWindow* document : documents()) {
            dialogs.queueAnswer(platform::Answer::No);
            ASSERT_TRUE(closeWindowOf(document));
        }
    }
}

TEST_F(CloseQuestionTest, YesSavesTheIdleStateAndEndsTheRun) {
    // A document saved before the run is written in place on Yes, without a dialog.
    const struct {
        const char* name;
        bool paused;
        bool savedBefore;
    } rows[] = {{"running", false, false}, {"paused", true, false}, {"saved", false, true}};
    for (const auto& [name, paused, savedBefore] : rows) {
        SCOPED_TRACE(name);
        panes::DocumentWindow* form = readyRandomDot(32, 4000);
        const QString saved = inAppDir(QLatin1String(name) + QStringLiteral(".qbd"));
        if (savedBefore) {
            triggerAndRun(Menu::mnuSaveName, saved);
        }
        if (paused) {
            startThenPauseAfter(form, 3);
        } else {
            trigger(Menu::mnuConvStart);
            ASSERT_TRUE(spinUntil([&] { return form->conversion().CurrentRow >= 3; }));
        }
        watchQuestion(form);
        dialogs.queueAnswer(platform::Answer::Yes);
        if (!savedBefore) {
            dialogs.queueFile(platform::FileChoice{saved, QFileInfo(saved).fileName()});
        }
        const QPointer<panes::DocumentWindow> guard(form);
        ASSERT_TRUE(closeWindowOf(form));
        EXPECT_TRUE(guard.isNull());

        // The document holds what the user had before starting, never the running set.
        const struct {
            const char* key;
            bool on;
        } keys[] = {{"mnuOpen", true},      {"mnuNew", true},       {"mnuConvStart", true},
                    {"mnuConvStop", false}, {"mnuConvExit", false}, {"mnuInsDesign", true},
                    {"knButtons2", true},   {"knButtons11", true},  {"knButtons12", false},
                    {"knButtons13", false}, {"knText2", true},      {"sldMitudoEnabled", true}};
        for (const auto& key : keys) {
            EXPECT_EQ(document::parseFlag(iniValue(saved, key.key)), key.on) << key.key;
        }
        // The Stereo picture was still being drawn: it is no picture of the document.
        EXPECT_EQ(iniValue(saved, "PicStereoPath"), QString());
        EXPECT_FALSE(QFileInfo::exists(QFileInfo(saved).absoluteDir().filePath(
            QFileInfo(saved).completeBaseName() + QStringLiteral("_Stereo.bmp"))));
        EXPECT_FALSE(state.run.Converting);
        EXPECT_TRUE(subWindowEnabled(other));
        EXPECT_EQ(active(), other);
        EXPECT_EQ(frame->convStartCaption(), QStringLiteral("開始"));
        dialogs.queueAnswer(platform::Answer::No);
        ASSERT_TRUE(closeWindowOf(other));
    }
}

TEST_F(ConversionTest, TwoPostsWithinTheDelayBothRun) {
    trigger(Menu::mnuMono);
    dialogs.queueFile(platform::FileChoice{picture(QStringLiteral("a.bmp"), 8, 8), QStringLiteral("a.bmp")});
    dialogs.queueFile(std::nullopt);
    trigger(Menu::mnuInsDesign);
    trigger(Menu::mnuInsDesign);
    ASSERT_TRUE(waitUntil([&] { return dialogs.asked().size() >= 2 && !active()->Timer1()->isActive(); }));
    ASSERT_EQ(dialogs.asked().size(), 2);
    EXPECT_EQ(dialogs.asked()[0].kind, ScriptedDialogs::Asked::Open);
    EXPECT_EQ(dialogs.asked()[1].kind, ScriptedDialogs::Asked::Open);
    EXPECT_FALSE(active()->picBefore()->isHidden()) << "the second, cancelled, leaves the first's picture";
}

TEST_F(ConversionTest, StartDoesNothingForAKindNamedByNoConverter) {
    // The same ready document starts for its own kind; for a kind its file names that no
    // converter knows, Start leaves everything as it was.
    for (const char* kind : {"Stereo3D", "RandomDot"}) {
        panes::DocumentWindow* form = readyRandomDot(24, 12);
        ASSERT_TRUE(form->picAfter()->isHidden());
        doc().StereoName = document::DocumentKind::fromText(QLatin1String(kind));
        const auto askedBefore = dialogs.asked().size();
        triggerAndRun(Menu::mnuConvStart);
        const bool known = doc().StereoName != document::StereoKind::Other;
        if (known) {
            ASSERT_TRUE(waitUntil([&] { return !form->holdsRun(); }, 20000));
        } else {
            EXPECT_FALSE(form->holdsRun()) << kind;
            EXPECT_FALSE(state.run.Converting) << kind;
            EXPECT_EQ(frame->convStartCaption(), QStringLiteral("開始")) << kind;
            EXPECT_EQ(dialogs.asked().size(), askedBefore) << kind;
        }
        EXPECT_EQ(form->picAfter()->isHidden(), !known) << kind;
    }
}

} // namespace
} // namespace quarbel::testing
