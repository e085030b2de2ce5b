#include "ui/EditorAndHelp.h"

#include "document/AppPaths.h"
#include "document/AppState.h"
#include "document/Settings.h"
#include "platform/Dialogs.h"
#include "platform/Shell.h"
#include "ui/HelpWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>

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
        context.dialogs.message(context.owner, editorFailureMessage(editor, *error),
                                platform::MessageIcon::Exclamation);
    }
}

QString editorFailureMessage(const QString& editor, const platform::ShellError& error) {
    const QString name =
        QStringLiteral("エディタ「") + QDir::toNativeSeparators(editor) + QStringLiteral("」");
    QString problem;
    switch (error.number) {
    case platform::ErrFileNotFound:
        problem = name + QStringLiteral("が見つかりません。");
        break;
    case platform::ErrPathFileAccess:
        problem = name + QStringLiteral("はフォルダで、プログラムではありません。");
        break;
    default:
        problem = name + QStringLiteral(
                             "を起動できません。実行できるプログラムではないか、実行が許可されていません。");
        break;
    }
    return problem + QStringLiteral("\r\n") +
           QStringLiteral("［編集］→［エディタ］→［選択］で、エディタを選び直してください。");
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
    // Without a browser the page still opens, in the editor's own window.
    const QPointer<QWidget> owner = context.owner;
    context.shell.openPage(page, [owner, page](bool opened) {
        if (!opened && owner) {
            showHelpWindow(owner, page);
        }
    });
}

HelpWindow* showHelpWindow(QWidget* owner, const QString& page) {
    auto* window = owner->findChild<HelpWindow*>(QString(), Qt::FindDirectChildrenOnly);
    if (!window) {
        window = new HelpWindow(owner);
    }
    window->showPage(page);
    return window;
}

QString helpPagePath(const QString& executableDir, const QString& appDir) {
    for (const QString& dir : {executableDir, document::installedDataDirFor(executableDir), appDir}) {
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
