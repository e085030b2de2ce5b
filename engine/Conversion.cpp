#include "engine/Conversion.h"

#include "engine/ColorFieldConverter.h"
#include "engine/RandomDotConverter.h"

namespace quarbel::engine {

std::unique_ptr<Converter> makeRandomDotConverter(ConversionState& state, RunFlags& flags,
                                                  const PixelSurface& design, RowSink& stereo,
                                                  RandomSource& random, const std::string& monoOrColor,
                                                  std::optional<std::uint64_t> seed) {
    return std::make_unique<RandomDotConverter>(state, flags, design, stereo, random, monoOrColor, seed);
}

std::unique_ptr<Converter> makeColorFieldConverter(ConversionState& state, RunFlags& flags,
                                                   const PixelSurface& design, const PixelSurface& field,
                                                   RowSink& stereo) {
    return std::make_unique<ColorFieldConverter>(state, flags, design, field, stereo);
}

RowOutcome runToEnd(Converter& converter, const ConversionParameters& parameters) {
    converter.begin(parameters);
    RowOutcome outcome = converter.nextRow();
    while (outcome == RowOutcome::Converted)
        outcome = converter.nextRow();
    return outcome;
}

} // namespace quarbel::engine
