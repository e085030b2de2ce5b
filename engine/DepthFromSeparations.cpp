// The depth a map of separations tells: the direction the stereogram is read in, the converters'
// levels, and a grey map.

#include "engine/DepthFromSeparations.h"

#include "engine/Conversion.h"
#include "engine/Parts.h"
#include "engine/RevealKernels.h"
#include "engine/ShiftTable.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace quarbel::engine {

namespace {

// The largest separation in a map, or a bound on it.
std::size_t largestSeparation(const SeparationMap& map) {
    if (map.bound > 0)
        return static_cast<std::size_t>(map.bound);
    std::int16_t largest = 0;
    for (const std::int16_t separation : map.separations)
        largest = std::max(largest, separation);
    return static_cast<std::size_t>(largest);
}

// A separation as an index into a table by separation; none (0 or below) is 0.
std::size_t tableIndex(std::int16_t separation) {
    const int s = separation;
    return static_cast<std::size_t>(s & ~(s >> 15));
}

// Whether the map holds separations between whole pixels.
bool refinedBelowPixel(const SeparationMap& map) {
    bool refined = false;
    for (std::size_t i = 0; map.belowPixel && i < map.refined.size(); ++i)
        refined |= map.refined[i] != float(map.separations[i]);
    return refined;
}

// How many pixels have each whole separation (index 0: none), over the map and along its border:
// the top and bottom twentieth and the left one (the right one repeats nothing).
struct SeparationCounts {
    std::vector<std::int64_t> all, border;
    std::int64_t allCount = 0, borderCount = 0;
};

void countBorder(const SeparationMap& map, SeparationCounts& counts);

SeparationCounts countSeparations(const SeparationMap& map) {
    const std::size_t stride = largestSeparation(map) + 1;
    SeparationCounts counts;
    counts.all.assign(stride, 0);
    counts.border.assign(stride, 0);
    if (map.counts.size() == stride && map.borderCounts.size() == stride) {
        counts.all = map.counts;
        counts.border = map.borderCounts;
        counts.all[0] = counts.border[0] = 0;
        for (std::size_t s = 1; s < stride; ++s) {
            counts.allCount += counts.all[s];
            counts.borderCount += counts.border[s];
        }
        return counts;
    }
    // Neighbouring pixels mostly share a separation: four tallies do not wait on each other.
    std::vector<std::int64_t> tallies(4 * stride, 0);
    std::int64_t* first = tallies.data();
    std::int64_t* second = first + stride;
    std::int64_t* third = second + stride;
    std::int64_t* fourth = third + stride;
    const std::int16_t* separations = map.separations.data();
    const std::size_t pixels = map.separations.size();
    std::size_t i = 0;
    for (; i + 4 <= pixels; i += 4) {
        ++first[tableIndex(separations[i])];
        ++second[tableIndex(separations[i + 1])];
        ++third[tableIndex(separations[i + 2])];
        ++fourth[tableIndex(separations[i + 3])];
    }
    for (; i < pixels; ++i)
        ++first[tableIndex(separations[i])];
    for (std::size_t s = 1; s < stride; ++s) {
        counts.all[s] = first[s] + second[s] + third[s] + fourth[s];
        counts.allCount += counts.all[s];
    }
    countBorder(map, counts);
    return counts;
}

void countBorder(const SeparationMap& map, SeparationCounts& counts) {
    for (int y = 0; !map.separations.empty() && y < map.height; ++y) {
        const int columns = reveal::borderColumns(map.width, map.height, y);
        for (int x = 0; x < columns; ++x)
            ++counts.border[static_cast<std::size_t>(std::max<std::int16_t>(map.at(x, y), 0))];
    }
    counts.border[0] = 0;
    for (std::size_t s = 1; s < counts.border.size(); ++s)
        counts.borderCount += counts.border[s];
}

// The separation below which the given share of the counted pixels lie.
int percentile(const std::vector<std::int64_t>& counts, std::int64_t total, double share) {
    const auto rank = static_cast<std::int64_t>(share * double(total - 1));
    std::int64_t seen = 0;
    for (std::size_t s = 0; s < counts.size(); ++s) {
        seen += counts[s];
        if (seen > rank)
            return static_cast<int>(s);
    }
    return static_cast<int>(counts.size() - 1);
}

// Whether the surface along the border (the far background of most stereograms) has the smallest
// separations instead of the largest.
bool crossEyedFrom(const SeparationCounts& counts) {
    if (counts.allCount < 16 || counts.borderCount < 16)
        return false;
    const int low = percentile(counts.all, counts.allCount, 0.02);
    const int high = percentile(counts.all, counts.allCount, 0.98);
    if (high - low < 2)
        return false;
    const int middle = percentile(counts.border, counts.borderCount, 0.5);
    // The border among the nearest third of a parallel reading: it is far, so the reading is crossed.
    return (middle - low) * 3 < (high - low);
}

// Level 0..15 of every whole separation up to largest (flipped for a cross-eyed reading).
std::vector<std::uint8_t> levelTable(int repeatWidth, int depth, std::size_t largest, bool crossEyed) {
    const ShiftTable shifts(ConversionParameters{repeatWidth, depth, 0}.depthFactor());
    std::vector<std::uint8_t> levelOf(largest + 1, 0);
    for (std::size_t separation = 1; separation <= largest; ++separation) {
        const std::int64_t shift = std::int64_t{repeatWidth} - static_cast<std::int64_t>(separation);
        int best = 0;
        std::int64_t bestDistance = -1;
        for (int level = 0; level < 16; ++level) {
            const std::int64_t distance = std::llabs(shift - shifts[level]);
            if (bestDistance < 0 || distance < bestDistance) {
                bestDistance = distance;
                best = level;
            }
        }
        levelOf[separation] = static_cast<std::uint8_t>(crossEyed ? 15 - best : best);
    }
    return levelOf;
}

// Refined separations of a flat surface scatter by a few tenths of a pixel; those of the surface at
// the scale's far end (where all but one pixel in 200 lie) all take the end's value.
constexpr float EndSpread = 0.35f;
// Counted in sixteenths of a pixel below a pixel.
constexpr int Steps = 16;

// 0 .. 65535 between the repeat width and other (parallel: 0 far .. 65535 near).
struct GreyScale {
    float end = 0, scale = 0;
    bool crossEyed = false;
    std::uint16_t operator()(float separation) const {
        float nearness = (end - separation) * scale;
        if (crossEyed)
            nearness = 65535.0f - nearness;
        return static_cast<std::uint16_t>(std::clamp(nearness, 0.0f, 65535.0f) + 0.5f);
    }
};

// Nothing when the scale has no length (every pixel at the repeat width).
std::optional<GreyScale> greyScale(int repeatWidth, float other, bool crossEyed) {
    const float end = float(repeatWidth);
    if (end - other < 0.5f)
        return std::nullopt;
    return GreyScale{end, 65535.0f / (end - other), crossEyed};
}

// Grey of every whole separation up to largest; 0 for none.
std::vector<std::uint16_t> greyTable(const SeparationCounts& counts, int repeatWidth, bool crossEyed) {
    std::vector<std::uint16_t> greyOf(counts.all.size(), 0);
    if (counts.allCount == 0)
        return greyOf;
    const int other = percentile(counts.all, counts.allCount, 0.005);
    if (const std::optional<GreyScale> scale = greyScale(repeatWidth, float(other) + EndSpread, crossEyed))
        for (std::size_t separation = 1; separation < greyOf.size(); ++separation)
            greyOf[separation] = (*scale)(float(separation));
    return greyOf;
}

// The grey map of separations refined below a pixel, scaled from a count in sixteenths of a pixel.
std::vector<std::uint16_t> refinedGrey(const SeparationMap& map, int repeatWidth, bool crossEyed) {
    const std::size_t pixels = map.separations.size();
    std::vector<std::uint16_t> grey(pixels, 0);
    auto separationAt = [&](std::size_t i) {
        return map.refined[i] > 0 ? map.refined[i] : float(map.separations[i]);
    };
    std::vector<std::int64_t> counts((largestSeparation(map) + 1) * Steps, 0);
    std::int64_t found = 0;
    for (std::size_t i = 0; i < pixels; ++i) {
        if (map.separations[i] <= 0)
            continue;
        ++counts[static_cast<std::size_t>(
            std::clamp(separationAt(i) * Steps, 0.0f, float(counts.size() - 1)))];
        ++found;
    }
    if (found == 0)
        return grey;
    const float other = float(percentile(counts, found, 0.005)) / Steps + EndSpread;
    const std::optional<GreyScale> scale = greyScale(repeatWidth, other, crossEyed);
    if (!scale)
        return grey;
    for (std::size_t i = 0; i < pixels; ++i)
        if (map.separations[i] > 0)
            grey[i] = (*scale)(separationAt(i));
    return grey;
}

} // namespace

