#include "engine/DepthReveal.h"

#include "engine/Conversion.h"
#include "engine/ShiftTable.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define QUARBEL_X86_SIMD 1
#include <immintrin.h>
#else
#define QUARBEL_X86_SIMD 0
#endif

namespace quarbel::engine {

namespace {

// Window: 2 * Reach + 1 columns by 3 rows. Wide enough that random dots of any density between
// 30 and 70 % rarely match by chance (27 pixels), narrow enough to fit inside most depth areas.
constexpr int Reach = 4;
constexpr int WindowPixels = (2 * Reach + 1) * 3;
// A pixel's difference (summed over red, green and blue) counts at most this much, so that one
// edge or one dot of another colour weighs no more than a few pixels of JPEG noise.
constexpr std::uint16_t PixelCap = 255;
// The cost of a pixel without a partner; low enough that the left cost built on it stays in 16 bits.
constexpr std::uint16_t NoPair = 0x7FFF;
// The same with the lowest bit cleared, as the costs carry it (the bit tells the side).
constexpr std::uint16_t Unmatched = NoPair & ~1u;
// A left match costs a quarter more plus this (the differences of about 40 JPEG-blurred pixels):
// the copy on the right is what a converter wrote and tells the pixel's own depth, while the pixels
// where a nearer surface left its copy match on the left at the nearer separation as well.
constexpr int LeftBias = 1200;
// Costs within this much of the best count as matching about equally.
constexpr int NoiseMargin = 2 * WindowPixels;
// Below this spread between a pixel's best candidate and the others' mean it is flat.
constexpr int FlatSpread = 4 * WindowPixels;
// A best cost above this, and more than half the best apart from its neighbours, matched nothing:
// the pixel's copy was hidden by a nearer surface and it has no partner on its left either (a
// fresh dot, or the first repeat width of a row). Flat windows stay below it.
constexpr int PoorFloor = 16 * WindowPixels;

// One picture row as three planes of bytes.
struct Planes {
    std::vector<std::uint8_t> r, g, b;

    void load(const PixelSurface& picture, int y, std::vector<Packed>& scratch) {
        const std::size_t width = scratch.size();
        picture.readRow(y, scratch);
        r.resize(width);
        g.resize(width);
        b.resize(width);
        for (std::size_t x = 0; x < width; ++x) {
            const auto bits = static_cast<std::uint32_t>(scratch[x]);
            r[x] = static_cast<std::uint8_t>(bits);
            g[x] = static_cast<std::uint8_t>(bits >> 8);
            b[x] = static_cast<std::uint8_t>(bits >> 16);
        }
    }
};

// Pixels from x on, one at a time: the end of a row the wide instructions leave, and the place
// beyond the pairs, where nothing repeats, at the cap.
inline void differencesFrom(const Planes& row, int x, int paired, int width, int separation,
                            std::uint8_t* out) {
    const std::uint8_t* r = row.r.data();
    const std::uint8_t* g = row.g.data();
    const std::uint8_t* b = row.b.data();
    for (; x < paired; ++x) {
        const int d = std::abs(int(r[x]) - int(r[x + separation])) +
                      std::abs(int(g[x]) - int(g[x + separation])) +
                      std::abs(int(b[x]) - int(b[x + separation]));
        out[x] = static_cast<std::uint8_t>(std::min(d, int(PixelCap)));
    }
    std::fill(out + paired, out + width, static_cast<std::uint8_t>(PixelCap));
}

// out[x] = the colour difference between x and x + separation, summed over the three channels and
// capped at PixelCap (255, so a byte); PixelCap past the picture.
void pixelDifferences(const Planes& row, int width, int separation, std::uint8_t* out) {
    static_assert(PixelCap == 255, "the differences saturate at a byte");
    const int paired = std::max(0, width - separation);
    [[maybe_unused]] const std::uint8_t* r = row.r.data();
    [[maybe_unused]] const std::uint8_t* g = row.g.data();
    [[maybe_unused]] const std::uint8_t* b = row.b.data();
    int x = 0;
#if defined(__SSE2__)
    // Sixteen pixels at a time: |a - b| of bytes as two saturating subtractions, summed saturating.
    const auto absDiff = [separation](const std::uint8_t* p, int at) {
        const __m128i u = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at));
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at + separation));
        return _mm_or_si128(_mm_subs_epu8(u, v), _mm_subs_epu8(v, u));
    };
    for (; x + 16 <= paired; x += 16) {
        const __m128i d = _mm_adds_epu8(_mm_adds_epu8(absDiff(r, x), absDiff(g, x)), absDiff(b, x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), d);
    }
#endif
    differencesFrom(row, x, paired, width, separation, out);
}

#if QUARBEL_X86_SIMD
// The same, thirty-two pixels at a time.
__attribute__((target("avx2"))) void pixelDifferencesAvx2(const Planes& row, int width, int separation,
                                                          std::uint8_t* out) {
    const int paired = std::max(0, width - separation);
    const std::uint8_t* r = row.r.data();
    const std::uint8_t* g = row.g.data();
    const std::uint8_t* b = row.b.data();
    int x = 0;
    for (; x + 32 <= paired; x += 32) {
        __m256i d = _mm256_setzero_si256();
        for (const std::uint8_t* p : {r, g, b}) {
            const __m256i u = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + x));
            const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + x + separation));
            d = _mm256_adds_epu8(d, _mm256_or_si256(_mm256_subs_epu8(u, v), _mm256_subs_epu8(v, u)));
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x), d);
    }
    differencesFrom(row, x, paired, width, separation, out);
}
#endif

