#include "document/IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <algorithm>
#include <climits>
#include <optional>

namespace quarbel::document {

namespace {

// Larger files are not INI files we could have written; reading them whole would only cost memory,
// and rewriting them could destroy something the user picked by mistake.
constexpr qint64 MaxIniFileSize = 16 * 1024 * 1024;

const QLatin1StringView LineEnd("\r\n");

bool isBlank(QChar c) {
    const char16_t u = c.unicode();
    return u == u' ' || u == u'\t' || u == u'\r' || u == u'\n' || u == u'\v' || u == u'\f';
}

// Only ASCII blanks are stripped, as the platform's profile functions do: a full-width space at
// the end of a Japanese file name is part of the name.
QString stripBlanks(const QString& text) {
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
QString cutValue(const QString& value) {
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
std::optional<QString> decodeCp932(const QByteArray& bytes) {
    for (const char* name : {"windows-31j", "CP932", "Shift_JIS"}) {
        QStringDecoder decoder(name);
        if (decoder.isValid()) {
            return decodeStrict(decoder, bytes);
        }
    }
    return std::nullopt;
}

// One INI file held as its lines, without line ends.
struct IniLines {
    QStringList lines;
    bool exists = false;
    // False when the file must not be rewritten: unreadable, too large, binary, or in an encoding
    // we cannot turn back into the same text.
    bool writable = true;
};

IniLines loadLines(const QString& path) {
    IniLines result;
    QFile file(path);
    if (!file.exists()) {
        return result;
    }
    result.exists = true;
    const QFileInfo info(path);
    if (info.isDir() || info.size() > MaxIniFileSize || !file.open(QIODevice::ReadOnly)) {
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
std::optional<QString> sectionName(const QString& line) {
    const QString stripped = stripBlanks(line);
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
    QString key;
    QString value;
};

std::optional<KeyLine> parseKeyLine(const QString& line) {
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

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Line range [header, end) of the first section with this name; header is -1 when missing.
struct SectionRange {
    qsizetype header = -1;
    qsizetype end = -1;
};

SectionRange findSection(const QStringList& lines, const QString& section) {
    SectionRange range;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const std::optional<QString> name = sectionName(lines.at(i));
        if (!name) {
            continue;
        }
        if (range.header >= 0) {
            range.end = i;
            return range;
        }
        if (sameName(*name, stripBlanks(section))) {
            range.header = i;
        }
    }
    if (range.header >= 0) {
        range.end = lines.size();
    }
    return range;
}

// Index of the first line of the section that holds key, or -1.
qsizetype findKey(const QStringList& lines, const SectionRange& range, const QString& key) {
    for (qsizetype i = range.header + 1; i < range.end; ++i) {
        const std::optional<KeyLine> parsed = parseKeyLine(lines.at(i));
        if (parsed && sameName(parsed->key, key)) {
            return i;
        }
    }
    return -1;
}

std::optional<QString> findValue(const QStringList& lines, const QString& section, const QString& key) {
    const SectionRange range = findSection(lines, section);
    if (range.header < 0) {
        return std::nullopt;
    }
    const qsizetype at = findKey(lines, range, stripBlanks(key));
    if (at < 0) {
        return std::nullopt;
    }
    return parseKeyLine(lines.at(at))->value;
}

bool hasLineBreak(const QString& text) {
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
}

bool acceptableSection(const QString& section) {
    const QString name = stripBlanks(section);
    return !name.isEmpty() && !hasLineBreak(section) && !name.contains(QLatin1Char(']'));
}

bool acceptableKey(const QString& key) {
    const QString name = stripBlanks(key);
    return !name.isEmpty() && !hasLineBreak(key) && !name.contains(QLatin1Char('=')) &&
           !name.startsWith(QLatin1Char('['));
}

void applyWrite(QStringList& lines, const QString& section, const QString& key, const QString& value) {
    const QString keyName = stripBlanks(key);
    SectionRange range = findSection(lines, section);
    if (range.header < 0) {
        lines.append(QLatin1Char('[') + stripBlanks(section) + QLatin1Char(']'));
        lines.append(keyName + QLatin1Char('=') + value);
        return;
    }
    const qsizetype at = findKey(lines, range, keyName);
    if (at >= 0) {
        // The spelling of the name already in the file stays.
        lines[at] = parseKeyLine(lines.at(at))->key + QLatin1Char('=') + value;
        return;
    }
    qsizetype insertAt = range.end;
    while (insertAt > range.header + 1 && stripBlanks(lines.at(insertAt - 1)).isEmpty()) {
        --insertAt;
    }
    lines.insert(insertAt, keyName + QLatin1Char('=') + value);
}

bool isReadOnlyFile(const QString& path) {
    const QFileInfo info(path);
    // Checked on the permission bits, not by access(): an administrator's run must respect a file the
    // user marked read-only, and the rename below would otherwise replace it.
    return info.exists() && !(info.permissions() & QFileDevice::WriteOwner);
}

bool saveLines(const QString& path, const QStringList& lines) {
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
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    const QByteArray bytes = text.toUtf8();
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace

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

bool IniFile::writeStrings(const QString& path, const QString& section,
                           const QList<QPair<QString, QString>>& entries) {
    if (path.isEmpty() || !acceptableSection(section)) {
        return false;
    }
    for (const auto& [key, value] : entries) {
        if (!acceptableKey(key) || hasLineBreak(value) || value.contains(QChar(u'\0'))) {
            return false;
        }
    }
    if (entries.isEmpty()) {
        return true;
    }
    IniLines file = loadLines(path);
    if (!file.writable || isReadOnlyFile(path)) {
        return false;
    }
    for (const auto& [key, value] : entries) {
        applyWrite(file.lines, section, key, value);
    }
    return saveLines(path, file.lines);
}

IniSnapshot::IniSnapshot(const QString& path) : m_lines(loadLines(path).lines) {}

QString IniSnapshot::readString(const QString& section, const QString& key,
                                const QString& defaultValue) const {
    const std::optional<QString> value = findValue(m_lines, section, key);
    if (!value) {
        return defaultValue;
    }
    return stripBlanks(cutValue(stripBlanks(*value)));
}

int IniSnapshot::readInt(const QString& section, const QString& key, int defaultValue) const {
    const std::optional<QString> value = findValue(m_lines, section, key);
    if (!value) {
        return defaultValue;
    }
    return IniFile::parseLeadingInt(stripBlanks(cutValue(stripBlanks(*value))));
}

int ProfileIniReader::readInt(const std::string& path, std::string_view key, int defaultValue) const {
    return IniFile::readInt(QString::fromStdString(path), IniSectionName,
                            QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size())), defaultValue);
}

} // namespace quarbel::document
