#include "engine/DepthReveal.h"

#include "engine/Conversion.h"
#include "engine/DepthFromSeparations.h"
#include "engine/Parts.h"
#include "engine/RepeatWidthSearch.h"
#include "engine/RevealKernels.h"
#include "engine/ShiftTable.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <span>

namespace quarbel::engine {

using namespace reveal;

namespace {

// Separation a half-pixel either side of the best, from the costs of the separations one less and
// one more: the meeting point of two lines of equal slope through the three costs.
float refine(int separation, int below, int best, int above) {
    if (below < best || above < best)
        return float(separation);
    const int rise = std::max(below, above) - best;
    if (rise <= 0)
        return float(separation);
    const float offset = float(below - above) / float(2 * rise);
    return float(separation) + std::clamp(offset, -0.5f, 0.5f);
}

// One output row's choice among the candidates: every candidate's costs (candidate-major), each
// pixel's best and the best apart from it, its state and its choice so far.
struct RowChoice {
    std::span<const int> candidates;
    std::size_t columns;
    std::size_t stride;
    const std::uint16_t* costs;
    const std::uint16_t* alternative;
    const std::uint8_t* attention;
    std::uint16_t* best;
    std::uint16_t* bestIndex;
    std::uint16_t* chosen;
    std::uint8_t* state;
};

// Pixels marked for attention: ties between the far separation and a near one.
//
// A tiled pattern (a colour field's) repeats at the repeat width wherever nothing is linked, so a
// match there tells little: where a near surface's first repeat shows that pattern it matches at
// its own separation and at the repeat width alike, and the near separation is taken. Copied on at
// the repeat width, such a surface's pattern shows again one repeat width further on, and again: a
// ghost that matches at the near separation (and at the far one, or on the left at it). A pixel
// whose near match the pixel one repeat width to its left shares is such a ghost, and far.
void settleFarTies(const RowChoice& row) {
    const std::size_t count = row.candidates.size(), columns = row.columns;
    if (count <= 3)
        return;
    const std::uint16_t* costs = row.costs;
    std::uint16_t* best = row.best;
    std::uint8_t* state = row.state;
    const auto far = static_cast<std::size_t>(row.candidates[0]);
    auto costOf = [&](std::size_t c, std::size_t at) -> int { return costs[c * row.stride + at]; };
    auto within = [](int cost, int reference) {
        return cost <= reference + std::max(reference / 4, NoiseMargin);
    };
    // A ghost: the pixel one repeat width to the left matches at r as well as x does, or as well as
    // anything matches there.
    auto ghost = [&](std::size_t x, std::size_t r) {
        return x >= far &&
               (within(costOf(r, x - far), costOf(r, x)) || within(costOf(r, x - far), best[x - far]));
    };
    // Whether r, apart from the far pair (0 and 1) and its own neighbours, matches clearly better
    // than the rest.
    auto standsClear = [&](std::size_t x, std::size_t r) {
        int other = NoPair;
        for (std::size_t c = 2; c < count; ++c)
            if (c + 1 < r || c > r + 1)
                other = std::min(other, costOf(c, x));
        return !within(other, costOf(r, x));
    };
    for (std::size_t x = firstNonZero(row.attention, 0, columns); x < columns;
         x = firstNonZero(row.attention, x + 1, columns)) {
        const int b = best[x];
        const std::size_t index = row.bestIndex[x];
        if (index >= 2) {
            if (ghost(x, index) && costOf(0, x) <= b + std::max(b / 4, NoiseMargin) + b / 4 + LeftBias) {
                row.bestIndex[x] = row.chosen[x] = 0;
                state[x] = 0;
            }
            continue;
        }
        if (state[x] != 1 || index != 0)
            continue;
        std::size_t rest = 0;
        int restBest = NoPair;
        for (std::size_t c = 2; c < count; ++c)
            if (costOf(c, x) < restBest) {
                restBest = costOf(c, x);
                rest = c;
            }
        if (rest == 0 || (restBest & 1) || !within(restBest, b) || ghost(x, rest) || !standsClear(x, rest))
            continue;
        state[x] = 0;
        row.bestIndex[x] = row.chosen[x] = static_cast<std::uint16_t>(rest);
    }
}

void takeNeighbours(const RowChoice& row, int neighbourReach) {
    const int width = static_cast<int>(row.columns);
    const std::uint16_t* costs = row.costs;
    const std::uint16_t* best = row.best;
    const std::uint16_t* bestIndex = row.bestIndex;
    std::uint16_t* chosen = row.chosen;
    const std::uint8_t* state = row.state;
    // Each run of unclear pixels looks to the clear pixels at its ends, within reach. Most pixels
    // are clear.
    const auto columns = static_cast<std::size_t>(width);
    for (int x = static_cast<int>(firstNonZero(state, 0, columns)); x < width;) {
        const int end = static_cast<int>(firstZero(state, static_cast<std::size_t>(x), columns));
        for (int i = x; i < end; ++i) {
            const auto at = static_cast<std::size_t>(i);
            if (chosen[at] == NoPair)
                continue;
            // A neighbour's separation is taken where it matches about as well as the best (in a
            // flat window every separation does).
            const int b = best[at];
            const int limit = state[at] == 2 ? int(NoPair) : b + std::max(b / 4, NoiseMargin);
            int pick = -1, pickCost = 0, pickDistance = 0;
            const int leftEnd = x > 0 && i - (x - 1) <= neighbourReach ? x - 1 : -1;
            const int rightEnd = end < width && end - i <= neighbourReach ? end : -1;
            if (state[at] == 3) {
                // Matched nowhere: hidden by the nearer of the surfaces either side, so part of
                // the farther (the larger separation; the far surface at the row's start).
                int far = x == 0 ? 0 : -1;
                for (const int neighbour : {leftEnd, rightEnd})
                    if (neighbour >= 0) {
                        const int index = bestIndex[static_cast<std::size_t>(neighbour)];
                        far = far < 0 ? index : std::min(far, index);
                    }
                if (far >= 0)
                    chosen[at] = static_cast<std::uint16_t>(far);
                continue;
            }
            for (const int neighbour : {leftEnd, rightEnd}) {
                if (neighbour < 0)
                    continue;
                const int index = bestIndex[static_cast<std::size_t>(neighbour)];
                const int cost = costs[static_cast<std::size_t>(index) * row.stride + at];
                const int distance = std::abs(neighbour - i);
                if (cost > limit)
                    continue;
                if (pick < 0 || cost < pickCost || (cost == pickCost && distance < pickDistance)) {
                    pick = index;
                    pickCost = cost;
                    pickDistance = distance;
                }
            }
            if (pick >= 0)
                chosen[at] = static_cast<std::uint16_t>(pick);
        }
        x = static_cast<int>(firstNonZero(state, static_cast<std::size_t>(end), columns));
    }
}

} // namespace

std::vector<int> candidateSeparations(int repeatWidth, std::optional<int> depth) {
    std::vector<int> candidates;
    if (depth) {
        const ShiftTable shifts(ConversionParameters{repeatWidth, *depth, 0}.depthFactor());
        for (const std::int32_t shift : shifts.shifts()) {
            const std::int64_t separation = std::int64_t{repeatWidth} - shift;
            if (separation >= 1 && separation <= repeatWidth)
                candidates.push_back(static_cast<int>(separation));
        }
    } else {
        const int lowest = std::max(1, std::min(repeatWidth - MaxShift, repeatWidth / 2));
        for (int separation = lowest; separation <= repeatWidth; ++separation)
            candidates.push_back(separation);
    }
    std::sort(candidates.begin(), candidates.end(), std::greater<>());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    return candidates;
}

namespace {

// The rows [first, last) of a map: each band reads one row above and below its own, so that bands
// side by side give the map one band gives.
struct BandMatcher {
    const PixelSurface& stereo;
    std::span<const int> candidates;
    // With levels, map.levels is written (each candidate's level, then NoLevel) instead of
    // map.separations.
    std::span<const std::uint8_t> levelOf;
    bool refineBelowPixel;
    bool avx2;
    SeparationMap& map;

