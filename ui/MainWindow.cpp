#include "ui/MainWindow.h"

#include "document/AppPaths.h"
#include "document/EnableTable.h"
#include "document/Settings.h"
#include "document/StateFileLocks.h"
#include "panes/DocumentWindow.h"
#include "platform/Clipboard.h"
#include "platform/FileSystem.h"
#include "platform/WindowFocus.h"
#include "ui/MenuTables.h"
#include "ui/Resources.h"
#include "ui/SliderBar.h"
#include "ui/StatusPanels.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSlider>
#include <QStyle>
#include <QToolBar>
#include <algorithm>

namespace quarbel::ui {

using document::Menu;
using document::Slider;
using panes::DocumentWindow;

MainWindow::MainWindow(document::AppState& state, platform::Dialogs& dialogs, platform::Shell& shell,
                       QWidget* parent)
    : QMainWindow(parent), m_state(state), m_dialogs(dialogs), m_shell(shell) {
    initResources();
    platform::returnFocusAfterDialogs();
    setObjectName(QStringLiteral("MDIForm1"));
    setWindowTitle(QStringLiteral("Quarbel"));
    setWindowIcon(QIcon(QStringLiteral(":/ui/icons/Quarbel.svg")));
    // The toolbars carry controls that documents rely on; they must not be hidden by a context menu.
    setContextMenuPolicy(Qt::NoContextMenu);

    m_mdiArea = new QMdiArea(this);
    m_mdiArea->setObjectName(QStringLiteral("mdiArea"));
    m_mdiArea->setViewMode(QMdiArea::SubWindowView);
    // A closed window gives way to the one used before it, not to the oldest.
    m_mdiArea->setActivationOrder(QMdiArea::ActivationHistoryOrder);
    m_mdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdiArea);
    connect(m_mdiArea, &QMdiArea::subWindowActivated, this, &MainWindow::onSubWindowActivated);

    setupFileMenu();
    setupEditMenu();
    setupInsertMenu();
    setupConvertMenu();
    setupWindowMenu();
    setupHelpMenu();
    setupToolbar();
    setupSliders();
    setupStatusBar();
    m_noDocument.controls = controlsAsBuilt();
    platform::watchClipboard(this, [this] { clipboardChanged(); });
}

MainWindow::~MainWindow() {
    // The children outlive this part of the object while QWidget deletes them; nothing of theirs
    // may call back into it then.
    disconnect(m_mdiArea, nullptr, this, nullptr);
}

void MainWindow::MDIForm_Load() {
    centreOnScreen();
    // On a narrow screen the sliders get a row of their own rather than hiding behind an overflow button.
    if (QToolBar* sliders = m_sliderBar->toolBar();
        m_toolbar->sizeHint().width() + sliders->sizeHint().width() > width()) {
        insertToolBarBreak(sliders);
    }
    m_state.NewDocNumber = 1;
    ui::ResetMenus(*this);
    show();
    m_state.SettingsPath = document::pathInDir(m_state.appDir, document::SettingsFileName);
    // A copy that was killed left its working files and locks; gone now, they would push this
    // run's numbering past them.
    deleteTemporaryStateFiles();
}

void MainWindow::centreOnScreen() {
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen) {
        return;
    }
    const QRect available = screen->availableGeometry();
    const QSize size(std::min(1024, available.width() * 9 / 10), std::min(768, available.height() * 9 / 10));
    resize(size);
    move(available.left() + (available.width() - size.width()) / 2,
         available.top() + (available.height() - size.height()) / 2);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    flushStateWrites();
    bool cancel = false;
    MDIForm_Unload(cancel);
    if (cancel) {
        event->ignore();
    } else {
        event->accept();
    }
}

void MainWindow::MDIForm_Unload(bool& cancel) {
    // Most recently used first, so the first question is about the document the user sees.
    QList<QPointer<QMdiSubWindow>> pending;
    const QList<QMdiSubWindow*> windows = m_mdiArea->subWindowList(QMdiArea::ActivationHistoryOrder);
    for (auto it = windows.crbegin(); it != windows.crend(); ++it) {
        pending.append(*it);
    }
    for (const QPointer<QMdiSubWindow>& window : pending) {
        if (!window) {
            continue;
        }
        const auto* form = qobject_cast<DocumentWindow*>(window->widget());
        if (form && form->isClosing()) {
            continue;
        }
        // A document that stays open (Cancel, or a cancelled save) cancels the exit, so the user
        // keeps working with every file of every open document intact.
        if (!window->close()) {
            cancel = true;
            return;
        }
    }
    // Only now, with no document left to restore its state, do the working files go: this copy's,
    // and stale ones of an earlier run that crashed. Another running copy holds its own files,
    // and a *.tmp that is not a state file of ours is not ours to delete.
    deleteTemporaryStateFiles();
}

