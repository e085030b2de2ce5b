#pragma once

// Pictures in and out: BMP, JPEG, GIF, PNG and WMF read by content, BMP and PNG written atomically.
// Failures come back as values carrying the run-time error numbers the program reports.

#include "codecs/PictureLimits.h"

#include <QByteArray>
#include <QImage>
#include <QSaveFile>
#include <QSize>
#include <QString>
#include <optional>

namespace quarbel::platform {

// Error numbers of the picture operations.
inline constexpr int ErrOutOfMemory = 7;
inline constexpr int ErrFileNotFound = 53;
inline constexpr int ErrDiskIo = 57;
inline constexpr int ErrDeviceUnavailable = 68;
inline constexpr int ErrPermissionDenied = 70;
inline constexpr int ErrPathFileAccess = 75;
inline constexpr int ErrPathNotFound = 76;
inline constexpr int ErrInvalidPicture = 481;

using codecs::MaxPicturePixels;

// A progressive JPEG is decoded once per scan: the scans times the pixels bound the work, so that
// no picture keeps the program busy for more than a moment. Ordinary files have about ten scans.
inline constexpr qint64 MaxJpegScanPixels = qint64(4'000'000'000);
inline constexpr int MaxJpegScans = 1000;

using codecs::acceptablePictureSize;

// Why a file was refused before it was decoded; each says which limit, with its figures.
enum class PictureRefusal {
    None,
    NotRegularFile, // a folder, FIFO, device or socket: opening it could block forever
    TooManyPixels,
    TooWide,      // wider than the caller's limit
    TooManyScans, // a progressive JPEG that would take too long to decode
};

struct PictureError {
    int number = 0;
    QString source;      // who raised it: the application's name
    QString description; // the platform's text for the number
    QString path;        // the file concerned, when there is one
    PictureRefusal refusal = PictureRefusal::None;
    QSize size;    // the picture's size, for TooManyPixels and TooWide
    int limit = 0; // the width limit for TooWide
    int scans = 0; // for TooManyScans
};

struct PictureResult {
    QImage image; // Format_RGB32; null when error is set
    std::optional<PictureError> error;

    bool ok() const { return !error.has_value(); }
};

// The error with its standard source and description.
PictureError pictureError(int number);

// "ｴﾗｰ番号 " + the number with one leading blank + source + " でｴﾗｰが発生しました。" + CR LF + description;
// then, each on a line of its own, why a refused picture was refused and the file's path.
QString runTimeErrorMessage(const PictureError& error);

// The reason of a refusal in Japanese, or empty when the error is no refusal.
QString refusalText(const PictureError& error);

// The message for a chosen file that gave no picture: which file, and why (a limit it broke, no
// permission to read it) or the formats that are read.
QString unreadablePictureMessage(const QString& path, const PictureError& error);

// Reads a picture file, deciding the format by its content, never by its name. A picture with
// transparency is laid over white, as a metafile is drawn on white. Only regular files are opened.
// maxWidth (0: none) refuses a wider picture from its header, before it is decoded.
PictureResult loadPicture(const QString& path, int maxWidth = 0);
// The same for bytes already in memory (clipboard data, tests).
PictureResult loadPictureData(const QByteArray& data, int maxWidth = 0);

// Scans of a JPEG stream (its SOS markers) and the size its frame header gives; nullopt when the
// bytes are not a JPEG stream whose markers can be followed.
struct JpegLayout {
    QSize size;
    int scans = 0;
};
std::optional<JpegLayout> jpegLayout(const QByteArray& data);

enum class PictureFormat { Bmp, Png };

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
