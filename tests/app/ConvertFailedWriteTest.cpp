// quarbel-convert on a target that refuses the bytes: exit 1, a message naming the file, and the
// old file as it was. Also inputs that are no regular files.

#include "support/FailingWrites.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using quarbel::testing::readBytes;
using quarbel::testing::SmallTmpfs;
using quarbel::testing::writeBytes;

struct ConverterRun {
    int exitCode = -1;
    QString err;
};

// limitBytes > 0 runs the converter under that file-size limit, with SIGXFSZ ignored.
ConverterRun runConverter(const QStringList& args, rlim_t limitBytes = 0) {
    QProcess process;
    if (limitBytes > 0) {
        process.setChildProcessModifier([limitBytes] {
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit limit{};
            getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = limitBytes;
            setrlimit(RLIMIT_FSIZE, &limit);
        });
    }
    process.start(QStringLiteral(QUARBEL_BINARY_DIR "/app/quarbel-convert"), args);
    ConverterRun run;
    // Also the watchdog for inputs that could block.
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
        run.err = QStringLiteral("did not finish normally");
        return run;
    }
    run.exitCode = process.exitCode();
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QImage design() {
    // Small enough that the whole output sits in one write buffer (only its last flush fails),
    // varied enough that even a PNG of it is larger than the limit below.
    QImage image(100, 40, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            image.setPixel(x, y, qRgb((x * 37 + y * 11) & 0xFF, (x * y * 7) & 0xFF, (x ^ y) * 5 & 0xFF));
        }
    }
    return image;
}

struct Command {
    const char* name;
    QStringList args; // %in and %out are replaced
};

const Command kCommands[] = {
    {"picture to BMP", {"picture", "%in", "-o", "%out.bmp"}},
    {"picture to PNG", {"picture", "%in", "-o", "%out.png"}},
    {"random-dot to BMP", {"random-dot", "%in", "-o", "%out.bmp", "--seed", "1"}},
    {"random-dot to PNG", {"random-dot", "%in", "-o", "%out.png", "--seed", "1"}},
};

QStringList expand(const QStringList& args, const QString& in, const QString& out) {
    QStringList result;
    for (QString arg : args) {
        result << arg.replace(QStringLiteral("%in"), in).replace(QStringLiteral("%out"), out);
    }
    return result;
}

QString outputOf(const QStringList& args) {
    return args.at(args.indexOf(QStringLiteral("-o")) + 1);
}

TEST(ConvertFailedWrite, AFileSizeLimitExitsOneAndKeepsTheOldFile) {
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("design.bmp"));
    ASSERT_TRUE(design().save(in, "BMP"));
    const QByteArray old(20000, 'o');
    for (const Command& c : kCommands) {
        SCOPED_TRACE(c.name);
        const QStringList args = expand(c.args, in, dir.filePath(QStringLiteral("old")));
        const QString out = outputOf(args);
        ASSERT_TRUE(writeBytes(out, old));
        const ConverterRun run = runConverter(args, 200);
        EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(out)) << run.err.toStdString();
        EXPECT_EQ(readBytes(out), old);
        // Without the limit the same command writes the picture.
        const ConverterRun unlimited = runConverter(args);
        EXPECT_EQ(unlimited.exitCode, 0) << unlimited.err.toStdString();
        EXPECT_NE(readBytes(out), old);
    }
    const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    EXPECT_EQ(left, (QStringList{"design.bmp", "old.bmp", "old.png"}));
}

TEST(ConvertFailedWrite, AFullFileSystemExitsOneAndKeepsTheOldFile) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "mounting a tmpfs needs root";
    }
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("design.bmp"));
    ASSERT_TRUE(design().save(in, "BMP"));
    const QString mountPoint = dir.filePath(QStringLiteral("full"));
    const SmallTmpfs disk(mountPoint, 64);
    ASSERT_TRUE(disk.mounted());
    const QByteArray old(3000, 'o');
    for (const Command& c : kCommands) {
        ASSERT_TRUE(writeBytes(outputOf(expand(c.args, in, mountPoint + QStringLiteral("/old"))), old));
    }
    ASSERT_TRUE(disk.fill());
    for (const Command& c : kCommands) {
        SCOPED_TRACE(c.name);
        const QStringList args = expand(c.args, in, mountPoint + QStringLiteral("/old"));
        const ConverterRun run = runConverter(args);
        EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
        EXPECT_EQ(readBytes(outputOf(args)), old);
    }
    EXPECT_EQ(QDir(mountPoint).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"filler", "old.bmp", "old.png"}));
}

TEST(ConvertFailedWrite, InputsThatAreNoRegularFilesAreRefusedAtOnce) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("pipe.bmp"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString document = dir.filePath(QStringLiteral("pipe.qbd"));
    ASSERT_EQ(mkfifo(QFile::encodeName(document).constData(), 0600), 0);
    const QStringList commands[] = {
        {"picture", fifo, "-o", dir.filePath(QStringLiteral("a.bmp"))},
        {"random-dot", fifo, "-o", dir.filePath(QStringLiteral("b.bmp"))},
        {"document", document, "-o", dir.filePath(QStringLiteral("c.bmp"))},
    };
    for (const QStringList& args : commands) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const ConverterRun run = runConverter(args);
        EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QStringLiteral("not a regular file"))) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(args.at(1))) << run.err.toStdString();
    }
}

} // namespace
