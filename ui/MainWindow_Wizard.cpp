// The colour-field wizard from the frame's side: showing it, and the hand-over that turns its
// result into a new document window once the wizard has closed.

#include "panes/DocumentWindow.h"
#include "ui/ColourFieldWizard.h"
#include "ui/MainWindow.h"

#include <QAction>
#include <QTimer>

namespace quarbel::ui {

void MainWindow::mnuWizard_Click() {
    if (m_wizard) {
        m_wizard->raise();
        m_wizard->activateWindow();
        return;
    }
    auto* wizard = new ColourFieldWizard(m_state, m_dialogs, *timForWiz(), this);
    connect(wizard, &QDialog::finished, wizard, &QObject::deleteLater);
    // Modal without a nested event loop: the frame takes no input while the wizard is up, and the
    // wizard's handlers stay callable.
    wizard->setWindowModality(Qt::ApplicationModal);
    wizard->Form_Load();
    m_wizard = wizard;
    wizard->show();
}

ColourFieldWizard* MainWindow::wizard() const {
    return m_wizard.data();
}

QTimer* MainWindow::timForWiz() {
    if (!m_timForWiz) {
        m_timForWiz = new QTimer(this);
        m_timForWiz->setObjectName(QStringLiteral("timForWiz"));
        m_timForWiz->setSingleShot(true);
        connect(m_timForWiz, &QTimer::timeout, this, &MainWindow::timForWiz_Timer);
    }
    return m_timForWiz;
}

void MainWindow::timForWiz_Timer() {
    timForWiz()->stop();
    // The active document keeps its own kind and state: it is written to its file, and the frame's
    // own state is prepared for the new one.
    detachCurrentDocument();
    fields().OpenMode = QStringLiteral("Sinki");
    fields().StereoName = document::StereoKind::Field;
    SetNewDocumentMenus();
    PostCommand(document::CommandTag::FromWizard);
}

} // namespace quarbel::ui
