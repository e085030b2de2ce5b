#include "panes/DocumentWindow.h"

#include "document/AppPaths.h"
#include "document/EnableTable.h"
#include "document/StateFile.h"
#include "document/StateFileLocks.h"
#include "panes/CommandQueue.h"
#include "panes/DocumentFileBinding.h"
#include "panes/DocumentHost.h"
#include "panes/PictureInsertion.h"
#include "panes/Resources.h"
#include "panes/WorkingStateFile.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"

#include <QCloseEvent>
#include <QIcon>
#include <QLockFile>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QTimer>
#include <utility>

namespace quarbel::panes {

namespace {

const QString kSinki = QStringLiteral("Sinki");
const QString kColor = QStringLiteral("Color");

} // namespace

DocumentWindow::DocumentWindow(document::AppState& state, DocumentHost& host, platform::Dialogs& dialogs,
                               QWidget* parent)
    : QWidget(parent), m_state(state), m_host(host), m_dialogs(dialogs),
      m_workingFile(std::make_unique<WorkingStateFile>(*this, dialogs)) {
    initResources();
    setObjectName(QStringLiteral("Form1"));

    makePaneSet(PaneId::Before, "picContBefore", "picBefore", "hsbBefore", "vsbBefore");
    makePaneSet(PaneId::Field, "picContField", "picField", "hsbField", "vsbField");
    makePaneSet(PaneId::After, "picContAfter", "picAfter", "hsbAfter", "vsbAfter");
    m_picContBefore = paneSet(PaneId::Before).container;
    m_picContField = paneSet(PaneId::Field).container;
    m_picContAfter = paneSet(PaneId::After).container;
    m_picBefore = paneSet(PaneId::Before).pane;
    m_picField = paneSet(PaneId::Field).pane;
    m_picAfter = paneSet(PaneId::After).pane;

    m_picDrag = new QWidget(this);
    m_picDrag->setObjectName(QStringLiteral("picDrag"));
    m_picDrag->setCursor(Qt::SplitHCursor);

    makeRunController();
    makePictureInsertion();
    makeFileBinding();

    m_commands = new CommandQueue([this](const Command& command) { runCommand(command); },
                                  [this] { return m_conversion.Closing; }, this);
    setupEditing();
}

DocumentWindow::~DocumentWindow() = default;

void DocumentWindow::makePaneSet(PaneId id, const char* container, const char* pane, const char* hsb,
                                 const char* vsb) {
    PaneSet& set = paneSet(id);
    set.container = new PictureView(QLatin1String(container), QLatin1String(pane), this);
    set.pane = set.container->pane();
    set.hsb = set.container->horizontalScrollBar();
    set.hsb->setObjectName(QLatin1String(hsb));
    set.vsb = set.container->verticalScrollBar();
    set.vsb->setObjectName(QLatin1String(vsb));
}

QSize DocumentWindow::sizeHint() const {
    return {480, 360};
}

void DocumentWindow::Form_Load(const QString& documentPath) {
    applyGeometry(initialPaneLayout(width(), height()));

    // Every window keeps its live state in a working file of its own; a document file changes only
    // when the user saves. A name another running copy holds (or a crashed run left) is passed over.
    QString caption;
    document::ClaimedStateFile working;
    if (m_model.fields.OpenMode != kSinki) {
        caption = m_model.fields.DocName;
        m_labels.documentPath = documentPath;
        working = document::claimStateFile(m_state.appDir, document::OpenedDocumentStateStem,
                                           m_state.OpenedDocNumber);
        m_state.OpenedDocNumber = working.number + 1;
    } else {
        working =
            document::claimStateFile(m_state.appDir, document::NewDocumentStateStem, m_state.NewDocNumber);
        m_state.NewDocNumber = working.number;
        caption = NewDocumentStem + QString::number(m_state.NewDocNumber);
        // A new document names no image files, whatever the previous document held.
        m_model.fields.PicDesignPath.clear();
        m_model.fields.PicFieldPath.clear();
        m_model.fields.PicStereoPath.clear();
    }
    m_model.fields.IniPath = working.path;
    m_workingFile->take(std::move(working));
    document::SaveWindowState(m_model.fields, m_model.controls);
    platform::setFileAttributes(m_model.fields.IniPath, platform::FileAttributes::Hidden);
    setWindowTitle(caption);

    m_labels.lblTitle = caption;
    m_labels.lblIniName = m_model.fields.IniPath;
    m_labels.lblOldIniName = m_labels.documentPath.isEmpty() ? m_model.fields.IniPath : m_labels.documentPath;
    m_labels.lblStereoName = m_model.fields.StereoName;

    setIconForKind();
    m_host.setStatusPanelText(1, displayPath());
    m_flags.SkipActivate = true;
}

void DocumentWindow::Form_Activate() {
    if (m_flags.SkipActivate) {
        m_flags.SkipActivate = false;
        return;
    }
    document::SharedControls& controls = m_host.sharedControls();
    if (m_workingFile->restore(m_model)) {
        // Shown through the shared controls, which raise each slider's handling as a restore does.
        document::showDocument(m_model, m_model.fields, controls);
    }
    m_host.setStatusPanelText(1, displayPath());
    // A random-dot document has no Field picture to insert from the toolbar.
    const document::Enable kindEntries[] = {
        document::buttonMenuSet(9, 2, m_labels.lblStereoName != document::StereoKind::RandomDot)};
    document::applyEnables(controls, kindEntries);
    if (!m_picAfter->isHidden()) {
        static constexpr document::Enable kStereoShown[] = {document::menuOn(document::Menu::mnuSaveStereo)};
        document::applyEnables(controls, kStereoShown);
    }
}

void DocumentWindow::Form_Deactivate() {
    // A window that agreed to close must not write again: a discarded temporary file would come back.
    if (m_conversion.Closing) {
        return;
    }
    m_workingFile->save(m_model);
}

void DocumentWindow::Form_Unload(bool& cancel) {
    // Slider moves still held back go into this window's file before it is asked about or removed.
    m_host.flushStateWrites();
    // While another window converts, the shared controls show its run; handing them over now would
    // write its running state into files and leave Pause on the wrong window.
    if (m_state.run.Converting && !holdsRun()) {
        cancel = true;
        return;
    }
    // The question and the save act through the shared controls, so they must show this window's state.
    if (!m_host.isCurrent(*this)) {
        m_host.makeCurrent(*this);
    }
    RunController::QuestionHold heldRun(*m_runController);
    const bool unsaved = m_labels.documentPath.isEmpty();
    const QString caption = windowTitle();
    const QString question =
        unsaved ? QStringLiteral("「") + caption + QStringLiteral("」を保存しますか？")
                : QStringLiteral("「") + caption + QStringLiteral("」を上書き保存しますか？");

    switch (m_dialogs.askYesNoCancel(this, question)) {
    case platform::Answer::Yes:
        if (unsaved) {
            SaveDocumentAs();
        } else {
            m_flags.SaveFailed = !m_files->writeDocument(m_labels.documentPath);
        }
        if (m_flags.SaveFailed) {
            m_flags.SaveFailed = false;
            cancel = true;
            return;
        }
        break;
    case platform::Answer::No:
        // The document file stays exactly as it was last saved.
        break;
    case platform::Answer::Cancel:
        cancel = true;
        return;
    }

    heldRun.release();
    const bool lastDocument = m_host.openDocumentCount() <= 1;
    m_conversion.Closing = true;
    if (holdsRun()) {
        m_runController->endOnClose(m_labels.lblStereoName.kind());
    }
    discardWorkingFile();
    if (lastDocument) {
        m_host.ResetMenus();
    }
}

void DocumentWindow::makePictureInsertion() {
    PictureInsertion::Window parts{services(),
                                   {m_picContBefore, m_picContField, m_picContAfter},
                                   m_picUra,
                                   m_picUraField,
                                   [this] { m_editTarget.reset(); },
                                   [this] { updateChosenPaneEntries(); }};
    m_pictures = std::make_unique<PictureInsertion>(std::move(parts));
}

WindowServices DocumentWindow::services() {
    return {m_state, m_model, m_host, m_dialogs, *this};
}

void DocumentWindow::makeFileBinding() {
    m_files =
        std::make_unique<DocumentFileBinding>(DocumentFileBinding::Window{services(), m_labels, m_flags});
}

void DocumentWindow::SaveDocumentAs() {
    m_files->saveAs();
}

void DocumentWindow::SavePaneImage(PaneId pane) {
    m_files->savePaneImage(pane);
}

void DocumentWindow::discardWorkingFile() {
    const QString working = m_labels.lblIniName;
    m_workingFile->discard();
    // Nothing may write the closed window's file back into being before the next window takes over.
    if (m_model.fields.IniPath == working) {
        m_model.fields.IniPath.clear();
    }
}

QString DocumentWindow::displayPath() const {
    return m_labels.documentPath.isEmpty() ? m_labels.lblIniName : m_labels.documentPath;
}

void DocumentWindow::InsPicField(document::PicSource source) {
    m_pictures->insertField(source);
}

void DocumentWindow::InsDepthMap() {
    m_pictures->insertDepthMap();
}

void DocumentWindow::placeUnfiledDesign(const QImage& picture) {
    m_pictures->placeUnfiledDesign(picture);
}

void DocumentWindow::post(const Command& command) {
    m_commands->post(command);
}

const QList<Command>& DocumentWindow::pendingCommands() const {
    return m_commands->pending();
}

QTimer* DocumentWindow::Timer1() const {
    return m_commands->timer();
}

void DocumentWindow::Timer1_Timer() {
    m_commands->fire();
}

void DocumentWindow::runCommand(const Command& command) {
    using document::CommandTag;
    using Run = void (*)(DocumentWindow&, const Command&);
    struct Route {
        CommandTag tag;
        Run run;
    };
    // Tag to procedure; an unknown tag does nothing.
    static constexpr Route kRoutes[] = {
        {CommandTag::MDImnuInsDesign,
         [](DocumentWindow& w, const Command& c) { w.m_pictures->insertDesign(c.source); }},
        {CommandTag::MDImnuInsField,
         [](DocumentWindow& w, const Command& c) { w.m_pictures->insertField(c.source); }},
        {CommandTag::MDImnuInsStereo,
         [](DocumentWindow& w, const Command& c) { w.m_pictures->insertStereo(c.source); }},
        {CommandTag::MDImnuOpen,
         [](DocumentWindow& w, const Command& c) { w.m_pictures->insertOpened(c.openPicCode); }},
        {CommandTag::MDImnuConvStart, [](DocumentWindow& w, const Command&) { w.startConversion(); }},
        {CommandTag::MDImnuSaveName, [](DocumentWindow& w, const Command&) { w.m_files->saveAs(); }},
        {CommandTag::MDImnuSave, [](DocumentWindow& w, const Command&) { w.m_files->save(); }},
        {CommandTag::MDImnuSaveDesign,
         [](DocumentWindow& w, const Command&) { w.m_files->savePaneImage(PaneId::Before); }},
        {CommandTag::MDImnuSaveField,
         [](DocumentWindow& w, const Command&) { w.m_files->savePaneImage(PaneId::Field); }},
        {CommandTag::MDImnuSaveStereo,
         [](DocumentWindow& w, const Command&) { w.m_files->savePaneImage(PaneId::After); }},
        {CommandTag::MDImnuPrint, [](DocumentWindow& w, const Command&) { w.PrintStereo(); }},
        {CommandTag::FromWizard, [](DocumentWindow& w, const Command&) { w.LoadWizardImages(); }},
        {CommandTag::MDImnuClose, [](DocumentWindow& w, const Command&) { w.closeWindow(); }},
        {CommandTag::MDImnuInsDepthMap,
         [](DocumentWindow& w, const Command&) { w.m_pictures->insertDepthMap(); }},
        {CommandTag::MDImnuConvReveal, [](DocumentWindow& w, const Command&) { w.RevealDesign(); }},
    };
    for (const Route& route : kRoutes) {
        if (command.tag == route.tag) {
            // The command works through the shared controls, which must show this window's state.
            if (!m_host.isCurrent(*this)) {
                m_host.makeCurrent(*this);
            }
            route.run(*this, command);
            return;
        }
    }
}

void DocumentWindow::closeWindow() {
    // The sub-window forwards its close to this widget, which asks the question.
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        frame->close();
    } else {
        close();
    }
}

