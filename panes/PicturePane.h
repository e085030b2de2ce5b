#pragma once

// The part of a picture view that shows the picture: unscaled, its point origin() at the top left
// corner. Hidden while the pane has no picture; the view around it then shows its own background.

#include <QImage>
#include <QWidget>

namespace quarbel::panes {

class PicturePane : public QWidget {
    Q_OBJECT

public:
    explicit PicturePane(QWidget* parent = nullptr);

    const QImage& picture() const { return m_picture; }
    // The size the pane gives its picture (the scrolled extent); an emptied pane keeps 1 x 1.
    QSize pictureSize() const { return m_pictureSize; }
    void setPicture(const QImage& picture);
    // An empty picture, 1 x 1.
    void emptyPicture();

    // Direct pixel access for the converters; callers repaint what they change with repaintRows().
    QImage& pictureForWriting() { return m_picture; }
    // Repaints those of the rows that are in sight, and nothing else.
    void repaintRows(int firstRow, int count);

    // The raised look of a pane while a mouse button is held on it: a one-pixel border.
    void setPressedLook(bool pressed);
    bool pressedLook() const { return m_pressed; }

    // The picture's point shown at the pane's top left corner; the view moves it as it scrolls.
    QPoint origin() const { return m_origin; }
    void setOrigin(QPoint origin) { m_origin = origin; }

    void setVisible(bool visible) override;

signals:
    // The picture's size or the pane's visibility changed: the view fits its scroll bars.
    void extentChanged();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_picture;
    QSize m_pictureSize;
    QPoint m_origin;
    bool m_pressed = false;
};

} // namespace quarbel::panes
