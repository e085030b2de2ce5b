#include "platform/Picture.h"

#include "platform/ImageSink.h"
#include "platform/ImageSurface.h"
#include "support/TestFiles.h"
#include "support/TestPictures.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

using namespace quarbel::platform;
using quarbel::engine::Packed;
using quarbel::engine::packRgb;

namespace {

// A valid BMP whose header claims the largest width and height a 32-bit field holds.
QByteArray forgedHugeBmp(QByteArray bmp) {
    const char huge[4] = {'\xFF', '\xFF', '\xFF', '\x7F'};
    bmp.replace(18, 4, huge, 4);
    bmp.replace(22, 4, huge, 4);
    return bmp;
}

using quarbel::testing::gradient;
using quarbel::testing::readBytes;
using quarbel::testing::writeBytes;

QByteArray encode(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

void appendLe16(QByteArray& out, int value) {
    out.append(char(value & 0xFF));
    out.append(char((value >> 8) & 0xFF));
}

// A GIF with a four-colour table whose frames are given as colour indexes, row by row.
// The LZW stream sends a clear code after every two pixels, so its codes stay 3 bits wide.
QByteArray makeGif(int width, int height, const QList<QList<int>>& frames) {
    QByteArray out("GIF89a");
    appendLe16(out, width);
    appendLe16(out, height);
    out.append(char(0xF1)); // global table of 4 entries
    out.append('\0');
    out.append('\0');
    const unsigned char palette[] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
    out.append(reinterpret_cast<const char*>(palette), sizeof palette);
    for (const QList<int>& pixels : frames) {
        out.append("\x21\xF9\x04\x00\x0A\x00\x00\x00", 8); // graphic control: 0.1 s, no transparency
        out.append(',');
        appendLe16(out, 0);
        appendLe16(out, 0);
        appendLe16(out, width);
        appendLe16(out, height);
        out.append('\0');
        out.append('\x02'); // minimum code size
        QByteArray data;
        quint32 bits = 0;
        int bitCount = 0;
        const auto put = [&](int code) {
            bits |= quint32(code) << bitCount;
            bitCount += 3;
            while (bitCount >= 8) {
                data.append(char(bits & 0xFF));
                bits >>= 8;
                bitCount -= 8;
            }
        };
        for (qsizetype i = 0; i < pixels.size(); ++i) {
            if (i % 2 == 0) {
                put(4);
            }
            put(pixels[i]);
        }
        put(5);
        if (bitCount > 0) {
            data.append(char(bits & 0xFF));
        }
        for (qsizetype at = 0; at < data.size(); at += 255) {
            const QByteArray block = data.mid(at, 255);
            out.append(char(block.size()));
            out.append(block);
        }
        out.append('\0');
    }
    out.append(';');
    return out;
}

class PictureTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

// Four flat quadrants: what survives JPEG's colour subsampling.
QImage quadrants(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    const QRgb colours[] = {qRgb(200, 30, 30), qRgb(30, 200, 30), qRgb(30, 30, 200), qRgb(230, 230, 40)};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y, colours[(x >= width / 2) + 2 * (y >= height / 2)]);
        }
    }
    return image;
}

TEST_F(PictureTest, ReadsEachFormatByContent) {
    const struct {
        const char* format;
        const char* fileName; // a misleading name: the content decides
        QImage source;
        int tolerance;
    } cases[] = {{"BMP", "a.jpg", gradient(40, 30), 0},
                 {"PNG", "b.bmp", gradient(40, 30), 0},
                 {"JPEG", "c.png", quadrants(40, 32), 12}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        const QByteArray bytes = encode(c.source, c.format);
        ASSERT_TRUE(writeBytes(path(c.fileName), bytes));
        for (const PictureResult& result : {loadPicture(path(c.fileName)), loadPictureData(bytes)}) {
            ASSERT_TRUE(result.ok()) << result.error->number;
            EXPECT_EQ(result.image.format(), QImage::Format_RGB32);
            ASSERT_EQ(result.image.size(), c.source.size());
            for (const QPoint p :
                 {QPoint(2, 2), QPoint(37, 2), QPoint(2, 28), QPoint(37, 28), QPoint(15, 9)}) {
                const QRgb got = result.image.pixel(p);
                const QRgb want = c.source.pixel(p);
                EXPECT_NEAR(qRed(got), qRed(want), c.tolerance);
                EXPECT_NEAR(qGreen(got), qGreen(want), c.tolerance);
                EXPECT_NEAR(qBlue(got), qBlue(want), c.tolerance);
            }
        }
    }
}

