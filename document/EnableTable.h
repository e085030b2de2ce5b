#pragma once

// One form for every change of the shared controls' enabled flags: a table of entries, applied in
// order by applyEnables.

#include "document/SharedControls.h"

#include <array>
#include <span>

namespace quarbel::document {

enum class Control { Menu, Button, ButtonMenu, Caption, Slider };

struct Enable {
    Control control;
    int id;    // Menu, toolbar button 1..14, caption 0..2 or Slider
    int entry; // the button's drop-down entry, 1-based (ButtonMenu only)
    bool on;
};

constexpr Enable menuSet(Menu menu, bool on) {
    return {Control::Menu, static_cast<int>(menu), 0, on};
}
constexpr Enable menuOn(Menu menu) {
    return menuSet(menu, true);
}
constexpr Enable menuOff(Menu menu) {
    return menuSet(menu, false);
}
constexpr Enable buttonSet(int index, bool on) {
    return {Control::Button, index, 0, on};
}
constexpr Enable buttonOn(int index) {
    return buttonSet(index, true);
}
constexpr Enable buttonOff(int index) {
    return buttonSet(index, false);
}
constexpr Enable buttonMenuSet(int button, int entry, bool on) {
    return {Control::ButtonMenu, button, entry, on};
}
constexpr Enable captionSet(int index, bool on) {
    return {Control::Caption, index, 0, on};
}
constexpr Enable sliderSet(Slider slider, bool on) {
    return {Control::Slider, static_cast<int>(slider), 0, on};
}

// A menu entry and the toolbar button that does the same thing change together.
constexpr std::array<Enable, 2> menuAndButtonSet(Menu menu, int button, bool on) {
    return {menuSet(menu, on), buttonSet(button, on)};
}
// Density (密度): its slider and its caption.
constexpr std::array<Enable, 2> densitySet(bool on) {
    return {sliderSet(Slider::sldMitudo, on), captionSet(2, on)};
}

void applyEnables(SharedControls& controls, std::span<const Enable> table);

} // namespace quarbel::document
