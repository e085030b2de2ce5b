// Records written by libUEMF, an encoder independent of this renderer and of the tests' writer:
// the writer's layouts must match it byte for byte, and a picture made of its records must draw.
#include "WmfTestWriter.h"
#include "codecs/WmfPicture.h"

#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <uemf.h>
#include <uwmf.h>

using namespace quarbel::codecs;
using quarbel::test::dib24;
using quarbel::test::WmfWriter;

namespace {

// The bytes of a record made by libUEMF, which hands over the memory.
QByteArray take(char* record) {
    if (!record) {
        return {};
    }
    quint32 words = 0;
    std::memcpy(&words, record, 4);
    QByteArray bytes(record, qsizetype(words) * 2);
    std::free(record);
    return bytes;
}

// The records of a writer without the header in front of them.
QByteArray recordsOf(const WmfWriter& w) {
    return w.plain().mid(18);
}

U_RECT16 rect16(int l, int t, int r, int b) {
    return U_RECT16{int16_t(l), int16_t(t), int16_t(r), int16_t(b)};
}

U_POINT16 point16(int x, int y) {
    return U_POINT16{int16_t(x), int16_t(y)};
}

TEST(WmfUemf, WriterLayoutsMatchLibUemf) {
    const U_POINT16 triangle[] = {point16(10, 80), point16(60, 80), point16(35, 130)};
    int16_t dx[] = {60, 60, 60};
    struct Case {
        const char* name;
        QByteArray ours;
        QByteArray theirs;
    };
    const Case cases[] = {
        {"window origin", recordsOf(WmfWriter().setWindowOrg(-7, 300)),
         take(U_WMRSETWINDOWORG_set(point16(-7, 300)))},
        {"window extent", recordsOf(WmfWriter().setWindowExt(1000, -500)),
         take(U_WMRSETWINDOWEXT_set(point16(1000, -500)))},
        {"rectangle", recordsOf(WmfWriter().rectangle(10, 20, 30, 40)),
         take(U_WMRRECTANGLE_set(rect16(10, 20, 30, 40)))},
        {"ellipse", recordsOf(WmfWriter().ellipse(-1, 2, 300, 400)),
         take(U_WMRELLIPSE_set(rect16(-1, 2, 300, 400)))},
        {"pie", recordsOf(WmfWriter().pie(80, 80, 180, 140, 180, 110, 130, 80)),
         take(U_WMRPIE_set(point16(180, 110), point16(130, 80), rect16(80, 80, 180, 140)))},
        {"polygon", recordsOf(WmfWriter().polygon({{10, 80}, {60, 80}, {35, 130}})),
         take(U_WMRPOLYGON_set(3, triangle))},
        {"pen", recordsOf(WmfWriter().createPen(0, 3, qRgb(128, 0, 128))),
         take(U_WMRCREATEPENINDIRECT_set(U_PEN_set(0, 3, U_RGB(128, 0, 128))))},
        {"brush", recordsOf(WmfWriter().createBrush(2, qRgb(0, 0, 255), 4)),
         take(U_WMRCREATEBRUSHINDIRECT_set(U_WLOGBRUSH_set(2, U_RGB(0, 0, 255), 4)))},
        {"select", recordsOf(WmfWriter().selectObject(7)), take(U_WMRSELECTOBJECT_set(7))},
        // Without the optional rectangle: libUEMF 0.2.8 writes it bottom, right, top, left, where
        // the format (and Windows) has left, top, right, bottom.
        {"text with advances", recordsOf(WmfWriter().extTextOut(10, 20, 0, "III", QRect(), {60, 60, 60})),
         take(U_WMREXTTEXTOUT_set(point16(10, 20), 3, 0, "III", dx, rect16(0, 0, 0, 0)))},
    };
    for (const Case& c : cases) {
        ASSERT_FALSE(c.theirs.isEmpty()) << c.name;
        EXPECT_EQ(c.ours.toHex().toStdString(), c.theirs.toHex().toStdString()) << c.name;
    }

    // The bitmap record: the same header, pixels and parameters.
    const QByteArray ours = recordsOf(WmfWriter().stretchDib(
        10, 10, 40, 40, 0, 0, 2, 2,
        dib24({{qRgb(255, 0, 0), qRgb(0, 255, 0)}, {qRgb(0, 0, 255), qRgb(255, 255, 0)}})));
    const char pixels[16] = {
        char(0xFF), 0, 0,          0, char(0xFF), char(0xFF), 0, 0,  // bottom row: blue, yellow
        0,          0, char(0xFF), 0, char(0xFF), 0,          0, 0}; // top row: red, green
    U_BITMAPINFO* info = bitmapinfo_set(bitmapinfoheader_set(2, 2, 1, 24, 0, 0, 0, 0, 0, 0), nullptr);
    const QByteArray theirs =
        take(U_WMRSTRETCHDIB_set(point16(10, 10), point16(40, 40), point16(0, 0), point16(2, 2), 0,
                                 0x00CC0020u, info, sizeof pixels, pixels));
    std::free(info);
    EXPECT_EQ(ours.toHex().toStdString(), theirs.toHex().toStdString());
}

TEST(WmfUemf, PictureMadeOfLibUemfRecordsDraws) {
    const U_POINT16 triangle[] = {point16(10, 80), point16(60, 80), point16(35, 130)};
    QByteArray records;
    records += take(U_WMRSETWINDOWORG_set(point16(0, 200)));
    records += take(U_WMRSETWINDOWEXT_set(point16(200, -150))); // y upwards
    records += take(U_WMRCREATEPENINDIRECT_set(U_PEN_set(5, 0, U_RGB(0, 0, 0))));
    records += take(U_WMRCREATEBRUSHINDIRECT_set(U_WLOGBRUSH_set(0, U_RGB(255, 0, 0), 0)));
    records += take(U_WMRCREATEBRUSHINDIRECT_set(U_WLOGBRUSH_set(0, U_RGB(0, 128, 0), 0)));
    records += take(U_WMRSELECTOBJECT_set(0));
    records += take(U_WMRSELECTOBJECT_set(1));
    records += take(U_WMRRECTANGLE_set(rect16(10, 190, 60, 150))); // logical y 190..150: rows 10..50
    records += take(U_WMRSELECTOBJECT_set(2));
    records += take(U_WMRPOLYGON_set(3, triangle)); // rows 120..70
    records += take(U_WMREOF_set());
    WmfWriter w;
    w.bytes(records);
    const QImage image = renderWmf(w.placeable(0, 0, 200, 150, 96));
    ASSERT_EQ(image.size(), QSize(200, 150));
    EXPECT_EQ(image.pixel(30, 30), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(30, 5), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(35, 110), qRgb(0, 128, 0));
    EXPECT_EQ(image.pixel(35, 60), qRgb(255, 255, 255));
}

} // namespace
