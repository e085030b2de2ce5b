#include "document/RunStates.h"

#include "document/EnableTable.h"
#include "document/StateFile.h"

namespace quarbel::document {

namespace {

constexpr Enable on(Menu m) {
    return menuOn(m);
}
constexpr Enable off(Menu m) {
    return menuOff(m);
}

// Ready and finished share the Convert menu's idle look.
constexpr Enable kIdleConvert[] = {
    on(Menu::mnuConvStart), off(Menu::mnuConvStop), off(Menu::mnuConvExit),
    buttonOn(11),           buttonOff(12),          buttonOff(13),
};

// One group of controls to a line keeps the long table readable.
// clang-format off
constexpr Enable kRunning[] = {
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
    captionSet(0, false),     captionSet(1, false),      captionSet(2, false),
    sliderSet(Slider::sldKurikaesi, false),
    sliderSet(Slider::sldRittaido, false),
    sliderSet(Slider::sldMitudo, false),
};
// clang-format on

constexpr Enable kPaused[] = {
    on(Menu::mnuConvStart), off(Menu::mnuConvStop), on(Menu::mnuConvExit),
    buttonOn(11),           buttonOff(12),          buttonOn(13),
};

constexpr Enable kFinishedImages[] = {
    on(Menu::mnuSaveGazou),
    on(Menu::mnuSaveDesign),
    on(Menu::mnuSaveStereo),
};

// Only a colour-field document has a Field picture to save.
constexpr Enable kFinishedField[] = {on(Menu::mnuSaveField)};
constexpr Enable kFinishedOther[] = {off(Menu::mnuSaveField)};

constexpr Enable kCompleted[] = {on(Menu::mnuSaveStereo), on(Menu::mnuPrint), buttonOn(4)};
constexpr Enable kAborted[] = {off(Menu::mnuPrint), buttonOff(4), off(Menu::mnuSaveStereo)};

} // namespace

void SetConvertReady(SharedControls& controls) {
    controls.setConvStartCaption(ConvStartCaption);
    applyEnables(controls, kIdleConvert);
}

void SetConvertRunning(SharedControls& controls) {
    controls.setConvStartCaption(ConvContinueCaption);
    applyEnables(controls, kRunning);
}

void SetConvertPaused(SharedControls& controls) {
    applyEnables(controls, kPaused);
}

void applyFinishedMenus(SharedControls& controls, StereoKind kind) {
    controls.setConvStartCaption(ConvStartCaption);
    applyEnables(controls, kIdleConvert);
    applyEnables(controls, kFinishedImages);
    applyEnables(controls,
                 kind == StereoKind::Field ? std::span<const Enable>(kFinishedField) : kFinishedOther);
}

void SetConvertCompleted(SharedControls& controls) {
    applyEnables(controls, kCompleted);
}

void SetConvertAborted(SharedControls& controls) {
    applyEnables(controls, kAborted);
}

void SetConvertFinished(DocumentFields& state, SharedControls& controls) {
    RestoreWindowState(state, controls);
    applyFinishedMenus(controls, state.StereoName.kind());
    SaveWindowState(state, controls);
}

} // namespace quarbel::document