// padded holds Reach entries, the three rows' summed differences of each column, Reach entries, and
// as much again for scratch: the ends are filled here with the end columns. out[x] = the window's
// sum around x, as three sums of three; pixels without a partner (x + separation past the picture)
// get NoPair.
[[gnu::always_inline]] inline void windowSums(std::uint16_t* padded, int width, int separation,
                                              std::uint16_t* out) {
    std::fill(padded, padded + Reach, padded[Reach]);
    std::fill(padded + Reach + width, padded + 2 * Reach + width, padded[Reach + width - 1]);
    static_assert(2 * Reach + 1 == 9, "the window is three sums of three columns");
    const std::uint16_t* __restrict p = padded;
    std::uint16_t* __restrict threes = padded + width + 2 * Reach;
    for (int x = 0; x < width + 6; ++x)
        threes[x] = static_cast<std::uint16_t>(p[x] + p[x + 1] + p[x + 2]);
    std::uint16_t* __restrict sums = out;
    for (int x = 0; x < width; ++x)
        sums[x] = static_cast<std::uint16_t>(threes[x] + threes[x + 3] + threes[x + 6]);
    std::fill(out + std::max(0, width - separation), out + width, NoPair);
}

// One candidate's costs along the output row, from the pixel differences of the rows above, at and
// below it, kept in best and bestIndex where lower than those of the candidates before. Written
// plainly for the compiler to vectorise, once for any x86-64 and once for AVX2.
struct CandidateRow {
    const std::uint8_t* above;
    const std::uint8_t* middle;
    const std::uint8_t* below;
    int width;
    int separation;
    std::uint16_t index;
    std::uint16_t* padded; // 2 * (width + 2 * Reach)
    std::uint16_t* right;  // width
    std::uint16_t* cost;   // width: the candidate's costs, kept for the choice among neighbours
    std::uint16_t* best;
    std::uint16_t* bestIndex;
};

[[gnu::always_inline]] inline void candidateCostsBody(const CandidateRow& row) {
    const auto columns = static_cast<std::size_t>(row.width);
    const std::uint8_t* __restrict a = row.above;
    const std::uint8_t* __restrict m = row.middle;
    const std::uint8_t* __restrict d = row.below;
    std::uint16_t* __restrict column = row.padded + Reach;
    for (std::size_t x = 0; x < columns; ++x)
        column[x] = static_cast<std::uint16_t>(a[x] + m[x] + d[x]);
    windowSums(row.padded, row.width, row.separation, row.right);
    const std::uint16_t* __restrict right = row.right;
    std::uint16_t* __restrict cost = row.cost;
    std::int16_t* __restrict best = reinterpret_cast<std::int16_t*>(row.best);
    std::uint16_t* __restrict bestIndex = row.bestIndex;
    const std::uint16_t index = row.index;
    const auto shift = static_cast<std::size_t>(std::min(row.separation, row.width));
    // The lowest bit tells the side: even for the copy on the right, odd for the left. Costs are at
    // most NoPair, so they compare as signed 16-bit values.
    for (std::size_t x = 0; x < shift; ++x) {
        const auto c = static_cast<std::int16_t>(right[x] & ~1u);
        cost[x] = static_cast<std::uint16_t>(c);
        const bool better = c < best[x];
        best[x] = better ? c : best[x];
        bestIndex[x] = better ? index : bestIndex[x];
    }
    for (std::size_t x = shift; x < columns; ++x) {
        const std::uint16_t v = right[x - shift];
        const auto left = static_cast<std::uint16_t>((v + (v >> 2) + LeftBias) | 1u);
        const auto own = static_cast<std::uint16_t>(right[x] & ~1u);
        const auto c = static_cast<std::int16_t>(std::min(own, left));
        cost[x] = static_cast<std::uint16_t>(c);
        const bool better = c < best[x];
        best[x] = better ? c : best[x];
        bestIndex[x] = better ? index : bestIndex[x];
    }
}

// alternative[x] = min(alternative[x], cost[x]) where index is at least 2 from bestIndex[x]; total[x]
// sums the costs in 64ths (76 candidates at most stay within 16 bits).
[[gnu::always_inline]] inline void keepAlternativeBody(const std::uint16_t* __restrict cost,
                                                       std::size_t columns, std::uint16_t index,
                                                       const std::uint16_t* __restrict bestIndex,
                                                       std::uint16_t* __restrict alternative,
                                                       std::uint16_t* __restrict total) {
    for (std::size_t x = 0; x < columns; ++x) {
        const bool apart = static_cast<std::uint16_t>(bestIndex[x] - index + 1) > 2;
        const auto c = static_cast<std::int16_t>(cost[x]);
        const auto kept = static_cast<std::int16_t>(alternative[x]);
        alternative[x] = static_cast<std::uint16_t>(apart && c < kept ? c : kept);
        total[x] = static_cast<std::uint16_t>(total[x] + (cost[x] >> 6));
    }
}

void candidateCosts(const CandidateRow& row) {
    candidateCostsBody(row);
}

void keepAlternative(const std::uint16_t* cost, std::size_t columns, std::uint16_t index,
                     const std::uint16_t* bestIndex, std::uint16_t* alternative, std::uint16_t* total) {
    keepAlternativeBody(cost, columns, index, bestIndex, alternative, total);
}

// One separation's costs over a band of three rows (the rows' pixel differences one after the
// other), with each pixel's lowest cost, sum of costs and count of paired costs so far.
struct SearchRow {
    const std::uint8_t* differences; // 3 * width
    int width;
    int separation;
    std::uint16_t* padded;
    std::uint16_t* cost;
    std::uint16_t* best;
    std::uint32_t* sum;
    std::uint16_t* usable;
};

