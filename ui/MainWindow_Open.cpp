// Opening a document file, and the frame's printer.

#include "document/DocumentFile.h"
#include "document/EnableTable.h"
#include "document/IniFile.h"
#include "document/Settings.h"
#include "document/StateFile.h"
#include "panes/DocumentWindow.h"
#include "platform/Dialogs.h"
#include "platform/Picture.h"
#include "ui/MainWindow.h"

#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace quarbel::ui {

namespace {

// Which of the three pictures the document names, one letter each in the fixed order.
QString openPicCode(const document::DocumentFields& state) {
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
    const auto problem = [&path](int number,
                                 platform::PictureRefusal refusal = platform::PictureRefusal::None) {
        platform::PictureError error = platform::pictureError(number);
        error.path = path;
        error.refusal = refusal;
        return error;
    };
    if (!info.absoluteDir().exists()) {
        return problem(platform::ErrPathNotFound);
    }
    if (info.isDir()) {
        return problem(platform::ErrPathFileAccess);
    }
    // A FIFO or a device would block the reading of the document.
    if (info.exists() && !info.isFile()) {
        return problem(platform::ErrPathFileAccess, platform::PictureRefusal::NotRegularDocument);
    }
    if (info.exists() && !info.isReadable()) {
        return problem(platform::ErrPermissionDenied);
    }
    return std::nullopt;
}

QString notADocumentMessage(const QString& path) {
    return QStringLiteral("「") + path + QStringLiteral("」はQuarbelのファイルではありません。") +
           QStringLiteral("\r\n") + QStringLiteral("Quarbelで保存したファイル（*.qbd）を選んでください。");
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
    request.pathMustExist = true;
    const std::optional<platform::FileChoice> choice = m_dialogs.openFile(this, request);
    if (!choice || choice->fullPath.isEmpty()) {
        return;
    }
    openChosenDocument(choice->fullPath, choice->fileTitle);
}

void MainWindow::openDocuments(const QStringList& names) {
    for (const QString& name : names) {
        const QString fullPath = QDir::cleanPath(QFileInfo(name).absoluteFilePath());
        // A name given to the program is a document the user has, never one to start: a typing
        // error must not become a new file.
        if (!QFileInfo::exists(fullPath)) {
            platform::PictureError error = platform::pictureError(QFileInfo(fullPath).absoluteDir().exists()
                                                                      ? platform::ErrFileNotFound
                                                                      : platform::ErrPathNotFound);
            error.path = fullPath;
            m_dialogs.message(this, platform::runTimeErrorMessage(error), platform::MessageIcon::Exclamation);
            continue;
        }
        openChosenDocument(fullPath, QFileInfo(fullPath).fileName());
    }
}

void MainWindow::openChosenDocument(const QString& fullPath, const QString& fileTitle) {
    const QString qbdFileDir = QStringLiteral("QbdFileDir");
    const document::Settings settings(m_state.SettingsPath, m_state.appDir);
    // The document name is the title less four characters; a shorter title gives no document.
    // Checked before anything changes, so the active document keeps its file.
    if (fileTitle.size() < panes::DocumentSuffix.size()) {
        return;
    }
    const DocumentFileCheck check = checkDocumentFile(fullPath);
    if (check.refused) {
        return;
    }
    const std::optional<platform::PictureError>& problem = check.carried;
    // A document already open is brought to the front: two windows on one file would each save
    // over the other's work.
    if (panes::DocumentWindow* form = windowOfDocument(fullPath)) {
        if (QMdiSubWindow* window = subWindowOf(*form)) {
            window->showNormal();
            window->raise();
        }
        makeCurrent(*form);
        return;
    }
    // The active document's state goes into its own file; the frame's own state takes the new one.
    detachCurrentDocument();
    // Nothing is written while the document is read: a slider set from the file writes to IniPath,
    // which names no file until the new window's working file takes over.
    fields().IniPath.clear();
    fields().DocName = fileTitle.left(fileTitle.size() - panes::DocumentSuffix.size());
    // A folder that cannot be remembered costs the next dialog its starting place, nothing more.
    settings.rememberFolder(qbdFileDir, fullPath, fileTitle);
    fields().OpenMode = QStringLiteral("Hiraku");
    if (problem) {
        m_dialogs.message(this, platform::runTimeErrorMessage(*problem), platform::MessageIcon::Exclamation);
    }
    readOpenedDocument(fullPath);
    document::applyEnables(*this, document::menuAndButtonSet(document::Menu::mnuSave, 3, true));
    // The new window's working file, not the document, holds the state from here on.
    if (panes::DocumentWindow* form = activeDocument()) {
        document::DocumentFields snapshot = form->model().fields;
        snapshot.IniPath = form->labels().lblIniName;
        document::SaveWindowState(snapshot, form->model().controls);
    }
    PostCommand(
        {document::CommandTag::MDImnuOpen, document::PicSource::FromMDImnuOpen, openPicCode(fields())});
}

MainWindow::DocumentFileCheck MainWindow::checkDocumentFile(const QString& fullPath) {
    const std::optional<platform::PictureError> problem = documentFileProblem(fullPath);
    if (problem && problem->refusal != platform::PictureRefusal::None) {
        m_dialogs.message(this, platform::runTimeErrorMessage(*problem), platform::MessageIcon::Exclamation);
        return {true, problem};
    }
    if (problem) {
        // A missing file starts a new document after its message; anything else ends here.
        return {!reportedAndCarriedOn(problem->number), problem};
    }
    // A file that is there but cannot be read (larger than any document, a read error) would
    // leave the new document with the values the previous one had.
    if (document::IniSnapshot(fullPath).status() == document::IniSnapshot::Status::Unreadable) {
        m_dialogs.message(this,
                          QStringLiteral("「") + fullPath + QStringLiteral("」を読み込めませんでした。") +
                              QStringLiteral("\r\n") +
                              QStringLiteral("Quarbelの文書ファイルを指定してください。"),
                          platform::MessageIcon::Exclamation);
        return {true, std::nullopt};
    }
    // A file that is not a document is never taken over: writing keys into it would spoil it.
    if (document::classifyDocumentFile(fullPath) == document::DocumentFileKind::Foreign) {
        m_dialogs.message(this, notADocumentMessage(fullPath), platform::MessageIcon::Exclamation);
        return {true, std::nullopt};
    }
    return {false, std::nullopt};
}

void MainWindow::readOpenedDocument(const QString& fullPath) {
    // The document is read into a value first; the shared controls then show it as a whole.
    document::DocumentState opened;
    opened.fields = fields();
    opened.fields.IniPath = fullPath;
    // A file that could not be read after all changes nothing.
    if (document::RestoreWindowState(opened.fields, opened.controls) != document::StateRestore::Unreadable) {
        document::showDocument(opened, fields(), *this);
    }
    // A picture named relative to the document lives beside the document, wherever the program runs.
    for (QString document::DocumentFields::*picture :
         {&document::DocumentFields::PicDesignPath, &document::DocumentFields::PicFieldPath,
          &document::DocumentFields::PicStereoPath}) {
        fields().*picture = document::picturePathFromDocument(fullPath, fields().*picture);
    }
    SetNewDocumentMenus(fullPath);
}

platform::Printer* MainWindow::printer() {
    if (!m_printer) {
        m_ownPrinter = platform::makeSystemPrinter();
        m_printer = m_ownPrinter.get();
    }
    return m_printer;
}

} // namespace quarbel::ui
