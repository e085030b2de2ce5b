// A pane's picture into a BMP file, or a PNG file to share.

#include "document/Settings.h"
#include "panes/DocumentHost.h"
#include "panes/DocumentWindow.h"
#include "platform/Dialogs.h"
#include "platform/Picture.h"

namespace quarbel::panes {

namespace {

// BMP first and chosen unless the user picks PNG or types its extension.
const QString kPictureFilter = QStringLiteral("BMP(*.bmp)|*.bmp|PNG(*.png)|*.png");
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

void DocumentWindow::SavePaneImage(PaneId id) {
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
    const PicturePane* pane = (this->*row->pane)();
    const QImage picture = pane->picture();
    if (pane->isHidden() || picture.isNull()) {
        return;
    }
    const QString dirKey = QLatin1String(row->dirKey);
    const document::Settings settings(m_state.SettingsPath, m_state.appDir);

    platform::FileDialogRequest request;
    request.filter = kPictureFilter;
    // Three pictures share one dialog: its title says which one is being saved, and the proposed
    // name keeps the three apart.
    request.title = QString::fromUtf8(row->picture) + QStringLiteral("の保存");
    request.fileName = m_labels.lblTitle + QLatin1String(row->nameSuffix) + kBmpSuffix;
    request.initialDir = settings.folderOrAppDir(dirKey);
    request.overwritePrompt = true;
    // The dialog adds the chosen filter's extension to a bare name before its overwrite question, so
    // the question is about the file written here; a name the user gave another extension is
    // written as typed, in the chosen filter's format.
    request.defaultSuffix = kBmpSuffix.mid(1);
    request.pathMustExist = true;
    const std::optional<platform::FileChoice> choice = m_dialogs.saveFile(this, request);
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
        m_model.fields.PicStereoPath = fullPath;
    }
    settings.rememberFolder(dirKey, fullPath, fileTitle);
}

} // namespace quarbel::panes
