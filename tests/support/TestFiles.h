#pragma once

// Whole-file reads and writes for tests that check what ends up on disk.

#include <QByteArray>
#include <QFile>
#include <QString>

namespace quarbel::testing {

// Empty when the file cannot be read, so a missing file compares unequal to any content.
inline QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

} // namespace quarbel::testing
