#pragma once

// The program speaks Japanese: Qt's own texts (standard buttons, file dialogs) and the default
// locale (dates, file types, numbers) follow the program's captions.

class QTranslator;

namespace quarbel::ui {

// Loads Qt's Japanese texts into translator and installs it, and makes the translation's locale
// (Japanese when none is installed) the default. False when Qt's translation is missing.
bool useJapanese(QTranslator& translator);

} // namespace quarbel::ui
