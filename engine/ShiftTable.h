#pragma once

#include <array>
#include <cstdint>

namespace quarbel::engine {

// Nearest integer, halves to the even neighbour (0.5 -> 0, 1.5 -> 2, 2.5 -> 2), whatever the
// floating-point rounding mode happens to be.
double roundHalfEven(double value);

// Shift in pixels for each depth level 0..15: the single-precision factor times the level, in
// double precision, rounded half to even. Shifts beyond the 32-bit range (only from absurd
// hand-edited depths) saturate, since the previous shift is kept as a 32-bit value.
class ShiftTable {
public:
    ShiftTable() = default;
    explicit ShiftTable(float depthFactor);

    std::int32_t operator[](std::int32_t level) const { return m_shifts[static_cast<std::size_t>(level)]; }
    const std::array<std::int32_t, 16>& shifts() const { return m_shifts; }

private:
    std::array<std::int32_t, 16> m_shifts{};
};

} // namespace quarbel::engine
