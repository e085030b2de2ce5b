#include "engine/ColorFieldConverter.h"

#include <algorithm>
#include <span>

namespace quarbel::engine {

ColorFieldConverter::ColorFieldConverter(ConversionState& state, RunFlags& flags, const PixelSurface& design,
                                         const PixelSurface& field, RowSink& stereo)
    : RowConverter(state, flags, stereo, 2), m_design(design), m_field(field) {}

void ColorFieldConverter::convertRow() {
    ConversionState& s = state();
    const std::int64_t last = s.LastColumn;
    const auto columns = static_cast<std::size_t>(last + 1);
    const std::int64_t repeatWidth = parameters().repeatWidth;
    const auto& shiftOf = shifts();
    const std::int32_t* depth = s.DepthRow.data();
    Packed* colour = m_colourRow.data();
    Packed* out = m_out.data();

    // The depth levels are taken already, so the scratch row can hold the pattern now.
    Packed* pattern = m_in.data();
    m_field.readRow(s.CurrentRow, std::span<Packed>(pattern, columns));
    std::fill_n(colour, columns, 0);

    for (std::int64_t x = 0; x <= last; ++x) {
        Packed c = colour[x];
        if (c == 0)
            c = pattern[x];
        out[x] = c;
        const std::int64_t target = x + repeatWidth - shiftOf[depth[x]];
        if (static_cast<std::uint64_t>(target) <= static_cast<std::uint64_t>(last))
            colour[target] = c;
    }
}

} // namespace quarbel::engine
