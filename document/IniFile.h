#pragma once

// INI-format files with private-profile semantics: one value per key, keys matched without
// regard to case, unknown lines kept in place, new keys appended at the end of their section.

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace quarbel::document {

inline const QString IniSectionName = QStringLiteral("Quarbel Ver.2");

// Longest value a read returns; longer values are cut.
inline constexpr int MaxIniValueLength = 255;

class IniFile {
public:
    // The value of key in section, at most MaxIniValueLength characters, without surrounding blanks;
    // defaultValue when the file, the section or the key is missing.
    static QString readString(const QString& path, const QString& section, const QString& key,
                              const QString& defaultValue);
    // The decimal number at the start of the value (0 when there is none); defaultValue when the key is
    // missing.
    static int readInt(const QString& path, const QString& section, const QString& key, int defaultValue);
    // Replaces the value where the key stands or appends the key to the section, creating the file and
    // the section when missing. The file is replaced atomically. Returns false, changing nothing, when the
    // value holds CR or LF, the key is empty, holds '=', CR or LF or starts with '[', or the file cannot be
    // written safely (missing folder, read-only, a directory, unreadable, binary or in an unknown encoding).
    // Lines end in CR LF; the file is written in UTF-8, a CP932 file is converted with its other lines kept.
    static bool writeString(const QString& path, const QString& section, const QString& key,
                            const QString& value);
    // Applies several writes in one atomic rewrite; the result equals writing them one by one in order.
    static bool writeStrings(const QString& path, const QString& section,
                             const QList<QPair<QString, QString>>& entries);

    // Replaces the whole file, atomically, by the section holding these entries (UTF-8, CR LF);
    // nothing of what the file held before stays. False, changing nothing, for the entries
    // writeStrings refuses, a file marked read-only or something that is not a regular file.
    static bool replaceWithStrings(const QString& path, const QString& section,
                                   const QList<QPair<QString, QString>>& entries);

    // The decimal number at the start of text, with an optional sign; 0 when there is none.
    // Numbers beyond the int range saturate.
    static int parseLeadingInt(const QString& text);
};

// INI files larger than this are not read: every key reads as missing.
inline constexpr qint64 MaxIniFileSize = 16 * 1024 * 1024;

// One reading of a file for many key reads (restoring a window reads 64 keys); the same results
// as IniFile's reads on the file as it was when the snapshot was taken. Reading a whole section
// costs one pass over the file, however many keys are read.
class IniSnapshot {
public:
    enum class Status {
        Read,       // the file was read (it may still lack the section)
        Missing,    // there is no such file: every key reads as missing
        Unreadable, // the file is there but could not be read (not a regular file, too large,
                    // no permission, a read error): every key reads as missing
    };

    explicit IniSnapshot(const QString& path);
    // The lines "[section]" and "key=value" for each entry, as if read from a file.
    static IniSnapshot fromEntries(const QString& section, const QList<QPair<QString, QString>>& entries);

    // Reading only these keys of the section (a window's 64): the index then holds them alone,
    // which spares a file with a million foreign lines a million-entry index. Another key can
    // still be read; it costs a full index.
    void expectKeys(const QStringList& keys);

    Status status() const { return m_status; }
    bool hasSection(const QString& section) const;
    QString readString(const QString& section, const QString& key, const QString& defaultValue) const;
    int readInt(const QString& section, const QString& key, int defaultValue) const;

private:
    struct Index;
    IniSnapshot() = default;
    std::optional<QStringView> findValue(const QString& section, const QString& key) const;

    QStringList m_lines;
    QStringList m_expected;
    Status m_status = Status::Missing;
    // The key index of the section read last; built on the first read of a section.
    mutable std::shared_ptr<Index> m_index;
};

} // namespace quarbel::document
