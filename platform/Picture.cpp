#include "platform/Picture.h"

#include "codecs/BmpCodec.h"
#include "codecs/BmpRle.h"
#include "codecs/WmfPicture.h"
#include "platform/FileSystem.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quarbel::platform {

using namespace codecs;

namespace {

const QString ErrorSource = QStringLiteral("Quarbel");

// Metafiles are small; anything bigger is not one we could draw.
constexpr qint64 MaxWmfFileSize = 64 * 1024 * 1024;

// Enough of the start of a file to tell the formats apart and to check a BMP header.
constexpr qint64 HeadSize = 64;

PictureResult failure(int number) {
    return PictureResult{QImage(), pictureError(number)};
}

// The raster formats we read, told by their signatures; nullptr for anything else.
const char* rasterFormat(const QByteArray& head) {
    if (head.startsWith("BM")) {
        return "bmp";
    }
    if (head.startsWith("\xFF\xD8\xFF")) {
        return "jpeg";
    }
    if (head.startsWith("GIF87a") || head.startsWith("GIF89a")) {
        return "gif";
    }
    if (head.startsWith("\x89PNG\r\n\x1A\n")) {
        return "png";
    }
    return nullptr;
}

// Transparent parts are laid over white; everything ends up as Format_RGB32.
QImage toRgb32(QImage image) {
    if (!image.hasAlphaChannel()) {
        image.convertTo(QImage::Format_RGB32);
        return image;
    }
    image.convertTo(QImage::Format_ARGB32);
    QImage out(image.size(), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        auto* to = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = in[x];
            const int a = qAlpha(p);
            const auto over = [a](int c) { return (c * a + 255 * (255 - a) + 127) / 255; };
            to[x] = qRgb(over(qRed(p)), over(qGreen(p)), over(qBlue(p)));
        }
    }
    return out;
}

PictureResult refusal(int number, PictureRefusal why, QSize size = {}) {
    PictureResult result = failure(number);
    result.error->refusal = why;
    result.error->size = size;
    return result;
}

// A size the loader will not decode, or nothing when it may.
std::optional<PictureResult> sizeRefusal(QSize size, int maxWidth) {
    if (!size.isValid() || size.isEmpty()) {
        return std::nullopt; // no size known: the decoder's result is checked instead
    }
    if (qint64(size.width()) * size.height() > MaxPicturePixels || !acceptablePictureSize(size)) {
        return refusal(ErrOutOfMemory, PictureRefusal::TooManyPixels, size);
    }
    if (maxWidth > 0 && size.width() > maxWidth) {
        PictureResult result = refusal(ErrInvalidPicture, PictureRefusal::TooWide, size);
        result.error->limit = maxWidth;
        return result;
    }
    return std::nullopt;
}

PictureResult finish(QImage image, int maxWidth) {
    if (image.isNull() || image.width() <= 0 || image.height() <= 0) {
        return failure(ErrInvalidPicture);
    }
    if (std::optional<PictureResult> refused = sizeRefusal(image.size(), maxWidth)) {
        return *refused;
    }
    return PictureResult{toRgb32(std::move(image)), std::nullopt};
}

PictureResult decodeWmf(const QByteArray& data, int maxWidth) {
    return finish(renderWmf(data), maxWidth);
}

// Scans and size of a progressive JPEG that would take too long, checked before decoding.
std::optional<PictureResult> jpegRefusal(QIODevice* device, int maxWidth) {
    if (!device->seek(0)) {
        return failure(ErrInvalidPicture);
    }
    const std::optional<JpegLayout> layout = jpegLayout(device->readAll());
    if (!device->seek(0)) {
        return failure(ErrInvalidPicture);
    }
    if (!layout) {
        return std::nullopt; // left to the decoder, which will say it is broken
    }
    if (std::optional<PictureResult> refused = sizeRefusal(layout->size, maxWidth)) {
        return refused;
    }
    const qint64 pixels = qint64(layout->size.width()) * layout->size.height();
    if (layout->scans > MaxJpegScans || qint64(layout->scans) * pixels > MaxJpegScanPixels) {
        PictureResult result = refusal(ErrInvalidPicture, PictureRefusal::TooManyScans, layout->size);
        result.error->scans = layout->scans;
        return result;
    }
    return std::nullopt;
}

