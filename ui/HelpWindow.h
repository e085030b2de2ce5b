#pragma once

// The editor's own help window: the help page rendered in a text browser, for desktops where no
// browser opens it.

#include <QWidget>

class QTextBrowser;

namespace quarbel::ui {

class HelpWindow : public QWidget {
    Q_OBJECT

public:
    // A top-level window that stays above parent; hidden, not destroyed, when closed.
    explicit HelpWindow(QWidget* parent);

    // Shows the page at path (a local HTML file) and brings the window up.
    void showPage(const QString& path);

    QTextBrowser* browser() const { return m_browser; }

protected:
    // Escape closes the window: without a title bar (or a mouse) it must go from the keyboard.
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Centres the window over the program's window, inside the screen.
    void placeOverOwner();

    QTextBrowser* m_browser = nullptr;
    bool m_placed = false; // once; later the window stays where the user put it
};

} // namespace quarbel::ui
