#include "platform/Shell.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace quarbel::platform {

namespace {

// Checks that give the user a precise reason before the launcher's bare yes/no.
std::optional<ShellError> checkFile(const QFileInfo& info) {
    if (info.filePath().isEmpty() || !info.exists()) {
        return runTimeError(ErrFileNotFound);
    }
    if (info.isDir()) {
        return runTimeError(ErrPathFileAccess);
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
            return runTimeError(ErrPermissionDenied);
        }
        if (!QProcess::startDetached(info.absoluteFilePath(), {}, workingDir)) {
            return runTimeError(ErrPermissionDenied);
        }
        return std::nullopt;
    }

    void openPage(const QString& path, std::function<void(bool opened)> done) override {
        // The opener's exit status is the only sign that a browser exists; a desktop without one
        // makes it fail at once.
        const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
        if (opener.isEmpty() || !QFileInfo(path).isFile()) {
            done(false);
            return;
        }
        auto* process = new QProcess;
        auto answered = std::make_shared<bool>(false);
        const auto answer = [process, answered, done](bool opened) {
            if (*answered) {
                return;
            }
            *answered = true;
            process->deleteLater();
            done(opened);
        };
        QObject::connect(process, &QProcess::finished, process,
                         [answer](int code, QProcess::ExitStatus status) {
                             answer(status == QProcess::NormalExit && code == 0);
                         });
        QObject::connect(process, &QProcess::errorOccurred, process, [answer](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart) {
                answer(false);
            }
        });
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        process->start(opener, {QFileInfo(path).absoluteFilePath()});
    }
};

} // namespace

std::unique_ptr<Shell> makeQtShell() {
    return std::make_unique<QtShell>();
}

} // namespace quarbel::platform
