// A pane's picture into a BMP file, and the Stereo picture onto paper.

#include "document/Settings.h"
#include "panes/DocumentHost.h"
#include "panes/DocumentWindow.h"
#include "platform/Dialogs.h"
#include "platform/Picture.h"
#include "platform/Printer.h"

#include <QGuiApplication>
#include <QScreen>

namespace quarbel::panes {

namespace {

const QString kBmpFilter = QStringLiteral("BMP(*.bmp)|*.bmp");
const QString kBmpSuffix = QStringLiteral(".bmp");

struct PaneSave {
    const char* tag;
    PicturePane* (DocumentWindow::*pane)() const;
    const char* dirKey;
    bool becomesStereoPath; // the saved file is the document's Stereo picture from now on
};

constexpr PaneSave kPaneSaves[] = {
    {"MDImnuSaveDesign", &DocumentWindow::picBefore, "picDesignDir", false},
    {"MDImnuSaveField", &DocumentWindow::picField, "picFieldDir", false},
    {"MDImnuSaveStereo", &DocumentWindow::picAfter, "picStereoDir", true},
};

} // namespace

void DocumentWindow::SavePaneImage() {
    const PaneSave* row = nullptr;
    for (const PaneSave& candidate : kPaneSaves) {
        if (m_state.CommandTag == QLatin1String(candidate.tag)) {
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
    request.filter = kBmpFilter;
    request.initialDir = settings.folderOrAppDir(dirKey);
    request.overwritePrompt = true;
    // The dialog adds ".bmp" to a bare name before its overwrite question, so the question is about
    // the file written here; a name the user gave another extension is written as typed.
    request.defaultSuffix = kBmpSuffix.mid(1);
    request.pathMustExist = true;
    const std::optional<platform::FileChoice> choice = m_dialogs.saveFile(this, request);
    if (!choice || choice->fullPath.isEmpty() || choice->fileTitle.isEmpty()) {
        return;
    }
    const QString fullPath = choice->fullPath;
    const QString fileTitle = choice->fileTitle;

    // The document may name the file only once the file holds the picture; a failed write is told,
    // so the user does not leave believing the picture is safe.
    if (platform::saveBmp(picture, fullPath)) {
        reportSaveFailure(fullPath);
        return;
    }
    if (row->becomesStereoPath) {
        m_state.PicStereoPath = fullPath;
    }
    settings.rememberFolder(dirKey, fullPath, fileTitle);
}

void DocumentWindow::PrintStereo() {
    const QImage picture = m_picAfter->picture();
    if (m_picAfter->isHidden() || picture.isNull()) {
        return;
    }
    // One picture pixel per screen pixel: the paper shows the size the user sees.
    const QScreen* shown = screen() ? screen() : QGuiApplication::primaryScreen();
    const qreal dpiX = shown ? shown->logicalDotsPerInchX() : 96.0;
    const qreal dpiY = shown ? shown->logicalDotsPerInchY() : 96.0;
    const platform::PrintPage page{picture, QSizeF(picture.width() / dpiX, picture.height() / dpiY)};

    platform::Printer* printer = m_host.printer();
    const std::optional<platform::PrintError> error =
        printer ? printer->printPage(page) : std::optional(platform::PrintError::NoPrinter);
    if (!error) {
        return;
    }
    const QString text = *error == platform::PrintError::NoPrinter
                             ? QStringLiteral("プリンターが見つかりません。") + QStringLiteral("\r\n") +
                                   QStringLiteral("プリンターを設定してから印刷してください。")
                             : QStringLiteral("印刷できませんでした。") + QStringLiteral("\r\n") +
                                   QStringLiteral("プリンターの状態を確かめてください。");
    m_dialogs.message(this, text, platform::MessageIcon::Exclamation);
}

} // namespace quarbel::panes
