#include "document/RunStates.h"

#include <initializer_list>

#include "document/StateFile.h"

namespace quarbel::document {

namespace {

enum class Target { Menu, Button, Caption, Slider };

struct Entry {
    Target target;
    int id; // Menu, button index, caption index or Slider
    bool on;
};

constexpr Entry on(Menu m) { return {Target::Menu, static_cast<int>(m), true}; }
constexpr Entry off(Menu m) { return {Target::Menu, static_cast<int>(m), false}; }
constexpr Entry buttonOn(int index) { return {Target::Button, index, true}; }
constexpr Entry buttonOff(int index) { return {Target::Button, index, false}; }

void apply(SharedControls& controls, std::initializer_list<Entry> table) {
    for (const Entry& e : table) {
        switch (e.target) {
        case Target::Menu:
            controls.setMenuEnabled(static_cast<Menu>(e.id), e.on);
            break;
        case Target::Button:
            controls.setButtonEnabled(e.id, e.on);
            break;
        case Target::Caption:
            controls.setCaptionEnabled(e.id, e.on);
            break;
        case Target::Slider:
            controls.setSliderEnabled(static_cast<Slider>(e.id), e.on);
            break;
        }
    }
}

// Ready and finished share the Convert menu's idle look.
constexpr std::initializer_list<Entry> kIdleConvert = {
    on(Menu::mnuConvStart), off(Menu::mnuConvStop), off(Menu::mnuConvExit),
    buttonOn(11),           buttonOff(12),          buttonOff(13),
};

constexpr std::initializer_list<Entry> kRunning = {
    off(Menu::mnuConvStart),  buttonOff(11),
    on(Menu::mnuFile),        on(Menu::mnuEnd),          on(Menu::mnuSaveDesign),   on(Menu::mnuSaveField),
    on(Menu::mnuSaveStereo),  on(Menu::mnuHensyuu),      on(Menu::mnuEditerChoice), on(Menu::mnuEditerBoot),
    on(Menu::mnuIns),         on(Menu::mnuConvert),      on(Menu::mnuConvStop),     on(Menu::mnuHelp),
    on(Menu::mnuInfomation),  on(Menu::mnuSetumei),
    buttonOn(5),              buttonOn(10),              buttonOn(12),              buttonOn(14),
    off(Menu::mnuConvExit),   off(Menu::mnuNew),         off(Menu::mnuWizard),      off(Menu::mnuFieldColor),
    off(Menu::mnuColor),      off(Menu::mnuMono),        off(Menu::mnuOpen),        off(Menu::mnuSave),
    off(Menu::mnuSaveName),   off(Menu::mnuSaveGazou),   off(Menu::mnuClose),       off(Menu::mnuPrint),
    off(Menu::mnuEditer),     off(Menu::mnuCut),         off(Menu::mnuCopy),        off(Menu::mnuPaste),
    off(Menu::mnuClear),      off(Menu::mnuInsDesign),   off(Menu::mnuInsField),    off(Menu::mnuInsStereo),
    off(Menu::mnuWindow),
    buttonOff(1),             buttonOff(2),              buttonOff(3),              buttonOff(4),
    buttonOff(6),             buttonOff(7),              buttonOff(8),              buttonOff(9),
    buttonOff(13),
    {Target::Caption, 0, false}, {Target::Caption, 1, false}, {Target::Caption, 2, false},
    {Target::Slider, static_cast<int>(Slider::sldKurikaesi), false},
    {Target::Slider, static_cast<int>(Slider::sldRittaido), false},
    {Target::Slider, static_cast<int>(Slider::sldMitudo), false},
};

constexpr std::initializer_list<Entry> kPaused = {
    on(Menu::mnuConvStart), off(Menu::mnuConvStop), on(Menu::mnuConvExit),
    buttonOn(11),           buttonOff(12),          buttonOn(13),
};

constexpr std::initializer_list<Entry> kFinishedImages = {
    on(Menu::mnuSaveGazou), on(Menu::mnuSaveDesign), on(Menu::mnuSaveStereo),
};

} // namespace

void SetConvertReady(SharedControls& controls) {
    controls.setConvStartCaption(ConvStartCaption);
    apply(controls, kIdleConvert);
}

void SetConvertRunning(SharedControls& controls) {
    controls.setConvStartCaption(ConvContinueCaption);
    apply(controls, kRunning);
}

void SetConvertPaused(SharedControls& controls) { apply(controls, kPaused); }

void applyFinishedMenus(SharedControls& controls, const QString& stereoName) {
    controls.setConvStartCaption(ConvStartCaption);
    apply(controls, kIdleConvert);
    apply(controls, kFinishedImages);
    controls.setMenuEnabled(Menu::mnuSaveField, stereoName == QLatin1String("Field"));
}

void SetConvertFinished(AppState& state, SharedControls& controls) {
    RestoreWindowState(state, controls);
    applyFinishedMenus(controls, state.StereoName);
    SaveWindowState(state, controls);
}

} // namespace quarbel::document
