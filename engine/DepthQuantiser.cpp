#include "engine/DepthQuantiser.h"

#include <algorithm>

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define QUARBEL_X86_SIMD 1
#if defined(__GNUC__) && !defined(__clang__)
// GCC 12 warns of the AVX-512 headers' own deliberately undefined values (its bug 105593).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>
#pragma GCC diagnostic pop
#else
#include <immintrin.h>
#endif
#else
#define QUARBEL_X86_SIMD 0
#endif

namespace quarbel::engine {

namespace {

// Progress of one pass: the level of the column before and the runs found so far.
struct RunTracker {
    int previousLevel = -1;
    std::size_t runs = 0;
};

template <bool Runs>
void quantiseColumns(const Packed* in, std::size_t from, std::size_t to, const QuantisedRow& out,
                     RunTracker& tracker) {
    for (std::size_t x = from; x < to; ++x) {
        const int level = depthLevelOf(in[x]);
        out.levels[x] = level;
        if constexpr (Runs) {
            if (level != tracker.previousLevel)
                out.runStarts[tracker.runs++] = static_cast<std::int32_t>(x);
            tracker.previousLevel = level;
        }
    }
}

template <bool Runs>
std::size_t quantisePortable(const Packed* in, std::size_t count, const QuantisedRow& out) {
    RunTracker tracker;
    quantiseColumns<Runs>(in, 0, count, out, tracker);
    return tracker.runs;
}

#if QUARBEL_X86_SIMD

// The 64-entry level table as four 16-byte shuffle tables, one per snapped blue value.
struct ShuffleTables {
    alignas(16) std::uint8_t bytes[4][16];
};

constexpr ShuffleTables makeShuffleTables() {
    ShuffleTables t{};
    for (int i = 0; i < 64; ++i)
        t.bytes[i >> 4][i & 15] = detail::LevelTable[static_cast<std::size_t>(i)];
    return t;
}

constexpr ShuffleTables LevelShuffles = makeShuffleTables();

inline void recordRunStarts(unsigned changes, std::size_t x, const QuantisedRow& out, RunTracker& tracker) {
    while (changes != 0) {
        out.runStarts[tracker.runs++] =
            static_cast<std::int32_t>(x + static_cast<unsigned>(__builtin_ctz(changes)));
        changes &= changes - 1;
    }
}

// The AVX2 and SSE4.1 ways work the same. Per 32-bit pixel: each byte is compared with the three thresholds
// (unsigned, via a sign flip); the counts 0..3 are weighted 1, 4, 16 (red, green, blue; the top
// byte weighs 0) into the 6-bit table index; the index picks its level from the four shuffle
// tables (bits 0-3 within a table, bits 4 and 5 choose the table by two byte blends). Depth designs are
// mostly flat, so a block that repeats the colour of the column before takes that column's results without
// the arithmetic.

template <bool Runs>
__attribute__((target("avx2"))) std::size_t quantiseAvx2(const Packed* in, std::size_t count,
                                                         const QuantisedRow& out) {
    const __m256i bias = _mm256_set1_epi8(static_cast<char>(0x80));
    const __m256i above64 = _mm256_set1_epi8(static_cast<char>(64 ^ 0x80));
    const __m256i above160 = _mm256_set1_epi8(static_cast<char>(160 ^ 0x80));
    const __m256i above207 = _mm256_set1_epi8(static_cast<char>(207 ^ 0x80));
    const __m256i weights = _mm256_set1_epi32(0x00100401);
    const __m256i minusOne = _mm256_set1_epi16(-1);
    const __m256i lowByte = _mm256_set1_epi32(0xFF);
    const __m256i lastLane = _mm256_set1_epi32(7);
    const __m256i oneLaneUp = _mm256_setr_epi32(7, 0, 1, 2, 3, 4, 5, 6);
    const auto* tables = reinterpret_cast<const __m128i*>(LevelShuffles.bytes);
    const __m256i t0 = _mm256_broadcastsi128_si256(_mm_load_si128(tables + 0));
    const __m256i t1 = _mm256_broadcastsi128_si256(_mm_load_si128(tables + 1));
    const __m256i t2 = _mm256_broadcastsi128_si256(_mm_load_si128(tables + 2));
    const __m256i t3 = _mm256_broadcastsi128_si256(_mm_load_si128(tables + 3));

    RunTracker tracker;
    __m256i runColour = _mm256_set1_epi32(count ? ~in[0] : 0); // matches no first block
    __m256i runLevel = _mm256_setzero_si256();
    std::size_t x = 0;
    for (; x + 8 <= count; x += 8) {
        const __m256i pixels = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + x));
        if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(pixels, runColour)) == -1) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out.levels + x), runLevel);
            continue;
        }
        const __m256i v = _mm256_xor_si256(pixels, bias);
        const __m256i negativeCounts =
            _mm256_add_epi8(_mm256_add_epi8(_mm256_cmpgt_epi8(v, above64), _mm256_cmpgt_epi8(v, above160)),
                            _mm256_cmpgt_epi8(v, above207));
        const __m256i index = _mm256_madd_epi16(_mm256_maddubs_epi16(weights, negativeCounts), minusOne);
        const __m256i bit4 = _mm256_slli_epi32(index, 3);
        const __m256i bit5 = _mm256_slli_epi32(index, 2);
        const __m256i low =
            _mm256_blendv_epi8(_mm256_shuffle_epi8(t0, index), _mm256_shuffle_epi8(t1, index), bit4);
        const __m256i high =
            _mm256_blendv_epi8(_mm256_shuffle_epi8(t2, index), _mm256_shuffle_epi8(t3, index), bit4);
        const __m256i level = _mm256_and_si256(_mm256_blendv_epi8(low, high, bit5), lowByte);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out.levels + x), level);
        if constexpr (Runs) {
            const __m256i before = _mm256_blend_epi32(_mm256_permutevar8x32_epi32(level, oneLaneUp),
                                                      _mm256_set1_epi32(tracker.previousLevel), 0x01);
            const auto same = static_cast<unsigned>(
                _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpeq_epi32(level, before))));
            recordRunStarts(~same & 0xFFu, x, out, tracker);
            tracker.previousLevel = _mm256_extract_epi32(level, 7);
        }
        runColour = _mm256_permutevar8x32_epi32(pixels, lastLane);
        runLevel = _mm256_permutevar8x32_epi32(level, lastLane);
    }
    quantiseColumns<Runs>(in, x, count, out, tracker);
    return tracker.runs;
}

