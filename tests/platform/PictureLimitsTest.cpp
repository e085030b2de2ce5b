// The picture loader's limits at their edges, the files it must not open, and picture writes on a
// file system that refuses the bytes.

#include "codecs/BmpCodec.h"
#include "platform/Picture.h"
#include "support/FailingWrites.h"
#include "support/TestFiles.h"
#include "support/TestPictures.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QtEndian>
#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

using namespace quarbel::codecs;
using namespace quarbel::platform;
using quarbel::testing::FileSizeLimit;
using quarbel::testing::gradient;
using quarbel::testing::readBytes;
using quarbel::testing::SmallTmpfs;
using quarbel::testing::writeBytes;

namespace {

QByteArray encode(const QImage& image, const char* format, bool progressive = false) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setProgressiveScanWrite(progressive);
    EXPECT_TRUE(writer.write(image));
    return bytes;
}

TEST(PictureLimits, TheTotalPixelLimitHoldsExactlyAtItsEdge) {
    const qint64 limit = MaxPicturePixels;
    ASSERT_EQ(limit % 1024, 0);
    const int tall = int(limit / 1024);
    const struct {
        QSize size;
        bool accepted;
    } cases[] = {
        {QSize(1024, tall), true},
        {QSize(1024, tall + 1), false},
        {QSize(1, int(limit)), true},
        {QSize(1, int(limit) + 1), false},
        {QSize(int(limit / 2), 2), true},
        {QSize(int(limit / 2) + 1, 2), false},
        // No side is limited on its own: taller and wider than 16384 is fine within the budget.
        {QSize(1024, 20000), true},
        {QSize(20000, 100), true},
        {QSize(0, 10), false},
        {QSize(10, 0), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.size.width() << " x " << c.size.height());
        EXPECT_EQ(acceptablePictureSize(c.size), c.accepted);
        // Through the loader, from a header alone: an accepted size reaches the check for the
        // missing rows (a cut-off file); a refused one is refused for its size, unread.
        if (c.size.isEmpty()) {
            continue;
        }
        const PictureResult result =
            loadPictureData(quarbel::testing::bmpHeaderOnly(c.size.width(), c.size.height()));
        ASSERT_FALSE(result.ok());
        EXPECT_EQ(result.error->refusal,
                  c.accepted ? PictureRefusal::Damaged : PictureRefusal::TooManyPixels);
        EXPECT_EQ(result.error->number, c.accepted ? ErrInvalidPicture : ErrOutOfMemory);
        if (!c.accepted) {
            EXPECT_EQ(result.error->size, c.size);
            const QString message = runTimeErrorMessage(*result.error);
            EXPECT_TRUE(message.contains(QString::number(c.size.height()))) << message.toStdString();
            EXPECT_TRUE(message.contains(QString::number(MaxPicturePixels))) << message.toStdString();
        }
    }
}

TEST(PictureLimits, WhatThePictureWritersWriteReadsBack) {
    QTemporaryDir dir;
    // Taller than any side limit the loader once had.
    const QImage tall = gradient(3, 20000);
    for (const PictureFormat format : {PictureFormat::Bmp, PictureFormat::Png}) {
        const QString path = dir.filePath(format == PictureFormat::Bmp ? "tall.bmp" : "tall.png");
        ASSERT_FALSE(savePicture(tall, path, format).has_value());
        const PictureResult back = loadPicture(path);
        ASSERT_TRUE(back.ok());
        EXPECT_EQ(back.image, tall);
    }
}

TEST(PictureLimits, TruncatedBitmapsOfEveryDepthAreRefused) {
    const QImage picture = gradient(37, 23);
    const struct {
        const char* name;
        QImage image;
        int bitCount;
    } cases[] = {
        {"1-bit", picture.convertToFormat(QImage::Format_Mono), 1},
        {"8-bit", picture.convertToFormat(QImage::Format_Indexed8), 8},
        {"24-bit", picture, 24},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray whole = encode(c.image, "BMP");
        ASSERT_EQ(qFromLittleEndian<quint16>(whole.constData() + 28), c.bitCount);
        EXPECT_TRUE(loadPictureData(whole).ok());
        for (const qsizetype cut : {qsizetype(1), qsizetype(4), whole.size() / 3}) {
            const PictureResult result = loadPictureData(whole.left(whole.size() - cut));
            ASSERT_FALSE(result.ok()) << cut << " bytes cut";
            EXPECT_EQ(result.error->number, ErrInvalidPicture);
        }
    }
}

