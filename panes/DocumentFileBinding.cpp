#include "panes/DocumentFileBinding.h"

#include "document/DocumentFile.h"
#include "document/EnableTable.h"
#include "document/Settings.h"
#include "document/StateFile.h"
#include "document/StateFileLocks.h"
#include "panes/DocumentHost.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/Picture.h"

#include <QDir>
#include <QFileInfo>
#include <array>
#include <utility>

namespace quarbel::panes {

namespace {

const QString kQbdFileDir = QStringLiteral("QbdFileDir");

struct PaneFile {
    const char* name; // part of the picture file's name
    PicturePane* (DocumentWindow::*pane)() const;
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

// BMP first and chosen unless the user picks PNG or types its extension.
const QString kPaneImageFilter = QStringLiteral("BMP(*.bmp)|*.bmp|PNG(*.png)|*.png");
constexpr int kPngFilter = 1;
const QString kBmpSuffix = QStringLiteral(".bmp");

struct PaneSave {
    DocumentWindow::PaneId id;
    PicturePane* (DocumentWindow::*pane)() const;
    const char* dirKey;
    bool becomesStereoPath; // the saved file is the document's Stereo picture from now on
    const char* picture;    // the picture's name as the menu gives it, for the dialog's title
    const char* nameSuffix; // added to the document's name for the proposed file name, as a save of
                            // the document names a picture that exists in no file
};

constexpr PaneSave kPaneSaves[] = {
    {DocumentWindow::PaneId::Before, &DocumentWindow::picBefore, "picDesignDir", false, "デザイン画像",
     "_Design"},
    {DocumentWindow::PaneId::Field, &DocumentWindow::picField, "picFieldDir", false, "フィールド画像",
     "_Field"},
    {DocumentWindow::PaneId::After, &DocumentWindow::picAfter, "picStereoDir", true, "ステレオアート画像",
     "_Stereo"},
};

} // namespace

DocumentFileBinding::DocumentFileBinding(Window window) : m_window(std::move(window)) {}

void DocumentFileBinding::saveAs() {
    m_window.flags.SaveFailed = false;
    const document::Settings settings(m_window.state.SettingsPath, m_window.state.appDir);

    platform::FileDialogRequest request;
    request.filter = DocumentFilter;
    request.initialDir = settings.folderOrAppDir(kQbdFileDir);
    request.fileName = m_window.labels.lblTitle;
    request.overwritePrompt = true;
    // The dialog adds the extension to a bare name, so its overwrite question is about the file
    // that is really written; a name with another extension is used as typed.
    request.defaultSuffix = DocumentSuffix.mid(1);
    request.pathMustExist = true;
    const std::optional<platform::FileChoice> choice = m_window.dialogs.saveFile(&m_window.form, request);
    // The document name is the title less four characters; a shorter title names no document.
    if (!choice || choice->fullPath.isEmpty() || choice->fileTitle.size() < DocumentSuffix.size()) {
        m_window.flags.SaveFailed = true;
        return;
    }
    const QString fullPath = choice->fullPath;
    const QString fileTitle = choice->fileTitle;
    settings.rememberFolder(kQbdFileDir, fullPath, fileTitle);
    if (refuseProtectedTarget(fullPath, true)) {
        m_window.flags.SaveFailed = true;
        return;
    }

    // Write first and bind the window to the new file only when the file really holds the document;
    // otherwise the window stays on its old file and the user is told.
    document::SharedControls& controls = m_window.host.sharedControls();
    const bool saveWasEnabled = controls.menuEnabled(document::Menu::mnuSave);
    const bool buttonWasEnabled = controls.buttonEnabled(3);
    document::applyEnables(controls, document::menuAndButtonSet(document::Menu::mnuSave, 3, true));
    if (!writeDocument(fullPath)) {
        const document::Enable before[] = {document::menuSet(document::Menu::mnuSave, saveWasEnabled),
                                           document::buttonSet(3, buttonWasEnabled)};
        document::applyEnables(controls, before);
        m_window.flags.SaveFailed = true;
        return;
    }

    // The window keeps its working file; from now on Save writes the chosen document file.
    m_window.labels.documentPath = fullPath;
    m_window.model.fields.DocName = fileTitle.left(fileTitle.size() - DocumentSuffix.size());
    m_window.form.setWindowTitle(m_window.model.fields.DocName);
    m_window.labels.lblTitle = m_window.model.fields.DocName;
    m_window.labels.lblStereoName = m_window.model.fields.StereoName;
    m_window.labels.lblOldIniName = fullPath;
    m_window.host.setStatusPanelText(1, m_window.form.displayPath());
}

void DocumentFileBinding::save() {
    // Save is enabled only for a document that has a file; should it run without one, the user
    // chooses a name rather than losing the save.
    if (m_window.labels.documentPath.isEmpty()) {
        saveAs();
        return;
    }
    writeDocument(m_window.labels.documentPath);
}

bool DocumentFileBinding::writeDocument(const QString& documentPath) {
    if (!storeUnfiledPictures(documentPath)) {
        return false;
    }
    // The working file takes the picture paths just recorded, so a window switch keeps them.
    writeStateTo(m_window.labels.lblIniName);
    // A file that is no document (the user typed another extension and agreed to replace it) is
    // replaced whole: keys mixed into someone's notes would be neither.
    document::DocumentFields snapshot = m_window.model.fields;
    snapshot.IniPath = documentPath;
    const bool written = document::classifyDocumentFile(documentPath) == document::DocumentFileKind::Foreign
                             ? document::ReplaceWithWindowState(snapshot, m_window.model.controls)
                             : document::SaveWindowState(snapshot, m_window.model.controls);
    if (!written) {
        reportSaveFailure(documentPath);
        return false;
    }
    return true;
}

bool DocumentFileBinding::storeUnfiledPictures(const QString& documentPath) {
    using PaneId = DocumentWindow::PaneId;
    const DocumentWindow& form = m_window.form;
    const std::array<std::pair<PaneId, PaneFile>, 3> panes{{
        {PaneId::Before, {"Design", &DocumentWindow::picBefore, &document::DocumentFields::PicDesignPath}},
        {PaneId::Field, {"Field", &DocumentWindow::picField, &document::DocumentFields::PicFieldPath}},
        {PaneId::After, {"Stereo", &DocumentWindow::picAfter, &document::DocumentFields::PicStereoPath}},
    }};
    const QFileInfo document(documentPath);
    const QDir folder = document.absoluteDir();
    const QString base = document.completeBaseName();

    for (const auto& [id, file] : panes) {
        const PicturePane* pane = (form.*file.pane)();
        // A Stereo picture still being drawn is not the document's picture yet.
        if (pane->isHidden() || (id == PaneId::After && form.holdsRun())) {
            continue;
        }
        const QImage picture = pane->picture().convertToFormat(QImage::Format_RGB32);
        if (picture.isNull()) {
            continue;
        }
        QString& named = m_window.model.fields.*file.path;
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
                const platform::Answer answer = m_window.dialogs.askYesNoCancel(
                    &m_window.form, QStringLiteral("「") + target + QStringLiteral("」は既にあります。") +
                                        kNewLine +
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

bool DocumentFileBinding::writeStateTo(const QString& path) {
    document::DocumentFields snapshot = m_window.model.fields;
    snapshot.IniPath = path;
    return document::SaveWindowState(snapshot, m_window.model.controls);
}

bool DocumentFileBinding::refuseProtectedTarget(const QString& path, bool ownDocumentAllowed) {
    // A working file is deleted with its window (and another copy of the program may hold it), the
    // settings file is rewritten; two windows bound to one file would each save over the other's
    // work, and a picture over a document would lose the document.
    const QFileInfo target(path);
    const bool programFile = (platform::sameFile(target.absolutePath(), m_window.state.appDir) &&
                              document::isStateFileName(target.fileName())) ||
                             platform::sameFile(path, m_window.state.SettingsPath);
    const DocumentWindow* holder = programFile ? nullptr : m_window.host.windowOfDocument(path);
    QString why;
    if (programFile) {
        why = QStringLiteral("」はQuarbelの作業用ファイルです。\r\n別の名前を指定してください。");
    } else if (holder && holder != &m_window.form) {
        why = QStringLiteral("」は別のウィンドウで開いています。\r\n"
                             "そのウィンドウを閉じるか、別の名前を指定してください。");
    } else if (holder && !ownDocumentAllowed) {
        why = QStringLiteral("」はこのウィンドウのドキュメントです。\r\n別の名前を指定してください。");
    } else {
        return false;
    }
    m_window.dialogs.message(&m_window.form, QStringLiteral("「") + path + why,
                             platform::MessageIcon::Exclamation);
    return true;
}

void DocumentFileBinding::reportSaveFailure(const QString& path, qint64 bytesNeeded) {
    m_window.dialogs.message(&m_window.form,
                             QStringLiteral("「") + path + QStringLiteral("」に保存できませんでした。") +
                                 QStringLiteral("\r\n") + platform::writeProblemAdvice(path, bytesNeeded),
                             platform::MessageIcon::Exclamation);
}

void DocumentFileBinding::savePaneImage(DocumentWindow::PaneId id) {
    const PaneSave* row = nullptr;
    for (const PaneSave& candidate : kPaneSaves) {
        if (id == candidate.id) {
            row = &candidate;
        }
    }
    if (!row) {
        return;
    }
    // The whole picture, whatever part of it is scrolled into view; an empty pane has nothing to save.
    const PicturePane* pane = (m_window.form.*row->pane)();
    const QImage picture = pane->picture();
    if (pane->isHidden() || picture.isNull()) {
        return;
    }
    const QString dirKey = QLatin1String(row->dirKey);
    const document::Settings settings(m_window.state.SettingsPath, m_window.state.appDir);

    platform::FileDialogRequest request;
    request.filter = kPaneImageFilter;
    // Three pictures share one dialog: its title says which one is being saved, and the proposed
    // name keeps the three apart.
    request.title = QString::fromUtf8(row->picture) + QStringLiteral("の保存");
    request.fileName = m_window.labels.lblTitle + QLatin1String(row->nameSuffix) + kBmpSuffix;
    request.initialDir = settings.folderOrAppDir(dirKey);
    request.overwritePrompt = true;
    // The dialog adds the chosen filter's extension to a bare name before its overwrite question, so
    // the question is about the file written here; a name the user gave another extension is
    // written as typed, in the chosen filter's format.
    request.defaultSuffix = kBmpSuffix.mid(1);
    request.pathMustExist = true;
    const std::optional<platform::FileChoice> choice = m_window.dialogs.saveFile(&m_window.form, request);
    if (!choice || choice->fullPath.isEmpty() || choice->fileTitle.isEmpty()) {
        return;
    }
    const QString fullPath = choice->fullPath;
    const QString fileTitle = choice->fileTitle;
    if (refuseProtectedTarget(fullPath, false)) {
        return;
    }

    // The document may name the file only once the file holds the picture; a failed write is told,
    // so the user does not leave believing the picture is safe.
    const platform::PictureFormat format = platform::pictureFormatForName(
        fullPath,
        choice->filterIndex == kPngFilter ? platform::PictureFormat::Png : platform::PictureFormat::Bmp);
    if (platform::savePicture(picture, fullPath, format)) {
        reportSaveFailure(fullPath, format == platform::PictureFormat::Bmp
                                        ? platform::bmpFileSize(picture.width(), picture.height())
                                        : 0);
        return;
    }
    if (row->becomesStereoPath) {
        m_window.model.fields.PicStereoPath = fullPath;
    }
    settings.rememberFolder(dirKey, fullPath, fileTitle);
}

} // namespace quarbel::panes
