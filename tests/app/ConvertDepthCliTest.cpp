// quarbel-convert with depth: grey depth maps in (design, --grey) and depth out of a stereogram
// (reveal), end to end through the executable.
#include "CliRun.h"
#include "engine/Colour.h"
#include "support/TestFiles.h"

#include <QImage>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace {

using quarbel::engine::DepthPalette;
using quarbel::testing::CliRun;
using quarbel::testing::readBytes;
using quarbel::testing::runCli;

QRgb paletteRgb(int level) {
    const quarbel::engine::Packed c = DepthPalette[static_cast<std::size_t>(level)];
    return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

int levelOfRgb(QRgb rgb) {
    for (int level = 0; level < 16; ++level)
        if (paletteRgb(level) == (rgb | 0xFF000000u))
            return level;
    return -1;
}

QImage loadRgb(const QString& path) {
    return QImage(path).convertToFormat(QImage::Format_RGB32);
}

// Every 8-bit grey value once: 256 x 1.
QImage ramp8() {
    QImage image(256, 1, QImage::Format_Grayscale8);
    for (int x = 0; x < 256; ++x)
        image.scanLine(0)[x] = static_cast<uchar>(x);
    return image;
}

// Every 16-bit grey value once: 256 x 256, value y * 256 + x.
QImage ramp16() {
    QImage image(256, 256, QImage::Format_Grayscale16);
    for (int y = 0; y < 256; ++y) {
        auto* line = reinterpret_cast<quint16*>(image.scanLine(y));
        for (int x = 0; x < 256; ++x)
            line[x] = static_cast<quint16>(y * 256 + x);
    }
    return image;
}

// Black (far) with a block at level 12 and a disc at level 5 inside it, large enough to reveal.
QImage shapesDesign(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(paletteRgb(0));
    for (int y = height / 5; y < height * 4 / 5; ++y)
        for (int x = width / 5; x < width * 3 / 5; ++x) {
            const int dx = x - width * 2 / 5, dy = y - height / 2;
            image.setPixel(x, y, paletteRgb(dx * dx + dy * dy < (height / 5) * (height / 5) ? 5 : 12));
        }
    return image;
}

class ConvertDepthCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(ramp8().save(path("ramp8.png"), "PNG"));
        ASSERT_TRUE(ramp16().save(path("ramp16.png"), "PNG"));
    }
    QString path(const QString& name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
};

// The level of every grey value, 8 and 16 bits, with the default range and with the options.
TEST_F(ConvertDepthCliTest, EveryGreyValueGetsItsLevel) {
    ASSERT_TRUE(ramp8().convertToFormat(QImage::Format_RGB32).save(path("ramp8.bmp"), "BMP"));
    const struct {
        const char* input;
        QStringList options;
        std::function<int(int)> level; // expected level of grey value g
    } cases[] = {
        {"ramp8.png", {}, [](int g) { return g / 16; }},
        {"ramp8.bmp", {}, [](int g) { return g / 16; }},
        {"ramp8.png", {"--invert"}, [](int g) { return 15 - g / 16; }},
        {"ramp8.png",
         {"--far", "64", "--near", "191"},
         [](int g) { return g < 64    ? 0
                            : g > 191 ? 15
                                      : (g - 64) / 8; }},
        {"ramp8.png",
         {"--far", "200", "--near", "9"},
         [](int g) { return g > 200 ? 0
                            : g < 9 ? 15
                                    : (200 - g) / 12; }},
        // 101 grey values, not a multiple of 16: steps of 101/16, so grey 94 is level 14, 95 level 15.
        {"ramp8.png", {"--far", "0", "--near", "100"}, [](int g) { return g > 100 ? 15 : g * 16 / 101; }},
        {"ramp16.png", {}, [](int g) { return g >> 12; }},
        {"ramp16.png", {"--invert"}, [](int g) { return 15 - (g >> 12); }},
        // 16 levels inside the lowest 4096 values: only a map read with its 16 bits can tell them.
        {"ramp16.png", {"--near", "4095"}, [](int g) { return g > 4095 ? 15 : g / 256; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.input) + " " + c.options.join(' ').toStdString());
        const CliRun run = runCli(QStringList{"design", path(c.input), "-o", path("design.png")} + c.options);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const QImage design = loadRgb(path("design.png"));
        const QImage input(path(c.input));
        ASSERT_EQ(design.size(), input.size());
        int wrong = 0;
        for (int y = 0; y < design.height(); ++y)
            for (int x = 0; x < design.width(); ++x) {
                const int grey = y * 256 + x;
                if (levelOfRgb(design.pixel(x, y)) != c.level(grey) && ++wrong < 5)
                    ADD_FAILURE() << "grey " << grey << " gave level " << levelOfRgb(design.pixel(x, y));
            }
        EXPECT_EQ(wrong, 0);
    }
}

