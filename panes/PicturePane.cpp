#include "panes/PicturePane.h"

#include <QPaintEvent>
#include <QPainter>

namespace quarbel::panes {

PicturePane::PicturePane(QWidget* parent) : QWidget(parent) {
    // The picture covers the whole area; nothing underneath needs drawing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PicturePane::setPicture(const QImage& picture) {
    m_picture = picture;
    resize(picture.size());
    update();
}

void PicturePane::emptyPicture() {
    m_picture = QImage();
    resize(1, 1);
    update();
}

void PicturePane::repaintRows(int firstRow, int count) {
    update(0, firstRow, width(), count);
}

void PicturePane::setPressedLook(bool pressed) {
    if (m_pressed != pressed) {
        m_pressed = pressed;
        update();
    }
}

void PicturePane::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::white);
    if (!m_picture.isNull()) {
        painter.drawImage(event->rect().topLeft(), m_picture, event->rect());
    }
    if (m_pressed) {
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

} // namespace quarbel::panes