// Standard error redirected into memory while it lives: whatever reaches it is what a user would
// see on the terminal.
class CapturedStderr {
public:
    CapturedStderr() : m_saved(::dup(STDERR_FILENO)), m_capture(::memfd_create("stderr", 0)) {
        std::fflush(stderr);
        ::dup2(m_capture, STDERR_FILENO);
    }
    ~CapturedStderr() {
        std::fflush(stderr);
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
        ::close(m_capture);
    }
    QByteArray text() const {
        std::fflush(stderr);
        QByteArray bytes(qsizetype(::lseek(m_capture, 0, SEEK_END)), '\0');
        EXPECT_EQ(::pread(m_capture, bytes.data(), size_t(bytes.size()), 0), bytes.size());
        return bytes;
    }

private:
    int m_saved;
    int m_capture;
};

int qtMessages = 0;
void countQtMessage(QtMsgType, const QMessageLogContext&, const QString&) {
    ++qtMessages;
}

TEST_F(PictureTest, APictureCutOffOrDamagedIsRefusedNamingTheFileAndQuietly) {
    const QImage picture = quadrants(64, 48);
    QList<QList<int>> frame{QList<int>(16 * 8)};
    for (int i = 0; i < 16 * 8; ++i) {
        frame[0][i] = i % 4;
    }
    QByteArray rle8 = readBytes(QStringLiteral(QUARBEL_TEST_DATA_DIR "/../../fuzz/corpus/picture/rle8.bmp"));
    QByteArray wmf = readBytes(QStringLiteral(QUARBEL_TEST_DATA_DIR "/wmf/sample.wmf"));
    const QByteArray jpeg = encode(picture, "JPEG");
    // Damage inside the data, not at its end: a byte of the first scan and a PNG's first IDAT.
    QByteArray jpegBroken = jpeg;
    jpegBroken[jpeg.indexOf("\xFF\xDA") + 20] = '\xFF';
    jpegBroken[jpeg.indexOf("\xFF\xDA") + 21] = '\xD3';
    const QByteArray png = encode(picture, "PNG");
    QByteArray pngBroken = png;
    pngBroken[png.indexOf("IDAT") + 6] = char(pngBroken[png.indexOf("IDAT") + 6] ^ 0x55);
    const struct {
        const char* name;
        QByteArray whole;
        QList<double> cuts; // where the file ends, as shares of its length; none: damaged as it is
    } cases[] = {
        {"BMP", encode(picture, "BMP"), {0.3, 0.6, 0.999}},
        {"BMP RLE8", rle8, {0.5, 0.8}},
        {"JPEG", jpeg, {0.3, 0.5, 0.8, 0.999}},
        {"progressive JPEG",
         readBytes(QStringLiteral(QUARBEL_TEST_DATA_DIR "/../../fuzz/corpus/picture/progressive.jpg")),
         {0.3, 0.5, 0.8, 0.999}},
        {"JPEG with a broken scan", jpegBroken, {}},
        {"GIF", makeGif(16, 8, frame), {0.5, 0.8, 0.99}},
        {"PNG", png, {0.3, 0.5, 0.8, 0.999}},
        {"16-bit PNG", encode(picture.convertToFormat(QImage::Format_RGBA64), "PNG"), {0.5, 0.999}},
        {"PNG with a broken chunk", pngBroken, {}},
        {"WMF", wmf, {0.5, 0.9, 0.999}},
    };
    qtMessages = 0;
    const QtMessageHandler previous = qInstallMessageHandler(countQtMessage);
    const CapturedStderr terminal;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_GT(c.whole.size(), 40);
        if (!c.cuts.isEmpty()) {
            EXPECT_TRUE(loadPictureData(c.whole).ok());
        }
        QList<qsizetype> lengths;
        for (const double share : c.cuts) {
            lengths.append(qsizetype(c.whole.size() * share));
        }
        if (c.cuts.isEmpty()) {
            lengths.append(c.whole.size());
        }
        for (const qsizetype length : lengths) {
            SCOPED_TRACE(testing::Message() << length << " of " << c.whole.size() << " bytes");
            const QString file = path(QStringLiteral("cut.pic"));
            ASSERT_TRUE(writeBytes(file, c.whole.left(length)));
            for (const PictureResult& result : {loadPicture(file), loadPictureData(c.whole.left(length))}) {
                ASSERT_FALSE(result.ok());
                EXPECT_EQ(result.error->refusal, PictureRefusal::Damaged);
            }
            const QString message = unreadablePictureMessage(file, *loadPicture(file).error);
            EXPECT_TRUE(message.contains(file) &&
                        message.contains(QStringLiteral("壊れているか、途中で切れています")))
                << message.toStdString();
        }
    }
    qInstallMessageHandler(previous);
    EXPECT_EQ(terminal.text(), QByteArray());
    EXPECT_EQ(qtMessages, 0);
}

