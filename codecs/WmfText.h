#pragma once

// Text of metafile records: bytes in the code page of the font's character set, Japanese (CP932)
// for the default set, and the fonts that draw them.

#include "codecs/WmfFormat.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace quarbel::codecs::wmf {

enum Charset : quint8 {
    AnsiCharset = 0,
    DefaultCharset = 1,
    SymbolCharset = 2,
    ShiftJisCharset = 128,
    HangulCharset = 129,
    GbCharset = 134,
    Big5Charset = 136,
    OemCharset = 255,
};

// One drawn character and the number of bytes it takes in the record (1 or 2), which is also the
// number of per-byte advances that belong to it.
struct TextChar {
    QString text;
    int bytes = 1;
};

class TextDecoder {
public:
    // symbolFont: the face is a symbol font whose bytes stand for symbols whatever the set says.
    TextDecoder(quint8 charset, bool symbolFont);

    QString decode(ByteView bytes) const;
    QList<TextChar> characters(ByteView bytes) const;

private:
    bool isLeadByte(quint8 byte) const;

    const char* m_codec = nullptr; // nullptr: the symbol table
    int m_leadBytes = 0;           // 0 single-byte, 932 Shift_JIS ranges, 1 other double-byte sets
};

// The face name of a font record: up to 32 bytes, ended by the first zero.
QString decodeFaceName(ByteView bytes, quint8 charset);

bool isSymbolFace(const QString& face);

// True when the font database has a family of this name, whatever its case. Needs a QGuiApplication.
bool isInstalledFamily(const QString& family);

// Families to ask for, best first: the face itself when it is installed here, then the IPA font
// of the same kind, so that Japanese text always has glyphs. Names that are not installed are
// never passed on: every new name costs the font database a search and a cache entry, and a
// file can carry thousands of them. Needs a QGuiApplication.
QStringList fontFamiliesFor(const QString& face, quint8 pitchAndFamily);

} // namespace quarbel::codecs::wmf