void MainWindow::deleteTemporaryStateFiles() {
    document::removeUnheldStateFiles(m_state.appDir);
}

// ---- documents -------------------------------------------------------------------------------

void MainWindow::SetNewDocumentMenus(const QString& documentPath) {
    applyNewDocumentMenus(*this, fields().StereoName.kind());
    if (fields().StereoName == document::StereoKind::Field) {
        // Density means nothing to a colour field, however the document came (new, opened, wizard).
        document::applyEnables(*this, document::densitySet(false));
    }
    const bool fresh = fields().OpenMode == QLatin1String("Sinki");
    DocumentWindow* form = createDocumentWindow(documentPath);
    if (fresh) {
        ++m_state.NewDocNumber;
    }
    // The document's way of coming is spent once its window exists.
    m_noDocument.fields.OpenMode.clear();
    form->model().fields.OpenMode.clear();
}

void MainWindow::detachCurrentDocument() {
    flushStateWrites();
    if (m_current && !m_current->isClosing()) {
        m_current->Form_Deactivate();
    }
    // The shared controls keep showing the document; a command now changes them for the next one.
    releaseCurrent();
}

QSize MainWindow::defaultDocumentSize() const {
    const QSize area = m_mdiArea->viewport()->size();
    return {std::max(320, area.width() * 7 / 10), std::max(240, area.height() * 7 / 10)};
}

DocumentWindow* MainWindow::createDocumentWindow(const QString& documentPath) {
    // The shared controls already describe the new document; the previous one was saved by the caller.
    releaseCurrent();
    auto* form = new DocumentWindow(m_state, *this, m_dialogs);
    form->model() = m_noDocument;
    form->setAttribute(Qt::WA_DeleteOnClose);
    form->resize(defaultDocumentSize());
    form->Form_Load(documentPath);
    QMdiSubWindow* window = m_mdiArea->addSubWindow(form);
    // The sub-window's hint is the form's hint plus its frame; keep the size the form was laid out for.
    window->resize(form->size() + (window->sizeHint() - form->sizeHint()));
    window->move(cascadePosition(window));
    // The frame shows the icon of the document's kind, and follows it should the kind change.
    window->setWindowIcon(form->windowIcon());
    connect(form, &QWidget::windowIconChanged, window, &QWidget::setWindowIcon);
    releaseMenuShortcuts(window);
    window->show();
    makeCurrent(*form);
    return form;
}

void MainWindow::releaseMenuShortcuts(QMdiSubWindow* window) const {
    // The sub-window's system menu brings the platform's close keys (Ctrl+W on X11); a key that a
    // frame menu also uses would be ambiguous and do nothing at all.
    QMenu* system = window->systemMenu();
    if (!system) {
        return;
    }
    for (QAction* action : system->actions()) {
        QList<QKeySequence> kept;
        for (const QKeySequence& key : action->shortcuts()) {
            const auto holds = [&key](const QAction* item) { return item && item->shortcut() == key; };
            const bool taken =
                std::any_of(m_menuActions.begin(), m_menuActions.end(), holds) ||
                std::any_of(m_followingItems.begin(), m_followingItems.end(),
                            [&holds](const auto& following) { return holds(following.second); });
            if (!taken) {
                kept.append(key);
            }
        }
        action->setShortcuts(kept);
    }
}

QPoint MainWindow::cascadePosition(const QMdiSubWindow* placed) const {
    // Each new window one title bar lower and to the right, starting over where it would not fit;
    // a place that another window already takes is passed over, so no window hides another exactly.
    const int step = std::max(16, style()->pixelMetric(QStyle::PM_TitleBarHeight) + 2);
    const QSize room = m_mdiArea->viewport()->size() - placed->size();
    const int fitting = std::max(1, std::min(room.width(), room.height()) / step + 1);
    QList<QPoint> taken;
    for (const QMdiSubWindow* window : m_mdiArea->subWindowList()) {
        if (window != placed) {
            taken.append(window->pos());
        }
    }
    const int first = static_cast<int>(m_mdiArea->subWindowList().size() - 1) % fitting;
    // Each round shifts the whole cascade sideways by a few pixels; every candidate is distinct, and
    // there are more candidates than windows, so one is free.
    const int shift = std::max(4, step / 4);
    for (int round = 0;; ++round) {
        for (int i = 0; i < fitting; ++i) {
            const int index = (first + i) % fitting;
            const QPoint candidate(index * step + round * shift, index * step);
            if (!taken.contains(candidate)) {
                return candidate;
            }
        }
    }
}

