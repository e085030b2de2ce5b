// Drawing metafiles: sizes, mapping, shapes in exact depth colours, text and bitmaps.
#include "codecs/WmfPicture.h"

#include "WmfTestWriter.h"

#include <QSet>
#include <functional>
#include <gtest/gtest.h>

using namespace quarbel::codecs;
using quarbel::test::dib24;
using quarbel::test::WmfWriter;

namespace {

// Depth colours (levels 0, 1, 2, 5, 7, 9, 10, 11, 12, 14, 15).
constexpr QRgb Black = 0xFF000000u;
constexpr QRgb Maroon = 0xFF800000u;
constexpr QRgb Green = 0xFF008000u;
constexpr QRgb Purple = 0xFF800080u;
constexpr QRgb Gray = 0xFF808080u;
constexpr QRgb Red = 0xFFFF0000u;
constexpr QRgb Lime = 0xFF00FF00u;
constexpr QRgb Yellow = 0xFFFFFF00u;
constexpr QRgb Blue = 0xFF0000FFu;
constexpr QRgb Cyan = 0xFF00FFFFu;
constexpr QRgb White = 0xFFFFFFFFu;

constexpr int NullPen = 5;

struct Probe {
    int x;
    int y;
    QRgb expected;
};

void expectPixels(const QImage& image, std::initializer_list<Probe> probes, const char* what = "") {
    ASSERT_FALSE(image.isNull()) << what;
    for (const Probe& p : probes) {
        EXPECT_EQ(image.pixel(p.x, p.y), p.expected)
            << what << " at (" << p.x << ", " << p.y << "): got " << std::hex << image.pixel(p.x, p.y);
    }
}

QImage render(const QByteArray& file, QString* error = nullptr) {
    QString reason;
    QImage image = renderWmf(file, &reason);
    if (error) {
        *error = reason;
    }
    return image;
}

// Pixels darker than mid-grey, as text leaves them, and their bounding box.
QRect darkBox(const QImage& image, int* count = nullptr) {
    QRect box;
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) < 128) {
                box = box.united(QRect(x, y, 1, 1));
                ++n;
            }
        }
    }
    if (count) {
        *count = n;
    }
    return box;
}

TEST(WmfPicture, ShapesKeepTheirExactDepthColours) {
    WmfWriter w;
    w.setWindowOrg(0, 0)
        .setWindowExt(200, 150)
        .createPen(NullPen, 0, Black) // 0
        .createPen(0, 1, Black)       // 1
        .createBrush(0, Red)          // 2
        .createBrush(0, Blue)         // 3
        .createBrush(0, Green)        // 4
        .createBrush(0, Yellow)       // 5
        .createPen(0, 1, Purple)      // 6
        .createBrush(0, Cyan)         // 7
        .selectObject(1)
        .selectObject(2)
        .rectangle(10, 10, 60, 50)
        .selectObject(0)
        .selectObject(3)
        .ellipse(70, 10, 130, 70)
        .selectObject(6)
        .selectObject(4)
        .polygon({{10, 80}, {60, 80}, {35, 130}})
        .selectObject(0)
        .selectObject(5)
        .pie(80, 80, 180, 140, 180, 110, 130, 80) // a quarter from 3 o'clock to 12 o'clock
        .selectObject(7)
        .rectangle(140, 10, 150, 20) // no pen: one pixel short on the right and bottom
        .eof();
    const QImage image = render(w.placeable(0, 0, 200, 150, 96));
    ASSERT_EQ(image.size(), QSize(200, 150));
    expectPixels(image, {
                            // rectangle: red inside, black outline, right and bottom edges excluded
                            {30, 30, Red},
                            {10, 30, Black},
                            {59, 30, Black},
                            {60, 30, White},
                            {35, 10, Black},
                            {35, 49, Black},
                            {35, 50, White},
                            {11, 11, Red},
                            // ellipse without a pen
                            {100, 40, Blue},
                            {100, 15, Blue},
                            {72, 12, White},
                            {128, 68, White},
                            // triangle with a purple outline
                            {35, 95, Green},
                            {35, 80, Purple},
                            {35, 135, White},
                            // pie: only the upper right quarter
                            {150, 95, Yellow},
                            {140, 100, Yellow},
                            {100, 90, White},
                            {110, 125, White},
                            {150, 125, White},
                            {140, 10, Cyan},
                            {148, 18, Cyan},
                            {149, 15, White},
                            {145, 19, White},
                            // outside everything
                            {195, 145, White},
                            {5, 75, White},
                            {65, 5, White},
                        });
    // Without anti-aliasing no blended colour appears anywhere.
    const QSet<QRgb> allowed{White, Black, Red, Blue, Green, Yellow, Purple, Cyan};
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            ASSERT_TRUE(allowed.contains(image.pixel(x, y)))
                << x << "," << y << std::hex << " " << image.pixel(x, y);
        }
    }
}

