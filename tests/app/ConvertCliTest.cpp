// End-to-end runs of the quarbel-convert executable.
#include "CliRun.h"
#include "engine/Colour.h"
#include "support/TestFiles.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using quarbel::testing::CliRun;
using quarbel::testing::readBytes;
using quarbel::testing::runCli;
using quarbel::testing::runProgram;
using quarbel::testing::writeBytes;

// A Design image: black (farthest) with a white (nearest) block in the middle.
QImage designImage(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::black);
    for (int y = height / 4; y < height * 3 / 4; ++y) {
        for (int x = width / 3; x < width * 2 / 3; ++x) {
            image.setPixel(x, y, qRgb(255, 255, 255));
        }
    }
    return image;
}

// Every pixel different within a period, so any shift of the pattern shows.
QImage patternImage(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y, qRgb(10 + x * 5 % 240, 20 + y * 7 % 230, 100 + (x + y) % 150));
        }
    }
    return image;
}

QImage tiled(const QImage& pattern, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            image.setPixel(x, y, pattern.pixel(x % pattern.width(), y % pattern.height()));
        }
    }
    return image;
}

QImage loadRgb(const QString& path) {
    return QImage(path).convertToFormat(QImage::Format_RGB32);
}

class ConvertCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(designImage(120, 40).save(path("design.bmp"), "BMP"));
        ASSERT_TRUE(patternImage(40, 30).save(path("pattern.png"), "PNG"));
    }
    QString path(const QString& name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
};

TEST_F(ConvertCliTest, HelpGoesToStandardOutput) {
    const CliRun run = runCli({"--help"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.startsWith("Usage:"));
    for (const char* command : {"random-dot", "color-field", "document", "picture", "design", "reveal"}) {
        EXPECT_TRUE(run.out.contains(QLatin1String(command))) << command;
    }
    EXPECT_TRUE(run.err.isEmpty());
}

// --version answers without a window system; the editor refuses an option it does not know
// instead of taking it for a document's name.
TEST_F(ConvertCliTest, BothProgramsTellTheirVersionAndTheEditorRefusesUnknownOptions) {
    const QString version = QStringLiteral("Version " QUARBEL_VERSION "\n");
    const struct {
        const char* program;
        QStringList args;
        int exitCode;
        QString out;     // exactly
        const char* err; // contained
    } cases[] = {
        {"quarbel-convert", {"--version"}, 0, QStringLiteral("quarbel-convert (Quarbel) ") + version, ""},
        {"quarbel-convert",
         {"random-dot", "--version"},
         0,
         QStringLiteral("quarbel-convert (Quarbel) ") + version,
         ""},
        {"quarbel", {"--version"}, 0, QStringLiteral("Quarbel ") + version, ""},
        {"quarbel", {"-platform", "minimal", "--version"}, 0, QStringLiteral("Quarbel ") + version, ""},
        {"quarbel",
         {"-platform", "offscreen", "--versio", "a.qbd"},
         2,
         QString(),
         "unknown option '--versio'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 %2").arg(QLatin1String(c.program), c.args.join(' ')).toStdString());
        const CliRun run = runProgram(QLatin1String(c.program), c.args);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err.toStdString();
        EXPECT_EQ(run.out, c.out);
        EXPECT_TRUE(run.err.contains(QLatin1String(c.err))) << run.err.toStdString();
    }
}

// The mode and density options reach the converter: the colours that occur tell which were used.
TEST_F(ConvertCliTest, RandomDotModeAndDensityChooseTheColours) {
    QSet<QRgb> dotColours;
    for (const quarbel::engine::Packed c : quarbel::engine::DotColours) {
        dotColours.insert(qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF));
    }
    const QRgb black = qRgb(0, 0, 0);
    const struct {
        QStringList options;
        QString output; // the extension chooses the format
        QSet<QRgb> allowed;
        qsizetype atLeast; // distinct colours that must occur
    } cases[] = {
        {{"--seed", "7"}, "mono.bmp", {black, qRgb(255, 255, 255)}, 2},
        {{"--mode", "color", "--density", "100", "--seed", "3"}, "colour.bmp", dotColours, 9},
        {{"--density", "0"}, "black.png", {black}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options.join(' ').toStdString());
        const CliRun run =
            runCli(QStringList{"random-dot", path("design.bmp"), "-o", path(c.output)} + c.options);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_TRUE(run.err.isEmpty());
        EXPECT_TRUE(readBytes(path(c.output)).startsWith(c.output.endsWith(".png") ? "\x89PNG" : "BM"));
        const QImage out = loadRgb(path(c.output));
        ASSERT_EQ(out.size(), QSize(120, 40));
        QSet<QRgb> seen;
        for (int y = 0; y < out.height(); ++y) {
            for (int x = 0; x < out.width(); ++x) {
                seen.insert(out.pixel(x, y));
            }
        }
        EXPECT_TRUE(c.allowed.contains(seen));
        EXPECT_GE(seen.size(), c.atLeast);
    }
}

