// Choosing the pane the Edit commands act on, copying a pane's picture, clearing a pane, and the
// splitter drag between the two columns.

#include "document/AppState.h"
#include "document/EnableTable.h"
#include "document/SharedControls.h"
#include "panes/CommandQueue.h"
#include "panes/DocumentHost.h"
#include "panes/DocumentWindow.h"
#include "panes/Splitter.h"
#include "platform/Clipboard.h"

#include <QFrame>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <array>

namespace quarbel::panes {

using document::Enable;
using document::Menu;
using document::PicSource;

namespace {

// The value of PicSource that names each pane, by PaneId.
constexpr PicSource kPaneTags[] = {PicSource::CBpicBefore, PicSource::CBpicField, PicSource::CBpicAfter};

// A pane with a picture chosen: its picture can be copied, cut and cleared.
constexpr Enable kPictureChosen[] = {
    document::menuOn(Menu::mnuCopy),  document::buttonOn(7),
    document::menuOn(Menu::mnuCut),   document::buttonOn(6),
    document::menuOn(Menu::mnuClear),
};
// The chosen pane shows no picture: nothing to copy, cut or clear.
constexpr Enable kNoPictureChosen[] = {
    document::menuOff(Menu::mnuCopy),  document::buttonOff(7),
    document::menuOff(Menu::mnuCut),   document::buttonOff(6),
    document::menuOff(Menu::mnuClear),
};
// A pane emptied: its picture can no longer be copied or cut.
constexpr Enable kCleared[] = {
    document::menuOff(Menu::mnuCut),
    document::menuOff(Menu::mnuCopy),
    document::buttonOff(6),
    document::buttonOff(7),
};
// A conversion needs the picture just cleared.
constexpr Enable kConversionLost[] = {
    document::menuOff(Menu::mnuConvStart),
    document::menuOff(Menu::mnuConvStop),
    document::menuOff(Menu::mnuConvExit),
    document::buttonOff(11),
    document::buttonOff(12),
    document::buttonOff(13),
};
// An empty pane chosen: it can take a picture but gives none.
constexpr Enable kEmptyPaneChosen[] = {
    document::menuOff(Menu::mnuClear),
    document::menuOff(Menu::mnuCut),
    document::menuOff(Menu::mnuCopy),
};
// The Stereo picture cleared: nothing to print.
constexpr Enable kNoPrint[] = {document::menuOff(Menu::mnuPrint), document::buttonOff(4)};

// Paste (menu and button 8) follows the clipboard.
std::array<Enable, 2> pasteEntries(bool picture) {
    return {document::menuSet(Menu::mnuPaste, picture), document::buttonSet(8, picture)};
}

int buttonNumber(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

} // namespace

// Presses and releases on the panes and on the empty parts of their containers.
class DocumentWindow::EditMouse : public QObject {
public:
    explicit EditMouse(DocumentWindow& form) : QObject(&form), m_form(form) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease) {
            return false;
        }
        const auto* mouse = static_cast<QMouseEvent*>(event);
        for (std::size_t i = 0; i < m_form.m_panes.size(); ++i) {
            const auto id = static_cast<PaneId>(i);
            const PaneSet& set = m_form.m_panes[i];
            if (watched == set.pane) {
                if (type == QEvent::MouseButtonPress) {
                    m_form.pane_MouseDown(id);
                    return false; // the press still reaches the sub-window, which activates on it
                }
                m_form.pane_MouseUp(id, buttonNumber(mouse->button()), mouse->globalPosition().toPoint());
                return true;
            }
            if (watched == set.container && type == QEvent::MouseButtonRelease) {
                m_form.cont_MouseUp(id, buttonNumber(mouse->button()), mouse->globalPosition().toPoint());
                return false;
            }
        }
        return false;
    }

private:
    DocumentWindow& m_form;
};

void DocumentWindow::setupEditing() {
    auto* mouse = new EditMouse(*this);
    for (PaneSet& set : m_panes) {
        set.pane->installEventFilter(mouse);
        set.container->installEventFilter(mouse);
    }
    SplitterDrag::Hooks hooks;
    hooks.blocked = [this] { return m_state.run.Converting; };
    hooks.current = [this] { return currentGeometry(); };
    hooks.apply = [this](const PaneGeometry& geometry) { applyGeometry(geometry); };
    m_splitter = new SplitterDrag(*this, *m_picDrag, std::move(hooks));
}

std::optional<DocumentWindow::PaneId> DocumentWindow::selectedPane() const {
    return m_editTarget;
}

PicSource DocumentWindow::editTargetTag() const {
    return m_editTarget ? kPaneTags[static_cast<std::size_t>(*m_editTarget)] : PicSource::None;
}

