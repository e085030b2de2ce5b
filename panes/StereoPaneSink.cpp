#include "panes/StereoPaneSink.h"

#include "platform/ImageSurface.h"

#include <QPainter>
#include <algorithm>

namespace quarbel::panes {

void StereoPaneSink::resize(int width, int height) {
    QImage& current = m_pane.pictureForWriting();
    if (width <= 0 || height <= 0) {
        m_pane.setPicture(QImage());
        return;
    }
    if (current.size() == QSize(width, height) && current.format() == QImage::Format_RGB32) {
        return; // a resumed run keeps the rows already drawn
    }
    QImage resized(width, height, QImage::Format_RGB32);
    resized.fill(Qt::white);
    if (!current.isNull()) {
        QPainter painter(&resized);
        painter.drawImage(0, 0, current);
    }
    m_pane.setPicture(resized);
}

void StereoPaneSink::clear() {
    m_pane.pictureForWriting().fill(Qt::white);
    m_pane.update();
}

void StereoPaneSink::writeRow(int y, std::span<const engine::Packed> colours) {
    QImage& image = m_pane.pictureForWriting();
    if (image.isNull() || y < 0 || y >= image.height()) {
        return;
    }
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    const auto count = std::min<std::size_t>(colours.size(), static_cast<std::size_t>(image.width()));
    for (std::size_t x = 0; x < count; ++x) {
        line[x] = platform::rgbFromPacked(colours[x]);
    }
    m_pane.repaintRows(y, 1);
}

} // namespace quarbel::panes
