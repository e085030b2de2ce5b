#pragma once

// A document window: one document, its panes and its binding to a state or document file.
// It lives in a sub-window of the main window and reaches the frame only through DocumentHost.

#include "document/AppState.h"
#include "engine/Conversion.h"
#include "engine/ConversionState.h"
#include "panes/Command.h"
#include "panes/PaneLayout.h"
#include "panes/PicturePane.h"
#include "panes/PictureView.h"
#include "panes/RunController.h"
#include "panes/StereoPaneSink.h"
#include "panes/WindowServices.h"
#include "platform/ImageSurface.h"
#include "platform/Picture.h"

#include <QString>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QLockFile;
class QScrollBar;
class QTimer;

namespace quarbel::platform {
class Dialogs;
}

namespace quarbel::panes {

class CommandQueue;
class DocumentFileBinding;
class DocumentHost;
class PictureInsertion;
class WorkingStateFile;
class SplitterDrag;

// Per-window values that the window keeps out of sight.
struct HiddenLabels {
    QString lblTitle;      // document name; proposed by Save As
    QString lblIniName;    // the window's working state file; made current on activation
    QString lblOldIniName; // the document file; the working file (".tmp") while never saved under a name
    document::DocumentKind lblStereoName;
    // The document file on disk, written only by Save, Save As and Yes at closing; empty while the
    // document was never saved or opened.
    QString documentPath;
};

struct WindowFlags {
    bool SkipActivate = false; // from the end of loading until the first activation
    bool SaveFailed = false;   // the last save under a new name failed or was cancelled
};

class DocumentWindow : public QWidget {
    Q_OBJECT

public:
    DocumentWindow(document::AppState& state, DocumentHost& host, platform::Dialogs& dialogs,
                   QWidget* parent = nullptr);
    ~DocumentWindow() override;

    // Names the window, binds it to its file and lays out the panes; runs once, before the first show.
    // documentPath: the document file the window is made for when it is opened (OpenMode "Hiraku").
    void Form_Load(const QString& documentPath = {});
    // The window became the active document: its file becomes current and is applied.
    void Form_Activate();
    // The window stops being the active document: its state goes into its working file.
    void Form_Deactivate();
    // The close question; sets cancel to keep the window open.
    void Form_Unload(bool& cancel);
    void Form_Resize();

    // Saves the document under a name chosen by the user; the outcome is left in SaveFailed.
    void SaveDocumentAs();

    enum class PaneId { Before, Field, After };

    // Puts a Field picture into picUraField and picField, from where source says.
    void InsPicField(document::PicSource source);

    // Design images made from other pictures: a grey depth map the user picks, read through
    // DepthMapDialog (PictureInsertion), and the Design image the Stereo picture hides
    // (DocumentWindow_Reveal.cpp).
    void InsDepthMap();
    void RevealDesign();
    // Puts a picture into the Design pane as Paste does: a picture in no file, which a save writes
    // beside the document.
    void placeUnfiledDesign(const QImage& picture);

    // Saving a pane's picture and printing the Stereo picture.
    void SavePaneImage(PaneId pane);
    void PrintStereo();

    // The colour-field wizard's hand-over (DocumentWindow_Wizard.cpp): loads its two temporary pictures,
    // removes them, takes its parameters and starts the conversion.
    void LoadWizardImages();

    // The two converters, one row per turn of the event loop; each returns after starting the run.
    void ConvertRandomDot();
    void ConvertColorField();
    // True from the start of a run in this window until it finishes, is aborted or the window closes.
    bool holdsRun() const { return m_runController->holdsRun(); }
    // The Stereo picture's size as status panel 5 shows it ("640 × 480"), empty without one.
    QString stereoSizeText() const;
    // Start, pause, continue and abort of this window's conversion.
    RunController& runController() { return *m_runController; }

    // Queues a command for this window. The command timer (50 ms, single shot) runs the queue one
    // command per firing, oldest first, so the posting handler has returned and its menu has
    // closed; nothing posted is dropped or run twice.
    void post(const Command& command);
    // Commands waiting for the timer, oldest first.
    const QList<Command>& pendingCommands() const;
    void Timer1_Timer();

    // This document's state, which the window alone owns; the frame's shared controls show it while
    // the window is active. The frame sets it before Form_Load to the document it is to become.
    document::DocumentState& model() { return m_model; }
    const document::DocumentState& model() const { return m_model; }

    const HiddenLabels& labels() const { return m_labels; }
    // What status panel 1 shows: the document file, or the working file of a never-saved document.
    QString displayPath() const;
    const WindowFlags& flags() const { return m_flags; }
    engine::ConversionState& conversion() { return m_conversion; }
    const engine::ConversionState& conversion() const { return m_conversion; }
    bool isClosing() const { return m_conversion.Closing; }

