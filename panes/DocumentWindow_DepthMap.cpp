// A grey depth map (a Z pass, a depth-estimation result, another stereogram program's map) read into
// the Design pane through DepthMapDialog.

#include "document/Parameters.h"
#include "document/Settings.h"
#include "panes/DepthMapDialog.h"
#include "panes/DocumentWindow.h"
#include "platform/DepthMapFile.h"
#include "platform/Dialogs.h"

#include <QFileInfo>

namespace quarbel::panes {

namespace {

const QString kDepthMapFilter = QStringLiteral("深度マップ|*.png;*.bmp;*.jpg;*.jpeg;*.gif|PNG(*.png)|*.png|"
                                               "BMP(*.bmp)|*.bmp|JPEG(*.jpg)|*.jpg;*.jpeg|GIF(*.gif)|*.gif");

} // namespace

void DocumentWindow::InsDepthMap() {
    // A Design picture of its own kind: it starts where Design pictures were last taken from.
    const QString dirKey = QStringLiteral("picDesignDir");
    const document::Settings settings(m_state.SettingsPath, m_state.appDir);
    platform::FileDialogRequest request;
    request.filter = kDepthMapFilter;
    request.initialDir = settings.folderOrAppDir(dirKey);
    const std::optional<platform::FileChoice> choice = m_dialogs.openFile(this, request);
    if (!choice || choice->fullPath.isEmpty()) {
        return;
    }
    if (insertDepthMap(choice->fullPath)) {
        settings.rememberFolder(dirKey, choice->fullPath, choice->fileTitle);
    }
}

QString DocumentWindow::greyMapQuestion(const QString& path) {
    return QStringLiteral("「") + QFileInfo(path).fileName() +
           QStringLiteral("」は灰色だけの画像です。\r\n") +
           QStringLiteral("深度マップ（白が近く、黒が遠い）として読み込みますか？\r\n") +
           QStringLiteral("「いいえ」でそのままデザイン画像にします。");
}

bool DocumentWindow::insertDepthMap(const QString& path) {
    const platform::DepthMapResult result = platform::loadDepthMap(path);
    if (!result.ok()) {
        reportPictureError(path, *result.error);
        return false;
    }
    // The Design image has the map's size: the editor's width rule holds before anything is shown.
    if (result.map.width > document::MaxEditorPictureWidth) {
        refuseTooWide(insertProcedure(PaneId::Before));
        return false;
    }
    DepthMapDialog dialog(result.map, QFileInfo(path).fileName(), this);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    placeUnfiledDesign(dialog.design());
    return true;
}

} // namespace quarbel::panes
