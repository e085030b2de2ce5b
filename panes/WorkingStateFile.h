#pragma once

// A document window's working state file: claimed under a name no running copy holds and locked
// while the window is open, written from the document's state at deactivation, read back into it at
// activation, removed when the window closes. A file that cannot be written or read never turns the
// document into the defaults; the user is told once per trouble.

#include "document/DocumentState.h"
#include "document/StateFileLocks.h"

#include <QString>
#include <functional>
#include <memory>

class QLockFile;
class QWidget;

namespace quarbel::platform {
class Dialogs;
}

namespace quarbel::panes {

class WorkingStateFile {
public:
    // Messages are shown over window once its current event is handled.
    WorkingStateFile(QWidget& window, platform::Dialogs& dialogs);
    ~WorkingStateFile();
    WorkingStateFile(const WorkingStateFile&) = delete;
    WorkingStateFile& operator=(const WorkingStateFile&) = delete;

    // Takes the claimed file and its lock; from now on the file is this window's.
    void take(document::ClaimedStateFile claimed);
    const QString& path() const { return m_path; }

    // Writes document into the file (its IniPath becomes the file's).
    void save(document::DocumentState& document);
    // Reads the file into document, as an activation does. True when document is to be shown again:
    // it took the file, or it is the state kept at the last deactivation (the file could not be
    // read, and the user has been told).
    bool restore(document::DocumentState& document);

    // Deletes the file and gives up its lock.
    void discard();

private:
    void tellOnce(std::function<QString()> text);

    QWidget& m_window;
    platform::Dialogs& m_dialogs;
    QString m_path;
    // Held while the window is open, so that no other running copy takes or deletes the file.
    std::unique_ptr<QLockFile> m_lock;
    bool m_saved = false;     // written (or tried) at least once
    bool m_unwritten = false; // the last save could not write the file
    bool m_told = false;
};

} // namespace quarbel::panes
