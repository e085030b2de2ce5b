// Printing through a real CUPS queue that writes PDF files (cups-pdf): the PDF's picture must be
// the Stereo picture pixel for pixel, and a queue that refuses or is stopped must be named in the
// message. scripts/print-queue-test.sh sets up the queues and runs this program; it names the
// queue (the default printer through PRINTER or LPDEST) and the folder the PDF files are written
// to, and for the cases of one queue's own paper or of no default, what to expect.

#include "../ui/FrameFixture.h"
#include "platform/Picture.h"
#include "platform/Printer.h"

#include <QDirIterator>
#include <QProcess>
#include <QRegularExpression>
#include <cups/cups.h>

namespace quarbel::testing {
namespace {

using Asked = testing::ScriptedDialogs::Asked;

// A print filter that takes minutes has failed; the loop ends as soon as the file is complete.
constexpr int kPdfTimeoutMs = 90000;

// The media the print system recorded for the newest job of queue.
QString mediaOfLastJob(const QString& queue) {
    cups_job_t* jobs = nullptr;
    const int count =
        cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue.toUtf8().constData(), 0, CUPS_WHICHJOBS_ALL);
    int last = 0;
    for (int i = 0; i < count; ++i) {
        last = std::max(last, jobs[i].id);
    }
    cupsFreeJobs(count, jobs);
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    const QByteArray uri = "ipp://localhost/jobs/" + QByteArray::number(last);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.constData());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "media");
    ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    QString media;
    if (ipp_attribute_t* attribute = ippFindAttribute(response, "media", IPP_TAG_ZERO)) {
        media = QString::fromUtf8(ippGetString(attribute, 0, nullptr));
    }
    ippDelete(response);
    return media;
}

QString run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        return QStringLiteral("<failed> ") + QString::fromLocal8Bit(process.readAllStandardError());
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

class RealQueueTest : public FrameTest {
protected:
    void SetUp() override {
        m_queue = qEnvironmentVariable("QUARBEL_PRINT_QUEUE");
        m_out = qEnvironmentVariable("QUARBEL_PRINT_OUT");
        if (m_queue.isEmpty() || m_out.isEmpty()) {
            GTEST_SKIP() << "run by scripts/print-queue-test.sh, which sets up the queue";
        }
        FrameTest::SetUp();
    }

    void TearDown() override {
        if (!m_queue.isEmpty()) {
            run(QStringLiteral("cupsaccept"), {m_queue});
            run(QStringLiteral("cupsenable"), {m_queue});
        }
        FrameTest::TearDown();
    }

    // 16 colours at random: every pixel differs from its neighbours in some channel.
    static QImage dots(int width, int height, quint32 seed) {
        QImage image(width, height, QImage::Format_RGB32);
        quint32 x = seed;
        for (int row = 0; row < height; ++row) {
            for (int column = 0; column < width; ++column) {
                x = x * 1664525u + 1013904223u;
                const int c = static_cast<int>(x >> 28);
                image.setPixel(column, row, qRgb((c & 1) * 255, (c & 2) * 127, (c & 4) * 63 + (c & 8) * 8));
            }
        }
        return image;
    }

    panes::DocumentWindow* documentShowing(const QString& name, const QImage& picture) {
        const QString stereoPath = inAppDir(name + QStringLiteral(".bmp"));
        const QString documentPath = inAppDir(name + QStringLiteral(".qbd"));
        EXPECT_FALSE(platform::saveBmp(picture, stereoPath).has_value());
        EXPECT_TRUE(document::IniFile::writeString(documentPath, document::IniSectionName,
                                                   QStringLiteral("PicStereoPath"), stereoPath));
        dialogs.queueFile(platform::FileChoice{documentPath, name + QStringLiteral(".qbd")});
        trigger(document::Menu::mnuOpen);
        panes::DocumentWindow* form = active();
        EXPECT_TRUE(form && waitUntil([&] { return !form->picAfter()->isHidden(); }));
        return form;
    }

    QStringList pdfFiles() const {
        QStringList files;
        QDirIterator it(m_out, {QStringLiteral("*.pdf")}, QDir::Files);
        while (it.hasNext()) {
            files.append(it.next());
        }
        return files;
    }

    // The PDF that appeared since before, once the print system has finished writing it.
    QString waitForNewPdf(const QStringList& before) const {
        QString found;
        waitUntil(
            [&] {
                for (const QString& file : pdfFiles()) {
                    if (!before.contains(file) &&
                        !run(QStringLiteral("pdfinfo"), {file}).startsWith("<failed>")) {
                        found = file;
                        return true;
                    }
                }
                return false;
            },
            kPdfTimeoutMs);
        return found;
    }

