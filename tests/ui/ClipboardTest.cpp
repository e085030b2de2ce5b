// Selecting a pane with the mouse, Copy, Cut, Paste and Clear through the real frame, and the
// splitter dragged with the mouse.

#include "FrameFixture.h"
#include "document/RunStates.h"
#include "panes/Splitter.h"
#include "platform/Picture.h"

#include <QBuffer>
#include <QClipboard>
#include <QCursor>
#include <QGuiApplication>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>
#include <functional>

namespace quarbel::testing {
namespace {

using document::Menu;

class ClipboardTest : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        QGuiApplication::clipboard()->clear();
    }

    // A picture whose every pixel differs from its neighbours, so a shifted copy cannot pass as equal.
    QImage pattern(int w, int h) {
        QImage image(w, h, QImage::Format_RGB32);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                image.setPixel(x, y, qRgb((x * 37) % 256, (y * 53) % 256, (x * y) % 256));
            }
        }
        return image;
    }

    void runTimer() {
        ASSERT_TRUE(waitUntil([&] { return !active()->Timer1()->isActive(); }));
    }

    void insertFromFile(Menu item, const QImage& image) {
        const QString path = inAppDir(QStringLiteral("p%1.bmp").arg(++m_files));
        ASSERT_FALSE(platform::saveBmp(image, path).has_value());
        dialogs.queueFile(platform::FileChoice{path, QFileInfo(path).fileName()});
        trigger(item);
        runTimer();
    }

    static void click(QWidget* widget, QPoint pos = {2, 2}) {
        QTest::mouseClick(widget, Qt::LeftButton, {}, pos);
    }

    bool editEntries(bool cut, bool copy, bool paste, bool clear) const {
        return frame->menuEnabled(Menu::mnuCut) == cut && frame->buttonEnabled(6) == cut &&
               frame->menuEnabled(Menu::mnuCopy) == copy && frame->buttonEnabled(7) == copy &&
               frame->menuEnabled(Menu::mnuPaste) == paste && frame->buttonEnabled(8) == paste &&
               frame->menuEnabled(Menu::mnuClear) == clear;
    }

private:
    int m_files = 0;
};

TEST_F(ClipboardTest, CopiedStereoPicturePastesIntoTheDesignPaneOfAnotherDocument) {
    trigger(Menu::mnuMono);
    panes::DocumentWindow* first = active();
    const QImage picture = pattern(30, 20);
    insertFromFile(Menu::mnuInsStereo, picture);
    click(first->picAfter());
    EXPECT_EQ(active()->editTargetTag(), document::PicSource::CBpicAfter);
    EXPECT_TRUE(editEntries(true, true, false, true));
    trigger("Copy");

    trigger(Menu::mnuMono);
    panes::DocumentWindow* second = active();
    click(second->picContBefore(), {20, 20});
    EXPECT_EQ(active()->editTargetTag(), document::PicSource::CBpicBefore);
    EXPECT_TRUE(editEntries(false, false, true, false));
    const QString designPath = doc().PicDesignPath;
    trigger("Paste");
    runTimer();

    EXPECT_FALSE(second->picBefore()->isHidden());
    EXPECT_EQ(second->picBefore()->picture().convertToFormat(QImage::Format_RGB32), picture);
    EXPECT_EQ(second->picUra().convertToFormat(QImage::Format_RGB32), picture)
        << "the converter reads the paste";
    EXPECT_EQ(doc().PicDesignPath, designPath) << "a pasted picture has no file";
    EXPECT_TRUE(frame->menuEnabled(Menu::mnuConvStart));
    EXPECT_TRUE(first->picAfter()->isVisibleTo(first)) << "copy leaves the source";
    // The chosen pane now holds the picture: it can be cut, copied and cleared without a new click.
    EXPECT_TRUE(editEntries(true, true, true, true));
}

TEST_F(ClipboardTest, CutEmptiesTheStereoPaneAndPasteBringsItBack) {
    trigger(Menu::mnuMono);
    const QImage picture = pattern(40, 30);
    insertFromFile(Menu::mnuInsStereo, picture);
    frame->setStatusPanelText(5, QStringLiteral("40 × 30"));
    click(active()->picAfter());
    trigger(Menu::mnuCut);

    EXPECT_EQ(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32), picture);
    EXPECT_TRUE(active()->picAfter()->isHidden());
    EXPECT_EQ(active()->picAfter()->pictureSize(), QSize(1, 1));
    EXPECT_TRUE(doc().PicStereoPath.isEmpty());
    EXPECT_TRUE(frame->statusPanelText(5).isEmpty());
    EXPECT_FALSE(frame->menuEnabled(Menu::mnuPrint));
    EXPECT_FALSE(frame->buttonEnabled(4));
    EXPECT_FALSE(frame->menuEnabled(Menu::mnuSaveStereo));
    EXPECT_FALSE(frame->menuEnabled(Menu::mnuSaveGazou)) << "no picture left to save";
    EXPECT_TRUE(editEntries(false, false, true, true)) << "Clear keeps its state";

    trigger(Menu::mnuPaste);
    runTimer();
    EXPECT_EQ(active()->picAfter()->picture().convertToFormat(QImage::Format_RGB32), picture);
    EXPECT_TRUE(frame->menuEnabled(Menu::mnuPrint));
}