[[gnu::always_inline]] inline void searchCostsBody(const SearchRow& row) {
    const auto columns = static_cast<std::size_t>(row.width);
    const std::uint8_t* __restrict d0 = row.differences;
    const std::uint8_t* __restrict d1 = d0 + columns;
    const std::uint8_t* __restrict d2 = d1 + columns;
    std::uint16_t* __restrict column = row.padded + Reach;
    for (std::size_t x = 0; x < columns; ++x)
        column[x] = static_cast<std::uint16_t>(d0[x] + d1[x] + d2[x]);
    windowSums(row.padded, row.width, row.separation, row.cost);
    const std::uint16_t* __restrict cost = row.cost;
    std::uint16_t* __restrict best = row.best;
    std::uint32_t* __restrict sum = row.sum;
    std::uint16_t* __restrict usable = row.usable;
    for (std::size_t x = 0; x < columns; ++x) {
        const std::uint16_t v = cost[x];
        const bool paired = v < NoPair;
        best[x] = std::min(best[x], v);
        sum[x] += paired ? v : 0u;
        usable[x] = static_cast<std::uint16_t>(usable[x] + (paired ? 1 : 0));
    }
}

void searchCosts(const SearchRow& row) {
    searchCostsBody(row);
}

// Each pixel's state (0 clear, 1 ambiguous or flat, 2 matched on the left, 3 matched nowhere) and first
// choice (its best candidate, NoPair where none pairs); the count of pixels matched well.
[[gnu::always_inline]] inline std::int64_t
classifyBody(const std::uint16_t* __restrict best, const std::uint16_t* __restrict alternative,
             const std::uint16_t* __restrict bestIndex, std::size_t columns, std::uint8_t* __restrict state,
             std::uint16_t* __restrict chosen, const std::uint16_t* __restrict farCost,
             std::uint8_t* __restrict attention) {
    std::int64_t matched = 0;
    for (std::size_t x = 0; x < columns; ++x) {
        const int b = best[x];
        const int other = alternative[x];
        // Clear: no candidate apart from the best comes near it (a flat window, where all match
        // alike, is never clear); matched well: the best is also at most half the next.
        // (Bitwise rather than short-circuit operators, so that the loop runs without branches.)
        const bool clear = (b < Unmatched) & (other > b + std::max(b / 4, NoiseMargin));
        // A pixel matched only on the left is the right member of a pair whose depth belongs to
        // the left one; its own depth comes from its neighbours, like an ambiguous pixel's.
        const int left = b & 1;
        const bool poor = (2 * b > other) & (b > PoorFloor);
        const int kept = 2 * left + ((left ^ 1) & int(!clear));
        state[x] = static_cast<std::uint8_t>(poor ? 3 : kept);
        matched += clear & (2 * b <= other);
        // Pixels the tie between the far separation and a near one may concern (see settleFarTies).
        const int index = bestIndex[x];
        const int margin = b + std::max(b / 4, NoiseMargin);
        const bool farToo = (index >= 2) & (kept <= 1) & (int(farCost[x]) <= margin + b / 4 + LeftBias);
        attention[x] = static_cast<std::uint8_t>(poor | farToo | ((kept == 1) & (index == 0)));
    }
    for (std::size_t x = 0; x < columns; ++x)
        chosen[x] = best[x] < Unmatched ? bestIndex[x] : NoPair;
    return matched;
}

std::int64_t classify(const std::uint16_t* best, const std::uint16_t* alternative,
                      const std::uint16_t* bestIndex, std::size_t columns, std::uint8_t* state,
                      std::uint16_t* chosen, const std::uint16_t* farCost, std::uint8_t* attention) {
    return classifyBody(best, alternative, bestIndex, columns, state, chosen, farCost, attention);
}

#if QUARBEL_X86_SIMD
__attribute__((target("avx2"))) void candidateCostsAvx2(const CandidateRow& row) {
    candidateCostsBody(row);
}

__attribute__((target("avx2"))) void searchCostsAvx2(const SearchRow& row) {
    searchCostsBody(row);
}

__attribute__((target("avx2"))) void keepAlternativeAvx2(const std::uint16_t* cost, std::size_t columns,
                                                         std::uint16_t index, const std::uint16_t* bestIndex,
                                                         std::uint16_t* alternative, std::uint16_t* total) {
    keepAlternativeBody(cost, columns, index, bestIndex, alternative, total);
}

__attribute__((target("avx2"))) std::int64_t
classifyAvx2(const std::uint16_t* best, const std::uint16_t* alternative, const std::uint16_t* bestIndex,
             std::size_t columns, std::uint8_t* state, std::uint16_t* chosen, const std::uint16_t* farCost,
             std::uint8_t* attention) {
    return classifyBody(best, alternative, bestIndex, columns, state, chosen, farCost, attention);
}

bool hasAvx2() {
    static const bool available = __builtin_cpu_supports("avx2");
    return available;
}
#else
bool hasAvx2() {
    return false;
}
void pixelDifferencesAvx2(const Planes& row, int width, int separation, std::uint8_t* out) {
    pixelDifferences(row, width, separation, out);
}
void candidateCostsAvx2(const CandidateRow& row) {
    candidateCosts(row);
}
void searchCostsAvx2(const SearchRow& row) {
    searchCosts(row);
}
std::int64_t classifyAvx2(const std::uint16_t* best, const std::uint16_t* alternative,
                          const std::uint16_t* bestIndex, std::size_t columns, std::uint8_t* state,
                          std::uint16_t* chosen, const std::uint16_t* farCost, std::uint8_t* attention) {
    return classify(best, alternative, bestIndex, columns, state, chosen, farCost, attention);
}
void keepAlternativeAvx2(const std::uint16_t* cost, std::size_t columns, std::uint16_t index,
                         const std::uint16_t* bestIndex, std::uint16_t* alternative, std::uint16_t* total) {
    keepAlternative(cost, columns, index, bestIndex, alternative, total);
}
#endif