TEST_F(PictureTest, ReadsTheFirstFrameOfAnAnimatedGif) {
    const QByteArray gif = makeGif(3, 2, {{0, 1, 2, 3, 0, 1}, {2, 2, 2, 2, 2, 2}});
    ASSERT_TRUE(writeBytes(path("anim.gif"), gif));
    const PictureResult result = loadPicture(path("anim.gif"));
    ASSERT_TRUE(result.ok()) << result.error->number;
    ASSERT_EQ(result.image.size(), QSize(3, 2));
    const QRgb expected[] = {qRgb(255, 0, 0),     qRgb(0, 255, 0), qRgb(0, 0, 255),
                             qRgb(255, 255, 255), qRgb(255, 0, 0), qRgb(0, 255, 0)};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(result.image.pixel(i % 3, i / 3), expected[i]) << "pixel " << i;
    }
}

TEST_F(PictureTest, TransparencyIsLaidOverWhite) {
    QImage source(3, 1, QImage::Format_ARGB32);
    source.setPixel(0, 0, qRgba(255, 0, 0, 0));
    source.setPixel(1, 0, qRgba(255, 0, 0, 128));
    source.setPixel(2, 0, qRgba(10, 20, 30, 255));
    const PictureResult result = loadPictureData(encode(source, "PNG"));
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result.image.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(result.image.pixel(1, 0), qRgb(255, 127, 127));
    EXPECT_EQ(result.image.pixel(2, 0), qRgb(10, 20, 30));
}

TEST_F(PictureTest, FailuresCarryTheirErrorNumbers) {
    const QByteArray bmp = encode(gradient(20, 10), "BMP");
    ASSERT_TRUE(writeBytes(path("plain.bmp"), bmp));
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("folder.bmp"));
    QByteArray gifTooWide = makeGif(1, 1, {{0}});
    gifTooWide[6] = char(0x20); // logical screen 20000 x 1
    gifTooWide[7] = char(0x4E);
    QByteArray gifTooBig = makeGif(1, 1, {{0}});
    for (int at : {6, 8}) { // 16000 x 16000: within the side limit, far beyond a sane allocation
        gifTooBig[at] = char(0x80);
        gifTooBig[at + 1] = char(0x3E);
    }

    using R = PictureRefusal;
    const struct {
        const char* name;
        QByteArray content; // written to the file when not null
        QString fileName;
        int number;
        R refusal = R::None;
        int maxWidth = 0;
    } cases[] = {
        {"missing file", QByteArray(), "none.bmp", ErrFileNotFound},
        {"missing folder", QByteArray(), "nofolder/none.bmp", ErrPathNotFound},
        {"file used as folder", QByteArray(), "plain.bmp/none.bmp", ErrPathNotFound},
        {"folder", QByteArray(), "folder.bmp", ErrPathFileAccess},
        {"garbage", QByteArray("this is not a picture at all"), "garbage.bmp", ErrInvalidPicture},
        {"empty file", QByteArray(""), "empty.bmp", ErrInvalidPicture},
        {"truncated bmp", bmp.left(bmp.size() - 1), "cut1.bmp", ErrInvalidPicture, R::Damaged},
        {"half a bmp", bmp.left(bmp.size() / 2), "cut2.bmp", ErrInvalidPicture, R::Damaged},
        {"bmp header only", bmp.left(20), "cut3.bmp", ErrInvalidPicture},
        {"bmp claiming 2^31 x 2^31 pixels", forgedHugeBmp(bmp), "huge.bmp", ErrOutOfMemory, R::TooManyPixels},
        {"truncated png", encode(gradient(20, 10), "PNG").left(60), "cut.png", ErrInvalidPicture, R::Damaged},
        {"svg is not read", QByteArray("<svg xmlns='http://www.w3.org/2000/svg' width='5' height='5'/>"),
         "pic.svg", ErrInvalidPicture},
        {"wider than the caller's limit", gifTooWide, "wide.gif", ErrInvalidPicture, R::TooWide, 1024},
        {"too many pixels", gifTooBig, "big.gif", ErrOutOfMemory, R::TooManyPixels},
        {"metafile that cannot be drawn", QByteArray("\xD7\xCD\xC6\x9A garbage", 13), "bad.wmf",
         ErrInvalidPicture},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.content.isNull()) {
            ASSERT_TRUE(writeBytes(path(c.fileName), c.content));
            const PictureResult fromData = loadPictureData(c.content, c.maxWidth);
            ASSERT_FALSE(fromData.ok());
            EXPECT_EQ(fromData.error->number, c.number);
            EXPECT_EQ(fromData.error->refusal, c.refusal);
            EXPECT_TRUE(fromData.image.isNull());
        }
        const PictureResult result = loadPicture(path(c.fileName), c.maxWidth);
        ASSERT_FALSE(result.ok());
        EXPECT_EQ(result.error->number, c.number);
        EXPECT_EQ(result.error->refusal, c.refusal);
        EXPECT_FALSE(result.error->description.isEmpty());
        EXPECT_TRUE(result.image.isNull());
        // The message names the file, on a line of its own.
        EXPECT_TRUE(
            runTimeErrorMessage(*result.error).endsWith(QStringLiteral("\r\nファイル: ") + path(c.fileName)));
    }
    // Without a width limit the wide picture is read: the limit is the caller's.
    EXPECT_EQ(loadPicture(path("wide.gif")).image.size(), QSize(20000, 1));
    EXPECT_EQ(loadPicture(QString()).error->number, ErrFileNotFound);
    // The untouched whole file still reads.
    EXPECT_TRUE(loadPicture(path("plain.bmp")).ok());
}

