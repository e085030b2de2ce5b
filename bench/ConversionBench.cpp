// Throughput of the quantiser and the converters against a "floor": the simplest linking pass over
// the same pictures and the same repeat width (per row: read the pattern row, out[x] = out[x - 70]
// when x >= 70 else the pattern pixel, write the row). Items are pixels. Pictures are 1024 wide
// (768 or 4096 rows) like the editor's, and 4096 x 4096 as the batch converter takes them.
//
// Reading the depth back (BM_Reveal: with the repeat width and depth given; BM_RevealFindRepeat:
// repeat width found first, every separation tried) runs on the mono random-dot stereogram of
// the same design, so its time compares with BM_RandomDotMono of the same picture. The converters
// run on one thread, so their wall and CPU times are the same.
//
// Pictures: a Design image of concentric rings through all 16 levels (every other ring in a colour
// slightly off the palette, as a resaved picture has) and a Field image tiled from a 70-pixel
// pattern. The "/noise:1" runs give every pixel of every other ring its own small colour offset
// (inside the quantising bands, so the depth is the same): the worst case for the quantiser's
// shortcut over flat areas, which are what depth designs are made of.

#include "engine/Conversion.h"
#include "engine/DepthQuantiser.h"
#include "engine/DepthReveal.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <span>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using namespace quarbel::engine;

constexpr int RepeatWidth = 70;
constexpr int Depth = 20;

class VectorSurface final : public PixelSurface {
public:
    VectorSurface(int width, int height)
        : m_width(width), m_height(height), m_pixels(std::size_t(width) * height) {}
    int width() const override { return m_width; }
    int height() const override { return m_height; }
    void readRow(int y, std::span<Packed> out) const override {
        const std::size_t inside = y >= 0 && y < m_height ? std::min<std::size_t>(out.size(), m_width) : 0;
        if (inside)
            std::memcpy(out.data(), &m_pixels[std::size_t(y) * m_width], inside * sizeof(Packed));
        std::fill(out.begin() + static_cast<std::ptrdiff_t>(inside), out.end(), -1);
    }
    Packed& at(int x, int y) { return m_pixels[std::size_t(y) * m_width + x]; }

private:
    int m_width, m_height;
    std::vector<Packed> m_pixels;
};

class VectorSink final : public RowSink {
public:
    void resize(int width, int height) override {
        m_width = width;
        m_pixels.resize(std::size_t(width) * height);
    }
    void clear() override { std::fill(m_pixels.begin(), m_pixels.end(), 0xFFFFFF); }
    void writeRow(int y, std::span<const Packed> colours) override {
        std::memcpy(&m_pixels[std::size_t(y) * m_width], colours.data(), colours.size_bytes());
    }
    const std::vector<Packed>& pixels() const { return m_pixels; }
    // As the batch converter's pictures: nobody looks before the run ends.
    bool shownWhileDrawn() const override { return false; }

private:
    int m_width = 0;
    std::vector<Packed> m_pixels;
};

constexpr ConversionParameters BenchParameters{RepeatWidth, Depth, 30};

struct Pictures {
    VectorSurface design;
    VectorSurface field;
    std::unique_ptr<VectorSurface> m_stereo; // made on first use: only the reveal needs it

