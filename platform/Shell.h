#pragma once

// Starting another program and opening a page in the user's browser. Windows call them through
// this interface so that tests can see what would be started without starting anything.

#include <memory>
#include <optional>

#include <QList>
#include <QString>

#include "platform/Picture.h"

namespace quarbel::platform {

// The same number, source and description as every other reported run-time failure.
using ShellError = PictureError;

class Shell {
public:
    virtual ~Shell() = default;
    // Starts program without arguments, in workingDir, and does not wait for it.
    virtual std::optional<ShellError> startProgram(const QString& program, const QString& workingDir) = 0;
    // Opens a local file (a help page) with the user's browser or the file's usual program.
    virtual std::optional<ShellError> openDocument(const QString& path) = 0;
};

// The desktop's own launcher.
std::unique_ptr<Shell> makeQtShell();

// Starts nothing; records each request and answers with prepared failures, for tests.
class RecordingShell : public Shell {
public:
    struct Request {
        enum Kind { Program, Document } kind;
        QString path;
        QString workingDir; // empty for documents
    };

    // The next request fails with error; with none queued, requests succeed.
    void queueFailure(const ShellError& error) { m_failures.append(error); }

    std::optional<ShellError> startProgram(const QString& program, const QString& workingDir) override;
    std::optional<ShellError> openDocument(const QString& path) override;

    const QList<Request>& requests() const { return m_requests; }

private:
    std::optional<ShellError> nextResult();

    QList<ShellError> m_failures;
    QList<Request> m_requests;
};

} // namespace quarbel::platform
