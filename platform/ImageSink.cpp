#include "platform/ImageSink.h"

#include "platform/ImageSurface.h"

#include <algorithm>

namespace quarbel::platform {

void ImageSink::resize(int width, int height) {
    if (width == m_image.width() && height == m_image.height()) {
        return;
    }
    m_image = width > 0 && height > 0 ? QImage(width, height, QImage::Format_RGB32) : QImage();
}

void ImageSink::clear() {
    if (!m_image.isNull()) {
        m_image.fill(Qt::white);
    }
}

void ImageSink::writeRow(int y, std::span<const engine::Packed> colours) {
    if (y < 0 || y >= m_image.height()) {
        return;
    }
    auto* row = reinterpret_cast<QRgb*>(m_image.scanLine(y));
    const std::size_t count = std::min(colours.size(), static_cast<std::size_t>(m_image.width()));
    for (std::size_t x = 0; x < count; ++x) {
        row[x] = rgbFromPacked(colours[x]);
    }
}

} // namespace quarbel::platform
