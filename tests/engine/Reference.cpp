#include "Reference.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace quarbel::engine::testing {

namespace {
constexpr Packed rgb(int r, int g, int b) {
    return r + 256 * g + 65536 * b;
}
} // namespace

const Packed ReferencePalette[16] = {
    rgb(0, 0, 0),       rgb(128, 0, 0),   rgb(0, 128, 0),   rgb(128, 128, 0),
    rgb(0, 0, 128),     rgb(128, 0, 128), rgb(0, 128, 128), rgb(128, 128, 128),
    rgb(192, 192, 192), rgb(255, 0, 0),   rgb(0, 255, 0),   rgb(255, 255, 0),
    rgb(0, 0, 255),     rgb(255, 0, 255), rgb(0, 255, 255), rgb(255, 255, 255),
};

const Packed ReferenceDotColours[16] = {
    rgb(0, 0, 0),       rgb(0, 0, 128),   rgb(0, 128, 0),   rgb(0, 128, 128),
    rgb(128, 0, 0),     rgb(128, 0, 128), rgb(128, 128, 0), rgb(192, 192, 192),
    rgb(128, 128, 128), rgb(0, 0, 255),   rgb(0, 255, 0),   rgb(0, 255, 255),
    rgb(255, 0, 0),     rgb(255, 0, 255), rgb(255, 255, 0), rgb(255, 255, 255),
};

int referenceQuantise(int component) {
    if (component <= 64)
        return 0;
    if (component >= 65 && component <= 160)
        return 128;
    if (component >= 161 && component <= 207)
        return 192;
    return 255;
}

int referenceLevel(Packed colour) {
    const std::uint32_t bits = static_cast<std::uint32_t>(colour);
    const int red = static_cast<int>(bits % 256);
    const int green = static_cast<int>((bits / 256) % 256);
    const int blue = static_cast<int>((bits / 65536) % 256);
    const long long q =
        referenceQuantise(red) + 256LL * referenceQuantise(green) + 65536LL * referenceQuantise(blue);
    for (int level = 0; level < 16; ++level)
        if (q == ReferencePalette[level])
            return level;
    int best = 0;
    long long bestDistance = std::llabs(q - ReferencePalette[0]);
    for (int level = 1; level < 16; ++level) {
        const long long d = std::llabs(q - ReferencePalette[level]);
        if (d < bestDistance) {
            bestDistance = d;
            best = level;
        }
    }
    return best;
}

std::int64_t referenceShift(int depth, int level) {
    const float factor = static_cast<float>(depth / 10.0);
    return static_cast<std::int64_t>(std::nearbyint(static_cast<double>(factor) * level));
}

void referenceRandomDotRun(const MemorySurface& design, const ReferenceParameters& p,
                           const std::string& monoOrColor, RandomSource& random, std::uint64_t seed,
                           int firstRow, int endRow, std::int64_t& previousShift,
                           std::vector<Packed>& image) {
    random.seed(seed);
    const int width = design.width();
    const int lastColumn = width - 1;
    auto chooseDot = [&]() -> int {
        const int r = static_cast<int>(std::floor(random.next() * 101));
        if (r >= p.density)
            return 0;
        if (monoOrColor == "Mono")
            return 15;
        return static_cast<int>(std::floor(random.next() * 16));
    };
    for (int row = firstRow; row < endRow; ++row) {
        std::vector<int> colourRow(std::max(1025, width), 0);
        std::vector<int> depthRow(std::max(1025, width), 0);
        for (int x = 0; x <= lastColumn; ++x)
            depthRow[x] = referenceLevel(design.pixel(x, row));
        for (int x = 0; x <= lastColumn; ++x) {
            const std::int64_t shift = referenceShift(p.depth, depthRow[x]);
            if (x <= p.repeatWidth && colourRow[x] == 0)
                colourRow[x] = chooseDot();
            image[static_cast<std::size_t>(row) * width + x] = ReferenceDotColours[colourRow[x]];
            const std::int64_t target = x + static_cast<std::int64_t>(p.repeatWidth) - shift;
            if (target >= 0 && target <= lastColumn)
                colourRow[target] = colourRow[x];
            if (shift < previousShift) {
                for (std::int64_t i = x + p.repeatWidth - previousShift; i <= x + p.repeatWidth - shift - 1;
                     ++i) {
                    if (i >= 0 && i <= lastColumn)
                        colourRow[i] = chooseDot();
                }
            }
            previousShift = shift;
        }
    }
}

void referenceColorFieldRun(const MemorySurface& design, const MemorySurface& field,
                            const ReferenceParameters& p, int firstRow, int endRow,
                            std::vector<Packed>& image) {
    const int width = field.width();
    const int lastColumn = width - 1;
    for (int row = firstRow; row < endRow; ++row) {
        std::vector<Packed> colourRow(std::max(1025, width), 0);
        std::vector<int> depthRow(std::max(1025, width), 0);
        for (int x = 0; x <= lastColumn; ++x)
            depthRow[x] = referenceLevel(design.pixel(x, row));
        for (int x = 0; x <= lastColumn; ++x) {
            const std::int64_t shift = referenceShift(p.depth, depthRow[x]);
            if (colourRow[x] == 0)
                colourRow[x] = field.pixel(x, row);
            image[static_cast<std::size_t>(row) * width + x] = colourRow[x];
            const std::int64_t target = x + static_cast<std::int64_t>(p.repeatWidth) - shift;
            if (target >= 0 && target <= lastColumn)
                colourRow[target] = colourRow[x];
        }
    }
}

} // namespace quarbel::engine::testing
