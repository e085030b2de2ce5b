#pragma once

// Pictures in and out: BMP, JPEG, GIF, PNG and WMF read by content, BMP and PNG written atomically.
// Failures come back as values carrying the run-time error numbers the program reports.

#include "codecs/PictureLimits.h"
#include "platform/RunTimeError.h"

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QSaveFile>
#include <QSize>
#include <QString>
#include <optional>

namespace quarbel::platform {

using codecs::MaxPicturePixels;

// A progressive JPEG is decoded once per scan: the scans times the pixels bound the work, so that
// no picture keeps the program busy for more than a moment (at this bound about 2 s of processor
// time on a small machine). Ordinary files have about ten scans.
inline constexpr qint64 MaxJpegScanPixels = qint64(3'000'000'000);
inline constexpr int MaxJpegScans = 1000;

using codecs::acceptablePictureSize;

// Pictures fail with the program's one run-time error value.
using PictureError = RunTimeError;

struct PictureResult {
    QImage image; // Format_RGB32; null when error is set
    std::optional<PictureError> error;

    bool ok() const { return !error.has_value(); }
};

// The error with its standard source and description.
inline PictureError pictureError(int number) {
    return runTimeError(number);
}

// The message for a chosen file that gave no picture: which file, and why (a limit it broke, no
// permission to read it) or the formats that are read.
QString unreadablePictureMessage(const QString& path, const PictureError& error);

// Reads a picture file, deciding the format by its content, never by its name. A picture with
// transparency is laid over white, as a metafile is drawn on white. Only regular files are opened.
// maxWidth (0: none) refuses a wider picture from its header, before it is decoded.
PictureResult loadPicture(const QString& path, int maxWidth = 0);
// The same for bytes already in memory (clipboard data, tests).
PictureResult loadPictureData(const QByteArray& data, int maxWidth = 0);

// Scans of a JPEG stream (its SOS markers) and the size its frame header gives, counted as the
// decoder reads the stream: bytes between segments are skipped, not taken as the end; nullopt
// when the bytes do not start a JPEG stream.
struct JpegLayout {
    QSize size;
    int scans = 0;
    bool complete = false; // the end-of-image marker was reached
};
std::optional<JpegLayout> jpegLayout(const QByteArray& data);

// Opens path for reading only if it is a regular file, without ever blocking on a FIFO or device.
std::optional<PictureError> openRegularFile(const QString& path, QFile& file);

// Collects what the image libraries say while decoding instead of letting it reach the terminal:
// through Qt's message handler and, with standardError (for libpng, whose error handler writes
// there itself), what is written to standard error. A complaint means the picture is damaged.
class DecoderMessages {
public:
    explicit DecoderMessages(bool standardError = false);
    ~DecoderMessages();
    DecoderMessages(const DecoderMessages&) = delete;
    DecoderMessages& operator=(const DecoderMessages&) = delete;
    bool any() const;

private:
    QtMessageHandler m_previous;
    int m_start;
    int m_savedStderr = -1;
    int m_capture = -1;
};

// Qt's allocation limit is set for 32-bit pixels, which the size limits above count in; a PNG with
// 16 bits per sample decodes to 64-bit pixels first. While this lives, the limit grows by as much
// as a picture of format needs, so that such a picture within the limits is read. Only for PNG:
// other readers may not have set the format before reading.
class DeepPixelAllowance {
public:
    explicit DeepPixelAllowance(QImage::Format format);
    ~DeepPixelAllowance();
    DeepPixelAllowance(const DeepPixelAllowance&) = delete;
    DeepPixelAllowance& operator=(const DeepPixelAllowance&) = delete;

private:
    int m_previous;
};

// True when a PNG stream's chunks run whole up to its IEND chunk.
bool pngIsWhole(QIODevice& device);
// True when a GIF stream's blocks run whole up to its trailer.
bool gifIsWhole(const QByteArray& data);

enum class PictureFormat { Bmp, Png };

// The format a name asks for by its extension (".png" or ".bmp", any case); otherwise for another
// extension or none.
PictureFormat pictureFormatForName(const QString& path, PictureFormat otherwise);

// Opens file (named already) for an atomic replacement, after the checks every picture write makes:
// the folder exists, the name is not a folder, an existing file is not marked read-only.
std::optional<PictureError> openForReplace(QSaveFile& file);
// Completes a replacement opened by openForReplace: every buffered byte must reach the disk before
// the old file is replaced. On failure nothing is left and the old file stays.
std::optional<PictureError> commitReplacement(QSaveFile& file);

// Writes image as a 24-bit BMP or an RGB PNG. The file is replaced only once it is complete:
// a failure (missing folder, read-only file, full disk) leaves no partial file and keeps an old one.
std::optional<PictureError> savePicture(const QImage& image, const QString& path, PictureFormat format);
std::optional<PictureError> saveBmp(const QImage& image, const QString& path);

// The size of the file saveBmp writes for image: a 24-bit BMP, rows padded to four bytes.
constexpr qint64 bmpFileSize(int width, int height) {
    return 54 + ((qint64{width} * 3 + 3) / 4 * 4) * qint64{height};
}
std::optional<PictureError> savePng(const QImage& image, const QString& path);

// The Field image built from a small pattern: copies of the pattern at its own size, with their
// top-left corners at (c * pattern width, r * pattern height), cut off at the right and bottom edges.
// A null or empty pattern gives a white picture of the requested size.
QImage tileFieldImage(const QImage& pattern, QSize size);

} // namespace quarbel::platform