    Pictures(int width, int height, bool noisy) : design(width, height), field(width, height) {
        std::mt19937 gen(2024);
        // Offsets of at most 12 keep every component inside its quantising band.
        std::uniform_int_distribution<int> offset(-12, 12);
        std::vector<std::array<int, 3>> ringOffsets(17);
        for (auto& o : ringOffsets)
            o = {offset(gen), offset(gen), offset(gen)};
        const double cx = width / 2.0, cy = height / 2.0, ring = std::min(cx, cy) / 16.0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const int index = std::min(static_cast<int>(std::hypot(x - cx, y - cy) / ring), 16);
                const Packed colour = DepthPalette[static_cast<std::size_t>(std::max(15 - index, 0))];
                if (index % 2 == 0) {
                    design.at(x, y) = colour;
                    continue;
                }
                int parts[3] = {colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF};
                for (int c = 0; c < 3; ++c)
                    parts[c] = std::clamp(parts[c] + (noisy ? offset(gen) : ringOffsets[index][c]), 0, 255);
                design.at(x, y) = packRgb(parts[0], parts[1], parts[2]);
            }
        std::uniform_int_distribution<Packed> anyColour(1, 0xFFFFFF);
        std::vector<Packed> tile(std::size_t(RepeatWidth) * RepeatWidth);
        for (auto& c : tile)
            c = anyColour(gen);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                field.at(x, y) = tile[std::size_t(y % RepeatWidth) * RepeatWidth + x % RepeatWidth];
    }

    // The mono random-dot stereogram of design.
    const VectorSurface& stereo() {
        if (!m_stereo) {
            const int width = design.width(), height = design.height();
            VectorSink sink;
            ConversionState conversion;
            conversion.MaxWidth = MaxConvertWidth;
            RunFlags flags;
            XoshiroRandom random;
            const std::string mode = "Mono";
            auto converter = makeRandomDotConverter(conversion, flags, design, sink, random, mode, 7);
            runToEnd(*converter, BenchParameters);
            m_stereo = std::make_unique<VectorSurface>(width, height);
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x)
                    m_stereo->at(x, y) = sink.pixels()[std::size_t(y) * width + x];
        }
        return *m_stereo;
    }
};

Pictures& picturesFor(const benchmark::State& state) {
    static std::map<std::tuple<int, int, bool>, Pictures> cache;
    const std::tuple<int, int, bool> key{static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
                                         state.range(2) != 0};
    auto it = cache.find(key);
    if (it == cache.end())
        it = cache
                 .emplace(std::piecewise_construct, std::forward_as_tuple(key),
                          std::forward_as_tuple(std::get<0>(key), std::get<1>(key), std::get<2>(key)))
                 .first;
    return it->second;
}

void countPixels(benchmark::State& state) {
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0) * state.range(1));
}

// The width is a compile-time constant, as it was when the floor's figures were first taken: with a
// run-time width the compiler vectorises this loop and the floor becomes about five times faster,
// so that its figures would no longer compare with the earlier ones.
template <int Width> void floorPass(benchmark::State& state, const Pictures& pictures) {
    const int height = pictures.field.height();
    VectorSink sink;
    std::vector<Packed> pattern(Width), out(Width);
    // The separation is a run-time value, as the converters' repeat width is.
    int separation = BenchParameters.repeatWidth;
    benchmark::DoNotOptimize(separation);
    for (auto _ : state) {
        sink.resize(Width, height);
        for (int y = 0; y < height; ++y) {
            pictures.field.readRow(y, pattern);
            for (int x = 0; x < Width; ++x)
                out[x] = x >= separation ? out[x - separation] : pattern[x];
            sink.writeRow(y, out);
        }
        benchmark::DoNotOptimize(sink.pixels().data());
    }
}

void BM_Floor(benchmark::State& state) {
    const Pictures& pictures = picturesFor(state);
    if (pictures.field.width() == 4096)
        floorPass<4096>(state, pictures);
    else
        floorPass<1024>(state, pictures);
    countPixels(state);
}

void BM_QuantiseDepthRow(benchmark::State& state) {
    const Pictures& pictures = picturesFor(state);
    const int height = pictures.design.height();
    std::vector<Packed> row(pictures.design.width());
    std::vector<std::int32_t> levels(row.size());
    for (auto _ : state) {
        for (int y = 0; y < height; ++y) {
            pictures.design.readRow(y, row);
            QuantiseDepthRow(row, levels);
            benchmark::DoNotOptimize(levels.data());
        }
    }
    countPixels(state);
}

