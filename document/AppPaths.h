#pragma once

#include <QString>

namespace quarbel::document {

// The folder for the settings file, temporary state files and wizard pictures: the executable's
// folder when it is writable, otherwise the per-user data folder (created when missing), so that
// an installed copy still works.
QString applicationDirectory();

// The same choice for a given executable folder; exposed for tests.
QString applicationDirectoryFor(const QString& executableDir, const QString& fallbackDir);

// Full path of name inside dir, with the platform's separators.
QString pathInDir(const QString& dir, const QString& name);

} // namespace quarbel::document