int reveal::borderColumns(int width, int height, int y) {
    const int margin = std::max(2, height / 20), side = std::min(width, std::max(2, width / 20));
    return y < margin || y >= height - margin ? width : side;
}

bool looksCrossEyed(const SeparationMap& map) {
    return crossEyedFrom(countSeparations(map));
}

std::vector<std::uint8_t> levelsFromSeparations(const SeparationMap& map, int repeatWidth, int depth) {
    // Every separation a map holds is a 16-bit value; look each one up once.
    const std::vector<std::uint8_t> levelOf = levelTable(repeatWidth, depth, largestSeparation(map), false);
    std::vector<std::uint8_t> levels(map.separations.size());
    for (std::size_t i = 0; i < levels.size(); ++i)
        levels[i] = levelOf[tableIndex(map.separations[i])];
    return levels;
}

std::vector<std::uint16_t> greyFromSeparations(const SeparationMap& map, int repeatWidth, bool crossEyed) {
    if (refinedBelowPixel(map))
        return refinedGrey(map, repeatWidth, crossEyed);
    const std::vector<std::uint16_t> greyOf = greyTable(countSeparations(map), repeatWidth, crossEyed);
    std::vector<std::uint16_t> grey(map.separations.size());
    for (std::size_t i = 0; i < grey.size(); ++i)
        grey[i] = greyOf[tableIndex(map.separations[i])];
    return grey;
}

