#pragma once

// A picture area without border that sizes itself to its picture and draws it unscaled at (0, 0).

#include <QImage>
#include <QWidget>

namespace quarbel::panes {

class PicturePane : public QWidget {
    Q_OBJECT

public:
    explicit PicturePane(QWidget* parent = nullptr);

    const QImage& picture() const { return m_picture; }
    // Takes the picture and its size (auto-size).
    void setPicture(const QImage& picture);
    // An empty picture, 1 x 1.
    void emptyPicture();

    // Direct pixel access for the converters; callers repaint what they change with repaintRows().
    QImage& pictureForWriting() { return m_picture; }
    void repaintRows(int firstRow, int count);

    // The raised look of a pane while a mouse button is held on it: a one-pixel border.
    void setPressedLook(bool pressed);
    bool pressedLook() const { return m_pressed; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_picture;
    bool m_pressed = false;
};

} // namespace quarbel::panes
