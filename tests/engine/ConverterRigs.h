#pragma once

// A document window's worth of conversion plumbing around one converter.

#include "EngineFakes.h"
#include "engine/Conversion.h"

#include <memory>
#include <set>
#include <string>

namespace quarbel::engine::testing {

struct RandomDotRig {
    explicit RandomDotRig(MemorySurface picture, std::uint64_t seed = 1, std::string colourMode = "Color")
        : design(std::move(picture)), mode(std::move(colourMode)),
          converter(makeRandomDotConverter(state, flags, design, sink, random, mode, seed)) {}

    RowOutcome run() { return runToEnd(*converter, params); }
    void begin() { converter->begin(params); }
    RowOutcome finish() {
        RowOutcome outcome = converter->nextRow();
        while (outcome == RowOutcome::Converted)
            outcome = converter->nextRow();
        return outcome;
    }

    MemorySurface design;
    std::string mode;
    ConversionParameters params = UsualParameters;
    MemorySink sink;
    ConversionState state;
    RunFlags flags;
    XoshiroRandom random;
    std::unique_ptr<Converter> converter;
};

struct ColorFieldRig {
    ColorFieldRig(MemorySurface designPicture, MemorySurface fieldPicture)
        : design(std::move(designPicture)), field(std::move(fieldPicture)),
          converter(makeColorFieldConverter(state, flags, design, field, sink)) {}

    RowOutcome run() { return runToEnd(*converter, params); }

    MemorySurface design;
    MemorySurface field;
    ConversionParameters params = UsualParameters;
    MemorySink sink;
    ConversionState state;
    RunFlags flags;
    std::unique_ptr<Converter> converter;
};

inline std::set<Packed> coloursOf(const MemorySink& sink) {
    return std::set<Packed>(sink.pixels().begin(), sink.pixels().end());
}

} // namespace quarbel::engine::testing