QMdiSubWindow* MainWindow::subWindowOf(const DocumentWindow& form) const {
    for (QMdiSubWindow* window : m_mdiArea->subWindowList()) {
        if (window->widget() == &form) {
            return window;
        }
    }
    return nullptr;
}

void MainWindow::onSubWindowActivated(QMdiSubWindow* window) {
    // A null activation means the frame lost focus (to a dialog, say) or no window is left: the
    // shared controls keep the state they hold, and nothing is written or restored.
    if (!window) {
        return;
    }
    auto* form = qobject_cast<DocumentWindow*>(window->widget());
    if (!form || form->isClosing()) {
        return;
    }
    switchCurrentTo(form);
}

void MainWindow::switchCurrentTo(DocumentWindow* form) {
    if (m_current == form) {
        return;
    }
    flushStateWrites();
    if (m_current && !m_current->isClosing()) {
        m_current->Form_Deactivate();
    }
    releaseCurrent();
    m_current = form;
    if (form) {
        applyToView();
        form->Form_Activate();
        // The size panel belongs to the document on show.
        setStatusPanelText(5, form->stereoSizeText());
    }
}

bool MainWindow::isCurrent(const DocumentWindow& form) const {
    return m_current == &form;
}

void MainWindow::makeCurrent(DocumentWindow& form) {
    if (QMdiSubWindow* window = subWindowOf(form); window && m_mdiArea->activeSubWindow() != window) {
        m_mdiArea->setActiveSubWindow(window);
    }
    // Activation may be withheld while the frame is inactive; the hand-over must happen anyway.
    switchCurrentTo(&form);
}

DocumentWindow* MainWindow::activeDocument() const {
    return (m_current && !m_current->isClosing()) ? m_current.data() : nullptr;
}

QList<DocumentWindow*> MainWindow::documentWindows() const {
    QList<DocumentWindow*> forms;
    for (QMdiSubWindow* window : m_mdiArea->subWindowList(QMdiArea::CreationOrder)) {
        if (auto* form = qobject_cast<DocumentWindow*>(window->widget()); form && !form->isClosing()) {
            forms.append(form);
        }
    }
    return forms;
}

void MainWindow::lockOtherDocuments(const DocumentWindow& form) {
    // By identity, not by caption: the same file opened twice gives two windows with one caption.
    for (QMdiSubWindow* window : m_mdiArea->subWindowList()) {
        if (window->widget() != &form) {
            window->setEnabled(false);
        }
    }
}

void MainWindow::unlockDocuments() {
    for (QMdiSubWindow* window : m_mdiArea->subWindowList()) {
        window->setEnabled(true);
    }
}

int MainWindow::openDocumentCount() const {
    return static_cast<int>(documentWindows().size());
}

panes::DocumentWindow* MainWindow::windowOfDocument(const QString& path) {
    for (panes::DocumentWindow* form : documentWindows()) {
        const QString& own = form->labels().documentPath;
        if (!own.isEmpty() && platform::sameFile(own, path)) {
            return form;
        }
    }
    return nullptr;
}

void MainWindow::ResetMenus() {
    // The last document is closing; the frame's own state takes over from it.
    releaseCurrent();
    ui::ResetMenus(*this);
    // The last document is going: nothing of it stays on show.
    resetStatusPanels();
}

// ---- command routing -------------------------------------------------------------------------

void MainWindow::PostCommand(const panes::Command& command) {
    // The command may read the document's file, or write it whole.
    flushStateWrites();
    if (DocumentWindow* form = activeDocument()) {
        form->post(command);
    }
}

// ---- shared controls -------------------------------------------------------------------------

QAction* MainWindow::menuAction(Menu id) const {
    return m_menuActions[static_cast<std::size_t>(id)];
}

