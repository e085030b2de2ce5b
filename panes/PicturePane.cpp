#include "panes/PicturePane.h"

#include <QPaintEvent>
#include <QPainter>

namespace quarbel::panes {

PicturePane::PicturePane(QWidget* parent) : QWidget(parent) {
    // Every pixel is painted below; nothing underneath needs drawing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PicturePane::setPicture(const QImage& picture) {
    m_picture = picture;
    m_pictureSize = picture.size();
    update();
    emit extentChanged();
}

void PicturePane::emptyPicture() {
    m_picture = QImage();
    m_pictureSize = QSize(1, 1);
    update();
    emit extentChanged();
}

void PicturePane::repaintRows(int firstRow, int count) {
    const QRect rows = QRect(-m_origin.x(), firstRow - m_origin.y(), m_pictureSize.width(), count) & rect();
    if (!rows.isEmpty()) {
        update(rows);
    }
}

void PicturePane::setPressedLook(bool pressed) {
    if (m_pressed != pressed) {
        m_pressed = pressed;
        update();
    }
}

void PicturePane::setVisible(bool visible) {
    const bool changed = visible == isHidden();
    QWidget::setVisible(visible);
    if (changed) {
        emit extentChanged();
    }
}

void PicturePane::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect target = event->rect();
    painter.fillRect(target, palette().base());
    if (!m_picture.isNull()) {
        const QRect source = target.translated(m_origin) & m_picture.rect();
        if (!source.isEmpty()) {
            painter.drawImage(source.topLeft() - m_origin, m_picture, source);
        }
    }
    if (m_pressed) {
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawRect(QRect(-m_origin, m_pictureSize).adjusted(0, 0, -1, -1));
    }
}

} // namespace quarbel::panes
