#include "document/IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>
#include <climits>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace quarbel::document {

namespace {

// Larger files are not INI files we could have written; reading them whole would only cost memory,
// and rewriting them could destroy something the user picked by mistake.

const QLatin1StringView LineEnd("\r\n");

bool isBlank(QChar c) {
    const char16_t u = c.unicode();
    return u == u' ' || u == u'\t' || u == u'\r' || u == u'\n' || u == u'\v' || u == u'\f';
}

// Only ASCII blanks are stripped, as the platform's profile functions do: a full-width space at
// the end of a Japanese file name is part of the name.
QStringView stripBlanks(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text.at(begin))) {
        ++begin;
    }
    while (end > begin && isBlank(text.at(end - 1))) {
        --end;
    }
    return text.mid(begin, end - begin);
}

// Cuts to at most MaxIniValueLength characters without leaving half of a surrogate pair behind.
QStringView cutValue(QStringView value) {
    if (value.size() <= MaxIniValueLength) {
        return value;
    }
    qsizetype length = MaxIniValueLength;
    if (value.at(length - 1).isHighSurrogate()) {
        --length;
    }
    return value.left(length);
}

std::optional<QString> decodeStrict(QStringDecoder& decoder, const QByteArray& bytes) {
    if (!decoder.isValid()) {
        return std::nullopt;
    }
    QString text = decoder.decode(bytes);
    // Flushing a stateful decoder reports a lead byte left dangling at the end of the file.
    text += decoder.decode(QByteArrayView());
    if (decoder.hasError()) {
        return std::nullopt;
    }
    return text;
}

// Files written on Japanese Windows are in the ANSI code page, CP932; ours are UTF-8.
constexpr const char* Cp932Names[] = {"windows-31j", "CP932", "Shift_JIS"};

std::optional<QString> decodeCp932(const QByteArray& bytes) {
    for (const char* name : Cp932Names) {
        QStringDecoder decoder(name);
        if (decoder.isValid()) {
            return decodeStrict(decoder, bytes);
        }
    }
    return std::nullopt;
}

// text in CP932, or nothing when a character has no CP932 form (or would not read back the same).
std::optional<QByteArray> encodeCp932(const QString& text) {
    for (const char* name : Cp932Names) {
        QStringEncoder encoder(name);
        if (!encoder.isValid()) {
            continue;
        }
        QByteArray bytes = encoder.encode(text);
        if (encoder.hasError() || decodeCp932(bytes) != text) {
            return std::nullopt;
        }
        return bytes;
    }
    return std::nullopt;
}

enum class TextEncoding { Utf8, Cp932 };

// One INI file held as its lines, without line ends.
struct IniLines {
    QStringList lines;
    bool exists = false;
    // False when the file exists but could not be read: not a regular file, too large, or a
    // read error. Its lines are then empty.
    bool readable = true;
    // False when the file must not be rewritten: unreadable, binary, or in an encoding we cannot
    // turn back into the same text.
    bool writable = true;
    // What the file was written in; a rewrite keeps it when every character fits.
    TextEncoding encoding = TextEncoding::Utf8;
};

IniLines loadLines(const QString& path) {
    IniLines result;
    const QFileInfo info(path);
    if (!info.exists()) {
        return result;
    }
    result.exists = true;
    // Only regular files: opening a FIFO or a device would block or read forever.
    QFile file(path);
    if (!info.isFile() || info.size() > MaxIniFileSize || !file.open(QIODevice::ReadOnly)) {
        result.readable = false;
        result.writable = false;
        return result;
    }
    // Ask for what the file holds (a byte more shows that it grew meanwhile): asking for the whole
    // limit would allocate 16 MB for every key read.
    QByteArray bytes = file.read(std::min(info.size(), MaxIniFileSize) + 1);
    if (bytes.size() > info.size()) {
        bytes += file.read(MaxIniFileSize + 1 - bytes.size());
    }
    if (bytes.size() > MaxIniFileSize || file.error() != QFileDevice::NoError) {
        result.readable = false;
        result.writable = false;
        return result;
    }
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        bytes.remove(0, 3);
    }
    if (bytes.contains('\0')) {
        result.writable = false;
    }

    QStringDecoder utf8(QStringConverter::Utf8);
    std::optional<QString> text = decodeStrict(utf8, bytes);
    if (!text) {
        text = decodeCp932(bytes);
        if (text) {
            result.encoding = TextEncoding::Cp932;
            // A byte the decoder dropped (a lead byte cut off at the end) would be lost by a rewrite.
            if (encodeCp932(*text) != bytes) {
                result.writable = false;
            }
        }
    }
    if (!text) {
        // Neither encoding fits: read what can be read, but never rewrite it with bytes lost.
        text = QString::fromUtf8(bytes);
        result.writable = false;
    }
    if (text->isEmpty()) {
        return result;
    }
    result.lines = text->split(QLatin1Char('\n'));
    // A final line end does not start another line.
    if (result.lines.last().isEmpty()) {
        result.lines.removeLast();
    }
    for (QString& line : result.lines) {
        if (line.endsWith(QLatin1Char('\r'))) {
            line.chop(1);
        }
    }
    return result;
}

