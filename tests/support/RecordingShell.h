#pragma once

// A shell that starts nothing; records each request and answers with prepared failures.

#include "platform/Shell.h"

#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace quarbel::testing {

class RecordingShell : public platform::Shell {
public:
    struct Request {
        enum Kind { Program, Document } kind;
        QString path;
        QString workingDir; // empty for documents
    };

    // The next request fails with error; with none queued, requests succeed.
    void queueFailure(const platform::ShellError& error) { m_failures.append(error); }

    std::optional<platform::ShellError> startProgram(const QString& program,
                                                     const QString& workingDir) override;
    // A queued failure makes the page fail to open.
    void openPage(const QString& path, std::function<void(bool opened)> done) override;

    const QList<Request>& requests() const { return m_requests; }

private:
    std::optional<platform::ShellError> nextResult();

    QList<platform::ShellError> m_failures;
    QList<Request> m_requests;
};

} // namespace quarbel::testing
