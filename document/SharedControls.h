#pragma once

// The main window's controls that all document windows share, as the state file sees them.
// The main window implements this; tests use a plain struct.

#include <array>
#include <string_view>

#include <QString>

namespace quarbel::document {

// The 36 menus whose enabled flags a state file stores, in the file's order.
enum class Menu {
    mnuFile, mnuNew, mnuWizard, mnuFieldColor, mnuColor, mnuMono, mnuOpen, mnuSave, mnuSaveName,
    mnuSaveGazou, mnuSaveDesign, mnuSaveField, mnuSaveStereo, mnuClose, mnuPrint, mnuEnd, mnuHensyuu,
    mnuEditer, mnuEditerChoice, mnuEditerBoot, mnuCut, mnuCopy, mnuPaste, mnuClear, mnuIns, mnuInsDesign,
    mnuInsField, mnuInsStereo, mnuConvert, mnuConvStart, mnuConvStop, mnuConvExit, mnuWindow, mnuHelp,
    mnuInfomation, mnuSetumei,
};
inline constexpr int MenuCount = 36;

// The control's own name ("mnuHensyuu"), as used for object names.
std::string_view menuName(Menu menu);

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
