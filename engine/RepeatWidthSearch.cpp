#include "engine/RepeatWidthSearch.h"

#include "engine/Parts.h"
#include "engine/RevealKernels.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <vector>

namespace quarbel::engine {

namespace reveal {

namespace {

constexpr int Smallest = 2;
constexpr std::uint16_t None = std::numeric_limits<std::uint16_t>::max();

// Votes for each separation, and how many pixels were sampled and voted.
struct Votes {
    std::vector<std::int64_t> votes;
    std::int64_t voted = 0, sampled = 0;

    explicit Votes(int largest) : votes(static_cast<std::size_t>(largest) + 2, 0) {}
    void add(const Votes& other) {
        for (std::size_t s = 0; s < votes.size(); ++s)
            votes[s] += other.votes[s];
        voted += other.voted;
        sampled += other.sampled;
    }
};

// A band as the search saw it: its three rows, and each pixel's limit (half its mean cost over every
// separation: a separation costing no more matches it, as against chance; 0 where the pixel does
// not vote).
struct BandSample {
    std::array<Planes, 3> planes;
    std::vector<std::uint16_t> limit;
};

// One thread's search: every separation's costs over a band of three rows, with the thread's own
// buffers.
struct BandSearch {
    const PixelSurface& stereo;
    int width, height;
    std::size_t columns, count;
    bool avx2;
    std::vector<Packed> scratch;
    std::array<Planes, 3> planes;
    std::vector<std::uint16_t> costs;
    std::vector<std::uint8_t> differences;
    std::vector<std::uint16_t> padded, best, limit, vote, usable, typical;
    std::vector<std::uint32_t> sum;

    BandSearch(const PixelSurface& picture, int largest, bool wide)
        : stereo(picture), width(std::max(0, picture.width())), height(std::max(0, picture.height())),
          columns(static_cast<std::size_t>(width)), count(static_cast<std::size_t>(largest - Smallest + 1)),
          avx2(wide), scratch(columns), costs(count * columns), differences(3 * columns),
          padded(2 * (columns + 2 * Reach)), best(columns), limit(columns), vote(columns), usable(columns),
          sum(columns) {}

