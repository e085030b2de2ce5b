#pragma once

// A status panel for a path: when the text does not fit, it is cut in the middle with an ellipsis
// and the whole text becomes the tool tip.

#include <QLabel>

namespace quarbel::ui {

class ElidedLabel : public QLabel {
public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    void setFullText(const QString& text);
    const QString& fullText() const { return m_fullText; }

    // Takes no more room than its frame: the panel gives way rather than widening the window.
    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void refresh();

    QString m_fullText;
};

} // namespace quarbel::ui
