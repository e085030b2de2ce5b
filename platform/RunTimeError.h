#pragma once

// The one error value of the lower layers: a run-time error number with its source and
// description, and the details of a refused file. Loading a picture, writing a file and starting a
// program all fail with it; only the caller shows it, as runTimeErrorMessage lays it out.

#include <QSize>
#include <QString>

namespace quarbel::platform {

inline constexpr int ErrOutOfMemory = 7;
inline constexpr int ErrFileNotFound = 53;
inline constexpr int ErrDiskIo = 57;
inline constexpr int ErrDeviceUnavailable = 68;
inline constexpr int ErrPermissionDenied = 70;
inline constexpr int ErrPathFileAccess = 75;
inline constexpr int ErrPathNotFound = 76;
inline constexpr int ErrInvalidPicture = 481;

// Why a file was refused before it was decoded; each says which limit, with its figures.
enum class PictureRefusal {
    None,
    NotRegularFile,     // a folder, FIFO, device or socket: opening it could block forever
    NotRegularDocument, // the same, chosen as a document
    TooManyPixels,
    TooWide,      // wider than the caller's limit
    TooManyScans, // a progressive JPEG that would take too long to decode
    Damaged,      // the data ends early or the decoder found it broken
};

struct RunTimeError {
    int number = 0;
    QString source;      // who raised it: the application's name
    QString description; // the platform's text for the number
    QString path;        // the file concerned, when there is one
    PictureRefusal refusal = PictureRefusal::None;
    QSize size;    // the picture's size, for TooManyPixels and TooWide
    int limit = 0; // the width limit for TooWide
    int scans = 0; // for TooManyScans
};

// The error with its standard source and description.
RunTimeError runTimeError(int number);

// "ｴﾗｰ番号 " + the number with one leading blank + source + " でｴﾗｰが発生しました。" + CR LF + description;
// then, each on a line of its own, why a refused picture was refused and the file's path.
QString runTimeErrorMessage(const RunTimeError& error);

// The reason of a refusal in Japanese, or empty when the error is no refusal.
QString refusalText(const RunTimeError& error);

} // namespace quarbel::platform
