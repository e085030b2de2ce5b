#include "platform/ImageSurface.h"

#include <algorithm>

namespace quarbel::platform {

ImageSurface::ImageSurface(const QImage& image)
    : m_image(image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32)) {}

void ImageSurface::readRow(int y, std::span<engine::Packed> out) const {
    std::size_t inside = 0;
    if (y >= 0 && y < m_image.height()) {
        inside = std::min(out.size(), static_cast<std::size_t>(m_image.width()));
        const auto* row = reinterpret_cast<const QRgb*>(m_image.constScanLine(y));
        for (std::size_t x = 0; x < inside; ++x) {
            out[x] = packedFromRgb(row[x]);
        }
    }
    std::fill(out.begin() + static_cast<std::ptrdiff_t>(inside), out.end(), engine::Packed{-1});
}

} // namespace quarbel::platform
