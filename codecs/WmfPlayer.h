#pragma once

// Plays metafile records onto an image the way the Windows graphics interface plays them into a
// device context: object table, saved states, mapping modes, clipping, pens, brushes and fonts.

#include "codecs/WmfFormat.h"

#include <QImage>
#include <QPoint>

namespace quarbel::codecs::wmf {

struct PlayLimits {
    // Pixels touched by all records together (a fill of the whole picture costs its area). Drawing
    // stops once it is used up, so a small file cannot keep the program busy for minutes.
    qint64 maxWork = qint64(3) << 30;
    // Largest bitmap a record may carry.
    qint64 maxBitmapPixels = qint64(8192) * 8192;
    // Deepest stack of saved states.
    int maxSavedStates = 1024;
    // Wall-clock time after which drawing stops, whatever the estimate of the work said; 0 for none.
    qint64 maxMilliseconds = 10000;
};

struct PlayReport {
    int records = 0;     // records read, the end record not counted
    int unsupported = 0; // records of kinds that are not drawn
    int invalid = 0;     // records skipped for parameters that do not fit or make no sense
    bool sawEof = false;
    bool malformed = false;        // the walk stopped at a record that did not fit the file
    bool workLimitReached = false; // drawing stopped early, see PlayLimits::maxWork
    bool timeLimitReached = false; // drawing stopped early, see PlayLimits::maxMilliseconds
};

// Where logical coordinates start: this window is mapped onto the whole image.
struct InitialWindow {
    QPoint origin;
    QPoint extent; // may be negative on either axis; never zero
};

// Plays the records of data from header.recordsOffset onto image (which the caller has sized and
// filled). The painter draws without anti-aliasing, so every filled pixel has exactly its colour.
PlayReport playRecords(QImage& image, ByteView data, const Header& header, InitialWindow window,
                       const PlayLimits& limits);

} // namespace quarbel::codecs::wmf