// Decodes a raster picture from device, whose first bytes are head.
PictureResult decodeRaster(QIODevice* device, const QByteArray& head, int maxWidth) {
    const char* format = rasterFormat(head);
    if (!format) {
        return failure(ErrInvalidPicture);
    }
    if (std::strcmp(format, "bmp") == 0) {
        const std::optional<BmpHeader> header = parseBmpHeader(head);
        if (!header) {
            return failure(ErrInvalidPicture);
        }
        if (std::optional<PictureResult> refused =
                sizeRefusal(QSize(header->width, header->height), maxWidth)) {
            return *refused;
        }
        // Qt's BMP reader fills a truncated file's missing rows with whatever it has; a cut-off
        // file is a broken file.
        if (!header->completeIn(device->size())) {
            return failure(ErrInvalidPicture);
        }
        if (std::optional<QImage> plain = readPlainBmp(*device, *header)) {
            return finish(std::move(*plain), maxWidth);
        }
        if (!device->seek(0)) {
            return failure(ErrInvalidPicture);
        }
        if (std::optional<QImage> rle = readRleBmp(*device, head)) {
            return finish(std::move(*rle), maxWidth);
        }
        if (!device->seek(0)) {
            return failure(ErrInvalidPicture);
        }
    }
    if (std::strcmp(format, "jpeg") == 0) {
        if (std::optional<PictureResult> refused = jpegRefusal(device, maxWidth)) {
            return *refused;
        }
    }
    // Qt's GIF reader does not tell the size in advance; the picture is its logical screen.
    if (std::strcmp(format, "gif") == 0 && head.size() >= 10) {
        const auto le16 = [&head](int at) { return int(quint8(head[at]) | (quint8(head[at + 1]) << 8)); };
        if (std::optional<PictureResult> refused = sizeRefusal(QSize(le16(6), le16(8)), maxWidth)) {
            return *refused;
        }
    }
    QImageReader reader(device, format);
    reader.setAutoTransform(false);
    // The size the header gives is checked before anything is decoded; a decoder that cannot
    // tell in advance is checked on its result.
    if (std::optional<PictureResult> refused = sizeRefusal(reader.size(), maxWidth)) {
        return *refused;
    }
    QImage image;
    if (!reader.read(&image)) {
        // Some decoders learn the size only while reading; a refusal then still says why.
        if (std::optional<PictureResult> refused = sizeRefusal(reader.size(), maxWidth)) {
            return *refused;
        }
        return failure(ErrInvalidPicture);
    }
    return finish(std::move(image), maxWidth);
}

quint16 be16(const QByteArray& data, qsizetype at) {
    return quint16((quint8(data[at]) << 8) | quint8(data[at + 1]));
}

} // namespace

std::optional<JpegLayout> jpegLayout(const QByteArray& data) {
    const qsizetype n = data.size();
    if (n < 4 || quint8(data[0]) != 0xFF || quint8(data[1]) != 0xD8) {
        return std::nullopt;
    }
    JpegLayout layout;
    qsizetype at = 2;
    while (at + 1 < n) {
        if (quint8(data[at]) != 0xFF) {
            return std::nullopt;
        }
        const quint8 marker = quint8(data[at + 1]);
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        if (marker == 0xD9) { // end of image
            break;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) { // no length follows
            at += 2;
            continue;
        }
        if (at + 4 > n) {
            break;
        }
        const int length = be16(data, at + 2);
        if (length < 2) {
            return std::nullopt;
        }
        // Start of frame: every SOFn but DHT (C4), JPG (C8) and DAC (CC).
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame && at + 9 <= n && layout.size.isEmpty()) {
            layout.size = QSize(be16(data, at + 7), be16(data, at + 5));
        }
        at += 2 + length;
        if (marker == 0xDA) {
            ++layout.scans;
            // Entropy-coded data runs to the next marker that is neither a stuffed 0xFF00 nor a restart.
            while (at + 1 < n) {
                if (quint8(data[at]) == 0xFF) {
                    const quint8 next = quint8(data[at + 1]);
                    if (next != 0x00 && !(next >= 0xD0 && next <= 0xD7) && next != 0xFF) {
                        break;
                    }
                }
                ++at;
            }
        }
    }
    return layout;
}

