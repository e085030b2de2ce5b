#include "panes/RunController.h"

#include "document/IniFile.h"
#include "document/Parameters.h"
#include "document/RunStates.h"
#include "document/StateFile.h"
#include "panes/DocumentHost.h"
#include "panes/DocumentWindow.h"
#include "panes/PicturePane.h"
#include "panes/StereoPaneSink.h"

#include <QTimer>
#include <stdexcept>

namespace quarbel::panes {

using document::Menu;

namespace {

struct StatusTexts {
    const char* running;
    const char* paused;
};

const StatusTexts& textsFor(RunController::Kind kind) {
    static constexpr StatusTexts kRandomDot{"ランダムドット変換中です。しばらくお待ちください...",
                                            "ランダムドット変換を中断しています..."};
    static constexpr StatusTexts kColorField{"カラーフィールド変換中です。しばらくお待ちください...",
                                             "カラーフィールド変換を中断しています..."};
    return kind == RunController::Kind::RandomDot ? kRandomDot : kColorField;
}

} // namespace

RunController::RunController(Window window, QObject* parent)
    : QObject(parent), m_window(std::move(window)),
      m_sink(std::make_unique<StereoPaneSink>(m_window.stereo)) {
    m_rowTimer = new QTimer(this);
    m_rowTimer->setObjectName(QStringLiteral("rowTimer"));
    m_rowTimer->setSingleShot(true);
    m_rowTimer->setInterval(0);
    connect(m_rowTimer, &QTimer::timeout, this, &RunController::convertOneRow);
}

RunController::~RunController() {
    // The converter refers to the surfaces and the sink; it goes first.
    m_converter.reset();
}

bool RunController::converting() const {
    return m_rowTimer->isActive();
}

void RunController::start(Kind kind) {
    // A row already scheduled means the run is going; a second start would convert rows twice.
    if (m_rowTimer->isActive() || m_held) {
        return;
    }
    document::AppState& state = m_window.state;
    DocumentHost& host = m_window.host;
    document::SharedControls& controls = host.sharedControls();
    const bool continuing = m_window.model.run != document::RunPhase::Idle;
    // The run takes its parameters from the document's file, as the sliders last wrote them.
    host.flushStateWrites();
    if (!continuing) {
        // The end of the run, and a close question asked meanwhile, bring the document's idle state
        // back as it is now; the file holds it too, for a window switch after the run.
        m_idleState = m_window.model;
        document::SaveWindowState(m_window.model.fields, m_window.model.controls);
    }
    host.lockOtherDocuments(m_window.form);
    state.run.Converting = true;
    document::SetConvertRunning(controls);

    m_kind = kind;
    m_monoOrColor = m_window.model.fields.MonoOrColor.toStdString();
    m_design = platform::ImageSurface(m_window.design);
    if (kind == Kind::RandomDot) {
        if (!m_random) {
            m_random = engine::makeRandomSource();
        }
        m_converter = engine::makeRandomDotConverter(m_window.conversion, state.run, m_design, *m_sink,
                                                     *m_random, m_monoOrColor);
    } else {
        m_field = platform::ImageSurface(m_window.field);
        m_converter =
            engine::makeColorFieldConverter(m_window.conversion, state.run, m_design, m_field, *m_sink);
    }
    try {
        m_window.conversion.MaxWidth = document::MaxEditorPictureWidth;
        m_converter->begin(document::readConversionParameters(m_window.model.fields.IniPath));
    } catch (const std::invalid_argument&) {
        // Insertion refuses such pictures, so this is a picture that came another way: no run.
        m_converter.reset();
        m_window.model.run = document::RunPhase::Idle;
        state.run.Converting = false;
        host.unlockDocuments();
        restoreFinishedState();
        return;
    }
    m_window.model.run = document::RunPhase::Running;

    m_window.stereo.show();
    host.setStatusPanelText(5, QString::number(m_converter->width()) + QStringLiteral(" × ") +
                                   QString::number(m_converter->height()));
    // A new picture starts at its top left corner; a continued one stays where the user looks.
    m_window.layoutStereo(!continuing);
    scheduleRow();
}

void RunController::pause() {
    m_window.state.run.PauseRequested = true;
}

void RunController::scheduleRow() {
    m_window.host.setStatusPanelText(1, QString::fromUtf8(textsFor(m_kind).running));
    m_rowTimer->start();
}

void RunController::convertOneRow() {
    // A window on its way out touches nothing; its close already handed the frame back.
    if (!m_converter || m_held || m_window.conversion.Closing) {
        return;
    }
    switch (m_converter->nextRow()) {
    case engine::RowOutcome::Converted:
        scheduleRow();
        break;
    case engine::RowOutcome::Paused:
        m_window.model.run = document::RunPhase::Paused;
        document::SetConvertPaused(m_window.host.sharedControls());
        m_window.host.setStatusPanelText(1, QString::fromUtf8(textsFor(m_kind).paused));
        break;
    case engine::RowOutcome::Closed:
        break;
    case engine::RowOutcome::Finished:
        finish();
        break;
    }
}

void RunController::stopRows() {
    m_rowTimer->stop();
    m_converter.reset();
    m_window.model.run = document::RunPhase::Idle;
    m_held = false;
}

void RunController::finish() {
    stopRows();
    DocumentHost& host = m_window.host;
    document::SharedControls& controls = host.sharedControls();
    host.unlockDocuments();
    restoreFinishedState();
    host.setStatusPanelText(1, m_window.form.displayPath());
    document::SetConvertCompleted(controls);
}

void RunController::abort() {
    document::AppState& state = m_window.state;
    DocumentHost& host = m_window.host;
    document::SharedControls& controls = host.sharedControls();
    state.run.PauseRequested = true;
    state.run.AbortRequested = true;
    stopRows();
    m_window.stereo.emptyPicture();
    m_window.stereo.hide();
    m_window.layoutStereo(true);
    state.run.Converting = false;
    host.unlockDocuments();
    restoreFinishedState();
    host.setStatusPanelText(1, m_window.form.displayPath());
    host.setStatusPanelText(5, QString());
    // The half-made picture is gone, so there is no Stereo picture to save either: the entry goes
    // off rather than doing nothing when chosen. The file agrees, for the next activation.
    document::SetConvertAborted(controls);
    // Nor does the document name the picture the run drew over: saved, it would come back with a
    // Stereo picture the user no longer has.
    m_window.model.fields.PicStereoPath.clear();
    document::SaveWindowState(m_window.model.fields, m_window.model.controls);
}

void RunController::restoreFinishedState() {
    document::DocumentState& model = m_window.model;
    document::SharedControls& controls = m_window.host.sharedControls();
    // The idle state comes from memory, never back through the file: a file that cannot be read or
    // written must not turn the document's menus into the defaults.
    document::showDocument(m_idleState, model.fields, controls);
    document::applyFinishedMenus(controls, model.fields.StereoName.kind());
    document::SaveWindowState(model.fields, model.controls);
}

void RunController::endOnClose(document::StereoKind kind) {
    stopRows();
    DocumentHost& host = m_window.host;
    m_window.state.run.Converting = false;
    host.unlockDocuments();
    document::applyFinishedMenus(host.sharedControls(), kind);
    host.setStatusPanelText(1, m_window.form.displayPath());
    host.setStatusPanelText(5, QString());
}

bool RunController::holdForQuestion() {
    if (!holdsRun() || m_held) {
        return false;
    }
    m_held = true;
    m_rowTimer->stop();
    DocumentHost& host = m_window.host;
    document::SharedControls& controls = host.sharedControls();
    host.flushStateWrites();
    // The state the document had when the run started.
    document::showDocument(m_idleState, m_window.model.fields, controls);
    controls.setConvStartCaption(document::ConvStartCaption);
    host.setStatusPanelText(1, m_window.form.displayPath());
    return true;
}

void RunController::resumeAfterQuestion() {
    if (!m_held) {
        return;
    }
    m_held = false;
    document::SharedControls& controls = m_window.host.sharedControls();
    document::SetConvertRunning(controls);
    if (m_window.model.run == document::RunPhase::Running) {
        scheduleRow();
    } else {
        document::SetConvertPaused(controls);
        m_window.host.setStatusPanelText(1, QString::fromUtf8(textsFor(m_kind).paused));
    }
}

} // namespace quarbel::panes
