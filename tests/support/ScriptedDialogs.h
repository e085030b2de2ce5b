#pragma once

// Dialogs answered from prepared answers instead of a user; records what was asked.

#include "platform/Dialogs.h"

#include <QList>
#include <QString>
#include <optional>

namespace quarbel::testing {

class ScriptedDialogs : public platform::Dialogs {
public:
    struct Asked {
        enum Kind { Open, Save, Message, Question, Refused } kind;
        QString text; // message or question text; the initial folder for file dialogs
        platform::FileDialogRequest request;
        platform::MessageIcon icon = platform::MessageIcon::Information;
    };

    // Each call takes the next prepared answer of its kind; with none left, file dialogs cancel
    // and questions answer Cancel. Like the real dialog, a file dialog adds the request's default
    // suffix (the chosen filter's) to a name without one, and with pathMustExist passes over (and records as
    // Refused) a choice whose folder does not exist, taking the next prepared one.
    void queueFile(std::optional<platform::FileChoice> choice) { m_files.append(choice); }
    void queueAnswer(platform::Answer answer) { m_answers.append(answer); }

    std::optional<platform::FileChoice> openFile(QWidget* parent,
                                                 const platform::FileDialogRequest& request) override;
    std::optional<platform::FileChoice> saveFile(QWidget* parent,
                                                 const platform::FileDialogRequest& request) override;
    void message(QWidget* parent, const QString& text, platform::MessageIcon icon) override;
    platform::Answer askYesNoCancel(QWidget* parent, const QString& text) override;

    const QList<Asked>& asked() const { return m_asked; }
    void clearAsked() { m_asked.clear(); }
    int pendingFiles() const { return static_cast<int>(m_files.size()); }

private:
    std::optional<platform::FileChoice> nextFile(const platform::FileDialogRequest& request);

    QList<std::optional<platform::FileChoice>> m_files;
    QList<platform::Answer> m_answers;
    QList<Asked> m_asked;
};

} // namespace quarbel::testing