    // Matches the rows and returns the count of pixels matched well; tally and border (count + 1
    // entries) gain each candidate's pixels, over the rows and along the picture's border, the
    // last entry those without a separation.
    std::int64_t run(int first, int last, std::vector<std::int64_t>& tally,
                     std::vector<std::int64_t>& border) const;
};

std::int64_t BandMatcher::run(int first, int last, std::vector<std::int64_t>& tally,
                              std::vector<std::int64_t>& border) const {
    const int width = map.width, height = map.height;
    const auto columns = static_cast<std::size_t>(width);
    const std::size_t count = candidates.size();
    // Pixel differences of the last three rows for every candidate, in a ring indexed by row % 3.
    std::vector<std::uint8_t> differences(3 * count * columns);
    auto differencesOf = [&](int y, std::size_t c) {
        return differences.data() + (static_cast<std::size_t>(y % 3) * count + c) * columns;
    };
    const std::size_t stride = costStride(columns);
    std::vector<std::uint16_t> costs(count * stride); // the output row's cost per candidate
    std::vector<Packed> scratch(columns);
    Planes planes;
    std::vector<std::uint16_t> padded(2 * (columns + 2 * Reach)), right(columns);
    std::vector<std::uint16_t> best(columns), alternative(columns);
    std::vector<std::uint16_t> bestIndex(columns), chosen(columns);
    std::vector<std::uint8_t> attention(columns);
    std::vector<std::uint8_t> state(columns); // as chooseAmong writes it
    // A neighbour further off than the largest separation belongs to another part of the picture.
    const int neighbourReach = std::max(candidates.front(), 2 * Reach + 1);
    // Candidate index to separation; NoPair (past the list) to none.
    std::vector<std::int16_t> separationOf(count + 1, 0);
    for (std::size_t c = 0; c < count; ++c)
        separationOf[c] = static_cast<std::int16_t>(candidates[c]);
    // Counts of each candidate's pixels (the last entry: none), over the rows and along the border.
    std::vector<std::uint32_t> tallies(2 * (count + 1), 0);
    // The row's separations (or levels), written and counted a run of one candidate at a time.
    auto writeRow = [&](int out, auto* target, const auto& valueOf) {
        const auto border = static_cast<std::size_t>(borderColumns(width, height, out));
        forEachRun(chosen.data(), columns, [&](std::uint16_t pick, std::size_t begin, std::size_t end) {
            const std::size_t c = std::min<std::size_t>(pick, count);
            std::fill(target + begin, target + end, valueOf[c]);
            tallies[c] += static_cast<std::uint32_t>(end - begin);
            if (begin < border)
                tallies[count + 1 + c] += static_cast<std::uint32_t>(std::min(end, border) - begin);
        });
    };

    std::int64_t matched = 0;
    for (int y = std::max(0, first - 1); y <= last; ++y) {
        if (y < height) {
            planes.load(stereo, y, scratch, avx2);
            for (std::size_t c = 0; c < count; ++c) {
                if (avx2)
                    pixelDifferencesAvx2(planes, width, candidates[c], differencesOf(y, c));
                else
                    pixelDifferences(planes, width, candidates[c], differencesOf(y, c));
            }
        }
        const int out = y - 1; // the rows below and above it are in the ring by now
        if (out < first)
            continue;
        // Past the top and bottom the window mirrors, so that every row's costs have one scale.
        const int top = out > 0 ? out - 1 : std::min(height - 1, out + 1);
        const int bottom = out + 1 < height ? out + 1 : std::max(0, out - 1);
        for (std::size_t c = 0; c < count; ++c) {
            const CandidateRow row{
                differencesOf(top, c), differencesOf(out, c), differencesOf(bottom, c), width, candidates[c],
                padded.data(),         right.data(),          costs.data() + c * stride};
            if (avx2)
                candidateCostsAvx2(row);
            else
                candidateCosts(row);
        }
        const RowCosts rowCosts{
            costs.data(),       count,        columns,       stride,          best.data(), bestIndex.data(),
            alternative.data(), state.data(), chosen.data(), attention.data()};
        matched += avx2 ? chooseAmongAvx2(rowCosts) : chooseAmong(rowCosts);
        const RowChoice choice{candidates,         columns,          stride,      costs.data(),
                               alternative.data(), attention.data(), best.data(), bestIndex.data(),
                               chosen.data(),      state.data()};
        settleFarTies(choice);
        takeNeighbours(choice, neighbourReach);
        const std::size_t rowStart = static_cast<std::size_t>(out) * columns;
        if (levelOf.empty())
            writeRow(out, map.separations.data() + rowStart, separationOf);
        else
            writeRow(out, map.levels.data() + rowStart, levelOf);
        if (!refineBelowPixel)
            continue;
        float* fine = map.refined.data() + static_cast<std::size_t>(out) * columns;
        for (std::size_t x = 0; x < columns; ++x) {
            if (chosen[x] == NoPair)
                continue;
            const std::size_t c = chosen[x];
            const int separation = candidates[c];
            const int here = costs[c * stride + x];
            // The neighbours in the list are one larger (c - 1) and one smaller (c + 1) when the
            // candidates run in whole pixels there.
            const bool above = c > 0 && candidates[c - 1] == separation + 1;
            const bool below = c + 1 < count && candidates[c + 1] == separation - 1;
            fine[x] = above && below
                          ? refine(separation, costs[(c + 1) * stride + x], here, costs[(c - 1) * stride + x])
                          : float(separation);
        }
    }
    for (std::size_t c = 0; c <= count; ++c) {
        tally[c] += tallies[c];
        border[c] += tallies[count + 1 + c];
    }
    return matched;
}

} // namespace

namespace {

SeparationMap matchMap(const PixelSurface& stereo, std::span<const int> candidates,
                       std::span<const std::uint8_t> levelOf, bool refineBelowPixel, RevealPath path,
                       int threads) {
    SeparationMap map;
    const int width = std::max(0, stereo.width());
    const int height = std::max(0, stereo.height());
    map.width = width;
    map.height = height;
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (levelOf.empty())
        map.separations.assign(pixels, 0);
    else
        map.levels.assign(pixels, NoLevel);
    // Whole-pixel maps leave refined empty: it would only repeat separations.
    if (refineBelowPixel)
        map.refined.assign(pixels, 0.0f);
    map.belowPixel = refineBelowPixel;
    if (width == 0 || height == 0 || candidates.empty())
        return map;
    map.bound = static_cast<std::int16_t>(*std::max_element(candidates.begin(), candidates.end()));

    const BandMatcher matcher{
        stereo, candidates, levelOf, refineBelowPixel, path == RevealPath::Widest && hasAvx2(), map};
    // Two bands a thread, so that a thread slowed by other work hands its second band on; a band
    // of fewer than 16 rows would spend much of its time on the rows either side.
    const int workers = threadsFor(threads);
    const int bands = std::clamp(std::min(2 * workers, height / 16), 1, height);
    std::vector<std::int64_t> matched(static_cast<std::size_t>(bands), 0);
    const std::vector<std::int64_t> none(candidates.size() + 1, 0);
    std::vector<std::vector<std::int64_t>> tallies(static_cast<std::size_t>(bands), none), borders = tallies;
    runParts(bands, workers, [&](int band) {
        const auto b = static_cast<std::size_t>(band);
        matched[b] = matcher.run(bandStart(height, band, bands), bandStart(height, band + 1, bands),
                                 tallies[b], borders[b]);
    });
    // By candidate to by separation.
    auto bySeparation = [&](const std::vector<std::vector<std::int64_t>>& byCandidate) {
        std::vector<std::int64_t> counts(static_cast<std::size_t>(map.bound) + 1, 0);
        for (const std::vector<std::int64_t>& band : byCandidate) {
            for (std::size_t c = 0; c < candidates.size(); ++c)
                counts[static_cast<std::size_t>(std::max(candidates[c], 0))] += band[c];
            counts[0] += band[candidates.size()];
        }
        return counts;
    };
    map.counts = bySeparation(tallies);
    map.borderCounts = bySeparation(borders);
    for (const std::int64_t m : matched)
        map.matched += m;
    return map;
}

} // namespace

SeparationMap findSeparations(const PixelSurface& stereo, std::span<const int> candidates,
                              bool refineBelowPixel, RevealPath path, int threads) {
    return matchMap(stereo, candidates, {}, refineBelowPixel, path, threads);
}

SeparationMap reveal::findLevels(const PixelSurface& stereo, std::span<const int> candidates, int repeatWidth,
                                 int depth, RevealPath path, int threads) {
    std::vector<std::uint8_t> levelOf = candidateLevels(candidates, repeatWidth, depth);
    levelOf.push_back(NoLevel);
    return matchMap(stereo, candidates, levelOf, false, path, threads);
}

namespace {

// A picture stretched along its rows by a factor, each pixel read between the two it falls between:
// a rescaled copy whose repeat width falls between whole pixels, brought to a whole one.
class StretchedSurface final : public PixelSurface {
public:
    StretchedSurface(const PixelSurface& source, double factor)
        : m_source(source), m_factor(factor),
          m_width(static_cast<int>(std::lround(std::max(0, source.width()) * factor))) {}
    int width() const override { return m_width; }
    int height() const override { return m_source.height(); }
    void readRow(int y, std::span<Packed> out) const override {
        const int sourceWidth = std::max(0, m_source.width());
        std::vector<Packed> row(static_cast<std::size_t>(sourceWidth));
        m_source.readRow(y, row);
        for (std::size_t x = 0; x < out.size(); ++x) {
            if (x >= static_cast<std::size_t>(m_width) || row.empty() || y < 0 || y >= height()) {
                out[x] = -1;
                continue;
            }
            const double at = double(x) / m_factor;
            if (at > double(sourceWidth - 1)) { // past the last pixel: no copy to compare with
                out[x] = -1;
                continue;
            }
            const auto left = static_cast<std::size_t>(at);
            const std::size_t right = std::min(left + 1, row.size() - 1);
            const double t = at - double(left);
            int channels[3];
            for (int c = 0; c < 3; ++c) {
                const int a = (row[left] >> (8 * c)) & 0xFF, b = (row[right] >> (8 * c)) & 0xFF;
                channels[c] = static_cast<int>(std::lround(a + (b - a) * t));
            }
            out[x] = packRgb(channels[0], channels[1], channels[2]);
        }
    }

private:
    const PixelSurface& m_source;
    double m_factor;
    int m_width;
};

// The reading of the stretched picture, brought back to the original's columns.
void unstretch(RevealResult& result, int stretchedWidth, double factor) {
    const int width = result.width, height = result.height;
    auto back = [&](auto& map) {
        if (map.empty())
            return;
        auto original = map;
        original.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const int at = std::min(static_cast<int>(std::lround(x * factor)), stretchedWidth - 1);
                original[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                         static_cast<std::size_t>(x)] =
                    map[static_cast<std::size_t>(y) * static_cast<std::size_t>(stretchedWidth) +
                        static_cast<std::size_t>(at)];
            }
        map = std::move(original);
    };
    back(result.levels);
    back(result.grey);
}

} // namespace

