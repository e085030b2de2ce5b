#include "ui/HelpWindow.h"

#include <QKeyEvent>
#include <QScreen>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

namespace quarbel::ui {

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Quarbel の使い方"));
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("txtHelp"));
    // Links inside the page move within it; links to the web go to whatever can open them.
    m_browser->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    resize(720, 640);
}

void HelpWindow::showPage(const QString& path) {
    m_browser->setSource(QUrl::fromLocalFile(path));
    if (!m_browser->documentTitle().isEmpty()) {
        setWindowTitle(m_browser->documentTitle());
    }
    if (!m_placed) {
        placeOverOwner();
        m_placed = true;
    }
    show();
    raise();
    activateWindow();
}

void HelpWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void HelpWindow::placeOverOwner() {
    // Without a window manager (or with one that leaves placement to the program) a new window
    // would open in the screen's corner, away from the program it belongs to.
    const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    if (!owner) {
        return;
    }
    // move() places the frame; a window not yet shown has none, so it is taken to have its owner's.
    const QSize frame = owner->frameGeometry().size() - owner->size();
    const QScreen* screen = owner->screen();
    if (screen) {
        // A large scale factor leaves fewer pixels than the page's usual size: it fits the screen.
        resize(size().boundedTo(screen->availableGeometry().size() - frame));
    }
    QRect placed(QPoint(), size() + frame);
    placed.moveCenter(owner->frameGeometry().center());
    if (screen) {
        const QRect room = screen->availableGeometry();
        placed.moveLeft(std::max(room.left(), std::min(placed.left(), room.right() - placed.width() + 1)));
        placed.moveTop(std::max(room.top(), std::min(placed.top(), room.bottom() - placed.height() + 1)));
    }
    move(placed.topLeft());
}

} // namespace quarbel::ui
