#include "app/cli/BmpFileSink.h"

#include "platform/ImageSurface.h"
#include "platform/Picture.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <vector>

using quarbel::cli::BmpFileSink;
using quarbel::engine::Packed;
using quarbel::engine::packRgb;

namespace {

using quarbel::testing::readBytes;

std::vector<Packed> rowOf(int width, int y) {
    std::vector<Packed> row(static_cast<std::size_t>(width));
    for (int x = 0; x < width; ++x) {
        row[static_cast<std::size_t>(x)] = packRgb((x * 40) & 0xFF, (y * 70) & 0xFF, (x + y) * 9 & 0xFF);
    }
    return row;
}

TEST(BmpFileSinkTest, StreamedRowsGiveTheSameFileAsSavingThePicture) {
    QTemporaryDir dir;
    const struct { int width, height; } cases[] = {{1, 5}, {3, 5}, {4, 40}, {33, 100}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        const QString streamed = dir.filePath(QStringLiteral("streamed%1.bmp").arg(c.width));
        BmpFileSink sink(streamed);
        sink.resize(c.width, c.height);
        sink.clear();
        QImage expected(c.width, c.height, QImage::Format_RGB32);
        expected.fill(Qt::white);
        const auto write = [&](int y, int content) {
            const std::vector<Packed> row = rowOf(c.width, content);
            sink.writeRow(y, row);
            for (int x = 0; x < c.width; ++x) {
                expected.setPixel(x, y, quarbel::platform::rgbFromPacked(row[static_cast<std::size_t>(x)]));
            }
        };
        // Top down as a converter writes, row 3 left out (it stays white), then a few rows again
        // out of order: the last write of a row wins.
        for (int y = 0; y < c.height; ++y) {
            if (y != 3) {
                write(y, y);
            }
        }
        write(1, 200);
        write(c.height - 1, 201);
        write(0, 202);
        sink.writeRow(c.height, rowOf(c.width, 0)); // outside: ignored
        EXPECT_FALSE(QFile::exists(streamed));      // nothing shows before the commit
        ASSERT_FALSE(sink.commit().has_value());

        const QString saved = dir.filePath(QStringLiteral("saved%1.bmp").arg(c.width));
        ASSERT_FALSE(quarbel::platform::saveBmp(expected, saved).has_value());
        EXPECT_EQ(readBytes(streamed), readBytes(saved));
    }
}

TEST(BmpFileSinkTest, FailuresLeaveNoFileAndKeepAnOldOne) {
    QTemporaryDir dir;
    {
        BmpFileSink sink(dir.filePath(QStringLiteral("missing/out.bmp")));
        sink.resize(4, 4);
        sink.writeRow(0, rowOf(4, 0));
        const auto error = sink.commit();
        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(error->number, quarbel::platform::ErrPathNotFound);
    }
    {
        BmpFileSink sink(dir.filePath(QStringLiteral("unsized.bmp")));
        const auto error = sink.commit();
        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(error->number, quarbel::platform::ErrInvalidPicture);
    }
    const QString old = dir.filePath(QStringLiteral("old.bmp"));
    {
        QFile file(old);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("older content");
    }
    {
        // A run that ends without a commit (an exception, a failed conversion) writes nothing.
        BmpFileSink sink(old);
        sink.resize(4, 4);
        sink.writeRow(0, rowOf(4, 0));
    }
    EXPECT_EQ(readBytes(old), QByteArray("older content"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"old.bmp"});
}

} // namespace