PictureError pictureError(int number) {
    QString description;
    switch (number) {
    case ErrOutOfMemory:
        description = QStringLiteral("メモリが不足しています。");
        break;
    case ErrFileNotFound:
        description = QStringLiteral("ファイルが見つかりません。");
        break;
    case ErrDiskIo:
        description = QStringLiteral("デバイス I/O エラーです。");
        break;
    case ErrDeviceUnavailable:
        description = QStringLiteral("デバイスが準備されていません。");
        break;
    case ErrPermissionDenied:
        description = QStringLiteral("アクセスが拒否されました。");
        break;
    case ErrPathFileAccess:
        description = QStringLiteral("パス名が無効です。");
        break;
    case ErrPathNotFound:
        description = QStringLiteral("パスが見つかりません。");
        break;
    case ErrInvalidPicture:
        description = QStringLiteral("ピクチャが無効です。");
        break;
    default:
        description = QStringLiteral("アプリケーション定義のエラーです。");
        break;
    }
    PictureError error;
    error.number = number;
    error.source = ErrorSource;
    error.description = description;
    return error;
}

QString refusalText(const PictureError& error) {
    const QString size = QString::number(error.size.width()) + QStringLiteral("×") +
                         QString::number(error.size.height()) + QStringLiteral("ピクセル");
    switch (error.refusal) {
    case PictureRefusal::None:
        break;
    case PictureRefusal::NotRegularFile:
        return QStringLiteral("通常のファイルではないため、画像として開けません。");
    case PictureRefusal::TooManyPixels:
        return QStringLiteral("画像が大きすぎます（") + size + QStringLiteral("）。読み込める画像は") +
               QString::number(MaxPicturePixels) + QStringLiteral("ピクセルまでです。");
    case PictureRefusal::TooWide:
        return QStringLiteral("画像の幅が大きすぎます（") + size + QStringLiteral("）。幅を") +
               QString::number(error.limit) + QStringLiteral("ピクセル以下にしてください。");
    case PictureRefusal::TooManyScans:
        return QStringLiteral("プログレッシブJPEGのスキャンが多すぎます（") + size + QStringLiteral("、") +
               QString::number(error.scans) + QStringLiteral("スキャン）。読み込みに時間がかかりすぎます。");
    }
    return {};
}

QString unreadablePictureMessage(const QString& path, const PictureError& error) {
    QString why = refusalText(error);
    if (why.isEmpty()) {
        why = error.number == ErrPermissionDenied
                  ? QStringLiteral("このファイルを読む許可がありません。")
                  : QStringLiteral("BMP、JPEG、GIF、WMFのいずれかの画像ファイルを指定してください。");
    }
    return QStringLiteral("「") + path + QStringLiteral("」を画像として読み込めませんでした。") +
           QStringLiteral("\r\n") + why;
}

QString runTimeErrorMessage(const PictureError& error) {
    const QString lineEnd = QStringLiteral("\r\n");
    // The number is shown with the blank that a non-negative number carries in its sign position.
    QString text = QStringLiteral("ｴﾗｰ番号 ") + QLatin1Char(' ') + QString::number(error.number) +
                   error.source + QStringLiteral(" でｴﾗｰが発生しました。") + lineEnd + error.description;
    if (const QString why = refusalText(error); !why.isEmpty()) {
        text += lineEnd + why;
    }
    if (!error.path.isEmpty()) {
        text += lineEnd + QStringLiteral("ファイル: ") + error.path;
    }
    return text;
}

namespace {

PictureResult loadPictureFile(const QString& path, int maxWidth) {
    if (path.isEmpty()) {
        return failure(ErrFileNotFound);
    }
    const QFileInfo info(path);
    if (!info.exists()) {
        // A missing folder (or a file where a folder should be) is a bad path, not a missing file.
        return failure(info.absoluteDir().exists() ? ErrFileNotFound : ErrPathNotFound);
    }
    if (info.isDir()) {
        return failure(ErrPathFileAccess);
    }
    if (!info.isFile()) {
        return refusal(ErrInvalidPicture, PictureRefusal::NotRegularFile);
    }
    // Opened without waiting and checked once more on the open file: a FIFO put in the file's
    // place since the check above must not block the program.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return failure(errno == EACCES || errno == EPERM ? ErrPermissionDenied : ErrDeviceUnavailable);
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return refusal(ErrInvalidPicture, PictureRefusal::NotRegularFile);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return failure(ErrDeviceUnavailable);
    }
    const QByteArray head = file.peek(HeadSize);
    if (file.error() != QFileDevice::NoError) {
        return failure(ErrDeviceUnavailable);
    }
    PictureResult result;
    if (looksLikeWmf(head)) {
        if (file.size() > MaxWmfFileSize) {
            return failure(ErrInvalidPicture);
        }
        result = decodeWmf(file.readAll(), maxWidth);
    } else {
        result = decodeRaster(&file, head, maxWidth);
    }
    // A read that broke off (a vanished network drive, a bad sector) is not the picture's fault.
    if (!result.ok() && file.error() != QFileDevice::NoError) {
        return failure(ErrDeviceUnavailable);
    }
    return result;
}

} // namespace

