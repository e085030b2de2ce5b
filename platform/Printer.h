#pragma once

// Printing one picture on the default printer. Windows call it through this interface so that
// tests can see what would be printed without a printer.

#include <memory>
#include <optional>

#include <QImage>
#include <QList>
#include <QRectF>
#include <QSizeF>

namespace quarbel::platform {

// A picture printed at the top-left corner of the page, at a physical size, unscaled otherwise.
struct PrintPage {
    QImage image;
    QSizeF sizeInches;
};

enum class PrintError { NoPrinter, Failed };

class Printer {
public:
    virtual ~Printer() = default;
    // Prints page on the default printer without a dialog; the failure when nothing was printed.
    virtual std::optional<PrintError> printPage(const PrintPage& page) = 0;
};

// The system's default printer, the whole page usable (no margins).
std::unique_ptr<Printer> makeQtPrinter();

// Where a page's picture goes on a device of the given resolution: its top-left corner, its size.
QRectF placementOnPage(QSizeF sizeInches, qreal dotsPerInchX, qreal dotsPerInchY);

// Prints nothing; records each page and answers with prepared failures, for tests.
class RecordingPrinter : public Printer {
public:
    // The next page fails with error; with none queued, pages print.
    void queueFailure(PrintError error) { m_failures.append(error); }

    std::optional<PrintError> printPage(const PrintPage& page) override;

    const QList<PrintPage>& pages() const { return m_pages; }

private:
    QList<PrintError> m_failures;
    QList<PrintPage> m_pages;
};

} // namespace quarbel::platform
