#include "engine/RevealKernels.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <tuple>
#include <utility>

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

#if QUARBEL_X86_SIMD
// The first pixels of a row, 32 at a time: each 128-bit half of four registers sorts its four
// pixels' bytes into red, green, blue and alpha words, and two rounds of unpacking gather the
// words of each colour. Returns where it stopped and the bits that tell a coloured pixel.
__attribute__((target("avx2"))) std::pair<std::size_t, std::uint32_t>
splitBy32(Planes& planes, const Packed* in, std::size_t width) {
    const __m256i byColour = _mm256_setr_epi8(0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15, 0, 4, 8,
                                              12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15);
    // The words come out as pixels 0-3, 8-11, 16-19, 24-27 | 4-7, 12-15, 20-23, 28-31.
    const __m256i inOrder = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    __m256i mixed = _mm256_setzero_si256();
    std::size_t x = 0;
    for (; x + 32 <= width; x += 32) {
        __m256i v[4];
        for (int i = 0; i < 4; ++i)
            v[i] = _mm256_shuffle_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(
                                           in + x + 8 * static_cast<std::size_t>(i))),
                                       byColour);
        const __m256i redGreen01 = _mm256_unpacklo_epi32(v[0], v[1]),
                      blue01 = _mm256_unpackhi_epi32(v[0], v[1]);
        const __m256i redGreen23 = _mm256_unpacklo_epi32(v[2], v[3]),
                      blue23 = _mm256_unpackhi_epi32(v[2], v[3]);
        const __m256i red =
            _mm256_permutevar8x32_epi32(_mm256_unpacklo_epi64(redGreen01, redGreen23), inOrder);
        const __m256i green =
            _mm256_permutevar8x32_epi32(_mm256_unpackhi_epi64(redGreen01, redGreen23), inOrder);
        const __m256i blue = _mm256_permutevar8x32_epi32(_mm256_unpacklo_epi64(blue01, blue23), inOrder);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(planes.r.data() + x), red);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(planes.g.data() + x), green);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(planes.b.data() + x), blue);
        mixed = _mm256_or_si256(mixed,
                                _mm256_or_si256(_mm256_xor_si256(red, green), _mm256_xor_si256(green, blue)));
    }
    const bool coloured = !_mm256_testz_si256(mixed, mixed);
    return {x, coloured ? 1u : 0u};
}
#endif

void Planes::load(const PixelSurface& picture, int y, std::vector<Packed>& scratch, bool avx2) {
    const std::size_t width = scratch.size();
    picture.readRow(y, scratch);
    r.resize(width);
    g.resize(width);
    b.resize(width);
    std::size_t x = 0;
    std::uint32_t mixed = 0;
#if QUARBEL_X86_SIMD
    if (avx2)
        std::tie(x, mixed) = splitBy32(*this, scratch.data(), width);
#else
    static_cast<void>(avx2);
#endif
    mixed |= splitFrom(scratch.data(), x, width);
    grey = mixed == 0;
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
    auto differences = [&](int x) __attribute__((target("avx2"))) {
        auto absolute = [&](const std::uint8_t* p) __attribute__((target("avx2"))) {
            const __m256i u = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + x));
            const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + x + separation));
            return _mm256_or_si256(_mm256_subs_epu8(u, v), _mm256_subs_epu8(v, u));
        };
        __m256i d;
        if (row.grey) { // three equal channels: three times one channel's difference, capped
            d = absolute(r);
            d = _mm256_adds_epu8(_mm256_adds_epu8(d, d), d);
        } else {
            d = _mm256_adds_epu8(_mm256_adds_epu8(absolute(r), absolute(g)), absolute(b));
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x), d);
    };
    if (paired < 32) {
        differencesFrom(row, differencesBy16(row, 0, paired, separation, out), paired, width, separation,
                        out);
        return;
    }
    for (int x = 0; x + 32 <= paired; x += 32)
        differences(x);
    // The last 32 pairs again, overlapping what is done: no narrower steps for the rest.
    differences(paired - 32);
    std::fill(out + paired, out + width, static_cast<std::uint8_t>(PixelCap));
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

// column[x] = a[x] + m[x] + d[x] from x on.
[[gnu::always_inline]] inline void columnSumsFrom(std::size_t x, std::size_t columns,
                                                  const std::uint8_t* __restrict a,
                                                  const std::uint8_t* __restrict m,
                                                  const std::uint8_t* __restrict d,
                                                  std::uint16_t* __restrict column) {
    for (; x < columns; ++x)
        column[x] = static_cast<std::uint16_t>(a[x] + m[x] + d[x]);
}

