// Choosing the pane the Edit commands act on, copying a pane's picture, clearing a pane, and the
// splitter drag between the two columns.

#include "document/AppState.h"
#include "document/SharedControls.h"
#include "panes/DocumentHost.h"
#include "panes/DocumentWindow.h"
#include "panes/Splitter.h"
#include "platform/Clipboard.h"

#include <QFrame>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>

namespace quarbel::panes {

using document::Menu;

namespace {

// The value of PicSource that names each pane, by PaneId.
constexpr const char* kPaneTags[] = {"CBpicBefore", "CBpicField", "CBpicAfter"};

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

QString DocumentWindow::editTargetTag() const {
    return m_editTarget ? QLatin1String(kPaneTags[static_cast<std::size_t>(*m_editTarget)]) : QString();
}

void DocumentWindow::select(PaneId id) {
    // The menus about to change are this window's only while it is the current document.
    if (!m_host.isCurrent(*this)) {
        m_host.makeCurrent(*this);
    }
    // Kept here as well as in the shared PicSource: a choice made in one window must not act on
    // another window's pane after a switch.
    m_editTarget = id;
    m_state.PicSource = QLatin1String(kPaneTags[static_cast<std::size_t>(id)]);
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
    document::SharedControls& controls = m_host.sharedControls();
    controls.setMenuEnabled(Menu::mnuCopy, true);
    controls.setButtonEnabled(7, true);
    controls.setMenuEnabled(Menu::mnuCut, true);
    controls.setButtonEnabled(6, true);
    controls.setMenuEnabled(Menu::mnuClear, true);
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
    const bool opening = m_Timer1->isActive() && m_state.CommandTag == QLatin1String("MDImnuOpen");
    if (!paneSet(id).pane->isHidden() || opening) {
        return;
    }
    select(id);
    document::SharedControls& controls = m_host.sharedControls();
    const bool picture = platform::clipboardHasPicture();
    controls.setMenuEnabled(Menu::mnuPaste, picture);
    controls.setButtonEnabled(8, picture);
    controls.setMenuEnabled(Menu::mnuClear, false);
    controls.setMenuEnabled(Menu::mnuCut, false);
    controls.setMenuEnabled(Menu::mnuCopy, false);
    if (button == 2) {
        m_host.popupEditMenu(globalPos);
    }
}

void DocumentWindow::UpdateEditMenus(int button, QPoint globalPos) {
    const std::optional<PaneId> id = selectedPane();
    if (id && paneSet(*id).pane->isHidden()) {
        document::SharedControls& controls = m_host.sharedControls();
        controls.setMenuEnabled(Menu::mnuCopy, false);
        controls.setButtonEnabled(7, false);
        controls.setMenuEnabled(Menu::mnuCut, false);
        controls.setButtonEnabled(6, false);
        controls.setMenuEnabled(Menu::mnuClear, false);
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
        QString document::AppState::*path;
        bool resetsConversion;
        Menu saveMenu;
        bool printing; // the Stereo picture: printing goes, and its size leaves the status bar
    };
    static const ClearRow kRows[] = {
        {&document::AppState::PicDesignPath, true, Menu::mnuSaveDesign, false},
        {&document::AppState::PicFieldPath, true, Menu::mnuSaveField, false},
        {&document::AppState::PicStereoPath, false, Menu::mnuSaveStereo, true},
    };
    document::SharedControls& controls = m_host.sharedControls();
    if (const std::optional<PaneId> id = selectedPane()) {
        const ClearRow& row = kRows[static_cast<std::size_t>(*id)];
        m_state.*row.path = QString();
        PaneSet& set = paneSet(*id);
        set.pane->emptyPicture();
        set.pane->hide();
        set.hsb->hide();
        set.vsb->hide();
        if (row.resetsConversion) {
            controls.setConvStartCaption(QStringLiteral("開始"));
            for (const Menu menu : {Menu::mnuConvStart, Menu::mnuConvStop, Menu::mnuConvExit}) {
                controls.setMenuEnabled(menu, false);
            }
            for (const int button : {11, 12, 13}) {
                controls.setButtonEnabled(button, false);
            }
        }
        controls.setMenuEnabled(row.saveMenu, false);
        if (row.printing) {
            controls.setMenuEnabled(Menu::mnuPrint, false);
            controls.setButtonEnabled(4, false);
            m_host.setStatusPanelText(5, QString());
        }
    }
    controls.setMenuEnabled(Menu::mnuCut, false);
    controls.setMenuEnabled(Menu::mnuCopy, false);
    controls.setButtonEnabled(6, false);
    controls.setButtonEnabled(7, false);
    const bool picture = platform::clipboardHasPicture();
    controls.setMenuEnabled(Menu::mnuPaste, picture);
    controls.setButtonEnabled(8, picture);

    const bool noImage = m_state.StereoName == QLatin1String("RandomDot")
                             ? m_picBefore->isHidden() && m_picAfter->isHidden()
                             : m_picBefore->isHidden() && m_picField->isHidden() && m_picAfter->isHidden();
    if (noImage) {
        controls.setMenuEnabled(Menu::mnuSaveGazou, false);
    }
}

} // namespace quarbel::panes
