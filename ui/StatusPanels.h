#pragma once

// The status bar's five panels: 1 the document's file (cut to fit, whole as the tool tip), 2 to 4
// the three slider values, 5 the Stereo picture's size beside a small picture.

#include <QObject>
#include <QString>
#include <array>

class QLabel;
class QStatusBar;

namespace quarbel::ui {

class ElidedLabel;

class StatusPanels : public QObject {
    Q_OBJECT

public:
    // Fills bar with the panels, each showing its label.
    explicit StatusPanels(QStatusBar& bar);

    // Panel 1..5; any other number is ignored or gives an empty text.
    QString text(int panel) const;
    void setText(int panel, const QString& text);
    // As at start-up: no path, and each panel its label.
    void reset();

private:
    std::array<QLabel*, 6> m_panels{};  // panels 1..5, index 0 unused
    ElidedLabel* m_pathPanel = nullptr; // panel 1
};

} // namespace quarbel::ui
