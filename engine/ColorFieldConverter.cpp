#include "engine/ColorFieldConverter.h"

#include <algorithm>
#include <cstring>
#include <span>

namespace quarbel::engine {

namespace {

// Columns nothing linked to (or that received black) show the Field image's own pixel; each
// column's colour goes on to the column one separation to its right.

// Every separation in 1..LinkGuard: no range checks. Along a run of equal depth the separation is
// constant, and when it is at least 4 a block of 4 columns reads nothing that the same block writes,
// so the columns go 4 at a time.
void linkRuns(const std::int32_t* depth, const std::int64_t* separation, const std::int32_t* runStarts,
              std::size_t runCount, const Packed* pattern, Packed* row, std::int64_t columns) {
    for (std::size_t run = 0; run < runCount; ++run) {
        const std::int64_t begin = runStarts[run];
        const std::int64_t end = run + 1 < runCount ? runStarts[run + 1] : columns;
        const std::int64_t s = separation[depth[begin]];
        std::int64_t x = begin;
#if defined(__GNUC__)
        if (s >= 4) {
            using Block = Packed __attribute__((vector_size(16)));
            for (; x + 4 <= end; x += 4) {
                Block c, own;
                std::memcpy(&c, row + x, sizeof c);
                std::memcpy(&own, pattern + x, sizeof own);
                const Block unset = c == 0;
                c = (own & unset) | (c & ~unset);
                std::memcpy(row + x, &c, sizeof c);
                std::memcpy(row + x + s, &c, sizeof c);
            }
        }
#endif
        for (; x < end; ++x) {
            Packed c = row[x];
            if (c == 0) {
                c = pattern[x];
                row[x] = c;
            }
            row[x + s] = c;
        }
    }
}

// Any parameters: only targets in x+1..last can still show; the others are skipped.
void linkRowChecked(const std::int32_t* depth, const std::int64_t* separation, const Packed* pattern,
                    Packed* row, std::int64_t last) {
    for (std::int64_t x = 0; x <= last; ++x) {
        Packed c = row[x];
        if (c == 0) {
            c = pattern[x];
            row[x] = c;
        }
        const std::int64_t s = separation[depth[x]];
        if (static_cast<std::uint64_t>(s - 1) < static_cast<std::uint64_t>(last - x))
            row[x + s] = c;
    }
}

} // namespace

ColorFieldConverter::ColorFieldConverter(ConversionState& state, RunFlags& flags, const PixelSurface& design,
                                         const PixelSurface& field, RowSink& stereo)
    : RowConverter(state, flags, stereo, 2), m_design(design), m_field(field) {}

void ColorFieldConverter::convertRow() {
    ConversionState& s = state();
    const std::int64_t last = s.LastColumn;
    const auto columns = static_cast<std::size_t>(last + 1);

    // The depth levels are taken already, so the scratch row can hold the pattern now.
    Packed* pattern = m_in.data();
    m_field.readRow(s.CurrentRow, std::span<Packed>(pattern, columns));
    Packed* row = m_out.data();
    std::fill_n(row, columns, 0);
    if (linksInGuard())
        linkRuns(s.DepthRow.data(), separations().data(), m_runStarts.data(), m_runCount, pattern, row,
                 last + 1);
    else
        linkRowChecked(s.DepthRow.data(), separations().data(), pattern, row, last);
}

} // namespace quarbel::engine
