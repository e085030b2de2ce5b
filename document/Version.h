#pragma once

#include <QString>

namespace quarbel::document {

// The version as the About box and --version show it; the number is the project's, set by the build.
inline QString versionText() {
    return QStringLiteral("Version " QUARBEL_VERSION);
}

} // namespace quarbel::document
