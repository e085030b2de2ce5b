#pragma once

// The engine's view of a picture held in a QImage.

#include "engine/PixelSurface.h"

#include <QImage>

namespace quarbel::platform {

// Packed R + 256 G + 65536 B from a QImage pixel, and back (alpha set opaque).
inline engine::Packed packedFromRgb(QRgb rgb) {
    return static_cast<engine::Packed>(((rgb >> 16) & 0xFFu) | (rgb & 0xFF00u) | ((rgb & 0xFFu) << 16));
}

inline QRgb rgbFromPacked(engine::Packed colour) {
    const auto bits = static_cast<quint32>(colour);
    return 0xFF000000u | ((bits & 0xFFu) << 16) | (bits & 0xFF00u) | ((bits >> 16) & 0xFFu);
}

// Reads rows of a picture for the converters. Holds a shallow copy of the image (converted to
// RGB32 once if it has another format), so later changes to the caller's image do not show here.
class ImageSurface : public engine::PixelSurface {
public:
    ImageSurface() = default;
    explicit ImageSurface(const QImage& image);

    int width() const override { return m_image.width(); }
    int height() const override { return m_image.height(); }
    void readRow(int y, std::span<engine::Packed> out) const override;

    const QImage& image() const { return m_image; }

private:
    QImage m_image;
};

} // namespace quarbel::platform