// A colour picture counts by its luminance.
TEST_F(ConvertDepthCliTest, ColourMapsCountByLuminance) {
    QImage colours(4, 1, QImage::Format_RGB32);
    const QRgb inputs[] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(200, 100, 50)};
    const int levels[] = {76 / 16, 150 / 16, 29 / 16, 124 / 16};
    for (int x = 0; x < 4; ++x)
        colours.setPixel(x, 0, inputs[x]);
    ASSERT_TRUE(colours.save(path("colours.png"), "PNG"));
    ASSERT_EQ(runCli({"design", path("colours.png"), "-o", path("design.bmp")}).exitCode, 0);
    const QImage design = loadRgb(path("design.bmp"));
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(levelOfRgb(design.pixel(x, 0)), levels[x]) << x;
}

// --grey gives exactly the picture of design followed by the normal command.
TEST_F(ConvertDepthCliTest, GreyMapsConvertLikeTheirDesignImage) {
    QImage map(300, 90, QImage::Format_Grayscale16);
    for (int y = 0; y < map.height(); ++y) {
        auto* line = reinterpret_cast<quint16*>(map.scanLine(y));
        for (int x = 0; x < map.width(); ++x)
            line[x] = static_cast<quint16>(((x - 150) * (x - 150) + (y - 45) * (y - 45)) * 7 % 65536);
    }
    ASSERT_TRUE(map.save(path("map.png"), "PNG"));
    QImage pattern(50, 20, QImage::Format_RGB32);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 50; ++x)
            pattern.setPixel(x, y, qRgb(x * 5, y * 12, 255 - x * 3));
    ASSERT_TRUE(pattern.save(path("pattern.png"), "PNG"));

    const QStringList mapOptions{"--invert", "--far", "60000"};
    ASSERT_EQ(runCli(QStringList{"design", path("map.png"), "-o", path("design.png")} + mapOptions).exitCode,
              0);
    const struct {
        QStringList command; // without input and output
        QStringList options;
    } cases[] = {
        {{"random-dot"}, {"--seed", "5", "--mode", "color", "--density", "45"}},
        {{"color-field"}, {"--tile", "--depth", "35"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command.join(' ').toStdString());
        const QStringList field =
            c.command.first() == "color-field" ? QStringList{path("pattern.png")} : QStringList{};
        ASSERT_EQ(runCli(c.command + QStringList{path("design.png")} + field +
                         QStringList{"-o", path("viaDesign.bmp")} + c.options)
                      .exitCode,
                  0);
        const CliRun run = runCli(c.command + QStringList{path("map.png")} + field +
                                  QStringList{"-o", path("direct.bmp"), "--grey"} + mapOptions + c.options);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(readBytes(path("direct.bmp")), readBytes(path("viaDesign.bmp")));
    }
}

// Design -> stereogram -> revealed Design image, through the executable; and the grey map with the
// repeat width found in the picture.
TEST_F(ConvertDepthCliTest, RevealReadsBackWhatTheConvertersMade) {
    const QImage design = shapesDesign(400, 200);
    ASSERT_TRUE(design.save(path("design.png"), "PNG"));
    QImage pattern(70, 30, QImage::Format_RGB32);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 70; ++x)
            pattern.setPixel(x, y,
                             qRgb((x * 37 + y * 11) % 251 + 1, (x * 13 + y * 71) % 253, (x * y * 7) % 255));
    ASSERT_TRUE(pattern.save(path("pattern.png"), "PNG"));
    const struct {
        QStringList make;
    } cases[] = {
        {{"random-dot", path("design.png"), "--seed", "9", "--density", "50"}},
        {{"color-field", path("design.png"), path("pattern.png"), "--tile"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.make.join(' ').toStdString());
        ASSERT_EQ(runCli(c.make + QStringList{"-o", path("stereo.png")}).exitCode, 0);

        const CliRun levels = runCli(
            {"reveal", path("stereo.png"), "-o", path("levels.png"), "--repeat", "70", "--depth", "20"});
        ASSERT_EQ(levels.exitCode, 0) << levels.err.toStdString();
        // What was read is reported: the repeat width, the direction, the share that matched.
        EXPECT_TRUE(levels.err.contains("repeat width 70 pixels (given), parallel,"))
            << levels.err.toStdString();
        EXPECT_TRUE(levels.err.contains("% of the pixels matched well")) << levels.err.toStdString();
        const QImage revealed = loadRgb(path("levels.png"));
        ASSERT_EQ(revealed.size(), design.size());
        // Inside each area (away from its edges and the rightmost repeat width) the level comes back.
        for (const QPoint p : {QPoint(30, 100), QPoint(100, 60), QPoint(160, 100), QPoint(320, 20)}) {
            int exact = 0, counted = 0;
            for (int y = p.y() - 3; y <= p.y() + 3; ++y)
                for (int x = p.x() - 3; x <= p.x() + 3; ++x, ++counted)
                    exact += revealed.pixel(x, y) == design.pixel(x, y);
            EXPECT_GE(exact * 10, counted * 9) << p.x() << "," << p.y();
        }

        const CliRun grey = runCli({"reveal", path("stereo.png"), "-o", path("grey.png")});
        ASSERT_EQ(grey.exitCode, 0) << grey.err.toStdString();
        EXPECT_TRUE(grey.err.contains("repeat width 70")) << grey.err.toStdString();
        const QImage map = loadRgb(path("grey.png"));
        // Far is black, and the nearer the brighter: level 5 (shift 10) below level 12 (shift 24).
        const int far = qGray(map.pixel(30, 100)), middle = qGray(map.pixel(160, 100)),
                  near = qGray(map.pixel(100, 60));
        EXPECT_EQ(far, 0);
        EXPECT_GT(middle, 40);
        EXPECT_GT(near, middle + 40);

        // --smooth writes the map with 16 bits in a PNG; --cross reads the depth order reversed.
        const CliRun smooth = runCli({"reveal", path("stereo.png"), "-o", path("smooth.png"), "--smooth"});
        ASSERT_EQ(smooth.exitCode, 0) << smooth.err.toStdString();
        const QImage sixteen(path("smooth.png"));
        EXPECT_EQ(sixteen.depth(), 16);
        const CliRun cross = runCli({"reveal", path("stereo.png"), "-o", path("cross.png"), "--cross"});
        ASSERT_EQ(cross.exitCode, 0) << cross.err.toStdString();
        EXPECT_TRUE(cross.err.contains("cross-eyed, as asked")) << cross.err.toStdString();
        const QImage crossed = loadRgb(path("cross.png"));
        EXPECT_GT(qGray(crossed.pixel(30, 100)), qGray(crossed.pixel(100, 60)) + 40);
        // With a depth, a cross-eyed reading gives each area the level 15 - its own.
        const CliRun crossLevels = runCli({"reveal", path("stereo.png"), "-o", path("crossLevels.png"),
                                           "--repeat", "70", "--depth", "20", "--cross"});
        ASSERT_EQ(crossLevels.exitCode, 0) << crossLevels.err.toStdString();
        const QImage flipped = loadRgb(path("crossLevels.png"));
        for (const QPoint p : {QPoint(30, 100), QPoint(100, 60), QPoint(160, 100), QPoint(320, 20)})
            EXPECT_EQ(levelOfRgb(flipped.pixel(p)), 15 - levelOfRgb(design.pixel(p)))
                << p.x() << "," << p.y();
    }
}