TEST(PictureMessage, HasTheRunTimeErrorLayout) {
    EXPECT_EQ(runTimeErrorMessage(pictureError(ErrFileNotFound)),
              QStringLiteral("ｴﾗｰ番号  53Quarbel でｴﾗｰが発生しました。\r\nファイルが見つかりません。"));
}

TEST_F(PictureTest, SavesBmpAndPngThatReadBack) {
    const QImage source = gradient(33, 17); // odd width: BMP rows are padded
    for (const PictureFormat format : {PictureFormat::Bmp, PictureFormat::Png}) {
        const QString file = path(format == PictureFormat::Bmp ? "out.bmp" : "out.png");
        ASSERT_FALSE(savePicture(source, file, format).has_value());
        const QByteArray bytes = readBytes(file);
        if (format == PictureFormat::Bmp) {
            ASSERT_GT(bytes.size(), 30);
            EXPECT_TRUE(bytes.startsWith("BM"));
            EXPECT_EQ(bytes[28], 24); // bits per pixel
        } else {
            EXPECT_TRUE(bytes.startsWith("\x89PNG"));
        }
        const PictureResult back = loadPicture(file);
        ASSERT_TRUE(back.ok());
        EXPECT_EQ(back.image, source);
    }
    // Only the two pictures: no temporary siblings stay behind.
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

TEST_F(PictureTest, FailedSavesLeaveNothingAndKeepOldFiles) {
    const QImage source = gradient(8, 8);
    const QByteArray old("old content");
    ASSERT_TRUE(writeBytes(path("readonly.bmp"), old));
    ASSERT_TRUE(QFile::setPermissions(path("readonly.bmp"), QFileDevice::ReadOwner));
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("folder.bmp"));

    const struct {
        const char* name;
        QImage image;
        QString fileName;
        int number;
    } cases[] = {
        {"missing folder", source, "missing/out.bmp", ErrPathNotFound},
        {"folder", source, "folder.bmp", ErrPathFileAccess},
        {"read-only file", source, "readonly.bmp", ErrPermissionDenied},
        {"null image", QImage(), "null.bmp", ErrInvalidPicture},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<PictureError> error = saveBmp(c.image, path(c.fileName));
        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(error->number, c.number);
    }
    EXPECT_EQ(readBytes(path("readonly.bmp")), old);
    EXPECT_FALSE(QFile::exists(path("missing")));
    EXPECT_FALSE(QFile::exists(path("null.bmp")));
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"readonly.bmp"});
}