TEST_F(ClipboardTest, ClearingAPaneResetsWhatDependsOnIt) {
    struct Row {
        const char* name;
        panes::PicturePane* (panes::DocumentWindow::*pane)() const;
        QString document::DocumentFields::*path;
        Menu saveMenu;
        bool conversionReset;
    };
    const Row rows[] = {
        {"Design", &panes::DocumentWindow::picBefore, &document::DocumentFields::PicDesignPath,
         Menu::mnuSaveDesign, true},
        {"Field", &panes::DocumentWindow::picField, &document::DocumentFields::PicFieldPath,
         Menu::mnuSaveField, true},
        {"Stereo", &panes::DocumentWindow::picAfter, &document::DocumentFields::PicStereoPath,
         Menu::mnuSaveStereo, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        trigger(Menu::mnuFieldColor);
        for (Menu insert : {Menu::mnuInsDesign, Menu::mnuInsField, Menu::mnuInsStereo}) {
            insertFromFile(insert, pattern(1000, 900));
        }
        frame->setStatusPanelText(5, QStringLiteral("1000 × 900"));
        ASSERT_TRUE(frame->menuEnabled(Menu::mnuConvStart));
        panes::PicturePane* pane = (active()->*row.pane)();
        click(pane);
        trigger(Menu::mnuClear);

        EXPECT_TRUE(pane->isHidden());
        EXPECT_TRUE((doc().*row.path).isEmpty());
        EXPECT_FALSE(frame->menuEnabled(row.saveMenu));
        EXPECT_TRUE(frame->menuEnabled(Menu::mnuSaveGazou)) << "two pictures are left";
        EXPECT_EQ(frame->menuEnabled(Menu::mnuConvStart), !row.conversionReset);
        EXPECT_EQ(frame->buttonEnabled(11), !row.conversionReset);
        EXPECT_EQ(frame->menuEnabled(Menu::mnuPrint), row.conversionReset);
        EXPECT_EQ(frame->statusPanelText(5).isEmpty(), !row.conversionReset);
        for (QScrollBar* bar : pane->parentWidget()->findChildren<QScrollBar*>()) {
            EXPECT_FALSE(bar->isVisibleTo(active())) << bar->objectName().toStdString();
        }
        EXPECT_TRUE(editEntries(false, false, false, true)) << "nothing on the clipboard to paste";
    }
}

TEST_F(ClipboardTest, APastedPictureTooWideTooLargeOrDamagedIsRefusedAsAFileWouldBe) {
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(pattern(40, 30).save(&buffer, "PNG"));
    }
    const struct {
        const char* name;
        std::function<void(QMimeData&)> put;
        QString message; // contained in the one message shown
    } cases[] = {
        {"wider than 1024", [&](QMimeData& data) { data.setImageData(pattern(1025, 2)); },
         QStringLiteral("デザイン画像が大きすぎます。\r\n幅を1024ピクセル以下にしてください。")},
        {"more pixels than the limit",
         [&](QMimeData& data) {
             QImage tall(1024, 33000, QImage::Format_RGB32);
             tall.fill(Qt::white);
             data.setImageData(tall);
         },
         QStringLiteral("画像が大きすぎます（1024×33000ピクセル）。読み込める画像は%1ピクセルまでです。")
             .arg(platform::MaxPicturePixels)},
        {"another program's PNG, cut off",
         [&](QMimeData& data) { data.setData(QStringLiteral("image/png"), png.left(png.size() / 2)); },
         QStringLiteral("画像のデータが壊れているか、途中で切れています。")},
    };
    trigger(Menu::mnuMono);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto* data = new QMimeData;
        c.put(*data);
        QGuiApplication::clipboard()->setMimeData(data);
        click(active()->picContBefore(), {20, 20});
        dialogs.clearAsked();
        trigger(Menu::mnuPaste);
        runTimer();
        ASSERT_EQ(dialogs.asked().size(), 1);
        EXPECT_TRUE(dialogs.asked()[0].text.contains(c.message)) << dialogs.asked()[0].text.toStdString();
        EXPECT_TRUE(active()->picBefore()->isHidden());
        EXPECT_FALSE(frame->menuEnabled(Menu::mnuConvStart));
    }
}

