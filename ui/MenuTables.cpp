#include "ui/MenuTables.h"

#include "document/EnableTable.h"

namespace quarbel::ui {

namespace {

using document::Enable;
using document::Menu;
using document::SharedControls;
using document::Slider;

constexpr Enable on(Menu m) {
    return document::menuOn(m);
}
constexpr Enable off(Menu m) {
    return document::menuOff(m);
}
using document::buttonOff;
using document::buttonOn;

constexpr Enable kNoDocument[] = {
    on(Menu::mnuFile),
    on(Menu::mnuNew),
    on(Menu::mnuWizard),
    on(Menu::mnuFieldColor),
    on(Menu::mnuColor),
    on(Menu::mnuMono),
    on(Menu::mnuOpen),
    off(Menu::mnuSave),
    off(Menu::mnuSaveName),
    off(Menu::mnuSaveGazou),
    off(Menu::mnuSaveDesign),
    off(Menu::mnuSaveField),
    off(Menu::mnuSaveStereo),
    off(Menu::mnuClose),
    off(Menu::mnuPrint),
    on(Menu::mnuEnd),
    on(Menu::mnuHensyuu),
    on(Menu::mnuEditer),
    on(Menu::mnuEditerChoice),
    on(Menu::mnuEditerBoot),
    off(Menu::mnuCut),
    off(Menu::mnuCopy),
    off(Menu::mnuClear),
    off(Menu::mnuPaste),
    on(Menu::mnuIns),
    off(Menu::mnuInsDesign),
    off(Menu::mnuInsField),
    off(Menu::mnuInsStereo),
    on(Menu::mnuConvert),
    off(Menu::mnuConvStart),
    off(Menu::mnuConvStop),
    off(Menu::mnuConvExit),
    on(Menu::mnuWindow),
    on(Menu::mnuHelp),
    on(Menu::mnuInfomation),
    on(Menu::mnuSetumei),
    buttonOn(1),
    buttonOn(2),
    buttonOff(3),
    buttonOff(4),
    buttonOn(5),
    buttonOn(10),
    buttonOn(14),
    buttonOff(6),
    buttonOff(7),
    buttonOff(8),
    buttonOff(9),
    buttonOff(11),
    buttonOff(12),
    buttonOff(13),
    document::captionSet(0, false),
    document::captionSet(1, false),
    document::captionSet(2, false),
    document::sliderSet(Slider::sldKurikaesi, false),
    document::sliderSet(Slider::sldRittaido, false),
    document::sliderSet(Slider::sldMitudo, false),
};

// Paste (menu and button 8) keeps what the clipboard gave it.
constexpr Enable kNewDocument[] = {
    on(Menu::mnuFile),
    on(Menu::mnuNew),
    on(Menu::mnuWizard),
    on(Menu::mnuFieldColor),
    on(Menu::mnuColor),
    on(Menu::mnuMono),
    on(Menu::mnuOpen),
    off(Menu::mnuSave),
    on(Menu::mnuSaveName),
    off(Menu::mnuSaveGazou),
    off(Menu::mnuSaveDesign),
    off(Menu::mnuSaveField),
    off(Menu::mnuSaveStereo),
    on(Menu::mnuClose),
    off(Menu::mnuPrint),
    on(Menu::mnuEnd),
    on(Menu::mnuHensyuu),
    on(Menu::mnuEditer),
    on(Menu::mnuEditerChoice),
    on(Menu::mnuEditerBoot),
    off(Menu::mnuCut),
    off(Menu::mnuCopy),
    off(Menu::mnuClear),
    on(Menu::mnuIns),
    on(Menu::mnuInsDesign),
    on(Menu::mnuInsStereo),
    on(Menu::mnuConvert),
    off(Menu::mnuConvStart),
    off(Menu::mnuConvStop),
    off(Menu::mnuConvExit),
    on(Menu::mnuWindow),
    on(Menu::mnuHelp),
    on(Menu::mnuInfomation),
    on(Menu::mnuSetumei),
    buttonOn(1),
    buttonOn(2),
    buttonOff(3),
    buttonOff(4),
    buttonOn(5),
    buttonOn(10),
    buttonOn(14),
    buttonOff(6),
    buttonOff(7),
    buttonOn(9),
    buttonOff(11),
    buttonOff(12),
    buttonOff(13),
    document::captionSet(0, true),
    document::captionSet(1, true),
    document::captionSet(2, true),
    document::sliderSet(Slider::sldKurikaesi, true),
    document::sliderSet(Slider::sldRittaido, true),
    document::sliderSet(Slider::sldMitudo, true),
};

// A random-dot document has no Field picture to insert.
constexpr Enable kNewRandomDot[] = {
    off(Menu::mnuInsField),
    document::buttonMenuSet(9, 2, false),
};
constexpr Enable kNewOther[] = {
    on(Menu::mnuInsField),
    document::buttonMenuSet(9, 2, true),
};

} // namespace

void ResetMenus(SharedControls& controls) {
    document::applyEnables(controls, kNoDocument);
}

void applyNewDocumentMenus(SharedControls& controls, document::StereoKind kind) {
    document::applyEnables(controls, kNewDocument);
    document::applyEnables(controls, kind == document::StereoKind::RandomDot
                                         ? std::span<const Enable>(kNewRandomDot)
                                         : kNewOther);
}

} // namespace quarbel::ui
