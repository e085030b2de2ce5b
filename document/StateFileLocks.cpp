#include "document/StateFileLocks.h"

#include "document/AppPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

namespace quarbel::document {

namespace {

QString lockPathOf(const QString& statePath) {
    return statePath + QStringLiteral(".lock");
}

} // namespace

bool isStateFileName(const QString& name) {
    static const QRegularExpression pattern(QStringLiteral("^(Quarbel|QuarbelDoc)[0-9]+\\.tmp$"));
    return pattern.match(name).hasMatch();
}

std::unique_ptr<QLockFile> holdStateFile(const QString& statePath) {
    auto lock = std::make_unique<QLockFile>(lockPathOf(statePath));
    // A lock is given up only when the copy that wrote it is no longer running, never for its age:
    // an editor may stay open for days.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) {
        return nullptr;
    }
    return lock;
}

ClaimedStateFile claimStateFile(const QString& dir, const QString& stem, int firstNumber) {
    for (int number = std::max(1, firstNumber);; ++number) {
        const QString path = pathInDir(dir, stem + QString::number(number) + QStringLiteral(".tmp"));
        auto lock = std::make_unique<QLockFile>(lockPathOf(path));
        lock->setStaleLockTime(0);
        if (!lock->tryLock(0)) {
            if (lock->error() == QLockFile::LockFailedError) {
                continue; // held by a running copy
            }
            // A folder that takes no lock file takes no state file either; the window then works
            // unguarded rather than the program searching forever for a name.
            lock.reset();
        }
        if (QFileInfo::exists(path)) {
            continue; // a leftover of a crashed run; the lock goes with this pass
        }
        return {path, number, std::move(lock)};
    }
}

int removeUnheldStateFiles(const QString& dir) {
    int removed = 0;
    const QDir folder(dir);
    const QStringList names =
        folder.entryList({QStringLiteral("*.tmp")}, QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& name : names) {
        if (!isStateFileName(name)) {
            continue;
        }
        const QString path = pathInDir(dir, name);
        const std::unique_ptr<QLockFile> lock = holdStateFile(path);
        if (lock && QFile::remove(path)) {
            ++removed;
        }
    }
    // A lock whose window never wrote its file: taking it over from a copy that is gone and giving
    // it up removes it.
    const QString lockSuffix = QStringLiteral(".lock");
    const QStringList locks = folder.entryList({QStringLiteral("*.tmp") + lockSuffix},
                                               QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& name : locks) {
        const QString stateName = name.chopped(lockSuffix.size());
        if (isStateFileName(stateName) && !names.contains(stateName)) {
            holdStateFile(pathInDir(dir, stateName));
        }
    }
    return removed;
}

} // namespace quarbel::document
