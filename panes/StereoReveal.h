#pragma once

// Reading a Stereo picture back into the Design image it hides. The one place where the editor
// calls the engine's reveal.

#include <QImage>

namespace quarbel::panes {

enum class RevealProblem {
    None,
    NotAStereogram, // the picture does not repeat like a stereogram
    TooFewMatches,  // it repeats, but too little of it matches to trust the result
};

struct StereoReading {
    RevealProblem problem = RevealProblem::None;
    QImage design;             // in the 16 depth colours; null unless problem is None
    int repeatWidth = 0;       // the repeat width the picture was read with
    bool repeatFound = false;  // the given one did not fit; repeatWidth was found in the picture
    double matchedShare = 0.0; // share of the pixels whose separation was found
};

// The Design image hidden in stereo, read with the document's repeat width and depth. When too
// few pixels match with that repeat width, the repeat width is found in the picture; the levels
// still follow the document's depth.
StereoReading designFromStereo(const QImage& stereo, int repeatWidth, int depth);

} // namespace quarbel::panes
