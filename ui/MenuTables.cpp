#include "ui/MenuTables.h"

#include <array>
#include <initializer_list>

namespace quarbel::ui {

namespace {

using document::Menu;
using document::SharedControls;
using document::Slider;

enum class Setting { On, Off, Same, OnUnlessRandomDot };

enum class Target { Menu, Button, ButtonMenu, Caption, Slider };

struct Row {
    Target target;
    int id;    // Menu, button index, caption index or Slider
    int entry; // button-menu entry (ButtonMenu only)
    Setting reset;
    Setting newDocument;
};

constexpr Row menu(Menu m, Setting reset, Setting newDocument) {
    return {Target::Menu, static_cast<int>(m), 0, reset, newDocument};
}
constexpr Row button(int index, Setting reset, Setting newDocument) {
    return {Target::Button, index, 0, reset, newDocument};
}

using S = Setting;

constexpr std::array kRows{
    menu(Menu::mnuFile, S::On, S::On),
    menu(Menu::mnuNew, S::On, S::On),
    menu(Menu::mnuWizard, S::On, S::On),
    menu(Menu::mnuFieldColor, S::On, S::On),
    menu(Menu::mnuColor, S::On, S::On),
    menu(Menu::mnuMono, S::On, S::On),
    menu(Menu::mnuOpen, S::On, S::On),
    menu(Menu::mnuSave, S::Off, S::Off),
    menu(Menu::mnuSaveName, S::Off, S::On),
    menu(Menu::mnuSaveGazou, S::Off, S::Off),
    menu(Menu::mnuSaveDesign, S::Off, S::Off),
    menu(Menu::mnuSaveField, S::Off, S::Off),
    menu(Menu::mnuSaveStereo, S::Off, S::Off),
    menu(Menu::mnuClose, S::Off, S::On),
    menu(Menu::mnuPrint, S::Off, S::Off),
    menu(Menu::mnuEnd, S::On, S::On),
    menu(Menu::mnuHensyuu, S::On, S::On),
    menu(Menu::mnuEditer, S::On, S::On),
    menu(Menu::mnuEditerChoice, S::On, S::On),
    menu(Menu::mnuEditerBoot, S::On, S::On),
    menu(Menu::mnuCut, S::Off, S::Off),
    menu(Menu::mnuCopy, S::Off, S::Off),
    menu(Menu::mnuClear, S::Off, S::Off),
    menu(Menu::mnuPaste, S::Off, S::Same),
    menu(Menu::mnuIns, S::On, S::On),
    menu(Menu::mnuInsDesign, S::Off, S::On),
    menu(Menu::mnuInsField, S::Off, S::OnUnlessRandomDot),
    menu(Menu::mnuInsStereo, S::Off, S::On),
    menu(Menu::mnuConvert, S::On, S::On),
    menu(Menu::mnuConvStart, S::Off, S::Off),
    menu(Menu::mnuConvStop, S::Off, S::Off),
    menu(Menu::mnuConvExit, S::Off, S::Off),
    menu(Menu::mnuWindow, S::On, S::On),
    menu(Menu::mnuHelp, S::On, S::On),
    menu(Menu::mnuInfomation, S::On, S::On),
    menu(Menu::mnuSetumei, S::On, S::On),
    button(1, S::On, S::On),
    button(2, S::On, S::On),
    button(3, S::Off, S::Off),
    button(4, S::Off, S::Off),
    button(5, S::On, S::On),
    button(10, S::On, S::On),
    button(14, S::On, S::On),
    button(6, S::Off, S::Off),
    button(7, S::Off, S::Off),
    button(8, S::Off, S::Same),
    button(9, S::Off, S::On),
    Row{Target::ButtonMenu, 9, 2, S::Same, S::OnUnlessRandomDot},
    button(11, S::Off, S::Off),
    button(12, S::Off, S::Off),
    button(13, S::Off, S::Off),
    Row{Target::Caption, 0, 0, S::Off, S::On},
    Row{Target::Caption, 1, 0, S::Off, S::On},
    Row{Target::Caption, 2, 0, S::Off, S::On},
    Row{Target::Slider, static_cast<int>(Slider::sldKurikaesi), 0, S::Off, S::On},
    Row{Target::Slider, static_cast<int>(Slider::sldRittaido), 0, S::Off, S::On},
    Row{Target::Slider, static_cast<int>(Slider::sldMitudo), 0, S::Off, S::On},
};

void apply(SharedControls& controls, const Row& row, Setting setting, bool randomDot) {
    if (setting == Setting::Same) {
        return;
    }
    const bool enabled = setting == Setting::On || (setting == Setting::OnUnlessRandomDot && !randomDot);
    switch (row.target) {
    case Target::Menu:
        controls.setMenuEnabled(static_cast<Menu>(row.id), enabled);
        break;
    case Target::Button:
        controls.setButtonEnabled(row.id, enabled);
        break;
    case Target::ButtonMenu:
        controls.setButtonMenuEnabled(row.id, row.entry, enabled);
        break;
    case Target::Caption:
        controls.setCaptionEnabled(row.id, enabled);
        break;
    case Target::Slider:
        controls.setSliderEnabled(static_cast<Slider>(row.id), enabled);
        break;
    }
}

} // namespace

void ResetMenus(SharedControls& controls) {
    for (const Row& row : kRows) {
        apply(controls, row, row.reset, false);
    }
}

void applyNewDocumentMenus(SharedControls& controls, const QString& stereoName) {
    const bool randomDot = stereoName == QLatin1String("RandomDot");
    for (const Row& row : kRows) {
        apply(controls, row, row.newDocument, randomDot);
    }
}

} // namespace quarbel::ui
