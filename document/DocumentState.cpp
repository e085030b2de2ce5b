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

DocumentState captureDocument(const DocumentFields& fields, const SharedControls& controls) {
    DocumentState document;
    document.fields = fields;
    DocumentControls& to = document.controls;
    for (const StateKey& k : StateKeyTable()) {
        switch (k.kind) {
        case StateKeyKind::FileNamePath:
        case StateKeyKind::Text:
            break;
        case StateKeyKind::SliderValue:
            to.setSliderValue(static_cast<Slider>(k.index),
                              controls.sliderValue(static_cast<Slider>(k.index)));
            break;
        case StateKeyKind::MenuFlag:
            to.setMenuEnabled(static_cast<Menu>(k.index), controls.menuEnabled(static_cast<Menu>(k.index)));
            break;
        case StateKeyKind::ButtonFlag:
            to.setButtonEnabled(k.index, controls.buttonEnabled(k.index));
            break;
        case StateKeyKind::CaptionFlag:
            to.setCaptionEnabled(k.index, controls.captionEnabled(k.index));
            break;
        case StateKeyKind::SliderFlag:
            to.setSliderEnabled(static_cast<Slider>(k.index),
                                controls.sliderEnabled(static_cast<Slider>(k.index)));
            break;
        }
    }
    to.setButtonMenuEnabled(9, 2, controls.buttonMenuEnabled(9, 2));
    to.setConvStartCaption(controls.convStartCaption());
    return document;
}

void showDocument(const DocumentState& document, DocumentFields& fields, SharedControls& controls) {
    const DocumentFields& from = document.fields;
    const DocumentControls& c = document.controls;
    // The texts come first, as in the file.
    fields.PicDesignPath = from.PicDesignPath;
    fields.PicFieldPath = from.PicFieldPath;
    fields.PicStereoPath = from.PicStereoPath;
    fields.StereoName = from.StereoName;
    fields.MonoOrColor = from.MonoOrColor;
    for (const StateKey& k : StateKeyTable()) {
        switch (k.kind) {
        case StateKeyKind::FileNamePath:
        case StateKeyKind::Text:
            break;
        case StateKeyKind::SliderValue:
            controls.setSliderValue(static_cast<Slider>(k.index),
                                    c.sliderValue(static_cast<Slider>(k.index)));
            break;
        case StateKeyKind::MenuFlag:
            controls.setMenuEnabled(static_cast<Menu>(k.index), c.menuEnabled(static_cast<Menu>(k.index)));
            break;
        case StateKeyKind::ButtonFlag:
            controls.setButtonEnabled(k.index, c.buttonEnabled(k.index));
            break;
        case StateKeyKind::CaptionFlag:
            controls.setCaptionEnabled(k.index, c.captionEnabled(k.index));
            break;
        case StateKeyKind::SliderFlag:
            controls.setSliderEnabled(static_cast<Slider>(k.index),
                                      c.sliderEnabled(static_cast<Slider>(k.index)));
            break;
        }
    }
}

} // namespace quarbel::document
