#include "panes/StereoReveal.h"

#include "engine/DepthReveal.h"
#include "platform/DepthMap.h"
#include "platform/ImageSurface.h"

namespace quarbel::panes {

namespace {

StereoReading readingOf(const engine::RevealResult& result, bool found) {
    StereoReading reading;
    reading.repeatWidth = result.repeatWidth;
    reading.repeatFound = found;
    reading.matchedShare = result.matchedShare;
    switch (result.status) {
    case engine::RevealStatus::NotAStereogram:
        reading.problem = RevealProblem::NotAStereogram;
        break;
    case engine::RevealStatus::TooFewMatches:
        reading.problem = RevealProblem::TooFewMatches;
        break;
    case engine::RevealStatus::Ok:
        reading.design = platform::designFromLevels(result.width, result.height, result.levels.data());
        break;
    }
    return reading;
}

} // namespace

StereoReading designFromStereo(const QImage& stereo, int repeatWidth, int depth) {
    const platform::ImageSurface surface(stereo);
    engine::RevealOptions options;
    options.depth = depth;
    // The document's own repeat width first; a stereogram made with another one (found on the web,
    // made by another program) is read with the repeat width found in it.
    if (repeatWidth >= 1 && repeatWidth <= surface.width() / 2) {
        options.repeatWidth = repeatWidth;
        StereoReading reading = readingOf(engine::revealStereogram(surface, options), false);
        if (reading.problem == RevealProblem::None)
            return reading;
    }
    options.repeatWidth.reset();
    return readingOf(engine::revealStereogram(surface, options), true);
}

} // namespace quarbel::panes
