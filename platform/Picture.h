#pragma once

// Pictures in and out: BMP, JPEG, GIF, PNG and WMF read by content, BMP and PNG written atomically.
// Failures come back as values carrying the run-time error numbers the program reports.

#include <QByteArray>
#include <QImage>
#include <QSaveFile>
#include <QSize>
#include <QString>
#include <optional>

namespace quarbel::platform {

// Error numbers of the picture operations.
inline constexpr int ErrFileNotFound = 53;
inline constexpr int ErrDiskIo = 57;
inline constexpr int ErrDeviceUnavailable = 68;
inline constexpr int ErrPermissionDenied = 70;
inline constexpr int ErrPathFileAccess = 75;
inline constexpr int ErrPathNotFound = 76;
inline constexpr int ErrInvalidPicture = 481;

// Decoded pictures larger than this in either direction are refused as invalid rather than
// allocated: nothing the editor does needs them, and a forged header must not exhaust memory.
inline constexpr int MaxPictureDimension = 16384;

// True for sizes the loader decodes: both sides 1..MaxPictureDimension and within Qt's allocation limit.
bool acceptablePictureSize(QSize size);

struct PictureError {
    int number = 0;
    QString source;      // who raised it: the application's name
    QString description; // the platform's text for the number
};

struct PictureResult {
    QImage image; // Format_RGB32; null when error is set
    std::optional<PictureError> error;

    bool ok() const { return !error.has_value(); }
};

// The error with its standard source and description.
PictureError pictureError(int number);

// "ｴﾗｰ番号 " + the number with one leading blank + source + " でｴﾗｰが発生しました。" + CR LF + description.
QString runTimeErrorMessage(const PictureError& error);

// Reads a picture file, deciding the format by its content, never by its name. A picture with
// transparency is laid over white, as a metafile is drawn on white.
PictureResult loadPicture(const QString& path);
// The same for bytes already in memory (clipboard data, tests).
PictureResult loadPictureData(const QByteArray& data);

enum class PictureFormat { Bmp, Png };

// Opens file (named already) for an atomic replacement, after the checks every picture write makes:
// the folder exists, the name is not a folder, an existing file is not marked read-only.
std::optional<PictureError> openForReplace(QSaveFile& file);

// Writes image as a 24-bit BMP or an RGB PNG. The file is replaced only once it is complete:
// a failure (missing folder, read-only file, full disk) leaves no partial file and keeps an old one.
std::optional<PictureError> savePicture(const QImage& image, const QString& path, PictureFormat format);
std::optional<PictureError> saveBmp(const QImage& image, const QString& path);
std::optional<PictureError> savePng(const QImage& image, const QString& path);

// The Field image built from a small pattern: copies of the pattern at its own size, with their
// top-left corners at (c * pattern width, r * pattern height), cut off at the right and bottom edges.
// A null or empty pattern gives a white picture of the requested size.
QImage tileFieldImage(const QImage& pattern, QSize size);

} // namespace quarbel::platform
