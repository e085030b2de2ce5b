// Broken, hostile and real-world metafiles: every one gives a picture or a reason, never a crash or a hang.
#include "WmfTestWriter.h"
#include "codecs/WmfPicture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <functional>
#include <gtest/gtest.h>
#include <random>

using namespace quarbel::codecs;
using quarbel::test::putU16;
using quarbel::test::putU32;
using quarbel::test::WmfWriter;

namespace {

constexpr QRgb Red = 0xFFFF0000u;
constexpr QRgb White = 0xFFFFFFFFu;

QByteArray randomBytes(int count, unsigned seed) {
    std::mt19937 random(seed);
    QByteArray bytes(count, '\0');
    for (char& c : bytes) {
        c = char(random() & 0xFF);
    }
    return bytes;
}

// A packed DIB header with the given fields and no bits.
QByteArray dibHeader(qint32 width, qint32 height, int bits, quint32 compression = 0, quint32 colorsUsed = 0) {
    QByteArray h;
    putU32(h, 40);
    putU32(h, quint32(width));
    putU32(h, quint32(height));
    putU16(h, 1);
    putU16(h, quint32(bits));
    putU32(h, compression);
    putU32(h, 0);
    putU32(h, 0);
    putU32(h, 0);
    putU32(h, colorsUsed);
    putU32(h, 0);
    return h;
}

enum class Outcome { Refused, Drawn };

struct BadCase {
    const char* name;
    QByteArray file;
    Outcome outcome;
    std::function<void(const WmfRenderReport&, const QImage&)> check;
};

QByteArray plainHeaderOnly() {
    QByteArray file = WmfWriter().plain();
    return file;
}

TEST(WmfRobustness, BadInputsGiveAPictureOrAReason) {
    const QByteArray valid = WmfWriter()
                                 .createPen(5, 0, 0)
                                 .createBrush(0, Red)
                                 .selectObject(0)
                                 .selectObject(1)
                                 .rectangle(10, 10, 50, 50)
                                 .rectangle(20, 20, 30, 30)
                                 .eof()
                                 .placeable(0, 0, 64, 64, 96);
    QByteArray zeroSize;
    putU32(zeroSize, 0);
    putU16(zeroSize, 0x041B);

    QByteArray polygonClaim; // 65535 points claimed, 3 present
    putU16(polygonClaim, 0xFFFF);
    for (int v : {1, 1, 5, 1, 3, 5}) {
        putU16(polygonClaim, quint32(v));
    }
    QByteArray polyPolygonClaim;
    putU16(polyPolygonClaim, 0xFFFF);
    for (int i = 0; i < 4; ++i) {
        putU16(polyPolygonClaim, 0xFFFF);
    }
    QByteArray regionClaim(22, '\0');
    regionClaim[10] = char(0xFF);
    regionClaim[11] = char(0x7F);                                  // 32767 scans, none present
    regionClaim.append(QByteArray("\x02\x00\x00\x00\x05\x00", 6)); // one scan cut off

    WmfWriter manySaves;
    for (int i = 0; i < 5000; ++i) {
        manySaves.saveDC();
    }
    manySaves.restoreDC(-32768).restoreDC(0).restoreDC(5000).restoreDC(-1).restoreDC(1).restoreDC(1);

    WmfWriter manyObjects;
    for (int i = 0; i < 66000; ++i) {
        manyObjects.createPen(0, 1, 0);
    }

    const auto dibCase = [](const QByteArray& dib) {
        return WmfWriter()
            .stretchDib(0, 0, 64, 64, 0, 0, 64, 64, dib)
            .rectangle(10, 10, 50, 50)
            .eof()
            .placeable(0, 0, 64, 64, 96);
    };
    const auto invalid = [](int atLeast) {
        return [atLeast](const WmfRenderReport& r, const QImage&) { EXPECT_GE(r.invalid, atLeast); };
    };

    const BadCase cases[] = {
        {"empty", QByteArray(), Outcome::Refused, nullptr},
        {"garbage", randomBytes(4096, 1), Outcome::Refused, nullptr},
        {"placeable key only", valid.left(10), Outcome::Refused, nullptr},
        {"placeable header with garbage after it", valid.left(22) + randomBytes(200, 2), Outcome::Refused,
         nullptr},
        {"headers and nothing else", valid.left(40), Outcome::Refused, nullptr},
        {"plain header without a size", plainHeaderOnly(), Outcome::Refused, nullptr},
        {"cut in the middle of a record", valid.left(valid.size() - 13), Outcome::Drawn,
         [](const WmfRenderReport& r, const QImage& image) {
             EXPECT_TRUE(r.malformed);
             EXPECT_FALSE(r.sawEof);
             EXPECT_EQ(image.pixel(40, 40), Red); // what came before the cut is drawn
         }},
        {"no end record", valid.left(valid.size() - 6), Outcome::Drawn,
         [](const WmfRenderReport& r, const QImage& image) {
             EXPECT_FALSE(r.sawEof);
             EXPECT_FALSE(r.malformed);
             EXPECT_EQ(image.pixel(40, 40), Red);
         }},
        {"zero-size record",
         WmfWriter()
             .createBrush(0, Red)
             .selectObject(0)
             .rectangle(10, 10, 50, 50)
             .bytes(zeroSize)
             .rectangle(0, 0, 64, 64)
             .eof()
             .placeable(0, 0, 64, 64, 96),
         Outcome::Drawn,
         [](const WmfRenderReport& r, const QImage& image) {
             EXPECT_TRUE(r.malformed);
             EXPECT_EQ(r.records, 3);
             EXPECT_EQ(image.pixel(5, 5), White);
         }},
        {"object indices out of range",
         WmfWriter()
             .selectObject(500)
             .deleteObject(7)
             .selectObject(65535)
             .deleteObject(0)
             .createBrush(0, Red)
             .deleteObject(0)
             .deleteObject(0)
             .selectObject(0)
             .rectangle(10, 10, 50, 50)
             .eof()
             .placeable(0, 0, 64, 64, 96),
         Outcome::Drawn,
         [](const WmfRenderReport& r, const QImage& image) {
             EXPECT_EQ(r.invalid, 6);
             EXPECT_EQ(image.pixel(30, 30), White); // the deleted red brush was never selected
         }},
        {"polygon claiming more points than it has",
         WmfWriter().raw(0x0324, polygonClaim).eof().placeable(0, 0, 64, 64, 96), Outcome::Drawn, invalid(1)},
        {"polygon set claiming more polygons than it has",
         WmfWriter().raw(0x0538, polyPolygonClaim).eof().placeable(0, 0, 64, 64, 96), Outcome::Drawn,
         invalid(1)},
        {"region claiming more scans than it has",
         WmfWriter()
             .raw(0x06FF, regionClaim)
             .words(0x012C, {0})
             .rectangle(0, 0, 64, 64)
             .eof()
             .placeable(0, 0, 64, 64, 96),
         Outcome::Drawn, invalid(1)},
        {"huge bitmap dimensions", dibCase(dibHeader(100000, 100000, 24)), Outcome::Drawn, invalid(1)},
        {"bitmap wider than its bits", dibCase(dibHeader(0x7FFFFFFF, 1, 1)), Outcome::Drawn, invalid(1)},
        {"colour table larger than the record", dibCase(dibHeader(4, 4, 8, 0, 0xFFFFFFFF)), Outcome::Drawn,
         invalid(1)},
        {"unknown bitmap compression", dibCase(dibHeader(4, 4, 8, 7)), Outcome::Drawn, invalid(1)},
        {"top-down compressed bitmap", dibCase(dibHeader(4, -4, 8, 1) + QByteArray(64, '\0')), Outcome::Drawn,
         invalid(1)},
        {"negative text length", WmfWriter().words(0x0521, {-5, 0, 0}).eof().placeable(0, 0, 64, 64, 96),
         Outcome::Drawn, invalid(1)},
        {"text longer than its record",
         WmfWriter().words(0x0A32, {0, 0, 30000, 0, 0x4141}).eof().placeable(0, 0, 64, 64, 96),
         Outcome::Drawn, invalid(1)},
        {"thousands of saved states", manySaves.eof().placeable(0, 0, 64, 64, 96), Outcome::Drawn,
         [](const WmfRenderReport& r, const QImage&) { EXPECT_GE(r.invalid, 5000 - 1024); }},
        {"more objects than indices", manyObjects.eof().placeable(0, 0, 64, 64, 96), Outcome::Drawn,
         [](const WmfRenderReport& r, const QImage&) { EXPECT_EQ(r.invalid, 66000 - 65535); }},
        {"absurd scales and sizes",
         WmfWriter()
             .setWindowExt(1, 1)
             .setViewportExt(32767, -32767)
             .words(0x0410, {0, 0, 0, 0}) // zero denominators
             .createPen(0, 32767, 0)
             .selectObject(0)
             .ellipse(-32768, -32768, 32767, 32767)
             .pie(-32768, -32768, 32767, 32767, 1, 1, 1, 1)
             .polygon({{-32768, -32768}, {32767, 0}, {0, 32767}})
             .createFont(-32768, 128, "x")
             .selectObject(1)
             .textOut(0, 0, "\x93\xfa")
             .words(0x0410, {1, 32767, 1, 32767})
             .rectangle(-5, -5, 5, 5)
             .eof()
             .placeable(0, 0, 64, 64, 96),
         Outcome::Drawn, invalid(1)},
        {"unknown records",
         WmfWriter()
             .words(0x0999, {1, 2, 3})
             .words(0x0000 | 0x0101, {})
             .rectangle(1, 1, 9, 9)
             .eof()
             .placeable(0, 0, 64, 64, 96),
         Outcome::Drawn, [](const WmfRenderReport& r, const QImage&) { EXPECT_EQ(r.unsupported, 2); }},
    };
    for (const BadCase& c : cases) {
        QString error;
        WmfRenderReport report;
        QElapsedTimer timer;
        timer.start();
        const QImage image = renderWmf(c.file, WmfRenderOptions{}, &error, &report);
        EXPECT_LT(timer.elapsed(), 20000) << c.name;
        if (c.outcome == Outcome::Refused) {
            EXPECT_TRUE(image.isNull()) << c.name;
            EXPECT_FALSE(error.isEmpty()) << c.name;
            continue;
        }
        ASSERT_FALSE(image.isNull()) << c.name << ": " << error.toStdString();
        EXPECT_EQ(image.size(), QSize(64, 64)) << c.name;
        if (c.check) {
            SCOPED_TRACE(c.name);
            c.check(report, image);
        }
    }
}

// A drawing record one parameter word short is skipped as invalid. The words are chosen so that
// reading the missing last word as zero would draw something, so a check that lets the short record
// through shows up on the picture; the complete record, with that word really zero, does draw.
TEST(WmfRobustness, DrawingRecordsShortOfAParameterAreSkipped) {
    struct Case {
        const char* name;
        quint16 function;
        int words; // parameter words of the complete record
    };
    const Case cases[] = {
        {"LineTo", 0x0213, 2},   {"Rectangle", 0x041B, 4}, {"Ellipse", 0x0418, 4},
        {"SetPixel", 0x041F, 4}, {"RoundRect", 0x061C, 6}, {"PatBlt", 0x061D, 6},
        {"Arc", 0x0817, 8},      {"Pie", 0x081A, 8},       {"Chord", 0x0830, 8},
    };
    const int values[] = {50, 50, 10, 10, 50, 50, 10, 10};
    for (const Case& c : cases) {
        for (bool complete : {false, true}) {
            WmfWriter w;
            w.createBrush(0, Red).selectObject(0).createPen(0, 1, Red).selectObject(1);
            QByteArray params;
            for (int i = 0; i < c.words - 1; ++i) {
                putU16(params, quint32(values[i]));
            }
            if (complete) {
                putU16(params, 0);
            }
            w.raw(c.function, params);
            WmfRenderReport report;
            const QImage image =
                renderWmf(w.eof().placeable(0, 0, 64, 64, 96), WmfRenderOptions{}, nullptr, &report);
            ASSERT_FALSE(image.isNull()) << c.name;
            bool drawn = false;
            for (int y = 0; y < image.height() && !drawn; ++y) {
                for (int x = 0; x < image.width() && !drawn; ++x) {
                    drawn = image.pixel(x, y) != White;
                }
            }
            EXPECT_EQ(report.invalid, complete ? 0 : 1) << c.name << (complete ? " complete" : " short");
            EXPECT_EQ(drawn, complete) << c.name << (complete ? " complete" : " short");
        }
    }
}

TEST(WmfRobustness, WorkLimitStopsAFileThatWouldTakeMinutes) {
    WmfWriter w;
    w.createBrush(0, Red).selectObject(0);
    for (int i = 0; i < 20000; ++i) {
        w.rectangle(-100, -100, 8300, 8300);
    }
    WmfRenderOptions options;
    options.maxWork = qint64(200) << 20;
    WmfRenderReport report;
    QElapsedTimer timer;
    timer.start();
    const QImage image = renderWmf(w.eof().placeable(0, 0, 2048, 2048, 96), options, nullptr, &report);
    EXPECT_LT(timer.elapsed(), 20000);
    ASSERT_FALSE(image.isNull());
    EXPECT_TRUE(report.workLimitReached);
    EXPECT_LT(report.records, 200);
    EXPECT_EQ(image.pixel(1000, 1000), Red);
}

// Deterministic mutations of a file that uses most record kinds.
TEST(WmfRobustness, MutatedFilesNeverCrash) {
    WmfWriter w;
    w.setWindowOrg(0, 0)
        .setWindowExt(200, 150)
        .createPen(0, 3, qRgb(128, 0, 0))
        .createBrush(2, qRgb(0, 0, 255), 5)
        .createFont(-20, 128, "\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e")
        .selectObject(0)
        .selectObject(1)
        .selectObject(2)
        .saveDC()
        .intersectClip(5, 5, 190, 140)
        .rectangle(10, 10, 60, 50)
        .ellipse(70, 10, 130, 70)
        .polygon({{10, 80}, {60, 80}, {35, 130}})
        .polygon({{10, 80}, {60, 80}, {35, 130}, {0, 0}}, 0x0325)
        .pie(80, 80, 180, 140, 180, 110, 130, 80)
        .words(0x0830, {80, 130, 110, 180, 140, 180, 80, 80})
        .words(0x061C, {10, 10, 140, 190, 100, 150})
        .moveTo(0, 0)
        .lineTo(199, 149)
        .restoreDC(-1)
        .textOut(10, 100, "\x93\xfa\x96\x7b\x8c\xea")
        .extTextOut(10, 120, 6, "abc", QRect(0, 110, 100, 30), {10, 10, 10})
        .stretchDib(150, 100, 40, 40, 0, 0, 2, 2, quarbel::test::dib24({{Red, White}, {White, Red}}))
        .deleteObject(1)
        .eof();
    const QByteArray original = w.placeable(0, 0, 200, 150, 96);
    ASSERT_FALSE(renderWmf(original).isNull());

    std::mt19937 random(20240607);
    WmfRenderOptions options;
    options.maxSide = 512;
    options.maxWork = qint64(1) << 24;
    int drawn = 0;
    constexpr int Mutants = 1500;
    for (int i = 0; i < Mutants; ++i) {
        QByteArray mutant = original;
        const int edits = 1 + int(random() % 8);
        for (int e = 0; e < edits; ++e) {
            const auto at = qsizetype(random() % quint32(mutant.size()));
            switch (random() % 5) {
            case 0:
                mutant[at] = char(random() & 0xFF);
                break;
            case 1:
                mutant[at] = char(mutant[at] ^ (1 << (random() % 8)));
                break;
            case 2: // a 16-bit field at its extremes
                mutant[at] = char((random() & 1) ? 0xFF : 0x00);
                if (at + 1 < mutant.size()) {
                    mutant[at + 1] = char((random() & 1) ? 0x7F : 0x80);
                }
                break;
            case 3:
                mutant.truncate(std::max<qsizetype>(at, 1));
                break;
            default:
                mutant.insert(at, mutant.mid(at, qsizetype(random() % 64)));
                break;
            }
        }
        QString error;
        const QImage image = renderWmf(mutant, options, &error);
        if (image.isNull()) {
            EXPECT_FALSE(error.isEmpty()) << "mutant " << i;
        } else {
            ++drawn;
            EXPECT_LE(image.width(), options.maxSide);
            EXPECT_LE(image.height(), options.maxSide);
        }
    }
    // Most single edits leave a drawable picture.
    EXPECT_GT(drawn, Mutants / 3);
}

TEST(WmfRobustness, RealWorldSamplesDraw) {
    const QDir dir(QStringLiteral(QUARBEL_TEST_DATA_DIR "/wmf"));
    const QStringList names = dir.entryList({QStringLiteral("*.wmf"), QStringLiteral("*.WMF")}, QDir::Files);
    // The samples are part of the repository: a missing folder is a broken checkout, not a skip.
    ASSERT_GE(names.size(), 17) << "sample metafiles missing in " << dir.absolutePath().toStdString();
    int drawn = 0;
    for (const QString& name : names) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        QString error;
        const QImage image = renderWmf(file.readAll(), &error);
        if (image.isNull()) {
            EXPECT_FALSE(error.isEmpty()) << name.toStdString();
            continue;
        }
        ++drawn;
        // Something was drawn: not every pixel is the white background.
        bool marked = false;
        for (int y = 0; y < image.height() && !marked; y += 2) {
            for (int x = 0; x < image.width() && !marked; ++x) {
                marked = image.pixel(x, y) != White;
            }
        }
        EXPECT_TRUE(marked) << name.toStdString();
    }
    EXPECT_GE(drawn * 10, int(names.size()) * 8) << drawn << " of " << names.size();
}

} // namespace
