#pragma once

#include "engine/Colour.h"

#include <array>
#include <cstdint>
#include <vector>

namespace quarbel::engine {

// Application-wide run flags; one set for the whole program.
struct RunFlags {
    bool Converting = false;
    bool PauseRequested = false;
    bool AbortRequested = false;
};

// Per-window conversion state; it lives as long as its document window and starts at 0.
struct ConversionState {
    std::int32_t LastColumn = 0;
    std::int32_t LastRow = 0;
    std::int32_t CurrentRow = 0;
    std::int32_t CurrentColumn = 0;
    // One level per column of the current row; a run sizes it to its picture.
    std::vector<std::int32_t> DepthRow;
    // [0] random-dot resume row, [1] random-dot previous shift (never reset), [2] colour-field resume row.
    std::array<std::int32_t, 3> ResumeState{};
    bool Closing = false;
    // The widest picture a run accepts: the editor sets the width its insertion enforces; nothing
    // goes past MaxConvertWidth whatever is asked for.
    std::int32_t MaxWidth = MaxConvertWidth;
};

} // namespace quarbel::engine
