#include "platform/FileSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <algorithm>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

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

namespace {

// True when the system refuses the name for its length, in the file's folder or the nearest
// folder above it that exists.
bool nameTooLong(const QFileInfo& info) {
    const QByteArray name = QFile::encodeName(info.fileName());
    const QByteArray path = QFile::encodeName(info.absoluteFilePath());
    QString existing = info.absolutePath();
    while (!QFileInfo(existing).isDir()) {
        const QString up = QFileInfo(existing).path();
        if (up == existing) {
            break;
        }
        existing = up;
    }
    const long nameMax = ::pathconf(QFile::encodeName(existing).constData(), _PC_NAME_MAX);
    const long pathMax = ::pathconf(QFile::encodeName(existing).constData(), _PC_PATH_MAX);
    return (nameMax > 0 && name.size() > nameMax) || (pathMax > 0 && path.size() >= pathMax);
}

} // namespace

QString writeProblemAdvice(const QString& path, qint64 bytesNeeded) {
    const QFileInfo info(path);
    const QString folder = info.absolutePath();
    if (nameTooLong(info)) {
        return QStringLiteral("ファイル名が長すぎます。短い名前にしてください。");
    }
    if (!QFileInfo(folder).isDir()) {
        return QStringLiteral("保存先のフォルダーがありません。");
    }
    // A file marked read-only is not replaced, even by the administrator; a file or folder this user
    // may not write, and a read-only mount, refuse anyway.
    const bool fileLocked =
        info.exists() && (!(info.permissions() & QFileDevice::WriteOwner) || !info.isWritable());
    const QStorageInfo storage(folder);
    if (fileLocked || folderRefusesWrites(folder) || (storage.isValid() && storage.isReadOnly())) {
        return QStringLiteral("保存先に書き込む許可がありません。");
    }
    // Less than this is no room for a document or any picture worth saving.
    constexpr qint64 kNoRoom = 64 * 1024;
    if (storage.isValid() && storage.bytesAvailable() < std::max(kNoRoom, bytesNeeded)) {
        return QStringLiteral("保存先のディスクに空きがありません。");
    }
    return QStringLiteral("保存先の空き容量と書き込みの許可を確かめてください。");
}

bool folderRefusesWrites(const QString& dir) {
    if (::access(QFile::encodeName(dir).constData(), W_OK | X_OK) == 0) {
        return false;
    }
    return errno == EACCES || errno == EPERM || errno == EROFS;
}

namespace {

// The path with every link and ".." of its folder resolved; the file itself need not exist yet.
QString resolvedPath(const QFileInfo& info) {
    const QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty()) {
        return canonical;
    }
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? QDir::cleanPath(info.absoluteFilePath())
                            : folder + QLatin1Char('/') + info.fileName();
}

} // namespace

bool sameFile(const QString& a, const QString& b) {
    // Two existing names are one file when the system says so (hard links included).
    struct stat left {};
    struct stat right {};
    if (::stat(QFile::encodeName(a).constData(), &left) == 0 &&
        ::stat(QFile::encodeName(b).constData(), &right) == 0) {
        return left.st_dev == right.st_dev && left.st_ino == right.st_ino;
    }
    return resolvedPath(QFileInfo(a)) == resolvedPath(QFileInfo(b));
}

} // namespace quarbel::platform
