// The colour-field wizard's result arriving in a new document window: the Design picture and the
// tiled Field picture from two temporary BMP files, the wizard's parameters, then the conversion.

#include "document/EnableTable.h"
#include "document/StateFile.h"
#include "panes/DocumentHost.h"
#include "panes/DocumentWindow.h"
#include "panes/PictureInsertion.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/Picture.h"

#include <utility>

namespace quarbel::panes {

using document::Menu;
using document::Slider;

namespace {

void removeTemporary(const QString& path) {
    if (path.isEmpty()) {
        return;
    }
    platform::setFileAttributes(path, platform::FileAttributes::Normal);
    // A file that is already gone needs nothing more; the hand-over goes on either way.
    platform::deleteFile(path);
}

} // namespace

void DocumentWindow::LoadWizardImages() {
    m_state.WizardDone = false;
    const QString designFile = std::exchange(m_state.WizardDesignFile, QString());
    const QString fieldFile = std::exchange(m_state.WizardFieldFile, QString());
    const QString designSource = std::exchange(m_state.wizardDesignSource, QString());
    // A second hand-over without a new wizard run finds nothing to take.
    if (designFile.isEmpty() && fieldFile.isEmpty()) {
        return;
    }

    // A missing file, drive or folder is told and the next step follows; anything else ends the
    // hand-over there. The temporary files go in every case.
    const auto load = [this](const QString& path, bool& stop) -> std::optional<QImage> {
        PictureInsertion::LoadedPicture loaded = m_pictures->loadReported(path);
        stop = !loaded.picture && !loaded.reported;
        return std::move(loaded.picture);
    };
    const auto show = [this](PaneId id, QImage& backBuffer, const QImage& picture) {
        backBuffer = picture;
        PaneSet& set = paneSet(id);
        set.pane->setPicture(picture);
        set.pane->show();
        fitScrollBars(id);
    };

    bool stop = false;
    if (const std::optional<QImage> design = load(designFile, stop)) {
        show(PaneId::Before, m_picUra, *design);
        // The chosen Design file holds exactly this picture, so the document may name it. The
        // Field picture exists in no file (the chosen one is only its pattern), so it names none.
        m_model.fields.PicDesignPath = designSource;
    }
    removeTemporary(designFile);
    if (stop) {
        removeTemporary(fieldFile);
        return;
    }

    if (const std::optional<QImage> field = load(fieldFile, stop)) {
        show(PaneId::Field, m_picUraField, *field);
    }
    removeTemporary(fieldFile);
    if (stop) {
        return;
    }

    document::SharedControls& controls = m_host.sharedControls();
    controls.setSliderValue(Slider::sldKurikaesi, m_state.WizardKurikaesi);
    controls.setSliderValue(Slider::sldRittaido, m_state.WizardRittaido);
    controls.setSliderValue(Slider::sldMitudo, 0);
    static constexpr document::Enable kWizardDocument[] = {
        document::sliderSet(Slider::sldMitudo, false), document::captionSet(2, false),
        document::menuOn(Menu::mnuSaveGazou),          document::menuOn(Menu::mnuSaveDesign),
        document::menuOn(Menu::mnuSaveField),          document::menuOff(Menu::mnuSaveStereo),
    };
    document::applyEnables(controls, kWizardDocument);
    // The end of the run restores the controls from the document's file, so the file must already
    // hold what the wizard set.
    document::SaveWindowState(m_model.fields, m_model.controls);

    ConvertColorField();
}

} // namespace quarbel::panes