// The costs of one candidate, with the column sums before `done` already in row.padded.
[[gnu::always_inline]] inline void candidateCostsBody(const CandidateRow& row, std::size_t done = 0) {
    const auto columns = static_cast<std::size_t>(row.width);
    std::uint16_t* column = row.padded + Reach;
    const std::size_t x = done;
    columnSumsFrom(x, columns, row.above, row.middle, row.below, column);
    windowSums(row.padded, row.width, row.separation, row.right);
    const std::uint16_t* __restrict right = row.right;
    std::uint16_t* __restrict cost = row.cost;
    const auto shift = static_cast<std::size_t>(std::min(row.separation, row.width));
    // The lowest bit tells the side: even for the copy on the right, odd for the left.
    for (std::size_t x = 0; x < shift; ++x)
        cost[x] = static_cast<std::uint16_t>(right[x] & ~1u);
    for (std::size_t x = shift; x < columns; ++x) {
        const std::uint16_t v = right[x - shift];
        const auto left = static_cast<std::uint16_t>((v + (v >> 2) + LeftBias) | 1u);
        const auto own = static_cast<std::uint16_t>(right[x] & ~1u);
        cost[x] = std::min(own, left);
    }
}

void candidateCosts(const CandidateRow& row) {
    candidateCostsBody(row);
}

// Sixteen 16-bit lanes: one AVX2 register, or two of any x86-64. They only pass between functions
// that are always inlined, so no call ever carries them.
#pragma GCC diagnostic ignored "-Wpsabi"
using Lanes = std::uint16_t __attribute__((vector_size(32)));
using SignedLanes = std::int16_t __attribute__((vector_size(32)));
using ByteLanes = std::uint8_t __attribute__((vector_size(16)));
constexpr std::size_t LaneCount = 16;

