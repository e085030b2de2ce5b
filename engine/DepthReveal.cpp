#include "engine/DepthReveal.h"

#include "engine/Conversion.h"
#include "engine/ShiftTable.h"

#include <algorithm>
#include <cstdlib>

namespace quarbel::engine {

namespace {

// Window: 2 * Reach + 1 columns by 3 rows. Wide enough that random dots of any density between
// 30 and 70 % rarely match by chance (27 pixels), narrow enough to fit inside most depth areas.
constexpr int Reach = 4;
constexpr int WindowColumns = 2 * Reach + 1;

// Mismatches of row against itself one separation further on, summed over the window's columns:
// out[x] = number of d in -Reach..Reach with row[x + d] != row[x + d + separation]. Pairs whose right
// member lies past the picture are left out of the count; a pixel whose own partner lies there has
// no right match at all (every column counts as a mismatch), so that it looks to its left instead.
void rowMismatches(const Packed* row, int width, int separation, std::uint8_t* scratch, std::uint8_t* out) {
    // scratch holds Reach zeros, one flag per column, Reach zeros.
    std::uint8_t* flags = scratch + Reach;
    const int paired = std::max(0, width - separation);
    for (int x = 0; x < paired; ++x)
        flags[x] = row[x] != row[x + separation] ? 1 : 0;
    std::fill(flags + paired, flags + width, std::uint8_t{0});
    // Column by column of the window, so that each pass runs over whole rows.
    std::copy_n(scratch, width, out);
    for (int d = 1; d < WindowColumns; ++d) {
        const std::uint8_t* shifted = scratch + d;
        for (int x = 0; x < width; ++x)
            out[x] = static_cast<std::uint8_t>(out[x] + shifted[x]);
    }
    std::fill(out + paired, out + width, std::uint8_t{WindowColumns});
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
        for (int separation = std::max(1, repeatWidth - MaxShift); separation <= repeatWidth; ++separation)
            candidates.push_back(separation);
    }
    std::sort(candidates.begin(), candidates.end(), std::greater<>());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    return candidates;
}

SeparationMap findSeparations(const PixelSurface& stereo, std::span<const int> candidates) {
    SeparationMap map;
    const int width = std::max(0, stereo.width());
    const int height = std::max(0, stereo.height());
    map.width = width;
    map.height = height;
    map.separations.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    if (width == 0 || height == 0 || candidates.empty())
        return map;

    const auto columns = static_cast<std::size_t>(width);
    const std::size_t count = candidates.size();
    // Three rows of window scores per candidate, in a ring indexed by row % 3. Each row of the
    // window picks its own side: a nearer surface may hide the copies of one row and not those of
    // the next. A right match scores twice its mismatches, a left match one more, so that the exact
    // reading (the copy on the right) wins a tie.
    std::vector<Packed> row(columns);
    std::vector<std::uint8_t> scores(3 * count * columns);
    std::vector<std::uint8_t> scratch(columns + 2 * Reach, 0);
    std::vector<std::uint8_t> sums(columns);
    std::vector<std::uint8_t> bestScore(columns);
    std::vector<std::int16_t> bestSeparation(columns);
    std::vector<std::uint8_t> worstScore(columns);
    auto scoresOf = [&](int y, std::size_t c) { return scores.data() + ((y % 3) * count + c) * columns; };

    for (int y = 0; y <= height; ++y) {
        if (y < height) {
            stereo.readRow(y, row);
            for (std::size_t c = 0; c < count; ++c) {
                rowMismatches(row.data(), width, candidates[c], scratch.data(), sums.data());
                const auto shift = static_cast<std::size_t>(std::min(candidates[c], width));
                std::uint8_t* score = scoresOf(y, c);
                const std::uint8_t* s = sums.data();
                for (std::size_t x = 0; x < shift; ++x)
                    score[x] = static_cast<std::uint8_t>(2 * s[x]);
                for (std::size_t x = shift; x < columns; ++x)
                    score[x] = static_cast<std::uint8_t>(std::min(2 * s[x], 2 * s[x - shift] + 1));
            }
        }
        const int out = y - 1; // the rows below and above it are scored by now
        if (out < 0)
            continue;
        const int top = std::max(0, out - 1);
        const int bottom = std::min(height - 1, out + 1);
        std::fill(bestScore.begin(), bestScore.end(), std::uint8_t{255});
        std::fill(bestSeparation.begin(), bestSeparation.end(), std::int16_t{0});
        std::fill(worstScore.begin(), worstScore.end(), std::uint8_t{0});
        for (std::size_t c = 0; c < count; ++c) {
            const auto separation = static_cast<std::int16_t>(candidates[c]);
            const std::uint8_t* a = scoresOf(top, c);
            const std::uint8_t* b = scoresOf(out, c);
            const std::uint8_t* d = scoresOf(bottom, c);
            for (std::size_t x = 0; x < columns; ++x) {
                // At the top and bottom rows a and d may be the same row as b; count it once.
                const auto total =
                    static_cast<std::uint8_t>(b[x] + (top < out ? a[x] : 0) + (bottom > out ? d[x] : 0));
                // Candidates come largest first, so a tie goes to the larger separation.
                const bool better = total < bestScore[x];
                bestScore[x] = better ? total : bestScore[x];
                bestSeparation[x] = better ? separation : bestSeparation[x];
                worstScore[x] = std::max(worstScore[x], total);
            }
        }
        std::int16_t* target = map.separations.data() + static_cast<std::size_t>(out) * columns;
        const int rows = bottom - top + 1;
        for (std::size_t x = 0; x < columns; ++x) {
            const int left = std::max(0, static_cast<int>(x) - Reach);
            const int right = std::min(width - 1, static_cast<int>(x) + Reach);
            const int noMatch = 2 * (right - left + 1) * rows / 3 + rows;
            // Where every candidate scores alike (a flat area) the window tells nothing.
            const bool telling = worstScore[x] > bestScore[x] || count == 1;
            target[x] = telling && bestScore[x] <= noMatch ? bestSeparation[x] : std::int16_t{0};
        }
    }
    return map;
}

std::optional<int> detectRepeatWidth(const PixelSurface& stereo) {
    const int width = std::max(0, stereo.width());
    const int height = std::max(0, stereo.height());
    constexpr int Smallest = 2;
    const int largest = std::min(width - 1, 400);
    if (largest < Smallest || height == 0)
        return std::nullopt;
    const auto columns = static_cast<std::size_t>(width);
    const auto count = static_cast<std::size_t>(largest - Smallest + 1);

    // Bands of three rows spread over the picture are enough to see which separations it uses.
    std::vector<Packed> row(columns);
    std::vector<std::uint8_t> scratch(columns + 2 * Reach, 0);
    std::vector<std::uint8_t> band(count * columns);
    std::vector<std::uint8_t> rowSums(columns);
    std::vector<std::int64_t> histogram(static_cast<std::size_t>(largest) + 1, 0);
    std::vector<std::uint16_t> matches(columns);
    std::vector<std::int16_t> smallest(columns);
    std::int64_t textured = 0;
    std::int64_t sampled = 0;
    const int bands = std::min(24, std::max(1, height / 3));
    for (int b = 0; b < bands; ++b) {
        const int top = static_cast<int>(static_cast<std::int64_t>(height) * b / bands);
        const int rows = std::min(3, height - top);
        std::fill(band.begin(), band.end(), std::uint8_t{0});
        for (int r = 0; r < rows; ++r) {
            stereo.readRow(top + r, row);
            for (std::size_t c = 0; c < count; ++c) {
                rowMismatches(row.data(), width, Smallest + static_cast<int>(c), scratch.data(),
                              rowSums.data());
                std::uint8_t* sum = band.data() + c * columns;
                for (std::size_t x = 0; x < columns; ++x)
                    sum[x] = static_cast<std::uint8_t>(sum[x] + rowSums[x]);
            }
        }
        std::fill(matches.begin(), matches.end(), std::uint16_t{0});
        std::fill(smallest.begin(), smallest.end(), std::int16_t{0});
        for (std::size_t c = count; c-- > 0;) {
            const std::uint8_t* sum = band.data() + c * columns;
            for (std::size_t x = 0; x < columns; ++x) {
                if (sum[x] == 0) {
                    ++matches[x];
                    smallest[x] = static_cast<std::int16_t>(Smallest + static_cast<int>(c));
                }
            }
        }
        sampled += width;
        // A flat area matches nearly everywhere and tells nothing; a textured pixel matches at its
        // separation and its multiples only.
        for (std::size_t x = 0; x < columns; ++x) {
            // Only the candidates whose partner lies inside the picture can match.
            const auto inside = static_cast<std::size_t>(
                std::clamp<std::int64_t>(std::int64_t{width} - static_cast<std::int64_t>(x) - Smallest, 0,
                                         static_cast<std::int64_t>(count)));
            if (inside * 2 >= count && matches[x] > 0 && matches[x] * 4 <= inside) {
                ++histogram[static_cast<std::size_t>(smallest[x])];
                ++textured;
            }
        }
    }
    // A picture that does not repeat still matches somewhere by chance, but only rarely. A
    // stereogram is textured nearly everywhere; a picture mostly flat (a Design image, a smooth
    // ramp) has only edges, which match themselves a pixel or two along.
    const std::int64_t peak = *std::max_element(histogram.begin(), histogram.end());
    if (peak == 0 || peak * 100 < sampled || textured * 4 < sampled)
        return std::nullopt;
    const std::int64_t enough = std::max<std::int64_t>(peak / 8, textured / 50 + 1);
    for (int separation = largest; separation >= Smallest; --separation) {
        if (histogram[static_cast<std::size_t>(separation)] >= enough)
            return separation;
    }
    return std::nullopt;
}

std::vector<std::uint8_t> levelsFromSeparations(const SeparationMap& map, int repeatWidth, int depth) {
    const ShiftTable shifts(ConversionParameters{repeatWidth, depth, 0}.depthFactor());
    // Every separation a map can hold is a 16-bit value; look each one up once.
    std::vector<std::uint8_t> levelOf(32768, 0);
    for (int separation = 1; separation < 32768; ++separation) {
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
        levels[i] = map.separations[i] > 0 ? levelOf[static_cast<std::size_t>(map.separations[i])] : 0;
    return levels;
}

std::vector<std::uint8_t> greyFromSeparations(const SeparationMap& map, int repeatWidth) {
    auto shiftOf = [repeatWidth](std::int16_t separation) {
        return separation > 0 ? std::max(0, repeatWidth - separation) : 0;
    };
    // White is the largest shift that at least one pixel in a thousand has, so that a few stray
    // matches do not darken the whole map.
    std::vector<std::int64_t> counts(32768, 0);
    for (const std::int16_t separation : map.separations)
        ++counts[static_cast<std::size_t>(shiftOf(separation))];
    const auto enough = std::max<std::int64_t>(1, static_cast<std::int64_t>(map.separations.size() / 1000));
    int white = 0;
    for (int shift = static_cast<int>(counts.size()) - 1; shift > 0 && white == 0; --shift)
        if (counts[static_cast<std::size_t>(shift)] >= enough)
            white = shift;
    std::vector<std::uint8_t> grey(map.separations.size(), 0);
    if (white == 0)
        return grey;
    for (std::size_t i = 0; i < grey.size(); ++i) {
        const int shift = std::min(shiftOf(map.separations[i]), white);
        grey[i] = static_cast<std::uint8_t>((shift * 255 + white / 2) / white);
    }
    return grey;
}

} // namespace quarbel::engine
