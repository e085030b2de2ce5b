// Reads an arbitrary file as an INI file, writes every value back, and reads again: the same keys
// give the same values, every other line stays as it was, and nothing beside the file changes.
#include "FuzzSupport.h"
#include "document/IniFile.h"

#include <QByteArray>
#include <QFile>
#include <QStringDecoder>
#include <cstddef>
#include <cstdint>
#include <optional>

using quarbel::document::IniFile;
using quarbel::document::IniSectionName;
using quarbel::fuzz::require;

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Blanks as the INI format counts them: ASCII only.
QString stripBlanks(const QString& text) {
    qsizetype begin = 0, end = text.size();
    const auto blank = [](QChar c) {
        return c.unicode() < 128 && QByteArrayView(" \t\r\n\v\f").contains(char(c.unicode()));
    };
    while (begin < end && blank(text.at(begin)))
        ++begin;
    while (end > begin && blank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

std::optional<QString> decode(const char* encoding, const QByteArray& bytes) {
    QStringDecoder decoder(encoding);
    if (!decoder.isValid())
        return std::nullopt;
    QString text = decoder.decode(bytes);
    text += decoder.decode(QByteArrayView());
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

// The lines as the reader takes them: UTF-8 when the bytes are that, else CP932; nothing for others.
std::optional<QStringList> linesOf(QByteArray bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    if (bytes.contains('\0'))
        return std::nullopt;
    std::optional<QString> text = decode("UTF-8", bytes);
    for (const char* encoding : {"windows-31j", "CP932", "Shift_JIS"}) {
        if (text)
            break;
        if (QStringDecoder(encoding).isValid())
            text = decode(encoding, bytes).value_or(QString(QChar(0)));
    }
    if (!text || text->contains(QChar(0)))
        return std::nullopt;
    QStringList lines = text->split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QString& line : lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    return lines;
}

// Key names a file may hold: the text before '=' on each line, as far as a writer accepts it.
QStringList candidateKeys(const QStringList& lines) {
    QStringList keys;
    for (const QString& line : lines) {
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0)
            continue;
        const QString key = stripBlanks(line.left(equals));
        if (key.isEmpty() || key.startsWith(QLatin1Char('[')) || key.contains(QLatin1Char('\r')))
            continue;
        bool seen = false;
        for (const QString& k : keys)
            seen = seen || k.compare(key, Qt::CaseInsensitive) == 0;
        if (!seen && keys.size() < 32)
            keys.append(key);
    }
    keys.append(QStringLiteral("KurikaesiHaba"));
    return keys;
}

QStringList entries(const QDir& dir) {
    return dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    quarbel::fuzz::startApplication("ini_fuzzer");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QDir& dir = quarbel::fuzz::workFolder();
    const QString path = dir.filePath(QStringLiteral("state.ini"));
    const QByteArray original(reinterpret_cast<const char*>(data), qsizetype(size));
    {
        QFile file(path);
        require(file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                    file.write(original) == original.size(),
                "writing the input file");
    }
    const QStringList before = entries(dir);
    const std::optional<QStringList> lines = linesOf(original);
    const QStringList keys =
        candidateKeys(lines ? *lines : QString::fromUtf8(original).split(QLatin1Char('\n')));

    const QString missing = QStringLiteral("\x01missing");
    QList<QPair<QString, QString>> writes;
    QList<QString> values;
    for (const QString& key : keys) {
        const QString value = IniFile::readString(path, IniSectionName, key, missing);
        values.append(value);
        require(value == missing || value.size() <= quarbel::document::MaxIniValueLength,
                "a value beyond 255");
        if (value != missing && !value.contains(QLatin1Char('\r')))
            writes.append({key, value});
    }
    if (writes.isEmpty())
        return 0;

    const bool written = IniFile::writeStrings(path, IniSectionName, writes);
    require(entries(dir) == before, "a write left something beside the file");
    if (!written) {
        require(readAll(path) == original, "a refused write changed the file");
        return 0;
    }
    for (qsizetype i = 0; i < keys.size(); ++i) {
        require(IniFile::readString(path, IniSectionName, keys[i], missing) == values[i],
                "a value changed by writing it back");
    }
    // Every line stays, in its place; only the lines of the keys written back may differ.
    const std::optional<QStringList> after = linesOf(readAll(path));
    require(after.has_value(), "the written file cannot be read back");
    if (lines) {
        require(after->size() == lines->size(), "writing back added or removed lines");
        for (qsizetype i = 0; i < lines->size(); ++i) {
            if (lines->at(i) == after->at(i))
                continue;
            const qsizetype equals = lines->at(i).indexOf(QLatin1Char('='));
            require(equals > 0 &&
                        after->at(i).startsWith(stripBlanks(lines->at(i).left(equals)) + QLatin1Char('=')),
                    "a line other than a written key changed");
        }
    }
    return 0;
}