// 64-byte tables for the AVX-512 way: each byte value's index (0..3) of its snapped value, as
// four tables of 64 values, and the level table itself.
struct ByteTables {
    alignas(64) std::uint8_t componentIndex[4][64];
    alignas(64) std::uint8_t level[64];
};

constexpr ByteTables makeByteTables() {
    ByteTables t{};
    for (int v = 0; v < 256; ++v)
        t.componentIndex[v >> 6][v & 63] = detail::ComponentTables[0][static_cast<std::size_t>(v)];
    for (int i = 0; i < 64; ++i)
        t.level[i] = detail::LevelTable[static_cast<std::size_t>(i)];
    return t;
}

constexpr ByteTables QuantiserBytes = makeByteTables();

// 16 pixels at a time, by byte table lookups instead of compares and blends: each byte's index of
// its snapped value from a 256-entry table (two 128-entry lookups, chosen by the byte's top bit);
// the red, green and blue indices shifted together into the low byte of each pixel; the level
// looked up from that byte. The flat-area shortcut and the run starts are as in the other ways.
template <bool Runs>
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) std::size_t
quantiseAvx512(const Packed* in, std::size_t count, const QuantisedRow& out) {
    const __m512i indexLow0 = _mm512_load_si512(QuantiserBytes.componentIndex[0]);
    const __m512i indexLow1 = _mm512_load_si512(QuantiserBytes.componentIndex[1]);
    const __m512i indexHigh0 = _mm512_load_si512(QuantiserBytes.componentIndex[2]);
    const __m512i indexHigh1 = _mm512_load_si512(QuantiserBytes.componentIndex[3]);
    const __m512i levels = _mm512_load_si512(QuantiserBytes.level);
    const __m512i lastLane = _mm512_set1_epi32(15);
    constexpr __mmask64 LowBytes = 0x1111111111111111ull;

    RunTracker tracker;
    __m512i runColour = _mm512_set1_epi32(count ? ~in[0] : 0); // matches no first block
    __m512i runLevel = _mm512_set1_epi32(-1);
    std::size_t x = 0;
    for (; x + 16 <= count; x += 16) {
        const __m512i pixels = _mm512_loadu_si512(in + x);
        if (_mm512_cmpeq_epi32_mask(pixels, runColour) == 0xFFFF) {
            _mm512_storeu_si512(out.levels + x, runLevel);
            continue;
        }
        const __m512i low = _mm512_permutex2var_epi8(indexLow0, pixels, indexLow1);
        const __m512i high = _mm512_permutex2var_epi8(indexHigh0, pixels, indexHigh1);
        const __m512i indices = _mm512_mask_blend_epi8(_mm512_movepi8_mask(pixels), low, high);
        // Red's index is in bits 0-1, green's in 8-9, blue's in 16-17: bring them to 0-5.
        const __m512i combined = _mm512_ternarylogic_epi32(indices, _mm512_srli_epi32(indices, 6),
                                                           _mm512_srli_epi32(indices, 12), 0xFE);
        const __m512i level = _mm512_maskz_permutexvar_epi8(LowBytes, combined, levels);
        _mm512_storeu_si512(out.levels + x, level);
        if constexpr (Runs) {
            // runLevel holds the level of the column before the block (-1 before the first).
            const __m512i before = _mm512_alignr_epi32(level, runLevel, 15);
            recordRunStarts(_mm512_cmpneq_epi32_mask(level, before), x, out, tracker);
        }
        runColour = _mm512_permutexvar_epi32(lastLane, pixels);
        runLevel = _mm512_permutexvar_epi32(lastLane, level);
    }
    tracker.previousLevel = _mm_cvtsi128_si32(_mm512_castsi512_si128(runLevel));
    quantiseColumns<Runs>(in, x, count, out, tracker);
    return tracker.runs;
}

