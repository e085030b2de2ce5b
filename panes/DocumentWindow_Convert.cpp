// The document window's side of a conversion: the two converters by name, and the run controller
// that drives them over this window's pictures.

#include "panes/DocumentWindow.h"

namespace quarbel::panes {

void DocumentWindow::makeRunController() {
    RunController::Window parts{
        m_state, m_host, *this, m_conversion, m_picUra, m_picUraField, *m_picAfter, [this](bool toOrigin) {
            if (toOrigin) {
                scrollToOrigin(PaneId::After);
            }
            fitScrollBars(PaneId::After);
        }};
    m_runController = new RunController(std::move(parts), this);
}

QString DocumentWindow::stereoSizeText() const {
    if (m_picAfter->isHidden()) {
        return {};
    }
    return QString::number(m_picAfter->width()) + QStringLiteral(" × ") +
           QString::number(m_picAfter->height());
}

void DocumentWindow::ConvertRandomDot() {
    m_runController->start(RunController::Kind::RandomDot);
}

void DocumentWindow::ConvertColorField() {
    m_runController->start(RunController::Kind::ColorField);
}

void DocumentWindow::startConversion() {
    if (m_state.StereoName == QLatin1String("RandomDot")) {
        ConvertRandomDot();
    } else if (m_state.StereoName == QLatin1String("Field")) {
        ConvertColorField();
    }
}

<<<<<<< HEAD
void DocumentWindow::startRun(const RunKind& kind) {
    // A row already scheduled means the run is going; a second start would convert rows twice.
    if (m_run.rowTimer && m_run.rowTimer->isActive()) {
        return;
    }
    if (!m_run.rowTimer) {
        m_run.rowTimer = new QTimer(this);
        m_run.rowTimer->setObjectName(QStringLiteral("rowTimer"));
        m_run.rowTimer->setSingleShot(true);
        m_run.rowTimer->setInterval(0);
        connect(m_run.rowTimer, &QTimer::timeout, this, &DocumentWindow::convertOneRow);
    }
    document::SharedControls& controls = m_host.sharedControls();
    m_host.lockOtherDocuments(*this);
    m_state.run.Converting = true;
    document::SetConvertRunning(controls);

    m_run.kind = &kind;
    m_run.monoOrColor = m_state.MonoOrColor.toStdString();
    m_run.design = platform::ImageSurface(m_picUra);
    if (kind.randomDot) {
        if (!m_run.random) {
            m_run.random = engine::makeRandomSource();
        }
        m_run.converter = engine::makeRandomDotConverter(m_conversion, m_state.run, m_run.design, *m_stereoSink,
                                                         *m_run.random, m_run.monoOrColor);
    } else {
        m_run.field = platform::ImageSurface(m_picUraField);
        m_run.converter =
            engine::makeColorFieldConverter(m_conversion, m_state.run, m_run.design, m_run.field, *m_stereoSink);
    }
    try {
        const document::ProfileIniReader reader;
        m_run.converter->begin(reader, m_state.IniPath.toStdString());
    } catch (const std::invalid_argument&) {
        // Insertion refuses such pictures, so this is a picture that came another way: no run.
        m_run.converter.reset();
        m_state.run.Converting = false;
        m_host.unlockDocuments();
        document::SetConvertFinished(m_state, controls);
        return;
    }
    m_run.active = true;

    const int width = m_run.converter->width();
    const int height = m_run.converter->height();
    m_picAfter->show();
    m_host.setStatusPanelText(5, QString::number(width) + QStringLiteral(" × ") + QString::number(height));
    picContAfter_Resize();
    scheduleRow();
}

void DocumentWindow::scheduleRow() {
    m_host.setStatusPanelText(1, QString::fromUtf8(m_run.kind->runningText));
    m_run.rowTimer->start();
}

void DocumentWindow::convertOneRow() {
    // A window on its way out touches nothing; its close already handed the frame back.
    if (m_conversion.Closing || !m_run.converter) {
        return;
    }
    switch (m_run.converter->nextRow()) {
    case engine::RowOutcome::Converted:
        scheduleRow();
        break;
    case engine::RowOutcome::Paused:
        document::SetConvertPaused(m_host.sharedControls());
        m_host.setStatusPanelText(1, QString::fromUtf8(m_run.kind->pausedText));
        break;
    case engine::RowOutcome::Closed:
        break;
    case engine::RowOutcome::Finished:
        finishRun();
        break;
    }
}

void DocumentWindow::finishRun() {
    m_run.active = false;
    m_run.converter.reset();
    m_host.unlockDocuments();
    document::SharedControls& controls = m_host.sharedControls();
    document::SetConvertFinished(m_state, controls);
    m_host.setStatusPanelText(1, displayPath());
    controls.setMenuEnabled(document::Menu::mnuSaveStereo, true);
    controls.setMenuEnabled(document::Menu::mnuPrint, true);
    controls.setButtonEnabled(4, true);
}

void DocumentWindow::discardStereoImage() {
    if (m_run.rowTimer) {
        m_run.rowTimer->stop();
    }
    m_run.converter.reset();
    m_run.active = false;
    m_picAfter->emptyPicture();
    m_picAfter->hide();
    picContAfter_Resize();
}

void DocumentWindow::endRunOnClose() {
    if (m_run.rowTimer) {
        m_run.rowTimer->stop();
    }
    m_run.converter.reset();
    m_run.active = false;
    m_state.run.Converting = false;
    m_host.unlockDocuments();
    // The closing window's file may be gone already (answered No), so it is neither read nor written.
    document::applyFinishedMenus(m_host.sharedControls(), m_labels.lblStereoName);
    m_host.setStatusPanelText(1, displayPath());
    m_host.setStatusPanelText(5, QString());
}

=======
>>>>>>> windows
} // namespace quarbel::panes