    QTimer* Timer1() const;
    PictureView* picContBefore() const { return m_picContBefore; }
    PictureView* picContField() const { return m_picContField; }
    PictureView* picContAfter() const { return m_picContAfter; }
    QWidget* picDrag() const { return m_picDrag; }
    PicturePane* picBefore() const { return m_picBefore; }
    PicturePane* picField() const { return m_picField; }
    PicturePane* picAfter() const { return m_picAfter; }
    QScrollBar* hsbBefore() const { return m_panes[0].hsb; }
    QScrollBar* vsbBefore() const { return m_panes[0].vsb; }
    QScrollBar* hsbField() const { return m_panes[1].hsb; }
    QScrollBar* vsbField() const { return m_panes[1].vsb; }
    QScrollBar* hsbAfter() const { return m_panes[2].hsb; }
    QScrollBar* vsbAfter() const { return m_panes[2].vsb; }

    // Back buffers: the Design and Field pictures exactly as loaded; the converters read them.
    const QImage& picUra() const { return m_picUra; }
    const QImage& picUraField() const { return m_picUraField; }

    // Fit the Stereo pane's scroll bars after its container's size or its picture changed.
    void picContAfter_Resize() { fitScrollBars(PaneId::After); }

    // The inner height of the window (its scale height, in pixels).
    int scaleHeight() const { return height(); }

    QSize sizeHint() const override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // A container (the picture view), its pane and its two bars.
    struct PaneSet {
        PictureView* container = nullptr;
        PicturePane* pane = nullptr;
        QScrollBar* hsb = nullptr;
        QScrollBar* vsb = nullptr;
    };
    PaneSet& paneSet(PaneId id) { return m_panes[static_cast<std::size_t>(id)]; }
    void makePaneSet(PaneId id, const char* container, const char* pane, const char* hsb, const char* vsb);
    void fitScrollBars(PaneId id) { paneSet(id).container->fitScrollBars(); }
    // After an insertion: the Edit entries as the chosen pane (if any) now allows.
    void updateChosenPaneEntries();

    // Runs one command of the queue through the dispatch table.
    void runCommand(const Command& command);
    void closeWindow();
    void startConversion();

    void makeRunController();
    void makePictureInsertion();
    void makeFileBinding();
    // The references every collaborator that asks the user something takes.
    WindowServices services();
    // Back to the top left corner, so a new picture is seen from its start.
    void scrollToOrigin(PaneId id) { paneSet(id).container->scrollToOrigin(); }

    // The working file goes when the window closes, whatever the answer.
    void discardWorkingFile();

    void setIconForKind();
    bool isMinimizedNow() const;
    PaneGeometry currentGeometry() const;
    void applyGeometry(const PaneGeometry& geometry);

    document::AppState& m_state;
    DocumentHost& m_host;
    platform::Dialogs& m_dialogs;

    HiddenLabels m_labels;
    WindowFlags m_flags;
    // The working file: claimed at loading, written at deactivation, read at activation.
    std::unique_ptr<WorkingStateFile> m_workingFile;
    // This document's state. Written into the working file at deactivation and read back at
    // activation (a file changed meanwhile wins).
    document::DocumentState m_model;
    engine::ConversionState m_conversion;

    CommandQueue* m_commands = nullptr;
    std::array<PaneSet, 3> m_panes{};
    PictureView* m_picContBefore = nullptr;
    PictureView* m_picContField = nullptr;
    PictureView* m_picContAfter = nullptr;
    QWidget* m_picDrag = nullptr;
    PicturePane* m_picBefore = nullptr;
    PicturePane* m_picField = nullptr;
    PicturePane* m_picAfter = nullptr;
    QImage m_picUra;
    QImage m_picUraField;

    RunController* m_runController = nullptr;
    // Pictures into the panes from a file, the clipboard, an opened document or a depth map.
    std::unique_ptr<PictureInsertion> m_pictures;
    // Save and Save As of the document, and the save of a pane's picture.
    std::unique_ptr<DocumentFileBinding> m_files;

    // Edit commands on the selected pane, and the splitter drag (DocumentWindow_Edit.cpp).
public:
    // Copies the picture of the pane PicSource names; any other PicSource copies nothing.
    void copySelectedPane();
    // Empties the pane PicSource names and brings the Edit, save, print and convert entries up to date.
    void clearSelectedPane();
    // Disables Cut, Copy and Clear when the selected pane is empty; button 2 opens the Edit menu there.
    void UpdateEditMenus(int button, QPoint globalPos);
    // The pane tag of the pane chosen in this window for the Edit commands (PicSource::CBpicBefore,
    // ...), or None. The choice stays with the window where it was made.
    document::PicSource editTargetTag() const;
    SplitterDrag* splitterDrag() const { return m_splitter; }

private:
    class EditMouse;
    void setupEditing();
    std::optional<PaneId> selectedPane() const;
    void select(PaneId id);
    void pane_MouseDown(PaneId id);
    void pane_MouseUp(PaneId id, int button, QPoint globalPos);
    void cont_MouseUp(PaneId id, int button, QPoint globalPos);
    SplitterDrag* m_splitter = nullptr;
    std::optional<PaneId> m_editTarget;
};

// The extension of document files, added when a chosen name lacks it.
inline const QString DocumentSuffix = QStringLiteral(".qbd");
inline const QString DocumentFilter = QStringLiteral("Quarbelﾌｧｲﾙ(*.qbd)|*.qbd");
inline const QString TemporarySuffix = QStringLiteral(".tmp");
// New documents are named this stem followed by their number.
inline const QString NewDocumentStem = QStringLiteral("Quarbel");

} // namespace quarbel::panes