    // Adds the votes of the band whose first row is top, and keeps what the band looked like.
    void run(int top, Votes& tally, BandSample& sample);
};

void BandSearch::run(int top, Votes& tally, BandSample& sample) {
    std::vector<std::int64_t>& votes = tally.votes;
    std::int64_t &voted = tally.voted, &sampled = tally.sampled;
    for (int r = 0; r < 3; ++r)
        planes[static_cast<std::size_t>(r)].load(stereo, std::min(height - 1, top + r), scratch, avx2);
    std::fill(best.begin(), best.end(), None);
    std::fill(sum.begin(), sum.end(), 0u);
    std::fill(usable.begin(), usable.end(), std::uint16_t{0});
    for (std::size_t c = 0; c < count; ++c) {
        const int separation = Smallest + static_cast<int>(c);
        for (std::size_t r = 0; r < 3; ++r) {
            if (avx2)
                pixelDifferencesAvx2(planes[r], width, separation, differences.data() + r * columns);
            else
                pixelDifferences(planes[r], width, separation, differences.data() + r * columns);
        }
        const SearchRow row{differences.data(),         width,       separation, padded.data(),
                            costs.data() + c * columns, best.data(), sum.data(), usable.data()};
        if (avx2)
            searchCostsAvx2(row);
        else
            searchCosts(row);
    }
    // Each pixel votes for the smallest separation that matches about as well as its best one
    // (the far background matches at the repeat width and its multiples). A flat window, or one
    // where nothing matches clearly (a third of the mean or less), does not vote. "About as
    // well" is also anything within half as much again as the band's typical best: a JPEG's
    // noise repeats where the 8-pixel blocks line up, so that a long chain of copies at a
    // multiple of 8 can match better than the pixel's own copy.
    typical.clear();
    for (std::size_t x = 0; x < columns; ++x) {
        const std::uint64_t n = usable[x], b = best[x];
        const bool counts = n >= 8;
        sampled += counts;
        const bool clear = counts && b * 3 * n < sum[x] && sum[x] - b * n >= std::uint64_t(FlatSpread) * n;
        limit[x] = clear ? static_cast<std::uint16_t>(b + std::max<std::uint64_t>(b / 4, NoiseMargin)) : 0;
        vote[x] = clear ? None : 0; // 0: no vote
        if (clear)
            typical.push_back(best[x]);
    }
    if (!typical.empty()) {
        const auto middle = typical.begin() + static_cast<std::ptrdiff_t>(typical.size() / 2);
        std::nth_element(typical.begin(), middle, typical.end());
        const auto floor = static_cast<std::uint16_t>(std::min<int>(NoPair, *middle * 3 / 2 + NoiseMargin));
        for (std::size_t x = 0; x < columns; ++x)
            limit[x] = vote[x] == None ? std::max(limit[x], floor) : limit[x];
    }
    for (std::size_t c = 0; c < count; ++c) {
        if (avx2)
            firstWithinAvx2(costs.data() + c * columns, limit.data(), vote.data(), columns,
                            static_cast<std::uint16_t>(c));
        else
            firstWithin(costs.data() + c * columns, limit.data(), vote.data(), columns,
                        static_cast<std::uint16_t>(c));
    }
    // A best match at the smallest separation is a smooth picture matching itself a pixel
    // along (a gradient, the edges of a flat design), not a repeat.
    for (std::size_t x = 0; x < columns; ++x) {
        if (vote[x] == None || vote[x] == 0)
            continue;
        ++votes[static_cast<std::size_t>(Smallest + vote[x])];
        ++voted;
    }
    sample.planes = planes;
    sample.limit.resize(columns);
    for (std::size_t x = 0; x < columns; ++x)
        sample.limit[x] =
            vote[x] == 0 ? 0
                         : static_cast<std::uint16_t>(sum[x] / (2 * std::max<std::uint32_t>(usable[x], 1)));
}

// How many of the sampled pixels match at a separation of whole pixels plus sixths, the copy read
// between two pixels as their weighted mean: the 9 x 3 window's cost, each pixel's difference capped
// as the search caps it, within the pixel's limit. A copy read between pixels is blurred, so the
// limit is set by chance, not by the pixel's best match. Pixels whose window reaches past the pairs
// are not counted.
std::int64_t matchingAt(const std::vector<BandSample>& samples, int sixths) {
    const int whole = sixths / 6, part = sixths % 6;
    const std::size_t next = part > 0 ? 1 : 0;
    std::int64_t matching = 0;
    std::vector<int> difference, column;
    for (const BandSample& sample : samples) {
        const auto width = static_cast<int>(sample.limit.size());
        const int paired = width - whole - static_cast<int>(next);
        if (paired <= 2 * Reach)
            continue;
        const auto n = static_cast<std::size_t>(paired);
        const auto offset = static_cast<std::size_t>(whole);
        column.assign(n, 0);
        for (const Planes& row : sample.planes) {
            difference.assign(n, 0);
            for (const std::vector<std::uint8_t>* plane : {&row.r, &row.g, &row.b}) {
                const std::uint8_t* p = plane->data();
                for (std::size_t x = 0; x < n; ++x)
                    difference[x] +=
                        std::abs(6 * p[x] - (6 - part) * p[x + offset] - part * p[x + offset + next]);
            }
            for (std::size_t x = 0; x < n; ++x)
                column[x] += std::min((difference[x] + 3) / 6, int(PixelCap));
        }
        int window = 0;
        for (std::size_t x = 0; x < 2 * Reach; ++x)
            window += column[x];
        for (std::size_t x = Reach; x + Reach < n; ++x) {
            window += column[x + Reach];
            const int limit = sample.limit[x];
            matching += limit > 0 && window <= limit;
            window -= column[x - Reach];
        }
    }
    return matching;
}

} // namespace

std::optional<RepeatSearch> searchRepeat(const PixelSurface& stereo, RevealPath path, int threads) {
    const int width = std::max(0, stereo.width());
    const int height = std::max(0, stereo.height());
    const int largest = width / 2;
    if (largest < Smallest + 2 || height == 0)
        return std::nullopt;

    const bool avx2 = path == RevealPath::Widest && hasAvx2();
    // Bands of three rows spread over the picture are enough to see which separations it uses.
    // Fewer bands on a wide picture, where each holds more pixels and more separations.
    const int bands = std::clamp(static_cast<int>(3'000'000 / (std::int64_t{width} * largest)), 4, 10);
    const int bandCount = std::min(bands, std::max(1, height / 3));
    // Each thread takes every workers-th band; the votes add up alike in any order.
    const int workers = std::min(threadsFor(threads), bandCount);
    std::vector<Votes> tallies(static_cast<std::size_t>(workers), Votes(largest));
    std::vector<BandSample> samples(static_cast<std::size_t>(bandCount));
    runParts(workers, workers, [&](int worker) {
        BandSearch search(stereo, largest, avx2);
        for (int band = worker; band < bandCount; band += workers)
            search.run(bandStart(height, band, bandCount), tallies[static_cast<std::size_t>(worker)],
                       samples[static_cast<std::size_t>(band)]);
    });
    Votes all(largest);
    for (const Votes& tally : tallies)
        all.add(tally);
    const std::vector<std::int64_t>& votes = all.votes;
    const std::int64_t voted = all.voted, sampled = all.sampled;
    // A stereogram is textured and matches nearly everywhere; a picture that does not repeat
    // matches only by chance, and a mostly flat one (a Design image, a smooth ramp) hardly at all.
    if (sampled == 0 || voted * 4 < sampled)
        return std::nullopt;
    // The largest separation that a share of the votes goes to, with its neighbours (a rescaled
    // picture's separations fall between whole pixels). A window across the edge between two
    // surfaces matches again at the sum of their separations; such a sum, less voted for than
    // one of its parts, is no surface of its own.
    const std::int64_t enough = std::max<std::int64_t>(voted * 3 / 100, 8);
    auto supported = [&](int separation) {
        const auto s = static_cast<std::size_t>(separation);
        return votes[s] * 2 >= enough && votes[s] + std::max(votes[s - 1], votes[s + 1]) >= enough;
    };
    auto around = [&](int separation) {
        const auto s = static_cast<std::size_t>(separation);
        return votes[s] + std::max(votes[s - 1], votes[s + 1]);
    };
    std::vector<int> found;
    for (int separation = Smallest; separation <= largest; ++separation)
        if (supported(separation))
            found.push_back(separation);
    // A surface whose separation falls between whole pixels (a rescaled picture's) may match at no
    // whole separation but at twice or three times it, where the pixels line up again: such a
    // multiple, matched by about as many pixels at its half or third (read between pixels), stands
    // for that surface, which is nearer than a larger separation found beside it.
    struct Surface {
        int sixths;           // the separation in sixths of a pixel
        int found;            // the whole separation it was found at
        std::int64_t support; // the votes around that separation
    };
    std::vector<Surface> surfaces;
    for (const int separation : found) {
        Surface surface{6 * separation, separation, around(separation)};
        const std::int64_t here = matchingAt(samples, 6 * separation);
        for (const int times : {2, 3})
            if (separation >= times * Smallest &&
                matchingAt(samples, 6 * separation / times) * 10 >= here * 6) {
                surface.sixths = 6 * separation / times;
                break;
            }
        surfaces.push_back(surface);
    }
    std::sort(surfaces.begin(), surfaces.end(),
              [](const Surface& a, const Surface& b) { return a.sixths > b.sixths; });
    for (const Surface& surface : surfaces) {
        bool sum = false;
        for (const Surface& a : surfaces)
            for (const Surface& b : surfaces)
                if (a.sixths <= b.sixths && std::abs(a.sixths + b.sixths - surface.sixths) <= 6 &&
                    surface.support < std::max(a.support, b.support))
                    sum = true;
        // A whole separation less voted for than a larger multiple that stands for a surface
        // between pixels is no repeat width either: the repeat width has the most votes.
        for (const Surface& ghost : surfaces)
            if (ghost.sixths != 6 * ghost.found && ghost.found > surface.found &&
                ghost.support > surface.support)
                sum = true;
        if (sum)
            continue;
        RepeatSearch search;
        // Separations are read in whole pixels: a repeat width between them is read at the multiple
        // where the copies line up.
        const int repeatWidth = surface.found;
        search.repeatWidth = repeatWidth;
        search.nearest = repeatWidth;
        if (surface.sixths != 6 * surface.found)
            search.betweenSixths = surface.sixths;
        const std::int64_t few = std::max<std::int64_t>(voted / 300, 8);
        for (int separation = std::max(Smallest, std::min(repeatWidth - MaxShift, repeatWidth / 2));
             separation < repeatWidth; ++separation)
            if (votes[static_cast<std::size_t>(separation)] >= few) {
                search.nearest = separation;
                break;
            }
        return search;
    }
    return std::nullopt;
}

} // namespace reveal

std::optional<int> detectRepeatWidth(const PixelSurface& stereo, RevealPath path, int threads) {
    const std::optional<reveal::RepeatSearch> search = reveal::searchRepeat(stereo, path, threads);
    return search ? std::optional<int>(search->repeatWidth) : std::nullopt;
}

} // namespace quarbel::engine