// Separation a half-pixel either side of the best, from the costs of the separations one less and
// one more: the meeting point of two lines of equal slope through the three costs.
float refine(int separation, int below, int best, int above) {
    if (below < best || above < best)
        return float(separation);
    const int rise = std::max(below, above) - best;
    if (rise <= 0)
        return float(separation);
    const float offset = float(below - above) / float(2 * rise);
    return float(separation) + std::clamp(offset, -0.5f, 0.5f);
}

} // namespace

std::vector<int> candidateSeparations(int repeatWidth, std::optional<int> depth) {
    std::vector<int> candidates;
    if (depth) {
        const ShiftTable shifts(ConversionParameters{repeatWidth, *depth, 0}.depthFactor());
        for (const std::int32_t shift : shifts.shifts()) {
            const std::int64_t separation = std::int64_t{repeatWidth} - shift;
            if (separation >= 1 && separation <= repeatWidth)
                candidates.push_back(static_cast<int>(separation));
        }
    } else {
        const int lowest = std::max(1, std::min(repeatWidth - MaxShift, repeatWidth / 2));
        for (int separation = lowest; separation <= repeatWidth; ++separation)
            candidates.push_back(separation);
    }
    std::sort(candidates.begin(), candidates.end(), std::greater<>());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    return candidates;
}