struct MappingCase {
    const char* name;
    std::function<void(WmfWriter&)> setup;
    QRect rect; // logical rectangle drawn in red
    QPoint inside;
    QPoint outside;
};

TEST(WmfPicture, WindowAndViewportMapping) {
    // A 1000 x 1000 unit picture at 1000 units per inch: 96 x 96 pixels.
    const MappingCase cases[] = {
        {"plain window",
         [](WmfWriter& w) { w.setWindowOrg(0, 0).setWindowExt(1000, 1000); },
         QRect(0, 0, 500, 500),
         {20, 20},
         {70, 70}},
        {"bounding box as window", [](WmfWriter&) {}, QRect(0, 0, 500, 500), {20, 20}, {70, 70}},
        {"y upwards",
         [](WmfWriter& w) { w.setWindowOrg(0, 1000).setWindowExt(1000, -1000); },
         QRect(0, 0, 500, 500),
         {20, 70},
         {20, 20}},
        {"x mirrored",
         [](WmfWriter& w) { w.setWindowOrg(1000, 0).setWindowExt(-1000, 1000); },
         QRect(0, 0, 500, 500),
         {70, 20},
         {20, 20}},
        {"viewport origin",
         [](WmfWriter& w) { w.setViewportOrg(48, 0); },
         QRect(0, 0, 500, 500),
         {70, 20},
         {20, 20}},
        {"viewport extent",
         [](WmfWriter& w) { w.setViewportExt(48, 48); },
         QRect(0, 0, 1000, 1000),
         {20, 20},
         {70, 70}},
        {"text mode is one unit a pixel",
         [](WmfWriter& w) { w.setMapMode(1); },
         QRect(0, 0, 30, 30),
         {10, 10},
         {40, 40}},
        {"isotropic keeps the aspect",
         [](WmfWriter& w) { w.setMapMode(7).setWindowExt(1000, 2000).setViewportExt(96, 96); },
         QRect(0, 0, 1000, 1000),
         {20, 20},
         {70, 20}},
        {"isotropic chosen again keeps its extents",
         [](WmfWriter& w) { w.setMapMode(7).setWindowExt(1000, 2000).setViewportExt(96, 96).setMapMode(7); },
         QRect(0, 0, 1000, 1000),
         {20, 20},
         {70, 20}},
        {"anisotropic after isotropic keeps the extents",
         [](WmfWriter& w) { w.setMapMode(7).setWindowExt(1000, 2000).setViewportExt(96, 96).setMapMode(8); },
         QRect(0, 0, 1000, 1000),
         {70, 20},
         {20, 70}},
        {"tenths of millimetres, y upwards",
         [](WmfWriter& w) { w.setMapMode(2); },
         QRect(0, -127, 127, 127),
         {20, 20},
         {70, 70}},
        // The fixed modes, half an inch each way from the origin, y upwards: 48 of the 96 pixels.
        {"hundredths of millimetres",
         [](WmfWriter& w) { w.setMapMode(3); },
         QRect(0, -1270, 1270, 1270),
         {46, 46},
         {50, 50}},
        {"hundredths of inches",
         [](WmfWriter& w) { w.setMapMode(4); },
         QRect(0, -50, 50, 50),
         {46, 46},
         {50, 50}},
        {"thousandths of inches",
         [](WmfWriter& w) { w.setMapMode(5); },
         QRect(0, -500, 500, 500),
         {46, 46},
         {50, 50}},
        {"twips", [](WmfWriter& w) { w.setMapMode(6); }, QRect(0, -720, 720, 720), {46, 46}, {50, 50}},
        {"offset window origin",
         [](WmfWriter& w) {
             w.words(0x020F, {0, 500});
         },
         QRect(500, 0, 500, 500),
         {20, 20},
         {70, 20}},
        {"scaled window extent",
         [](WmfWriter& w) {
             w.words(0x0410, {1, 1, 1, 2});
         },
         QRect(0, 0, 1000, 1000),
         {20, 20},
         {70, 20}},
        {"restored mapping",
         [](WmfWriter& w) { w.saveDC().setWindowOrg(1000, 0).restoreDC(-1); },
         QRect(0, 0, 500, 500),
         {20, 20},
         {70, 70}},
        {"zero extent is refused",
         [](WmfWriter& w) { w.setWindowExt(0, 0); },
         QRect(0, 0, 500, 500),
         {20, 20},
         {70, 70}},
    };
    for (const MappingCase& c : cases) {
        WmfWriter w;
        c.setup(w);
        w.createPen(NullPen, 0, Black).selectObject(0).createBrush(0, Red).selectObject(1);
        w.rectangle(c.rect.left(), c.rect.top(), c.rect.left() + c.rect.width(),
                    c.rect.top() + c.rect.height());
        const QImage image = render(w.eof().placeable(0, 0, 1000, 1000, 1000));
        ASSERT_EQ(image.size(), QSize(96, 96)) << c.name;
        expectPixels(image, {{c.inside.x(), c.inside.y(), Red}, {c.outside.x(), c.outside.y(), White}},
                     c.name);
    }
}

