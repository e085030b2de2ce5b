// The editor: Japanese throughout, the application directory, the shared state, the frame.

#include "document/AppPaths.h"
#include "document/AppState.h"
#include "platform/Dialogs.h"
#include "platform/Shell.h"
#include "ui/Language.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QTranslator>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quarbel"));

    // Standard buttons, file dialogs, dates and file types speak the program's language.
    QTranslator qtTexts;
    quarbel::ui::useJapanese(qtTexts);

    quarbel::document::AppState state;
    state.appDir = quarbel::document::applicationDirectory();
    const auto dialogs = quarbel::platform::makeQtDialogs();
    const auto shell = quarbel::platform::makeQtShell();

    quarbel::ui::MainWindow frame(state, *dialogs, *shell);
    frame.MDIForm_Load();
    return QApplication::exec();
}