template <bool Runs>
__attribute__((target("sse4.1"))) std::size_t quantiseSse41(const Packed* in, std::size_t count,
                                                            const QuantisedRow& out) {
    const __m128i bias = _mm_set1_epi8(static_cast<char>(0x80));
    const __m128i above64 = _mm_set1_epi8(static_cast<char>(64 ^ 0x80));
    const __m128i above160 = _mm_set1_epi8(static_cast<char>(160 ^ 0x80));
    const __m128i above207 = _mm_set1_epi8(static_cast<char>(207 ^ 0x80));
    const __m128i weights = _mm_set1_epi32(0x00100401);
    const __m128i minusOne = _mm_set1_epi16(-1);
    const __m128i lowByte = _mm_set1_epi32(0xFF);
    const auto* tables = reinterpret_cast<const __m128i*>(LevelShuffles.bytes);
    const __m128i t0 = _mm_load_si128(tables + 0);
    const __m128i t1 = _mm_load_si128(tables + 1);
    const __m128i t2 = _mm_load_si128(tables + 2);
    const __m128i t3 = _mm_load_si128(tables + 3);

    RunTracker tracker;
    __m128i runColour = _mm_set1_epi32(count ? ~in[0] : 0);
    __m128i runLevel = _mm_setzero_si128();
    std::size_t x = 0;
    for (; x + 4 <= count; x += 4) {
        const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x));
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(pixels, runColour)) == 0xFFFF) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out.levels + x), runLevel);
            continue;
        }
        const __m128i v = _mm_xor_si128(pixels, bias);
        const __m128i negativeCounts =
            _mm_add_epi8(_mm_add_epi8(_mm_cmpgt_epi8(v, above64), _mm_cmpgt_epi8(v, above160)),
                         _mm_cmpgt_epi8(v, above207));
        const __m128i index = _mm_madd_epi16(_mm_maddubs_epi16(weights, negativeCounts), minusOne);
        const __m128i bit4 = _mm_slli_epi32(index, 3);
        const __m128i bit5 = _mm_slli_epi32(index, 2);
        const __m128i low = _mm_blendv_epi8(_mm_shuffle_epi8(t0, index), _mm_shuffle_epi8(t1, index), bit4);
        const __m128i high = _mm_blendv_epi8(_mm_shuffle_epi8(t2, index), _mm_shuffle_epi8(t3, index), bit4);
        const __m128i level = _mm_and_si128(_mm_blendv_epi8(low, high, bit5), lowByte);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out.levels + x), level);
        if constexpr (Runs) {
            const __m128i before = _mm_alignr_epi8(level, _mm_set1_epi32(tracker.previousLevel), 12);
            const auto same =
                static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(level, before))));
            recordRunStarts(~same & 0xFu, x, out, tracker);
            tracker.previousLevel = _mm_extract_epi32(level, 3);
        }
        runColour = _mm_shuffle_epi32(pixels, 0xFF);
        runLevel = _mm_shuffle_epi32(level, 0xFF);
    }
    quantiseColumns<Runs>(in, x, count, out, tracker);
    return tracker.runs;
}

