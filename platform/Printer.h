#pragma once

// Printing one picture on the default printer. Windows call it through this interface so that
// tests can see what would be printed without a printer.
//
// Every length here is in points (1/72 inch) on the sheet held upright (portrait), origin at the
// top-left corner, y growing downwards.

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QTransform>
#include <memory>
#include <optional>
#include <variant>

namespace quarbel::platform {

// The paper the default printer uses and the part of it the printer can mark.
struct Sheet {
    QString printer; // the queue's name, for messages
    QString media;   // the print system's name for the paper; empty for its default
    QSizeF paper;
    QRectF printable;
};

enum class Orientation { Portrait, Landscape };

// A picture printed at a physical size, unscaled, at the top-left corner of the printable area
// of the sheet as the reader holds it.
struct PrintJob {
    QString title;
    QImage image;
    QSizeF size;
    Sheet sheet;
    Orientation orientation = Orientation::Portrait;
};

enum class PrintError {
    NoPrinter,    // no printer is set up at all
    NoDefault,    // several printers and none chosen as the default; reason lists them
    NotAccepting, // the queue refuses jobs
    Stopped,      // the printer is paused or out of order
    JobFailed,    // the print system did not take the job
};

struct PrintFailure {
    PrintError error = PrintError::NoPrinter;
    QString printer;
    QString reason; // the print system's own words; may be empty
};

class Printer {
public:
    virtual ~Printer() = default;
    // The default printer's sheet (the only printer's when there is one and no default), or why
    // nothing can be printed on it now.
    virtual std::variant<Sheet, PrintFailure> defaultSheet() = 0;
    // Sends job to its sheet's printer without a dialog; the failure when the job was not taken.
    virtual std::optional<PrintFailure> print(const PrintJob& job) = 0;
};

// The system's default printer through CUPS.
std::unique_ptr<Printer> makeSystemPrinter();

// Portrait when the picture fits the printable area that way, else landscape when it fits so;
// nullopt when it fits neither way.
std::optional<Orientation> orientationThatFits(QSizeF picture, const Sheet& sheet);

// Maps the picture (points, its top-left at the origin) onto the upright sheet: its top-left
// corner at the printable area's top-left corner as the sheet is read in orientation.
QTransform pictureOnSheet(const Sheet& sheet, Orientation orientation);

// A one-page PDF of job: the picture's pixels as they are (lossless, never smoothed) on a page of
// the sheet's paper size.
QByteArray pdfOfJob(const PrintJob& job);

} // namespace quarbel::platform