TEST(WmfPicture, PlaceableSizeIsTheBoundingBoxAt96DotsPerInch) {
    struct Case {
        int left, top, right, bottom, inch;
        QSize expected;
    };
    const Case cases[] = {
        {0, 0, 1000, 500, 1440, {67, 33}}, // 66.7 x 33.3
        {0, 0, 21, 21, 192, {11, 11}},     // 10.5 rounds up
        {-8, -8, 1897, 684, 575, {318, 116}},
        {300, 200, 0, 0, 96, {300, 200}},     // a reversed box has the same size
        {0, 0, 1500, 10, 96, {1500, 10}},     // wider than the editor takes: still a picture
        {0, 0, 8192, 8192, 96, {8192, 8192}}, // the largest accepted
        {0, 0, 3, 3, 1440, {1, 1}},           // less than a pixel is still one
    };
    for (const Case& c : cases) {
        QString error;
        const QByteArray file = WmfWriter().eof().placeable(c.left, c.top, c.right, c.bottom, c.inch);
        EXPECT_EQ(wmfPictureSize(file, 8192, &error), c.expected)
            << c.right << "/" << c.inch << " " << error.toStdString();
    }
    const QImage wide = render(WmfWriter().eof().placeable(0, 0, 1500, 10, 96));
    EXPECT_EQ(wide.size(), QSize(1500, 10));
}

TEST(WmfPicture, PlainFileTakesItsSizeFromTheWindowExtent) {
    WmfWriter w;
    w.setWindowOrg(100, 100).setWindowExt(120, -80); // y upwards: logical 100 is the top row
    w.createPen(NullPen, 0, Black).selectObject(0).createBrush(0, Lime).selectObject(1);
    w.rectangle(100, 20, 160, 100);
    const QImage image = render(w.eof().plain());
    ASSERT_EQ(image.size(), QSize(120, 80));
    expectPixels(image, {{30, 40, Lime}, {5, 5, Lime}, {90, 40, White}});
    EXPECT_EQ(image.format(), QImage::Format_RGB32);

    QString error;
    EXPECT_TRUE(render(WmfWriter().rectangle(0, 0, 10, 10).eof().plain(), &error).isNull());
    EXPECT_TRUE(error.contains("size")) << error.toStdString();
}

TEST(WmfPicture, PicturesLargerThanTheCapAreRefused) {
    struct Case {
        const char* name;
        QByteArray file;
    };
    const Case cases[] = {
        {"placeable 8193 wide", WmfWriter().eof().placeable(0, 0, 8193, 10, 96)},
        {"placeable at one unit per inch", WmfWriter().eof().placeable(0, 0, 32767, 32767, 1)},
        {"window extent", WmfWriter().setWindowExt(30000, 20000).eof().plain()},
        {"negative window extent", WmfWriter().setWindowExt(-32768, 100).eof().plain()},
    };
    for (const Case& c : cases) {
        QString error;
        EXPECT_TRUE(render(c.file, &error).isNull()) << c.name;
        EXPECT_TRUE(error.contains("too large")) << c.name << ": " << error.toStdString();
    }
    QString error;
    EXPECT_TRUE(render(WmfWriter().eof().placeable(0, 0, 0, 100, 96), &error).isNull());
    EXPECT_FALSE(error.isEmpty());
}

