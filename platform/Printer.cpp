#include "platform/Printer.h"

namespace quarbel::platform {

namespace {

// Page sizes come from the print system in hundredths of millimetres; a few hundredths of a
// point of rounding must not turn a picture that fits into one that does not.
constexpr qreal kFitTolerance = 0.01;

bool fitsWithin(QSizeF picture, QSizeF area) {
    return picture.width() <= area.width() + kFitTolerance &&
           picture.height() <= area.height() + kFitTolerance;
}

} // namespace

std::optional<Orientation> orientationThatFits(QSizeF picture, const Sheet& sheet) {
    if (fitsWithin(picture, sheet.printable.size())) {
        return Orientation::Portrait;
    }
    if (fitsWithin(picture.transposed(), sheet.printable.size())) {
        return Orientation::Landscape;
    }
    return std::nullopt;
}

QTransform pictureOnSheet(const Sheet& sheet, Orientation orientation) {
    const QRectF area = sheet.printable;
    if (orientation == Orientation::Portrait) {
        return QTransform::fromTranslate(area.left(), area.top());
    }
    // Landscape is the upright sheet turned a quarter clockwise for reading: the reader's
    // top-left corner is the upright sheet's bottom-left, the picture's rows run up the sheet and
    // its columns to the right.
    return {0.0, -1.0, 1.0, 0.0, area.left(), area.bottom()};
}

} // namespace quarbel::platform
