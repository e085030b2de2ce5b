#pragma once

// One document window's state as a value: what its state file holds (picture paths, kind, colour
// mode, the three parameters, the enabled flags of the shared controls). Each window owns its own;
// the shared menus, toolbar and sliders only show the active window's, and the frame keeps one of
// its own for the time no document is active.

#include "document/Parameters.h"
#include "document/SharedControls.h"
#include "document/Tags.h"

#include <QString>
#include <array>
#include <map>
#include <utility>

namespace quarbel::document {

// A document's paths, kind and colour mode, and how its window came to be.
struct DocumentFields {
    QString IniPath; // working state file
    DocumentKind StereoName;
    QString MonoOrColor; // "Mono", "Color" or ""
    QString PicDesignPath;
    QString PicFieldPath;
    QString PicStereoPath;
    QString OpenMode; // "Sinki", "Hiraku" or "": how the window is being made
    QString DocName;  // the name an opened or saved document's window takes
};

// Highest value of each slider (they all start at 0); a value set from a file is held to it, as
// the slider itself would.
inline constexpr std::array<int, SliderCount> SliderMaximum{RepeatWidthParameter.maximum,
                                                            DepthParameter.maximum, DensityParameter.maximum};

// The shared controls' flags and values as plain data.
struct DocumentControls : SharedControls {
    std::array<bool, MenuCount> menus{};
    std::array<bool, ToolbarButtonCount + 1> buttons{}; // index 0 unused
    std::map<std::pair<int, int>, bool> buttonMenus;
    std::array<bool, SliderCaptionCount> captions{};
    std::array<bool, SliderCount> slidersEnabled{};
    // Repeat width, depth and density, kept as three ints until the parameters become one value.
    std::array<int, SliderCount> sliderValues{};
    QString startCaption;

    bool menuEnabled(Menu m) const override { return menus[static_cast<std::size_t>(m)]; }
    void setMenuEnabled(Menu m, bool e) override { menus[static_cast<std::size_t>(m)] = e; }
    bool buttonEnabled(int i) const override { return buttons.at(static_cast<std::size_t>(i)); }
    void setButtonEnabled(int i, bool e) override { buttons.at(static_cast<std::size_t>(i)) = e; }
    bool buttonMenuEnabled(int b, int e) const override;
    void setButtonMenuEnabled(int b, int e, bool on) override { buttonMenus[{b, e}] = on; }
    bool captionEnabled(int i) const override { return captions.at(static_cast<std::size_t>(i)); }
    void setCaptionEnabled(int i, bool e) override { captions.at(static_cast<std::size_t>(i)) = e; }
    bool sliderEnabled(Slider s) const override { return slidersEnabled[static_cast<std::size_t>(s)]; }
    void setSliderEnabled(Slider s, bool e) override { slidersEnabled[static_cast<std::size_t>(s)] = e; }
    int sliderValue(Slider s) const override { return sliderValues[static_cast<std::size_t>(s)]; }
    void setSliderValue(Slider s, int v) override;
    QString convStartCaption() const override { return startCaption; }
    void setConvStartCaption(const QString& caption) override { startCaption = caption; }
};

// Where the document's conversion run stands. Not part of the state file.
enum class RunPhase {
    Idle,    // no run, or it finished, was aborted or its window closed
    Running, // rows are being converted (or will be once a close question is answered)
    Paused,  // the run stopped at a row and may go on from there
};

struct DocumentState {
    DocumentFields fields;
    DocumentControls controls;
    RunPhase run = RunPhase::Idle;
};

// A document made of fields and of what a set of controls holds.
DocumentState captureDocument(const DocumentFields& fields, const SharedControls& controls);

// Puts a document's values into fields and controls: the values its state file keeps, in the file's
// order, so each slider's change handling sees the paths that go with it. The working file's path
// stays as it is, as a restore from the file leaves it. document may be the one that fields and
// controls belong to: the active window shows its own model this way, raising the handling again.
void showDocument(const DocumentState& document, DocumentFields& fields, SharedControls& controls);

} // namespace quarbel::document
