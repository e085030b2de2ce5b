#include "ui/HelpWindow.h"

#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

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
    show();
    raise();
    activateWindow();
}

} // namespace quarbel::ui
