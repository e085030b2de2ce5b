#pragma once

// What every collaborator of a document window that asks the user something works on. Everything
// belongs to the window and outlives the collaborator.

#include "document/AppState.h"
#include "document/DocumentState.h"

namespace quarbel::platform {
class Dialogs;
}

namespace quarbel::panes {

class DocumentHost;
class DocumentWindow;

struct WindowServices {
    document::AppState& state;      // the settings file and the program's folder
    document::DocumentState& model; // the document's own state
    DocumentHost& host;
    platform::Dialogs& dialogs;
    DocumentWindow& form; // the dialogs' owner
};

} // namespace quarbel::panes
