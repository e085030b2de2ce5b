#include "panes/WorkingStateFile.h"

#include "document/StateFile.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"

#include <QLockFile>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <utility>

namespace quarbel::panes {

WorkingStateFile::WorkingStateFile(QWidget& window, platform::Dialogs& dialogs)
    : m_window(window), m_dialogs(dialogs) {}

WorkingStateFile::~WorkingStateFile() = default;

void WorkingStateFile::take(document::ClaimedStateFile claimed) {
    m_path = claimed.path;
    m_lock = std::move(claimed.lock);
}

void WorkingStateFile::save(document::DocumentState& document) {
    document.fields.IniPath = m_path;
    m_saved = true;
    m_unwritten = !document::SaveWindowState(document.fields, document.controls);
    if (m_unwritten) {
        tellOnce([file = m_path] {
            return QStringLiteral("「") + file +
                   QStringLiteral("」にウィンドウの状態を保存できませんでした。") + QStringLiteral("\r\n") +
                   platform::writeProblemAdvice(file);
        });
    } else {
        m_told = false;
    }
}

bool WorkingStateFile::restore(document::DocumentState& document) {
    document.fields.IniPath = m_path;
    // A file that lost the last write, vanished or cannot be read must not turn into the
    // defaults (everything enabled, kind "Field"): the state the window holds stays.
    document::DocumentState fromFile = document;
    const document::StateRestore restore =
        m_unwritten ? document::StateRestore::Unreadable
                    : document::RestoreWindowState(fromFile.fields, fromFile.controls);
    // Before the first save whatever the file gave, defaults included, is all there is; a file that
    // could not be read changes nothing.
    const bool takeFile = restore == document::StateRestore::Restored ||
                          (!m_saved && restore != document::StateRestore::Unreadable);
    if (takeFile) {
        document = std::move(fromFile);
    } else if (m_saved && !m_unwritten) {
        tellOnce([file = m_path] {
            return QStringLiteral("「") + file +
                   QStringLiteral("」からウィンドウの状態を読み込めませんでした。") + QStringLiteral("\r\n") +
                   QStringLiteral("直前の状態のまま続けます。");
        });
    }
    return takeFile || m_saved;
}

void WorkingStateFile::discard() {
    platform::setFileAttributes(m_path, platform::FileAttributes::Normal);
    platform::deleteFile(m_path);
    m_lock.reset();
}

void WorkingStateFile::tellOnce(std::function<QString()> text) {
    if (m_told) {
        return;
    }
    m_told = true;
    // Told once the window switch is over: a message box in the middle of it would move the
    // activation again. The text is made only then: finding out why a write failed asks the file
    // system, which a dead network mount may keep waiting.
    QTimer::singleShot(0, &m_window, [this, text = std::move(text)] {
        m_dialogs.message(&m_window, text(), platform::MessageIcon::Exclamation);
    });
}

} // namespace quarbel::panes
