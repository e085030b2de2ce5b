#pragma once

// The four states a conversion run gives the shared menus and toolbar, each a constant table.

#include "document/DocumentState.h"
#include "document/SharedControls.h"

namespace quarbel::document {

// Start on with "開始", pause and abort off. A document got the pictures its kind needs.
void SetConvertReady(SharedControls& controls);
// A run started or continued: only pause, quit and help stay usable; Start reads "継続".
void SetConvertRunning(SharedControls& controls);
// A run paused: continue and abort on, pause off.
void SetConvertPaused(SharedControls& controls);
// A run finished or was aborted: the window's own state comes back from IniPath, the Convert menu
// is ready for a fresh run and the pane images can be saved; the state is written back.
void SetConvertFinished(DocumentFields& state, SharedControls& controls);
// After SetConvertFinished: a run that reached its last row has a Stereo picture to save and print.
void SetConvertCompleted(SharedControls& controls);
// After SetConvertFinished: an aborted run left no Stereo picture, so neither saving nor printing it
// is offered.
void SetConvertAborted(SharedControls& controls);
// SetConvertFinished without reading or writing the state file, for a window that is closing: its
// file may already be deleted and must not come back.
void applyFinishedMenus(SharedControls& controls, StereoKind kind);

inline const QString ConvStartCaption = QStringLiteral("開始");
inline const QString ConvContinueCaption = QStringLiteral("継続");

} // namespace quarbel::document
