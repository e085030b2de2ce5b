#include "engine/RevealKernels.h"

#include <algorithm>
#include <cstdlib>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define QUARBEL_X86_SIMD 1
#include <immintrin.h>
#else
#define QUARBEL_X86_SIMD 0
#endif

namespace quarbel::engine::reveal {

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

// Sixteen pixels at a time from x while they pair: |a - b| of bytes as two saturating subtractions,
// summed saturating. Returns where it stopped.
inline int differencesBy16(const Planes& row, int x, int paired, int separation, std::uint8_t* out) {
#if defined(__SSE2__)
    const auto absDiff = [separation](const std::uint8_t* p, int at) {
        const __m128i u = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at));
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at + separation));
        return _mm_or_si128(_mm_subs_epu8(u, v), _mm_subs_epu8(v, u));
    };
    for (; x + 16 <= paired; x += 16) {
        const __m128i d = _mm_adds_epu8(_mm_adds_epu8(absDiff(row.r.data(), x), absDiff(row.g.data(), x)),
                                        absDiff(row.b.data(), x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), d);
    }
#else
    static_cast<void>(row);
    static_cast<void>(paired);
    static_cast<void>(separation);
    static_cast<void>(out);
#endif
    return x;
}

void pixelDifferences(const Planes& row, int width, int separation, std::uint8_t* out) {
    static_assert(PixelCap == 255, "the differences saturate at a byte");
    const int paired = std::max(0, width - separation);
    const int x = differencesBy16(row, 0, paired, separation, out);
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
    x = differencesBy16(row, x, paired, separation, out);
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

// N candidates from first on (their costs one row after the other): alternative[x] = the least of
// its own and the costs of those at least 2 from bestIndex[x]; total[x] sums the costs in 64ths (76
// candidates at most stay within 16 bits). Several candidates at a time read and write the pixel's
// values once.
template <int N>
[[gnu::always_inline]] inline void
keepAlternativeBody(const std::uint16_t* __restrict costs, std::size_t columns, std::uint16_t first,
                    const std::uint16_t* __restrict bestIndex, std::uint16_t* __restrict alternative,
                    std::uint16_t* __restrict total) {
    for (std::size_t x = 0; x < columns; ++x) {
        const std::uint16_t index = bestIndex[x];
        auto kept = static_cast<std::int16_t>(alternative[x]);
        std::uint16_t sum = total[x];
        for (int k = 0; k < N; ++k) {
            const std::uint16_t cost = costs[static_cast<std::size_t>(k) * columns + x];
            const bool apart = static_cast<std::uint16_t>(index - (first + k) + 1) > 2;
            const auto c = static_cast<std::int16_t>(cost);
            kept = apart && c < kept ? c : kept;
            sum = static_cast<std::uint16_t>(sum + (cost >> 6));
        }
        alternative[x] = static_cast<std::uint16_t>(kept);
        total[x] = sum;
    }
}

[[gnu::always_inline]] inline void keepAlternativesBody(const std::uint16_t* costs, std::size_t count,
                                                        std::size_t columns, const std::uint16_t* bestIndex,
                                                        std::uint16_t* alternative, std::uint16_t* total) {
    std::fill(alternative, alternative + columns, NoPair);
    std::fill(total, total + columns, std::uint16_t{0});
    std::size_t c = 0;
    for (; c + 4 <= count; c += 4)
        keepAlternativeBody<4>(costs + c * columns, columns, static_cast<std::uint16_t>(c), bestIndex,
                               alternative, total);
    for (; c < count; ++c)
        keepAlternativeBody<1>(costs + c * columns, columns, static_cast<std::uint16_t>(c), bestIndex,
                               alternative, total);
}

void candidateCosts(const CandidateRow& row) {
    candidateCostsBody(row);
}

void keepAlternatives(const std::uint16_t* costs, std::size_t count, std::size_t columns,
                      const std::uint16_t* bestIndex, std::uint16_t* alternative, std::uint16_t* total) {
    keepAlternativesBody(costs, count, columns, bestIndex, alternative, total);
}

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
    for (std::size_t x = 0; x < columns; ++x) {
        const std::uint16_t index = bestIndex[x];
        chosen[x] = best[x] < Unmatched ? index : NoPair;
    }
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

__attribute__((target("avx2"))) void keepAlternativesAvx2(const std::uint16_t* costs, std::size_t count,
                                                          std::size_t columns, const std::uint16_t* bestIndex,
                                                          std::uint16_t* alternative, std::uint16_t* total) {
    keepAlternativesBody(costs, count, columns, bestIndex, alternative, total);
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
void keepAlternativesAvx2(const std::uint16_t* costs, std::size_t count, std::size_t columns,
                          const std::uint16_t* bestIndex, std::uint16_t* alternative, std::uint16_t* total) {
    keepAlternatives(costs, count, columns, bestIndex, alternative, total);
}
#endif

} // namespace quarbel::engine::reveal
