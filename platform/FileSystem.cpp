#include "platform/FileSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace quarbel::platform {

QStringList listFiles(const QString& dir, const QString& pattern) {
    QDir folder(dir);
    if (!folder.exists()) {
        return {};
    }
    return folder.entryList({pattern}, QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

bool setFileAttributes(const QString& path, FileAttributes) {
    return QFileInfo::exists(path);
}

bool deleteFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        return false;
    }
    return QFile::remove(path);
}

bool sameFile(const QString& a, const QString& b) {
    const QFileInfo left(a);
    const QFileInfo right(b);
    const QString canonicalLeft = left.canonicalFilePath();
    if (!canonicalLeft.isEmpty() && canonicalLeft == right.canonicalFilePath()) {
        return true;
    }
    return QDir::cleanPath(left.absoluteFilePath()) == QDir::cleanPath(right.absoluteFilePath());
}

} // namespace quarbel::platform
