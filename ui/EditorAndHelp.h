#pragma once

// The Edit menu's external editor (choose, start) and the Help menu's help page. The frame's
// handlers hand over to these, so that they can be run without a frame.

#include <QString>

class QWidget;

namespace quarbel::document {
struct AppState;
}

#include "platform/Shell.h"

namespace quarbel::platform {
class Dialogs;
} // namespace quarbel::platform

namespace quarbel::ui {

class HelpWindow;

inline const QString EditorPathKey = QStringLiteral("EditerPath");
// Inside the folder the page is looked for in.
inline const QString HelpPageName = QStringLiteral("Help/Help01.htm");

struct ShellCommandContext {
    QWidget* owner = nullptr;
    platform::Dialogs& dialogs;
    platform::Shell& shell;
    QString settingsPath;
    QString appDir;
    // Where the program itself lies; differs from appDir when that folder is not writable.
    QString executableDir;
};

// The frame's context: its dialogs, the shell in use and the running executable's folder.
ShellCommandContext frameContext(QWidget* owner, platform::Dialogs& dialogs, platform::Shell& shell,
                                 const document::AppState& state);

// Asks for a program and registers it as the editor; a cancelled dialog changes nothing.
void chooseEditor(const ShellCommandContext& context);
// Starts the registered editor in the application directory, or says that none is registered or
// why it cannot be started.
void startEditor(const ShellCommandContext& context);
// Why the registered editor did not start, naming it.
QString editorFailureMessage(const QString& editor, const platform::ShellError& error);
// Opens the help page in the browser, else in the editor's own help window; says where the page
// was expected when there is none.
void openHelpPage(const ShellCommandContext& context);
// Shows page in owner's help window, made on first use.
HelpWindow* showHelpWindow(QWidget* owner, const QString& page);

// The help page beside the executable, else the installed one, else the one in the application
// directory; empty when there is none.
QString helpPagePath(const QString& executableDir, const QString& appDir);

} // namespace quarbel::ui