PictureResult loadPicture(const QString& path, int maxWidth) {
    PictureResult result = loadPictureFile(path, maxWidth);
    if (result.error) {
        result.error->path = path;
    }
    return result;
}

PictureResult loadPictureData(const QByteArray& data, int maxWidth) {
    if (looksLikeWmf(data)) {
        return decodeWmf(data, maxWidth);
    }
    QByteArray copy = data; // QBuffer wants a non-const array; this shares the bytes
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    return decodeRaster(&buffer, data.left(HeadSize), maxWidth);
}

namespace {

PictureError errorFor(int number, const QString& path) {
    PictureError error = pictureError(number);
    error.path = path;
    return error;
}

} // namespace

std::optional<PictureError> openForReplace(QSaveFile& file) {
    const QString path = file.fileName();
    if (path.isEmpty()) {
        return pictureError(ErrPathFileAccess);
    }
    const QFileInfo info(path);
    if (!info.absoluteDir().exists()) {
        return errorFor(ErrPathNotFound, path);
    }
    if (info.isDir()) {
        return errorFor(ErrPathFileAccess, path);
    }
    // The permission bits, not access(): an administrator must not silently replace a file the
    // user marked read-only.
    if (info.exists() && !(info.permissions() & QFileDevice::WriteOwner)) {
        return errorFor(ErrPermissionDenied, path);
    }
    if (!file.open(QIODevice::WriteOnly)) {
        const bool permission =
            file.error() == QFileDevice::PermissionsError || folderRefusesWrites(info.absolutePath());
        return errorFor(permission ? ErrPermissionDenied : ErrPathFileAccess, path);
    }
    return std::nullopt;
}

std::optional<PictureError> commitReplacement(QSaveFile& file) {
    // commit() closes the file without looking at the result of writing out the last buffer: on
    // a full disk it would put an empty or cut-off file in place of the old one. flush() tells.
    if (!file.flush()) {
        file.cancelWriting();
        return errorFor(ErrDiskIo, file.fileName());
    }
    if (!file.commit()) {
        return errorFor(ErrDiskIo, file.fileName());
    }
    return std::nullopt;
}

std::optional<PictureError> savePicture(const QImage& image, const QString& path, PictureFormat format) {
    if (image.isNull()) {
        return errorFor(ErrInvalidPicture, path);
    }
    QSaveFile file(path);
    if (std::optional<PictureError> error = openForReplace(file)) {
        return error;
    }
    // RGB32 has no alpha, so the BMP comes out with 24 bits per pixel and the PNG as plain RGB.
    const QImage rgb = image.format() == QImage::Format_RGB32 ? image : toRgb32(image);
    bool written = false;
    if (format == PictureFormat::Bmp) {
        written = writeBmp24(file, rgb);
    } else {
        QImageWriter writer(&file, "png");
        written = writer.write(rgb);
    }
    if (!written) {
        file.cancelWriting();
        return errorFor(ErrDiskIo, path);
    }
    return commitReplacement(file);
}

std::optional<PictureError> saveBmp(const QImage& image, const QString& path) {
    return savePicture(image, path, PictureFormat::Bmp);
}

std::optional<PictureError> savePng(const QImage& image, const QString& path) {
    return savePicture(image, path, PictureFormat::Png);
}

QImage tileFieldImage(const QImage& pattern, QSize size) {
    if (size.isEmpty()) {
        return {};
    }
    QImage field(size, QImage::Format_RGB32);
    if (field.isNull()) {
        return field;
    }
    field.fill(Qt::white);
    if (pattern.isNull() || pattern.width() <= 0 || pattern.height() <= 0) {
        return field;
    }
    const QImage tile = pattern.format() == QImage::Format_RGB32 ? pattern : toRgb32(pattern);
    const int tileWidth = tile.width();
    const int tileHeight = tile.height();
    // Row by row this is exactly the tiles drawn at (c * W2, r * H2), cut by the canvas.
    for (int y = 0; y < size.height(); ++y) {
        const uchar* source = tile.constScanLine(y % tileHeight);
        uchar* target = field.scanLine(y);
        for (int x = 0; x < size.width(); x += tileWidth) {
            const int count = std::min(tileWidth, size.width() - x);
            std::memcpy(target + std::size_t(x) * 4, source, std::size_t(count) * 4);
        }
    }
    return field;
}

} // namespace quarbel::platform
