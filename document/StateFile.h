#pragma once

// The per-window state file: one table of 65 keys, written whole by SaveWindowState and applied
// by RestoreWindowState. The same format serves as the document file (.qbd).

#include <array>
#include <optional>

#include <QString>

#include "document/AppState.h"
#include "document/SharedControls.h"

namespace quarbel::document {

enum class StateKeyKind {
    FileNamePath, // the file's own path; never read back
    Text,         // a shared string
    SliderValue,
    MenuFlag,
    ButtonFlag,
    CaptionFlag,
    SliderFlag,
};

struct StateKey {
    const char* key;
    StateKeyKind kind;
    int index; // which string, slider, menu, button (1..14) or caption (0..2)
};

inline constexpr int StateKeyCount = 65;

// The keys in file order.
const std::array<StateKey, StateKeyCount>& StateKeyTable();

// Indices for StateKeyKind::Text.
enum class StateText { PicDesignPath, PicFieldPath, PicStereoPath, StereoName, MonoOrColor };

// "True"/"False" in any case, or a number (non-zero is true); nullopt for anything else.
std::optional<bool> parseFlag(const QString& text);

// The 65 key/value pairs that SaveWindowState writes, in table order.
QList<QPair<QString, QString>> windowStateEntries(const AppState& state, const SharedControls& controls);

// Writes all 65 keys into state.IniPath in one atomic rewrite (same content as 65 single writes);
// other lines of the file stay. A failed write is ignored by the callers; it returns false.
bool SaveWindowState(const AppState& state, const SharedControls& controls);

// Reads keys 2..65 from state.IniPath in table order and applies them. Missing keys take their
// defaults; a flag that is neither "True"/"False" nor a number keeps the default (enabled);
// a slider value outside its range is clamped by the slider.
void RestoreWindowState(AppState& state, SharedControls& controls);

} // namespace quarbel::document
