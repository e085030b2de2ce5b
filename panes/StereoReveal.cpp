#include "panes/StereoReveal.h"

#include "engine/DepthReveal.h"
#include "platform/DepthMap.h"
#include "platform/ImageSurface.h"

#include <algorithm>
#include <optional>

namespace quarbel::panes {

namespace {

// Share of the pixels whose row, two pixels either side, repeats exactly at the separation found
// for them, on the right or on the left. The search itself takes the best candidate even where the
// picture does not repeat; by chance five pixels in a row rarely repeat.
double matchedShare(const QImage& picture, const engine::SeparationMap& map) {
    constexpr int Reach = 2;
    if (map.separations.empty())
        return 0.0;
    std::int64_t matched = 0;
    for (int y = 0; y < map.height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        const auto repeats = [&](int x, int separation) {
            for (int d = -Reach; d <= Reach; ++d) {
                const int at = x + d;
                const int other = at + separation;
                if (at < 0 || at >= map.width || other < 0 || other >= map.width || line[at] != line[other])
                    return false;
            }
            return true;
        };
        for (int x = 0; x < map.width; ++x) {
            const int separation = map.at(x, y);
            if (separation != 0 && (repeats(x, separation) || repeats(x, -separation)))
                ++matched;
        }
    }
    return static_cast<double>(matched) / static_cast<double>(map.separations.size());
}

StereoReading levelsRead(const QImage& picture, const engine::SeparationMap& map, int repeatWidth, int depth,
                         bool found) {
    StereoReading reading;
    reading.repeatWidth = repeatWidth;
    reading.repeatFound = found;
    reading.matchedShare = matchedShare(picture, map);
    if (reading.matchedShare < MinMatchedShare) {
        reading.problem = RevealProblem::TooFewMatches;
        return reading;
    }
    const std::vector<std::uint8_t> levels = engine::levelsFromSeparations(map, repeatWidth, depth);
    reading.design = platform::designFromLevels(map.width, map.height, levels.data());
    return reading;
}

} // namespace

StereoReading designFromStereo(const QImage& stereo, int repeatWidth, int depth) {
    const platform::ImageSurface surface(stereo);
    if (repeatWidth >= 1) {
        const std::vector<int> given = engine::candidateSeparations(repeatWidth, depth);
        StereoReading reading =
            levelsRead(surface.image(), engine::findSeparations(surface, given), repeatWidth, depth, false);
        if (reading.problem == RevealProblem::None)
            return reading;
    }
    const std::optional<int> found = engine::detectRepeatWidth(surface);
    if (!found) {
        StereoReading reading;
        reading.problem = RevealProblem::NotAStereogram;
        return reading;
    }
    // The depth may not be the document's either: every separation is tried, and each pixel takes
    // the level nearest to its own.
    const std::vector<int> every = engine::candidateSeparations(*found, std::nullopt);
    return levelsRead(surface.image(), engine::findSeparations(surface, every), *found, depth, true);
}

} // namespace quarbel::panes
