#pragma once

// Public interface of the two converters. A run is driven one row per call so that the
// editor can yield to its event loop between rows; the CLI drives the same calls in a loop.

#include <cstdint>
#include <memory>
#include <string>

#include "engine/ConversionState.h"
#include "engine/IniReader.h"
#include "engine/PixelSurface.h"

namespace quarbel::engine {

// Parameters read at the start of every run (fresh or resumed).
struct ConversionParameters {
    int repeatWidth = 70; // KurikaesiHaba, pixels
    int depth = 20;       // Rittaido, tenths of a pixel per depth level
    int density = 30;     // Mitudo, percent (random dot only)

    // Rittaido / 10 rounded to single precision, as the shift computation expects.
    float depthFactor() const { return static_cast<float>(depth) / 10.0f; }

    // Reads KurikaesiHaba, Rittaido and Mitudo with defaults 70, 20, 30.
    static ConversionParameters read(const IniReader& reader, const std::string& iniPath);
};

// Uniform numbers in [0, 1).
class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual void seed(std::uint64_t seed) = 0;
    virtual double next() = 0;
};

// A fast generator; seedFromClock() is what a run of the editor uses.
std::unique_ptr<RandomSource> makeRandomSource();
std::uint64_t clockSeed();

enum class RowOutcome {
    Converted, // one row done, more to come
    Paused,    // PauseRequested was honoured before the row; the resume row is stored
    Closed,    // the window's Closing flag was seen; nothing else touched
    Finished,  // the last row is done; resume row reset and Converting cleared
};

// Common shape of a run: begin() once, then nextRow() until it returns something other than Converted.
class Converter {
public:
    virtual ~Converter() = default;
    // Engine side of the run's start: Converting = true, abort handling, clear on a fresh run,
    // parameters read from iniPath, Stereo image sized. The caller locks windows and sets menus.
    virtual void begin(const IniReader& reader, const std::string& iniPath) = 0;
    // Checks PauseRequested and Closing, then converts CurrentRow.
    virtual RowOutcome nextRow() = 0;
    virtual int width() const = 0;  // Stereo image size of this run, valid after begin()
    virtual int height() const = 0;
    virtual const ConversionParameters& parameters() const = 0;
};

// Random-dot stereogram from the Design image. monoOrColor is read whenever a dot is chosen:
// exactly "Mono" gives black and white, anything else the 16 dot colours.
std::unique_ptr<Converter> makeRandomDotConverter(ConversionState& state, RunFlags& flags,
                                                  const PixelSurface& design, RowSink& stereo,
                                                  RandomSource& random, const std::string& monoOrColor);

// Colour-field stereogram: size from the Field image, pattern from the Field image, depth from the Design image.
std::unique_ptr<Converter> makeColorFieldConverter(ConversionState& state, RunFlags& flags,
                                                   const PixelSurface& design, const PixelSurface& field,
                                                   RowSink& stereo);

// Drives a whole run (begin, then rows until the run ends). Returns the outcome that ended it.
RowOutcome runToEnd(Converter& converter, const IniReader& reader, const std::string& iniPath);

} // namespace quarbel::engine
