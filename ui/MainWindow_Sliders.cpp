// The frame's side of the slider bar and the status panels: a user's move goes into the active
// document, and from there into its file and the status bar.

#include "ui/MainWindow.h"
#include "ui/SliderBar.h"
#include "ui/StatusPanels.h"

#include <QSlider>
#include <QStatusBar>

namespace quarbel::ui {

using document::Slider;

void MainWindow::setupSliders() {
    m_sliderBar = new SliderBar(*this);
    connect(m_sliderBar, &SliderBar::moved, this, [this](Slider which, int) { slider_Change(which); });
}

void MainWindow::slider_Change(Slider which) {
    // The user's move is the document's new value.
    shownDocument().controls.setSliderValue(which, slider(which)->value());
    sliderChanged(which);
}

void MainWindow::sliderChanged(Slider which) {
    const int value = sliderValue(which);
    // The conversion reads its parameters from the active document's file. Writing it at every step
    // of a drag makes the drag stutter, so the values go in batches, and everything that reads the
    // file (activation, closing, a command, a conversion start, exit) flushes first. A write that
    // fails is not reported.
    if (!fields().IniPath.isEmpty()) {
        m_sliderBar->write(fields().IniPath, which, value);
    }
    setStatusPanelText(sliderEntry(which).panel, QString::number(value));
}

void MainWindow::flushStateWrites() {
    m_sliderBar->flush();
}

void MainWindow::setupStatusBar() {
    m_statusPanels = new StatusPanels(*statusBar());
}

void MainWindow::resetStatusPanels() {
    m_statusPanels->reset();
}

} // namespace quarbel::ui