    // The images in a PDF as pdfimages writes them losslessly.
    QList<QImage> imagesIn(const QString& pdf) const {
        const QString prefix = QDir(m_out).filePath(QStringLiteral("extracted"));
        EXPECT_FALSE(
            run(QStringLiteral("pdfimages"), {QStringLiteral("-png"), pdf, prefix}).startsWith("<failed>"));
        QList<QImage> images;
        QDirIterator it(m_out, {QStringLiteral("extracted-*.png")}, QDir::Files);
        QStringList files;
        while (it.hasNext()) {
            files.append(it.next());
        }
        files.sort();
        for (const QString& file : files) {
            images.append(QImage(file).convertToFormat(QImage::Format_RGB32));
            QFile::remove(file);
        }
        return images;
    }

    // The marked part of the page rendered at 24 dots per inch (a quarter of the screen's 96), in
    // the page's own pixels; the page's size in those pixels.
    std::pair<QRect, QSize> markedArea(const QString& pdf) const {
        const QString prefix = QDir(m_out).filePath(QStringLiteral("rendered"));
        EXPECT_FALSE(run(QStringLiteral("pdftoppm"),
                         {QStringLiteral("-r"), QStringLiteral("24"), QStringLiteral("-png"),
                          QStringLiteral("-singlefile"), pdf, prefix})
                         .startsWith("<failed>"));
        const QImage page(prefix + QStringLiteral(".png"));
        QFile::remove(prefix + QStringLiteral(".png"));
        QRect marked;
        for (int y = 0; y < page.height(); ++y) {
            for (int x = 0; x < page.width(); ++x) {
                if (page.pixel(x, y) != qRgb(255, 255, 255)) {
                    marked |= QRect(x, y, 1, 1);
                }
            }
        }
        return {marked, page.size()};
    }

    QString m_queue;
    QString m_out;
};

TEST_F(RealQueueTest, ThePdfCarriesTheStereoPicturePixelForPixelUprightAndTurned) {
    struct Case {
        const char* name;
        QSize size; // A4 or Letter: the second fits only turned
        bool turned;
    };
    const Case cases[] = {{"upright", {200, 148}, false}, {"turned", {1024, 300}, true}};
    // The paper in points, as the queue reports it; printed at 24 dots per inch, a third of that.
    const auto sheet = platform::makeSystemPrinter()->defaultSheet();
    ASSERT_TRUE(std::holds_alternative<platform::Sheet>(sheet));
    const QSizeF paper = std::get<platform::Sheet>(sheet).paper;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage stereo = dots(c.size.width(), c.size.height(), static_cast<quint32>(c.size.width()));
        panes::DocumentWindow* form = documentShowing(QString::fromLatin1(c.name), stereo);
        ASSERT_NE(form, nullptr);
        const QStringList before = pdfFiles();
        dialogs.clearAsked();
        trigger(document::Menu::mnuPrint);
        const QString pdf = waitForNewPdf(before);
        ASSERT_FALSE(pdf.isEmpty()) << "no PDF from queue " << m_queue.toStdString();
        EXPECT_TRUE(dialogs.asked().isEmpty()) << dialogs.asked().value(0).text.toStdString();

        // The sheet the queue reported, upright, with the picture at a quarter of its screen size
        // in its reader's top-left corner: the sheet's top-left upright, its bottom-left turned.
        const auto [marked, page] = markedArea(pdf);
        EXPECT_LE(std::abs(page.width() - paper.width() / 3), 1.0);
        EXPECT_LE(std::abs(page.height() - paper.height() / 3), 1.0);
        const QSize quarter(c.size.width() / 4, c.size.height() / 4);
        const QRect expected = c.turned
                                   ? QRect(QPoint(0, page.height() - quarter.width()), quarter.transposed())
                                   : QRect(QPoint(0, 0), quarter);
        EXPECT_LE(std::abs(marked.left() - expected.left()) + std::abs(marked.top() - expected.top()) +
                      std::abs(marked.right() - expected.right()) +
                      std::abs(marked.bottom() - expected.bottom()),
                  2)
            << "marked " << marked.x() << "," << marked.y() << " " << marked.width() << "x"
            << marked.height();

        const QList<QImage> images = imagesIn(pdf);
        ASSERT_EQ(images.size(), 1);
        ASSERT_EQ(images[0].size(), stereo.size());
        qsizetype differing = 0;
        for (int y = 0; y < stereo.height(); ++y) {
            for (int x = 0; x < stereo.width(); ++x) {
                differing += images[0].pixel(x, y) != stereo.pixel(x, y) ? 1 : 0;
            }
        }
        EXPECT_EQ(differing, 0);
    }
}

