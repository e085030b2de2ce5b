#pragma once

// The per-window state file: one table of 65 keys, written whole by SaveWindowState and applied
// by RestoreWindowState. The same format serves as the document file (.qbd).

#include "document/DocumentState.h"
#include "document/SharedControls.h"

#include <QList>
#include <QPair>
#include <QString>
#include <array>
#include <optional>

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
QList<QPair<QString, QString>> windowStateEntries(const DocumentFields& state,
                                                  const SharedControls& controls);

// Writes all 65 keys into state.IniPath in one atomic rewrite (same content as 65 single writes);
// other lines of the file stay. False when the file could not be written completely; the file then
// keeps its old content.
bool SaveWindowState(const DocumentFields& state, const SharedControls& controls);
// SaveWindowState into a file that becomes the state alone: whatever IniPath held before goes.
bool ReplaceWithWindowState(const DocumentFields& state, const SharedControls& controls);

// What a restore found in the file.
enum class StateRestore {
    Restored,   // the file holds the section; keys it lacks took their defaults
    Missing,    // no such file: every key took its default
    NoSection,  // the file holds no state section (an empty file, say): every key took its default
    Unreadable, // the file is there but could not be read: nothing was changed
};

// Reads keys 2..65 from state.IniPath in table order and applies them. Missing keys take their
// defaults; a flag that is neither "True"/"False" nor a number keeps the default (enabled);
// a slider value outside its range is clamped by the slider. A file that cannot be read changes
// nothing, so a window never silently falls back to the defaults for a file it could not see.
StateRestore RestoreWindowState(DocumentFields& state, SharedControls& controls);

// The same, from the entries windowStateEntries gave: a window's state kept in memory when its
// file could not be written or read back.
void RestoreWindowState(const QList<QPair<QString, QString>>& entries, DocumentFields& state,
                        SharedControls& controls);

} // namespace quarbel::document
