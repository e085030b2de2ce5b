// Where a printed picture lands on the sheet and what the page sent to the print system holds.

#include "platform/Printer.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace quarbel::platform {
namespace {

// A printable area that does not start at the paper's corner, as on real printers.
Sheet sheetWithArea(QSizeF area) {
    return {QStringLiteral("office"), {}, QSizeF(600, 850), QRectF(QPointF(20, 30), area)};
}

TEST(PrintPlacement, UprightWhenItFitsTurnedWhenOnlyThatFitsElseNeither) {
    const QSizeF area(500, 800);
    struct Case {
        QSizeF picture;
        std::optional<Orientation> expected;
    };
    const Case cases[] = {
        {{400, 700}, Orientation::Portrait},
        {{500, 800}, Orientation::Portrait},     // exactly the area
        {{500.005, 800}, Orientation::Portrait}, // rounding of the paper size in millimetres
        {{700, 400}, Orientation::Landscape},
        {{800, 500}, Orientation::Landscape},   // exactly the area, turned
        {{500.5, 500}, Orientation::Landscape}, // too wide upright, fits turned
        {{800.5, 500}, std::nullopt},
        {{501, 801}, std::nullopt},
        {{900, 900}, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(orientationThatFits(c.picture, sheetWithArea(area)), c.expected)
            << c.picture.width() << " x " << c.picture.height();
    }
}

// The objects of a PDF by number, found through its cross-reference table, which must be right
// for a print filter to read the file at all.
QMap<int, QByteArray> objectsByXref(const QByteArray& pdf) {
    QMap<int, QByteArray> objects;
    const qsizetype startxref = pdf.lastIndexOf("startxref\n");
    const qsizetype xref = pdf.mid(startxref + 10).split('\n').value(0).toLongLong();
    const QList<QByteArray> lines = pdf.mid(xref).split('\n');
    if (lines.value(0) != "xref") {
        return objects;
    }
    const int count = lines.value(1).split(' ').value(1).toInt();
    for (int n = 1; n < count; ++n) {
        const qsizetype offset = lines.value(2 + n).left(10).toLongLong();
        const QByteArray head = QByteArray::number(n) + " 0 obj\n";
        if (pdf.mid(offset, head.size()) == head) {
            const qsizetype end = pdf.indexOf("\nendobj\n", offset);
            objects.insert(n, pdf.mid(offset + head.size(), end - offset - head.size()));
        }
    }
    return objects;
}

QByteArray streamData(const QByteArray& object) {
    const qsizetype start = object.indexOf("stream\n") + 7;
    const qsizetype end = object.lastIndexOf("\nendstream");
    return object.mid(start, end - start);
}

QList<double> numbersBefore(const QByteArray& text, const char* op, int count) {
    const QList<QByteArray> words = text.left(text.indexOf(op)).simplified().split(' ');
    QList<double> numbers;
    for (qsizetype i = words.size() - count; i < words.size(); ++i) {
        numbers.append(words.value(i).toDouble());
    }
    return numbers;
}

TEST(PrintPage, CarriesEveryPixelUnchangedAtItsSizeAndPlace) {
    // An odd width makes the rows of a 24-bit image padded in memory; the page must not carry it.
    QImage image(37, 5, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            image.setPixel(x, y, qRgb(x * 7, y * 50, (x * y) & 255));
        }
    }
    struct Case {
        Orientation orientation;
        QList<double> matrix; // unit square to PDF user space
    };
    // The area's corner is 20 pt from the left and 30 pt from the top of an 850 pt high page.
    const Case cases[] = {
        {Orientation::Portrait, {74, 0, 0, 10, 20, 850 - 30 - 10}},
        {Orientation::Landscape, {0, 74, -10, 0, 20 + 10, 850 - 830}},
    };
    for (const Case& c : cases) {
        const PrintJob job{QStringLiteral("ステレオ"), image, QSizeF(74, 10), sheetWithArea({500, 800}),
                           c.orientation};
        const QMap<int, QByteArray> objects = objectsByXref(pdfOfJob(job));
        ASSERT_EQ(objects.size(), 6) << "every object reachable through the cross-reference table";

        EXPECT_TRUE(objects[3].contains("/MediaBox [0 0 600 850]")) << objects[3].toStdString();
        EXPECT_EQ(numbersBefore(streamData(objects[4]), " cm", 6), c.matrix)
            << streamData(objects[4]).toStdString();

        const QByteArray& xobject = objects[5];
        EXPECT_TRUE(xobject.contains("/Width 37 /Height 5"));
        EXPECT_TRUE(xobject.contains("/Interpolate false"));
        EXPECT_FALSE(xobject.contains("DCTDecode"));
        QByteArray sized(4, 0);
        const quint32 length = 37 * 5 * 3;
        for (int i = 0; i < 4; ++i) {
            sized[i] = static_cast<char>((length >> (24 - 8 * i)) & 0xff);
        }
        const QByteArray samples = qUncompress(sized + streamData(xobject));
        ASSERT_EQ(samples.size(), static_cast<qsizetype>(length));
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const qsizetype i = (static_cast<qsizetype>(y) * image.width() + x) * 3;
                const QRgb expected = image.pixel(x, y);
                EXPECT_EQ(qRgb(static_cast<uchar>(samples[i]), static_cast<uchar>(samples[i + 1]),
                               static_cast<uchar>(samples[i + 2])),
                          expected)
                    << x << "," << y;
            }
        }
        EXPECT_TRUE(objects[6].contains("/Title <FEFF30B930C630EC30AA>"));
    }
}

} // namespace
} // namespace quarbel::platform