SeparationMap findSeparations(const PixelSurface& stereo, std::span<const int> candidates,
                              bool refineBelowPixel, RevealPath path) {
    SeparationMap map;
    const int width = std::max(0, stereo.width());
    const int height = std::max(0, stereo.height());
    map.width = width;
    map.height = height;
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    map.separations.assign(pixels, 0);
    // Whole-pixel maps leave refined empty: it would only repeat separations.
    if (refineBelowPixel)
        map.refined.assign(pixels, 0.0f);
    map.belowPixel = refineBelowPixel;
    if (width == 0 || height == 0 || candidates.empty())
        return map;
    map.bound = static_cast<std::int16_t>(*std::max_element(candidates.begin(), candidates.end()));

    const auto columns = static_cast<std::size_t>(width);
    const std::size_t count = candidates.size();
    // Pixel differences of the last three rows for every candidate, in a ring indexed by row % 3.
    std::vector<std::uint8_t> differences(3 * count * columns);
    auto differencesOf = [&](int y, std::size_t c) {
        return differences.data() + (static_cast<std::size_t>(y % 3) * count + c) * columns;
    };
    std::vector<std::uint16_t> costs(count * columns); // the output row's cost per candidate
    std::vector<Packed> scratch(columns);
    Planes planes;
    std::vector<std::uint16_t> padded(2 * (columns + 2 * Reach)), right(columns);
    std::vector<std::uint16_t> best(columns), alternative(columns), total(columns);
    std::vector<std::uint16_t> bestIndex(columns), chosen(columns);
    std::vector<std::uint8_t> attention(columns);
    std::vector<std::uint8_t> state(columns); // 0 clear, 1 ambiguous or flat, 2 matched on the left
    // A neighbour further off than the largest separation belongs to another part of the picture.
    const int neighbourReach = std::max(candidates.front(), 2 * Reach + 1);
    const bool avx2 = path == RevealPath::Widest && hasAvx2();
    // Candidate index to separation; NoPair (past the list) to none.
    std::vector<std::int16_t> separationOf(count + 1, 0);
    for (std::size_t c = 0; c < count; ++c)
        separationOf[c] = static_cast<std::int16_t>(candidates[c]);

    for (int y = 0; y <= height; ++y) {
        if (y < height) {
            planes.load(stereo, y, scratch);
            for (std::size_t c = 0; c < count; ++c) {
                if (avx2)
                    pixelDifferencesAvx2(planes, width, candidates[c], differencesOf(y, c));
                else
                    pixelDifferences(planes, width, candidates[c], differencesOf(y, c));
            }
        }
        const int out = y - 1; // the rows below and above it are in the ring by now
        if (out < 0)
            continue;
        // Past the top and bottom the window mirrors, so that every row's costs have one scale.
        const int top = out > 0 ? out - 1 : std::min(height - 1, out + 1);
        const int bottom = out + 1 < height ? out + 1 : std::max(0, out - 1);
        std::fill(best.begin(), best.end(), NoPair);
        std::fill(bestIndex.begin(), bestIndex.end(), std::uint16_t{0});
        for (std::size_t c = 0; c < count; ++c) {
            const CandidateRow row{differencesOf(top, c),
                                   differencesOf(out, c),
                                   differencesOf(bottom, c),
                                   width,
                                   candidates[c],
                                   static_cast<std::uint16_t>(c),
                                   padded.data(),
                                   right.data(),
                                   costs.data() + c * columns,
                                   best.data(),
                                   bestIndex.data()};
            if (avx2)
                candidateCostsAvx2(row);
            else
                candidateCosts(row);
        }
        // The best among the candidates that are not the best one's neighbours.
        std::fill(alternative.begin(), alternative.end(), NoPair);
        std::fill(total.begin(), total.end(), std::uint16_t{0});
        for (std::size_t c = 0; c < count; ++c) {
            const std::uint16_t* cost = costs.data() + c * columns;
            const auto index = static_cast<std::uint16_t>(c);
            if (avx2)
                keepAlternativeAvx2(cost, columns, index, bestIndex.data(), alternative.data(), total.data());
            else
                keepAlternative(cost, columns, index, bestIndex.data(), alternative.data(), total.data());
        }
        map.matched += avx2 ? classifyAvx2(best.data(), alternative.data(), bestIndex.data(), columns,
                                           state.data(), chosen.data(), costs.data(), attention.data())
                            : classify(best.data(), alternative.data(), bestIndex.data(), columns,
                                       state.data(), chosen.data(), costs.data(), attention.data());
        // A tiled pattern (a colour field's) repeats at the repeat width wherever nothing is
        // linked, so a match there tells little: where a near surface's first repeat shows that
        // pattern it matches at its own separation and at the repeat width alike, and the near
        // separation is taken. Copied on at the repeat width, such a surface's pattern shows again
        // one repeat width further on, and again: a ghost that matches at the near separation
        // (and at the far one, or on the left at it). A pixel whose near match the pixel one
        // repeat width to its left shares is such a ghost, and far.
        if (count > 3) {
            const auto far = static_cast<std::size_t>(candidates[0]);
            for (std::size_t x = 0; x < columns; ++x) {
                if (attention[x] == 0) {
                    std::uint64_t eight = 0;
                    while (x + 9 <= columns && (std::memcpy(&eight, attention.data() + x + 1, 8), eight == 0))
                        x += 8;
                    continue;
                }
                const int b = best[x];
                const std::size_t index = bestIndex[x];
                const int margin = b + std::max(b / 4, NoiseMargin);
                if (state[x] == 3) {
                    // A noisy copy (a JPEG's) can match about as badly as a far tie; what matched
                    // nowhere is no better than a third of the candidates' mean.
                    if (3 * b * static_cast<std::int64_t>(count) < std::int64_t{total[x]} * 64)
                        state[x] = static_cast<std::uint8_t>((b & 1) ? 2 : alternative[x] > margin ? 0 : 1);
                }
                if (state[x] > 1)
                    continue;
                // Whether candidate r matches at a pixel about as well as the best there.
                auto matchesAt = [&](std::size_t at, std::size_t r) {
                    const int there = best[at];
                    return costs[r * columns + at] <= there + std::max(there / 4, NoiseMargin);
                };
                // A ghost: the pixel one repeat width to the left matches at r as well as x does,
                // or as well as anything matches there.
                auto ghost = [&](std::size_t r) {
                    const int own = costs[r * columns + x];
                    return x >= far &&
                           (costs[r * columns + x - far] <= own + std::max(own / 4, NoiseMargin) ||
                            matchesAt(x - far, r));
                };
                // Whether r, apart from the far pair (0 and 1) and its own neighbours, matches
                // clearly better than the rest.
                auto standsClear = [&](std::size_t r) {
                    const int own = costs[r * columns + x];
                    int other = NoPair;
                    for (std::size_t c = 2; c < count; ++c)
                        if (c + 1 < r || c > r + 1)
                            other = std::min<int>(other, costs[c * columns + x]);
                    return other > own + std::max(own / 4, NoiseMargin);
                };
                if (index >= 2) {
                    if (ghost(index) && costs[x] <= margin + b / 4 + LeftBias) {
                        bestIndex[x] = chosen[x] = 0;
                        state[x] = 0;
                    }
                    continue;
                }
                if (state[x] != 1 || index != 0)
                    continue;
                std::size_t rest = 0;
                int restBest = NoPair;
                for (std::size_t c = 2; c < count; ++c)
                    if (costs[c * columns + x] < restBest) {
                        restBest = costs[c * columns + x];
                        rest = c;
                    }
                if (rest == 0 || (restBest & 1) || restBest > margin || ghost(rest) || !standsClear(rest))
                    continue;
                state[x] = 0;
                bestIndex[x] = chosen[x] = static_cast<std::uint16_t>(rest);
            }
        }
        // Each run of unclear pixels looks to the clear pixels at its ends, within reach.
        for (int x = 0; x < width;) {
            if (state[static_cast<std::size_t>(x)] == 0) {
                // Mostly clear: skip eight clear pixels at a time.
                ++x;
                std::uint64_t eight = 0;
                while (x + 8 <= width && (std::memcpy(&eight, state.data() + x, 8), eight == 0))
                    x += 8;
                continue;
            }
            int end = x;
            while (end < width && state[static_cast<std::size_t>(end)] != 0)
                ++end;
            for (int i = x; i < end; ++i) {
                const auto at = static_cast<std::size_t>(i);
                if (chosen[at] == NoPair)
                    continue;
                // A neighbour's separation is taken where it matches about as well as the best (in a
                // flat window every separation does).
                const int b = best[at];
                const int limit = state[at] == 2 ? int(NoPair) : b + std::max(b / 4, NoiseMargin);
                int pick = -1, pickCost = 0, pickDistance = 0;
                const int leftEnd = x > 0 && i - (x - 1) <= neighbourReach ? x - 1 : -1;
                const int rightEnd = end < width && end - i <= neighbourReach ? end : -1;
                if (state[at] == 3) {
                    // Matched nowhere: hidden by the nearer of the surfaces either side, so part of
                    // the farther (the larger separation; the far surface at the row's start).
                    int far = x == 0 ? 0 : -1;
                    for (const int neighbour : {leftEnd, rightEnd})
                        if (neighbour >= 0) {
                            const int index = bestIndex[static_cast<std::size_t>(neighbour)];
                            far = far < 0 ? index : std::min(far, index);
                        }
                    if (far >= 0)
                        chosen[at] = static_cast<std::uint16_t>(far);
                    continue;
                }
                for (const int neighbour : {leftEnd, rightEnd}) {
                    if (neighbour < 0)
                        continue;
                    const int index = bestIndex[static_cast<std::size_t>(neighbour)];
                    const int cost = costs[static_cast<std::size_t>(index) * columns + at];
                    const int distance = std::abs(neighbour - i);
                    if (cost > limit)
                        continue;
                    if (pick < 0 || cost < pickCost || (cost == pickCost && distance < pickDistance)) {
                        pick = index;
                        pickCost = cost;
                        pickDistance = distance;
                    }
                }
                if (pick >= 0)
                    chosen[at] = static_cast<std::uint16_t>(pick);
            }
            x = end;
        }
        std::int16_t* target = map.separations.data() + static_cast<std::size_t>(out) * columns;
        if (!refineBelowPixel) {
            for (std::size_t x = 0; x < columns; ++x)
                target[x] = separationOf[std::min<std::size_t>(chosen[x], count)];
            continue;
        }
        float* fine = map.refined.data() + static_cast<std::size_t>(out) * columns;
        for (std::size_t x = 0; x < columns; ++x) {
            if (chosen[x] == NoPair)
                continue;
            const std::size_t c = chosen[x];
            const int separation = candidates[c];
            target[x] = static_cast<std::int16_t>(separation);
            const int here = costs[c * columns + x];
            // The neighbours in the list are one larger (c - 1) and one smaller (c + 1) when the
            // candidates run in whole pixels there.
            const bool above = c > 0 && candidates[c - 1] == separation + 1;
            const bool below = c + 1 < count && candidates[c + 1] == separation - 1;
            fine[x] = above && below ? refine(separation, costs[(c + 1) * columns + x], here,
                                              costs[(c - 1) * columns + x])
                                     : float(separation);
        }
    }
    return map;
}

