#include "engine/Conversion.h"

#include "engine/ColorFieldConverter.h"
#include "engine/RandomDotConverter.h"

namespace quarbel::engine {

ConversionParameters ConversionParameters::read(const IniReader& reader, const std::string& iniPath) {
    ConversionParameters p;
    p.repeatWidth = reader.readInt(iniPath, "KurikaesiHaba", 70);
    p.depth = reader.readInt(iniPath, "Rittaido", 20);
    p.density = reader.readInt(iniPath, "Mitudo", 30);
    return p;
}

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

RowOutcome runToEnd(Converter& converter, const IniReader& reader, const std::string& iniPath) {
    converter.begin(reader, iniPath);
    RowOutcome outcome = converter.nextRow();
    while (outcome == RowOutcome::Converted)
        outcome = converter.nextRow();
    return outcome;
}

} // namespace quarbel::engine