// Runs load on another thread; a load that blocks fails the test instead of hanging it, and
// unblock() then frees the thread.
PictureResult loadWithWatchdog(const QString& path, const std::function<void()>& unblock) {
    std::promise<PictureResult> done;
    std::future<PictureResult> result = done.get_future();
    std::thread loader([&] { done.set_value(loadPicture(path)); });
    const bool finished = result.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    if (!finished) {
        unblock();
    }
    loader.join();
    EXPECT_TRUE(finished) << "loading blocked";
    return result.get();
}

TEST(PictureLimits, OnlyRegularFilesAreOpened) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("picture.bmp"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const PictureResult result = loadWithWatchdog(fifo, [&] {
        QFile writer(fifo);
        (void)writer.open(QIODevice::WriteOnly);
    });
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error->refusal, PictureRefusal::NotRegularFile);
    EXPECT_EQ(result.error->path, fifo);
    const QString message = runTimeErrorMessage(*result.error);
    EXPECT_TRUE(message.contains(QStringLiteral("通常のファイルではない"))) << message.toStdString();
    EXPECT_TRUE(message.endsWith(QStringLiteral("\r\nファイル: ") + fifo));

    // A device is no picture either, and reading it would never end.
    const PictureResult device = loadWithWatchdog(QStringLiteral("/dev/zero"), [] {});
    ASSERT_FALSE(device.ok());
    EXPECT_EQ(device.error->refusal, PictureRefusal::NotRegularFile);
}

// The stream of a progressive JPEG with its last scan repeated extra times: each copy is one more
// scan for the decoder to go through; stray goes before the first scan.
QByteArray withRepeatedLastScan(const QByteArray& jpeg, int extra, const QByteArray& stray = {}) {
    const qsizetype end = jpeg.lastIndexOf("\xFF\xD9");
    // Entropy-coded data never holds 0xFF followed by 0xDA, so this is the last scan's start.
    const qsizetype lastScan = jpeg.lastIndexOf("\xFF\xDA");
    EXPECT_GT(lastScan, 0);
    EXPECT_GT(end, lastScan);
    const QByteArray scan = jpeg.mid(lastScan, end - lastScan);
    QByteArray out = jpeg.left(end);
    out.reserve(out.size() + scan.size() * extra + 2);
    for (int i = 0; i < extra; ++i) {
        out += scan;
    }
    // Between the headers and the first scan: no segment's data, so the bytes belong to nothing.
    return out.insert(out.indexOf("\xFF\xDA"), stray) + "\xFF\xD9";
}

