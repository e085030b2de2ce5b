#pragma once

// The two fixed enable tables of the main window: no document open, and a new document.

#include "document/SharedControls.h"
#include "document/Tags.h"

namespace quarbel::ui {

// Puts the shared controls into the no-document state.
void ResetMenus(document::SharedControls& controls);

// The table part of SetNewDocumentMenus; the kind decides the Field-image insert entries.
void applyNewDocumentMenus(document::SharedControls& controls, document::StereoKind kind);

} // namespace quarbel::ui
