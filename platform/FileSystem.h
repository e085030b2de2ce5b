#pragma once

// File operations the documents need: list by pattern (hidden files included), attributes, delete.

#include <QString>
#include <QStringList>

namespace quarbel::platform {

enum class FileAttributes { Normal, Hidden };

// Names (not paths) of the files in dir matching a wildcard pattern such as "*.tmp", hidden files
// included, sorted by name.
QStringList listFiles(const QString& dir, const QString& pattern);

// Linux file systems have no hidden attribute: the names stay exactly as they are and this only
// reports whether the file exists.
bool setFileAttributes(const QString& path, FileAttributes attributes);

// Deletes a file; false when it is missing or cannot be deleted.
bool deleteFile(const QString& path);

// The second line of a save-failure message: what the system shows about path and its folder after
// a write of bytesNeeded bytes to path failed (no folder, no permission, no room), or what to check
// when it shows nothing.
QString writeProblemAdvice(const QString& path, qint64 bytesNeeded = 0);

// True when the system refuses to create files in dir for lack of permission (write or search
// permission, a read-only folder or mount).
bool folderRefusesWrites(const QString& dir);

// True when two names name one file: typed differently (a ".."), through a linked folder, or as two
// hard links of one file. A name not yet written is compared through its resolved folder.
bool sameFile(const QString& a, const QString& b);

} // namespace quarbel::platform
