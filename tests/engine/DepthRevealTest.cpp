// Reading stereograms back: pictures made by the converters are revealed and compared with the
// Design image that made them, which is also a round-trip check of the converters.

#include "engine/DepthReveal.h"

#include "EngineFakes.h"
#include "Reference.h"
#include "engine/Conversion.h"
#include "engine/DepthFromSeparations.h"
#include "engine/DepthQuantiser.h"
#include "engine/RevealKernels.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <numeric>
#include <random>
#include <unistd.h>

namespace quarbel::engine {
namespace {

using namespace quarbel::engine::testing;

enum class Design {
    Shapes,     // rectangles and discs at least 30 pixels across
    Narrow,     // near bars 12 to 20 pixels wide: their first separation is most of them
    SmallDiscs, // discs 6 to 10 pixels in radius
};

// Background level 0 with overlapping shapes of random levels 1..15.
MemorySurface shapesDesign(int width, int height, std::uint32_t seed, Design kind = Design::Shapes) {
    std::mt19937 gen(seed);
    MemorySurface design(width, height, DepthPalette[0]);
    std::uniform_int_distribution<int> level(1, 15), nearLevel(8, 15), xs(0, width - 1), ys(0, height - 1),
        radius(15, std::max(16, std::min(width, height) / 4)), narrow(6, 10), small(6, 10);
    const int shapes = kind == Design::SmallDiscs ? 6 + width * height / 8000 : 3 + width * height / 30000;
    for (int s = 0; s < shapes; ++s) {
        const bool nearBar = kind == Design::Narrow;
        const Packed colour = DepthPalette[static_cast<std::size_t>(nearBar ? nearLevel(gen) : level(gen))];
        const int cx = xs(gen), cy = ys(gen);
        int rx = radius(gen), ry = radius(gen);
        if (kind == Design::Narrow) {
            rx = narrow(gen);
            ry = 20 + radius(gen);
        } else if (kind == Design::SmallDiscs) {
            rx = ry = small(gen);
        }
        const bool disc = kind == Design::SmallDiscs || (kind == Design::Shapes && gen() % 2 == 0);
        for (int y = std::max(0, cy - ry); y <= std::min(height - 1, cy + ry); ++y)
            for (int x = std::max(0, cx - rx); x <= std::min(width - 1, cx + rx); ++x) {
                const double dx = double(x - cx) / rx, dy = double(y - cy) / ry;
                if (!disc || dx * dx + dy * dy <= 1.0)
                    design.set(x, y, colour);
            }
    }
    return design;
}

// A pattern one repeat width wide (as the wizard tiles it), repeated over the picture. blockSize 1
// gives a fine texture of any colour; larger blocks of a few colours give a coarse one.
MemorySurface tiledField(int width, int height, int period, int blockSize, int colours, std::uint32_t seed) {
    std::mt19937 gen(seed);
    std::uniform_int_distribution<Packed> anyColour(1, 0xFFFFFF);
    std::vector<Packed> palette(static_cast<std::size_t>(colours));
    for (Packed& c : palette)
        c = anyColour(gen);
    const int patternHeight = 64;
    MemorySurface pattern(period, patternHeight);
    for (int y = 0; y < patternHeight; y += blockSize)
        for (int x = 0; x < period; x += blockSize) {
            const Packed c = palette[gen() % palette.size()];
            for (int by = y; by < std::min(patternHeight, y + blockSize); ++by)
                for (int bx = x; bx < std::min(period, x + blockSize); ++bx)
                    pattern.set(bx, by, c);
        }
    MemorySurface field(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            field.set(x, y, pattern.pixel(x % period, y % patternHeight));
    return field;
}

MemorySurface surfaceOf(const MemorySink& sink) {
    MemorySurface surface(sink.width(), sink.height());
    for (int y = 0; y < sink.height(); ++y)
        for (int x = 0; x < sink.width(); ++x)
            surface.set(x, y, sink.at(x, y));
    return surface;
}

// How the stereogram reaches the reader: as written, as a JPEG, or rescaled (smoothly, as image
// programs do), with the repeat width and depth scaled alike.
enum class Copy { Lossless, Jpeg95, Jpeg85, Jpeg75, Half, OneAndHalf };

struct Picture {
    int width = 480, height = 360;
    int repeatWidth = 70, depth = 20;
    enum Kind { RandomDot, ColorField } kind = RandomDot;
    std::string mode = "Mono";
    int density = 30;
    int blockSize = 1, colours = 0; // colour field texture
    Design design = Design::Shapes;
};

// Pictures pass to and from netpbm and ImageMagick as binary PPM and PGM files.
struct TempDir {
    std::filesystem::path path;
    TempDir() {
        // Test cases run as parallel processes: the process id keeps their folders apart.
        static int made = 0;
        path = std::filesystem::temp_directory_path() /
               ("quarbel-reveal-" + std::to_string(::getpid()) + "-" + std::to_string(++made));
        std::filesystem::create_directories(path);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::string operator/(const std::string& name) const { return (path / name).string(); }
};

void writePpm(const MemorySurface& picture, const std::string& path) {
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << picture.width() << ' ' << picture.height() << "\n255\n";
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const Packed c = picture.pixel(x, y);
            const char rgb[3] = {char(c & 0xFF), char((c >> 8) & 0xFF), char((c >> 16) & 0xFF)};
            out.write(rgb, 3);
        }
}

// Reads binary PGM (P5) and PPM (P6) with maxval 255, and PAM (P7) with depth 1 or 3, as colours.
MemorySurface readNetpbm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    in >> magic;
    int width = 0, height = 0, maxval = 0, depth = magic == "P5" ? 1 : 3;
    if (magic == "P7") {
        std::string key;
        while (in >> key && key != "ENDHDR") {
            if (key == "WIDTH")
                in >> width;
            else if (key == "HEIGHT")
                in >> height;
            else if (key == "DEPTH")
                in >> depth;
            else if (key == "MAXVAL")
                in >> maxval;
            else
                in.ignore(1 << 10, '\n');
        }
    } else {
        in >> width >> height >> maxval;
    }
    in.get();
    if (!in || maxval != 255 || width <= 0 || height <= 0) {
        ADD_FAILURE() << "cannot read " << path;
        return MemorySurface(0, 0);
    }
    MemorySurface picture(width, height);
    std::vector<unsigned char> row(static_cast<std::size_t>(width) * depth);
    for (int y = 0; y < height; ++y) {
        in.read(reinterpret_cast<char*>(row.data()), static_cast<std::streamsize>(row.size()));
        for (int x = 0; x < width; ++x) {
            const unsigned char* p = &row[static_cast<std::size_t>(x) * depth];
            picture.set(x, y, depth >= 3 ? packRgb(p[0], p[1], p[2]) : packRgb(p[0], p[0], p[0]));
        }
    }
    return picture;
}

bool run(const std::string& command) {
    const int status = std::system((command + " 2>/dev/null").c_str());
    return status == 0;
}

double scaleOf(Copy copy) {
    return copy == Copy::Half ? 0.5 : copy == Copy::OneAndHalf ? 1.5 : 1.0;
}

// The stereogram as the reader gets it, through ImageMagick (libjpeg's writer for the JPEGs).
MemorySurface copied(const MemorySurface& stereo, Copy copy) {
    if (copy == Copy::Lossless)
        return stereo;
    TempDir dir;
    writePpm(stereo, dir / "in.ppm");
    std::string how;
    switch (copy) {
    case Copy::Jpeg95:
        how = "-quality 95 " + (dir / "copy.jpg") + " && convert " + (dir / "copy.jpg");
        break;
    case Copy::Jpeg85:
        how = "-quality 85 " + (dir / "copy.jpg") + " && convert " + (dir / "copy.jpg");
        break;
    case Copy::Jpeg75:
        how = "-quality 75 " + (dir / "copy.jpg") + " && convert " + (dir / "copy.jpg");
        break;
    case Copy::Half:
        how = "-resize 50%";
        break;
    case Copy::OneAndHalf:
        how = "-resize 150%";
        break;
    case Copy::Lossless:
        break;
    }
    EXPECT_TRUE(run("convert " + (dir / "in.ppm") + " " + how + " " + (dir / "out.ppm")))
        << "ImageMagick's convert is missing (scripts/deps.sh installs it)";
    return readNetpbm(dir / "out.ppm");
}

// The Design image at another scale, nearest pixel: the truth for a rescaled stereogram.
MemorySurface scaledDesign(const MemorySurface& design, int width, int height) {
    MemorySurface scaled(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            scaled.set(x, y, design.pixel(x * design.width() / width, y * design.height() / height));
    return scaled;
}

MemorySurface makeStereogram(const Picture& p, const MemorySurface& design, std::uint32_t seed) {
    ConversionParameters params = UsualParameters;
    params = {p.repeatWidth, p.depth, p.density};
    MemorySink sink;
    ConversionState state;
    state.MaxWidth = MaxConvertWidth;
    RunFlags flags;
    XoshiroRandom random;
    std::unique_ptr<Converter> converter;
    const MemorySurface field =
        tiledField(p.width, p.height, p.repeatWidth, p.blockSize, p.colours > 0 ? p.colours : 4096, seed + 1);
    if (p.kind == Picture::RandomDot)
        converter = makeRandomDotConverter(state, flags, design, sink, random, p.mode, seed);
    else
        converter = makeColorFieldConverter(state, flags, design, field, sink);
    EXPECT_EQ(runToEnd(*converter, params), RowOutcome::Finished);
    return surfaceOf(sink);
}

struct Accuracy {
    std::int64_t counted = 0;
    std::int64_t exact = 0;
    double share() const { return counted ? double(exact) / double(counted) : 0.0; }
};

// Pixels more than 4 pixels (in both directions) from any pixel of another level, and left of
// the rightmost repeat width, against the level the reveal gave them.
Accuracy measure(const MemorySurface& design, const std::vector<std::uint8_t>& levels, int repeatWidth) {
    const int w = design.width(), h = design.height();
    std::vector<int> truth(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            truth[static_cast<std::size_t>(y) * w + x] = depthLevelOf(design.pixel(x, y));
    Accuracy a;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w - repeatWidth; ++x) {
            const int level = truth[static_cast<std::size_t>(y) * w + x];
            bool inside = true;
            for (int dy = -4; dy <= 4 && inside; ++dy)
                for (int dx = -4; dx <= 4 && inside; ++dx) {
                    const int nx = x + dx, ny = y + dy;
                    if (nx >= 0 && ny >= 0 && nx < w && ny < h)
                        inside = truth[static_cast<std::size_t>(ny) * w + nx] == level;
                }
            if (!inside)
                continue;
            ++a.counted;
            a.exact += levels[static_cast<std::size_t>(y) * w + x] == level;
        }
    return a;
}

struct AccuracyCase {
    const char* name;
    Picture picture;
};

const char* copyName(Copy copy) {
    switch (copy) {
    case Copy::Lossless:
        return "lossless";
    case Copy::Jpeg95:
        return "JPEG 95";
    case Copy::Jpeg85:
        return "JPEG 85";
    case Copy::Jpeg75:
        return "JPEG 75";
    case Copy::Half:
        return "scaled 0.5";
    case Copy::OneAndHalf:
        return "scaled 1.5";
    }
    return "";
}

class RevealAccuracy : public ::testing::TestWithParam<std::tuple<AccuracyCase, Copy>> {};

// Depth 20, repeat width 70 (scaled with the picture): the share of counted pixels that get exactly
// their Design level, 98.5 % lossless, 97 % as JPEG, 95 % rescaled. The repeat width is found as
// well, and the map is trusted.
TEST_P(RevealAccuracy, RecoversTheDesignLevels) {
    const Picture& p = std::get<0>(GetParam()).picture;
    const Copy copy = std::get<1>(GetParam());
    const double scale = scaleOf(copy);
    const int repeatWidth = static_cast<int>(std::lround(p.repeatWidth * scale));
    const int depth = static_cast<int>(std::lround(p.depth * scale));
    Accuracy total;
    for (std::uint32_t seed : {11u, 12u, 13u}) {
        const MemorySurface design = shapesDesign(p.width, p.height, seed, p.design);
        const MemorySurface stereo = copied(makeStereogram(p, design, seed * 7), copy);
        const MemorySurface truth = scaledDesign(design, stereo.width(), stereo.height());
        RevealOptions options;
        options.repeatWidth = repeatWidth;
        options.depth = depth;
        const RevealResult result = revealStereogram(stereo, options);
        ASSERT_EQ(result.status, RevealStatus::Ok) << result.matchedShare;
        EXPECT_FALSE(result.crossEyed);
        EXPECT_EQ(detectRepeatWidth(stereo), repeatWidth) << seed;
        const Accuracy a = measure(truth, result.levels, repeatWidth);
        ASSERT_GT(a.counted, stereo.width() * stereo.height() / 5)
            << "the design leaves too few pixels to count";
        total.counted += a.counted;
        total.exact += a.exact;
    }
    std::printf("[ reveal   ] %-32s %-10s %lld of %lld pixels exact: %.2f %%\n", std::get<0>(GetParam()).name,
                copyName(copy), static_cast<long long>(total.exact), static_cast<long long>(total.counted),
                100.0 * total.share());
    const double least = copy == Copy::Lossless ? 0.985 : scale == 1.0 ? 0.97 : 0.95;
    EXPECT_GE(total.share(), least);
}

Picture randomDot(const char* mode, int density, Design design = Design::Shapes) {
    Picture p;
    p.mode = mode;
    p.density = density;
    p.design = design;
    return p;
}

Picture colorField(int blockSize, int colours, Design design = Design::Shapes) {
    Picture p;
    p.kind = Picture::ColorField;
    p.blockSize = blockSize;
    p.colours = colours;
    p.design = design;
    return p;
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, RevealAccuracy,
    ::testing::Combine(
        ::testing::Values(
            AccuracyCase{"random dot mono 30", randomDot("Mono", 30)},
            AccuracyCase{"random dot mono 45", randomDot("Mono", 45)},
            AccuracyCase{"random dot mono 60", randomDot("Mono", 60)},
            AccuracyCase{"random dot colour 30", randomDot("Color", 30)},
            AccuracyCase{"random dot colour 60", randomDot("Color", 60)},
            AccuracyCase{"random dot mono 45 narrow", randomDot("Mono", 45, Design::Narrow)},
            AccuracyCase{"random dot colour 45 small discs", randomDot("Color", 45, Design::SmallDiscs)},
            AccuracyCase{"colour field fine", colorField(1, 0)},
            AccuracyCase{"colour field 8 colours", colorField(1, 8)},
            AccuracyCase{"colour field 2x2 blocks", colorField(2, 12)},
            AccuracyCase{"colour field fine narrow", colorField(1, 0, Design::Narrow)},
            AccuracyCase{"colour field 2x2 narrow", colorField(2, 12, Design::Narrow)},
            AccuracyCase{"colour field fine small discs", colorField(1, 0, Design::SmallDiscs)}),
        ::testing::Values(Copy::Lossless, Copy::Jpeg95, Copy::Jpeg85, Copy::Jpeg75, Copy::Half,
                          Copy::OneAndHalf)),
    [](const auto& info) {
        std::string name =
            std::string(std::get<0>(info.param).name) + " " + copyName(std::get<1>(info.param));
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return name;
    });

// Without a depth every separation from RepeatWidth - 75 up is tried; the levels still come out
// when the depth is given afterwards, and a wide picture reads as well as a narrow one. The
// portable instructions and any number of threads find the same map and repeat width as the
// widest on one thread (2500 and 2501 leave columns past the last whole vector).
TEST(Reveal, WithoutTheDepthAndOnAWidePicture) {
    for (const int width : {480, 2500, 2501}) {
        Picture p = width == 2501 ? colorField(1, 0) : randomDot("Mono", 40);
        p.width = width;
        p.height = 120;
        const MemorySurface design = shapesDesign(p.width, p.height, 21);
        const MemorySurface stereo = makeStereogram(p, design, 22);
        const std::vector<int> candidates = candidateSeparations(p.repeatWidth, std::nullopt);
        const SeparationMap map = findSeparations(stereo, candidates);
        const Accuracy a = measure(design, levelsFromSeparations(map, p.repeatWidth, p.depth), p.repeatWidth);
        EXPECT_GE(a.share(), 0.97) << width;
        // Any instructions and any number of bands give the map one thread gives, counts included.
        for (const bool belowPixel : {false, true}) {
            const SeparationMap one = findSeparations(stereo, candidates, belowPixel, RevealPath::Widest, 1);
            std::vector<std::int64_t> counted(static_cast<std::size_t>(one.bound) + 1, 0);
            for (const std::int16_t separation : one.separations)
                ++counted[static_cast<std::size_t>(separation)];
            EXPECT_EQ(one.counts, counted) << width;
            for (const auto& [path, threads] :
                 {std::pair{RevealPath::Portable, 1}, std::pair{RevealPath::Widest, 2},
                  std::pair{RevealPath::Portable, 3}, std::pair{RevealPath::Widest, 8}}) {
                const SeparationMap other = findSeparations(stereo, candidates, belowPixel, path, threads);
                EXPECT_EQ(other.separations, one.separations) << width << " " << threads;
                EXPECT_EQ(other.refined, one.refined) << width << " " << threads;
                EXPECT_EQ(other.matched, one.matched) << width << " " << threads;
                EXPECT_EQ(other.counts, one.counts) << width << " " << threads;
                EXPECT_EQ(other.borderCounts, one.borderCounts) << width << " " << threads;
                // A map made for a depth holds the levels of the same separations.
                const SeparationMap levels =
                    reveal::findLevels(stereo, candidates, p.repeatWidth, p.depth, path, threads);
                std::vector<std::uint8_t> expected = levelsFromSeparations(one, p.repeatWidth, p.depth);
                for (std::size_t i = 0; i < expected.size(); ++i)
                    expected[i] = one.separations[i] > 0 ? expected[i] : reveal::NoLevel;
                EXPECT_EQ(levels.levels, expected) << width << " " << threads;
                EXPECT_TRUE(levels.separations.empty());
                EXPECT_EQ(levels.counts, one.counts) << width << " " << threads;
                EXPECT_EQ(levels.matched, one.matched) << width << " " << threads;
            }
        }
        RevealOptions single, several;
        single.threads = 1;
        several.threads = 5;
        const RevealResult alone = revealStereogram(stereo, single),
                           shared = revealStereogram(stereo, several);
        EXPECT_EQ(shared.grey, alone.grey) << width;
        EXPECT_EQ(shared.repeatWidth, alone.repeatWidth) << width;
        EXPECT_EQ(detectRepeatWidth(stereo, RevealPath::Portable, 1),
                  detectRepeatWidth(stereo, RevealPath::Widest, 3));
        EXPECT_EQ(detectRepeatWidth(stereo, RevealPath::Portable), p.repeatWidth) << width;
    }
}

// The widest instructions' planes and pixel differences equal the portable ones on grey rows (one
// plane read) and coloured rows, for rows shorter than a vector, rows ending between vectors and
// separations past the row.
TEST(Reveal, PixelDifferencesAreTheSameOnEveryPath) {
    if (!reveal::hasAvx2())
        GTEST_SKIP() << "no AVX2 here";
    std::mt19937 gen(5);
    // Grey, coloured, and grey but for one pixel (six sevenths along the row).
    for (const int kind : {0, 1, 2})
        for (const int width : {1, 31, 40, 95, 96, 97, 300})
            for (const int separation : {1, 9, 50, 64, 70, 299, 400}) {
                const bool grey = kind == 0;
                MemorySurface surface(width, 1);
                for (int x = 0; x < width; ++x) {
                    const int v = static_cast<int>(gen() % 256);
                    const bool coloured = kind == 1 || (kind == 2 && x == width / 7 * 6);
                    surface.set(x, 0,
                                coloured ? packRgb(v, v ^ static_cast<int>(1 + gen() % 255), v)
                                         : packRgb(v, v, v));
                }
                reveal::Planes planes, split;
                std::vector<Packed> scratch(static_cast<std::size_t>(width));
                planes.load(surface, 0, scratch);
                ASSERT_EQ(planes.grey, grey);
                split.load(surface, 0, scratch, true); // 32 pixels at a time
                ASSERT_TRUE(split.r == planes.r && split.g == planes.g && split.b == planes.b) << width;
                ASSERT_EQ(split.grey, grey) << width;
                std::vector<std::uint8_t> portable(scratch.size(), 7), widest(scratch.size(), 9);
                reveal::pixelDifferences(planes, width, separation, portable.data());
                reveal::pixelDifferencesAvx2(planes, width, separation, widest.data());
                EXPECT_EQ(widest, portable) << grey << " " << width << " " << separation;
            }
}

// Sixteen pixels chosen side by side come out as each pixel chosen alone (the one-pixel way a row's
// end takes), on every path: costs clear, flat, poor (small and large), poor yet below a third of
// the mean (a JPEG's), matched on the left and unpaired, for few and many candidates.
TEST(Reveal, EachPixelIsChosenAsAlone) {
    using Choose = std::int64_t (*)(const reveal::RowCosts&);
    std::vector<Choose> paths{reveal::chooseAmong};
    if (reveal::hasAvx2())
        paths.push_back(reveal::chooseAmongAvx2);
    std::mt19937 gen(17);
    auto below = [&](int n) { return static_cast<int>(gen() % static_cast<unsigned>(n)); };
    int poorYetBelowMean = 0;
    for (const std::size_t count : {std::size_t{3}, std::size_t{16}, std::size_t{76}})
        for (int trial = 0; trial < 200; ++trial) {
            constexpr std::size_t Lanes = 16;
            const std::size_t stride = reveal::costStride(Lanes);
            std::vector<std::uint16_t> costs(count * stride);
            for (std::size_t x = 0; x < Lanes; ++x) {
                const int kind = below(6), base = 200 + below(3000), high = 18000 + below(8000);
                const std::size_t bestAt = static_cast<std::size_t>(below(static_cast<int>(count)));
                for (std::size_t c = 0; c < count; ++c) {
                    int cost = kind == 0   ? below(30000)                // anything
                               : kind == 1 ? base + below(60)            // flat
                               : kind == 2 ? base + below(base / 2 + 1)  // poor
                               : kind == 3 ? 3 * base + below(20 * base) // one clear best
                               : kind == 4 ? high + below(high / 2) // poor, best * 3 * count past 22 bits
                                           : reveal::NoPair;
                    if (kind == 3 && c == bestAt)
                        cost = base;
                    if (kind == 3 && c == (bestAt + 5) % count) // another, apart from it, near
                        cost = base + below(base);
                    cost = std::min<int>(cost, reveal::NoPair); // costs never exceed it
                    costs[c * stride + x] =
                        static_cast<std::uint16_t>(cost >= reveal::NoPair ? cost : (cost & ~1) | below(2));
                }
                int best = reveal::NoPair, other = reveal::NoPair, sum = 0;
                for (std::size_t c = 0; c < count; ++c)
                    best = std::min<int>(best, costs[c * stride + x]);
                for (std::size_t c = 0; c < count; ++c) {
                    sum += costs[c * stride + x] >> 6;
                    if (costs[c * stride + x] > best)
                        other = std::min<int>(other, costs[c * stride + x]);
                }
                poorYetBelowMean += best > reveal::PoorFloor && 2 * best > other &&
                                    3 * best * static_cast<int>(count) < sum * 64;
            }
            for (const Choose choose : paths) {
                struct Out {
                    std::vector<std::uint16_t> best, index, alternative, chosen;
                    std::vector<std::uint8_t> state, attention;
                    explicit Out(std::size_t n)
                        : best(n), index(n), alternative(n), chosen(n), state(n), attention(n) {}
                    reveal::RowCosts row(const std::uint16_t* costs, std::size_t count, std::size_t n,
                                         std::size_t stride) {
                        return {costs,
                                count,
                                n,
                                stride,
                                best.data(),
                                index.data(),
                                alternative.data(),
                                state.data(),
                                chosen.data(),
                                attention.data()};
                    }
                } together(Lanes);
                const std::int64_t matched = choose(together.row(costs.data(), count, Lanes, stride));
                std::int64_t matchedAlone = 0;
                for (std::size_t x = 0; x < Lanes; ++x) {
                    std::vector<std::uint16_t> one(count * stride);
                    for (std::size_t c = 0; c < count; ++c)
                        one[c * stride] = costs[c * stride + x];
                    Out alone(1);
                    matchedAlone += choose(alone.row(one.data(), count, 1, stride));
                    EXPECT_EQ(together.best[x], alone.best[0]) << count << " " << trial << " " << x;
                    EXPECT_EQ(together.index[x], alone.index[0]) << count << " " << trial << " " << x;
                    EXPECT_EQ(together.alternative[x], alone.alternative[0])
                        << count << " " << trial << " " << x;
                    EXPECT_EQ(together.chosen[x], alone.chosen[0]) << count << " " << trial << " " << x;
                    EXPECT_EQ(together.state[x], alone.state[0]) << count << " " << trial << " " << x;
                    EXPECT_EQ(together.attention[x], alone.attention[0]) << count << " " << trial << " " << x;
                }
                EXPECT_EQ(matched, matchedAlone) << count << " " << trial;
            }
        }
    // The cases reach the noisy copy's rescue from "matched nowhere".
    EXPECT_GT(poorYetBelowMean, 20);
}

// The eight-at-a-time scans over the marked pixels, and over runs of equal values, find what a plain
// scan finds, from every start, on maps with marks sparse and dense, runs of marks crossing the
// eight-byte steps, and bytes with the top bit set (which the zero test's borrow must not mistake).
TEST(Reveal, MarkedPixelScansMatchAPlainScan) {
    std::mt19937 gen(11);
    for (const int oneIn : {1, 2, 9, 40})
        for (const std::size_t n :
             {std::size_t{0}, std::size_t{7}, std::size_t{8}, std::size_t{9}, std::size_t{70}}) {
            std::vector<std::uint8_t> bytes(n);
            for (std::uint8_t& b : bytes)
                b = gen() % static_cast<unsigned>(oneIn) == 0 ? static_cast<std::uint8_t>(1 + gen() % 255)
                                                              : 0;
            for (std::size_t from = 0; from <= n; ++from) {
                std::size_t nonZero = from, zero = from;
                while (nonZero < n && bytes[nonZero] == 0)
                    ++nonZero;
                while (zero < n && bytes[zero] != 0)
                    ++zero;
                EXPECT_EQ(reveal::firstNonZero(bytes.data(), from, n), nonZero)
                    << oneIn << " " << n << " " << from;
                EXPECT_EQ(reveal::firstZero(bytes.data(), from, n), zero) << oneIn << " " << n << " " << from;
            }
            // Runs of 16-bit values, ending anywhere in a step of eight: the marks as run lengths.
            std::vector<std::uint16_t> values(n);
            for (std::size_t i = 0; i < n; ++i)
                values[i] = static_cast<std::uint16_t>(i > 0 && bytes[i] == 0 ? values[i - 1] : 0x8000 + i);
            for (std::size_t from = 0; from < n; ++from) {
                std::size_t end = from + 1;
                while (end < n && values[end] == values[from])
                    ++end;
                EXPECT_EQ(reveal::runEnd(values.data(), from, n), end) << oneIn << " " << n << " " << from;
            }
        }
}

TEST(Reveal, CandidateSeparations) {
    const struct {
        int repeatWidth;
        std::optional<int> depth;
        std::vector<int> expected;
    } cases[] = {
        {70, 20, {70, 68, 66, 64, 62, 60, 58, 56, 54, 52, 50, 48, 46, 44, 42, 40}},
        {70, 0, {70}},
        // Factor 0.1: levels 0..4 and 5..14 share shifts 0 and 1 (level 5 rounds up), 15 gives 2.
        {70, 1, {70, 69, 68}},
        {40, 50, {40, 35, 30, 25, 20, 15, 10, 5}}, // separations below 1 link nothing
        {0, 20, {}},
        {5, std::nullopt, {5, 4, 3, 2, 1}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(candidateSeparations(c.repeatWidth, c.depth), c.expected) << c.repeatWidth;
    const std::vector<int> all = candidateSeparations(100, std::nullopt);
    ASSERT_EQ(all.size(), 76u);
    EXPECT_EQ(all.front(), 100);
    EXPECT_EQ(all.back(), 25);
}

TEST(Reveal, LevelsOfSeparations) {
    SeparationMap map{8, 1, {70, 68, 69, 67, 40, 30, 0, 100}, {}, 0};
    // Depth 20: shift 2 per level; an odd shift lies between two levels and goes to the lower one;
    // shifts beyond level 15 or below 0 take the nearest level; no separation gives level 0.
    EXPECT_EQ(levelsFromSeparations(map, 70, 20), (std::vector<std::uint8_t>{0, 1, 0, 1, 15, 15, 0, 0}));
    // Depth 0: every level has shift 0, so every separation is level 0.
    EXPECT_EQ(levelsFromSeparations(map, 70, 0), std::vector<std::uint8_t>(8, 0));
    // Depth 50: 5 pixels per level.
    EXPECT_EQ(levelsFromSeparations(map, 70, 50), (std::vector<std::uint8_t>{0, 0, 0, 1, 6, 8, 0, 0}));
}

TEST(Reveal, GreyIsBrighterWhereNearer) {
    using Grey = std::vector<std::uint16_t>;
    const struct {
        SeparationMap map;
        bool crossEyed;
        Grey expected;
    } cases[] = {
        // Shifts 0, 15, 30, none, beyond the far end: scaled so that the largest shift is white
        // (the scale's other end lies 0.35 pixels inside the last separation, so that a flat surface
        // there is one grey): 15 / 29.65 of the way.
        {{5, 1, {70, 55, 40, 0, 80}, {}, 0}, false, {0, 33154, 65535, 0, 0}},
        // Crossed, the repeat width is the nearest separation.
        {{5, 1, {70, 55, 40, 0, 80}, {}, 0}, true, {65535, 32381, 0, 0, 65535}},
        {{3, 1, {70, 70, 0}, {}, 0}, false, {0, 0, 0}},
        // Below a pixel: 65.5 lies 4.5 / 9.65 of the way from 70 to 60.35; 60.2 is white too.
        {{4, 1, {70, 66, 60, 60}, {70.0f, 65.5f, 60.0f, 60.2f}, 0, true}, false, {0, 30560, 65535, 65535}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(greyFromSeparations(c.map, 70, c.crossEyed), c.expected);
    // A few stray pixels (one in 200 or fewer) do not set the scale: they are as white as the rest.
    SeparationMap stray{3000, 1, std::vector<std::int16_t>(3000, 60), {}, 0};
    for (int i = 0; i < 10; ++i)
        stray.separations[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(10 + i);
    stray.separations[10] = 70;
    const Grey grey = greyFromSeparations(stray, 70, false);
    EXPECT_EQ(grey[0], 65535);
    EXPECT_EQ(grey[10], 0);
    EXPECT_EQ(grey[11], 65535);
}

TEST(Reveal, DetectsTheRepeatWidth) {
    // Up to half the picture's width (240 of 480), and where the far surface is a thin frame.
    for (const int repeatWidth : {40, 70, 96, 150, 200, 240}) {
        for (const bool field : {false, true}) {
            for (const bool mostlyNear : {false, true}) {
                SCOPED_TRACE(std::to_string(repeatWidth) + (field ? " field" : " dots") +
                             (mostlyNear ? " near" : ""));
                Picture p = field ? colorField(1, 0) : randomDot("Color", 50);
                p.repeatWidth = repeatWidth;
                p.depth = 30;
                MemorySurface design = shapesDesign(p.width, p.height, 31);
                if (mostlyNear) // level 6 everywhere but a frame 6 pixels wide: 6 % of the picture
                    for (int y = 6; y < p.height - 6; ++y)
                        for (int x = 6; x < p.width - 6; ++x)
                            design.set(x, y, DepthPalette[6]);
                EXPECT_EQ(detectRepeatWidth(makeStereogram(p, design, 32)), repeatWidth);
            }
        }
    }
}

// Rescaled copies whose separations fall between whole pixels. At 90 and 110 % the repeat width (63,
// 77) is whole but the nearer surfaces' are not: they match only at twice their separation (97,
// 119), which is no repeat width. At 2/3 and 3/4 the repeat width itself (46.7, 52.5) matches only
// at a multiple; the copy is read stretched to the nearest whole repeat width. Each way, at least
// 80 % of the counted pixels come back on their design level (82-92 % when measured).
TEST(Reveal, ReadsACopyRescaledBetweenPixels) {
    const struct {
        const char* scale;
        double factor;
    } cases[] = {{"90%", 0.9}, {"110%", 1.1}, {"66.667%", 2.0 / 3.0}, {"75%", 0.75}};
    for (const char* mode : {"Mono", "Color"}) {
        const Picture p = randomDot(mode, 45);
        const MemorySurface design = shapesDesign(p.width, p.height, 41);
        const MemorySurface stereo = makeStereogram(p, design, 42);
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(mode) + " " + c.scale);
            TempDir dir;
            writePpm(stereo, dir / "in.ppm");
            ASSERT_TRUE(run("convert " + (dir / "in.ppm") + " -resize " + c.scale + " " + (dir / "out.ppm")));
            const MemorySurface copy = readNetpbm(dir / "out.ppm");
            const double repeatWidth = p.repeatWidth * double(copy.width()) / p.width;
            const std::optional<int> found = detectRepeatWidth(copy);
            ASSERT_TRUE(found.has_value());
            RevealOptions options;
            options.depth = static_cast<int>(std::lround(p.depth * c.factor));
            const RevealResult result = revealStereogram(copy, options);
            ASSERT_EQ(result.status, RevealStatus::Ok) << result.matchedShare;
            EXPECT_LE(std::abs(result.repeatWidth - repeatWidth), 0.5) << result.repeatWidth;
            EXPECT_EQ(result.levels.size(), std::size_t(copy.width()) * std::size_t(copy.height()));
            const Accuracy a =
                measure(scaledDesign(design, copy.width(), copy.height()), result.levels, result.repeatWidth);
            std::printf("[ reveal   ] %s %-8s repeat width %d (%.2f), %.1f %% exact\n", mode, c.scale,
                        result.repeatWidth, repeatWidth, 100.0 * a.share());
            EXPECT_GE(a.share(), 0.8);
        }
    }
}

TEST(Reveal, APictureThatDoesNotRepeatHasNoRepeatWidth) {
    std::mt19937 gen(5);
    MemorySurface noise(300, 200), flat(300, 200, 0x123456), tiny(2, 2, 0);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x)
            noise.set(x, y, gen() % 2 ? 0xFFFFFF : 0);
    EXPECT_EQ(detectRepeatWidth(noise), std::nullopt);
    EXPECT_EQ(detectRepeatWidth(flat), std::nullopt);
    // A Design image (flat areas and the edges of shapes) and a smooth grey ramp: their few edges
    // match themselves a pixel or two along, which is no repeat width.
    EXPECT_EQ(detectRepeatWidth(shapesDesign(300, 200, 7)), std::nullopt);
    MemorySurface ramp(300, 200);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x)
            ramp.set(x, y, static_cast<Packed>((x * 255 / 299) * 0x010101));
    EXPECT_EQ(detectRepeatWidth(ramp), std::nullopt);
    EXPECT_EQ(detectRepeatWidth(tiny), std::nullopt);
    EXPECT_EQ(detectRepeatWidth(MemorySurface(0, 0)), std::nullopt);
}

// Depth maps for netpbm's pamstereogram (white near): planes, stairs, a sphere and a ramp, each
// on a far background, 480 x 320.
enum class Map { Planes, Stairs, Sphere, Ramp };

int depthOf(Map map, int x, int y) {
    switch (map) {
    case Map::Planes:
        if (x >= 170 && x < 300 && y >= 100 && y < 240)
            return 255;
        return x >= 80 && x < 230 && y >= 40 && y < 140 ? 128 : 0;
    case Map::Stairs:
        return x >= 40 && x < 440 && y >= 60 && y < 260 ? 51 * (1 + (x - 40) / 80) : 0;
    case Map::Sphere: {
        const double dx = (x - 240) / 120.0, dy = (y - 160) / 120.0, r2 = dx * dx + dy * dy;
        return r2 < 1.0 ? static_cast<int>(std::lround(255.0 * std::sqrt(1.0 - r2))) : 0;
    }
    case Map::Ramp:
        return x >= 40 && x < 440 && y >= 60 && y < 260 ? (x - 40) * 255 / 399 : 0;
    }
    return 0;
}

// Spearman's rank correlation, ties given their mean rank.
double spearman(const std::vector<double>& a, const std::vector<double>& b) {
    auto ranks = [](const std::vector<double>& v) {
        std::vector<std::size_t> order(v.size());
        std::iota(order.begin(), order.end(), 0);
        std::sort(order.begin(), order.end(), [&](std::size_t i, std::size_t j) { return v[i] < v[j]; });
        std::vector<double> r(v.size());
        for (std::size_t i = 0; i < order.size();) {
            std::size_t j = i;
            while (j < order.size() && v[order[j]] == v[order[i]])
                ++j;
            for (std::size_t k = i; k < j; ++k)
                r[order[k]] = (double(i) + double(j - 1)) / 2.0;
            i = j;
        }
        return r;
    };
    const std::vector<double> ra = ranks(a), rb = ranks(b);
    const double n = double(a.size()), mean = (n - 1) / 2;
    double sab = 0, saa = 0, sbb = 0;
    for (std::size_t i = 0; i < ra.size(); ++i) {
        sab += (ra[i] - mean) * (rb[i] - mean);
        saa += (ra[i] - mean) * (ra[i] - mean);
        sbb += (rb[i] - mean) * (rb[i] - mean);
    }
    return sab / std::sqrt(saa * sbb);
}

// Stereograms of another program, read with nothing given: the repeat width (pamstereogram's far
// separation, 128 at its defaults) and the direction are found, and the smooth grey map follows the
// depth map. pamstereogram links the two pixels half a separation either side of a depth-map pixel;
// the reading writes the depth at the left one, so the map is compared moved by half a separation.
TEST(Reveal, ReadsPamstereogramPictures) {
    ASSERT_TRUE(run("pamstereogram -version")) << "netpbm is missing (scripts/deps.sh installs it)";
    const struct {
        const char* name;
        const char* options;
    } variants[] = {
        {"default", "-randomseed 3"},
        {"colour", "-color -randomseed 3"},
        {"pattern", "-patfile PATTERN"},
        {"cross-eyed", "-crosseyed -randomseed 3"},
    };
    const int width = 480, height = 320;
    TempDir dir;
    {
        std::mt19937 gen(9);
        // As wide as the far separation, as pamstereogram advises.
        MemorySurface pattern(128, 64);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 128; ++x)
                pattern.set(x, y, static_cast<Packed>(gen() & 0xFFFFFF));
        writePpm(pattern, dir / "pattern.ppm");
    }
    for (const Map map : {Map::Planes, Map::Stairs, Map::Sphere, Map::Ramp}) {
        {
            std::ofstream out(dir / "depth.pgm", std::ios::binary);
            out << "P5\n" << width << ' ' << height << "\n255\n";
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x)
                    out.put(static_cast<char>(depthOf(map, x, y)));
        }
        for (const auto& variant : variants) {
            std::string options = variant.options;
            if (const auto at = options.find("PATTERN"); at != std::string::npos)
                options.replace(at, 7, dir / "pattern.ppm");
            SCOPED_TRACE(std::to_string(static_cast<int>(map)) + " " + variant.name);
            ASSERT_TRUE(run("pamstereogram " + options + " " + (dir / "depth.pgm") +
                            " | pamdepth 255 | pamtopnm > " + (dir / "stereo.pnm")));
            const MemorySurface stereo = readNetpbm(dir / "stereo.pnm");
            RevealOptions options2;
            options2.smooth = true;
            const RevealResult result = revealStereogram(stereo, options2);
            ASSERT_EQ(result.status, RevealStatus::Ok);
            // Cross-eyed, the far separation belongs to the nearest point, which a ramp reaches in
            // one column only.
            EXPECT_NEAR(result.repeatWidth, 128, map == Map::Ramp && result.crossEyed ? 3 : 0);
            EXPECT_EQ(result.crossEyed, std::string(variant.name) == "cross-eyed");
            // Far 128 .. near 102 pixels apart, in proportion to the depth.
            auto separationOf = [](int depth) { return 128.0 - 26.0 * depth / 255.0; };
            std::vector<double> revealed, source;
            std::vector<int> levelOfPixel;
            for (int y = 4; y < height - 4; ++y)
                for (int x = 0; x + 128 < width; ++x) {
                    // The depth-map pixel half a separation to the right, by its own separation;
                    // cross-eyed, pamstereogram inverts the map before it links the pixels.
                    int moved = -1;
                    for (int m = x + 40; m <= x + 70 && moved < 0; ++m) {
                        const int depth = result.crossEyed ? 255 - depthOf(map, m, y) : depthOf(map, m, y);
                        if (m - static_cast<int>(std::lround(separationOf(depth) / 2)) == x)
                            moved = m;
                    }
                    if (moved < 0)
                        continue; // no depth-map pixel links here (a jump in depth)
                    // Away from the map's edges: the same depth 4 pixels around the moved point.
                    bool inside = true;
                    const int centre = depthOf(map, moved, y);
                    for (int d = -4; d <= 4 && inside; ++d)
                        inside = std::abs(depthOf(map, moved + d, y) - centre) <= 8 &&
                                 std::abs(depthOf(map, moved, y + d) - centre) <= 8;
                    if (!inside)
                        continue;
                    revealed.push_back(result.grey[static_cast<std::size_t>(y) * width + x]);
                    source.push_back(centre);
                }
            const double rho = spearman(revealed, source);
            // Planes and stairs: each pixel on the right level, the level whose pixels' typical grey
            // lies nearest to its own.
            double onLevel = 1.0;
            if (map == Map::Planes || map == Map::Stairs) {
                std::map<double, std::vector<double>> byLevel;
                for (std::size_t i = 0; i < source.size(); ++i)
                    byLevel[source[i]].push_back(revealed[i]);
                std::map<double, double> typical;
                for (auto& [level, greys] : byLevel) {
                    std::nth_element(greys.begin(),
                                     greys.begin() + static_cast<std::ptrdiff_t>(greys.size() / 2),
                                     greys.end());
                    typical[level] = greys[greys.size() / 2];
                }
                std::size_t right = 0;
                for (std::size_t i = 0; i < source.size(); ++i) {
                    double nearest = 0, distance = 1e18;
                    for (const auto& [level, grey] : typical)
                        if (std::abs(grey - revealed[i]) < distance) {
                            distance = std::abs(grey - revealed[i]);
                            nearest = level;
                        }
                    right += nearest == source[i];
                }
                onLevel = double(right) / double(source.size());
                EXPECT_GE(onLevel, 0.98);
            }
            const std::string level = map == Map::Planes || map == Map::Stairs
                                          ? std::to_string(100.0 * onLevel).substr(0, 5) + " %"
                                          : "-";
            std::printf(
                "[ reveal   ] pamstereogram %-7s %-10s Spearman %.4f, on their level %s, %zu pixels\n",
                map == Map::Planes   ? "planes"
                : map == Map::Stairs ? "stairs"
                : map == Map::Sphere ? "sphere"
                                     : "ramp",
                variant.name, rho, level.c_str(), revealed.size());
            EXPECT_GE(rho, 0.97);
        }
    }
}

TEST(Reveal, EmptyAndTinyPictures) {
    const std::vector<int> candidates = candidateSeparations(70, 20);
    const SeparationMap empty = findSeparations(MemorySurface(0, 0), candidates);
    EXPECT_TRUE(empty.separations.empty());
    // Narrower than every separation: nothing can match on either side.
    const SeparationMap narrow = findSeparations(MemorySurface(30, 1, 0x00FF00), candidates);
    EXPECT_EQ(narrow.separations, std::vector<std::int16_t>(30, 0));
    EXPECT_EQ(findSeparations(MemorySurface(30, 2), {}).separations, std::vector<std::int16_t>(60, 0));
}

} // namespace
} // namespace quarbel::engine
