#pragma once

#include "engine/RowConverter.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quarbel::engine {

// Random-dot stereogram: the first RepeatWidth + 1 columns and the gaps left where the separation
// grows get fresh dots; every other column repeats the column one separation to its left.
// ResumeState[0] is the resume row, ResumeState[1] the previous pixel's shift (kept across rows and runs).
class RandomDotConverter final : public RowConverter {
public:
    RandomDotConverter(ConversionState& state, RunFlags& flags, const PixelSurface& design, RowSink& stereo,
                       RandomSource& random, const std::string& monoOrColor,
                       std::optional<std::uint64_t> seed);
    // The mode is read again for every row, so it is kept by reference: a temporary would dangle.
    RandomDotConverter(ConversionState&, RunFlags&, const PixelSurface&, RowSink&, RandomSource&,
                       const std::string&& monoOrColor, std::optional<std::uint64_t>) = delete;

private:
    const PixelSurface& sizeSource() const override { return m_design; }
    const PixelSurface& design() const override { return m_design; }
    void prepareRun() override;
    void convertRow() override;

    template <bool Mono> void convertRowFast();
    template <bool InGuard, class Draw> void convertRowWith(Draw& draw);

    const PixelSurface& m_design;
    RandomSource& m_random;
    XoshiroRandom* m_fastRandom; // m_random when it is the engine's own generator, else null
    const std::string& m_monoOrColor;
    std::optional<std::uint64_t> m_seed;
    std::uint64_t m_litBelow = 0; // draws whose 53 bits are below this light a dot (from the density)
};

} // namespace quarbel::engine
