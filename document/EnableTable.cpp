#include "document/EnableTable.h"

namespace quarbel::document {

void applyEnables(SharedControls& controls, std::span<const Enable> table) {
    for (const Enable& e : table) {
        switch (e.control) {
        case Control::Menu:
            controls.setMenuEnabled(static_cast<Menu>(e.id), e.on);
            break;
        case Control::Button:
            controls.setButtonEnabled(e.id, e.on);
            break;
        case Control::ButtonMenu:
            controls.setButtonMenuEnabled(e.id, e.entry, e.on);
            break;
        case Control::Caption:
            controls.setCaptionEnabled(e.id, e.on);
            break;
        case Control::Slider:
            controls.setSliderEnabled(static_cast<Slider>(e.id), e.on);
            break;
        }
    }
}

} // namespace quarbel::document