namespace {

struct RepeatSearch {
    int repeatWidth = 0;
    int nearest = 0; // the smallest separation a few votes go to: no nearer surface is seen
};

std::optional<RepeatSearch> searchRepeat(const PixelSurface& stereo, RevealPath path = RevealPath::Widest) {
    const int width = std::max(0, stereo.width());
    const int height = std::max(0, stereo.height());
    constexpr int Smallest = 2;
    const int largest = width / 2;
    if (largest < Smallest + 2 || height == 0)
        return std::nullopt;
    const auto columns = static_cast<std::size_t>(width);
    const auto count = static_cast<std::size_t>(largest - Smallest + 1);

    // Bands of three rows spread over the picture are enough to see which separations it uses.
    std::vector<Packed> scratch(columns);
    std::array<Planes, 3> planes;
    std::vector<std::uint16_t> costs(count * columns);
    std::vector<std::uint8_t> differences(3 * columns);
    std::vector<std::uint16_t> padded(2 * (columns + 2 * Reach));
    std::vector<std::uint16_t> best(columns), limit(columns), vote(columns), usable(columns);
    std::vector<std::uint32_t> sum(columns);
    std::vector<std::uint16_t> typical;
    std::vector<std::int64_t> votes(static_cast<std::size_t>(largest) + 2, 0);
    std::int64_t voted = 0, sampled = 0;
    constexpr std::uint16_t None = std::numeric_limits<std::uint16_t>::max();
    const bool avx2 = path == RevealPath::Widest && hasAvx2();
    // Fewer bands on a wide picture, where each holds more pixels and more separations.
    const int bands = std::clamp(static_cast<int>(3'000'000 / (std::int64_t{width} * largest)), 4, 10);
    const int bandCount = std::min(bands, std::max(1, height / 3));
    for (int band = 0; band < bandCount; ++band) {
        const int top = static_cast<int>(static_cast<std::int64_t>(height) * band / bandCount);
        for (int r = 0; r < 3; ++r)
            planes[static_cast<std::size_t>(r)].load(stereo, std::min(height - 1, top + r), scratch);
        std::fill(best.begin(), best.end(), None);
        std::fill(sum.begin(), sum.end(), 0u);
        std::fill(usable.begin(), usable.end(), std::uint16_t{0});
        for (std::size_t c = 0; c < count; ++c) {
            const int separation = Smallest + static_cast<int>(c);
            for (std::size_t r = 0; r < 3; ++r) {
                if (avx2)
                    pixelDifferencesAvx2(planes[r], width, separation, differences.data() + r * columns);
                else
                    pixelDifferences(planes[r], width, separation, differences.data() + r * columns);
            }
            const SearchRow row{differences.data(),         width,       separation, padded.data(),
                                costs.data() + c * columns, best.data(), sum.data(), usable.data()};
            if (avx2)
                searchCostsAvx2(row);
            else
                searchCosts(row);
        }
        // Each pixel votes for the smallest separation that matches about as well as its best one
        // (the far background matches at the repeat width and its multiples). A flat window, or one
        // where nothing matches clearly (a third of the mean or less), does not vote. "About as
        // well" is also anything within half as much again as the band's typical best: a JPEG's
        // noise repeats where the 8-pixel blocks line up, so that a long chain of copies at a
        // multiple of 8 can match better than the pixel's own copy.
        typical.clear();
        for (std::size_t x = 0; x < columns; ++x) {
            const std::uint64_t n = usable[x], b = best[x];
            const bool counts = n >= 8;
            sampled += counts;
            const bool clear =
                counts && b * 3 * n < sum[x] && sum[x] - b * n >= std::uint64_t(FlatSpread) * n;
            limit[x] =
                clear ? static_cast<std::uint16_t>(b + std::max<std::uint64_t>(b / 4, NoiseMargin)) : 0;
            vote[x] = clear ? None : 0; // 0: no vote
            if (clear)
                typical.push_back(best[x]);
        }
        if (!typical.empty()) {
            const auto middle = typical.begin() + static_cast<std::ptrdiff_t>(typical.size() / 2);
            std::nth_element(typical.begin(), middle, typical.end());
            const auto floor =
                static_cast<std::uint16_t>(std::min<int>(NoPair, *middle * 3 / 2 + NoiseMargin));
            for (std::size_t x = 0; x < columns; ++x)
                limit[x] = vote[x] == None ? std::max(limit[x], floor) : limit[x];
        }
        for (std::size_t c = 0; c < count; ++c) {
            const std::uint16_t* cost = costs.data() + c * columns;
            const auto index = static_cast<std::uint16_t>(c);
            for (std::size_t x = 0; x < columns; ++x)
                vote[x] = vote[x] == None && cost[x] <= limit[x] ? index : vote[x];
        }
        // A best match at the smallest separation is a smooth picture matching itself a pixel
        // along (a gradient, the edges of a flat design), not a repeat.
        for (std::size_t x = 0; x < columns; ++x) {
            if (vote[x] == None || vote[x] == 0)
                continue;
            ++votes[static_cast<std::size_t>(Smallest + vote[x])];
            ++voted;
        }
    }
    // A stereogram is textured and matches nearly everywhere; a picture that does not repeat
    // matches only by chance, and a mostly flat one (a Design image, a smooth ramp) hardly at all.
    if (sampled == 0 || voted * 4 < sampled)
        return std::nullopt;
    // The largest separation that a share of the votes goes to, with its neighbours (a rescaled
    // picture's separations fall between whole pixels). A window across the edge between two
    // surfaces matches again at the sum of their separations; such a sum, less voted for than
    // one of its parts, is no surface of its own.
    const std::int64_t enough = std::max<std::int64_t>(voted * 3 / 100, 8);
    auto supported = [&](int separation) {
        const auto s = static_cast<std::size_t>(separation);
        return votes[s] * 2 >= enough && votes[s] + std::max(votes[s - 1], votes[s + 1]) >= enough;
    };
    auto around = [&](int separation) {
        const auto s = static_cast<std::size_t>(separation);
        return votes[s] + std::max(votes[s - 1], votes[s + 1]);
    };
    std::vector<int> found;
    for (int separation = Smallest; separation <= largest; ++separation)
        if (supported(separation))
            found.push_back(separation);
    for (auto it = found.rbegin(); it != found.rend(); ++it) {
        bool sum = false;
        for (const int a : found)
            for (const int b : found)
                if (a <= b && a + b >= *it - 1 && a + b <= *it + 1 &&
                    around(*it) < std::max(around(a), around(b)))
                    sum = true;
        if (sum)
            continue;
        RepeatSearch search;
        search.repeatWidth = *it;
        search.nearest = *it;
        const std::int64_t few = std::max<std::int64_t>(voted / 300, 8);
        for (int separation = std::max(Smallest, std::min(*it - MaxShift, *it / 2)); separation < *it;
             ++separation)
            if (votes[static_cast<std::size_t>(separation)] >= few) {
                search.nearest = separation;
                break;
            }
        return search;
    }
    return std::nullopt;
}

// The largest separation in a map, or a bound on it.
std::int16_t largestSeparation(const SeparationMap& map) {
    if (map.bound > 0)
        return map.bound;
    std::int16_t largest = 0;
    for (const std::int16_t separation : map.separations)
        largest = std::max(largest, separation);
    return largest;
}

} // namespace

