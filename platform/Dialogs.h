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
    // The overwrite question is asked about the name with the extension.
    QString defaultSuffix;
    // The dialog refuses a name in a folder that does not exist and lets the user choose again.
    bool pathMustExist = false;
};

struct FileChoice {
    QString fullPath;
    QString fileTitle; // the name without its folder
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

// Answers prepared in advance, for tests and scripted runs; records what was asked.
class ScriptedDialogs : public Dialogs {
public:
    struct Asked {
        enum Kind { Open, Save, Message, Question, Refused } kind;
        QString text; // message or question text; the initial folder for file dialogs
        FileDialogRequest request;
        MessageIcon icon = MessageIcon::Information;
    };

    // Each call takes the next prepared answer of its kind; with none left, file dialogs cancel
    // and questions answer Cancel. Like the real dialog, a file dialog adds the request's default
    // suffix to a name without one, and with pathMustExist passes over (and records as Refused) a
    // choice whose folder does not exist, taking the next prepared one.
    void queueFile(std::optional<FileChoice> choice) { m_files.append(choice); }
    void queueAnswer(Answer answer) { m_answers.append(answer); }

    std::optional<FileChoice> openFile(QWidget* parent, const FileDialogRequest& request) override;
    std::optional<FileChoice> saveFile(QWidget* parent, const FileDialogRequest& request) override;
    void message(QWidget* parent, const QString& text, MessageIcon icon) override;
    Answer askYesNoCancel(QWidget* parent, const QString& text) override;

    const QList<Asked>& asked() const { return m_asked; }
    void clearAsked() { m_asked.clear(); }
    int pendingFiles() const { return static_cast<int>(m_files.size()); }

private:
    std::optional<FileChoice> nextFile(const FileDialogRequest& request);

    QList<std::optional<FileChoice>> m_files;
    QList<Answer> m_answers;
    QList<Asked> m_asked;
};

} // namespace quarbel::platform
