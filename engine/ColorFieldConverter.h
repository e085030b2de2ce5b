#pragma once

#include "engine/RowConverter.h"

namespace quarbel::engine {

// Colour-field stereogram: a column that no earlier column linked to shows the Field image's own
// pixel; every other column repeats the column one separation to its left. Size from the Field
// image, depth from the Design image; ResumeState[2] is the resume row.
class ColorFieldConverter final : public RowConverter {
public:
    ColorFieldConverter(ConversionState& state, RunFlags& flags, const PixelSurface& design,
                        const PixelSurface& field, RowSink& stereo);

private:
    const PixelSurface& sizeSource() const override { return m_field; }
    const PixelSurface& design() const override { return m_design; }
    void convertRow() override;

    const PixelSurface& m_design;
    const PixelSurface& m_field;
};

} // namespace quarbel::engine