void DocumentWindow::updateChosenPaneEntries() {
    // The Edit commands act on the pane chosen in this window: with its picture there they all can;
    // with none chosen (a picture from a file, an opened document) Clear would do nothing, so it is
    // off rather than enabled.
    if (m_editTarget && !paneSet(*m_editTarget).pane->isHidden()) {
        document::applyEnables(m_host.sharedControls(), kPictureChosen);
    } else {
        static constexpr Enable kNothingToClear[] = {document::menuOff(Menu::mnuClear)};
        document::applyEnables(m_host.sharedControls(), kNothingToClear);
    }
}

void DocumentWindow::select(PaneId id) {
    // The menus about to change are this window's only while it is the current document.
    if (!m_host.isCurrent(*this)) {
        m_host.makeCurrent(*this);
    }
    // Kept by the window: a choice made in one window must not act on another window's pane after
    // a switch.
    m_editTarget = id;
}

void DocumentWindow::pane_MouseDown(PaneId id) {
    if (m_state.run.Converting) {
        return;
    }
    paneSet(id).pane->setPressedLook(true);
}

void DocumentWindow::pane_MouseUp(PaneId id, int button, QPoint globalPos) {
    if (m_state.run.Converting) {
        return;
    }
    select(id);
    document::applyEnables(m_host.sharedControls(), kPictureChosen);
    if (button == 2) {
        UpdateEditMenus(2, globalPos);
    }
    paneSet(id).pane->setPressedLook(false);
}

void DocumentWindow::cont_MouseUp(PaneId id, int button, QPoint globalPos) {
    if (m_state.run.Converting) {
        return;
    }
    // A shown picture covers the part of its container that matters; and while an opened document's
    // pictures are still on their way into this window, its empty areas wait for them.
    const bool opening = m_commands->holds(document::CommandTag::MDImnuOpen);
    if (!paneSet(id).pane->isHidden() || opening) {
        return;
    }
    select(id);
    document::SharedControls& controls = m_host.sharedControls();
    document::applyEnables(controls, pasteEntries(platform::clipboardHasPicture()));
    document::applyEnables(controls, kEmptyPaneChosen);
    if (button == 2) {
        m_host.popupEditMenu(globalPos);
    }
}

void DocumentWindow::UpdateEditMenus(int button, QPoint globalPos) {
    const std::optional<PaneId> id = selectedPane();
    if (id && paneSet(*id).pane->isHidden()) {
        document::applyEnables(m_host.sharedControls(), kNoPictureChosen);
    }
    if (button == 2) {
        m_host.popupEditMenu(globalPos);
    }
}

void DocumentWindow::copySelectedPane() {
    if (const std::optional<PaneId> id = selectedPane()) {
        const PicturePane& pane = *paneSet(*id).pane;
        // A hidden pane holds no picture; the clipboard is emptied rather than given a stale one.
        platform::putClipboardPicture(pane.isHidden() ? QImage() : pane.picture());
    }
}

void DocumentWindow::clearSelectedPane() {
    struct ClearRow {
        QString document::DocumentFields::*path;
        bool resetsConversion;
        Enable saveOff; // the pane's own save entry
        bool printing;  // the Stereo picture: printing goes, and its size leaves the status bar
    };
    static const ClearRow kRows[] = {
        {&document::DocumentFields::PicDesignPath, true, document::menuOff(Menu::mnuSaveDesign), false},
        {&document::DocumentFields::PicFieldPath, true, document::menuOff(Menu::mnuSaveField), false},
        {&document::DocumentFields::PicStereoPath, false, document::menuOff(Menu::mnuSaveStereo), true},
    };
    document::SharedControls& controls = m_host.sharedControls();
    if (const std::optional<PaneId> id = selectedPane()) {
        const ClearRow& row = kRows[static_cast<std::size_t>(*id)];
        m_model.fields.*row.path = QString();
        PaneSet& set = paneSet(*id);
        set.pane->emptyPicture();
        set.pane->hide(); // its bars go with it
        if (row.resetsConversion) {
            controls.setConvStartCaption(QStringLiteral("開始"));
            document::applyEnables(controls, kConversionLost);
        }
        document::applyEnables(controls, {&row.saveOff, 1});
        if (row.printing) {
            document::applyEnables(controls, kNoPrint);
            m_host.setStatusPanelText(5, QString());
        }
    }
    document::applyEnables(controls, kCleared);
    document::applyEnables(controls, pasteEntries(platform::clipboardHasPicture()));

    const bool noImage = m_model.fields.StereoName == document::StereoKind::RandomDot
                             ? m_picBefore->isHidden() && m_picAfter->isHidden()
                             : m_picBefore->isHidden() && m_picField->isHidden() && m_picAfter->isHidden();
    if (noImage) {
        constexpr Enable kNothingToSave[] = {document::menuOff(Menu::mnuSaveGazou)};
        document::applyEnables(controls, kNothingToSave);
    }
}

} // namespace quarbel::panes