TEST(WmfPicture, PensBrushesAndState) {
    WmfWriter w;
    w.createPen(0, 5, Maroon)         // 0: five logical units wide
        .createBrush(2, Blue, 4)      // 1: cross hatch
        .createBrush(1, Black)        // 2: hollow
        .createPen(NullPen, 0, Black) // 3
        .createBrush(0, Gray)         // 4
        .selectObject(0)
        .selectObject(2)
        .rectangle(10, 10, 50, 50) // wide outline, nothing inside
        .selectObject(3)
        .selectObject(1)
        .setBkMode(2)
        .setBkColor(Yellow)
        .rectangle(60, 10, 100, 50) // hatch lines on an opaque yellow ground
        .saveDC()
        .selectObject(4)
        .restoreDC(-1) // back to the hatch brush
        .rectangle(60, 60, 100, 100)
        .deleteObject(4)
        .createBrush(0, Cyan) // takes the freed slot 4
        .selectObject(4)
        .rectangle(10, 60, 50, 100)
        .intersectClip(110, 10, 130, 30)
        .selectObject(4)
        .rectangle(105, 5, 150, 50) // only the clipped part shows
        .eof();
    const QImage image = render(w.placeable(0, 0, 160, 110, 96));
    expectPixels(image, {{10, 30, Maroon},
                         {12, 30, Maroon},
                         {30, 30, White},
                         {30, 12, Maroon},
                         {120, 20, Cyan},
                         {108, 20, White},
                         {120, 40, White},
                         {40, 80, Cyan}});
    // Hatch: both the line colour and the background colour occur inside, nothing else.
    for (int top : {10, 60}) {
        QSet<QRgb> colours;
        for (int y = top + 2; y < top + 38; ++y) {
            for (int x = 62; x < 98; ++x) {
                colours.insert(image.pixel(x, y));
            }
        }
        EXPECT_EQ(colours, (QSet<QRgb>{Blue, Yellow})) << top;
    }
}

// The diagonal hatches slant as their names say: forward (2) falls from left to right, backward (3)
// rises; the lines run one pixel across for one down (or up).
TEST(WmfPicture, DiagonalHatchesSlantTheirWay) {
    const struct {
        quint16 hatch;
        int dy; // of the next pixel of a line, one to the right
    } cases[] = {{2, 1}, {3, -1}};
    for (const auto& c : cases) {
        WmfWriter w;
        w.createPen(NullPen, 0, Black).selectObject(0).createBrush(2, Blue, c.hatch).selectObject(1);
        w.rectangle(0, 0, 60, 60).eof();
        const QImage image = render(w.placeable(0, 0, 60, 60, 96));
        int lines = 0, along = 0, across = 0;
        for (int y = 2; y < 56; ++y)
            for (int x = 2; x < 56; ++x) {
                if (image.pixel(x, y) != Blue)
                    continue;
                ++lines;
                along += image.pixel(x + 1, y + c.dy) == Blue;
                across += image.pixel(x + 1, y - c.dy) == Blue;
            }
        EXPECT_GT(lines, 200) << c.hatch;
        EXPECT_EQ(along, lines) << c.hatch;
        EXPECT_EQ(across, 0) << c.hatch;
    }
}

TEST(WmfPicture, JapaneseTextIsDrawnWhereItBelongs) {
    WmfWriter w;
    w.setWindowOrg(0, 0)
        .setWindowExt(200, 80)
        .createFont(-40, 128,
                    QByteArray("\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e")) // ＭＳ ゴシック
        .selectObject(0)
        .setTextColor(Black)
        .setBkMode(1)
        .textOut(10, 10, QByteArray("\x93\xfa\x96\x7b\x8c\xea")) // 日本語
        .eof();
    const QImage image = render(w.placeable(0, 0, 200, 80, 96));
    int dark = 0;
    const QRect box = darkBox(image, &dark);
    EXPECT_GT(dark, 150);
    // Three full-width glyphs of 40 pixels from (10, 10).
    EXPECT_GE(box.left(), 10);
    EXPECT_GE(box.top(), 10);
    EXPECT_LE(box.right(), 10 + 3 * 40 + 2);
    EXPECT_LE(box.bottom(), 10 + 40 + 8);
    EXPECT_GT(box.width(), 90);
}

