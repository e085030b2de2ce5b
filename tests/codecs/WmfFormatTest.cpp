// The metafile's byte layer: header recognition, the record walk and text decoding.
#include "codecs/WmfFormat.h"

#include "WmfTestWriter.h"
#include "codecs/WmfPicture.h"
#include "codecs/WmfText.h"

#include <QFontDatabase>
#include <gtest/gtest.h>

using namespace quarbel::codecs;
using quarbel::test::putU16;
using quarbel::test::putU32;
using quarbel::test::WmfWriter;

namespace {

QByteArray plainHeader(int type, int headerWords, int version) {
    QByteArray h;
    putU16(h, quint32(type));
    putU16(h, quint32(headerWords));
    putU16(h, quint32(version));
    putU32(h, 12);
    putU16(h, 0);
    putU32(h, 3);
    putU16(h, 0);
    return h;
}

wmf::ByteView view(const QByteArray& b) {
    return wmf::ByteView(b.constData(), b.size());
}

TEST(WmfFormat, RecognisesBothHeaderKinds) {
    struct Case {
        const char* name;
        QByteArray data;
        bool expected;
    };
    QByteArray key;
    putU32(key, 0x9AC6CDD7u);
    const Case cases[] = {
        {"placeable key", key, true},
        {"placeable file", WmfWriter().eof().placeable(0, 0, 10, 10, 96), true},
        {"memory 1.0", plainHeader(1, 9, 0x0100), true},
        {"disk 3.0", plainHeader(2, 9, 0x0300), true},
        {"type 3", plainHeader(3, 9, 0x0300), false},
        {"type 0", plainHeader(0, 9, 0x0300), false},
        {"header size 8", plainHeader(1, 8, 0x0300), false},
        {"version 2.0", plainHeader(1, 9, 0x0200), false},
        {"bitmap", QByteArray("BM\x36\0\0\0\0\0\0\0\x36\0\0\0", 14), false},
        {"empty", QByteArray(), false},
        {"short key", key.left(3), false},
        {"short plain", plainHeader(1, 9, 0x0300).left(5), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(looksLikeWmf(c.data), c.expected) << c.name;
    }
}

TEST(WmfFormat, HeaderGivesBoundingBoxAndRecordOffset) {
    const QByteArray file = WmfWriter().eof().placeable(-5, 7, 300, 200, 1440, 9);
    QString error;
    const auto header = wmf::readHeader(view(file), &error);
    ASSERT_TRUE(header) << error.toStdString();
    EXPECT_TRUE(header->placeable);
    EXPECT_EQ(header->left, -5);
    EXPECT_EQ(header->top, 7);
    EXPECT_EQ(header->right, 300);
    EXPECT_EQ(header->bottom, 200);
    EXPECT_EQ(header->unitsPerInch, 1440);
    EXPECT_EQ(header->objectCount, 9);
    EXPECT_EQ(header->recordsOffset, 22 + 18);

    const auto plain = wmf::readHeader(view(WmfWriter().eof().plain()), &error);
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->placeable);
    EXPECT_EQ(plain->recordsOffset, 18);
}

TEST(WmfFormat, CutOffHeadersAreRefusedWithAReason) {
    const QByteArray placeable = WmfWriter().eof().placeable(0, 0, 10, 10, 96);
    for (qsizetype length : {4, 21, 22, 39}) {
        QString error;
        EXPECT_FALSE(wmf::readHeader(view(placeable.left(length)), &error)) << length;
        EXPECT_FALSE(error.isEmpty()) << length;
    }
}

struct WalkResult {
    int records = 0;
    bool sawEof = false;
    bool malformed = false;
};

WalkResult walk(const QByteArray& file) {
    const auto header = wmf::readHeader(view(file), nullptr);
    EXPECT_TRUE(header);
    WalkResult result;
    wmf::RecordReader reader(view(file), header ? header->recordsOffset : 0);
    wmf::Record record;
    while (reader.next(record)) {
        ++result.records;
        EXPECT_LE(record.offset + 6 + record.params.size(), file.size());
    }
    result.sawEof = reader.sawEof();
    result.malformed = reader.malformed();
    return result;
}

TEST(WmfFormat, RecordWalkStopsAtEveryKindOfEnd) {
    QByteArray zeroSize;
    putU32(zeroSize, 0);
    putU16(zeroSize, 0x041B);
    QByteArray twoWords;
    putU32(twoWords, 2);
    putU16(twoWords, 0x041B);
    QByteArray tooLong;
    putU32(tooLong, 0x7FFFFFFF);
    putU16(tooLong, 0x041B);
    QByteArray hugeSize;
    putU32(hugeSize, 0xFFFFFFFF);
    putU16(hugeSize, 0x041B);

    struct Case {
        const char* name;
        QByteArray file;
        WalkResult expected;
    };
    const Case cases[] = {
        {"end record",
         WmfWriter().rectangle(0, 0, 5, 5).eof().rectangle(0, 0, 5, 5).plain(),
         {1, true, false}},
        {"no end record", WmfWriter().rectangle(0, 0, 5, 5).rectangle(0, 0, 5, 5).plain(), {2, false, false}},
        {"zero-size record",
         WmfWriter().rectangle(0, 0, 5, 5).bytes(zeroSize).eof().plain(),
         {1, false, true}},
        {"record shorter than its header", WmfWriter().bytes(twoWords).eof().plain(), {0, false, true}},
        {"record longer than the file",
         WmfWriter().rectangle(0, 0, 5, 5).bytes(tooLong).plain(),
         {1, false, true}},
        {"size overflowing 32 bits", WmfWriter().bytes(hugeSize).plain(), {0, false, true}},
        {"trailing bytes", WmfWriter().rectangle(0, 0, 5, 5).bytes("abc").plain(), {1, false, true}},
    };
    for (const Case& c : cases) {
        const WalkResult r = walk(c.file);
        EXPECT_EQ(r.records, c.expected.records) << c.name;
        EXPECT_EQ(r.sawEof, c.expected.sawEof) << c.name;
        EXPECT_EQ(r.malformed, c.expected.malformed) << c.name;
    }
}

TEST(WmfFormat, ByteViewNeverReadsOutside) {
    const QByteArray bytes("\x01\x02\x03", 3);
    const wmf::ByteView v = view(bytes);
    EXPECT_EQ(v.u16(0), 0x0201);
    EXPECT_EQ(v.u16(2), 0); // straddles the end
    EXPECT_EQ(v.u32(0), 0u);
    EXPECT_EQ(v.u8(-1), 0);
    EXPECT_FALSE(v.has(2, 2));
    EXPECT_FALSE(v.has(1, -1));
    EXPECT_EQ(v.mid(2).size(), 1);
    EXPECT_EQ(v.mid(3).size(), 0);
    EXPECT_EQ(v.mid(1, 100).size(), 2);
    EXPECT_EQ(v.mid(-4, 2).size(), 0);
}

TEST(WmfText, DecodesByTheFontsCharacterSet) {
    struct Case {
        const char* name;
        quint8 charset;
        bool symbolFace;
        QByteArray bytes;
        QString expected;
    };
    const Case cases[] = {
        {"Shift_JIS set", 128, false, QByteArray("\x93\xfa\x96\x7b\x8c\xea"), QStringLiteral("日本語")},
        {"default set is Japanese", 1, false, QByteArray("\x93\xfa\x96\x7b\x8c\xea"),
         QStringLiteral("日本語")},
        {"CP932 wave dash and NEC circled one", 128, false, QByteArray("\x81\x60\x87\x40"),
         QStringLiteral("\uff5e\u2460")},
        {"half-width katakana", 128, false, QByteArray("\xb1\xb2"), QStringLiteral("ｱｲ")},
        {"western set", 0, false, QByteArray("caf\xe9"), QStringLiteral("café")},
        {"Cyrillic set", 204, false, QByteArray("\xc4\xe0"), QStringLiteral("Да")},
        {"symbol set", 2, false, QByteArray("abp"), QStringLiteral("αβπ")},
        {"symbol face", 0, true, QByteArray("\xb9\xa3"), QStringLiteral("≠≤")},
    };
    for (const Case& c : cases) {
        const wmf::TextDecoder decoder(c.charset, c.symbolFace);
        EXPECT_EQ(decoder.decode(view(c.bytes)), c.expected) << c.name;
    }
}

TEST(WmfText, SplitsDoubleByteCharactersForTheirAdvances) {
    const wmf::TextDecoder japanese(128, false);
    const auto chars = japanese.characters(view(QByteArray("A\x93\xfa"
                                                           "B\x96")));
    ASSERT_EQ(chars.size(), 4);
    EXPECT_EQ(chars[0].text, QStringLiteral("A"));
    EXPECT_EQ(chars[0].bytes, 1);
    EXPECT_EQ(chars[1].text, QStringLiteral("日"));
    EXPECT_EQ(chars[1].bytes, 2);
    EXPECT_EQ(chars[2].bytes, 1);
    EXPECT_EQ(chars[3].bytes, 1); // a lead byte with nothing after it stands alone

    const wmf::TextDecoder western(0, false);
    EXPECT_EQ(western.characters(view(QByteArray("\x93\xfa"))).size(), 2);
}

TEST(WmfText, FaceNamesAndFamilies) {
    EXPECT_EQ(wmf::decodeFaceName(view(QByteArray("\x82\x6c\x82\x72 \x96\xbe\x92\xa9\0junk", 14)), 128),
              QStringLiteral("ＭＳ 明朝"));
    EXPECT_EQ(wmf::decodeFaceName(view(QByteArray(40, 'A')), 0), QString(32, u'A'));

    // Faces that are not installed here go to the IPA font of their kind.
    EXPECT_EQ(wmf::fontFamiliesFor(QStringLiteral("ＭＳ 明朝"), 0x11), QStringList{"IPAMincho"});
    EXPECT_EQ(wmf::fontFamiliesFor(QStringLiteral("ＭＳ Ｐゴシック"), 0x22), QStringList{"IPAPGothic"});
    EXPECT_EQ(wmf::fontFamiliesFor(QStringLiteral("No Such Face 7"), 0x22), QStringList{"IPAPGothic"});
    EXPECT_EQ(wmf::fontFamiliesFor(QStringLiteral("No Such Face 7"), 0x31), QStringList{"IPAGothic"});
    EXPECT_EQ(wmf::fontFamiliesFor(QString(), 0x12), QStringList{"IPAPMincho"});
    EXPECT_EQ(wmf::fontFamiliesFor(QStringLiteral("Symbol"), 0x12), QStringList{"IPAPMincho"});
    // An installed face comes first, found whatever its case.
    const QStringList installed = QFontDatabase::families();
    ASSERT_FALSE(installed.isEmpty());
    const QString face = installed.first();
    EXPECT_TRUE(wmf::isInstalledFamily(face.toUpper()));
    EXPECT_EQ(wmf::fontFamiliesFor(face.toUpper(), 0x22).first(), face.toUpper());
}

} // namespace
