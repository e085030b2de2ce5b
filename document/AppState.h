#pragma once

// The application-wide values. One instance, owned by the application and handed by reference
// to the windows that need it. A document's own values live in its window's DocumentState.

#include "document/DocumentState.h"
#include "engine/ConversionState.h"

#include <QString>

namespace quarbel::document {

struct AppState {
    // Folder holding the settings file, temporary state files and the help page.
    QString appDir;

    int NewDocNumber = 1;
    // Next number tried for the working state file of a document opened from a file.
    int OpenedDocNumber = 1;
    QString SettingsPath;

    engine::RunFlags run;

    // Colour-field wizard.
    int WizardKurikaesi = 0;
    int WizardRittaido = 0;
    QString WizardDesignFile;
    QString WizardFieldFile;
    bool WizardDone = false;
    // The Design file the user chose in the wizard; the new document names it as its Design picture.
    QString wizardDesignSource;
};

} // namespace quarbel::document