// The section name of a header line, or nothing when the line is not a header.
std::optional<QStringView> sectionName(QStringView line) {
    const QStringView stripped = stripBlanks(line);
    if (!stripped.startsWith(QLatin1Char('['))) {
        return std::nullopt;
    }
    const qsizetype close = stripped.indexOf(QLatin1Char(']'));
    if (close < 0) {
        return std::nullopt;
    }
    return stripBlanks(stripped.mid(1, close - 1));
}

struct KeyLine {
    QStringView key; // without surrounding blanks
    QStringView value;
};

std::optional<KeyLine> parseKeyLine(QStringView line) {
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (equals < 0) {
        return std::nullopt;
    }
    KeyLine result{stripBlanks(line.left(equals)), line.mid(equals + 1)};
    if (result.key.isEmpty()) {
        return std::nullopt;
    }
    return result;
}

bool sameName(QStringView a, QStringView b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Names compared without regard to case hash alike: the hash covers the case-folded characters
// of the basic plane and skips surrogates (a pair folds as one character, which a unit-wise fold
// cannot follow), so every pair of names equal without regard to case shares it.
struct NameHash {
    std::size_t operator()(QStringView name) const noexcept {
        std::size_t hash = 1469598103934665603ull;
        for (const QChar c : name) {
            if (c.isSurrogate()) {
                continue;
            }
            hash = (hash ^ c.toCaseFolded().unicode()) * 1099511628211ull;
        }
        return hash;
    }
};

struct SameName {
    bool operator()(QStringView a, QStringView b) const { return sameName(a, b); }
};

// Line index of the first line of a section for each key name; the views point into the lines.
using KeyIndex = std::unordered_map<QStringView, qsizetype, NameHash, SameName>;

// Line range [header, end) of the first section with this name; header is -1 when missing.
struct SectionRange {
    qsizetype header = -1;
    qsizetype end = -1;
};

SectionRange findSection(const QStringList& lines, QStringView section) {
    SectionRange range;
    const QStringView wanted = stripBlanks(section);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const std::optional<QStringView> name = sectionName(lines.at(i));
        if (!name) {
            continue;
        }
        if (range.header >= 0) {
            range.end = i;
            return range;
        }
        if (sameName(*name, wanted)) {
            range.header = i;
        }
    }
    if (range.header >= 0) {
        range.end = lines.size();
    }
    return range;
}

using NameSet = std::unordered_set<QStringView, NameHash, SameName>;

// Every key of the section (or only those in wanted, when given), each at its first line: one
// pass over the section.
KeyIndex indexKeys(const QStringList& lines, const SectionRange& range, const NameSet* wanted = nullptr) {
    KeyIndex index;
    for (qsizetype i = range.header + 1; i < range.end; ++i) {
        if (const std::optional<KeyLine> parsed = parseKeyLine(lines.at(i))) {
            if (!wanted || wanted->count(parsed->key) != 0) {
                index.try_emplace(parsed->key, i);
            }
        }
    }
    return index;
}

bool hasLineBreak(const QString& text) {
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
}

bool acceptableSection(const QString& section) {
    const QStringView name = stripBlanks(section);
    return !name.isEmpty() && !hasLineBreak(section) && !name.contains(QLatin1Char(']'));
}

bool acceptableKey(const QString& key) {
    const QStringView name = stripBlanks(key);
    return !name.isEmpty() && !hasLineBreak(key) && !name.contains(QLatin1Char('=')) &&
           !name.startsWith(QLatin1Char('['));
}

