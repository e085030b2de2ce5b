#pragma once

// Public interface of the two converters. A run is driven one row per call so that the
// editor can yield to its event loop between rows; the CLI drives the same calls in a loop.
//
// Driving a run:
//     auto converter = makeRandomDotConverter(state, flags, design, stereo, *random, monoOrColor);
//     converter->begin(parameters);      // throws std::invalid_argument for a picture wider
//                                        // than state.MaxWidth; nothing is touched then
//     for (;;) {                         // the editor: one nextRow() per event-loop turn
//         RowOutcome outcome = converter->nextRow();
//         // rows up to state.CurrentRow - 1 are written: repaint row state.CurrentRow - 1
//         // after Converted and Finished
//         if (outcome != RowOutcome::Converted) {
//             break;
//         }
//     }
// Pausing: set flags.PauseRequested; the next nextRow() stores the resume row and returns Paused.
// Continuing: call begin() again (same or a new converter on the same ConversionState) with the
// parameters as they are now; it continues at the stored row. Aborting: set PauseRequested and
// AbortRequested; the next begin() starts afresh at row 0 with a cleared Stereo image.

#include "engine/ConversionState.h"
#include "engine/PixelSurface.h"
#include "engine/Random.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace quarbel::engine {

// The parameters of one run (fresh or resumed), handed in by the caller; where they come from and
// what they default to is the document's business. Values outside the usual ranges (a hand-edited
// file) are used as they are; the converters stay inside their buffers for any value.
struct ConversionParameters {
    int repeatWidth = 0; // pixels
    int depth = 0;       // tenths of a pixel per depth level
    int density = 0;     // percent of lit dots (random dot only)

    // depth / 10 rounded to single precision, as the shift computation expects.
    float depthFactor() const { return static_cast<float>(static_cast<double>(depth) / 10.0); }

    friend bool operator==(const ConversionParameters&, const ConversionParameters&) = default;
};

enum class RowOutcome {
    Converted, // one row done, more to come
    Paused,    // PauseRequested was honoured before the row; the resume row is stored
    Closed,    // the window's Closing flag was seen (and cleared); no other flag touched (an
               // uncleared picture still gets its unreached rows whitened)
    Finished,  // the last row is done; resume row reset and Converting cleared
};

// Common shape of a run: begin() once, then nextRow() until it returns something other than Converted.
class Converter {
public:
    virtual ~Converter() = default;
    // Engine side of the run's start: Converting = true, abort handling, the parameters taken,
    // Stereo image sized (and cleared on a fresh run). The caller locks windows and sets menus.
    // Throws std::invalid_argument, changing nothing, when the picture that gives the size is wider
    // than the state's MaxWidth (callers refuse such pictures first and show their own message).
    virtual void begin(const ConversionParameters& parameters) = 0;
    // Checks PauseRequested and Closing, then converts CurrentRow. Once the run has ended (Paused,
    // Closed, Finished) further calls return that outcome again and touch nothing until the next
    // begin(); a call before any begin() throws std::logic_error.
    virtual RowOutcome nextRow() = 0;
    virtual int width() const = 0; // Stereo image size of this run, valid after begin()
    virtual int height() const = 0;
    virtual const ConversionParameters& parameters() const = 0;
};

// Random-dot stereogram from the Design image. monoOrColor is read for every row's dots (it can only
// change between rows): exactly "Mono" gives black and white, anything else the 16 dot colours.
// The converter keeps a reference to it, so it must outlive the converter; a temporary is refused.
// Every begin() reseeds random: with seed when given (reproducible output for tests and the CLI),
// else from the clock. Handing in an XoshiroRandom lets the converter draw without virtual calls.
std::unique_ptr<Converter> makeRandomDotConverter(ConversionState& state, RunFlags& flags,
                                                  const PixelSurface& design, RowSink& stereo,
                                                  RandomSource& random, const std::string& monoOrColor,
                                                  std::optional<std::uint64_t> seed = std::nullopt);
std::unique_ptr<Converter> makeRandomDotConverter(ConversionState&, RunFlags&, const PixelSurface&, RowSink&,
                                                  RandomSource&, const std::string&& monoOrColor,
                                                  std::optional<std::uint64_t> seed = std::nullopt) = delete;

// Colour-field stereogram: size from the Field image, pattern from the Field image, depth from the Design
// image.
std::unique_ptr<Converter> makeColorFieldConverter(ConversionState& state, RunFlags& flags,
                                                   const PixelSurface& design, const PixelSurface& field,
                                                   RowSink& stereo);

// Drives a whole run (begin, then rows until the run ends). Returns the outcome that ended it.
RowOutcome runToEnd(Converter& converter, const ConversionParameters& parameters);

} // namespace quarbel::engine