std::optional<int> detectRepeatWidth(const PixelSurface& stereo, RevealPath path) {
    const std::optional<RepeatSearch> search = searchRepeat(stereo, path);
    return search ? std::optional<int>(search->repeatWidth) : std::nullopt;
}

bool looksCrossEyed(const SeparationMap& map) {
    // Where the picture's separations lie, from every other row, and where its border lies among them.
    const int w = map.width, h = map.height;
    const int margin = std::max(2, h / 20), side = std::max(2, w / 20);
    const std::int16_t largest = largestSeparation(map);
    std::vector<std::int64_t> all(static_cast<std::size_t>(largest) + 1, 0), border(all.size(), 0);
    std::int64_t allCount = 0, borderCount = 0;
    for (int y = 0; y < h; y += 2)
        for (int x = 0; x < w; ++x) {
            const int s = map.at(x, y);
            if (s <= 0)
                continue;
            ++all[static_cast<std::size_t>(s)];
            ++allCount;
            if (y < margin || y >= h - margin || x < side) {
                ++border[static_cast<std::size_t>(s)];
                ++borderCount;
            }
        }
    if (allCount < 16 || borderCount < 16)
        return false;
    auto percentile = [](const std::vector<std::int64_t>& counts, std::int64_t total, double share) {
        const auto rank = static_cast<std::int64_t>(share * double(total - 1));
        std::int64_t seen = 0;
        for (std::size_t s = 0; s < counts.size(); ++s) {
            seen += counts[s];
            if (seen > rank)
                return static_cast<int>(s);
        }
        return static_cast<int>(counts.size() - 1);
    };
    const int low = percentile(all, allCount, 0.02), high = percentile(all, allCount, 0.98);
    if (high - low < 2)
        return false;
    const int middle = percentile(border, borderCount, 0.5);
    // The border among the nearest third of a parallel reading: it is far, so the reading is crossed.
    return (middle - low) * 3 < (high - low);
}

std::vector<std::uint8_t> levelsFromSeparations(const SeparationMap& map, int repeatWidth, int depth) {
    const ShiftTable shifts(ConversionParameters{repeatWidth, depth, 0}.depthFactor());
    // Every separation a map holds is a 16-bit value; look each one up once.
    const std::int16_t largest = largestSeparation(map);
    std::vector<std::uint8_t> levelOf(static_cast<std::size_t>(largest) + 1, 0);
    for (int separation = 1; separation <= largest; ++separation) {
        const std::int64_t shift = std::int64_t{repeatWidth} - separation;
        int best = 0;
        std::int64_t bestDistance = -1;
        for (int level = 0; level < 16; ++level) {
            const std::int64_t distance = std::llabs(shift - shifts[level]);
            if (bestDistance < 0 || distance < bestDistance) {
                bestDistance = distance;
                best = level;
            }
        }
        levelOf[static_cast<std::size_t>(separation)] = static_cast<std::uint8_t>(best);
    }
    std::vector<std::uint8_t> levels(map.separations.size());
    for (std::size_t i = 0; i < levels.size(); ++i)
        levels[i] = levelOf[static_cast<std::size_t>(std::max<std::int16_t>(map.separations[i], 0))];
    return levels;
}

