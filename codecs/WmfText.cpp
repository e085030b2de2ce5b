#include "codecs/WmfText.h"

#include <QFontDatabase>
#include <QSet>
#include <QStringDecoder>
#include <optional>

namespace quarbel::codecs::wmf {

namespace {

// The Symbol font's byte values 0x20..0xFF as Unicode characters; 0 where the font has nothing.
// clang-format off
constexpr char16_t SymbolTable[224] = {
    /* 0x20 */ 0x0020, 0x0021, 0x2200, 0x0023, 0x2203, 0x0025, 0x0026, 0x220B, 0x0028, 0x0029, 0x2217, 0x002B, 0x002C, 0x2212, 0x002E, 0x002F,
    /* 0x30 */ 0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037, 0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F,
    /* 0x40 */ 0x2245, 0x0391, 0x0392, 0x03A7, 0x0394, 0x0395, 0x03A6, 0x0393, 0x0397, 0x0399, 0x03D1, 0x039A, 0x039B, 0x039C, 0x039D, 0x039F,
    /* 0x50 */ 0x03A0, 0x0398, 0x03A1, 0x03A3, 0x03A4, 0x03A5, 0x03C2, 0x03A9, 0x039E, 0x03A8, 0x0396, 0x005B, 0x2234, 0x005D, 0x22A5, 0x005F,
    /* 0x60 */ 0x203E, 0x03B1, 0x03B2, 0x03C7, 0x03B4, 0x03B5, 0x03C6, 0x03B3, 0x03B7, 0x03B9, 0x03D5, 0x03BA, 0x03BB, 0x03BC, 0x03BD, 0x03BF,
    /* 0x70 */ 0x03C0, 0x03B8, 0x03C1, 0x03C3, 0x03C4, 0x03C5, 0x03D6, 0x03C9, 0x03BE, 0x03C8, 0x03B6, 0x007B, 0x007C, 0x007D, 0x223C, 0,
    /* 0x80 */ 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    /* 0x90 */ 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    /* 0xA0 */ 0x20AC, 0x03D2, 0x2032, 0x2264, 0x2044, 0x221E, 0x0192, 0x2663, 0x2666, 0x2665, 0x2660, 0x2194, 0x2190, 0x2191, 0x2192, 0x2193,
    /* 0xB0 */ 0x00B0, 0x00B1, 0x2033, 0x2265, 0x00D7, 0x221D, 0x2202, 0x2022, 0x00F7, 0x2260, 0x2261, 0x2248, 0x2026, 0x23D0, 0x23AF, 0x21B5,
    /* 0xC0 */ 0x2135, 0x2111, 0x211C, 0x2118, 0x2297, 0x2295, 0x2205, 0x2229, 0x222A, 0x2283, 0x2287, 0x2284, 0x2282, 0x2286, 0x2208, 0x2209,
    /* 0xD0 */ 0x2220, 0x2207, 0x00AE, 0x00A9, 0x2122, 0x220F, 0x221A, 0x22C5, 0x00AC, 0x2227, 0x2228, 0x21D4, 0x21D0, 0x21D1, 0x21D2, 0x21D3,
    /* 0xE0 */ 0x25CA, 0x2329, 0x00AE, 0x00A9, 0x2122, 0x2211, 0x239B, 0x239C, 0x239D, 0x23A1, 0x23A2, 0x23A3, 0x23A7, 0x23A8, 0x23A9, 0x23AA,
    /* 0xF0 */ 0, 0x232A, 0x222B, 0x2320, 0x23AE, 0x2321, 0x239E, 0x239F, 0x23A0, 0x23A4, 0x23A5, 0x23A6, 0x23AB, 0x23AC, 0x23AD, 0,
};
// clang-format on

QChar symbolChar(quint8 byte) {
    if (byte >= 0x20) {
        const char16_t mapped = SymbolTable[byte - 0x20];
        if (mapped != 0) {
            return QChar(mapped);
        }
    }
    return QChar(u' ');
}

// ICU names of the Windows code pages behind the character sets. The default and OEM sets are
// those of a Japanese system, where these pictures were made.
const char* codecFor(quint8 charset) {
    switch (charset) {
    case AnsiCharset:
        return "windows-1252";
    case HangulCharset:
    case 130: // Johab: the Korean code page is the nearest that decodes
        return "windows-949";
    case GbCharset:
        return "GBK";
    case Big5Charset:
        return "Big5";
    case 161:
        return "windows-1253";
    case 162:
        return "windows-1254";
    case 163:
        return "windows-1258";
    case 177:
        return "windows-1255";
    case 178:
        return "windows-1256";
    case 186:
        return "windows-1257";
    case 204:
        return "windows-1251";
    case 222:
        return "windows-874";
    case 238:
        return "windows-1250";
    default:
        return "windows-31j";
    }
}

bool containsAny(const QString& text, std::initializer_list<const char16_t*> words) {
    for (const char16_t* word : words) {
        if (text.contains(QString::fromUtf16(word), Qt::CaseInsensitive)) {
            return true;
        }
    }
    return false;
}

} // namespace

TextDecoder::TextDecoder(quint8 charset, bool symbolFont) {
    if (symbolFont || charset == SymbolCharset) {
        return;
    }
    m_codec = codecFor(charset);
    const QByteArray name(m_codec);
    if (name == "windows-31j") {
        m_leadBytes = 932;
    } else if (name == "windows-949" || name == "GBK" || name == "Big5") {
        m_leadBytes = 1;
    }
}

bool TextDecoder::isLeadByte(quint8 byte) const {
    if (m_leadBytes == 932) {
        return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    }
    return m_leadBytes != 0 && byte >= 0x81 && byte <= 0xFE;
}

QString TextDecoder::decode(ByteView bytes) const {
    if (!m_codec) {
        QString text;
        text.reserve(bytes.size());
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            text.append(symbolChar(bytes.u8(i)));
        }
        return text;
    }
    QStringDecoder decoder(m_codec);
    if (!decoder.isValid()) {
        return QString::fromLatin1(bytes.data(), bytes.size());
    }
    return decoder.decode(QByteArrayView(bytes.data(), bytes.size()));
}

