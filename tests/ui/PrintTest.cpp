// The Print command with a recording printer: the page's size, orientation and picture, the
// question before a picture that cannot fit, and every refusal told by name.

#include "FrameFixture.h"
#include "panes/PrintMessages.h"
#include "platform/Picture.h"
#include "platform/Printer.h"
#include "support/RecordingPrinter.h"

#include <QScreen>

namespace quarbel::testing {
namespace {

using document::Menu;

using platform::Orientation;
using platform::PrintError;
using platform::PrintFailure;
using Asked = testing::ScriptedDialogs::Asked;

class PrintTest : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        frame->setPrinter(printer);
    }

    static QImage pattern(int width, int height) {
        QImage image(width, height, QImage::Format_RGB32);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                image.setPixel(x, y, qRgb((x * 7) & 255, (y * 13) & 255, (x ^ y) & 255));
            }
        }
        return image;
    }

    // A document named "p" whose Stereo pane shows picture.
    panes::DocumentWindow* documentShowing(const QImage& picture) {
        const QString stereoPath = inAppDir(QStringLiteral("stereo.bmp"));
        const QString documentPath = inAppDir(QStringLiteral("p.qbd"));
        EXPECT_FALSE(platform::saveBmp(picture, stereoPath).has_value());
        EXPECT_TRUE(document::IniFile::writeString(documentPath, document::IniSectionName,
                                                   QStringLiteral("PicStereoPath"), stereoPath));
        dialogs.queueFile(platform::FileChoice{documentPath, QStringLiteral("p.qbd")});
        trigger(Menu::mnuOpen);
        panes::DocumentWindow* form = active();
        EXPECT_TRUE(form && waitUntil([&] { return !form->picAfter()->isHidden(); }, 10000));
        return form;
    }

    // The picture's size on paper: one picture pixel per screen pixel.
    static QSizeF pointsOf(const panes::DocumentWindow* form, QSize pixels) {
        return {pixels.width() * 72.0 / form->screen()->logicalDotsPerInchX(),
                pixels.height() * 72.0 / form->screen()->logicalDotsPerInchY()};
    }

    static platform::Sheet sheetWithArea(QSizeF area) {
        return {QStringLiteral("office"), QStringLiteral("iso_a4_210x297mm"), area + QSizeF(40, 60),
                QRectF(QPointF(18, 24), area)};
    }

    // Prints and waits until the command has run; it asks the printer for its sheet first and
    // then finishes without returning to the event loop.
    void print() {
        const int sheets = printer.sheetRequests();
        trigger(Menu::mnuPrint);
        ASSERT_TRUE(waitUntil([&] { return printer.sheetRequests() > sheets; }, 10000));
    }

    testing::RecordingPrinter printer;
};

TEST_F(PrintTest, TheStereoPictureGoesToTheDefaultSheetAtItsScreenSizeFromMenuAndToolbar) {
    const QImage stereo = pattern(96, 48);
    panes::DocumentWindow* form = documentShowing(stereo);
    ASSERT_NE(form, nullptr);
    const platform::Sheet sheet = sheetWithArea({500, 700});
    printer.setSheet(sheet);

    print();
    trigger("Printer");
    ASSERT_TRUE(waitUntil([&] { return printer.jobs().size() == 2; }, 10000));
    EXPECT_EQ(printer.sheetRequests(), 2);
    for (const platform::PrintJob& job : printer.jobs()) {
        EXPECT_EQ(job.image.convertToFormat(QImage::Format_RGB32), stereo);
        EXPECT_EQ(job.size, pointsOf(form, stereo.size()));
        EXPECT_EQ(job.orientation, Orientation::Portrait);
        EXPECT_EQ(job.sheet.printer, sheet.printer);
        EXPECT_EQ(job.sheet.printable, sheet.printable);
        EXPECT_EQ(job.sheet.media, sheet.media);
        EXPECT_EQ(job.title, QStringLiteral("p"));
    }
    EXPECT_TRUE(dialogs.asked().size() == 1) << "only the open dialog; printing asks nothing";
}

