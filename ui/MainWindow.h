#pragma once

// The frame window: menus, toolbar, sliders and status bar shared by every document, the MDI
// area holding the document windows; the shared controls show the active window's state.

#include "document/AppState.h"
#include "document/SharedControls.h"
#include "panes/Command.h"
#include "panes/DocumentHost.h"
#include "platform/Picture.h"
#include "platform/Printer.h"
#include "ui/MenuShortcutGuard.h"

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <map>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QSlider;
class QTimer;
class QToolBar;

namespace quarbel::platform {
class Dialogs;
class Shell;
} // namespace quarbel::platform

namespace quarbel::panes {
class DocumentWindow;
}

namespace quarbel::ui {

class ColourFieldWizard;
class SliderBar;
class StatusPanels;

class MainWindow : public QMainWindow, public document::SharedControls, public panes::DocumentHost {
    Q_OBJECT

public:
    // state.appDir is the application directory; every dialog goes through dialogs.
    MainWindow(document::AppState& state, platform::Dialogs& dialogs, platform::Shell& shell,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // Centres the window, puts the frame into the no-document state, shows it and fixes the
    // settings file's path. No document is opened.
    void MDIForm_Load();
    // Closes every document window with its question, then deletes the temporary state files.
    // Sets cancel when a document asked to stay open.
    void MDIForm_Unload(bool& cancel);

    // The new-document state of the menus, then a new document window that becomes the active
    // document, made as a copy of the frame's own state. Callers have called
    // detachCurrentDocument() and set StereoName and OpenMode in shownDocument().
    // documentPath: the document file an Open makes the window for (OpenMode "Hiraku").
    void SetNewDocumentMenus(const QString& documentPath = {});
    // Writes the active document's state into its own file and releases the shared controls, so
    // that a command may change them for a document that does not exist yet.
    void detachCurrentDocument();

    // Deferred commands: queued on the active document window with their arguments.
    void PostCommand(const panes::Command& command);
    void PostCommand(document::CommandTag tag) { PostCommand(panes::Command(tag)); }

    // New documents.
    void mnuFieldColor_Click();
    void mnuColor_Click();
    void mnuMono_Click();
    // Routed commands.
    void mnuSave_Click();
    void mnuSaveName_Click();
    void mnuSaveDesign_Click();
    void mnuSaveField_Click();
    void mnuSaveStereo_Click();
    void mnuClose_Click();
    void mnuPrint_Click();
    void mnuPaste_Click();
    void mnuInsDesign_Click();
    void mnuInsField_Click();
    void mnuInsStereo_Click();
    void mnuInsDepthMap_Click();
    void mnuConvReveal_Click();
    void mnuConvStart_Click();
    void mnuConvStop_Click();
    void mnuConvExit_Click();
    void mnuEnd_Click();
    void mnuInfomation_Click();

    // Colour-field wizard (MainWindow_Wizard.cpp): shown modally; its timer makes the new document.
    void mnuWizard_Click();
    void timForWiz_Timer();
    QTimer* timForWiz();
    ColourFieldWizard* wizard() const;

    // Opening a document file; the printer that Print uses (the default printer unless one is handed in).
    void mnuOpen_Click();
    // Opens each named document as Open does after its dialog, with the same refusals and
    // messages; a name that does not exist is reported and no document is started for it.
    void openDocuments(const QStringList& names);
    void setPrinter(platform::Printer& printer) { m_printer = &printer; }
    platform::Printer* printer() override;

    // Clipboard and clearing, on the pane PicSource names in the active document (MainWindow_Clipboard.cpp).
    void mnuCopy_Click();
    void mnuCut_Click();
    void mnuClear_Click();
    void ClearActivePane();
    void popupEditMenu(const QPoint& globalPos) override;
    // Slider moves reach the active document's file in batches; this writes what is still held back.
    void flushStateWrites() override;

    void Toolbar1_ButtonClick(const QString& key);
    void Toolbar1_ButtonMenuClick(const QString& key);

    // The active document window, or null.
    panes::DocumentWindow* activeDocument() const;
    // The document the shared controls show: the active window's own state, or the frame's
    // no-document state while no window is active (a New or Open prepares its document there).
    document::DocumentState& shownDocument();
    const document::DocumentState& shownDocument() const;
    QList<panes::DocumentWindow*> documentWindows() const;
    QMdiArea* mdiArea() const { return m_mdiArea; }

    QAction* menuAction(document::Menu menu) const;
    QMenu* menu(document::Menu menu) const;
    // Toolbar1's button 1..14 (its own action, not the menu's) and the entries of its drop-down menu.
    QAction* toolbarButton(int index) const;
    QAction* toolbarButtonMenuEntry(int button, int entry) const;
    QSlider* slider(document::Slider which) const;
    QLabel* Text1(int index) const;
    QString statusPanelText(int panel) const;
    QMenu* windowMenu() const { return m_windowMenu; }

    // SharedControls: each change goes into the shown document first and is then shown on its
    // widget; each read comes from the document.
    bool menuEnabled(document::Menu menu) const override;
    void setMenuEnabled(document::Menu menu, bool enabled) override;
    bool buttonEnabled(int index) const override;
    void setButtonEnabled(int index, bool enabled) override;
    bool buttonMenuEnabled(int button, int entry) const override;
    void setButtonMenuEnabled(int button, int entry, bool enabled) override;
    bool captionEnabled(int index) const override;
    void setCaptionEnabled(int index, bool enabled) override;
    bool sliderEnabled(document::Slider slider) const override;
    void setSliderEnabled(document::Slider slider, bool enabled) override;
    int sliderValue(document::Slider slider) const override;
    void setSliderValue(document::Slider slider, int value) override;
    QString convStartCaption() const override;
    void setConvStartCaption(const QString& caption) override;

    // DocumentHost.
    document::SharedControls& sharedControls() override { return *this; }
    void setStatusPanelText(int panel, const QString& text) override;
    void ResetMenus() override;
    int openDocumentCount() const override;
    panes::DocumentWindow* windowOfDocument(const QString& path) override;
    bool isCurrent(const panes::DocumentWindow& form) const override;
    void makeCurrent(panes::DocumentWindow& form) override;
    void lockOtherDocuments(const panes::DocumentWindow& form) override;
    void unlockDocuments() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // One set-up function per area, each in its own source file.
    void setupFileMenu();
    void setupEditMenu();
    void setupInsertMenu();
    void setupConvertMenu();
    void setupWindowMenu();
    void setupHelpMenu();
    void setupToolbar();
    void setupSliders();
    void setupStatusBar();

    // Open: what the chosen file allows. refused: told (or silent, as the problem deserves) and
    // nothing changes; carried: a problem told once the open goes on (a missing file starts a new
    // document).
    struct DocumentFileCheck {
        bool refused = false;
        std::optional<platform::PictureError> carried;
    };
    DocumentFileCheck checkDocumentFile(const QString& fullPath);
    // Open's work once a file is chosen.
    void openChosenDocument(const QString& fullPath, const QString& fileTitle);
    // Reads the chosen document into the shared values and the menus.
    void readOpenedDocument(const QString& fullPath);

    // Menu building blocks; every menu item is registered under its Menu id.
    QMenu* addSubmenu(QMenu* parent, document::Menu id, const QString& caption);
    QAction* addItem(QMenu* parent, document::Menu id, const QString& caption,
                     const QKeySequence& shortcut = {});
    void addSeparator(QMenu* parent, const char* name);
    // An item of FollowingMenus, enabled with its leader.
    QAction* addFollowingItem(QMenu* parent, std::string_view name, const QString& caption,
                              const QKeySequence& shortcut);

    struct NewDocumentKind;
    void newDocument(const NewDocumentKind& kind);
    panes::DocumentWindow* createDocumentWindow(const QString& documentPath);
    void onSubWindowActivated(QMdiSubWindow* window);
    void switchCurrentTo(panes::DocumentWindow* form);
    QMdiSubWindow* subWindowOf(const panes::DocumentWindow& form) const;
    void updateWindowMenu();
    // A Window menu choice: the window comes to the front and becomes the active document.
    void chooseWindow(QMdiSubWindow* window);
    void deleteTemporaryStateFiles();
    void centreOnScreen();
    QSize defaultDocumentSize() const;
    QPoint cascadePosition(const QMdiSubWindow* placed) const;
    void releaseMenuShortcuts(QMdiSubWindow* window) const;

    // The status panels as at start-up, for a frame without documents.
    void resetStatusPanels();
    // Paste follows what the clipboard holds, for the pane chosen in the active document.
    void clipboardChanged();

    // The shown document's paths, kind and colour mode.
    document::DocumentFields& fields() { return shownDocument().fields; }
    // Shows the shown document's controls on the menus, toolbar and sliders as a whole, raising no
    // handling (at a window switch).
    void applyToView();
    // The widgets' state as built, for the no-document state.
    document::DocumentControls controlsAsBuilt() const;
    void showMenuEnabled(document::Menu menu);
    void showSlider(document::Slider which);
    void showConvStartCaption();
    // The shown document takes what a window held; after this no window is current.
    void releaseCurrent();

    // A user's move of a slider; sliderChanged: the value's way into the file and status bar.
    void slider_Change(document::Slider which);
    void sliderChanged(document::Slider which);

    document::AppState& m_state;
    platform::Dialogs& m_dialogs;
    platform::Shell& m_shell;
    // Made before the menus, whose items it watches.
    MenuShortcutGuard* m_shortcutGuard = new MenuShortcutGuard(this);

    QMdiArea* m_mdiArea = nullptr;
    // The document whose state the shared controls show; null between a New command's start and
    // the new window's activation, and after the last document closed.
    QPointer<panes::DocumentWindow> m_current;
    // What the shared controls show while m_current is null.
    document::DocumentState m_noDocument;

    std::array<QAction*, document::MenuCount> m_menuActions{};
    std::array<QMenu*, document::MenuCount> m_menus{};
    std::vector<std::pair<document::Menu, QAction*>> m_followingItems;
    QMenu* m_windowMenu = nullptr;

    QToolBar* m_toolbar = nullptr;
    std::array<QAction*, document::ToolbarButtonCount + 1> m_buttons{}; // index 0 unused
    std::map<std::pair<int, int>, QAction*> m_buttonMenuEntries;

    SliderBar* m_sliderBar = nullptr;
    StatusPanels* m_statusPanels = nullptr;
    std::unique_ptr<platform::Printer> m_ownPrinter; // made on first use
    platform::Printer* m_printer = nullptr;
    // Colour-field wizard.
    QPointer<ColourFieldWizard> m_wizard;
    QTimer* m_timForWiz = nullptr; // made on first use
};

} // namespace quarbel::ui
