// Saving the document: the pictures that exist in no file go beside it first, then the keys go into
// the document file. The window's working file is its live state; the document file changes here only.

#include "document/DocumentFile.h"
#include "document/StateFile.h"
#include "panes/DocumentHost.h"
#include "panes/DocumentWindow.h"
#include "panes/WorkingStateFile.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/Picture.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>

namespace quarbel::panes {

namespace {

struct PaneFile {
    const char* name; // part of the picture file's name
    QString document::DocumentFields::*path;
};

// True when path is a readable picture file holding exactly image.
bool fileHolds(const QString& path, const QImage& image) {
    if (!QFileInfo(path).isFile()) {
        return false;
    }
    const platform::PictureResult loaded = platform::loadPicture(path);
    return loaded.ok() && loaded.image.convertToFormat(QImage::Format_RGB32) == image;
}

const QString kNewLine = QStringLiteral("\r\n");

} // namespace

bool DocumentWindow::storeUnfiledPictures(const QString& documentPath) {
    const std::array<std::pair<PaneId, PaneFile>, 3> panes{{
        {PaneId::Before, {"Design", &document::DocumentFields::PicDesignPath}},
        {PaneId::Field, {"Field", &document::DocumentFields::PicFieldPath}},
        {PaneId::After, {"Stereo", &document::DocumentFields::PicStereoPath}},
    }};
    const QFileInfo document(documentPath);
    const QDir folder = document.absoluteDir();
    const QString base = document.completeBaseName();

    for (const auto& [id, file] : panes) {
        const PaneSet& set = m_panes[static_cast<std::size_t>(id)];
        // A Stereo picture still being drawn is not the document's picture yet.
        if (set.pane->isHidden() || (id == PaneId::After && m_runController->holdsRun())) {
            continue;
        }
        const QImage picture = set.pane->picture().convertToFormat(QImage::Format_RGB32);
        if (picture.isNull()) {
            continue;
        }
        QString& named = m_model.fields.*file.path;
        if (!named.isEmpty() && fileHolds(named, picture)) {
            continue;
        }
        // Pasted, tiled by the wizard, converted or changed since: the picture exists in no file.
        // Each try names the document and the pane; an existing file is replaced only when the
        // user says so, otherwise the next number is tried.
        for (int attempt = 1;; ++attempt) {
            const QString suffix = attempt == 1 ? QString() : QString::number(attempt);
            const QString target = QDir::toNativeSeparators(folder.filePath(
                base + QLatin1Char('_') + QLatin1String(file.name) + suffix + QStringLiteral(".bmp")));
            if (QFileInfo::exists(target)) {
                if (fileHolds(target, picture)) {
                    named = target;
                    break;
                }
                const platform::Answer answer = m_dialogs.askYesNoCancel(
                    this, QStringLiteral("「") + target + QStringLiteral("」は既にあります。") + kNewLine +
                              QStringLiteral("上書きしますか？（「いいえ」で別の名前にします）"));
                if (answer == platform::Answer::Cancel) {
                    return false;
                }
                if (answer == platform::Answer::No) {
                    continue;
                }
            }
            if (platform::saveBmp(picture, target)) {
                reportSaveFailure(target, platform::bmpFileSize(picture.width(), picture.height()));
                return false;
            }
            named = target;
            break;
        }
    }
    return true;
}

bool DocumentWindow::writeDocument(const QString& documentPath) {
    if (!storeUnfiledPictures(documentPath)) {
        return false;
    }
    // The working file takes the picture paths just recorded, so a window switch keeps them.
    writeStateTo(m_labels.lblIniName);
    // A file that is no document (the user typed another extension and agreed to replace it) is
    // replaced whole: keys mixed into someone's notes would be neither.
    document::DocumentFields snapshot = m_model.fields;
    snapshot.IniPath = documentPath;
    const bool written = document::classifyDocumentFile(documentPath) == document::DocumentFileKind::Foreign
                             ? document::ReplaceWithWindowState(snapshot, m_model.controls)
                             : document::SaveWindowState(snapshot, m_model.controls);
    if (!written) {
        reportSaveFailure(documentPath);
        return false;
    }
    return true;
}

void DocumentWindow::discardWorkingFile() {
    const QString working = m_labels.lblIniName;
    m_workingFile->discard();
    // Nothing may write the closed window's file back into being before the next window takes over.
    if (m_model.fields.IniPath == working) {
        m_model.fields.IniPath.clear();
    }
}

QString DocumentWindow::displayPath() const {
    return m_labels.documentPath.isEmpty() ? m_labels.lblIniName : m_labels.documentPath;
}

} // namespace quarbel::panes
