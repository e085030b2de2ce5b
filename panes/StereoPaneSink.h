#pragma once

// The converters write the Stereo image straight into picAfter, repainting each row as it lands.

#include "engine/PixelSurface.h"
#include "panes/PicturePane.h"

namespace quarbel::panes {

class StereoPaneSink : public engine::RowSink {
public:
    explicit StereoPaneSink(PicturePane& pane) : m_pane(pane) {}

    void resize(int width, int height) override;
    void clear() override;
    void writeRow(int y, std::span<const engine::Packed> colours) override;

private:
    PicturePane& m_pane;
};

} // namespace quarbel::panes
