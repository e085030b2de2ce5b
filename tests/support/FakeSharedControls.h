#pragma once

// Shared controls as plain data, for tests of the state file and the enable tables.

#include "document/SharedControls.h"

#include <algorithm>
#include <array>
#include <map>
#include <utility>

namespace quarbel::testing {

struct FakeSharedControls : document::SharedControls {
    std::array<bool, document::MenuCount> menus{};
    std::array<bool, document::ToolbarButtonCount + 1> buttons{}; // index 0 unused
    std::map<std::pair<int, int>, bool> buttonMenus;
    std::array<bool, document::SliderCaptionCount> captions{};
    std::array<bool, document::SliderCount> slidersEnabled{};
    std::array<int, document::SliderCount> sliderValues{};
    // Slider ranges, so that restored values are clamped as a real slider does.
    static constexpr std::array<int, document::SliderCount> SliderMax{200, 50, 100};

    bool menuEnabled(document::Menu m) const override { return menus[static_cast<std::size_t>(m)]; }
    void setMenuEnabled(document::Menu m, bool e) override { menus[static_cast<std::size_t>(m)] = e; }
    bool buttonEnabled(int i) const override { return buttons.at(static_cast<std::size_t>(i)); }
    void setButtonEnabled(int i, bool e) override { buttons.at(static_cast<std::size_t>(i)) = e; }
    bool buttonMenuEnabled(int b, int e) const override {
        auto it = buttonMenus.find({b, e});
        return it == buttonMenus.end() ? false : it->second;
    }
    void setButtonMenuEnabled(int b, int e, bool on) override { buttonMenus[{b, e}] = on; }
    bool captionEnabled(int i) const override { return captions.at(static_cast<std::size_t>(i)); }
    void setCaptionEnabled(int i, bool e) override { captions.at(static_cast<std::size_t>(i)) = e; }
    bool sliderEnabled(document::Slider s) const override {
        return slidersEnabled[static_cast<std::size_t>(s)];
    }
    void setSliderEnabled(document::Slider s, bool e) override {
        slidersEnabled[static_cast<std::size_t>(s)] = e;
    }
    int sliderValue(document::Slider s) const override { return sliderValues[static_cast<std::size_t>(s)]; }
    void setSliderValue(document::Slider s, int v) override {
        const auto i = static_cast<std::size_t>(s);
        sliderValues[i] = std::clamp(v, 0, SliderMax[i]);
    }

    QString startCaption;
    QString convStartCaption() const override { return startCaption; }
    void setConvStartCaption(const QString& caption) override { startCaption = caption; }

    void setAll(bool enabled) {
        menus.fill(enabled);
        buttons.fill(enabled);
        buttons[0] = false; // buttons are numbered from 1
        captions.fill(enabled);
        slidersEnabled.fill(enabled);
        buttonMenus[{9, 2}] = enabled;
    }
};

} // namespace quarbel::testing