void DocumentWindow::setIconForKind() {
    QString resource;
    if (m_model.fields.StereoName == document::StereoKind::Field) {
        resource = QStringLiteral(":/panes/icons/104.svg");
    } else if (m_model.fields.MonoOrColor == kColor) {
        resource = QStringLiteral(":/panes/icons/103.svg");
    } else {
        resource = QStringLiteral(":/panes/icons/101.svg");
    }
    setWindowIcon(QIcon(resource));
}

void DocumentWindow::closeEvent(QCloseEvent* event) {
    if (m_conversion.Closing) {
        event->accept();
        return;
    }
    bool cancel = false;
    Form_Unload(cancel);
    if (cancel) {
        event->ignore();
    } else {
        event->accept();
    }
}

void DocumentWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

bool DocumentWindow::isMinimizedNow() const {
    const QWidget* frame = parentWidget();
    return (frame && frame->isMinimized()) || (window() && window()->isMinimized());
}

void DocumentWindow::Form_Resize() {
    if (isMinimizedNow()) {
        return;
    }
    // The window's own kind decides; the shared kind belongs to the active document.
    const bool randomDot = m_labels.lblStereoName == document::StereoKind::RandomDot;
    applyGeometry(resizedPaneLayout(currentGeometry(), width(), height(), randomDot));
}

PaneGeometry DocumentWindow::currentGeometry() const {
    PaneGeometry g;
    g.picContBefore = m_picContBefore->geometry();
    g.picContField = m_picContField->geometry();
    g.picContAfter = m_picContAfter->geometry();
    g.picDrag = m_picDrag->geometry();
    return g;
}

void DocumentWindow::applyGeometry(const PaneGeometry& geometry) {
    m_picContBefore->setGeometry(geometry.picContBefore);
    m_picContField->setGeometry(geometry.picContField);
    m_picContAfter->setGeometry(geometry.picContAfter);
    m_picDrag->setGeometry(geometry.picDrag);
    if (geometry.hideField) {
        m_picContField->hide();
    }
}

} // namespace quarbel::panes
