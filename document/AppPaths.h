#pragma once

#include <QString>

namespace quarbel::document {

// The folder for the settings file, temporary state files and wizard pictures: the executable's
// folder when it is writable and the program is not installed, otherwise the per-user data folder
// (created when missing). An installed copy shares its folder with other programs and users, so it
// never writes there, not even when run by an administrator who could.
QString applicationDirectory();

// The read-only data folder of an installed copy (help page, icons), found from the executable's
// folder as the install rules lay it out (bin/ beside share/quarbel/); empty when the program runs
// where it was built.
QString installedDataDirFor(const QString& executableDir);

// The same choice for a given executable folder; exposed for tests.
QString applicationDirectoryFor(const QString& executableDir, const QString& fallbackDir);

// Full path of name inside dir, with the platform's separators.
QString pathInDir(const QString& dir, const QString& name);

} // namespace quarbel::document
