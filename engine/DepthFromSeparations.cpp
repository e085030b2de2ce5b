// The depth a map of separations tells: the direction the stereogram is read in, the converters'
// levels, and a grey map.

#include "engine/DepthReveal.h"

#include "engine/Conversion.h"
#include "engine/ShiftTable.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace quarbel::engine {

namespace {

// The largest separation in a map, or a bound on it.
std::int16_t largestSeparation(const SeparationMap& map) {
    if (map.bound > 0)
        return map.bound;
    std::int16_t largest = 0;
    for (const std::int16_t separation : map.separations)
        largest = std::max(largest, separation);
    return largest;
}

} // namespace

bool looksCrossEyed(const SeparationMap& map) {
    // Where the picture's separations lie, from every other row, and where its border lies among them.
    const int w = map.width, h = map.height;
    const int margin = std::max(2, h / 20), side = std::max(2, w / 20);
    const std::int16_t largest = largestSeparation(map);
    std::vector<std::int64_t> all(static_cast<std::size_t>(largest) + 1, 0), border(all.size(), 0);
    std::int64_t allCount = 0, borderCount = 0;
    for (int y = 0; y < h; y += 2)
        for (int x = 0; x < w; ++x) {
            const int s = map.at(x, y);
            if (s <= 0)
                continue;
            ++all[static_cast<std::size_t>(s)];
            ++allCount;
            if (y < margin || y >= h - margin || x < side) {
                ++border[static_cast<std::size_t>(s)];
                ++borderCount;
            }
        }
    if (allCount < 16 || borderCount < 16)
        return false;
    auto percentile = [](const std::vector<std::int64_t>& counts, std::int64_t total, double share) {
        const auto rank = static_cast<std::int64_t>(share * double(total - 1));
        std::int64_t seen = 0;
        for (std::size_t s = 0; s < counts.size(); ++s) {
            seen += counts[s];
            if (seen > rank)
                return static_cast<int>(s);
        }
        return static_cast<int>(counts.size() - 1);
    };
    const int low = percentile(all, allCount, 0.02), high = percentile(all, allCount, 0.98);
    if (high - low < 2)
        return false;
    const int middle = percentile(border, borderCount, 0.5);
    // The border among the nearest third of a parallel reading: it is far, so the reading is crossed.
    return (middle - low) * 3 < (high - low);
}

std::vector<std::uint8_t> levelsFromSeparations(const SeparationMap& map, int repeatWidth, int depth) {
    const ShiftTable shifts(ConversionParameters{repeatWidth, depth, 0}.depthFactor());
    // Every separation a map holds is a 16-bit value; look each one up once.
    const std::int16_t largest = largestSeparation(map);
    std::vector<std::uint8_t> levelOf(static_cast<std::size_t>(largest) + 1, 0);
    for (int separation = 1; separation <= largest; ++separation) {
        const std::int64_t shift = std::int64_t{repeatWidth} - separation;
        int best = 0;
        std::int64_t bestDistance = -1;
        for (int level = 0; level < 16; ++level) {
            const std::int64_t distance = std::llabs(shift - shifts[level]);
            if (bestDistance < 0 || distance < bestDistance) {
                bestDistance = distance;
                best = level;
            }
        }
        levelOf[static_cast<std::size_t>(separation)] = static_cast<std::uint8_t>(best);
    }
    std::vector<std::uint8_t> levels(map.separations.size());
    for (std::size_t i = 0; i < levels.size(); ++i)
        levels[i] = levelOf[static_cast<std::size_t>(std::max<std::int16_t>(map.separations[i], 0))];
    return levels;
}

std::vector<std::uint16_t> greyFromSeparations(const SeparationMap& map, int repeatWidth, bool crossEyed) {
    const std::size_t pixels = map.separations.size();
    std::vector<std::uint16_t> grey(pixels, 0);
    // Whole-pixel separations (nothing refined) go through a table.
    bool refined = false;
    for (std::size_t i = 0; map.belowPixel && i < map.refined.size(); ++i)
        refined |= map.refined[i] != float(map.separations[i]);
    auto separationAt = [&](std::size_t i) {
        return refined && map.refined[i] > 0 ? map.refined[i] : float(map.separations[i]);
    };
    // One end is the repeat width (far when parallel, near when crossed); the other is where all but
    // one pixel in 200 lie, so that a few stray matches do not set the scale. Counted in sixteenths
    // of a pixel.
    constexpr int Steps = 16;
    const std::int16_t largest = largestSeparation(map);
    std::vector<std::int64_t> counts(static_cast<std::size_t>(largest + 1) * Steps, 0);
    std::int64_t found = 0;
    if (refined) {
        for (std::size_t i = 0; i < pixels; ++i) {
            if (map.separations[i] <= 0)
                continue;
            const auto bin =
                static_cast<std::size_t>(std::clamp(separationAt(i) * Steps, 0.0f, float(counts.size() - 1)));
            ++counts[bin];
            ++found;
        }
    } else {
        // Neighbouring pixels mostly share a separation: four tallies do not wait on each other.
        std::vector<std::int64_t> tallies(4 * (static_cast<std::size_t>(largest) + 1), 0);
        const std::size_t stride = static_cast<std::size_t>(largest) + 1;
        for (std::size_t i = 0; i < pixels; ++i)
            ++tallies[(i & 3) * stride +
                      static_cast<std::size_t>(std::max<std::int16_t>(map.separations[i], 0))];
        for (std::size_t s = 1; s < stride; ++s) {
            const std::int64_t n =
                tallies[s] + tallies[stride + s] + tallies[2 * stride + s] + tallies[3 * stride + s];
            counts[s * Steps] += n;
            found += n;
        }
    }
    if (found == 0)
        return grey;
    const auto rank = static_cast<std::int64_t>(double(found - 1) * 0.005);
    std::int64_t seen = 0;
    std::size_t bin = 0;
    for (; bin < counts.size(); ++bin) {
        seen += counts[bin];
        if (seen > rank)
            break;
    }
    // Refined separations of a flat surface scatter by a few tenths of a pixel; those of the
    // surface at this end all take the end's value.
    const float other = float(bin) / Steps + 0.35f;
    const float end = float(repeatWidth);
    if (end - other < 0.5f)
        return grey;
    const float scale = 65535.0f / (end - other);
    if (!refined) {
        std::vector<std::uint16_t> greyOf(static_cast<std::size_t>(largest) + 1, 0);
        for (int separation = 1; separation <= largest; ++separation) {
            float nearness = (end - float(separation)) * scale;
            if (crossEyed)
                nearness = 65535.0f - nearness;
            greyOf[static_cast<std::size_t>(separation)] =
                static_cast<std::uint16_t>(std::clamp(nearness, 0.0f, 65535.0f) + 0.5f);
        }
        for (std::size_t i = 0; i < pixels; ++i)
            grey[i] = greyOf[static_cast<std::size_t>(std::max<std::int16_t>(map.separations[i], 0))];
        return grey;
    }
    for (std::size_t i = 0; i < pixels; ++i) {
        if (map.separations[i] <= 0)
            continue;
        float nearness = (end - separationAt(i)) * scale; // parallel: 0 far .. 65535 near
        if (crossEyed)
            nearness = 65535.0f - nearness;
        grey[i] = static_cast<std::uint16_t>(std::clamp(nearness, 0.0f, 65535.0f) + 0.5f);
    }
    return grey;
}

} // namespace quarbel::engine
