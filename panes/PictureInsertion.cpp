#include "panes/PictureInsertion.h"

#include "document/EnableTable.h"
#include "document/Parameters.h"
#include "document/RunStates.h"
#include "document/Settings.h"
#include "document/StateFile.h"
#include "engine/Colour.h"
#include "panes/DepthMapDialog.h"
#include "panes/DocumentHost.h"
#include "panes/DocumentWindow.h"
#include "panes/PictureView.h"
#include "platform/Clipboard.h"
#include "platform/DepthMapFile.h"
#include "platform/Dialogs.h"

#include <QFileInfo>
#include <utility>

namespace quarbel::panes {

using document::Enable;
using document::Menu;
using document::PicSource;

namespace {

constexpr std::size_t kDesign = 0;
constexpr std::size_t kField = 1;
constexpr std::size_t kStereo = 2;

const QString kPictureFilter = QStringLiteral("すべてのファイル|*.bmp;*.jpg;*.gif;*.wmf|BMP(*.bmp)|*.bmp|"
                                              "JPEG(*.jpg)|*.jpg|GIF(*.gif)|*.gif|WMF(*.wmf)|*.wmf");

const QString kDepthMapFilter = QStringLiteral("深度マップ|*.png;*.bmp;*.jpg;*.jpeg;*.gif|PNG(*.png)|*.png|"
                                               "BMP(*.bmp)|*.bmp|JPEG(*.jpg)|*.jpg;*.jpeg|GIF(*.gif)|*.gif");

} // namespace

// What tells the three insert procedures apart.
struct PictureInsertion::Procedure {
    enum class Ready { DesignRule, BothShown, Never };