std::vector<std::uint8_t> reveal::candidateLevels(std::span<const int> candidates, int repeatWidth,
                                                  int depth) {
    const int largest =
        candidates.empty() ? 0 : std::max(0, *std::max_element(candidates.begin(), candidates.end()));
    const std::vector<std::uint8_t> levelOf =
        levelTable(repeatWidth, depth, static_cast<std::size_t>(largest), false);
    std::vector<std::uint8_t> levels;
    for (const int separation : candidates)
        levels.push_back(levelOf[static_cast<std::size_t>(std::max(0, separation))]);
    return levels;
}

void reveal::depthFromSeparations(SeparationMap& map, int repeatWidth, RevealDirection direction,
                                  RevealResult& result, int threads) {
    const SeparationCounts counts = countSeparations(map);
    result.crossEyed =
        direction == RevealDirection::Cross || (direction == RevealDirection::Auto && crossEyedFrom(counts));
    if (!map.levels.empty()) {
        result.levels = std::move(map.levels);
        // Pixels without a separation are level 0 in either reading; a cross-eyed one flips the rest.
        const bool unmatched = map.counts.empty() || map.counts[0] > 0;
        if (result.crossEyed || unmatched)
            for (std::uint8_t& level : result.levels)
                level = level == NoLevel ? 0 : result.crossEyed ? 15 - level : level;
        return;
    }
    if (refinedBelowPixel(map)) {
        result.grey = refinedGrey(map, repeatWidth, result.crossEyed);
        return;
    }
    // Whole pixels: the map through a table, in bands of rows side by side.
    const std::vector<std::uint16_t> greyOf = greyTable(counts, repeatWidth, result.crossEyed);
    result.grey.resize(map.separations.size());
    const int workers = threadsFor(threads);
    const int bands = std::clamp(std::min(workers, map.height / 16), 1, std::max(1, map.height));
    const auto columns = static_cast<std::size_t>(map.width);
    runParts(bands, workers, [&](int band) {
        const std::size_t first = static_cast<std::size_t>(bandStart(map.height, band, bands)) * columns;
        const std::size_t last = static_cast<std::size_t>(bandStart(map.height, band + 1, bands)) * columns;
        // A run of one separation is a run of one grey.
        forEachRun(map.separations.data() + first, last - first,
                   [&](std::int16_t separation, std::size_t begin, std::size_t end) {
                       std::fill(result.grey.begin() + static_cast<std::ptrdiff_t>(first + begin),
                                 result.grey.begin() + static_cast<std::ptrdiff_t>(first + end),
                                 greyOf[tableIndex(separation)]);
                   });
    });
}

} // namespace quarbel::engine
