// The editor: Japanese throughout, the application directory, the shared state, the frame, and the
// documents named on the command line (as a file manager passes them).

#include "document/AppPaths.h"
#include "document/AppState.h"
#include "document/Version.h"
#include "platform/Dialogs.h"
#include "platform/Shell.h"
#include "ui/Language.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QFile>
#include <QTimer>
#include <QTranslator>
#include <cstdio>
#include <cstring>
#include <optional>

namespace {

constexpr const char* Usage = "Usage: quarbel [DOCUMENT.qbd ...]\n"
                              "       quarbel --version\n";

// Answered before any window system is needed, so that they work without a display.
std::optional<int> answerWithoutWindows(int argc, char** argv) {
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("Quarbel %s\n", quarbel::document::versionText().toUtf8().constData());
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(Usage, stdout);
            return 0;
        }
    }
    return std::nullopt;
}

// The documents to open, from what Qt left of the command line; nothing when an option is unknown.
std::optional<QStringList> documentNames(int argc, char** argv) {
    QStringList names;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QFile::decodeName(argv[i]);
        if (!optionsEnded && arg == QLatin1String("--")) {
            optionsEnded = true;
        } else if (!optionsEnded && arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
            std::fprintf(stderr, "quarbel: unknown option '%s'\n\n%s", argv[i], Usage);
            return std::nullopt;
        } else {
            names.append(arg);
        }
    }
    return names;
}

} // namespace

int main(int argc, char** argv) {
    if (const std::optional<int> answered = answerWithoutWindows(argc, argv)) {
        return *answered;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quarbel"));
    // Lets the desktop match the windows with the menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("quarbel"));
    const std::optional<QStringList> documents = documentNames(argc, argv);
    if (!documents) {
        return 2;
    }

    // Standard buttons, file dialogs, dates and file types speak the program's language.
    QTranslator qtTexts;
    quarbel::ui::useJapanese(qtTexts);

    quarbel::document::AppState state;
    state.appDir = quarbel::document::applicationDirectory();
    const auto dialogs = quarbel::platform::makeQtDialogs();
    const auto shell = quarbel::platform::makeQtShell();

    quarbel::ui::MainWindow frame(state, *dialogs, *shell);
    frame.MDIForm_Load();
    if (!documents->isEmpty()) {
        // Once the event loop runs, so that the frame is drawn behind any message about a document.
        QTimer::singleShot(0, &frame, [&frame, names = *documents] { frame.openDocuments(names); });
    }
    return QApplication::exec();
}