std::vector<std::uint16_t> greyFromSeparations(const SeparationMap& map, int repeatWidth, bool crossEyed) {
    const std::size_t pixels = map.separations.size();
    std::vector<std::uint16_t> grey(pixels, 0);
    // Whole-pixel separations (nothing refined) go through a table.
    bool refined = false;
    for (std::size_t i = 0; map.belowPixel && i < map.refined.size(); ++i)
        refined |= map.refined[i] != float(map.separations[i]);
    auto separationAt = [&](std::size_t i) {
        return refined && map.refined[i] > 0 ? map.refined[i] : float(map.separations[i]);
    };
    // One end is the repeat width (far when parallel, near when crossed); the other is where all but
    // one pixel in 200 lie, so that a few stray matches do not set the scale. Counted in sixteenths
    // of a pixel.
    constexpr int Steps = 16;
    const std::int16_t largest = largestSeparation(map);
    std::vector<std::int64_t> counts(static_cast<std::size_t>(largest + 1) * Steps, 0);
    std::int64_t found = 0;
    if (refined) {
        for (std::size_t i = 0; i < pixels; ++i) {
            if (map.separations[i] <= 0)
                continue;
            const auto bin =
                static_cast<std::size_t>(std::clamp(separationAt(i) * Steps, 0.0f, float(counts.size() - 1)));
            ++counts[bin];
            ++found;
        }
    } else {
        // Neighbouring pixels mostly share a separation: four tallies do not wait on each other.
        std::vector<std::int64_t> tallies(4 * (static_cast<std::size_t>(largest) + 1), 0);
        const std::size_t stride = static_cast<std::size_t>(largest) + 1;
        for (std::size_t i = 0; i < pixels; ++i)
            ++tallies[(i & 3) * stride +
                      static_cast<std::size_t>(std::max<std::int16_t>(map.separations[i], 0))];
        for (std::size_t s = 1; s < stride; ++s) {
            const std::int64_t n =
                tallies[s] + tallies[stride + s] + tallies[2 * stride + s] + tallies[3 * stride + s];
            counts[s * Steps] += n;
            found += n;
        }
    }
    if (found == 0)
        return grey;
    const auto rank = static_cast<std::int64_t>(double(found - 1) * 0.005);
    std::int64_t seen = 0;
    std::size_t bin = 0;
    for (; bin < counts.size(); ++bin) {
        seen += counts[bin];
        if (seen > rank)
            break;
    }
    // Refined separations of a flat surface scatter by a few tenths of a pixel; those of the
    // surface at this end all take the end's value.
    const float other = float(bin) / Steps + 0.35f;
    const float end = float(repeatWidth);
    if (end - other < 0.5f)
        return grey;
    const float scale = 65535.0f / (end - other);
    if (!refined) {
        std::vector<std::uint16_t> greyOf(static_cast<std::size_t>(largest) + 1, 0);
        for (int separation = 1; separation <= largest; ++separation) {
            float nearness = (end - float(separation)) * scale;
            if (crossEyed)
                nearness = 65535.0f - nearness;
            greyOf[static_cast<std::size_t>(separation)] =
                static_cast<std::uint16_t>(std::clamp(nearness, 0.0f, 65535.0f) + 0.5f);
        }
        for (std::size_t i = 0; i < pixels; ++i)
            grey[i] = greyOf[static_cast<std::size_t>(std::max<std::int16_t>(map.separations[i], 0))];
        return grey;
    }
    for (std::size_t i = 0; i < pixels; ++i) {
        if (map.separations[i] <= 0)
            continue;
        float nearness = (end - separationAt(i)) * scale; // parallel: 0 far .. 65535 near
        if (crossEyed)
            nearness = 65535.0f - nearness;
        grey[i] = static_cast<std::uint16_t>(std::clamp(nearness, 0.0f, 65535.0f) + 0.5f);
    }
    return grey;
}

RevealResult revealStereogram(const PixelSurface& stereo, const RevealOptions& options) {
    RevealResult result;
    result.width = std::max(0, stereo.width());
    result.height = std::max(0, stereo.height());
    std::optional<int> repeatWidth = options.repeatWidth;
    int nearest = 0;
    if (!repeatWidth) {
        if (const std::optional<RepeatSearch> search = searchRepeat(stereo)) {
            repeatWidth = search->repeatWidth;
            nearest = search->nearest;
        }
    }
    if (!repeatWidth || *repeatWidth < 1) {
        result.status = RevealStatus::NotAStereogram;
        return result;
    }
    result.repeatWidth = *repeatWidth;
    // With a depth only the converters' separations can occur; a smooth map needs every separation in
    // the range, in whole pixels, to refine between them. Separations well below the nearest one the
    // search saw are not tried.
    std::vector<int> candidates =
        candidateSeparations(*repeatWidth, options.smooth ? std::nullopt : options.depth);
    if (nearest > 0)
        std::erase_if(candidates, [nearest](int separation) { return separation < nearest - 3; });
    SeparationMap map = findSeparations(stereo, candidates, options.smooth);
    const auto pixels = static_cast<double>(map.separations.size());
    result.matchedShare = pixels > 0 ? double(map.matched) / pixels : 0.0;
    if (result.matchedShare < LeastMatchedShare) {
        result.status = RevealStatus::TooFewMatches;
        return result;
    }
    result.status = RevealStatus::Ok;
    result.crossEyed = options.direction == RevealDirection::Cross ||
                       (options.direction == RevealDirection::Auto && looksCrossEyed(map));
    result.grey = greyFromSeparations(map, *repeatWidth, result.crossEyed);
    if (options.depth) {
        result.levels = levelsFromSeparations(map, *repeatWidth, *options.depth);
        if (result.crossEyed)
            for (std::uint8_t& level : result.levels)
                level = static_cast<std::uint8_t>(15 - level);
    }
    return result;
}

} // namespace quarbel::engine
