#include "panes/StereoReveal.h"

#include "engine/DepthReveal.h"
#include "platform/DepthMapFile.h"
#include "platform/ImageSurface.h"

#include <optional>

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
    std::optional<StereoReading> given;
    if (repeatWidth >= 1 && repeatWidth <= surface.width() / 2) {
        options.repeatWidth = repeatWidth;
        given = readingOf(engine::revealStereogram(surface, options), false);
        if (given->problem == RevealProblem::None)
            return *given;
    }
    options.repeatWidth.reset();
    StereoReading found = readingOf(engine::revealStereogram(surface, options), true);
    // A picture that repeats in good part at the document's width, too damaged to read, says so
    // rather than that it does not repeat at all; below that share the repeats are chance.
    constexpr double RepeatsInPart = 0.15;
    if (found.problem == RevealProblem::NotAStereogram && given && given->matchedShare >= RepeatsInPart)
        return *given;
    return found;
}

} // namespace quarbel::panes