TEST_F(ConvertDepthCliTest, RefusalsSayWhy) {
    QImage flat(200, 50, QImage::Format_RGB32);
    flat.fill(qRgb(10, 200, 30));
    ASSERT_TRUE(flat.save(path("flat.png"), "PNG"));
    QImage noise(300, 100, QImage::Format_RGB32);
    std::uint32_t state = 12345;
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x) {
            state = state * 1664525u + 1013904223u;
            noise.setPixel(x, y, (state >> 24) & 1 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
        }
    ASSERT_TRUE(noise.save(path("noise.png"), "PNG"));
    const struct {
        QStringList args;
        int exitCode;
        QString mentions;
    } cases[] = {
        {{"reveal", path("flat.png"), "-o", path("out.png")}, 1, "--repeat"},
        {{"reveal", path("flat.png"), "-o", path("out.png"), "--repeat", "0"}, 2, "repeat"},
        // Not a stereogram: no repeat width to find, or nothing matches at the one given.
        {{"reveal", path("noise.png"), "-o", path("out.png")}, 1, "does not repeat like a stereogram"},
        {{"reveal", path("noise.png"), "-o", path("out.png"), "--repeat", "70"},
         1,
         "too few to read its depth"},
        // Any repeat width up to half the picture's width, none beyond.
        {{"reveal", path("noise.png"), "-o", path("out.png"), "--repeat", "151"},
         1,
         "more than half the width"},
        {{"reveal", path("noise.png"), "-o", path("out.png"), "--cross", "--parallel"},
         2,
         "--cross and --parallel"},
        // Depth 0 shifts nothing, so there is no depth to read back: not a blank picture.
        {{"reveal", path("flat.png"), "-o", path("out.png"), "--repeat", "70", "--depth", "0"}, 2, "--depth"},
        {{"design", path("ramp8.png"), "-o", path("out.png"), "--near", "0"}, 1, "--far"},
        {{"design", path("ramp8.png"), "-o", path("out.png"), "--near", "9", "--far", "9"}, 2, "--far"},
        {{"design", path("ramp8.png"), "-o", path("out.png"), "--near", "65536"}, 2, "--near"},
        {{"design", path("none.png"), "-o", path("out.png")}, 1, "none.png"},
        {{"random-dot", path("ramp8.png"), "-o", path("out.png"), "--invert"}, 2, "--grey"},
        {{"design", path("ramp8.png"), "-o", path("out.png"), "--grey"}, 2, "--grey"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const CliRun run = runCli(c.args);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_TRUE(run.err.contains(c.mentions)) << run.err.toStdString();
        EXPECT_FALSE(QFile::exists(path("out.png")));
    }
}

} // namespace
