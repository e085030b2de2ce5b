#include "document/AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace quarbel::document {

namespace {

bool canCreateFilesIn(const QString& dir) {
    if (!QFileInfo(dir).isDir()) {
        return false;
    }
    // QFileInfo::isWritable does not see every reason a write can fail (read-only mounts); try one.
    QTemporaryFile probe(QDir(dir).filePath(QStringLiteral("quarbel-probe-XXXXXX")));
    return probe.open();
}

} // namespace

QString applicationDirectoryFor(const QString& executableDir, const QString& fallbackDir) {
    if (!executableDir.isEmpty() && installedDataDirFor(executableDir).isEmpty() &&
        canCreateFilesIn(executableDir)) {
        return QDir::cleanPath(executableDir);
    }
    QDir().mkpath(fallbackDir);
    return QDir::cleanPath(fallbackDir);
}

QString installedDataDirFor(const QString& executableDir) {
    if (executableDir.isEmpty()) {
        return {};
    }
    const QString dir = QDir::cleanPath(QDir(executableDir).filePath(QStringLiteral(QUARBEL_DATA_FROM_BIN)));
    return QFileInfo(dir).isDir() ? dir : QString();
}

QString applicationDirectory() {
    return applicationDirectoryFor(QCoreApplication::applicationDirPath(),
                                   QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

QString pathInDir(const QString& dir, const QString& name) {
    return QDir::toNativeSeparators(QDir(dir).filePath(name));
}

} // namespace quarbel::document
