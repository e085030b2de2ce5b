#include "engine/Conversion.h"

#include <gtest/gtest.h>
#include <string>
#include <utility>

namespace quarbel::engine {
namespace {

// The random-dot converter reads its mode again for every row from the string it was given, so
// only a string that outlives the call may be handed over; a temporary would dangle.
template <class Mode>
concept TakesMode = requires(ConversionState& state, RunFlags& flags, const PixelSurface& design,
                             RowSink& out, RandomSource& random, Mode&& mode) {
    makeRandomDotConverter(state, flags, design, out, random, std::forward<Mode>(mode));
};

TEST(ConverterArguments, TheRandomDotModeMustOutliveTheConverter) {
    static_assert(TakesMode<std::string&>);
    static_assert(TakesMode<const std::string&>);
    static_assert(!TakesMode<std::string>, "a temporary string");
    static_assert(!TakesMode<const char(&)[5]>, "a literal becomes a temporary string");
    SUCCEED() << "checked when compiled";
}

} // namespace
} // namespace quarbel::engine