[[gnu::always_inline]] inline SignedLanes loadLanes(const std::uint16_t* p) {
    SignedLanes v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <typename V, typename T> [[gnu::always_inline]] inline void storeLanes(T* p, V v) {
    std::memcpy(p, &v, sizeof v);
}

// The high 16 bits of each lane's 32-bit product.
[[gnu::always_inline]] inline Lanes multiplyHigh(Lanes a, Lanes b) {
    Lanes high;
#if defined(__SSE2__)
    for (std::size_t half = 0; half < 2; ++half) {
        __m128i x, y;
        std::memcpy(&x, reinterpret_cast<const char*>(&a) + 16 * half, sizeof x);
        std::memcpy(&y, reinterpret_cast<const char*>(&b) + 16 * half, sizeof y);
        const __m128i product = _mm_mulhi_epu16(x, y);
        std::memcpy(reinterpret_cast<char*>(&high) + 16 * half, &product, sizeof product);
    }
#else
    for (std::size_t i = 0; i < LaneCount; ++i)
        high[i] = static_cast<std::uint16_t>((std::uint32_t{a[i]} * b[i]) >> 16);
#endif
    return high;
}

// Whether best is below a third of the candidates' mean cost, from the sum of their costs in 64ths
// (76 candidates keep it within 16 bits): best * 3 * count < total * 64, which for whole numbers is
// (best * 3 * count) / 64, rounded down, < total; that quotient is in 16 bits when the product's
// high half is below 64, and else exceeds any total.
[[gnu::always_inline]] inline Lanes belowThirdOfMean(Lanes best, Lanes total, std::size_t count) {
    const Lanes factor = Lanes{} + static_cast<std::uint16_t>(3 * count);
    const Lanes high = multiplyHigh(best, factor), low = best * factor;
    const Lanes quotient = (high << 10) | (low >> 6);
    return (Lanes)(high < 64) & (Lanes)(quotient < total);
}

// Sixteen pixels from x on: the best candidate and the best apart from it, then the pixel's state.
// Costs are at most NoPair, so they compare as signed 16-bit values; the sums below stay within
// unsigned 16 bits. Returns minus the count of pixels matched well, lane by lane.
[[gnu::always_inline]] inline SignedLanes chooseLanes(const RowCosts& row, std::size_t x) {
    const std::size_t count = row.count, stride = row.stride;
    const std::uint16_t* costs = row.costs + x;
    const SignedLanes far = loadLanes(costs);
    // One pass: a new best at c makes every candidate up to c - 2 apart from it (their least is
    // nearer, the least up to the one before c - 1), and those from its c + 2 on join as they come:
    // each one that neither it nor the one before it was a new best.
    const SignedLanes none = SignedLanes{} + std::int16_t(NoPair);
    SignedLanes b = far, index = SignedLanes{}, kept = none, nearer = none;
    SignedLanes newBestBefore = SignedLanes{} - std::int16_t{1}; // candidate 0 is the first best
    Lanes total = (Lanes)far >> 6;
    // The candidate's number, counted in every lane (no broadcast per step).
    const SignedLanes one = SignedLanes{} + std::int16_t{1};
    SignedLanes at = one;
    // Written with minimums and maximums where they do: a choice by mask is the slowest of these
    // operations, and one is left.
    for (std::size_t c = 1; c < count; ++c, at += one) {
        const SignedLanes v = loadLanes(costs + c * stride);
        const SignedLanes lowest = v < b ? v : b;
        const SignedLanes better = lowest < b;
        // The one that joins, or none (all ones, above any cost as unsigned).
        const Lanes joining = (Lanes)(v | newBestBefore),
                    joined = joining < (Lanes)kept ? joining : (Lanes)kept;
        kept = better ? nearer : (SignedLanes)joined;
        newBestBefore = better;
        nearer = b; // the least up to c - 1, for the next
        b = lowest;
        const SignedLanes atBetter = better & at; // the candidates come in rising order
        index = atBetter > index ? atBetter : index;
        total += (Lanes)v >> 6;
    }
    const Lanes best = (Lanes)b, other = (Lanes)kept;
    // Clear: no candidate apart from the best comes near it (a flat window, where all match
    // alike, is never clear); matched well: the best is also at most half the next.
    const Lanes quarter = best >> 2;
    const Lanes margin = best + (quarter > NoiseMargin ? quarter : Lanes{} + NoiseMargin);
    const Lanes paired = (Lanes)(b < std::int16_t(Unmatched));
    const Lanes clear = paired & (Lanes)(other > margin);
    // A pixel matched only on the left is the right member of a pair whose depth belongs to
    // the left one; its own depth comes from its neighbours, like an ambiguous pixel's.
    const Lanes left = best & 1;
    // Matched nowhere: the best is poor and not much better than the rest. A noisy copy (a JPEG's)
    // can match about as badly as that and still well against the rest: below a third of the
    // candidates' mean.
    const Lanes poor =
        (Lanes)(2 * best > other) & (Lanes)(best > PoorFloor) & ~belowThirdOfMean(best, total, count);
    const Lanes state = 2 * left + ((left ^ 1) & ~clear & 1);
    const SignedLanes matched = (SignedLanes)(clear & (Lanes)(2 * best <= other));
    // Pixels the tie between the far separation and a near one may concern (see settleFarTies).
    const Lanes farToo =
        (Lanes)(index >= 2) & (Lanes)(state <= 1) & (Lanes)((Lanes)far <= margin + quarter + LeftBias);
    const Lanes attention = ~poor & (farToo | ((Lanes)(state == 1) & (Lanes)(index == 0))) & 1;
    storeLanes(row.state + x, __builtin_convertvector(poor ? Lanes{} + 3 : state, ByteLanes));
    storeLanes(row.attention + x, __builtin_convertvector(attention, ByteLanes));
    storeLanes(row.best + x, best);
    storeLanes(row.bestIndex + x, index);
    storeLanes(row.alternative + x, other);
    storeLanes(row.chosen + x, paired ? (Lanes)index : Lanes{} + NoPair);
    return matched;
}

// The same for one pixel, for the end of a row.
[[gnu::always_inline]] inline std::int64_t chooseOne(const RowCosts& row, std::size_t x) {
    const std::size_t count = row.count, stride = row.stride;
    const std::uint16_t* costs = row.costs + x;
    int b = costs[0], index = 0, other = NoPair;
    std::uint16_t total = 0;
    for (std::size_t c = 1; c < count; ++c)
        if (costs[c * stride] < b) {
            b = costs[c * stride];
            index = static_cast<int>(c);
        }
    for (std::size_t c = 0; c < count; ++c) {
        if (static_cast<std::uint16_t>(index - int(c) + 1) > 2)
            other = std::min<int>(other, costs[c * stride]);
        total = static_cast<std::uint16_t>(total + (costs[c * stride] >> 6));
    }
    const int margin = b + std::max(b / 4, NoiseMargin);
    const bool clear = b < Unmatched && other > margin;
    const int left = b & 1;
    const bool poor = 2 * b > other && b > PoorFloor &&
                      !(3 * std::int64_t{b} * static_cast<std::int64_t>(count) < std::int64_t{total} * 64);
    const int state = 2 * left + ((left ^ 1) & int(!clear));
    const bool farToo = index >= 2 && state <= 1 && int(costs[0]) <= margin + b / 4 + LeftBias;
    row.state[x] = static_cast<std::uint8_t>(poor ? 3 : state);
    row.attention[x] = static_cast<std::uint8_t>(!poor && (farToo || (state == 1 && index == 0)));
    row.best[x] = static_cast<std::uint16_t>(b);
    row.bestIndex[x] = static_cast<std::uint16_t>(index);
    row.alternative[x] = static_cast<std::uint16_t>(other);
    row.chosen[x] = b < Unmatched ? static_cast<std::uint16_t>(index) : NoPair;
    return clear && 2 * b <= other;
}

[[gnu::always_inline]] inline std::int64_t chooseBody(const RowCosts& row) {
    std::int64_t matched = 0;
    std::size_t x = 0;
    while (x + LaneCount <= row.columns) {
        // Lane counts stay well within 16 bits.
        SignedLanes lanes{};
        for (int blocks = 0; blocks < 4096 && x + LaneCount <= row.columns; ++blocks, x += LaneCount)
            lanes += chooseLanes(row, x);
        for (std::size_t j = 0; j < LaneCount; ++j)
            matched -= lanes[j];
    }
    for (; x < row.columns; ++x)
        matched += chooseOne(row, x);
    return matched;
}

std::int64_t chooseAmong(const RowCosts& row) {
    return chooseBody(row);
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

[[gnu::always_inline]] inline void firstWithinBody(const std::uint16_t* __restrict cost,
                                                   const std::uint16_t* __restrict limit,
                                                   std::uint16_t* __restrict vote, std::size_t columns,
                                                   std::uint16_t index) {
    // Both tests on every pixel (no branch), so that the loop is vectorised.
    for (std::size_t x = 0; x < columns; ++x) {
        const bool open = vote[x] == 0xFFFF, within = cost[x] <= limit[x];
        vote[x] = open & within ? index : vote[x];
    }
}

void firstWithin(const std::uint16_t* cost, const std::uint16_t* limit, std::uint16_t* vote,
                 std::size_t columns, std::uint16_t index) {
    firstWithinBody(cost, limit, vote, columns, index);
}

#if QUARBEL_X86_SIMD
// The column sums sixteen at a time, each byte widened as it loads; returns where it stopped.
__attribute__((target("avx2"))) std::size_t columnSumsAvx2(const CandidateRow& row) {
    const auto columns = static_cast<std::size_t>(row.width);
    const std::uint8_t* __restrict a = row.above;
    const std::uint8_t* __restrict m = row.middle;
    const std::uint8_t* __restrict d = row.below;
    std::uint16_t* __restrict column = row.padded + Reach;
    auto widened = [](const std::uint8_t* p) __attribute__((target("avx2"))) {
        return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
    };
    std::size_t x = 0;
    for (; x + 16 <= columns; x += 16) {
        const __m256i sum =
            _mm256_add_epi16(_mm256_add_epi16(widened(a + x), widened(m + x)), widened(d + x));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(column + x), sum);
    }
    return x;
}

__attribute__((target("avx2"))) void candidateCostsAvx2(const CandidateRow& row) {
    candidateCostsBody(row, columnSumsAvx2(row));
}

__attribute__((target("avx2"))) void searchCostsAvx2(const SearchRow& row) {
    searchCostsBody(row);
}

__attribute__((target("avx2"))) std::int64_t chooseAmongAvx2(const RowCosts& row) {
    return chooseBody(row);
}

__attribute__((target("avx2"))) void firstWithinAvx2(const std::uint16_t* cost, const std::uint16_t* limit,
                                                     std::uint16_t* vote, std::size_t columns,
                                                     std::uint16_t index) {
    firstWithinBody(cost, limit, vote, columns, index);
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
std::int64_t chooseAmongAvx2(const RowCosts& row) {
    return chooseAmong(row);
}
void firstWithinAvx2(const std::uint16_t* cost, const std::uint16_t* limit, std::uint16_t* vote,
                     std::size_t columns, std::uint16_t index) {
    firstWithin(cost, limit, vote, columns, index);
}
#endif

} // namespace quarbel::engine::reveal
