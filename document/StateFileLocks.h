#pragma once

// Working state files in the application directory, shared by every running copy of the editor.
// Each file is held through a lock file beside it for as long as its window is open, so that one
// copy never takes, overwrites or deletes a file another copy is using.

#include <QLockFile>
#include <QString>
#include <memory>

namespace quarbel::document {

// Stems of working state files: new documents, and documents opened from a file.
inline const QString NewDocumentStateStem = QStringLiteral("Quarbel");
inline const QString OpenedDocumentStateStem = QStringLiteral("QuarbelDoc");

// True for the names this program gives its working state files (Quarbel12.tmp, QuarbelDoc3.tmp);
// any other *.tmp in the folder belongs to someone else.
bool isStateFileName(const QString& name);

// The lock of a state file, held; null when a running copy (this one included) holds it.
std::unique_ptr<QLockFile> holdStateFile(const QString& statePath);

struct ClaimedStateFile {
    QString path;
    int number = 0;
    std::unique_ptr<QLockFile> lock;
};

// The first name stem + N + ".tmp" in dir, N >= firstNumber, that no running copy holds and that
// does not exist yet (a leftover of a crashed run is not taken over); it is held on return.
ClaimedStateFile claimStateFile(const QString& dir, const QString& stem, int firstNumber);

// Deletes the state files in dir that no running copy holds (this copy's open windows hold theirs),
// and the locks of copies that are no longer running; leaves every other file alone. Returns how
// many state files were deleted.
int removeUnheldStateFiles(const QString& dir);

} // namespace quarbel::document
