#pragma once

// File dialogs, message boxes and questions. Windows call them through this interface so that
// tests can script the answers instead of blocking on a modal window.

#include <QList>
#include <QString>
#include <memory>
#include <optional>

class QWidget;

namespace quarbel::platform {

enum class MessageIcon { Information, Exclamation, Question, Critical };
enum class Answer { Yes, No, Cancel };

struct FileDialogRequest {
    // Filter in the "description|pattern|description|pattern" form, e.g. "Quarbelﾌｧｲﾙ(*.qbd)|*.qbd".
    QString filter;
    // The window title; empty leaves the dialog's own.
    QString title;
    QString initialDir;
    QString fileName;
    bool overwritePrompt = false;
    // The name must name an existing file (open dialogs that read the file).
    bool fileMustExist = false;
    // Extension added by the dialog when the typed name has none, e.g. "qbd"; empty adds nothing.
    // With several filters it is the chosen filter's ("png" once PNG(*.png) is chosen). The overwrite
    // question is asked about the name with the extension.
    QString defaultSuffix;
    // The dialog refuses a name in a folder that does not exist and lets the user choose again.
    bool pathMustExist = false;
};

struct FileChoice {
    QString fullPath;
    QString fileTitle;   // the name without its folder
    int filterIndex = 0; // the filter chosen when the dialog closed, counted from 0
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // nullopt when the user cancels.
    virtual std::optional<FileChoice> openFile(QWidget* parent, const FileDialogRequest& request) = 0;
    virtual std::optional<FileChoice> saveFile(QWidget* parent, const FileDialogRequest& request) = 0;
    // A message box titled "Quarbel" with an OK button.
    virtual void message(QWidget* parent, const QString& text, MessageIcon icon) = 0;
    // Yes/No/Cancel with the question icon, titled "Quarbel".
    virtual Answer askYesNoCancel(QWidget* parent, const QString& text) = 0;
    // OK/Cancel with the exclamation icon, titled "Quarbel", Cancel the default; true for OK.
    // Dialogs without their own box ask Yes/No/Cancel and take Yes for OK.
    virtual bool confirm(QWidget* parent, const QString& text) {
        return askYesNoCancel(parent, text) == Answer::Yes;
    }
};

// The real dialogs.
std::unique_ptr<Dialogs> makeQtDialogs();

// One Qt filter per pair, ";;"-separated, each showing its patterns once: a description that
// already ends with them is kept as it is ("Quarbelﾌｧｲﾙ(*.qbd)|*.qbd" -> "Quarbelﾌｧｲﾙ(*.qbd)"),
// any other gets them added ("すべてのファイル|*.bmp;*.jpg" -> "すべてのファイル (*.bmp *.jpg)").
QString qtFilterFromPairs(const QString& filter);

// The extension a dialog adds to a bare name: the request's own, or with the filter at index
// chosen, that filter's single extension ("PNG(*.png)|*.png" gives "png").
QString defaultSuffixFor(const FileDialogRequest& request, int filterIndex);

} // namespace quarbel::platform
