// Run-length bitmaps: whole ones read like their pixels, and damaged ones (a stream that stops
// short, skips pixels or runs past the row) come out the same on every load, with palette entry 0
// wherever the stream never reached, not with whatever the memory held.
#include "platform/Picture.h"

#include <QtEndian>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

using namespace quarbel::codecs;
using namespace quarbel::platform;

namespace {

const QRgb Palette[4] = {qRgb(10, 20, 30), qRgb(200, 100, 50), qRgb(0, 255, 0), qRgb(255, 255, 255)};

// A 4 x 3 bitmap, RLE8 or RLE4, with the four-colour palette and the given stream.
QByteArray rleBitmap(int bitCount, const QByteArray& stream) {
    const int header = 14 + 40 + 4 * 4;
    QByteArray bytes(header, '\0');
    auto* p = reinterpret_cast<uchar*>(bytes.data());
    p[0] = 'B';
    p[1] = 'M';
    qToLittleEndian<quint32>(quint32(header + stream.size()), p + 2);
    qToLittleEndian<quint32>(quint32(header), p + 10);
    qToLittleEndian<quint32>(40, p + 14);
    qToLittleEndian<qint32>(4, p + 18);
    qToLittleEndian<qint32>(3, p + 22);
    qToLittleEndian<quint16>(1, p + 26);
    qToLittleEndian<quint16>(quint16(bitCount), p + 28);
    qToLittleEndian<quint32>(bitCount == 8 ? 1 : 2, p + 30); // BI_RLE8, BI_RLE4
    qToLittleEndian<quint32>(quint32(stream.size()), p + 34);
    qToLittleEndian<quint32>(4, p + 46);
    for (int i = 0; i < 4; ++i) {
        p[54 + 4 * i] = uchar(qBlue(Palette[i]));
        p[55 + 4 * i] = uchar(qGreen(Palette[i]));
        p[56 + 4 * i] = uchar(qRed(Palette[i]));
    }
    return bytes + stream;
}

// Leaves freed blocks full of a pattern, so that a fresh allocation that is not cleared shows it.
void scribbleOnTheHeap() {
    std::vector<void*> blocks;
    for (std::size_t size = 8; size < 4096; size += 8) {
        void* block = std::malloc(size);
        std::memset(block, 0xAB, size);
        blocks.push_back(block);
    }
    for (void* block : blocks)
        std::free(block);
}

TEST(BmpRleTest, StreamsGiveTheirPixelsAndNothingElse) {
    const struct {
        const char* name;
        int bitCount;
        QByteArray stream;
        const char* rows; // palette indexes, top row first
    } cases[] = {
        {"RLE8 runs and an absolute run", 8,
         QByteArray("\x04\x01\x00\x00\x00\x03\x02\x03\x01\x00\x01\x00\x00\x00\x02\x02\x02\x03\x00\x01", 20),
         "2233"
         "2310"
         "1111"},
        {"RLE8 ends after the bottom row", 8, QByteArray("\x04\x01\x00\x01", 4),
         "0000"
         "0000"
         "1111"},
        {"RLE8 skips with a delta", 8, QByteArray("\x00\x02\x02\x01\x02\x01\x00\x01", 8),
         "0000"
         "0011"
         "0000"},
        {"RLE8 run past the row end", 8, QByteArray("\x09\x03\x00\x01", 4),
         "0000"
         "0000"
         "3333"},
        {"RLE8 index past the palette", 8, QByteArray("\x02\xC8\x02\x01\x00\x01", 6),
         "0000"
         "0000"
         "xx11"},
        {"RLE4 alternating run and odd absolute run", 4,
         QByteArray("\x04\x12\x00\x00\x00\x03\x32\x10\x00\x00\x03\x03\x00\x01", 14),
         "0300"
         "3210"
         "1212"},
        {"RLE4 delta past the top", 4, QByteArray("\x02\x33\x00\x02\x00\x09\x02\x11", 8),
         "0000"
         "0000"
         "3300"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (int load = 0; load < 4; ++load) {
            scribbleOnTheHeap();
            const PictureResult result = loadPictureData(rleBitmap(c.bitCount, c.stream));
            ASSERT_TRUE(result.ok());
            ASSERT_EQ(result.image.size(), QSize(4, 3));
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 4; ++x) {
                    const char index = c.rows[y * 4 + x];
                    const QRgb expected = index == 'x' ? qRgb(0, 0, 0) : Palette[index - '0'];
                    ASSERT_EQ(result.image.pixel(x, y), expected)
                        << "load " << load << " at " << x << "," << y;
                }
        }
    }
}

TEST(BmpRleTest, UnreadableHeadersAreRefused) {
    QByteArray topDown = rleBitmap(8, QByteArray("\x04\x01\x00\x01", 4));
    qToLittleEndian<qint32>(-3, reinterpret_cast<uchar*>(topDown.data()) + 22);
    QByteArray headerPastTheEnd = rleBitmap(8, QByteArray("\x04\x01\x00\x01", 4));
    qToLittleEndian<quint32>(0x008B000C, reinterpret_cast<uchar*>(headerPastTheEnd.data()) + 14);
    QByteArray huge = rleBitmap(4, QByteArray("\x04\x01\x00\x01", 4));
    // More pixels than any picture may have (a side alone is no limit).
    qToLittleEndian<qint32>(100000, reinterpret_cast<uchar*>(huge.data()) + 18);
    qToLittleEndian<qint32>(400, reinterpret_cast<uchar*>(huge.data()) + 22);
    // Streams whose bytes run out before the end mark and the last row: cut-off files.
    const QByteArray noEndMark = rleBitmap(8, QByteArray("\x04\x01\x00\x00\x02\x01", 6));
    const QByteArray cutInADelta = rleBitmap(8, QByteArray("\x04\x01\x00\x02\x01", 5));
    const QByteArray cutInAnAbsoluteRun = rleBitmap(4, QByteArray("\x04\x12\x00\x00\x00\x06\x32", 7));
    const struct {
        QByteArray bytes;
        int number;
        PictureRefusal refusal;
    } cases[] = {
        {topDown, ErrInvalidPicture, PictureRefusal::None},
        {headerPastTheEnd, ErrInvalidPicture, PictureRefusal::Damaged},
        {huge, ErrOutOfMemory, PictureRefusal::TooManyPixels},
        {noEndMark, ErrInvalidPicture, PictureRefusal::Damaged},
        {cutInADelta, ErrInvalidPicture, PictureRefusal::Damaged},
        {cutInAnAbsoluteRun, ErrInvalidPicture, PictureRefusal::Damaged},
    };
    for (const auto& c : cases) {
        const PictureResult result = loadPictureData(c.bytes);
        ASSERT_FALSE(result.ok());
        EXPECT_EQ(result.error->number, c.number);
        EXPECT_EQ(result.error->refusal, c.refusal);
    }
}

} // namespace
