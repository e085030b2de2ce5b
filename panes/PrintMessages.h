#pragma once

// What the Print command tells the user.

#include <QSizeF>
#include <QString>

namespace quarbel::platform {
struct PrintFailure;
}

namespace quarbel::panes {

// Why nothing was printed, naming the printer.
QString printFailureMessage(const platform::PrintFailure& failure);
// The question asked before printing a picture (sizes in points) that fits the printable area
// neither upright nor turned.
QString tooLargeToPrintMessage(QSizeF picture, QSizeF printable);

} // namespace quarbel::panes