// A queue set up the usual way (its PPD's default page A4, no media option) keeps its paper whatever
// the program's locale says: the script runs this with LANG unset and with en_US.UTF-8.
TEST_F(RealQueueTest, APictureThatFitsTheQueuesOwnPaperIsPrintedWholeOnThatPaper) {
    const QString paper = qEnvironmentVariable("QUARBEL_PRINT_PAPER"); // as pdfinfo says it: "595 x 842"
    const QString media = qEnvironmentVariable("QUARBEL_PRINT_MEDIA");
    if (paper.isEmpty() || media.isEmpty()) {
        GTEST_SKIP() << "the script names the queue's paper";
    }
    // 159×286 mm on screen: fits A4's 210×297 upright, but not Letter's 279 mm height either way.
    const QImage stereo = dots(600, 1080, 7);
    panes::DocumentWindow* form = documentShowing(QStringLiteral("tall"), stereo);
    ASSERT_NE(form, nullptr);
    const QStringList before = pdfFiles();
    dialogs.clearAsked();
    trigger(document::Menu::mnuPrint);
    const QString pdf = waitForNewPdf(before);
    ASSERT_FALSE(pdf.isEmpty()) << "no PDF from queue " << m_queue.toStdString();
    EXPECT_TRUE(dialogs.asked().isEmpty()) << dialogs.asked().value(0).text.toStdString();
    const QString info = run(QStringLiteral("pdfinfo"), {pdf});
    EXPECT_TRUE(
        info.contains(QRegularExpression(QStringLiteral("Page size: +") + paper + QStringLiteral(" pts"))))
        << info.toStdString();
    EXPECT_EQ(mediaOfLastJob(m_queue), media);
    const QList<QImage> images = imagesIn(pdf);
    ASSERT_EQ(images.size(), 1);
    EXPECT_EQ(images[0], stereo);
    // Whole: nothing of its height lost at the page's edge.
    const auto [marked, page] = markedArea(pdf);
    EXPECT_LE(std::abs(marked.height() - stereo.height() / 4), 1) << marked.height();
    QFile::remove(pdf); // the next run (another locale) writes a file of the same name
}

// With no default printer: the only queue is used; among several, the user is told their names.
TEST_F(RealQueueTest, WithoutADefaultTheOnlyQueuePrintsAndSeveralAreNamed) {
    const QString others = qEnvironmentVariable("QUARBEL_PRINT_NO_DEFAULT"); // the other queues, or "none"
    if (others.isEmpty()) {
        GTEST_SKIP() << "the script says when no default printer is set";
    }
    panes::DocumentWindow* form = documentShowing(QStringLiteral("nodefault"), dots(64, 48, 3));
    ASSERT_NE(form, nullptr);
    const QStringList before = pdfFiles();
    dialogs.clearAsked();
    trigger(document::Menu::mnuPrint);
    if (others == QLatin1String("none")) {
        EXPECT_FALSE(waitForNewPdf(before).isEmpty());
        EXPECT_TRUE(dialogs.asked().isEmpty()) << dialogs.asked().value(0).text.toStdString();
        return;
    }
    ASSERT_TRUE(waitUntil([&] { return !dialogs.asked().isEmpty(); }, 10000));
    const QString text = dialogs.asked()[0].text;
    EXPECT_TRUE(text.startsWith(QStringLiteral("既定のプリンターが決まっていません（プリンター：")))
        << text.toStdString();
    for (const QString& name : others.split(QLatin1Char(' ')) + QStringList{m_queue}) {
        EXPECT_TRUE(text.contains(name)) << name.toStdString() << " not in " << text.toStdString();
    }
    EXPECT_EQ(pdfFiles(), before);
}

TEST_F(RealQueueTest, ARefusingOrStoppedQueueIsNamedWithItsReasonAndNothingPrints) {
    panes::DocumentWindow* form = documentShowing(QStringLiteral("refused"), dots(64, 48, 1));
    ASSERT_NE(form, nullptr);
    struct Case {
        const char* command;
        const char* undo;
        QString message;
    };
    const QString printer = QStringLiteral("プリンター「") + m_queue + QStringLiteral("」");
    const Case cases[] = {
        {"cupsreject", "cupsaccept",
         printer + QStringLiteral("は印刷を受け付けていません。\r\n理由：紙の補充中\r\n受け付けを再開してから"
                                  "印刷してください。")},
        {"cupsdisable", "cupsenable",
         printer +
             QStringLiteral(
                 "は停止しています。\r\n理由：紙の補充中\r\nプリンターを再開してから印刷してください。")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        ASSERT_EQ(run(QString::fromLatin1(c.command),
                      {QStringLiteral("-r"), QStringLiteral("紙の補充中"), m_queue}),
                  QString());
        const QStringList before = pdfFiles();
        dialogs.clearAsked();
        trigger(document::Menu::mnuPrint);
        ASSERT_TRUE(waitUntil([&] { return !dialogs.asked().isEmpty(); }, 10000));
        EXPECT_EQ(dialogs.asked()[0].kind, Asked::Message);
        EXPECT_EQ(dialogs.asked()[0].text, c.message);
        ASSERT_EQ(run(QString::fromLatin1(c.undo), {m_queue}), QString());
        EXPECT_EQ(pdfFiles(), before);
    }
}

} // namespace
} // namespace quarbel::testing
