#include "ui/EditorAndHelp.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "document/AppState.h"
#include "document/Settings.h"
#include "platform/Dialogs.h"
#include "platform/Shell.h"

namespace quarbel::ui {

namespace {

QString helpPageIn(const QString& dir) {
    return QDir::toNativeSeparators(QDir(dir).filePath(HelpPageName));
}

QString editorFilter() {
#ifdef Q_OS_WIN
    return QStringLiteral("実行ファイル(*.exe)|*.exe");
#else
    // Programs here carry no extension: all files come first so that they are visible at once;
    // the .exe choice stays for Windows programs run through a compatibility layer.
    return QStringLiteral("すべてのファイル(*)|*|実行ファイル(*.exe)|*.exe");
#endif
}

} // namespace

ShellCommandContext frameContext(QWidget* owner, platform::Dialogs& dialogs, platform::Shell& shell,
                                 const document::AppState& state) {
    return {owner, dialogs, shell, state.SettingsPath, state.appDir, QCoreApplication::applicationDirPath()};
}

void chooseEditor(const ShellCommandContext& context) {
    platform::FileDialogRequest request;
    request.filter = editorFilter();
    request.initialDir = context.appDir;
    request.fileMustExist = true;
    const auto choice = context.dialogs.openFile(context.owner, request);
    if (!choice || choice->fullPath.isEmpty()) {
        return;
    }
    // A failed write only means the choice is not remembered; nothing is reported.
    document::Settings(context.settingsPath, context.appDir).setValue(EditorPathKey, choice->fullPath);
}

void startEditor(const ShellCommandContext& context) {
    const QString editor = document::Settings(context.settingsPath, context.appDir).value(EditorPathKey);
    if (editor.isEmpty()) {
        context.dialogs.message(context.owner, QStringLiteral("エディタが設定されていません..."),
                                platform::MessageIcon::Information);
        return;
    }
    if (const auto error = context.shell.startProgram(editor, context.appDir)) {
        context.dialogs.message(context.owner, platform::runTimeErrorMessage(*error),
                                platform::MessageIcon::Exclamation);
    }
}

void openHelpPage(const ShellCommandContext& context) {
    const QString page = helpPagePath(context.executableDir, context.appDir);
    if (page.isEmpty()) {
        // Pressing F1 and seeing nothing looks like a hang; name the place the page belongs.
        const QString expected =
            helpPageIn(context.executableDir.isEmpty() ? context.appDir : context.executableDir);
        context.dialogs.message(context.owner,
                                QStringLiteral("ヘルプファイルが見つかりません。") + QStringLiteral("\r\n") +
                                    expected,
                                platform::MessageIcon::Exclamation);
        return;
    }
    if (const auto error = context.shell.openDocument(page)) {
        context.dialogs.message(context.owner, platform::runTimeErrorMessage(*error),
                                platform::MessageIcon::Exclamation);
    }
}

QString helpPagePath(const QString& executableDir, const QString& appDir) {
    for (const QString& dir : {executableDir, appDir}) {
        if (dir.isEmpty()) {
            continue;
        }
        const QString page = helpPageIn(dir);
        if (QFileInfo(page).isFile()) {
            return page;
        }
    }
    return {};
}

} // namespace quarbel::ui