void randomDot(benchmark::State& state, const std::string& mode) {
    const Pictures& pictures = picturesFor(state);
    VectorSink sink;
    ConversionState conversion;
    conversion.MaxWidth = MaxConvertWidth;
    RunFlags flags;
    XoshiroRandom random;
    auto converter = makeRandomDotConverter(conversion, flags, pictures.design, sink, random, mode, 7);
    for (auto _ : state) {
        runToEnd(*converter, BenchParameters);
        benchmark::DoNotOptimize(sink.pixels().data());
    }
    countPixels(state);
}

void BM_RandomDotMono(benchmark::State& state) {
    randomDot(state, "Mono");
}
void BM_RandomDotColor(benchmark::State& state) {
    randomDot(state, "Color");
}

void BM_ColorField(benchmark::State& state) {
    const Pictures& pictures = picturesFor(state);
    VectorSink sink;
    ConversionState conversion;
    conversion.MaxWidth = MaxConvertWidth;
    RunFlags flags;
    auto converter = makeColorFieldConverter(conversion, flags, pictures.design, pictures.field, sink);
    for (auto _ : state) {
        runToEnd(*converter, BenchParameters);
        benchmark::DoNotOptimize(sink.pixels().data());
    }
    countPixels(state);
}

void BM_Reveal(benchmark::State& state) {
    const VectorSurface& stereo = picturesFor(state).stereo();
    RevealOptions options;
    options.repeatWidth = RepeatWidth;
    options.depth = Depth;
    options.threads = static_cast<int>(state.range(3));
    for (auto _ : state) {
        const RevealResult result = revealStereogram(stereo, options);
        benchmark::DoNotOptimize(result.levels.data());
    }
    countPixels(state);
}

void BM_RevealFindRepeat(benchmark::State& state) {
    const VectorSurface& stereo = picturesFor(state).stereo();
    RevealOptions options;
    options.threads = static_cast<int>(state.range(3));
    for (auto _ : state) {
        const RevealResult result = revealStereogram(stereo, options);
        benchmark::DoNotOptimize(result.grey.data());
    }
    countPixels(state);
}

// The repeat-width search alone: the part of BM_RevealFindRepeat before the map is made.
void BM_DetectRepeatWidth(benchmark::State& state) {
    const VectorSurface& stereo = picturesFor(state).stereo();
    for (auto _ : state)
        benchmark::DoNotOptimize(
            detectRepeatWidth(stereo, RevealPath::Widest, static_cast<int>(state.range(3))));
    countPixels(state);
}

void pictureSizes(benchmark::internal::Benchmark* b) {
    b->ArgNames({"cols", "rows", "noise"});
    for (const auto& [cols, rows] : {std::pair{1024, 768}, std::pair{1024, 4096}, std::pair{4096, 4096}})
        for (int noise : {0, 1})
            b->Args({cols, rows, noise});
    b->Unit(benchmark::kMicrosecond);
}

// The reveal splits its work over the cores: its times are the wall time a user waits (with the CPU
// time of all its threads beside), on one thread and on one per core (threads:0).
void revealSizes(benchmark::internal::Benchmark* b) {
    b->ArgNames({"cols", "rows", "noise", "threads"});
    for (const auto& [cols, rows] : {std::pair{1024, 768}, std::pair{4096, 4096}})
        for (int threads : {1, 0})
            b->Args({cols, rows, 0, threads});
    b->Unit(benchmark::kMicrosecond);
    b->MeasureProcessCPUTime();
    b->UseRealTime();
}

} // namespace

BENCHMARK(BM_Floor)->Apply(pictureSizes);
BENCHMARK(BM_QuantiseDepthRow)->Apply(pictureSizes);
BENCHMARK(BM_RandomDotMono)->Apply(pictureSizes);
BENCHMARK(BM_RandomDotColor)->Apply(pictureSizes);
BENCHMARK(BM_ColorField)->Apply(pictureSizes);
BENCHMARK(BM_Reveal)->Apply(revealSizes);
BENCHMARK(BM_RevealFindRepeat)->Apply(revealSizes);
BENCHMARK(BM_DetectRepeatWidth)->Apply(revealSizes);
