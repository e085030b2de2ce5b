#pragma once

// What every fuzz target shares: a GUI application for the metafile renderer's fonts, a folder of
// its own for the files a target writes, and a check that stops the run on a broken promise.

#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

namespace quarbel::fuzz {

inline void startApplication(const char* name) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char program[64];
    std::snprintf(program, sizeof program, "%s", name);
    static char* argv[] = {program, nullptr};
    static QGuiApplication application(argc, argv);
}

// Removed when the process ends. In memory where the system offers it: every INI write and every
// written picture is synced, which on a disk would make the target a hundred times slower.
inline const QDir& workFolder() {
    static QTemporaryDir folder(QDir(QStringLiteral("/dev/shm")).exists()
                                    ? QStringLiteral("/dev/shm/quarbel-fuzz-XXXXXX")
                                    : QDir::tempPath() + QStringLiteral("/quarbel-fuzz-XXXXXX"));
    static const QDir dir(folder.path());
    return dir;
}

// Reports a broken promise; libFuzzer saves the input that led here.
inline void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "broken promise: %s\n", what);
        std::abort();
    }
}

} // namespace quarbel::fuzz
