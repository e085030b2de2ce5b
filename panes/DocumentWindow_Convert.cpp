// The document window's side of a conversion: the two converters by name, and the run controller
// that drives them over this window's pictures.

#include "panes/DocumentWindow.h"

namespace quarbel::panes {

void DocumentWindow::makeRunController() {
    RunController::Window parts{m_state,
                                m_model,
                                m_host,
                                *this,
                                m_conversion,
                                m_picUra,
                                m_picUraField,
                                *m_picAfter,
                                [this](bool toOrigin) {
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
    const QSize size = m_picAfter->pictureSize();
    return QString::number(size.width()) + QStringLiteral(" × ") + QString::number(size.height());
}

void DocumentWindow::ConvertRandomDot() {
    m_runController->start(RunController::Kind::RandomDot);
}

void DocumentWindow::ConvertColorField() {
    m_runController->start(RunController::Kind::ColorField);
}

void DocumentWindow::startConversion() {
    // A kind read from a file that names neither converter starts nothing.
    if (m_model.fields.StereoName == document::StereoKind::RandomDot) {
        ConvertRandomDot();
    } else if (m_model.fields.StereoName == document::StereoKind::Field) {
        ConvertColorField();
    }
}

} // namespace quarbel::panes
