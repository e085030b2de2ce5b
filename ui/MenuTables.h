#pragma once

// The two fixed enable tables of the main window: no document open, and a new document.

#include <QString>

#include "document/SharedControls.h"

namespace quarbel::ui {

// Puts the shared controls into the no-document state.
void ResetMenus(document::SharedControls& controls);

// The table part of SetNewDocumentMenus; stereoName decides the Field-image insert entries.
void applyNewDocumentMenus(document::SharedControls& controls, const QString& stereoName);

} // namespace quarbel::ui