QMenu* MainWindow::menu(Menu id) const {
    return m_menus[static_cast<std::size_t>(id)];
}

QAction* MainWindow::toolbarButton(int index) const {
    return (index >= 1 && index <= document::ToolbarButtonCount) ? m_buttons[static_cast<std::size_t>(index)]
                                                                 : nullptr;
}

QAction* MainWindow::toolbarButtonMenuEntry(int button, int entry) const {
    const auto it = m_buttonMenuEntries.find({button, entry});
    return it == m_buttonMenuEntries.end() ? nullptr : it->second;
}

QSlider* MainWindow::slider(Slider which) const {
    return m_sliderBar->slider(which);
}

QLabel* MainWindow::Text1(int index) const {
    return m_sliderBar->caption(index);
}

document::DocumentState& MainWindow::shownDocument() {
    return m_current ? m_current->model() : m_noDocument;
}

const document::DocumentState& MainWindow::shownDocument() const {
    return m_current ? m_current->model() : m_noDocument;
}

void MainWindow::releaseCurrent() {
    if (m_current) {
        m_noDocument = m_current->model();
        // The frame holds no run; a window made from this state starts without one.
        m_noDocument.run = document::RunPhase::Idle;
    }
    m_current = nullptr;
}

bool MainWindow::menuEnabled(Menu id) const {
    return shownDocument().controls.menuEnabled(id);
}

void MainWindow::setMenuEnabled(Menu id, bool enabled) {
    shownDocument().controls.setMenuEnabled(id, enabled);
    showMenuEnabled(id);
}

void MainWindow::showMenuEnabled(Menu id) {
    const bool enabled = shownDocument().controls.menuEnabled(id);
    menuAction(id)->setEnabled(enabled);
    for (const auto& [leader, item] : m_followingItems) {
        if (leader == id) {
            item->setEnabled(enabled);
        }
    }
}

bool MainWindow::buttonEnabled(int index) const {
    return toolbarButton(index) && shownDocument().controls.buttonEnabled(index);
}

void MainWindow::setButtonEnabled(int index, bool enabled) {
    if (QAction* button = toolbarButton(index)) {
        shownDocument().controls.setButtonEnabled(index, enabled);
        button->setEnabled(enabled);
    }
}

bool MainWindow::buttonMenuEnabled(int button, int entry) const {
    return toolbarButtonMenuEntry(button, entry) && shownDocument().controls.buttonMenuEnabled(button, entry);
}

void MainWindow::setButtonMenuEnabled(int button, int entry, bool enabled) {
    if (QAction* action = toolbarButtonMenuEntry(button, entry)) {
        shownDocument().controls.setButtonMenuEnabled(button, entry, enabled);
        action->setEnabled(enabled);
    }
}

bool MainWindow::captionEnabled(int index) const {
    return Text1(index) && shownDocument().controls.captionEnabled(index);
}

void MainWindow::setCaptionEnabled(int index, bool enabled) {
    if (QLabel* caption = Text1(index)) {
        shownDocument().controls.setCaptionEnabled(index, enabled);
        caption->setEnabled(enabled);
    }
}

bool MainWindow::sliderEnabled(Slider which) const {
    return shownDocument().controls.sliderEnabled(which);
}

void MainWindow::setSliderEnabled(Slider which, bool enabled) {
    shownDocument().controls.setSliderEnabled(which, enabled);
    showSlider(which);
}

QString MainWindow::convStartCaption() const {
    return shownDocument().controls.convStartCaption();
}

void MainWindow::setConvStartCaption(const QString& caption) {
    shownDocument().controls.setConvStartCaption(caption);
    showConvStartCaption();
}

void MainWindow::showConvStartCaption() {
    const QString caption = shownDocument().controls.convStartCaption();
    menuAction(Menu::mnuConvStart)->setText(caption);
    if (QAction* start = toolbarButton(11)) {
        start->setToolTip(caption);
        start->setText(caption);
    }
}

int MainWindow::sliderValue(Slider which) const {
    return shownDocument().controls.sliderValue(which);
}

void MainWindow::setSliderValue(Slider which, int value) {
    shownDocument().controls.setSliderValue(which, value);
    showSlider(which);
    sliderChanged(which);
    // A value set by the program is one write, not part of a drag: it goes into the file at once.
    flushStateWrites();
}

