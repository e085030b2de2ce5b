#include "platform/Shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace quarbel::platform {

namespace {

// Checks that give the user a precise reason before the launcher's bare yes/no.
std::optional<ShellError> checkFile(const QFileInfo& info) {
    if (info.filePath().isEmpty() || !info.exists()) {
        return pictureError(ErrFileNotFound);
    }
    if (info.isDir()) {
        return pictureError(ErrPathFileAccess);
    }
    return std::nullopt;
}

class QtShell : public Shell {
public:
    std::optional<ShellError> startProgram(const QString& program, const QString& workingDir) override {
        const QFileInfo info(program);
        if (auto error = checkFile(info)) {
            return error;
        }
        // A file without execute permission cannot be started; say so rather than "not found".
        if (!info.isExecutable()) {
            return pictureError(ErrPermissionDenied);
        }
        if (!QProcess::startDetached(info.absoluteFilePath(), {}, workingDir)) {
            return pictureError(ErrPermissionDenied);
        }
        return std::nullopt;
    }

    std::optional<ShellError> openDocument(const QString& path) override {
        const QFileInfo info(path);
        if (auto error = checkFile(info)) {
            return error;
        }
        // False when the desktop has no program for the file (no browser configured).
        if (!QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath()))) {
            return pictureError(ErrDeviceUnavailable);
        }
        return std::nullopt;
    }
};

} // namespace

std::unique_ptr<Shell> makeQtShell() {
    return std::make_unique<QtShell>();
}

std::optional<ShellError> RecordingShell::nextResult() {
    if (m_failures.isEmpty()) {
        return std::nullopt;
    }
    return m_failures.takeFirst();
}

std::optional<ShellError> RecordingShell::startProgram(const QString& program, const QString& workingDir) {
    m_requests.append({Request::Program, program, workingDir});
    return nextResult();
}

std::optional<ShellError> RecordingShell::openDocument(const QString& path) {
    m_requests.append({Request::Document, path, QString()});
    return nextResult();
}

} // namespace quarbel::platform
