#include "support/RecordingShell.h"

namespace quarbel::testing {

std::optional<platform::ShellError> RecordingShell::nextResult() {
    if (m_failures.isEmpty()) {
        return std::nullopt;
    }
    return m_failures.takeFirst();
}

std::optional<platform::ShellError> RecordingShell::startProgram(const QString& program,
                                                                 const QString& workingDir) {
    m_requests.append({Request::Program, program, workingDir});
    return nextResult();
}

void RecordingShell::openPage(const QString& path, std::function<void(bool opened)> done) {
    m_requests.append({Request::Document, path, QString()});
    done(!nextResult());
}

} // namespace quarbel::testing