// Applies all writes in one pass over the lines, with the result of applying them one by one:
// a key already in the section takes the last value given for it where it stands; the others are
// appended after the section's last non-blank line, in the order they were first given.
void applyWrites(QStringList& lines, QStringView section, const QList<QPair<QString, QString>>& entries) {
    std::vector<QString> names;
    std::vector<QString> values;
    names.reserve(static_cast<std::size_t>(entries.size()));
    values.reserve(static_cast<std::size_t>(entries.size()));
    // The views point into names, which does not reallocate after the reserve above.
    std::unordered_map<QStringView, std::size_t, NameHash, SameName> wanted;
    for (const auto& [key, value] : entries) {
        names.push_back(stripBlanks(key).toString());
        const auto [at, added] = wanted.try_emplace(names.back(), names.size() - 1);
        if (added) {
            values.push_back(value);
        } else {
            names.pop_back();
            values[at->second] = value;
        }
    }

    const SectionRange range = findSection(lines, section);
    if (range.header < 0) {
        lines.append(QLatin1Char('[') + stripBlanks(section).toString() + QLatin1Char(']'));
        for (std::size_t i = 0; i < names.size(); ++i) {
            lines.append(names[i] + QLatin1Char('=') + values[i]);
        }
        return;
    }
    std::vector<bool> placed(names.size(), false);
    // Lines are replaced only after every look-up: the index points into the old lines.
    std::vector<std::pair<qsizetype, QString>> replaced;
    {
        NameSet given;
        for (const QString& name : names) {
            given.insert(name);
        }
        // Only the keys being written are indexed: a section with a million foreign keys would
        // otherwise cost a million-entry index for 65 writes.
        const KeyIndex present = indexKeys(lines, range, &given);
        for (std::size_t i = 0; i < names.size(); ++i) {
            const auto found = present.find(names[i]);
            if (found == present.end()) {
                continue;
            }
            // The spelling of the name already in the file stays.
            replaced.emplace_back(found->second, found->first.toString() + QLatin1Char('=') + values[i]);
            placed[i] = true;
        }
    }
    for (auto& [at, line] : replaced) {
        lines[at] = std::move(line);
    }
    QStringList appended;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (!placed[i]) {
            appended.append(names[i] + QLatin1Char('=') + values[i]);
        }
    }
    if (appended.isEmpty()) {
        return;
    }
    qsizetype insertAt = range.end;
    while (insertAt > range.header + 1 && stripBlanks(lines.at(insertAt - 1)).isEmpty()) {
        --insertAt;
    }
    QStringList merged;
    merged.reserve(lines.size() + appended.size());
    merged.append(lines.mid(0, insertAt));
    merged.append(appended);
    merged.append(lines.mid(insertAt));
    lines = std::move(merged);
}

bool isReadOnlyFile(const QString& path) {
    const QFileInfo info(path);
    // Checked on the permission bits, not by access(): an administrator's run must respect a file the
    // user marked read-only, and the rename below would otherwise replace it.
    return info.exists() && !(info.permissions() & QFileDevice::WriteOwner);
}

QByteArray encodeText(const QString& text, TextEncoding encoding) {
    if (encoding == TextEncoding::Cp932) {
        // A copy of the program on Japanese Windows reads only CP932; a character beyond it
        // makes the file UTF-8, which such a copy could not read in any case.
        if (std::optional<QByteArray> bytes = encodeCp932(text)) {
            // A reader takes valid UTF-8 as UTF-8: CP932 bytes that happen to be valid UTF-8 would
            // read back as other characters, so such a text is written as UTF-8.
            QStringDecoder utf8(QStringConverter::Utf8);
            const std::optional<QString> asUtf8 = decodeStrict(utf8, *bytes);
            if (!asUtf8 || *asUtf8 == text) {
                return *bytes;
            }
        }
    }
    return text.toUtf8();
}

bool saveLines(const QString& path, const QStringList& lines, TextEncoding encoding) {
    QString text;
    qsizetype length = 0;
    for (const QString& line : lines) {
        length += line.size() + 2;
    }
    text.reserve(length);
    for (const QString& line : lines) {
        text += line;
        text += LineEnd;
    }
    const QByteArray bytes = encodeText(text, encoding);
    text.clear();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    // commit() closes the file without looking at the result of the last buffer's write: a full
    // disk would leave an empty or cut-off file in place of the old one. flush() reports it.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace

struct IniSnapshot::Index {
    QString section;
    bool complete = true; // false when only the expected keys were indexed
    std::unordered_map<QStringView, QStringView, NameHash, SameName> values;
};

void IniSnapshot::expectKeys(const QStringList& keys) {
    m_expected = keys;
    m_index.reset();
}

QString IniFile::readString(const QString& path, const QString& section, const QString& key,
                            const QString& defaultValue) {
    return IniSnapshot(path).readString(section, key, defaultValue);
}

int IniFile::readInt(const QString& path, const QString& section, const QString& key, int defaultValue) {
    return IniSnapshot(path).readInt(section, key, defaultValue);
}

int IniFile::parseLeadingInt(const QString& text) {
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    long long magnitude = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9') {
            break;
        }
        // Saturate rather than overflow on absurdly long digit runs.
        if (magnitude <= static_cast<long long>(INT_MAX) + 1) {
            magnitude = magnitude * 10 + (c - u'0');
        }
    }
    const long long value = negative ? -magnitude : magnitude;
    if (value > INT_MAX) {
        return INT_MAX;
    }
    if (value < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(value);
}

