#pragma once

#include "engine/Colour.h"

#include <span>

namespace quarbel::engine {

// A picture as the converters see it: a size and rows of packed colours.
class PixelSurface {
public:
    virtual ~PixelSurface() = default;
    virtual int width() const = 0;
    virtual int height() const = 0;
    // Fills out[x] with the packed colour of (x, y) for x in [0, out.size());
    // points outside the picture (x >= width, y outside 0..height-1) read as -1.
    virtual void readRow(int y, std::span<Packed> out) const = 0;
};

// Where a converter writes the Stereo image.
class RowSink {
public:
    virtual ~RowSink() = default;
    // Sets the Stereo image's size. Pixels inside both the old and the new size keep their colours
    // (a resumed run resizes to the same size and relies on the rows already drawn staying);
    // the others are undefined until cleared or written.
    virtual void resize(int width, int height) = 0;
    // Sets every pixel to the background colour.
    virtual void clear() = 0;
    // Writes row y; colours.size() is the width given to resize().
    virtual void writeRow(int y, std::span<const Packed> colours) = 0;
    // Whether the picture can be seen while a run draws it (the editor's pane). One that cannot (a
    // file the batch converter writes) is not cleared before a fresh run, which writes every row
    // anyway: a fresh run that stops early sets the rows it did not reach to the background colour
    // through writeRow instead, so the picture then is what a clear and those rows would have made.
    virtual bool shownWhileDrawn() const { return true; }
};

} // namespace quarbel::engine
