// Opening a document file, and the frame's printer.

#include <QDir>
#include <QFileInfo>

#include "document/Settings.h"
#include "document/StateFile.h"
#include "panes/DocumentWindow.h"
#include "platform/Dialogs.h"
#include "platform/Picture.h"
#include "ui/MainWindow.h"

namespace quarbel::ui {

namespace {

// Which of the three pictures the document names, one letter each in the fixed order.
QString openPicCode(const document::AppState& state) {
    QString code;
    if (!state.PicDesignPath.isEmpty()) {
        code += QLatin1Char('D');
    }
    if (!state.PicFieldPath.isEmpty()) {
        code += QLatin1Char('F');
    }
    if (!state.PicStereoPath.isEmpty()) {
        code += QLatin1Char('S');
    }
    return code;
}

// A typed name may sit in a folder that is not there or be a file that cannot be read; the
// document file itself may be missing (it is created by the first write).
std::optional<platform::PictureError> documentFileProblem(const QString& path) {
    const QFileInfo info(path);
    if (!info.absoluteDir().exists()) {
        return platform::pictureError(platform::ErrPathNotFound);
    }
    if (info.isDir()) {
        return platform::pictureError(platform::ErrPathFileAccess);
    }
    if (info.exists() && !info.isReadable()) {
        return platform::pictureError(platform::ErrPermissionDenied);
    }
    return std::nullopt;
}

bool reportedAndCarriedOn(int number) {
    return number == platform::ErrFileNotFound || number == platform::ErrDeviceUnavailable ||
           number == platform::ErrPathNotFound;
}

} // namespace

void MainWindow::mnuOpen_Click() {
    const QString qbdFileDir = QStringLiteral("QbdFileDir");
    const document::Settings settings(m_state.SettingsPath, m_state.appDir);

    platform::FileDialogRequest request;
    request.filter = panes::DocumentFilter;
    request.initialDir = settings.folderOrAppDir(qbdFileDir);
    const std::optional<platform::FileChoice> choice = m_dialogs.openFile(this, request);
    if (!choice || choice->fullPath.isEmpty()) {
        return;
    }
    const QString fullPath = choice->fullPath;
    const QString fileTitle = choice->fileTitle;
    // The document name is the title less four characters; a shorter title gives no document.
    // Checked before anything changes, so the active document keeps its file.
    if (fileTitle.size() < panes::DocumentSuffix.size()) {
        return;
    }
    const std::optional<platform::PictureError> problem = documentFileProblem(fullPath);
    if (problem && !reportedAndCarriedOn(problem->number)) {
        return;
    }

    // The active document's state goes into its own file before the shared values change.
    detachCurrentDocument();
    m_state.IniPath = fullPath;
    m_state.DocName = fileTitle.left(fileTitle.size() - panes::DocumentSuffix.size());
    // A folder that cannot be remembered costs the next dialog its starting place, nothing more.
    settings.rememberFolder(qbdFileDir, fullPath, fileTitle);
    m_state.OpenMode = QStringLiteral("Hiraku");
    if (problem) {
        m_dialogs.message(this, platform::runTimeErrorMessage(*problem), platform::MessageIcon::Exclamation);
    }
    document::RestoreWindowState(m_state, *this);
    SetNewDocumentMenus();
    m_state.OpenPicCode = openPicCode(m_state);
    setMenuEnabled(document::Menu::mnuSave, true);
    setButtonEnabled(3, true);
    m_state.PicSource = QStringLiteral("FromMDImnuOpen");
    PostCommand(QStringLiteral("MDImnuOpen"));
}

platform::Printer* MainWindow::printer() {
    if (!m_printer) {
        m_ownPrinter = platform::makeSystemPrinter();
        m_printer = m_ownPrinter.get();
    }
    return m_printer;
}

} // namespace quarbel::ui
