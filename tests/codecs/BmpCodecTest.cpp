#include "codecs/BmpCodec.h"

#include "platform/Picture.h"

#include <QBuffer>
#include <QImageReader>
#include <QtEndian>
#include <gtest/gtest.h>

using namespace quarbel::codecs;
using namespace quarbel::platform;

namespace {

QRgb colourAt(int x, int y) {
    return qRgb((x * 37 + y) & 0xFF, (y * 59) & 0xFF, (x * y * 13 + 7) & 0xFF);
}

// A BI_RGB bitmap written byte by byte, independent of the code under test.
QByteArray makeBmp(int width, int height, int bitCount, bool topDown) {
    const int stride = ((width * bitCount + 31) / 32) * 4;
    QByteArray bytes(54 + stride * height, '\0');
    auto* p = reinterpret_cast<uchar*>(bytes.data());
    p[0] = 'B';
    p[1] = 'M';
    qToLittleEndian<quint32>(quint32(bytes.size()), p + 2);
    qToLittleEndian<quint32>(54, p + 10);
    qToLittleEndian<quint32>(40, p + 14);
    qToLittleEndian<qint32>(width, p + 18);
    qToLittleEndian<qint32>(topDown ? -height : height, p + 22);
    qToLittleEndian<quint16>(1, p + 26);
    qToLittleEndian<quint16>(quint16(bitCount), p + 28);
    for (int y = 0; y < height; ++y) {
        uchar* row = p + 54 + stride * (topDown ? y : height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const QRgb c = colourAt(x, y);
            uchar* px = row + x * (bitCount / 8);
            px[0] = uchar(qBlue(c));
            px[1] = uchar(qGreen(c));
            px[2] = uchar(qRed(c));
            if (bitCount == 32) {
                px[3] = 0x00; // unused byte of BI_RGB: must not turn into transparency
            }
        }
    }
    return bytes;
}

TEST(BmpCodecTest, PlainBitmapsReadLikeTheirPixels) {
    const struct {
        int width, height, bitCount;
        bool topDown;
    } cases[] = {
        {1, 1, 24, false}, {2, 3, 24, false}, {3, 2, 24, true},     {33, 7, 24, false},
        {5, 4, 32, false}, {6, 3, 32, true},  {1024, 2, 24, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << "x" << c.bitCount
                                        << (c.topDown ? " top-down" : " bottom-up"));
        const QByteArray bytes = makeBmp(c.width, c.height, c.bitCount, c.topDown);
        QByteArray copy = bytes;
        QBuffer buffer(&copy);
        buffer.open(QIODevice::ReadOnly);
        const std::optional<QImage> direct = readPlainBmp(buffer, parseBmpHeader(bytes.left(64)).value());
        ASSERT_TRUE(direct.has_value());
        ASSERT_EQ(direct->size(), QSize(c.width, c.height));

        const PictureResult loaded = loadPictureData(bytes);
        ASSERT_TRUE(loaded.ok());
        int wrong = 0;
        for (int y = 0; y < c.height; ++y) {
            for (int x = 0; x < c.width; ++x) {
                wrong += direct->pixel(x, y) != colourAt(x, y);
                wrong += loaded.image.pixel(x, y) != colourAt(x, y);
            }
        }
        EXPECT_EQ(wrong, 0);
    }
}

TEST(BmpCodecTest, OtherLayoutsAreLeftToTheGeneralReader) {
    QImage indexed(4, 3, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(255, 0, 0), qRgb(0, 0, 255)});
    indexed.fill(1);
    indexed.setPixel(2, 1, 0);
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    ASSERT_TRUE(indexed.save(&out, "BMP"));
    ASSERT_LT(int(bytes[28]), 24); // a palette bitmap

    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    EXPECT_FALSE(readPlainBmp(in, parseBmpHeader(bytes.left(64)).value()).has_value());
    const PictureResult loaded = loadPictureData(bytes);
    ASSERT_TRUE(loaded.ok());
    EXPECT_EQ(loaded.image.pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(loaded.image.pixel(2, 1), qRgb(255, 0, 0));
}

TEST(BmpCodecTest, WrittenBitmapsAre24BitAndReadBackByQt) {
    for (const QSize size : {QSize(1, 1), QSize(3, 5), QSize(37, 11)}) {
        QImage image(size, QImage::Format_RGB32);
        for (int y = 0; y < size.height(); ++y) {
            for (int x = 0; x < size.width(); ++x) {
                image.setPixel(x, y, colourAt(x, y));
            }
        }
        QByteArray bytes;
        QBuffer out(&bytes);
        out.open(QIODevice::WriteOnly);
        ASSERT_TRUE(writeBmp24(out, image));
        const int stride = ((size.width() * 24 + 31) / 32) * 4;
        EXPECT_EQ(bytes.size(), 54 + stride * size.height());
        EXPECT_EQ(qFromLittleEndian<quint16>(bytes.constData() + 28), 24);
        EXPECT_EQ(qFromLittleEndian<quint32>(bytes.constData() + 2), quint32(bytes.size()));

        QBuffer in(&bytes);
        in.open(QIODevice::ReadOnly);
        QImageReader reader(&in, "bmp");
        const QImage back = reader.read().convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(back, image);
    }
}

TEST(BmpCodecTest, ForgedSizesAreRefusedWithoutAllocating) {
    QByteArray bytes = makeBmp(2, 2, 24, false);
    qToLittleEndian<qint32>(100000, bytes.data() + 18);
    qToLittleEndian<qint32>(100000, bytes.data() + 22);
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    const std::optional<QImage> direct = readPlainBmp(in, parseBmpHeader(bytes.left(64)).value());
    ASSERT_TRUE(direct.has_value());
    EXPECT_TRUE(direct->isNull());
    const PictureResult loaded = loadPictureData(bytes);
    ASSERT_FALSE(loaded.ok());
    EXPECT_EQ(loaded.error->number, ErrOutOfMemory);
    EXPECT_EQ(loaded.error->refusal, PictureRefusal::TooManyPixels);
    EXPECT_EQ(loaded.error->size, QSize(100000, 100000));
}

} // namespace
