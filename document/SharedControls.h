#pragma once

// The main window's controls that all document windows share, as the state file sees them.
// The main window implements this; tests use a plain struct.

#include <QString>
#include <array>
#include <string_view>

namespace quarbel::document {

// The 36 menus whose enabled flags a state file stores, in the file's order.
enum class Menu {
    mnuFile,
    mnuNew,
    mnuWizard,
    mnuFieldColor,
    mnuColor,
    mnuMono,
    mnuOpen,
    mnuSave,
    mnuSaveName,
    mnuSaveGazou,
    mnuSaveDesign,
    mnuSaveField,
    mnuSaveStereo,
    mnuClose,
    mnuPrint,
    mnuEnd,
    mnuHensyuu,
    mnuEditer,
    mnuEditerChoice,
    mnuEditerBoot,
    mnuCut,
    mnuCopy,
    mnuPaste,
    mnuClear,
    mnuIns,
    mnuInsDesign,
    mnuInsField,
    mnuInsStereo,
    mnuConvert,
    mnuConvStart,
    mnuConvStop,
    mnuConvExit,
    mnuWindow,
    mnuHelp,
    mnuInfomation,
    mnuSetumei
};
inline constexpr int MenuCount = 36;

struct MenuNames {
    Menu id;
    std::string_view name;     // the control's own name ("mnuHensyuu"), used for object names
    std::string_view stateKey; // its key in the state file
};

// Every menu once, in enum order. Each row spells its name once: the macro makes the enumerator,
// the object name and the key from it, so they cannot drift apart.
// clang-format off
#define QUARBEL_MENU(name) MenuNames{Menu::name, #name, #name}
// clang-format on
inline constexpr std::array<MenuNames, MenuCount> MenuTable{{
    QUARBEL_MENU(mnuFile),
    QUARBEL_MENU(mnuNew),
    QUARBEL_MENU(mnuWizard),
    QUARBEL_MENU(mnuFieldColor),
    QUARBEL_MENU(mnuColor),
    QUARBEL_MENU(mnuMono),
    QUARBEL_MENU(mnuOpen),
    QUARBEL_MENU(mnuSave),
    QUARBEL_MENU(mnuSaveName),
    QUARBEL_MENU(mnuSaveGazou),
    QUARBEL_MENU(mnuSaveDesign),
    QUARBEL_MENU(mnuSaveField),
    QUARBEL_MENU(mnuSaveStereo),
    QUARBEL_MENU(mnuClose),
    QUARBEL_MENU(mnuPrint),
    QUARBEL_MENU(mnuEnd),
    // The Edit menu's key carries a "j"; stored files rely on this spelling.
    MenuNames{Menu::mnuHensyuu, "mnuHensyuu", "mnujHensyuu"},
    QUARBEL_MENU(mnuEditer),
    QUARBEL_MENU(mnuEditerChoice),
    QUARBEL_MENU(mnuEditerBoot),
    QUARBEL_MENU(mnuCut),
    QUARBEL_MENU(mnuCopy),
    QUARBEL_MENU(mnuPaste),
    QUARBEL_MENU(mnuClear),
    QUARBEL_MENU(mnuIns),
    QUARBEL_MENU(mnuInsDesign),
    QUARBEL_MENU(mnuInsField),
    QUARBEL_MENU(mnuInsStereo),
    QUARBEL_MENU(mnuConvert),
    QUARBEL_MENU(mnuConvStart),
    QUARBEL_MENU(mnuConvStop),
    QUARBEL_MENU(mnuConvExit),
    QUARBEL_MENU(mnuWindow),
    QUARBEL_MENU(mnuHelp),
    QUARBEL_MENU(mnuInfomation),
    QUARBEL_MENU(mnuSetumei),
}};
#undef QUARBEL_MENU

// Row i describes Menu(i), and the names differ only where the key is known to.
constexpr bool menuTableInOrder() {
    for (int i = 0; i < MenuCount; ++i) {
        const MenuNames& row = MenuTable[static_cast<std::size_t>(i)];
        if (row.id != static_cast<Menu>(i) || row.name.empty()) {
            return false;
        }
        if (row.name != row.stateKey && row.id != Menu::mnuHensyuu) {
            return false;
        }
    }
    return true;
}
static_assert(menuTableInOrder(), "MenuTable rows must follow the order of enum Menu");

// The control's own name ("mnuHensyuu"), as used for object names.
constexpr std::string_view menuName(Menu menu) {
    return MenuTable[static_cast<std::size_t>(menu)].name;
}

// The menu's key in the state file ("mnujHensyuu").
constexpr std::string_view menuStateKey(Menu menu) {
    return MenuTable[static_cast<std::size_t>(menu)].stateKey;
}

enum class Slider { sldKurikaesi, sldRittaido, sldMitudo };
inline constexpr int SliderCount = 3;

// Toolbar1 has buttons 1..14; 5, 10 and 14 are separators that still carry an enabled flag.
inline constexpr int ToolbarButtonCount = 14;
// Text1(0..2), the caption boxes of the three sliders.
inline constexpr int SliderCaptionCount = 3;

class SharedControls {
public:
    virtual ~SharedControls() = default;

    virtual bool menuEnabled(Menu menu) const = 0;
    virtual void setMenuEnabled(Menu menu, bool enabled) = 0;

    // index 1..14
    virtual bool buttonEnabled(int index) const = 0;
    virtual void setButtonEnabled(int index, bool enabled) = 0;

    // Entries of a button's drop-down menu, 1-based (button 9, entry 2 is "InsField").
    virtual bool buttonMenuEnabled(int button, int entry) const = 0;
    virtual void setButtonMenuEnabled(int button, int entry, bool enabled) = 0;

    // index 0..2
    virtual bool captionEnabled(int index) const = 0;
    virtual void setCaptionEnabled(int index, bool enabled) = 0;

    virtual bool sliderEnabled(Slider slider) const = 0;
    virtual void setSliderEnabled(Slider slider, bool enabled) = 0;
    virtual int sliderValue(Slider slider) const = 0;
    // Raises the slider's change handling (value written to IniPath, status panel) like a user's move.
    virtual void setSliderValue(Slider slider, int value) = 0;

    // Caption of mnuConvStart, which the tooltip of button 11 always repeats.
    virtual QString convStartCaption() const = 0;
    virtual void setConvStartCaption(const QString& caption) = 0;
};

} // namespace quarbel::document