namespace {

// The reading at a known repeat width; below leastShare of the pixels matched well it is not
// trusted.
RevealResult readAt(const PixelSurface& stereo, const RevealOptions& options, int repeatWidth, int nearest,
                    double leastShare) {
    RevealResult result;
    result.width = std::max(0, stereo.width());
    result.height = std::max(0, stereo.height());
    result.repeatWidth = repeatWidth;
    // With a depth only the converters' separations can occur; a smooth map needs every separation in
    // the range, in whole pixels, to refine between them. Separations well below the nearest one the
    // search saw are not tried.
    std::vector<int> candidates =
        candidateSeparations(repeatWidth, options.smooth ? std::nullopt : options.depth);
    if (nearest > 0)
        std::erase_if(candidates, [nearest](int separation) { return separation < nearest - 3; });
    // With a depth the levels are all there is to tell, made as the map is.
    SeparationMap map =
        options.depth
            ? findLevels(stereo, candidates, repeatWidth, *options.depth, RevealPath::Widest, options.threads)
            : findSeparations(stereo, candidates, options.smooth, RevealPath::Widest, options.threads);
    const auto pixels = static_cast<double>(map.width) * static_cast<double>(map.height);
    result.matchedShare = pixels > 0 ? double(map.matched) / pixels : 0.0;
    if (result.matchedShare < leastShare) {
        result.status = RevealStatus::TooFewMatches;
        return result;
    }
    result.status = RevealStatus::Ok;
    depthFromSeparations(map, repeatWidth, options.direction, result, options.threads);
    return result;
}

// Pixels read between pixels match less clearly; the search has seen the copies repeat already.
constexpr double LeastStretchedShare = 0.3;

} // namespace

