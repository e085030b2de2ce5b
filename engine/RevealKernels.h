#pragma once

// The matching kernels of the reveal: per-pixel colour differences at one separation, the window
// costs of one candidate along a row, and each pixel's state among the candidates. Each kernel is
// written plainly for the compiler to vectorise, once for any x86-64 and once for AVX2; both give
// the same results. Internal to the reveal (DepthReveal.cpp, RepeatWidthSearch.cpp).

#include "engine/PixelSurface.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quarbel::engine::reveal {

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
    // Every pixel of the row has equal red, green and blue (a mono random-dot stereogram's, a grey
    // picture's): one plane then tells the differences.
    bool grey = false;

    // Row y of the picture, read through scratch (whose size is the row's width); with avx2, split
    // 32 pixels at a time.
    void load(const PixelSurface& picture, int y, std::vector<Packed>& scratch, bool avx2 = false);

    // Splits pixels [from, width) of a row, one at a time; returns the red ^ green and green ^ blue
    // bits seen (0: grey).
    std::uint32_t splitFrom(const Packed* in, std::size_t from, std::size_t width) {
        std::uint8_t* __restrict red = r.data();
        std::uint8_t* __restrict green = g.data();
        std::uint8_t* __restrict blue = b.data();
        std::uint32_t mixed = 0;
        for (std::size_t x = from; x < width; ++x) {
            const auto bits = static_cast<std::uint32_t>(in[x]);
            red[x] = static_cast<std::uint8_t>(bits);
            green[x] = static_cast<std::uint8_t>(bits >> 8);
            blue[x] = static_cast<std::uint8_t>(bits >> 16);
            mixed |= bits ^ (bits >> 8); // red ^ green in byte 0, green ^ blue in byte 1
        }
        return mixed & 0xFFFFu;
    }
};

// One candidate's costs along the output row, from the pixel differences of the rows above, at and
// below it. Written plainly for the compiler to vectorise, once for any x86-64 and once for AVX2.
struct CandidateRow {
    const std::uint8_t* above;
    const std::uint8_t* middle;
    const std::uint8_t* below;
    int width;
    int separation;
    std::uint16_t* padded; // 2 * (width + 2 * Reach)
    std::uint16_t* right;  // width
    std::uint16_t* cost;   // width: the candidate's costs, kept for the choice among neighbours
};

// Every candidate's costs along the output row (count rows of columns, candidate after candidate,
// stride apart) and what each pixel makes of them.
struct RowCosts {
    const std::uint16_t* costs;
    std::size_t count;
    std::size_t columns;
    std::size_t stride;
    std::uint16_t* best;        // the lowest cost
    std::uint16_t* bestIndex;   // its candidate (the first of equals)
    std::uint16_t* alternative; // the lowest among the candidates at least 2 from it
    std::uint8_t* state;        // 0 clear, 1 ambiguous or flat, 2 matched on the left, 3 nowhere
    std::uint16_t* chosen;      // the best candidate, NoPair where none pairs
    std::uint8_t* attention;    // whether a far tie may concern the pixel
};

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

// The end of the run of values[begin] in [begin, n), eight values at a time: a run's end is found by
// one comparison of eight and the lowest unequal lane, not one value at a time.
template <typename T> inline std::size_t runEnd(const T* values, std::size_t begin, std::size_t n) {
    static_assert(sizeof(T) == 2, "16-bit values");
    const T value = values[begin];
    std::size_t end = begin + 1;
#if defined(__SSE2__)
    const __m128i eight = _mm_set1_epi16(static_cast<short>(value));
    for (; end + 8 <= n; end += 8) {
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(values + end));
        const auto equal = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(next, eight)));
        if (equal != 0xFFFFu)
            return end + static_cast<std::size_t>(std::countr_one(equal)) / 2;
    }
#endif
    while (end < n && values[end] == value)
        ++end;
    return end;
}

// Calls f(value, begin, end) for each run of equal 16-bit values in [0, n), left to right (a map's
// rows are mostly runs of one separation).
template <typename T, typename F> inline void forEachRun(const T* values, std::size_t n, F&& f) {
    for (std::size_t begin = 0; begin < n;) {
        const std::size_t end = runEnd(values, begin, n);
        f(values[begin], begin, end);
        begin = end;
    }
}

// The first index from `from` on, below n, whose byte is not zero (n if none): eight bytes at a
// time, for maps where most bytes are zero.
inline std::size_t firstNonZero(const std::uint8_t* bytes, std::size_t from, std::size_t n) {
    if constexpr (std::endian::native == std::endian::little) {
        for (std::uint64_t eight; from + 8 <= n; from += 8) {
            std::memcpy(&eight, bytes + from, sizeof eight);
            if (eight != 0)
                return from + static_cast<std::size_t>(std::countr_zero(eight)) / 8;
        }
    }
    while (from < n && bytes[from] == 0)
        ++from;
    return from;
}

// The first index from `from` on, below n, whose byte is zero (n if none).
inline std::size_t firstZero(const std::uint8_t* bytes, std::size_t from, std::size_t n) {
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::uint64_t Ones = 0x0101010101010101u, Highs = 0x8080808080808080u;
        for (std::uint64_t eight; from + 8 <= n; from += 8) {
            std::memcpy(&eight, bytes + from, sizeof eight);
            // The lowest flagged byte is the first zero one (a borrow flags only bytes above it).
            const std::uint64_t zeros = (eight - Ones) & ~eight & Highs;
            if (zeros != 0)
                return from + static_cast<std::size_t>(std::countr_zero(zeros)) / 8;
        }
    }
    while (from < n && bytes[from] != 0)
        ++from;
    return from;
}

// vote[x] = index where vote[x] is still 0xFFFF and cost[x] <= limit[x]: the first of the
// separations, tried in order, that matches a pixel within its limit.
void firstWithin(const std::uint16_t* cost, const std::uint16_t* limit, std::uint16_t* vote,
                 std::size_t columns, std::uint16_t index);
void firstWithinAvx2(const std::uint16_t* cost, const std::uint16_t* limit, std::uint16_t* vote,
                     std::size_t columns, std::uint16_t index);

// Whether the processor has AVX2 (looked up once).
bool hasAvx2();

// out[x] = the colour difference between x and x + separation, summed over the three channels and
// capped at PixelCap (255, so a byte); PixelCap past the picture.
void pixelDifferences(const Planes& row, int width, int separation, std::uint8_t* out);
void pixelDifferencesAvx2(const Planes& row, int width, int separation, std::uint8_t* out);

void candidateCosts(const CandidateRow& row);
void candidateCostsAvx2(const CandidateRow& row);

// Rows of costs this far apart: a few cache lines more than a row, so that the candidates' costs
// of one pixel do not all fall into the same cache set.
inline std::size_t costStride(std::size_t columns) {
    return (columns + 31) / 32 * 32 + 32;
}

void searchCosts(const SearchRow& row);
void searchCostsAvx2(const SearchRow& row);

// Each pixel's best, alternative, state, first choice and attention; the count of pixels matched
// well.
std::int64_t chooseAmong(const RowCosts& row);
std::int64_t chooseAmongAvx2(const RowCosts& row);

} // namespace quarbel::engine::reveal