    std::size_t pane; // Design, Field, Stereo: the index into the window's views
    const char* dirKey;
    PicSource clipboardTag; // the PicSource under which Paste brings the clipboard's picture here
    QString document::DocumentFields::*path;
    const char* tooLarge;
    std::array<Enable, 2> saveMenus; // the save entries a shown picture turns on
    bool printing;                   // a Stereo picture can be printed at once
    Ready ready;
};

const PictureInsertion::Procedure& PictureInsertion::procedure(std::size_t pane) {
    using P = Procedure;
    static const P kProcedures[] = {
        {kDesign,
         "picDesignDir",
         PicSource::CBpicBefore,
         &document::DocumentFields::PicDesignPath,
         "デザイン画像が大きすぎます。",
         {document::menuOn(Menu::mnuSaveGazou), document::menuOn(Menu::mnuSaveDesign)},
         false,
         P::Ready::DesignRule},
        {kField,
         "picFieldDir",
         PicSource::CBpicField,
         &document::DocumentFields::PicFieldPath,
         "フィールド画像が大きすぎます。",
         {document::menuOn(Menu::mnuSaveGazou), document::menuOn(Menu::mnuSaveField)},
         false,
         P::Ready::BothShown},
        {kStereo,
         "picStereoDir",
         PicSource::CBpicAfter,
         &document::DocumentFields::PicStereoPath,
         "ステレオ画像が大きすぎます。",
         {document::menuOn(Menu::mnuSaveGazou), document::menuOn(Menu::mnuSaveStereo)},
         true,
         P::Ready::Never},
    };
    return kProcedures[pane];
}

PictureInsertion::PictureInsertion(Window window) : m_window(std::move(window)) {}

QWidget* PictureInsertion::owner() const {
    return &m_window.form;
}

QImage* PictureInsertion::backBuffer(const Procedure& procedure) const {
    // The Stereo picture goes straight into its pane; the converters read the other two.
    switch (procedure.pane) {
    case kDesign:
        return &m_window.design;
    case kField:
        return &m_window.field;
    default:
        return nullptr;
    }
}

void PictureInsertion::insertDesign(PicSource source) {
    insertPicture(procedure(kDesign), source);
}

void PictureInsertion::insertField(PicSource source) {
    insertPicture(procedure(kField), source);
}

void PictureInsertion::insertStereo(PicSource source) {
    insertPicture(procedure(kStereo), source);
}

void PictureInsertion::insertPicture(const Procedure& procedure, PicSource source) {
    std::optional<QImage> picture;
    bool tooWide = false;
    QString chosenPath;
    const bool fromFile = source == PicSource::FromFile || source == PicSource::FromMDImnuOpen;
    if (fromFile) {
        // A picture from a file leaves no pane chosen for the Edit commands.
        m_window.forgetEditTarget();
    }
    if (source == PicSource::FromFile) {
        const QString dirKey = QLatin1String(procedure.dirKey);
        const document::Settings settings(m_window.state.SettingsPath, m_window.state.appDir);
        platform::FileDialogRequest request;
        request.filter = kPictureFilter;
        request.initialDir = settings.folderOrAppDir(dirKey);
        const std::optional<platform::FileChoice> choice = m_window.dialogs.openFile(owner(), request);
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
        LoadedPicture loaded =
            loadReported(m_window.model.fields.*procedure.path, document::MaxEditorPictureWidth);
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
                m_window.dialogs.message(owner(), platform::runTimeErrorMessage(*pasted.error),
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
    if (!chosenPath.isEmpty() && procedure.pane == kDesign &&
        picture->width() <= document::MaxEditorPictureWidth && platform::looksLikeGreyMap(*picture)) {
        switch (m_window.dialogs.askYesNoCancel(owner(), greyMapQuestion(chosenPath))) {
        case platform::Answer::Yes:
            insertDepthMapFrom(chosenPath);
            return;
        case platform::Answer::No:
            break;
        case platform::Answer::Cancel:
            return;
        }
    }
    acceptPicture(procedure, *picture, chosenPath);
}

void PictureInsertion::refuseTooWide(const Procedure& procedure) {
    m_window.dialogs.message(owner(),
                             QString::fromUtf8(procedure.tooLarge) + QStringLiteral("\r\n") +
                                 document::widthAdvice(document::MaxEditorPictureWidth),
                             platform::MessageIcon::Exclamation);
}

void PictureInsertion::placeUnfiledDesign(const QImage& picture) {
    // As a pasted picture: the pane changes, the document's path stays, and a save puts the
    // picture beside the document.
    m_window.forgetEditTarget();
    acceptPicture(procedure(kDesign), picture, QString());
}

void PictureInsertion::acceptPicture(const Procedure& procedure, const QImage& picture,
                                     const QString& chosenPath) {
    // The check comes before anything changes, so a refused picture leaves the pane, its back
    // buffer and the document's path as they were and the shown picture is what gets converted.
    if (picture.width() > document::MaxEditorPictureWidth) {
        refuseTooWide(procedure);
        return;
    }

    if (!chosenPath.isEmpty()) {
        m_window.model.fields.*procedure.path = chosenPath;
    }
    if (QImage* buffer = backBuffer(procedure)) {
        *buffer = picture;
    }
    PictureView& view = *m_window.views[procedure.pane];
    view.pane()->setPicture(picture);
    view.pane()->show();
    view.scrollToOrigin();

    document::SharedControls& controls = m_window.host.sharedControls();
    document::applyEnables(controls, procedure.saveMenus);
    if (procedure.printing) {
        constexpr Enable kPrintable[] = {document::menuOn(Menu::mnuPrint), document::buttonOn(4)};
        document::applyEnables(controls, kPrintable);
        m_window.host.setStatusPanelText(5, m_window.form.stereoSizeText());
    }
    view.fitScrollBars();

    const bool designShown = !m_window.views[kDesign]->pane()->isHidden();
    const bool fieldShown = !m_window.views[kField]->pane()->isHidden();
    bool ready = false;
    switch (procedure.ready) {
    case Procedure::Ready::DesignRule:
        ready = documentReadyToConvert(fieldShown);
        break;
    case Procedure::Ready::BothShown:
        ready = designShown && fieldShown;
        break;
    case Procedure::Ready::Never:
        break;
    }
    if (ready) {
        document::SetConvertReady(controls);
    }
    m_window.updateChosenPaneEntries();
    document::SaveWindowState(m_window.model.fields, m_window.model.controls);
}

bool PictureInsertion::documentReadyToConvert(bool fieldShown) const {
    return m_window.model.fields.StereoName == document::StereoKind::RandomDot ||
           (m_window.model.fields.StereoName == document::StereoKind::Field && fieldShown);
}

PictureInsertion::LoadedPicture PictureInsertion::loadReported(const QString& path, int maxWidth) {
    platform::PictureResult result = platform::loadPicture(path, maxWidth);
    if (result.ok()) {
        return {std::move(result.image), false, false};
    }
    if (result.error->refusal == platform::PictureRefusal::TooWide) {
        return {std::nullopt, false, true};
    }
    return {std::nullopt, reportPictureError(path, *result.error), false};
}

bool PictureInsertion::reportPictureError(const QString& path, const platform::PictureError& error) {
    const int number = error.number;
    // A missing file, drive or folder is told as a run-time error, and so is a picture refused for
    // a limit (its size, its scans, not a regular file); a caller may carry on after it.
    const bool tell = number == platform::ErrFileNotFound || number == platform::ErrDeviceUnavailable ||
                      number == platform::ErrPathNotFound ||
                      (error.refusal != platform::PictureRefusal::None &&
                       error.refusal != platform::PictureRefusal::Damaged);
    if (tell) {
        m_window.dialogs.message(owner(), platform::runTimeErrorMessage(error),
                                 platform::MessageIcon::Exclamation);
    } else {
        // A file that is there but no picture this program reads: the command would otherwise end
        // without a word, as if nothing had been asked.
        m_window.dialogs.message(owner(), platform::unreadablePictureMessage(path, error),
                                 platform::MessageIcon::Exclamation);
    }
    return tell;
}

void PictureInsertion::insertOpened(const QString& code) {
    // The codes an opened document can give; the letters name the procedures in their fixed order.
    static constexpr const char* kCodes[] = {"DFS", "DF", "DS", "D", "FS", "F", "S"};
    for (const char* known : kCodes) {
        if (code != QLatin1String(known)) {
            continue;
        }
        for (const QChar letter : code) {
            if (letter == QLatin1Char('D')) {
                insertDesign(PicSource::FromMDImnuOpen);
            } else if (letter == QLatin1Char('F')) {
                insertField(PicSource::FromMDImnuOpen);
            } else {
                insertStereo(PicSource::FromMDImnuOpen);
            }
        }
        return;
    }
}

void PictureInsertion::insertDepthMap() {
    // A Design picture of its own kind: it starts where Design pictures were last taken from.
    const QString dirKey = QStringLiteral("picDesignDir");
    const document::Settings settings(m_window.state.SettingsPath, m_window.state.appDir);
    platform::FileDialogRequest request;
    request.filter = kDepthMapFilter;
    request.initialDir = settings.folderOrAppDir(dirKey);
    const std::optional<platform::FileChoice> choice = m_window.dialogs.openFile(owner(), request);
    if (!choice || choice->fullPath.isEmpty()) {
        return;
    }
    if (insertDepthMapFrom(choice->fullPath)) {
        settings.rememberFolder(dirKey, choice->fullPath, choice->fileTitle);
    }
}

QString PictureInsertion::greyMapQuestion(const QString& path) {
    return QStringLiteral("「") + QFileInfo(path).fileName() +
           QStringLiteral("」は灰色だけの画像です。\r\n") +
           QStringLiteral("深度マップ（白が近く、黒が遠い）として読み込みますか？\r\n") +
           QStringLiteral("「いいえ」でそのままデザイン画像にします。");
}

bool PictureInsertion::insertDepthMapFrom(const QString& path) {
    const platform::DepthMapResult result = platform::loadDepthMap(path);
    if (!result.ok()) {
        reportPictureError(path, *result.error);
        return false;
    }
    // The Design image has the map's size: the editor's width rule holds before anything is shown.
    if (result.map.width > document::MaxEditorPictureWidth) {
        refuseTooWide(procedure(kDesign));
        return false;
    }
    DepthMapDialog dialog(result.map, QFileInfo(path).fileName(), owner());
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    placeUnfiledDesign(dialog.design());
    return true;
}

} // namespace quarbel::panes