RevealResult revealStereogram(const PixelSurface& stereo, const RevealOptions& options) {
    RevealResult notAStereogram; // the status a result starts with
    notAStereogram.width = std::max(0, stereo.width());
    notAStereogram.height = std::max(0, stereo.height());
    if (options.repeatWidth) {
        if (*options.repeatWidth < 1)
            return notAStereogram;
        return readAt(stereo, options, *options.repeatWidth, 0, LeastMatchedShare);
    }
    const std::optional<RepeatSearch> search = searchRepeat(stereo, RevealPath::Widest, options.threads);
    if (!search)
        return notAStereogram;
    if (search->betweenSixths > 0) {
        // The repeat width falls between whole pixels: read a copy stretched so that it is the
        // nearest whole pixel, and bring the maps back to the picture's columns.
        const int whole = (search->betweenSixths + 3) / 6;
        const double factor = 6.0 * whole / search->betweenSixths;
        const StretchedSurface stretched(stereo, factor);
        RevealResult read = readAt(stretched, options, whole, 0, LeastStretchedShare);
        if (read.status == RevealStatus::Ok) {
            read.width = notAStereogram.width;
            read.height = notAStereogram.height;
            unstretch(read, stretched.width(), factor);
            return read;
        }
        // Too few pixels match between pixels: read at the multiple where the copies line up.
    }
    return readAt(stereo, options, search->repeatWidth, search->nearest, LeastMatchedShare);
}

} // namespace quarbel::engine