TEST_F(ClipboardTest, ClicksChangeNothingWhileConvertingOrWhileADocumentOpensOrWithoutAPane) {
    trigger(Menu::mnuMono);
    insertFromFile(Menu::mnuInsDesign, pattern(10, 10));
    QGuiApplication::clipboard()->setImage(pattern(5, 5));
    const bool cut = frame->menuEnabled(Menu::mnuCut);
    const bool paste = frame->menuEnabled(Menu::mnuPaste);

    // A picture from a file leaves no pane chosen: Paste has nowhere to go and posts nothing.
    // Both are off, so only the handlers themselves can be asked: they must do nothing.
    ASSERT_EQ(active()->editTargetTag(), document::PicSource::None);
    frame->mnuPaste_Click();
    EXPECT_FALSE(active()->Timer1()->isActive());
    frame->mnuCopy_Click();
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(5, 5))
        << "copy without a pane copies nothing";

    state.run.Converting = true;
    click(active()->picBefore());
    click(active()->picContAfter(), {20, 20});
    state.run.Converting = false;
    // An opened document's pictures are on their way (nothing to load here). Posted as Open posts
    // it: after a real Open the clicks could not be sure to come before the window's timer.
    frame->PostCommand({document::CommandTag::MDImnuOpen, document::PicSource::FromMDImnuOpen});
    click(active()->picContAfter(), {20, 20});
    EXPECT_EQ(active()->editTargetTag(), document::PicSource::None);
    EXPECT_EQ(frame->menuEnabled(Menu::mnuCut), cut);
    EXPECT_EQ(frame->menuEnabled(Menu::mnuPaste), paste);
    EXPECT_FALSE(active()->picBefore()->pressedLook());

    // Once the opening has run, the empty areas answer again, here and in a later new document.
    runTimer();
    ASSERT_TRUE(active()->pendingCommands().isEmpty());
    click(active()->picContAfter(), {20, 20});
    EXPECT_EQ(active()->editTargetTag(), document::PicSource::CBpicAfter);
    trigger(Menu::mnuFieldColor);
    click(active()->picContField(), {20, 20});
    EXPECT_EQ(active()->editTargetTag(), document::PicSource::CBpicField);
    EXPECT_TRUE(editEntries(false, false, true, false));
}

TEST_F(ClipboardTest, PasteFollowsTheClipboard) {
    trigger(Menu::mnuMono);
    panes::DocumentWindow* form = active();
    EXPECT_TRUE(editEntries(false, false, false, false));
    // No pane chosen: a picture arriving gives Paste nowhere to go.
    QGuiApplication::clipboard()->setImage(pattern(5, 5));
    QCoreApplication::processEvents();
    EXPECT_TRUE(editEntries(false, false, false, false));

    click(form->picContBefore(), {20, 20});
    ASSERT_TRUE(editEntries(false, false, true, false));
    QGuiApplication::clipboard()->setText(QStringLiteral("words, not a picture"));
    EXPECT_TRUE(waitUntil([&] { return editEntries(false, false, false, false); }));
    QGuiApplication::clipboard()->setImage(pattern(7, 7));
    EXPECT_TRUE(waitUntil([&] { return editEntries(false, false, true, false); }));
    QGuiApplication::clipboard()->clear();
    EXPECT_TRUE(waitUntil([&] { return editEntries(false, false, false, false); }));

    // During a run the running set stays; with no document Paste stays off.
    QGuiApplication::clipboard()->setImage(pattern(7, 7));
    EXPECT_TRUE(waitUntil([&] { return frame->menuEnabled(Menu::mnuPaste); }));
    document::SetConvertRunning(*frame);
    state.run.Converting = true;
    QGuiApplication::clipboard()->clear();
    QGuiApplication::clipboard()->setImage(pattern(3, 3));
    QCoreApplication::processEvents();
    EXPECT_FALSE(frame->menuEnabled(Menu::mnuPaste));
    state.run.Converting = false;
    dialogs.queueAnswer(platform::Answer::No);
    ASSERT_TRUE(closeWindowOf(form));
    QGuiApplication::clipboard()->setImage(pattern(4, 4));
    QCoreApplication::processEvents();
    EXPECT_FALSE(frame->menuEnabled(Menu::mnuPaste));
    EXPECT_FALSE(frame->buttonEnabled(8));
}

