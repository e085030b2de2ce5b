// The editor: Qt's own Japanese texts, the application directory, the shared state, the frame.

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "document/AppPaths.h"
#include "document/AppState.h"
#include "platform/Dialogs.h"
#include "platform/Shell.h"
#include "ui/MainWindow.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quarbel"));

    // Standard buttons and file dialogs speak the program's language.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtTexts);
    }

    quarbel::document::AppState state;
    state.appDir = quarbel::document::applicationDirectory();
    const auto dialogs = quarbel::platform::makeQtDialogs();
    const auto shell = quarbel::platform::makeQtShell();

    quarbel::ui::MainWindow frame(state, *dialogs, *shell);
    frame.MDIForm_Load();
    return QApplication::exec();
}
