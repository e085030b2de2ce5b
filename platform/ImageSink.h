#pragma once

// The Stereo image as the converters write it: a QImage owned by the sink.

#include "engine/PixelSurface.h"

#include <QImage>
#include <utility>

namespace quarbel::platform {

class ImageSink : public engine::RowSink {
public:
    // Width or height 0 (or less) gives a null image.
    void resize(int width, int height) override;
    // The background is white.
    void clear() override;
    // Rows outside the image are ignored; extra colours beyond the width are dropped.
    void writeRow(int y, std::span<const engine::Packed> colours) override;
    // Nobody looks at the picture before the run ends.
    bool shownWhileDrawn() const override { return false; }

    const QImage& image() const { return m_image; }
    QImage takeImage() { return std::exchange(m_image, QImage()); }

private:
    QImage m_image;
};

} // namespace quarbel::platform