bool IniFile::writeString(const QString& path, const QString& section, const QString& key,
                          const QString& value) {
    return writeStrings(path, section, {{key, value}});
}

namespace {

bool acceptableEntries(const QString& path, const QString& section,
                       const QList<QPair<QString, QString>>& entries) {
    if (path.isEmpty() || !acceptableSection(section)) {
        return false;
    }
    for (const auto& [key, value] : entries) {
        if (!acceptableKey(key) || hasLineBreak(value) || value.contains(QChar(u'\0'))) {
            return false;
        }
    }
    return true;
}

} // namespace

bool IniFile::replaceWithStrings(const QString& path, const QString& section,
                                 const QList<QPair<QString, QString>>& entries) {
    if (!acceptableEntries(path, section, entries)) {
        return false;
    }
    const QFileInfo info(path);
    if (info.exists() && (!info.isFile() || isReadOnlyFile(path))) {
        return false;
    }
    QStringList lines;
    applyWrites(lines, section, entries);
    return saveLines(path, lines, TextEncoding::Utf8);
}

bool IniFile::writeStrings(const QString& path, const QString& section,
                           const QList<QPair<QString, QString>>& entries) {
    if (!acceptableEntries(path, section, entries)) {
        return false;
    }
    if (entries.isEmpty()) {
        return true;
    }
    IniLines file = loadLines(path);
    if (!file.writable || isReadOnlyFile(path)) {
        return false;
    }
    applyWrites(file.lines, section, entries);
    return saveLines(path, file.lines, file.encoding);
}

IniSnapshot::IniSnapshot(const QString& path) {
    IniLines file = loadLines(path);
    m_lines = std::move(file.lines);
    m_status = !file.exists ? Status::Missing : file.readable ? Status::Read : Status::Unreadable;
}

IniSnapshot IniSnapshot::fromEntries(const QString& section, const QList<QPair<QString, QString>>& entries) {
    IniSnapshot snapshot;
    snapshot.m_status = Status::Read;
    snapshot.m_lines.reserve(entries.size() + 1);
    snapshot.m_lines.append(QLatin1Char('[') + section + QLatin1Char(']'));
    for (const auto& [key, value] : entries) {
        snapshot.m_lines.append(key + QLatin1Char('=') + value);
    }
    return snapshot;
}

bool IniSnapshot::hasSection(const QString& section) const {
    return findSection(m_lines, section).header >= 0;
}

std::optional<QStringView> IniSnapshot::findValue(const QString& section, const QString& key) const {
    // Restoring a window reads 64 keys: the section is indexed once, so a file with a million
    // foreign lines costs one pass, not one per key.
    const QStringView wanted = stripBlanks(section);
    const QStringView name = stripBlanks(key);
    NameSet expected;
    for (const QString& k : m_expected) {
        expected.insert(stripBlanks(k));
    }
    const bool partialWillDo = !m_expected.isEmpty() && expected.count(name) != 0;
    if (!m_index || !sameName(m_index->section, wanted) || (!m_index->complete && !partialWillDo)) {
        m_index = std::make_shared<Index>();
        m_index->section = wanted.toString();
        m_index->complete = !partialWillDo;
        const SectionRange range = findSection(m_lines, wanted);
        if (range.header >= 0) {
            const KeyIndex keys = indexKeys(m_lines, range, partialWillDo ? &expected : nullptr);
            m_index->values.reserve(keys.size());
            for (const auto& [found, line] : keys) {
                m_index->values.emplace(found, parseKeyLine(m_lines.at(line))->value);
            }
        }
    }
    const auto found = m_index->values.find(name);
    if (found == m_index->values.end()) {
        return std::nullopt;
    }
    return found->second;
}

QString IniSnapshot::readString(const QString& section, const QString& key,
                                const QString& defaultValue) const {
    const std::optional<QStringView> value = findValue(section, key);
    if (!value) {
        return defaultValue;
    }
    return stripBlanks(cutValue(stripBlanks(*value))).toString();
}

int IniSnapshot::readInt(const QString& section, const QString& key, int defaultValue) const {
    const std::optional<QStringView> value = findValue(section, key);
    if (!value) {
        return defaultValue;
    }
    return IniFile::parseLeadingInt(stripBlanks(cutValue(stripBlanks(*value))).toString());
}

} // namespace quarbel::document
