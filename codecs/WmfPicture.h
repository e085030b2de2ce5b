#pragma once

// Windows Metafiles drawn into a raster picture.

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

namespace quarbel::codecs {

// True when data starts like a placeable or a plain WMF.
bool looksLikeWmf(const QByteArray& data);

struct WmfRenderOptions {
    // Pictures larger than this in either direction are refused rather than allocated.
    int maxSide = 8192;
    // Pixels that all records together may touch before drawing stops (a fill of the whole
    // picture costs its area), so that a small hostile file cannot keep the program busy.
    qint64 maxWork = qint64(3) << 30;
    // A last guard for whatever the estimate of the work misses: drawing stops after this many
    // milliseconds of wall-clock time (0: no limit).
    qint64 maxMilliseconds = 10000;
};

// What happened while drawing, for callers that want to know more than the picture.
struct WmfRenderReport {
    int records = 0;               // records read, the end record not counted
    int unsupported = 0;           // records of kinds that are skipped
    int invalid = 0;               // records skipped for parameters that do not fit or make no sense
    bool sawEof = false;           // the end record was reached
    bool malformed = false;        // reading stopped at a record that did not fit the file
    bool workLimitReached = false; // drawing stopped early, see WmfRenderOptions::maxWork
    bool timeLimitReached = false; // drawing stopped early, see WmfRenderOptions::maxMilliseconds
};

// The picture's size in pixels without drawing it: the placeable bounding box at 96 dots per inch,
// rounded to the nearest pixel, or else the window extent. An invalid size and a reason when there
// is none or it is larger than maxSide.
QSize wmfPictureSize(const QByteArray& data, int maxSide = WmfRenderOptions{}.maxSide,
                     QString* error = nullptr);

// Draws the metafile on a white background; a null image and a reason in *error when it cannot.
// Text needs a QGuiApplication; without one the text records are skipped.
QImage renderWmf(const QByteArray& data, QString* error = nullptr);
QImage renderWmf(const QByteArray& data, const WmfRenderOptions& options, QString* error = nullptr,
                 WmfRenderReport* report = nullptr);

} // namespace quarbel::codecs
