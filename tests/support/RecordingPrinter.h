#pragma once

// A printer that prints nothing; records each job and answers with a prepared sheet and failures.

#include "platform/Printer.h"

#include <QList>
#include <optional>
#include <variant>

namespace quarbel::testing {

class RecordingPrinter : public platform::Printer {
public:
    RecordingPrinter();

    void setSheet(const platform::Sheet& sheet) { m_sheet = sheet; }
    // The next defaultSheet() call fails so; with none queued, the sheet is given.
    void queueSheetFailure(const platform::PrintFailure& failure) { m_sheetFailures.append(failure); }
    // The next job fails so; with none queued, jobs are taken.
    void queueJobFailure(const platform::PrintFailure& failure) { m_jobFailures.append(failure); }

    std::variant<platform::Sheet, platform::PrintFailure> defaultSheet() override;
    std::optional<platform::PrintFailure> print(const platform::PrintJob& job) override;

    const QList<platform::PrintJob>& jobs() const { return m_jobs; }
    int sheetRequests() const { return m_sheetRequests; }

private:
    platform::Sheet m_sheet;
    QList<platform::PrintFailure> m_sheetFailures;
    QList<platform::PrintFailure> m_jobFailures;
    QList<platform::PrintJob> m_jobs;
    int m_sheetRequests = 0;
};

} // namespace quarbel::testing
