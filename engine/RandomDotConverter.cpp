#include "engine/RandomDotConverter.h"

#include <algorithm>
#include <cstring>

namespace quarbel::engine {

namespace {

// A dot: lit when floor(random * 101) is below the density, then white in mono mode or one of the
// 16 colours drawn with a second random number. The row holds the dot's colour; only dot 0 is black,
// so 0 still means "not chosen yet". The products are never negative, so truncation is the floor.

// Through the RandomSource interface, for generators the engine does not know.
struct VirtualDraw {
    RandomSource* source;
    bool mono;

    double draw() {
        // A foreign source is trusted no further than [0, 1): a dot number must index DotColours.
        const double value = source->next();
        if (!(value >= 0.0))
            return 0.0;
        return value < 1.0 ? value : 0x1.fffffffffffffp-1;
    }

    Packed dot(int density) {
        if (static_cast<int>(draw() * 101.0) >= density)
            return DotColours[0];
        if (mono)
            return DotColours[15];
        return DotColours[static_cast<std::size_t>(draw() * 16.0)];
    }
};

// A copy of the engine's generator held for one row, so that its state can stay in registers (the
// caller stores it back after the row). The lit test is done on the draw's 53 bits against a bound
// worked out once per run, and a colour dot's second draw is taken without a jump.
template <bool Mono> struct FastDraw {
    XoshiroRandom generator;
    std::uint64_t litBelow;

    static_assert(DotColours[0] == 0, "an unlit colour dot is masked to black");

    Packed dot(int /*density: in litBelow*/) {
        if constexpr (Mono) { // white or black without a jump
            const bool lit = (generator.nextBits() >> 11) < litBelow;
            return lit ? DotColours[15] : DotColours[0];
        }
        const XoshiroRandom::MaybeTwo draws = generator.nextBitsThenIfBelow(litBelow);
        // floor(second * 16) is the top 4 of the 53 bits: multiplying by 16 is exact.
        const Packed colour = DotColours[static_cast<std::size_t>(draws.second >> 60)];
        return colour & (Packed{0} - static_cast<Packed>(draws.tookSecond));
    }
};

// The least 53-bit draw k whose floor(k * 2^-53 * 101) (in doubles, as a dot is tested) reaches the
// density: the dot is lit exactly when k is below it. The product only grows with k, so a binary
// search finds it for any density, 2^53 meaning every draw is lit.
std::uint64_t litBound(int density) {
    std::uint64_t low = 0, high = std::uint64_t{1} << 53;
    while (low < high) {
        const std::uint64_t middle = low + (high - low) / 2;
        if (static_cast<int>(static_cast<double>(middle) * 0x1.0p-53 * 101.0) >= density)
            high = middle;
        else
            low = middle + 1;
    }
    return low;
}

} // namespace

RandomDotConverter::RandomDotConverter(ConversionState& state, RunFlags& flags, const PixelSurface& design,
                                       RowSink& stereo, RandomSource& random, const std::string& monoOrColor,
                                       std::optional<std::uint64_t> seed)
    : RowConverter(state, flags, stereo, 0), m_design(design), m_random(random),
      m_fastRandom(dynamic_cast<XoshiroRandom*>(&random)), m_monoOrColor(monoOrColor), m_seed(seed) {}

void RandomDotConverter::prepareRun() {
    m_random.seed(m_seed ? *m_seed : clockSeed());
    m_litBelow = litBound(parameters().density);
}

void RandomDotConverter::convertRow() {
    // Nothing else runs while a row is converted, so reading the mode once per row is reading it
    // every time a dot is chosen.
    const bool mono = m_monoOrColor == "Mono";
    if (m_fastRandom) {
        if (mono)
            convertRowFast<true>();
        else
            convertRowFast<false>();
    } else {
        VirtualDraw draw{&m_random, mono};
        convertRowWith<false>(draw);
    }
}

namespace {

// Where the separation grows from one pixel to the next, the positions no pixel links to get fresh
// dots: x + previous .. x + separation - 1. Positions outside the row are skipped and draw nothing;
// those at or left of x draw, but their entries are final already and cannot show the dot.
template <class Draw>
inline void fillGap(Draw& draw, Packed* row, std::int64_t x, std::int64_t previous, std::int64_t separation,
                    std::int64_t last, int density) {
    const std::int64_t from = std::max<std::int64_t>(x + previous, 0);
    const std::int64_t to = std::min<std::int64_t>(x + separation - 1, last);
    for (std::int64_t i = from; i <= to; ++i) {
        const Packed dot = draw.dot(density);
        if (i > x)
            row[i] = dot;
    }
}

// Out of line for the long link loop, which then keeps its few values in registers.
template <class Draw>
[[gnu::noinline]] void fillGapOutOfLine(Draw& draw, Packed* row, std::int64_t x, std::int64_t previous,
                                        std::int64_t separation, std::int64_t last, int density) {
    fillGap(draw, row, x, previous, separation, last, density);
}

// Columns x..end - 1 of one run in the first repeat width, all linked `separation` on (in the
// guard): each keeps what was copied to it or takes a fresh dot. Out of line, so that the dot
// generator's state stays in registers through the loop.
template <class Draw>
[[gnu::noinline]] std::int64_t linkTakingDots(Draw& draw, Packed* row, std::int64_t x, std::int64_t end,
                                              std::int64_t separation, int density) {
    Draw local = draw;
    for (; x < end; ++x) {
        Packed c = row[x];
        if (c == 0) {
            c = local.dot(density);
            row[x] = c;
        }
        row[x + separation] = c;
    }
    draw = local;
    return x;
}

} // namespace

template <bool Mono> void RandomDotConverter::convertRowFast() {
    FastDraw<Mono> draw{*m_fastRandom, m_litBelow};
    if (linksInGuard())
        convertRowWith<true>(draw);
    else
        convertRowWith<false>(draw);
    *m_fastRandom = draw.generator;
}

template <bool InGuard, class Draw> void RandomDotConverter::convertRowWith(Draw& draw) {
    ConversionState& s = state();
    const std::int64_t last = s.LastColumn;
    const std::int64_t repeatWidth = parameters().repeatWidth;
    const int density = parameters().density;
    const std::int64_t* separationOfLevel = separations().data();
    const std::int32_t* depth = s.DepthRow.data();
    Packed* row = m_out.data();
    // 0 marks a column nothing was copied to; only the first repeat width looks. With every link
    // in 1..LinkGuard, each later column is copied to or gets a fresh dot before it is read.
    const std::int64_t unset = InGuard ? std::min(last, repeatWidth) + 1 : last + 1;
    std::fill_n(row, static_cast<std::size_t>(std::max<std::int64_t>(unset, 0)), 0);

    // Each pixel's colour goes on to the pixel one separation to its right; targets outside the row,
    // or at or left of the pixel (entries that are final already), are not stored.
    auto separationAt = [&](std::int64_t x) { return separationOfLevel[depth[x]]; };
    auto link = [&](std::int64_t x, std::int64_t separation, Packed c) {
        if constexpr (InGuard) {
            row[x + separation] = c;
        } else {
            if (static_cast<std::uint64_t>(separation - 1) < static_cast<std::uint64_t>(last - x))
                row[x + separation] = c;
        }
    };

    // Separation of the previous pixel; the previous shift carries over from the last row and run.
    std::int64_t previous = repeatWidth - s.ResumeState[1];

    Draw local = draw; // kept in registers across the row's many draws
    // Columns 0..RepeatWidth take a dot where nothing (or black) was copied.
    const std::int64_t dotEnd = std::min(last, repeatWidth);
    std::int64_t x = 0;
    if constexpr (InGuard) {
        // Along a run of equal depth the separation is constant, so only a run's first column can
        // open a gap; the rest of the run takes dots (first repeat width) or is a copy, 8 columns at
        // a time when the separation is at least 8 (a block then reads nothing that it writes).
        for (std::size_t run = 0; x <= last; ++run) {
            const std::int64_t end = run + 1 < m_runCount ? m_runStarts[run + 1] : last + 1;
            const std::int64_t separation = separationAt(x);
            Packed c = row[x];
            if (x <= dotEnd && c == 0) {
                c = local.dot(density);
                row[x] = c;
            }
            row[x + separation] = c;
            if (separation > previous)
                fillGap(local, row, x, previous, separation, last, density);
            previous = separation;
            ++x;
            if (x <= dotEnd)
                x = linkTakingDots(local, row, x, std::min(end, dotEnd + 1), separation, density);
            if (separation >= 8) {
                for (; x + 8 <= end; x += 8)
                    std::memcpy(row + x + separation, row + x, 8 * sizeof(Packed)); // disjoint
            }
            for (; x < end; ++x)
                row[x + separation] = row[x];
        }
    } else {
        for (; x <= dotEnd; ++x) {
            Packed c = row[x];
            if (c == 0) {
                c = local.dot(density);
                row[x] = c;
            }
            const std::int64_t separation = separationAt(x);
            link(x, separation, c);
            if (separation > previous)
                fillGap(local, row, x, previous, separation, last, density);
            previous = separation;
        }
        for (; x <= last; ++x) {
            const std::int64_t separation = separationAt(x);
            link(x, separation, row[x]);
            if (separation > previous)
                fillGapOutOfLine(local, row, x, previous, separation, last, density);
            previous = separation;
        }
    }
    draw = local;

    s.ResumeState[1] = static_cast<std::int32_t>(repeatWidth - previous);
}

} // namespace quarbel::engine