TEST_F(ClipboardTest, TheChosenPaneBelongsToTheWindowWhereItWasChosen) {
    trigger(Menu::mnuMono);
    panes::DocumentWindow* first = active();
    insertFromFile(Menu::mnuInsStereo, pattern(30, 20));
    trigger(Menu::mnuMono);
    panes::DocumentWindow* second = active();
    insertFromFile(Menu::mnuInsStereo, pattern(30, 20));
    activate(first);
    click(first->picAfter());
    ASSERT_EQ(active()->editTargetTag(), document::PicSource::CBpicAfter);
    QGuiApplication::clipboard()->setImage(pattern(6, 6));

    // Nothing was chosen in the second window: the Edit commands find no pane there.
    activate(second);
    ASSERT_EQ(active(), second);
    EXPECT_FALSE(frame->menuEnabled(Menu::mnuClear))
        << "with nothing chosen, Clear is off, not a silent nothing";
    // Off, so no user can choose them: the handlers themselves must still find no pane.
    frame->mnuClear_Click();
    frame->mnuCut_Click();
    frame->mnuPaste_Click();
    EXPECT_FALSE(second->picAfter()->isHidden());
    EXPECT_FALSE(second->Timer1()->isActive()) << "Paste posts nothing";
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(6, 6)) << "Cut copied nothing";

    // The first window kept its choice.
    activate(first);
    trigger(Menu::mnuClear);
    EXPECT_TRUE(first->picAfter()->isHidden());
    EXPECT_FALSE(second->picAfter()->isHidden());

    // Choosing in the second window, then inserting there from a file, leaves it without a choice.
    activate(second);
    click(second->picAfter());
    insertFromFile(Menu::mnuInsDesign, pattern(8, 8));
    EXPECT_FALSE(frame->menuEnabled(Menu::mnuClear));
    frame->mnuClear_Click(); // off: only the handler can be asked
    EXPECT_FALSE(second->picAfter()->isHidden());
    EXPECT_FALSE(second->picBefore()->isHidden());
}

void dragEvent(QWidget* splitter, QEvent::Type type, QPoint windowPos, Qt::MouseButtons buttons) {
    QWidget* window = splitter->parentWidget();
    const QPoint global = window->mapToGlobal(windowPos);
    QMouseEvent event(type, splitter->mapFromGlobal(global), global, Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(splitter, &event);
}

TEST_F(ClipboardTest, DraggingTheSplitterMovesTheColumnBoundary) {
    trigger(Menu::mnuFieldColor);
    panes::DocumentWindow* form = active();
    QWidget* splitter = form->picDrag();
    const int w = form->width();
    const int h = form->height();

    const QRect before = form->picContBefore()->geometry();
    state.run.Converting = true;
    dragEvent(splitter, QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton);
    dragEvent(splitter, QEvent::MouseMove, {100, 5}, Qt::LeftButton);
    dragEvent(splitter, QEvent::MouseButtonRelease, {100, 5}, Qt::NoButton);
    EXPECT_EQ(form->picContBefore()->geometry(), before) << "no drag while converting";
    state.run.Converting = false;

    dragEvent(splitter, QEvent::MouseButtonPress, {splitter->x(), 5}, Qt::LeftButton);
    ASSERT_TRUE(form->splitterDrag()->dragging());
    EXPECT_EQ(form->cursor().shape(), Qt::SplitHCursor);
    // Positions along the drag; the ones outside the limits leave the last boundary.
    const struct {
        int x;
        int left;
    } moves[] = {{150, 150}, {0, 150}, {1, 1}, {w - 3, w - 3}, {w - 2, w - 3}, {w + 40, w - 3}, {120, 120}};
    for (const auto& move : moves) {
        dragEvent(splitter, QEvent::MouseMove, {move.x, h / 3}, Qt::LeftButton);
        EXPECT_EQ(form->picContBefore()->width(), move.left) << move.x;
        EXPECT_EQ(form->picContField()->width(), move.left) << move.x;
        EXPECT_EQ(splitter->geometry(), QRect(move.left, 0, 2, h)) << move.x;
        EXPECT_EQ(form->picContAfter()->geometry(), QRect(move.left + 2, 0, w - move.left - 2, h)) << move.x;
    }
    dragEvent(splitter, QEvent::MouseButtonRelease, {90, h / 3}, Qt::NoButton);
    EXPECT_FALSE(form->splitterDrag()->dragging());
    EXPECT_EQ(form->picContBefore()->width(), 90);
    EXPECT_NE(form->cursor().shape(), Qt::SplitHCursor);

    // A wider window keeps the dragged boundary.
    form->Form_Resize();
    EXPECT_EQ(form->picContBefore()->width(), 90);
    EXPECT_EQ(form->picContAfter()->x(), 92);
}

} // namespace
} // namespace quarbel::testing
