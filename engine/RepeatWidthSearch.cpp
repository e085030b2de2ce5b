#include "engine/RepeatWidthSearch.h"

#include "engine/Parts.h"
#include "engine/RevealKernels.h"

#include <algorithm>
#include <array>
#include <cstdint>
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

    // Adds the votes of the band whose first row is top.
    void run(int top, Votes& tally);
};

void BandSearch::run(int top, Votes& tally) {
    std::vector<std::int64_t>& votes = tally.votes;
    std::int64_t &voted = tally.voted, &sampled = tally.sampled;
    for (int r = 0; r < 3; ++r)
        planes[static_cast<std::size_t>(r)].load(stereo, std::min(height - 1, top + r), scratch);
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
        const std::uint16_t* cost = costs.data() + c * columns;
        const auto index = static_cast<std::uint16_t>(c);
        for (std::size_t x = 0; x < columns; ++x)
            vote[x] = vote[x] == None && cost[x] <= limit[x] ? index : vote[x];
    }
    // A best match at the smallest separation is a smooth picture matching itself a pixel
    // along (a gradient, the edges of a flat design), not a repeat.
    for (std::size_t x = 0; x < columns; ++x) {
        if (vote[x] == None || vote[x] == 0)
            continue;
        ++votes[static_cast<std::size_t>(Smallest + vote[x])];
        ++voted;
    }
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
    runParts(workers, workers, [&](int worker) {
        BandSearch search(stereo, largest, avx2);
        for (int band = worker; band < bandCount; band += workers)
            search.run(bandStart(height, band, bandCount), tallies[static_cast<std::size_t>(worker)]);
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
    for (auto it = found.rbegin(); it != found.rend(); ++it) {
        bool sum = false;
        for (const int a : found)
            for (const int b : found)
                if (a <= b && a + b >= *it - 1 && a + b <= *it + 1 &&
                    around(*it) < std::max(around(a), around(b)))
                    sum = true;
        if (sum)
            continue;
        RepeatSearch search;
        search.repeatWidth = *it;
        search.nearest = *it;
        const std::int64_t few = std::max<std::int64_t>(voted / 300, 8);
        for (int separation = std::max(Smallest, std::min(*it - MaxShift, *it / 2)); separation < *it;
             ++separation)
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
