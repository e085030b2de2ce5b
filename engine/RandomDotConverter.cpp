#include "engine/RandomDotConverter.h"

#include <algorithm>
#include <cmath>

namespace quarbel::engine {

namespace {

// Calls through the concrete generator type when there is one, so no virtual call per dot.
struct VirtualDraw {
    RandomSource& source;
    double operator()() {
        // A foreign source is trusted no further than [0, 1): a dot number must index DotColours.
        const double value = source.next();
        if (!(value >= 0.0))
            return 0.0;
        return value < 1.0 ? value : 0x1.fffffffffffffp-1;
    }
};

struct FastDraw {
    XoshiroRandom& source;
    double operator()() { return source.nextDouble(); }
};

// A dot: lit when floor(random * 101) is below the density, then white in mono mode or one of the
// 16 numbers drawn with a second random number.
template <class Draw>
inline std::int32_t chooseDot(Draw& draw, int density, bool mono) {
    const auto r = static_cast<int>(std::floor(draw() * 101.0));
    if (r >= density)
        return 0;
    if (mono)
        return 15;
    return static_cast<std::int32_t>(std::floor(draw() * 16.0));
}

} // namespace

RandomDotConverter::RandomDotConverter(ConversionState& state, RunFlags& flags, const PixelSurface& design,
                                       RowSink& stereo, RandomSource& random, const std::string& monoOrColor,
                                       std::optional<std::uint64_t> seed)
    : RowConverter(state, flags, stereo, 0), m_design(design), m_random(random),
      m_fastRandom(dynamic_cast<XoshiroRandom*>(&random)), m_monoOrColor(monoOrColor), m_seed(seed) {}

void RandomDotConverter::prepareRun() { m_random.seed(m_seed ? *m_seed : clockSeed()); }

void RandomDotConverter::convertRow() {
    if (m_fastRandom) {
        FastDraw draw{*m_fastRandom};
        convertRowWith(draw);
    } else {
        VirtualDraw draw{m_random};
        convertRowWith(draw);
    }
}

template <class Draw>
void RandomDotConverter::convertRowWith(Draw& draw) {
    ConversionState& s = state();
    const std::int64_t last = s.LastColumn;
    const std::int64_t repeatWidth = parameters().repeatWidth;
    const int density = parameters().density;
    // Nothing else runs while a row is converted, so reading the mode once per row is reading it
    // every time a dot is chosen.
    const bool mono = m_monoOrColor == "Mono";
    const auto& shiftOf = shifts();
    const std::int32_t* depth = s.DepthRow.data();
    std::int32_t* colour = m_colourRow.data();
    Packed* out = m_out.data();

    std::fill_n(colour, static_cast<std::size_t>(last + 1), 0);

    std::int32_t previous = s.ResumeState[1];
    // Columns 0..RepeatWidth take a dot where nothing was copied (or black was).
    const std::int64_t dotEnd = std::min(last, repeatWidth);
    for (std::int64_t x = 0; x <= last; ++x) {
        const std::int32_t shift = shiftOf[depth[x]];
        if (x <= dotEnd && colour[x] == 0)
            colour[x] = chooseDot(draw, density, mono);
        out[x] = DotColours[static_cast<std::size_t>(colour[x])];
        const std::int64_t base = x + repeatWidth;
        const std::int64_t target = base - shift;
        if (static_cast<std::uint64_t>(target) <= static_cast<std::uint64_t>(last))
            colour[target] = colour[x];
        if (shift < previous) {
            // The separation grew: positions no pixel links to get fresh dots; those outside the
            // row are skipped (and draw nothing).
            const std::int64_t from = std::max<std::int64_t>(base - previous, 0);
            const std::int64_t to = std::min<std::int64_t>(target - 1, last);
            for (std::int64_t i = from; i <= to; ++i)
                colour[i] = chooseDot(draw, density, mono);
        }
        previous = shift;
    }
    s.ResumeState[1] = previous;
}

} // namespace quarbel::engine