#endif

template <bool Runs>
std::size_t quantiseBy(QuantiserPath path, const Packed* in, std::size_t count, const QuantisedRow& out) {
#if QUARBEL_X86_SIMD
    switch (path) {
    case QuantiserPath::Avx512:
        return quantiseAvx512<Runs>(in, count, out);
    case QuantiserPath::Avx2:
        return quantiseAvx2<Runs>(in, count, out);
    case QuantiserPath::Sse41:
        return quantiseSse41<Runs>(in, count, out);
    case QuantiserPath::Portable:
        break;
    }
#else
    (void)path;
#endif
    return quantisePortable<Runs>(in, count, out);
}

QuantiserPath bestAvailablePath() {
    static const QuantiserPath best = bestQuantiserPath();
    return best;
}

} // namespace

bool quantiserPathAvailable(QuantiserPath path) {
    switch (path) {
    case QuantiserPath::Portable:
        return true;
#if QUARBEL_X86_SIMD
    case QuantiserPath::Sse41:
        return __builtin_cpu_supports("sse4.1");
    case QuantiserPath::Avx2:
        return __builtin_cpu_supports("avx2");
    case QuantiserPath::Avx512:
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
               __builtin_cpu_supports("avx512vbmi");
#else
    default:
        return false;
#endif
    }
    return false;
}

QuantiserPath bestQuantiserPath() {
    if (quantiserPathAvailable(QuantiserPath::Avx512))
        return QuantiserPath::Avx512;
    if (quantiserPathAvailable(QuantiserPath::Avx2))
        return QuantiserPath::Avx2;
    if (quantiserPathAvailable(QuantiserPath::Sse41))
        return QuantiserPath::Sse41;
    return QuantiserPath::Portable;
}

std::size_t quantiseRowWith(QuantiserPath path, const Packed* colours, std::size_t count,
                            const QuantisedRow& out) {
    if (!quantiserPathAvailable(path))
        path = QuantiserPath::Portable;
    return out.runStarts ? quantiseBy<true>(path, colours, count, out)
                         : quantiseBy<false>(path, colours, count, out);
}

std::size_t quantiseRow(const Packed* colours, std::size_t count, const QuantisedRow& out) {
    return quantiseRowWith(bestAvailablePath(), colours, count, out);
}

void QuantiseDepthRow(std::span<const Packed> colours, std::span<std::int32_t> levels) {
    quantiseRow(colours.data(), std::min(colours.size(), levels.size()), QuantisedRow{levels.data()});
}

} // namespace quarbel::engine