TEST(PictureLimits, ProgressiveJpegsWithAbsurdScanCountsAreRefusedUndecoded) {
    QImage flat(64, 64, QImage::Format_RGB32);
    flat.fill(qRgb(200, 120, 40));
    const QByteArray baseline = encode(flat, "JPEG");
    const QByteArray progressive = encode(flat, "JPEG", true);
    const std::optional<JpegLayout> baseLayout = jpegLayout(baseline);
    const std::optional<JpegLayout> progLayout = jpegLayout(progressive);
    ASSERT_TRUE(baseLayout && progLayout);
    EXPECT_EQ(baseLayout->scans, 1);
    EXPECT_EQ(baseLayout->size, QSize(64, 64));
    ASSERT_GT(progLayout->scans, 1);
    const int own = progLayout->scans;
    EXPECT_TRUE(loadPictureData(progressive).ok());

    // Big and flat, so that many scans stay a small file.
    QImage big(1024, 4096, QImage::Format_RGB32);
    big.fill(Qt::white);
    const QByteArray bigProgressive = encode(big, "JPEG", true);
    const qint64 bigPixels = 1024 * 4096;
    const int bigBudget = int(MaxJpegScanPixels / bigPixels);
    ASSERT_LT(bigBudget, MaxJpegScans);

    const struct {
        const char* name;
        QByteArray bytes;
        int scans;
        bool refused;
    } cases[] = {
        {"small picture at the scan cap", withRepeatedLastScan(progressive, MaxJpegScans - own), MaxJpegScans,
         false},
        {"small picture one scan past the cap", withRepeatedLastScan(progressive, MaxJpegScans + 1 - own),
         MaxJpegScans + 1, true},
        {"large picture past the work budget", withRepeatedLastScan(bigProgressive, bigBudget + 1 - own),
         bigBudget + 1, true},
        // The decoder skips a stray byte before a marker and goes on to decode every scan after it.
        {"stray bytes before the repeated scans",
         withRepeatedLastScan(progressive, MaxJpegScans + 1 - own, "\x17"), MaxJpegScans + 1, true},
        {"stray bytes on a large picture",
         withRepeatedLastScan(bigProgressive, bigBudget + 1 - own, QByteArray("\x00\x42", 2)), bigBudget + 1,
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<JpegLayout> layout = jpegLayout(c.bytes);
        ASSERT_TRUE(layout.has_value());
        EXPECT_EQ(layout->scans, c.scans);
        const PictureResult result = loadPictureData(c.bytes);
        if (c.refused) {
            ASSERT_FALSE(result.ok());
            EXPECT_EQ(result.error->refusal, PictureRefusal::TooManyScans);
            EXPECT_EQ(result.error->scans, c.scans);
            EXPECT_TRUE(runTimeErrorMessage(*result.error).contains(QString::number(c.scans)));
        } else if (!result.ok()) {
            // Repeated refinement scans may upset the decoder, but never the scan guard.
            EXPECT_NE(result.error->refusal, PictureRefusal::TooManyScans);
        }
    }
}

struct WriteCase {
    const char* name;
    PictureFormat format;
};

const WriteCase kPictureWrites[] = {{"BMP", PictureFormat::Bmp}, {"PNG", PictureFormat::Png}};

TEST(PictureWrites, AFileSizeLimitKeepsTheOldPictureAndReportsTheFile) {
    // Small enough that the whole file sits in one write buffer: only the last flush fails.
    const QImage picture = gradient(40, 30);
    for (const WriteCase& c : kPictureWrites) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("old.pic"));
        const QByteArray old(5000, 'o');
        ASSERT_TRUE(writeBytes(path, old));
        std::optional<PictureError> error;
        {
            const FileSizeLimit limit(100);
            ASSERT_TRUE(limit.active());
            error = savePicture(picture, path, c.format);
        }
        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(error->number, ErrDiskIo);
        EXPECT_EQ(error->path, path);
        EXPECT_EQ(readBytes(path), old);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"old.pic"});
        ASSERT_FALSE(savePicture(picture, path, c.format).has_value());
        EXPECT_EQ(loadPicture(path).image, picture);
    }
}

TEST(PictureWrites, AFullFileSystemKeepsTheOldPicture) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "mounting a tmpfs needs root";
    }
    const QImage picture = gradient(200, 150);
    for (const WriteCase& c : kPictureWrites) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString mountPoint = dir.filePath(QStringLiteral("small"));
        const SmallTmpfs disk(mountPoint, 64);
        ASSERT_TRUE(disk.mounted());
        const QString path = mountPoint + QStringLiteral("/old.pic");
        const QByteArray old(3000, 'o');
        ASSERT_TRUE(writeBytes(path, old));
        ASSERT_TRUE(disk.fill());
        const std::optional<PictureError> error = savePicture(picture, path, c.format);
        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(error->number, ErrDiskIo);
        EXPECT_EQ(readBytes(path), old);
        EXPECT_EQ(QDir(mountPoint).entryList(QDir::Files | QDir::Hidden), (QStringList{"filler", "old.pic"}));
    }
}

TEST(PictureWrites, AReadOnlyFolderIsReportedAsAPermissionProblem) {
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("locked"));
    ASSERT_TRUE(QDir().mkpath(folder));
    std::unique_ptr<SmallTmpfs> mount;
    if (geteuid() == 0) {
        // The administrator writes into any folder; a read-only mount refuses even him.
        mount = std::make_unique<SmallTmpfs>(folder, 64);
        ASSERT_TRUE(mount->mounted());
        ASSERT_EQ(
            ::mount(nullptr, QFile::encodeName(folder).constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr),
            0);
    } else {
        ASSERT_TRUE(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    }
    const QString path = folder + QStringLiteral("/new.bmp");
    const std::optional<PictureError> error = saveBmp(gradient(4, 4), path);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->number, ErrPermissionDenied);
    const QString message = runTimeErrorMessage(*error);
    EXPECT_TRUE(message.contains(QStringLiteral("アクセスが拒否されました。"))) << message.toStdString();
    EXPECT_TRUE(message.endsWith(QStringLiteral("\r\nファイル: ") + path));
    EXPECT_FALSE(QFile::exists(path));
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

} // namespace