TEST_F(ConvertCliTest, FlatDesignRepeatsEveryRepeatWidth) {
    QImage flat(90, 12, QImage::Format_RGB32);
    flat.fill(Qt::black);
    ASSERT_TRUE(flat.save(path("flat.bmp"), "BMP"));
    const CliRun run = runCli({"random-dot", path("flat.bmp"), "-o", path("out.bmp"), "--repeat", "30",
                               "--depth", "50", "--density", "50", "--seed", "11"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QImage out = loadRgb(path("out.bmp"));
    int mismatches = 0;
    for (int y = 0; y < out.height(); ++y) {
        for (int x = 31; x < out.width(); ++x) {
            mismatches += out.pixel(x, y) != out.pixel(x - 30, y);
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST_F(ConvertCliTest, SeedMakesRunsReproducible) {
    const auto runWith = [&](const QString& out, const QStringList& extra) {
        const CliRun run = runCli(QStringList{"random-dot", path("design.bmp"), "-o", path(out)} + extra);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        return readBytes(path(out));
    };
    const QByteArray a = runWith("a.bmp", {"--seed", "42"});
    const QByteArray b = runWith("b.bmp", {"--seed", "42"});
    const QByteArray c = runWith("c.bmp", {"--seed", "43"});
    const QByteArray d = runWith("d.bmp", {"--seed", "18446744073709551615"});
    const QByteArray clock1 = runWith("e.bmp", {});
    const QByteArray clock2 = runWith("f.bmp", {});
    ASSERT_FALSE(a.isEmpty());
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
    EXPECT_NE(a, d);
    EXPECT_NE(clock1, clock2);
}

TEST_F(ConvertCliTest, ColourFieldAtDepthZeroKeepsAPatternThatRepeatsAtTheRepeatWidth) {
    const QImage field = tiled(patternImage(40, 30), QSize(160, 60));
    ASSERT_TRUE(field.save(path("field.bmp"), "BMP"));
    // The Stereo image takes the Field image's size, larger than the Design image here.
    const CliRun run = runCli({"color-field", path("design.bmp"), path("field.bmp"), "-o", path("out.bmp"),
                               "--repeat", "40", "--depth", "0"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(loadRgb(path("out.bmp")), field);

    // With depth the near block pulls the pattern together: the result differs inside the block only.
    ASSERT_EQ(runCli({"color-field", path("design.bmp"), path("field.bmp"), "-o", path("deep.bmp"),
                      "--repeat", "40", "--depth", "20"})
                  .exitCode,
              0);
    const QImage deep = loadRgb(path("deep.bmp"));
    ASSERT_EQ(deep.size(), field.size());
    EXPECT_NE(deep, field);
    for (int x = 0; x < 40; ++x) {
        EXPECT_EQ(deep.pixel(x, 20), field.pixel(x, 20)); // left of the first link target nothing moves
    }
}

TEST_F(ConvertCliTest, TiledPatternDefaultsTheRepeatWidthToThePatternWidth) {
    const CliRun run = runCli({"color-field", path("design.bmp"), path("pattern.png"), "--tile", "--depth",
                               "0", "-o", path("out.png")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QImage expected = tiled(patternImage(40, 30), QSize(120, 40));
    EXPECT_EQ(loadRgb(path("out.png")), expected);

    ASSERT_EQ(runCli({"color-field", path("design.bmp"), path("pattern.png"), "--tile", "--depth", "0",
                      "--repeat", "25", "-o", path("other.png")})
                  .exitCode,
              0);
    EXPECT_NE(loadRgb(path("other.png")), expected);
}

// A document as the editor writes it, with only the keys that matter here.
QByteArray documentText(const QList<QPair<QString, QString>>& keys) {
    QString text = QStringLiteral("[Quarbel Ver.2]\r\n");
    for (const auto& [key, value] : keys) {
        text += key + QLatin1Char('=') + value + QStringLiteral("\r\n");
    }
    return text.toUtf8();
}

TEST_F(ConvertCliTest, RandomDotDocumentUsesItsKeysAndTheDefaults) {
    ASSERT_TRUE(writeBytes(path("rd.qbd"), documentText({{"FileNamePath", path("rd.qbd")},
                                                         {"PicDesignPath", path("design.bmp")},
                                                         {"StereoName", "RandomDot"},
                                                         {"MONOorCOLOR", "Mono"}})));
    CliRun run = runCli({"document", path("rd.qbd"), "-o", path("doc.bmp"), "--seed", "5"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    run = runCli({"random-dot", path("design.bmp"), "-o", path("direct.bmp"), "--seed", "5"});
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_EQ(readBytes(path("doc.bmp")), readBytes(path("direct.bmp")));

    // The parameter keys are read; "mono" in lower case is not "Mono" and gives coloured dots.
    ASSERT_TRUE(writeBytes(path("rd2.qbd"), documentText({{"PicDesignPath", path("design.bmp")},
                                                          {"StereoName", "RandomDot"},
                                                          {"MONOorCOLOR", "mono"},
                                                          {"KurikaesiHaba", "50"},
                                                          {"Rittaido", "7"},
                                                          {"Mitudo", "80"}})));
    run = runCli({"document", path("rd2.qbd"), "-o", path("doc2.bmp"), "--seed", "9"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    run = runCli({"random-dot", path("design.bmp"), "-o", path("direct2.bmp"), "--seed", "9", "--mode",
                  "color", "--repeat", "50", "--depth", "7", "--density", "80"});
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_EQ(readBytes(path("doc2.bmp")), readBytes(path("direct2.bmp")));
}

TEST_F(ConvertCliTest, FieldDocumentInShiftJisWithAJapanesePath) {
    // "表" ends in the byte 0x5C in CP932, the folder separator of the system the file came from.
    const QString design = path(QString::fromUtf8("表示デザイン.bmp"));
    ASSERT_TRUE(designImage(120, 40).save(design, "BMP"));
    ASSERT_TRUE(tiled(patternImage(40, 30), QSize(120, 40)).save(path("field.bmp"), "BMP"));
    QStringEncoder cp932("CP932");
    ASSERT_TRUE(cp932.isValid());
    const QByteArray bytes = cp932.encode(QStringLiteral("[Quarbel Ver.2]\r\nPicDesignPath=") + design +
                                          QStringLiteral("\r\nPicFieldPath=") + path("field.bmp") +
                                          QStringLiteral("\r\nKurikaesiHaba=40\r\nRittaido=0\r\n"));
    ASSERT_TRUE(bytes.contains("\x95\x5C"));
    ASSERT_TRUE(writeBytes(path("field.qbd"), bytes));

    // No StereoName: a document is a colour-field one unless it says otherwise.
    const CliRun run = runCli({"document", path("field.qbd"), "-o", path("out.bmp")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(loadRgb(path("out.bmp")), loadRgb(path("field.bmp")));
}

TEST_F(ConvertCliTest, PictureCommandRewritesAnyReadablePicture) {
    const CliRun run = runCli({"picture", path("pattern.png"), "-o", path("copy.bmp")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(readBytes(path("copy.bmp"))[28], 24);
    EXPECT_EQ(loadRgb(path("copy.bmp")), patternImage(40, 30));
}

// A placeable metafile of 100 x 50 units at 96 per inch: a red rectangle and a line of text.
QByteArray tinyMetafile() {
    QByteArray records;
    const auto record = [&records](quint16 function, const QList<qint16>& params,
                                   const QByteArray& raw = {}) {
        const quint32 words = 3 + params.size() + raw.size() / 2;
        records.append(reinterpret_cast<const char*>(&words), 4); // the test runs on little-endian machines
        records.append(reinterpret_cast<const char*>(&function), 2);
        records.append(raw);
        for (const qint16 p : params) {
            records.append(reinterpret_cast<const char*>(&p), 2);
        }
    };
    record(0x02FC, {0, 0x00FF, 0x0000, 0}); // CreateBrushIndirect: solid red
    record(0x012D, {0});                    // SelectObject
    record(0x041B, {40, 80, 10, 20});       // Rectangle: bottom, right, top, left
    record(0x0521, {5, 5},
           QByteArray("\x02\x00"
                      "Ab",
                      4)); // TextOut "Ab" at (5, 5)
    record(0x0000, {});    // end of file
    QList<quint16> header{1, 9, 0x0300, 0, 0, 1, 7, 0, 0};
    const quint32 totalWords = 9 + records.size() / 2;
    header[3] = quint16(totalWords & 0xFFFF);
    header[4] = quint16(totalWords >> 16);
    QList<quint16> placeable{0xCDD7, 0x9AC6, 0, 0, 0, 100, 50, 96, 0, 0};
    quint16 checksum = 0;
    for (const quint16 word : placeable) {
        checksum ^= word;
    }
    placeable.append(checksum);
    QByteArray bytes;
    for (const quint16 word : placeable + header) {
        bytes.append(reinterpret_cast<const char*>(&word), 2);
    }
    return bytes + records;
}

TEST_F(ConvertCliTest, MetafilesAreDrawnWithoutADisplay) {
    ASSERT_TRUE(writeBytes(path("tiny.wmf"), tinyMetafile()));
    const CliRun run = runCli({"picture", path("tiny.wmf"), "-o", path("tiny.bmp")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QImage out = loadRgb(path("tiny.bmp"));
    ASSERT_EQ(out.size(), QSize(100, 50));
    EXPECT_EQ(out.pixel(50, 25), qRgb(255, 0, 0));
    EXPECT_EQ(out.pixel(95, 45), qRgb(255, 255, 255));

    // A metafile works as a Design image too.
    EXPECT_EQ(runCli({"random-dot", path("tiny.wmf"), "-o", path("stereo.bmp")}).exitCode, 0);
    EXPECT_EQ(loadRgb(path("stereo.bmp")).size(), QSize(100, 50));
}

TEST_F(ConvertCliTest, UsageErrorsExitTwoAndWriteNothing) {
    const QString d = path("design.bmp");
    const QString p = path("pattern.png");
    const QString o = path("out.bmp");
    const QList<QStringList> cases{
        {},
        {"convert", d, "-o", o},
        {"random-dot", d},
        {"random-dot", "-o", o},
        {"random-dot", d, d, "-o", o},
        {"random-dot", d, "-o", path("out.jpg")},
        {"random-dot", d, "-o", path("out")},
        {"random-dot", d, "-o"},
        {"random-dot", d, "-o", o, "--repeat", "201"},
        {"random-dot", d, "-o", o, "--repeat", "-1"},
        {"random-dot", d, "-o", o, "--repeat", "7x"},
        {"random-dot", d, "-o", o, "--repeat", ""},
        {"random-dot", d, "-o", o, "--depth", "51"},
        {"random-dot", d, "-o", o, "--density", "101"},
        {"random-dot", d, "-o", o, "--density"},
        {"random-dot", d, "-o", o, "--seed", "-1"},
        {"random-dot", d, "-o", o, "--seed", "18446744073709551616"},
        {"random-dot", d, "-o", o, "--mode", "grey"},
        {"random-dot", d, "-o", o, "--repeat", "10", "--repeat", "20"},
        {"random-dot", d, "-o", o, "--tile"},
        {"random-dot", d, "-o", o, "--bogus"},
        {"color-field", d, "-o", o},
        {"color-field", d, p, "-o", o, "--density", "10"},
        {"color-field", d, p, "-o", o, "--tile=yes"},
        {"document", path("x.qbd"), "-o", o, "--repeat", "10"},
        {"picture", p, "-o", o, "--seed", "1"},
    };
    for (const QStringList& args : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const CliRun run = runCli(args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.err.startsWith("quarbel-convert: ")) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains("Usage:"));
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files).size(), 2); // only the two inputs
    }
}

TEST_F(ConvertCliTest, FailuresExitOneLeaveNoOutputAndKeepAnOldOne) {
    // Wider than the loader reads; the converter itself takes up to 16384 pixels.
    ASSERT_TRUE(designImage(16385, 2).save(path("wide.bmp"), "BMP"));
    ASSERT_TRUE(designImage(16384, 2).save(path("widest.bmp"), "BMP"));
    ASSERT_TRUE(patternImage(201, 4).save(path("widepattern.bmp"), "BMP"));
    ASSERT_TRUE(writeBytes(path("garbage.bmp"), "not a picture"));
    ASSERT_TRUE(writeBytes(path("nodesign.qbd"), documentText({{"StereoName", "RandomDot"}})));
    ASSERT_TRUE(writeBytes(path("nofield.qbd"), documentText({{"PicDesignPath", path("design.bmp")}})));
    ASSERT_TRUE(writeBytes(path("badkind.qbd"), documentText({{"StereoName", "Stereo"}})));
    ASSERT_TRUE(writeBytes(path("missingpic.qbd"),
                           documentText({{"StereoName", "RandomDot"}, {"PicDesignPath", path("gone.bmp")}})));
    const QString d = path("design.bmp");
    const QByteArray jpeg = [] {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        designImage(64, 64).save(&buffer, "JPEG");
        return bytes;
    }();
    ASSERT_TRUE(writeBytes(path("half.jpg"), jpeg.left(jpeg.size() / 2)));
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("fifo")).constData(), 0600), 0);
    // A document past the size documents are read up to, whose keys come first.
    {
        QFile big(path("big.qbd"));
        ASSERT_TRUE(big.open(QIODevice::WriteOnly));
        big.write(documentText({{"StereoName", "RandomDot"}, {"PicDesignPath", d}}));
        big.write(QByteArray(17 * 1024 * 1024, ';'));
    }

    const struct {
        QStringList args;
        QString mentions; // the message names the culprit
    } cases[] = {
        {{"random-dot", path("half.jpg")}, "half.jpg': damaged or cut off"},
        {{"picture", path("half.jpg")}, "damaged or cut off"},
        // FIFOs are refused at once, not waited on.
        {{"design", path("fifo")}, "not a regular file"},
        {{"random-dot", path("fifo"), "--grey"}, "not a regular file"},
        {{"document", path("big.qbd")}, "too large"},
        {{"random-dot", path("wide.bmp")}, "wide.bmp"},
        {{"random-dot", path("none.bmp")}, "none.bmp"},
        {{"random-dot", path("nofolder/none.bmp")}, "none.bmp"},
        {{"random-dot", path("garbage.bmp")}, "garbage.bmp"},
        {{"color-field", path("wide.bmp"), path("pattern.png")}, "wide.bmp"},
        {{"color-field", d, path("wide.bmp")}, "wide.bmp"},
        {{"color-field", d, path("widepattern.bmp"), "--tile"}, "200"},
        {{"color-field", d, path("none.png")}, "none.png"},
        {{"document", path("none.qbd")}, "none.qbd"},
        {{"document", path("nodesign.qbd")}, "PicDesignPath"},
        {{"document", path("nofield.qbd")}, "PicFieldPath"},
        {{"document", path("badkind.qbd")}, "StereoName"},
        {{"document", path("missingpic.qbd")}, "gone.bmp"},
        {{"picture", path("garbage.bmp")}, "garbage.bmp"},
    };
    const QByteArray precious("an older picture");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        CliRun run = runCli(c.args + QStringList{"-o", path("fresh.bmp")});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.startsWith("quarbel-convert: "));
        EXPECT_TRUE(run.err.contains(c.mentions)) << run.err.toStdString();
        EXPECT_FALSE(run.err.contains("Usage:"));
        EXPECT_FALSE(QFile::exists(path("fresh.bmp")));

        ASSERT_TRUE(writeBytes(path("old.png"), precious));
        run = runCli(c.args + QStringList{"-o", path("old.png")});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(readBytes(path("old.png")), precious);
    }

    // A picture exactly at the limit is converted; an output in a missing folder fails cleanly.
    EXPECT_EQ(runCli({"random-dot", path("widest.bmp"), "-o", path("fresh.bmp")}).exitCode, 0);
    EXPECT_EQ(loadRgb(path("fresh.bmp")).size(), QSize(16384, 2));
    const CliRun run = runCli({"random-dot", d, "-o", path("nofolder/out.bmp")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("nofolder")) << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(path("nofolder")));

    // Outputs that must not be replaced: a FIFO, a link that loops, the input picture itself.
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("fifo.bmp")).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(path("loop-a.bmp"), path("loop-b.bmp")) &&
                QFile::link(path("loop-b.bmp"), path("loop-a.bmp")));
    const QByteArray design = readBytes(d);
    for (const QString& output : {path("fifo.bmp"), path("loop-a.bmp"), d}) {
        SCOPED_TRACE(output.toStdString());
        const CliRun refused = runCli({"random-dot", d, "-o", output});
        EXPECT_EQ(refused.exitCode, 1);
        EXPECT_TRUE(refused.err.startsWith("quarbel-convert: cannot write '" + output + "': "))
            << refused.err.toStdString();
    }
    EXPECT_EQ(readBytes(d), design);
    EXPECT_FALSE(QFileInfo(path("fifo.bmp")).isFile());
    EXPECT_TRUE(QFileInfo(path("loop-a.bmp")).isSymLink());
}

} // namespace
