#include "document/DocumentState.h"

#include "document/StateFile.h"

#include <algorithm>

namespace quarbel::document {

bool DocumentControls::buttonMenuEnabled(int b, int e) const {
    const auto it = buttonMenus.find({b, e});
    return it != buttonMenus.end() && it->second;
}

void DocumentControls::setSliderValue(Slider s, int v) {
    const auto i = static_cast<std::size_t>(s);
    sliderValues[i] = std::clamp(v, 0, SliderMaximum[i]);
}

namespace {

// The controls' flags and slider values from one set to another, in the state file's order, so
// that the slider handling runs as a restore from the file runs it.
void copyControls(const SharedControls& from, SharedControls& to) {
    for (const StateKey& k : StateKeyTable()) {
        switch (k.kind) {
        case StateKeyKind::FileNamePath:
        case StateKeyKind::Text:
            break;
        case StateKeyKind::SliderValue:
            to.setSliderValue(static_cast<Slider>(k.index), from.sliderValue(static_cast<Slider>(k.index)));
            break;
        case StateKeyKind::MenuFlag:
            to.setMenuEnabled(static_cast<Menu>(k.index), from.menuEnabled(static_cast<Menu>(k.index)));
            break;
        case StateKeyKind::ButtonFlag:
            to.setButtonEnabled(k.index, from.buttonEnabled(k.index));
            break;
        case StateKeyKind::CaptionFlag:
            to.setCaptionEnabled(k.index, from.captionEnabled(k.index));
            break;
        case StateKeyKind::SliderFlag:
            to.setSliderEnabled(static_cast<Slider>(k.index),
                                from.sliderEnabled(static_cast<Slider>(k.index)));
            break;
        }
    }
}

} // namespace

DocumentState captureDocument(const DocumentFields& fields, const SharedControls& controls) {
    DocumentState document;
    document.fields = fields;
    copyControls(controls, document.controls);
    document.controls.setButtonMenuEnabled(9, 2, controls.buttonMenuEnabled(9, 2));
    document.controls.setConvStartCaption(controls.convStartCaption());
    return document;
}

void showDocument(const DocumentState& document, DocumentFields& fields, SharedControls& controls) {
    const DocumentFields& from = document.fields;
    // The texts come first, as in the file.
    fields.PicDesignPath = from.PicDesignPath;
    fields.PicFieldPath = from.PicFieldPath;
    fields.PicStereoPath = from.PicStereoPath;
    fields.StereoName = from.StereoName;
    fields.MonoOrColor = from.MonoOrColor;
    copyControls(document.controls, controls);
}

} // namespace quarbel::document