TEST(ImageSurfaceTest, ReadsPackedColoursAndMinusOneOutside) {
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(qRgb(255, 255, 255));
    image.setPixel(0, 0, qRgb(1, 2, 3));
    image.setPixel(2, 1, qRgb(128, 0, 255));
    const ImageSurface surface(image);
    ASSERT_EQ(surface.width(), 3);
    ASSERT_EQ(surface.height(), 2);

    std::vector<Packed> row(5, 12345);
    surface.readRow(0, row);
    EXPECT_EQ(row, (std::vector<Packed>{packRgb(1, 2, 3), 0xFFFFFF, 0xFFFFFF, -1, -1}));
    surface.readRow(1, row);
    EXPECT_EQ(row[2], packRgb(128, 0, 255));
    for (const int y : {-1, 2, 1000}) {
        surface.readRow(y, row);
        EXPECT_EQ(row, std::vector<Packed>(5, -1)) << "row " << y;
    }
    // A shorter buffer reads only what fits.
    std::vector<Packed> two(2);
    surface.readRow(0, two);
    EXPECT_EQ(two, (std::vector<Packed>{packRgb(1, 2, 3), 0xFFFFFF}));

    // Other formats are read as their RGB colours.
    const ImageSurface indexed(image.convertToFormat(QImage::Format_Indexed8));
    indexed.readRow(0, row);
    EXPECT_EQ(row[0], packRgb(1, 2, 3));
}

TEST(ImageSinkTest, ClearsToWhiteWritesRowsAndKeepsThemAcrossSameSizeResizes) {
    ImageSink sink;
    sink.resize(4, 3);
    sink.clear();
    ASSERT_EQ(sink.image().size(), QSize(4, 3));
    EXPECT_EQ(sink.image().pixel(3, 2), qRgb(255, 255, 255));

    const std::vector<Packed> colours{packRgb(255, 0, 0), packRgb(0, 128, 0), packRgb(0, 0, 255), 0};
    sink.writeRow(1, colours);
    sink.writeRow(-1, colours); // ignored
    sink.writeRow(3, colours);  // ignored
    EXPECT_EQ(sink.image().pixel(0, 1), qRgb(255, 0, 0));
    EXPECT_EQ(sink.image().pixel(1, 1), qRgb(0, 128, 0));
    EXPECT_EQ(sink.image().pixel(2, 1), qRgb(0, 0, 255));
    EXPECT_EQ(sink.image().pixel(3, 1), qRgb(0, 0, 0));
    EXPECT_EQ(sink.image().pixel(0, 0), qRgb(255, 255, 255));

    // A resumed run sizes the image again: the rows already drawn stay.
    sink.resize(4, 3);
    EXPECT_EQ(sink.image().pixel(0, 1), qRgb(255, 0, 0));

    const QImage taken = sink.takeImage();
    EXPECT_EQ(taken.size(), QSize(4, 3));
    EXPECT_TRUE(sink.image().isNull());
    sink.resize(0, 5);
    EXPECT_TRUE(sink.image().isNull());
}

TEST(TileFieldImageTest, RepeatsThePatternFromTheTopLeftCutAtTheEdges) {
    const struct {
        QSize design;
        QSize pattern;
    } cases[] = {
        {{300, 200}, {64, 64}}, // 5 x 4 tiles, the last column and row cut off
        {{128, 128}, {64, 64}}, // exact fit
        {{50, 40}, {64, 64}},   // pattern larger than the design
        {{7, 5}, {1, 1}},       {{1024, 3}, {200, 2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.design.width() << "x" << c.design.height() << " from "
                                        << c.pattern.width() << "x" << c.pattern.height());
        const QImage pattern = gradient(c.pattern.width(), c.pattern.height());
        const QImage field = tileFieldImage(pattern, c.design);
        ASSERT_EQ(field.size(), c.design);
        ASSERT_EQ(field.format(), QImage::Format_RGB32);
        int mismatches = 0;
        for (int y = 0; y < c.design.height(); ++y) {
            for (int x = 0; x < c.design.width(); ++x) {
                mismatches += field.pixel(x, y) != pattern.pixel(x % pattern.width(), y % pattern.height());
            }
        }
        EXPECT_EQ(mismatches, 0);
    }
    const QImage blank = tileFieldImage(QImage(), QSize(5, 4));
    ASSERT_EQ(blank.size(), QSize(5, 4));
    EXPECT_EQ(blank.pixel(4, 3), qRgb(255, 255, 255));
    EXPECT_TRUE(tileFieldImage(gradient(2, 2), QSize(0, 4)).isNull());
}

} // namespace
