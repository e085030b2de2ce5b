#include "support/ScriptedDialogs.h"

#include <QDir>
#include <QFileInfo>

namespace quarbel::testing {

using platform::Answer;
using platform::FileChoice;
using platform::FileDialogRequest;
using platform::MessageIcon;

std::optional<FileChoice> ScriptedDialogs::nextFile(const FileDialogRequest& request) {
    while (!m_files.isEmpty()) {
        std::optional<FileChoice> choice = m_files.takeFirst();
        if (!choice) {
            return choice;
        }
        const QString suffix = platform::defaultSuffixFor(request, choice->filterIndex);
        if (!suffix.isEmpty() && !choice->fileTitle.isEmpty() &&
            !choice->fileTitle.contains(QLatin1Char('.'))) {
            choice->fullPath += QLatin1Char('.') + suffix;
            choice->fileTitle += QLatin1Char('.') + suffix;
        }
        if (request.pathMustExist && !QFileInfo(choice->fullPath).absoluteDir().exists()) {
            m_asked.append({Asked::Refused, choice->fullPath, request, MessageIcon::Exclamation});
            continue;
        }
        return choice;
    }
    return std::nullopt;
}

std::optional<FileChoice> ScriptedDialogs::openFile(QWidget*, const FileDialogRequest& request) {
    m_asked.append({Asked::Open, request.initialDir, request, MessageIcon::Information});
    return nextFile(request);
}

std::optional<FileChoice> ScriptedDialogs::saveFile(QWidget*, const FileDialogRequest& request) {
    m_asked.append({Asked::Save, request.initialDir, request, MessageIcon::Information});
    return nextFile(request);
}

void ScriptedDialogs::message(QWidget*, const QString& text, MessageIcon icon) {
    m_asked.append({Asked::Message, text, {}, icon});
}

Answer ScriptedDialogs::askYesNoCancel(QWidget*, const QString& text) {
    m_asked.append({Asked::Question, text, {}, MessageIcon::Question});
    return m_answers.isEmpty() ? Answer::Cancel : m_answers.takeFirst();
}

} // namespace quarbel::testing
