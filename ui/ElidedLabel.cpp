#include "ui/ElidedLabel.h"

#include <QResizeEvent>

namespace quarbel::ui {

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent) {}

void ElidedLabel::setFullText(const QString& text) {
    m_fullText = text;
    refresh();
}

QSize ElidedLabel::minimumSizeHint() const {
    const QSize hint = QLabel::minimumSizeHint();
    return {minimumWidth(), hint.height()};
}

QSize ElidedLabel::sizeHint() const {
    const QSize hint = QLabel::sizeHint();
    return {minimumWidth(), hint.height()};
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    refresh();
}

void ElidedLabel::refresh() {
    const int room = contentsRect().width() - 2 * margin() - indent();
    const QString shown = fontMetrics().elidedText(m_fullText, Qt::ElideMiddle, std::max(0, room));
    setText(shown);
    setToolTip(shown == m_fullText ? QString() : m_fullText);
}

} // namespace quarbel::ui
