#pragma once

// Starting another program and opening a page in the user's browser. Windows call them through
// this interface so that tests can see what would be started without starting anything.

#include "platform/RunTimeError.h"

#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace quarbel::platform {

// The same number, source and description as every other reported run-time failure.
using ShellError = RunTimeError;

class Shell {
public:
    virtual ~Shell() = default;
    // Starts program without arguments, in workingDir, and does not wait for it.
    virtual std::optional<ShellError> startProgram(const QString& program, const QString& workingDir) = 0;
    // Opens a local page with the desktop's opener (xdg-open) and calls done with whether it did;
    // done may be called after returning, once the opener has given its answer.
    virtual void openPage(const QString& path, std::function<void(bool opened)> done) = 0;
};

// The desktop's own launcher.
std::unique_ptr<Shell> makeQtShell();

} // namespace quarbel::platform
