#pragma once

// Whole-file reads and writes for tests that check what ends up on disk.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtEndian>

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

// A 24-bit BMP header with no pixel rows, announcing width x height: only a refusal from the header
// can tell the size of what is not there.
inline QByteArray bmpHeaderOnly(qint32 width, qint32 height) {
    QByteArray bytes(54, '\0');
    bytes[0] = 'B';
    bytes[1] = 'M';
    qToLittleEndian<quint32>(54, bytes.data() + 10);
    qToLittleEndian<quint32>(40, bytes.data() + 14);
    qToLittleEndian<qint32>(width, bytes.data() + 18);
    qToLittleEndian<qint32>(height, bytes.data() + 22);
    qToLittleEndian<quint16>(1, bytes.data() + 26);
    qToLittleEndian<quint16>(24, bytes.data() + 28);
    return bytes;
}

} // namespace quarbel::testing
