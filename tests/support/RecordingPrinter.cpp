#include "support/RecordingPrinter.h"

namespace quarbel::testing {

// An A4 sheet that can be marked to its edges.
RecordingPrinter::RecordingPrinter()
    : m_sheet{QStringLiteral("Recording"), QStringLiteral("iso_a4_210x297mm"), QSizeF(595.28, 841.89),
              QRectF(0, 0, 595.28, 841.89)} {}

std::variant<platform::Sheet, platform::PrintFailure> RecordingPrinter::defaultSheet() {
    ++m_sheetRequests;
    if (!m_sheetFailures.isEmpty()) {
        return m_sheetFailures.takeFirst();
    }
    return m_sheet;
}

std::optional<platform::PrintFailure> RecordingPrinter::print(const platform::PrintJob& job) {
    if (!m_jobFailures.isEmpty()) {
        return m_jobFailures.takeFirst();
    }
    m_jobs.append(job);
    return std::nullopt;
}

} // namespace quarbel::testing
