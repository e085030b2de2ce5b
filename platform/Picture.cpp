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
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quarbel::platform {

using namespace codecs;

namespace {

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

PictureResult damaged() {
    return refusal(ErrInvalidPicture, PictureRefusal::Damaged);
}

std::atomic<int> decoderMessageCount{0};

void collectDecoderMessage(QtMsgType, const QMessageLogContext&, const QString&) {
    ++decoderMessageCount;
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
    const DecoderMessages quiet;
    WmfRenderReport report;
    QImage image = renderWmf(data, WmfRenderOptions{}, nullptr, &report);
    // A metafile whose records stop short of the end record, or run past the file, was cut off.
    if (!image.isNull() && (report.malformed || !report.sawEof)) {
        return damaged();
    }
    return finish(std::move(image), maxWidth);
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
    if (!layout->complete) {
        return damaged(); // the decoder would fill the missing rows with grey
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
            return damaged();
        }
        if (std::optional<QImage> plain = readPlainBmp(*device, *header)) {
            return finish(std::move(*plain), maxWidth);
        }
        if (!device->seek(0)) {
            return failure(ErrInvalidPicture);
        }
        bool cutOff = false;
        if (std::optional<QImage> rle = readRleBmp(*device, head, &cutOff)) {
            return cutOff ? damaged() : finish(std::move(*rle), maxWidth);
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
        // Qt's GIF reader shows a cut-off picture as far as it got, without a word.
        const bool whole = device->seek(0) && gifIsWhole(device->readAll());
        if (!whole || !device->seek(0)) {
            return damaged();
        }
    }
    if (std::strcmp(format, "png") == 0 && !pngIsWhole(*device)) {
        return damaged();
    }
    const bool png = std::strcmp(format, "png") == 0;
    const DecoderMessages complaints(png);
    QImageReader reader(device, format);
    reader.setAutoTransform(false);
    // The size the header gives is checked before anything is decoded; a decoder that cannot
    // tell in advance is checked on its result.
    if (std::optional<PictureResult> refused = sizeRefusal(reader.size(), maxWidth)) {
        return *refused;
    }
    QImage image;
    const DeepPixelAllowance deep(png ? reader.imageFormat() : QImage::Format_Invalid);
    if (!reader.read(&image)) {
        // Some decoders learn the size only while reading; a refusal then still says why.
        if (std::optional<PictureResult> refused = sizeRefusal(reader.size(), maxWidth)) {
            return *refused;
        }
        return complaints.any() ? damaged() : failure(ErrInvalidPicture);
    }
    // A decoder that warns has filled in what it could not read (libjpeg's grey rows).
    if (complaints.any()) {
        return damaged();
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
        // The decoder looks for the next marker past any other bytes (it warns about them), so
        // they must not end the count: scans behind a stray byte are decoded all the same.
        if (quint8(data[at]) != 0xFF) {
            ++at;
            continue;
        }
        const quint8 marker = quint8(data[at + 1]);
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        if (marker == 0x00) { // a stuffed zero outside a scan: skipped as well
            at += 2;
            continue;
        }
        if (marker == 0xD9) { // end of image
            layout.complete = true;
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

bool pngIsWhole(QIODevice& device) {
    const qint64 size = device.size();
    qint64 at = 8; // past the signature
    bool whole = false;
    while (at + 12 <= size && device.seek(at)) {
        const QByteArray chunk = device.read(8);
        if (chunk.size() != 8) {
            break;
        }
        const qint64 length = (qint64(quint8(chunk[0])) << 24) | (quint8(chunk[1]) << 16) |
                              (quint8(chunk[2]) << 8) | quint8(chunk[3]);
        at += 12 + length; // length, type, data, CRC
        if (chunk.mid(4, 4) == "IEND") {
            whole = at <= size;
            break;
        }
    }
    return device.seek(0) && whole;
}

bool gifIsWhole(const QByteArray& data) {
    const qsizetype n = data.size();
    if (n < 13) {
        return false;
    }
    const auto colourTable = [](quint8 flags) { return (flags & 0x80) ? 3 * (2 << (flags & 7)) : 0; };
    qsizetype at = 13 + colourTable(quint8(data[10]));
    // Data sub-blocks: a length byte and that many bytes, up to a zero length.
    const auto skipBlocks = [&] {
        while (at < n) {
            const int length = quint8(data[at++]);
            if (length == 0) {
                return true;
            }
            at += length;
        }
        return false;
    };
    while (at < n) {
        const quint8 introducer = quint8(data[at]);
        if (introducer == 0x3B) { // trailer
            return true;
        }
        if (introducer == 0x21) { // extension: label, then sub-blocks
            at += 2;
        } else if (introducer == 0x2C) { // image: descriptor, colour table, code size, sub-blocks
            if (at + 10 > n) {
                return false;
            }
            at += 10 + colourTable(quint8(data[at + 9])) + 1;
        } else {
            return false;
        }
        if (!skipBlocks()) {
            return false;
        }
    }
    return false;
}

DecoderMessages::DecoderMessages(bool standardError)
    : m_previous(qInstallMessageHandler(collectDecoderMessage)), m_start(decoderMessageCount.load()) {
    if (!standardError) {
        return;
    }
    std::fflush(stderr);
    m_capture = ::memfd_create("quarbel-decoder-messages", MFD_CLOEXEC);
    m_savedStderr = m_capture >= 0 ? ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0) : -1;
    if (m_savedStderr >= 0) {
        ::dup2(m_capture, STDERR_FILENO);
    }
}

DecoderMessages::~DecoderMessages() {
    if (m_savedStderr >= 0) {
        std::fflush(stderr);
        ::dup2(m_savedStderr, STDERR_FILENO);
        ::close(m_savedStderr);
    }
    if (m_capture >= 0) {
        ::close(m_capture);
    }
    qInstallMessageHandler(m_previous);
}

DeepPixelAllowance::DeepPixelAllowance(QImage::Format format) : m_previous(QImageReader::allocationLimit()) {
    const int bits = format == QImage::Format_Invalid ? 32 : QImage::toPixelFormat(format).bitsPerPixel();
    if (bits > 32 && m_previous > 0) {
        QImageReader::setAllocationLimit(m_previous * (bits / 32));
    }
}

DeepPixelAllowance::~DeepPixelAllowance() {
    QImageReader::setAllocationLimit(m_previous);
}

bool DecoderMessages::any() const {
    if (decoderMessageCount.load() != m_start) {
        return true;
    }
    std::fflush(stderr);
    struct stat written {};
    return m_capture >= 0 && ::fstat(m_capture, &written) == 0 && written.st_size > 0;
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

std::optional<PictureError> openRegularFile(const QString& path, QFile& file) {
    if (path.isEmpty()) {
        return pictureError(ErrFileNotFound);
    }
    const QFileInfo info(path);
    if (!info.exists()) {
        // A missing folder (or a file where a folder should be) is a bad path, not a missing file.
        return pictureError(info.absoluteDir().exists() ? ErrFileNotFound : ErrPathNotFound);
    }
    if (info.isDir()) {
        return pictureError(ErrPathFileAccess);
    }
    if (!info.isFile()) {
        return refusal(ErrInvalidPicture, PictureRefusal::NotRegularFile).error;
    }
    // Opened without waiting and checked once more on the open file: a FIFO put in the file's
    // place since the check above must not block the program.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return pictureError(errno == EACCES || errno == EPERM ? ErrPermissionDenied : ErrDeviceUnavailable);
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return refusal(ErrInvalidPicture, PictureRefusal::NotRegularFile).error;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return pictureError(ErrDeviceUnavailable);
    }
    return std::nullopt;
}

namespace {

PictureResult loadPictureFile(const QString& path, int maxWidth) {
    QFile file;
    if (std::optional<PictureError> error = openRegularFile(path, file)) {
        return PictureResult{QImage(), std::move(error)};
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
    // RGB32 has no alpha, so the BMP comes out with 24 bits per pixel and the PNG as plain RGB; a
    // 16-bit grey map keeps its 16 bits in a PNG.
    const bool keep = image.format() == QImage::Format_RGB32 ||
                      (format == PictureFormat::Png && image.format() == QImage::Format_Grayscale16);
    const QImage rgb = keep ? image : toRgb32(image);
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

PictureFormat pictureFormatForName(const QString& path, PictureFormat otherwise) {
    const QString suffix = QFileInfo(path).suffix();
    if (suffix.compare(QLatin1String("png"), Qt::CaseInsensitive) == 0) {
        return PictureFormat::Png;
    }
    if (suffix.compare(QLatin1String("bmp"), Qt::CaseInsensitive) == 0) {
        return PictureFormat::Bmp;
    }
    return otherwise;
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
