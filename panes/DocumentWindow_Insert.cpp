// Pictures into the Design, Field and Stereo panes: from a file the user picks, from the clipboard,
// or from the paths an opened document names.

#include "document/EnableTable.h"
#include "document/Parameters.h"
#include "document/RunStates.h"
#include "document/Settings.h"
#include "document/StateFile.h"
#include "engine/Colour.h"
#include "panes/DocumentHost.h"
#include "panes/DocumentWindow.h"
#include "platform/Clipboard.h"
#include "platform/DepthMapFile.h"
#include "platform/Dialogs.h"
#include "platform/Picture.h"

#include <QScrollBar>

namespace quarbel::panes {

using document::Enable;
using document::Menu;
using document::PicSource;

namespace {

const QString kPictureFilter = QStringLiteral("すべてのファイル|*.bmp;*.jpg;*.gif;*.wmf|BMP(*.bmp)|*.bmp|"
                                              "JPEG(*.jpg)|*.jpg|GIF(*.gif)|*.gif|WMF(*.wmf)|*.wmf");

} // namespace

// What tells the three insert procedures apart.
struct DocumentWindow::InsertProcedure {
    enum class Ready { DesignRule, BothShown, Never };

    PaneId pane;
    QImage DocumentWindow::*backBuffer; // null: the picture goes straight into the pane
    const char* dirKey;
    PicSource clipboardTag; // the PicSource under which Paste brings the clipboard's picture here
    QString document::DocumentFields::*path;
    const char* tooLarge;
    std::array<Enable, 2> saveMenus; // the save entries a shown picture turns on
    bool printing;                   // a Stereo picture can be printed at once
    Ready ready;
};

const DocumentWindow::InsertProcedure& DocumentWindow::insertProcedure(PaneId id) {
    using P = InsertProcedure;
    static const P kProcedures[] = {
        {PaneId::Before,
         &DocumentWindow::m_picUra,
         "picDesignDir",
         PicSource::CBpicBefore,
         &document::DocumentFields::PicDesignPath,
         "デザイン画像が大きすぎます。",
         {document::menuOn(Menu::mnuSaveGazou), document::menuOn(Menu::mnuSaveDesign)},
         false,
         P::Ready::DesignRule},
        {PaneId::Field,
         &DocumentWindow::m_picUraField,
         "picFieldDir",
         PicSource::CBpicField,
         &document::DocumentFields::PicFieldPath,
         "フィールド画像が大きすぎます。",
         {document::menuOn(Menu::mnuSaveGazou), document::menuOn(Menu::mnuSaveField)},
         false,
         P::Ready::BothShown},
        {PaneId::After,
         nullptr,
         "picStereoDir",
         PicSource::CBpicAfter,
         &document::DocumentFields::PicStereoPath,
         "ステレオ画像が大きすぎます。",
         {document::menuOn(Menu::mnuSaveGazou), document::menuOn(Menu::mnuSaveStereo)},
         true,
         P::Ready::Never},
    };
    return kProcedures[static_cast<std::size_t>(id)];
}

void DocumentWindow::InsPicDesign(PicSource source) {
    insertPicture(insertProcedure(PaneId::Before), source);
}

void DocumentWindow::InsPicField(PicSource source) {
    insertPicture(insertProcedure(PaneId::Field), source);
}

void DocumentWindow::InsPicStereo(PicSource source) {
    insertPicture(insertProcedure(PaneId::After), source);
}

void DocumentWindow::insertPicture(const InsertProcedure& procedure, PicSource source) {
    std::optional<QImage> picture;
    bool tooWide = false;
    QString chosenPath;
    const bool fromFile = source == PicSource::FromFile || source == PicSource::FromMDImnuOpen;
    if (fromFile) {
        // A picture from a file leaves no pane chosen for the Edit commands.
        m_editTarget.reset();
    }
    if (source == PicSource::FromFile) {
        const QString dirKey = QLatin1String(procedure.dirKey);
        const document::Settings settings(m_state.SettingsPath, m_state.appDir);
        platform::FileDialogRequest request;
        request.filter = kPictureFilter;
        request.initialDir = settings.folderOrAppDir(dirKey);
        const std::optional<platform::FileChoice> choice = m_dialogs.openFile(this, request);
        if (!choice || choice->fullPath.isEmpty()) {
            return;
        }
        // A picture wider than the limit is refused from its header, before it is decoded.
        LoadedPicture loaded = loadReported(choice->fullPath, document::MaxEditorPictureWidth);
        if (!loaded.picture && !loaded.tooWide) {
            return;
        }
        picture = std::move(loaded.picture);
        tooWide = loaded.tooWide;
        settings.rememberFolder(dirKey, choice->fullPath, choice->fileTitle);
        chosenPath = choice->fullPath;
    } else if (source == PicSource::FromMDImnuOpen) {
        LoadedPicture loaded = loadReported(m_model.fields.*procedure.path, document::MaxEditorPictureWidth);
        if (!loaded.picture && !loaded.tooWide) {
            return;
        }
        picture = std::move(loaded.picture);
        tooWide = loaded.tooWide;
    } else if (source == procedure.clipboardTag) {
        // The document's path stays: a pasted picture has no file.
        platform::PictureResult pasted = platform::clipboardPicture();
        if (!pasted.ok()) {
            // Too large or damaged is told as for a file; an empty clipboard ends silently.
            if (pasted.error->refusal != platform::PictureRefusal::None) {
                m_dialogs.message(this, platform::runTimeErrorMessage(*pasted.error),
                                  platform::MessageIcon::Exclamation);
            }
            return;
        }
        picture = std::move(pasted.image);
    } else {
        return; // any other source brings nothing new
    }

    if (tooWide) {
        refuseTooWide(procedure);
        return;
    }
    // A grey map chosen as a Design picture would be quantised to the depth colours' greys.
    if (!chosenPath.isEmpty() && procedure.pane == PaneId::Before &&
        picture->width() <= document::MaxEditorPictureWidth && platform::looksLikeGreyMap(*picture)) {
        switch (m_dialogs.askYesNoCancel(this, greyMapQuestion(chosenPath))) {
        case platform::Answer::Yes:
            insertDepthMap(chosenPath);
            return;
        case platform::Answer::No:
            break;
        case platform::Answer::Cancel:
            return;
        }
    }
    acceptPicture(procedure, *picture, chosenPath);
}

void DocumentWindow::refuseTooWide(const InsertProcedure& procedure) {
    m_dialogs.message(this,
                      QString::fromUtf8(procedure.tooLarge) + QStringLiteral("\r\n") +
                          document::widthAdvice(document::MaxEditorPictureWidth),
                      platform::MessageIcon::Exclamation);
}

void DocumentWindow::placeUnfiledDesign(const QImage& picture) {
    // As a pasted picture: the pane changes, the document's path stays, and a save puts the
    // picture beside the document.
    m_editTarget.reset();
    acceptPicture(insertProcedure(PaneId::Before), picture, QString());
}

void DocumentWindow::acceptPicture(const InsertProcedure& procedure, const QImage& picture,
                                   const QString& chosenPath) {
    // The check comes before anything changes, so a refused picture leaves the pane, its back
    // buffer and the document's path as they were and the shown picture is what gets converted.
    if (picture.width() > document::MaxEditorPictureWidth) {
        refuseTooWide(procedure);
        return;
    }

    if (!chosenPath.isEmpty()) {
        m_model.fields.*procedure.path = chosenPath;
    }
    if (procedure.backBuffer) {
        this->*procedure.backBuffer = picture;
    }
    PaneSet& set = paneSet(procedure.pane);
    set.pane->setPicture(picture);
    set.pane->show();
    scrollToOrigin(procedure.pane);

    document::SharedControls& controls = m_host.sharedControls();
    document::applyEnables(controls, procedure.saveMenus);
    if (procedure.printing) {
        constexpr Enable kPrintable[] = {document::menuOn(Menu::mnuPrint), document::buttonOn(4)};
        document::applyEnables(controls, kPrintable);
        m_host.setStatusPanelText(5, stereoSizeText());
    }
    fitScrollBars(procedure.pane);

    const bool designShown = !m_picBefore->isHidden();
    const bool fieldShown = !m_picField->isHidden();
    bool ready = false;
    switch (procedure.ready) {
    case InsertProcedure::Ready::DesignRule:
        ready = documentReadyToConvert(fieldShown);
        break;
    case InsertProcedure::Ready::BothShown:
        ready = designShown && fieldShown;
        break;
    case InsertProcedure::Ready::Never:
        break;
    }
    if (ready) {
        document::SetConvertReady(controls);
    }
    updateChosenPaneEntries();
    document::SaveWindowState(m_model.fields, m_model.controls);
}

bool DocumentWindow::documentReadyToConvert(bool fieldShown) const {
    return m_model.fields.StereoName == document::StereoKind::RandomDot ||
           (m_model.fields.StereoName == document::StereoKind::Field && fieldShown);
}

DocumentWindow::LoadedPicture DocumentWindow::loadReported(const QString& path, int maxWidth) {
    platform::PictureResult result = platform::loadPicture(path, maxWidth);
    if (result.ok()) {
        return {std::move(result.image), false, false};
    }
    if (result.error->refusal == platform::PictureRefusal::TooWide) {
        return {std::nullopt, false, true};
    }
    return {std::nullopt, reportPictureError(path, *result.error), false};
}

bool DocumentWindow::reportPictureError(const QString& path, const platform::PictureError& error) {
    const int number = error.number;
    // A missing file, drive or folder is told as a run-time error, and so is a picture refused for
    // a limit (its size, its scans, not a regular file); a caller may carry on after it.
    const bool tell = number == platform::ErrFileNotFound || number == platform::ErrDeviceUnavailable ||
                      number == platform::ErrPathNotFound ||
                      (error.refusal != platform::PictureRefusal::None &&
                       error.refusal != platform::PictureRefusal::Damaged);
    if (tell) {
        m_dialogs.message(this, platform::runTimeErrorMessage(error), platform::MessageIcon::Exclamation);
    } else {
        // A file that is there but no picture this program reads: the command would otherwise end
        // without a word, as if nothing had been asked.
        m_dialogs.message(this, platform::unreadablePictureMessage(path, error),
                          platform::MessageIcon::Exclamation);
    }
    return tell;
}

void DocumentWindow::insertOpenedPictures(const QString& code) {
    // The codes an opened document can give; the letters name the procedures in their fixed order.
    static constexpr const char* kCodes[] = {"DFS", "DF", "DS", "D", "FS", "F", "S"};
    for (const char* known : kCodes) {
        if (code != QLatin1String(known)) {
            continue;
        }
        for (const QChar letter : code) {
            if (letter == QLatin1Char('D')) {
                InsPicDesign(PicSource::FromMDImnuOpen);
            } else if (letter == QLatin1Char('F')) {
                InsPicField(PicSource::FromMDImnuOpen);
            } else {
                InsPicStereo(PicSource::FromMDImnuOpen);
            }
        }
        return;
    }
}

} // namespace quarbel::panes
