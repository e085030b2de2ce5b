#include "platform/Picture.h"

#include "platform/BmpCodec.h"
#include "platform/BmpRle.h"
#include "platform/WmfPicture.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>
#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace quarbel::platform {

namespace {

const QString ErrorSource = QStringLiteral("Quarbel");

// Metafiles are small; anything bigger is not one we could draw.
constexpr qint64 MaxWmfFileSize = 64 * 1024 * 1024;

// Enough of the start of a file to tell the formats apart and to check a BMP header.
constexpr qint64 HeadSize = 64;

PictureResult failure(int number) {
    return PictureResult{QImage(), pictureError(number)};
}

quint32 readLe32(const QByteArray& data, int at) {
    const auto* p = reinterpret_cast<const unsigned char*>(data.constData()) + at;
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

quint16 readLe16(const QByteArray& data, int at) {
    const auto* p = reinterpret_cast<const unsigned char*>(data.constData()) + at;
    return quint16(p[0] | (p[1] << 8));
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

// Qt's BMP reader fills a truncated file's missing rows with whatever it has; a cut-off file is
// a broken file, so uncompressed bitmaps must hold all the pixel bytes their header promises.
bool bmpComplete(const QByteArray& head, qint64 fileSize) {
    if (head.size() < 26) {
        return false;
    }
    const qint64 offBits = readLe32(head, 10);
    const quint32 infoSize = readLe32(head, 14);
    qint64 width = 0;
    qint64 height = 0;
    qint64 bitCount = 0;
    quint32 compression = 0;
    if (infoSize == 12) {
        width = readLe16(head, 18);
        height = readLe16(head, 20);
        bitCount = readLe16(head, 24);
    } else if (infoSize >= 40 && head.size() >= 34) {
        width = static_cast<qint32>(readLe32(head, 18));
        height = std::llabs(static_cast<qint32>(readLe32(head, 22)));
        bitCount = readLe16(head, 28);
        compression = readLe32(head, 30);
    } else {
        return false;
    }
    // The header itself must lie inside the file: a reader that goes looking for the rest of it past
    // the end gets different answers from a file and from memory.
    if (offBits > fileSize || 14 + qint64(infoSize) > fileSize || width <= 0 || height <= 0) {
        return false;
    }
    constexpr quint32 Rgb = 0, BitFields = 3, AlphaBitFields = 6;
    if (compression != Rgb && compression != BitFields && compression != AlphaBitFields) {
        return true; // run-length data has no fixed size to check
    }
    const qint64 stride = ((width * bitCount + 31) / 32) * 4;
    // Divided rather than multiplied: a forged header's stride times height overflows 64 bits.
    return stride > 0 && height <= (fileSize - offBits) / stride;
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

PictureResult finish(QImage image) {
    if (image.isNull() || !acceptablePictureSize(image.size())) {
        return failure(ErrInvalidPicture);
    }
    return PictureResult{toRgb32(std::move(image)), std::nullopt};
}

PictureResult decodeWmf(const QByteArray& data) {
    return finish(renderWmf(data));
}

// Decodes a raster picture from device, whose first bytes are head.
PictureResult decodeRaster(QIODevice* device, const QByteArray& head) {
    const char* format = rasterFormat(head);
    if (!format) {
        return failure(ErrInvalidPicture);
    }
    if (std::strcmp(format, "bmp") == 0) {
        if (!bmpComplete(head, device->size())) {
            return failure(ErrInvalidPicture);
        }
        if (std::optional<QImage> plain = readPlainBmp(*device, head)) {
            return finish(std::move(*plain));
        }
        if (!device->seek(0)) {
            return failure(ErrInvalidPicture);
        }
        if (std::optional<QImage> rle = readRleBmp(*device, head)) {
            return finish(std::move(*rle));
        }
        if (!device->seek(0)) {
            return failure(ErrInvalidPicture);
        }
    }
    QImageReader reader(device, format);
    reader.setAutoTransform(false);
    // A size the header gives is checked before anything is allocated; a decoder that cannot tell
    // in advance is checked on its result.
    const QSize announced = reader.size();
    if (announced.isValid() && !acceptablePictureSize(announced)) {
        return failure(ErrInvalidPicture);
    }
    QImage image;
    if (!reader.read(&image)) {
        return failure(ErrInvalidPicture);
    }
    return finish(std::move(image));
}

} // namespace

bool acceptablePictureSize(QSize size) {
    if (!size.isValid() || size.isEmpty() || size.width() > MaxPictureDimension ||
        size.height() > MaxPictureDimension) {
        return false;
    }
    // Qt refuses decodes above its allocation limit; find out before it prints a warning about it.
    const qint64 bytes = qint64(size.width()) * size.height() * 4;
    return bytes <= qint64(QImageReader::allocationLimit()) * 1024 * 1024;
}

PictureError pictureError(int number) {
    QString description;
    switch (number) {
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
    return PictureError{number, ErrorSource, description};
}

QString runTimeErrorMessage(const PictureError& error) {
    // The number is shown with the blank that a non-negative number carries in its sign position.
    return QStringLiteral("ｴﾗｰ番号 ") + QLatin1Char(' ') + QString::number(error.number) + error.source +
           QStringLiteral(" でｴﾗｰが発生しました。") + QStringLiteral("\r\n") + error.description;
}

PictureResult loadPicture(const QString& path) {
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
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return failure(file.error() == QFileDevice::PermissionsError ? ErrPermissionDenied
                                                                     : ErrDeviceUnavailable);
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
        result = decodeWmf(file.readAll());
    } else {
        result = decodeRaster(&file, head);
    }
    // A read that broke off (a vanished network drive, a bad sector) is not the picture's fault.
    if (!result.ok() && file.error() != QFileDevice::NoError) {
        return failure(ErrDeviceUnavailable);
    }
    return result;
}

PictureResult loadPictureData(const QByteArray& data) {
    if (looksLikeWmf(data)) {
        return decodeWmf(data);
    }
    QByteArray copy = data; // QBuffer wants a non-const array; this shares the bytes
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    return decodeRaster(&buffer, data.left(HeadSize));
}

std::optional<PictureError> openForReplace(QSaveFile& file) {
    const QString path = file.fileName();
    if (path.isEmpty()) {
        return pictureError(ErrPathFileAccess);
    }
    const QFileInfo info(path);
    if (!info.absoluteDir().exists()) {
        return pictureError(ErrPathNotFound);
    }
    if (info.isDir()) {
        return pictureError(ErrPathFileAccess);
    }
    // The permission bits, not access(): an administrator must not silently replace a file the
    // user marked read-only.
    if (info.exists() && !(info.permissions() & QFileDevice::WriteOwner)) {
        return pictureError(ErrPermissionDenied);
    }
    if (!file.open(QIODevice::WriteOnly)) {
        return pictureError(file.error() == QFileDevice::PermissionsError ? ErrPermissionDenied
                                                                          : ErrPathFileAccess);
    }
    return std::nullopt;
}

std::optional<PictureError> savePicture(const QImage& image, const QString& path, PictureFormat format) {
    if (image.isNull()) {
        return pictureError(ErrInvalidPicture);
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
        return pictureError(ErrDiskIo);
    }
    if (!file.commit()) {
        return pictureError(ErrDiskIo);
    }
    return std::nullopt;
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