void MainWindow::showSlider(Slider which) {
    const document::DocumentControls& shown = shownDocument().controls;
    m_sliderBar->show(which, shown.sliderEnabled(which), shown.sliderValue(which));
}

void MainWindow::applyToView() {
    const document::DocumentControls& controls = shownDocument().controls;
    for (int i = 0; i < document::MenuCount; ++i) {
        showMenuEnabled(static_cast<Menu>(i));
    }
    for (int i = 1; i <= document::ToolbarButtonCount; ++i) {
        toolbarButton(i)->setEnabled(controls.buttonEnabled(i));
    }
    for (const auto& [entry, enabled] : controls.buttonMenus) {
        if (QAction* action = toolbarButtonMenuEntry(entry.first, entry.second)) {
            action->setEnabled(enabled);
        }
    }
    for (int i = 0; i < document::SliderCaptionCount; ++i) {
        Text1(i)->setEnabled(controls.captionEnabled(i));
    }
    for (int i = 0; i < document::SliderCount; ++i) {
        showSlider(static_cast<Slider>(i));
    }
    showConvStartCaption();
}

document::DocumentControls MainWindow::controlsAsBuilt() const {
    document::DocumentControls built;
    for (int i = 0; i < document::MenuCount; ++i) {
        built.setMenuEnabled(static_cast<Menu>(i), menuAction(static_cast<Menu>(i))->isEnabled());
    }
    for (int i = 1; i <= document::ToolbarButtonCount; ++i) {
        built.setButtonEnabled(i, toolbarButton(i)->isEnabled());
    }
    for (const auto& [entry, action] : m_buttonMenuEntries) {
        built.setButtonMenuEnabled(entry.first, entry.second, action->isEnabled());
    }
    for (int i = 0; i < document::SliderCaptionCount; ++i) {
        built.setCaptionEnabled(i, Text1(i)->isEnabled());
    }
    for (int i = 0; i < document::SliderCount; ++i) {
        built.setSliderEnabled(static_cast<Slider>(i), slider(static_cast<Slider>(i))->isEnabled());
        built.setSliderValue(static_cast<Slider>(i), slider(static_cast<Slider>(i))->value());
    }
    built.setConvStartCaption(menuAction(Menu::mnuConvStart)->text());
    return built;
}

QString MainWindow::statusPanelText(int panel) const {
    return m_statusPanels->text(panel);
}

void MainWindow::setStatusPanelText(int panel, const QString& text) {
    m_statusPanels->setText(panel, text);
}

} // namespace quarbel::ui

namespace quarbel::ui {

// ---- menu building blocks --------------------------------------------------------------------

QMenu* MainWindow::addSubmenu(QMenu* parent, Menu id, const QString& caption) {
    QMenu* submenu = parent ? parent->addMenu(caption) : menuBar()->addMenu(caption);
    const QString name = QString::fromLatin1(document::menuName(id));
    submenu->setObjectName(name);
    // A submenu's enabled flag is its entry's in the parent menu.
    submenu->menuAction()->setObjectName(name);
    m_menus[static_cast<std::size_t>(id)] = submenu;
    m_menuActions[static_cast<std::size_t>(id)] = submenu->menuAction();
    return submenu;
}

QAction* MainWindow::addItem(QMenu* parent, Menu id, const QString& caption, const QKeySequence& shortcut) {
    QAction* action = parent->addAction(caption);
    action->setObjectName(QString::fromLatin1(document::menuName(id)));
    action->setShortcut(shortcut);
    m_shortcutGuard->guard(action);
    m_menuActions[static_cast<std::size_t>(id)] = action;
    return action;
}

QAction* MainWindow::addFollowingItem(QMenu* parent, std::string_view name, const QString& caption,
                                      const QKeySequence& shortcut) {
    const auto row = std::find_if(FollowingMenus.begin(), FollowingMenus.end(),
                                  [name](const FollowingMenu& item) { return item.name == name; });
    Q_ASSERT(row != FollowingMenus.end());
    QAction* action = parent->addAction(caption);
    action->setObjectName(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
    action->setShortcut(shortcut);
    m_shortcutGuard->guard(action);
    action->setEnabled(menuAction(row->leader)->isEnabled());
    m_followingItems.emplace_back(row->leader, action);
    return action;
}

void MainWindow::addSeparator(QMenu* parent, const char* name) {
    parent->addSeparator()->setObjectName(QLatin1String(name));
}

} // namespace quarbel::ui