TEST(WmfPicture, TextAlignment) {
    struct Case {
        const char* name;
        int align;
        std::function<bool(const QRect&)> check;
    };
    const Case cases[] = {
        {"left", 0, [](const QRect& b) { return b.left() >= 99 && b.left() < 110; }},
        {"right", 2, [](const QRect& b) { return b.right() <= 101 && b.right() > 90; }},
        {"centre", 6, [](const QRect& b) { return b.left() < 95 && b.right() > 105; }},
        {"top", 0, [](const QRect& b) { return b.top() >= 49 && b.top() < 60; }},
        {"bottom", 8, [](const QRect& b) { return b.bottom() <= 51 && b.bottom() > 40; }},
        {"baseline", 24, [](const QRect& b) { return b.bottom() <= 51 && b.bottom() > 45 && b.top() < 35; }},
    };
    for (const Case& c : cases) {
        WmfWriter w;
        w.createFont(-30, 0, "Arial")
            .selectObject(0)
            .setBkMode(1)
            .setTextAlign(c.align)
            .textOut(100, 50, "HHH")
            .eof();
        const QImage image = render(w.placeable(0, 0, 200, 100, 96));
        const QRect box = darkBox(image);
        ASSERT_FALSE(box.isEmpty()) << c.name;
        EXPECT_TRUE(c.check(box)) << c.name << ": " << box.left() << "," << box.top() << " " << box.right()
                                  << "," << box.bottom();
    }
}

TEST(WmfPicture, ExtTextOutPlacesCharactersByTheirAdvancesOnAnOpaqueRectangle) {
    WmfWriter w;
    w.createFont(-30, 0, "Arial")
        .selectObject(0)
        .setBkColor(Yellow)
        .setBkMode(1)
        .extTextOut(10, 20, 2, "III", QRect(5, 5, 185, 60), {60, 60, 60})
        .eof();
    const QImage image = render(w.placeable(0, 0, 200, 80, 96));
    expectPixels(image,
                 {{7, 7, Yellow}, {185, 60, Yellow}, {40, 10, Yellow}, {195, 70, White}, {2, 2, White}});
    // One stroke of "I" in each 60-pixel column from x = 10.
    for (int column = 0; column < 3; ++column) {
        const QRect part = darkBox(image.copy(10 + 60 * column, 0, 60, 80));
        EXPECT_FALSE(part.isEmpty()) << column;
        EXPECT_LT(part.width(), 20) << column;
    }
}

TEST(WmfPicture, BitmapsAppearWhereTheRecordsPutThem) {
    const QList<QList<QRgb>> pixels{{Red, Lime}, {Blue, Yellow}};
    const QByteArray bottomUp = dib24(pixels);
    const QByteArray topDown = dib24(pixels, true);
    struct Case {
        const char* name;
        std::function<void(WmfWriter&)> draw;
        QRgb topLeft, topRight, bottomLeft, bottomRight;
    };
    const Case cases[] = {
        {"stretch, bottom-up", [&](WmfWriter& w) { w.stretchDib(10, 10, 40, 40, 0, 0, 2, 2, bottomUp); }, Red,
         Lime, Blue, Yellow},
        {"stretch, top-down", [&](WmfWriter& w) { w.stretchDib(10, 10, 40, 40, 0, 0, 2, 2, topDown); }, Red,
         Lime, Blue, Yellow},
        {"transfer", [&](WmfWriter& w) { w.dibStretchBlt(10, 10, 40, 40, 0, 0, 2, 2, bottomUp); }, Red, Lime,
         Blue, Yellow},
        {"mirrored by a negative width",
         [&](WmfWriter& w) { w.stretchDib(50, 10, -40, 40, 0, 0, 2, 2, bottomUp); }, Lime, Red, Yellow, Blue},
        {"one source pixel, counted from the bottom row",
         [&](WmfWriter& w) { w.stretchDib(10, 10, 40, 40, 1, 0, 1, 1, bottomUp); }, Yellow, Yellow, Yellow,
         Yellow},
        {"black where the mask is black",
         [&](WmfWriter& w) {
             w.stretchDib(10, 10, 40, 40, 0, 0, 2, 2, bottomUp)
                 .stretchDib(10, 10, 40, 40, 0, 0, 2, 2, dib24({{White, Black}, {Black, White}}),
                             0x008800C6u);
         },
         Red, Black, Black, Yellow},
    };
    for (const Case& c : cases) {
        WmfWriter w;
        c.draw(w);
        const QImage image = render(w.eof().placeable(0, 0, 60, 60, 96));
        ASSERT_EQ(image.size(), QSize(60, 60)) << c.name;
        expectPixels(image,
                     {{12, 12, c.topLeft},
                      {47, 12, c.topRight},
                      {12, 47, c.bottomLeft},
                      {47, 47, c.bottomRight},
                      {29, 29, c.topLeft},
                      {30, 30, c.bottomRight},
                      {5, 5, White},
                      {55, 55, White},
                      {30, 52, White}},
                     c.name);
    }
}

} // namespace

