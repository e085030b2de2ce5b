#pragma once

// Design colours to depth levels. Each component is snapped to 0, 128, 192 or 255; the snapped
// colour is looked up in DepthPalette, and a colour that is not there goes to the entry whose
// packed value is numerically nearest (ties to the lower level). The rule only ever sees 4 values
// per component, so it is evaluated once per snapped colour at compile time and applied by table.

#include "engine/Colour.h"

#include <array>
#include <cstdint>
#include <span>

namespace quarbel::engine {

// 0..64 (and anything below) -> 0, 65..160 -> 128, 161..207 -> 192, 208 and above -> 255.
constexpr int quantiseComponent(int value) {
    if (value <= 64)
        return 0;
    if (value <= 160)
        return 128;
    if (value <= 207)
        return 192;
    return 255;
}

namespace detail {

constexpr int snappedValues[4] = {0, 128, 192, 255};

constexpr int componentIndex(int value) {
    const int q = quantiseComponent(value);
    return q == 0 ? 0 : q == 128 ? 1 : q == 192 ? 2 : 3;
}

// Level of a snapped colour: exact palette match first, else the first strictly nearest entry.
constexpr std::uint8_t levelOfSnapped(Packed q) {
    for (int level = 0; level < 16; ++level) {
        if (DepthPalette[level] == q)
            return static_cast<std::uint8_t>(level);
    }
    int best = 0;
    std::int64_t bestDistance = -1;
    for (int level = 0; level < 16; ++level) {
        std::int64_t d = static_cast<std::int64_t>(q) - DepthPalette[level];
        if (d < 0)
            d = -d;
        if (bestDistance < 0 || d < bestDistance) {
            bestDistance = d;
            best = level;
        }
    }
    return static_cast<std::uint8_t>(best);
}

// Byte value -> index of its snapped value, pre-shifted into the red, green and blue positions
// of a 6-bit index (red bits 0-1, green bits 2-3, blue bits 4-5).
constexpr std::array<std::array<std::uint8_t, 256>, 3> makeComponentTables() {
    std::array<std::array<std::uint8_t, 256>, 3> tables{};
    for (int v = 0; v < 256; ++v) {
        const int index = componentIndex(v);
        tables[0][v] = static_cast<std::uint8_t>(index);
        tables[1][v] = static_cast<std::uint8_t>(index << 2);
        tables[2][v] = static_cast<std::uint8_t>(index << 4);
    }
    return tables;
}

constexpr std::array<std::uint8_t, 64> makeLevelTable() {
    std::array<std::uint8_t, 64> table{};
    for (int i = 0; i < 64; ++i) {
        const Packed q =
            packRgb(snappedValues[i & 3], snappedValues[(i >> 2) & 3], snappedValues[(i >> 4) & 3]);
        table[i] = levelOfSnapped(q);
    }
    return table;
}

inline constexpr auto ComponentTables = makeComponentTables();
inline constexpr auto LevelTable = makeLevelTable();

} // namespace detail

// Depth level 0..15 of one Design colour; -1 (outside the picture) has all components 255 -> 15.
constexpr int depthLevelOf(Packed colour) {
    return detail::LevelTable[detail::ComponentTables[0][RGBBreak(1, colour)] |
                              detail::ComponentTables[1][RGBBreak(2, colour)] |
                              detail::ComponentTables[2][RGBBreak(3, colour)]];
}

// Fills levels[x] with the level of colours[x]; only the entries both spans have are touched.
void QuantiseDepthRow(std::span<const Packed> colours, std::span<std::int32_t> levels);

// Where one quantising pass puts its results: levels is required, runStarts optional.
struct QuantisedRow {
    std::int32_t* levels = nullptr;
    // The first column of every run of equal levels (0, then each column whose level differs from
    // the column before), in ascending order; room for one entry per column.
    std::int32_t* runStarts = nullptr;
};

// The row is done with SIMD instructions where the processor has them; every way gives the same
// results. Tests run each way the machine offers.
enum class QuantiserPath { Portable, Sse41, Avx2, Avx512 };
bool quantiserPathAvailable(QuantiserPath path);
QuantiserPath bestQuantiserPath();

// Quantises colours[0..count) into out; returns the number of runs written (0 without runStarts).
std::size_t quantiseRow(const Packed* colours, std::size_t count, const QuantisedRow& out);
// The same by a given way (the portable one when the machine lacks it).
std::size_t quantiseRowWith(QuantiserPath path, const Packed* colours, std::size_t count,
                            const QuantisedRow& out);

} // namespace quarbel::engine