QList<TextChar> TextDecoder::characters(ByteView bytes) const {
    QList<TextChar> chars;
    std::optional<QStringDecoder> decoder;
    if (m_codec) {
        decoder.emplace(m_codec);
        if (!decoder->isValid()) {
            decoder.reset();
        }
    }
    for (qsizetype i = 0; i < bytes.size();) {
        const int count = (isLeadByte(bytes.u8(i)) && i + 1 < bytes.size()) ? 2 : 1;
        TextChar c;
        c.bytes = count;
        if (!m_codec) {
            c.text = symbolChar(bytes.u8(i));
        } else if (decoder) {
            c.text = decoder->decode(QByteArrayView(bytes.data() + i, count));
        } else {
            c.text = QString::fromLatin1(bytes.data() + i, count);
        }
        chars.append(c);
        i += count;
    }
    return chars;
}

QString decodeFaceName(ByteView bytes, quint8 charset) {
    qsizetype length = 0;
    while (length < bytes.size() && length < 32 && bytes.u8(length) != 0) {
        ++length;
    }
    const ByteView name = bytes.mid(0, length);
    // Face names are text in the font's own character set; a symbol font's name is plain text.
    return TextDecoder(charset == SymbolCharset ? quint8(AnsiCharset) : charset, false)
        .decode(name)
        .trimmed();
}

bool isSymbolFace(const QString& face) {
    return face.compare(QLatin1String("Symbol"), Qt::CaseInsensitive) == 0;
}

QStringList fontFamiliesFor(const QString& face, quint8 pitchAndFamily) {
    constexpr quint8 FixedPitch = 1;
    constexpr quint8 RomanFamily = 0x10;
    const bool mincho =
        containsAny(face, {u"明朝", u"mincho", u"ﾐﾝﾁｮｳ"}) ||
        (!containsAny(face, {u"ゴシック", u"gothic", u"ｺﾞｼｯｸ"}) && (pitchAndFamily & 0xF0) == RomanFamily);
    // "ＭＳ Ｐゴシック", "MS PMincho" and their kin are proportional; so is anything not marked fixed.
    const bool fixed = (pitchAndFamily & 0x03) == FixedPitch ||
                       (containsAny(face, {u"ＭＳ ゴシック", u"ＭＳ 明朝", u"MS Gothic", u"MS Mincho"}) &&
                        !containsAny(face, {u"Ｐ", u"MS P"}));
    const QString ipa = mincho ? (fixed ? QStringLiteral("IPAMincho") : QStringLiteral("IPAPMincho"))
                               : (fixed ? QStringLiteral("IPAGothic") : QStringLiteral("IPAPGothic"));
    QStringList families;
    if (!face.isEmpty() && !isSymbolFace(face) && face.compare(ipa, Qt::CaseInsensitive) != 0 &&
        isInstalledFamily(face)) {
        families << face;
    }
    families << ipa;
    return families;
}

bool isInstalledFamily(const QString& family) {
    static const QSet<QString> installed = [] {
        QSet<QString> names;
        for (const QString& name : QFontDatabase::families()) {
            names.insert(name.toCaseFolded());
        }
        return names;
    }();
    return installed.contains(family.toCaseFolded());
}

} // namespace quarbel::codecs::wmf