namespace {

// A region object of horizontal bands, each band a list of [left, right) spans.
QByteArray regionRecord(const QList<std::pair<QPoint, QList<QPoint>>>& bands) {
    using quarbel::test::putU16;
    using quarbel::test::putU32;
    QByteArray scans;
    for (const auto& [rows, spans] : bands) {
        putU16(scans, quint32(spans.size() * 2));
        putU16(scans, quint32(rows.x()));
        putU16(scans, quint32(rows.y()));
        for (const QPoint& span : spans) {
            putU16(scans, quint32(span.x()));
            putU16(scans, quint32(span.y()));
        }
        putU16(scans, quint32(spans.size() * 2));
    }
    QByteArray p;
    putU16(p, 0);
    putU16(p, 6);
    putU32(p, 0);
    putU16(p, quint32(22 + scans.size()));
    putU16(p, quint32(bands.size()));
    putU16(p, 0);
    for (int v : {0, 0, 64, 64}) {
        putU16(p, quint32(v));
    }
    return p + scans;
}

TEST(WmfPicture, RegionsFillAndClip) {
    // Rows 10..19: x 10..29 and 40..49; rows 20..29: x 10..49.
    const QByteArray region = regionRecord({{{10, 20}, {{10, 30}, {40, 50}}}, {{20, 30}, {{10, 50}}}});
    WmfWriter w;
    w.raw(0x06FF, region)             // 0
        .createBrush(0, Red)          // 1
        .createBrush(0, Blue)         // 2
        .createPen(NullPen, 0, Black) // 3
        .words(0x0228, {0, 1})        // fill the region in red
        .selectObject(3)
        .selectObject(2)
        .words(0x012C, {0})     // clip to the region
        .words(0x0220, {30, 0}) // and move the clip 30 rows down
        .rectangle(0, 0, 64, 64)
        .words(0x012C, {999}) // no region: no clipping
        .createBrush(0, Lime) // 4
        .selectObject(4)
        .rectangle(58, 0, 64, 64)
        .eof();
    const QImage image = render(w.placeable(0, 0, 64, 64, 96));
    expectPixels(image, {{15, 15, Red},
                         {45, 15, Red},
                         {35, 15, White},
                         {35, 25, Red},
                         {5, 25, White},
                         {15, 45, Blue},
                         {35, 45, White},
                         {35, 55, Blue},
                         {35, 62, White},
                         {60, 5, Lime}});
}

TEST(WmfPicture, PaletteIndexedBitmap) {
    using quarbel::test::putU16;
    using quarbel::test::putU32;
    QByteArray palette;
    putU16(palette, 0x0300);
    putU16(palette, 3);
    for (QRgb c : {Red, Lime, Blue}) {
        quarbel::test::putColor(palette, c); // red, green, blue, flags
    }
    // 2 x 1 pixels of 8 bits whose colour table holds palette indices 2 and 0.
    QByteArray dib;
    for (quint32 v : {40u, 2u, 1u}) {
        putU32(dib, v);
    }
    putU16(dib, 1);
    putU16(dib, 8);
    for (quint32 v : {0u, 0u, 0u, 0u, 2u, 0u}) {
        putU32(dib, v);
    }
    putU16(dib, 2);
    putU16(dib, 0);
    dib.append(QByteArray("\x00\x01\x00\x00", 4));
    WmfWriter w;
    w.raw(0x00F7, palette).words(0x0234, {0}).stretchDib(0, 0, 40, 20, 0, 0, 2, 1, dib, 0x00CC0020u, 1).eof();
    const QImage image = render(w.placeable(0, 0, 40, 20, 96));
    expectPixels(image, {{5, 10, Blue}, {35, 10, Red}});
}

TEST(WmfPicture, WallClockLimitStopsDrawing) {
    WmfWriter w;
    w.createBrush(0, Red).selectObject(0);
    for (int i = 0; i < 200000; ++i) {
        w.rectangle(0, 0, 512, 512);
    }
    WmfRenderOptions options;
    options.maxWork = qint64(1) << 62;
    options.maxMilliseconds = 1;
    WmfRenderReport report;
    const QImage image = renderWmf(w.eof().placeable(0, 0, 512, 512, 96), options, nullptr, &report);
    ASSERT_FALSE(image.isNull());
    EXPECT_TRUE(report.timeLimitReached);
    EXPECT_FALSE(report.workLimitReached);
    EXPECT_LT(report.records, 200000);
}

} // namespace