TEST_F(PrintTest, TurnsThePageWhenOnlyThatFitsAndAsksBeforeAPictureThatFitsNeitherWay) {
    const QImage stereo = pattern(300, 120);
    panes::DocumentWindow* form = documentShowing(stereo);
    ASSERT_NE(form, nullptr);
    const QSizeF p = pointsOf(form, stereo.size());
    struct Case {
        const char* what;
        QSizeF area;
        std::optional<platform::Answer> answer; // the question is asked only with an answer
        std::optional<Orientation> printed;
    };
    const Case cases[] = {
        {"fits upright exactly", p, std::nullopt, Orientation::Portrait},
        {"fits only turned", p.transposed(), std::nullopt, Orientation::Landscape},
        {"fits neither, cancelled", p - QSizeF(1, 1), platform::Answer::Cancel, std::nullopt},
        {"fits neither, printed anyway", p - QSizeF(1, 1), platform::Answer::Yes, Orientation::Portrait},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        printer.setSheet(sheetWithArea(c.area));
        dialogs.clearAsked();
        if (c.answer) {
            dialogs.queueAnswer(*c.answer);
        }
        const qsizetype jobs = printer.jobs().size();
        print();
        if (c.answer) {
            ASSERT_EQ(dialogs.asked().size(), 1);
            EXPECT_EQ(dialogs.asked()[0].kind, Asked::Question);
            EXPECT_EQ(dialogs.asked()[0].text, panes::tooLargeToPrintMessage(p, c.area));
        } else {
            EXPECT_TRUE(dialogs.asked().isEmpty());
        }
        ASSERT_EQ(printer.jobs().size(), jobs + (c.printed ? 1 : 0));
        if (c.printed) {
            EXPECT_EQ(printer.jobs().last().orientation, *c.printed);
            EXPECT_EQ(printer.jobs().last().size, p) << "never scaled to the paper";
        }
    }
}

TEST(PrintMessages, SayWhichPictureDoesNotFitInMillimetres) {
    // 1024 x 680 screen pixels at 96 per inch on A4 less 5 mm margins.
    const QSizeF picture(768, 510);
    const QSizeF area(567.0, 813.5);
    EXPECT_EQ(
        panes::tooLargeToPrintMessage(picture, area),
        QStringLiteral("ステレオ画像（271×180 mm）は用紙の印刷できる範囲（200×287 "
                       "mm）に縦横どちらの向きでも収まりません。"
                       "\r\n大きさを変えずに印刷すると、はみ出した部分は印刷されません。印刷しますか？"));
}

TEST_F(PrintTest, EveryRefusalIsToldByPrinterAndReasonAndNothingPrints) {
    const QImage stereo = pattern(40, 30);
    panes::DocumentWindow* form = documentShowing(stereo);
    ASSERT_NE(form, nullptr);
    struct Case {
        bool atSubmission; // refused when the job is sent, not when the printer is asked for its sheet
        PrintFailure failure;
        const char* message;
    };
    const Case cases[] = {
        {false,
         {PrintError::NoPrinter, {}, {}},
         "プリンターが見つかりません。\r\nプリンターを設定してから印刷してください。"},
        {false,
         {PrintError::NoDefault, {}, QStringLiteral("office、lab")},
         "既定のプリンターが決まっていません（プリンター：office、lab）。\r\nどれかを既定のプリンターにしてか"
         "ら印刷"
         "してください。"},
        {false,
         {PrintError::NotAccepting, QStringLiteral("office"), QStringLiteral("Rejecting Jobs")},
         "プリンター「office」は印刷を受け付けていません。\r\n理由：Rejecting "
         "Jobs\r\n受け付けを再開してから印刷してください。"},
        {false,
         {PrintError::Stopped, QStringLiteral("office"), {}},
         "プリンター「office」は停止しています。\r\nプリンターを再開してから印刷してください。"},
        {true,
         {PrintError::JobFailed, QStringLiteral("office"), QStringLiteral("Unsupported document-format")},
         "プリンター「office」に印刷を送れませんでした。\r\n理由：Unsupported document-format\r\n"
         "プリンターの状態を確かめてください。"},
        {true,
         {PrintError::NotAccepting, QStringLiteral("office"), {}},
         "プリンター「office」は印刷を受け付けていません。\r\n受け付けを再開してから印刷してください。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        dialogs.clearAsked();
        (c.atSubmission ? printer.queueJobFailure(c.failure) : printer.queueSheetFailure(c.failure));
        print();
        ASSERT_EQ(dialogs.asked().size(), 1);
        EXPECT_EQ(dialogs.asked()[0].kind, Asked::Message);
        EXPECT_EQ(dialogs.asked()[0].text, QString::fromUtf8(c.message));
        EXPECT_EQ(dialogs.asked()[0].icon, platform::MessageIcon::Exclamation);
    }
    EXPECT_TRUE(printer.jobs().isEmpty());
    EXPECT_EQ(form->picAfter()->picture().convertToFormat(QImage::Format_RGB32), stereo);
}

} // namespace
} // namespace quarbel::testing
