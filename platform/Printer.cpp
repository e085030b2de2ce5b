#include "platform/Printer.h"

#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace quarbel::platform {

namespace {

class QtPrinter : public Printer {
public:
    std::optional<PrintError> printPage(const PrintPage& page) override {
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (info.isNull()) {
            return PrintError::NoPrinter;
        }
        QPrinter printer(info, QPrinter::HighResolution);
        // The picture starts at the paper's corner, as on screen; no margins are added.
        printer.setFullPage(true);
        printer.setDocName(QStringLiteral("Quarbel"));
        if (!printer.isValid()) {
            return PrintError::NoPrinter;
        }
        QPainter painter;
        if (!painter.begin(&printer)) {
            return PrintError::Failed;
        }
        // Each dot is repeated, never blended: a stereogram's dots must stay sharp.
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.drawImage(placementOnPage(page.sizeInches, printer.logicalDpiX(), printer.logicalDpiY()), page.image);
        if (!painter.end() || printer.printerState() == QPrinter::Error ||
            printer.printerState() == QPrinter::Aborted) {
            return PrintError::Failed;
        }
        return std::nullopt;
    }
};

} // namespace

std::unique_ptr<Printer> makeQtPrinter() { return std::make_unique<QtPrinter>(); }

QRectF placementOnPage(QSizeF sizeInches, qreal dotsPerInchX, qreal dotsPerInchY) {
    return {0.0, 0.0, sizeInches.width() * dotsPerInchX, sizeInches.height() * dotsPerInchY};
}

std::optional<PrintError> RecordingPrinter::printPage(const PrintPage& page) {
    if (!m_failures.isEmpty()) {
        return m_failures.takeFirst();
    }
    m_pages.append(page);
    return std::nullopt;
}

} // namespace quarbel::platform
