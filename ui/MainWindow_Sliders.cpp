// The three parameter sliders with their caption boxes, and the status bar.

#include "document/IniFile.h"
#include "document/Parameters.h"
#include "ui/BatchedStateWrites.h"
#include "ui/ElidedLabel.h"
#include "ui/MainWindow.h"

#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QSlider>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <algorithm>
#include <utility>

namespace quarbel::ui {

using document::Slider;

namespace {

struct SliderEntry {
    Slider id;
    const char* name;
    const char* caption; // Text1 with the slider's index
    int smallChange;
    int largeChange;
    int tickEvery;
    int panel;
    // The range, and the state key (also the status panel's key).
    const document::ParameterSpec& parameter() const { return document::parameterSpec(id); }
};

constexpr SliderEntry kSliders[] = {
    {Slider::sldKurikaesi, "sldKurikaesi", "繰返幅", 1, 10, 20, 2},
    {Slider::sldRittaido, "sldRittaido", "立体度", 1, 5, 5, 3},
    {Slider::sldMitudo, "sldMitudo", "密度", 1, 5, 10, 4},
};

const SliderEntry& entryOf(Slider which) {
    return kSliders[static_cast<std::size_t>(which)];
}

QLabel* makePanel(QWidget* parent, const QString& name, const QString& label, int minimumWidth) {
    auto* panel = new QLabel(label, parent);
    panel->setObjectName(name);
    panel->setToolTip(label);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setMinimumWidth(minimumWidth);
    panel->setContentsMargins(4, 0, 4, 0);
    return panel;
}

} // namespace

void MainWindow::setupSliders() {
    // Often enough that a pause in a drag finds the file current, seldom enough to keep it smooth.
    m_stateWrites = new BatchedStateWrites(this);

    auto* bar = addToolBar(QStringLiteral("SliderBar"));
    bar->setObjectName(QStringLiteral("SliderBar"));
    bar->setMovable(false);
    bar->setFloatable(false);

    auto* box = new QWidget(bar);
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(6, 0, 6, 0);
    layout->setSpacing(4);
    for (const SliderEntry& entry : kSliders) {
        const auto index = static_cast<std::size_t>(entry.id);

        auto* caption = new QLabel(QString::fromUtf8(entry.caption), box);
        caption->setObjectName(QStringLiteral("Text1_%1").arg(index));
        caption->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        caption->setAlignment(Qt::AlignCenter);
        caption->setFixedWidth(caption->fontMetrics().horizontalAdvance(caption->text()) + 24);
        m_captions[index] = caption;

        auto* control = new QSlider(Qt::Horizontal, box);
        control->setObjectName(QLatin1String(entry.name));
        control->setRange(entry.parameter().minimum, entry.parameter().maximum);
        control->setSingleStep(entry.smallChange);
        control->setPageStep(entry.largeChange);
        control->setTickInterval(entry.tickEvery);
        control->setTickPosition(QSlider::TicksBelow);
        control->setFixedWidth(130);
        // Hover moves reach the slider, so its tool tip can follow the value.
        control->setMouseTracking(true);
        control->installEventFilter(this);
        m_sliders[index] = control;
        const Slider which = entry.id;
        connect(control, &QSlider::valueChanged, this, [this, which] { slider_Change(which); });

        layout->addWidget(caption);
        layout->addWidget(control);
        layout->addSpacing(8);
    }
    layout->addStretch(1);
    bar->addWidget(box);
}

void MainWindow::slider_Change(Slider which) {
    // The user's move is the document's new value.
    shownDocument().controls.setSliderValue(which, slider(which)->value());
    sliderChanged(which);
}

void MainWindow::sliderChanged(Slider which) {
    const SliderEntry& entry = entryOf(which);
    const QString value = QString::number(sliderValue(which));
    // The conversion reads its parameters from the active document's file. Writing it at every step
    // of a drag makes the drag stutter, so the values go in batches, and everything that reads the
    // file (activation, closing, a command, a conversion start, exit) flushes first. A write that
    // fails is not reported.
    if (!fields().IniPath.isEmpty()) {
        m_stateWrites->hold(fields().IniPath, QLatin1String(entry.parameter().key), value);
    }
    setStatusPanelText(entry.panel, value);
}

void MainWindow::flushStateWrites() {
    m_stateWrites->flush();
}

void MainWindow::slider_MouseMove(Slider which) {
    QSlider* control = slider(which);
    control->setToolTip(QString::number(control->value()));
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove || event->type() == QEvent::ToolTip) {
        for (const SliderEntry& entry : kSliders) {
            if (watched == slider(entry.id)) {
                slider_MouseMove(entry.id);
                break;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::setupStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));

    // Panel 1 holds paths of any length; a long one is cut and shown whole as the tool tip.
    m_pathPanel = new ElidedLabel(bar);
    m_pathPanel->setObjectName(QStringLiteral("Panel1"));
    m_pathPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_pathPanel->setMinimumWidth(200);
    m_pathPanel->setContentsMargins(4, 0, 4, 0);
    m_pathPanel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_statusPanels[1] = m_pathPanel;
    bar->addWidget(m_pathPanel, 1);
    for (const SliderEntry& entry : kSliders) {
        QLabel* panel =
            makePanel(bar, QLatin1String(entry.parameter().key), QString::fromUtf8(entry.caption), 64);
        panel->setAlignment(Qt::AlignCenter);
        m_statusPanels[static_cast<std::size_t>(entry.panel)] = panel;
        bar->addWidget(panel);
    }

    // Panel 5 shows the Stereo image's size beside a small picture.
    auto* sizePanel = new QFrame(bar);
    sizePanel->setObjectName(QStringLiteral("Size"));
    sizePanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    sizePanel->setToolTip(QStringLiteral("画像サイズ"));
    auto* layout = new QHBoxLayout(sizePanel);
    layout->setContentsMargins(4, 0, 4, 0);
    layout->setSpacing(4);
    auto* picture = new QLabel(sizePanel);
    picture->setObjectName(QStringLiteral("SizePicture"));
    picture->setPixmap(QIcon(QStringLiteral(":/ui/icons/Size.svg")).pixmap(16, 16));
    auto* text = new QLabel(QStringLiteral("画像サイズ"), sizePanel);
    text->setObjectName(QStringLiteral("SizeText"));
    text->setMinimumWidth(96);
    layout->addWidget(picture);
    layout->addWidget(text);
    m_statusPanels[5] = text;
    bar->addWidget(sizePanel);
}

void MainWindow::resetStatusPanels() {
    // As at start-up: no path, and each panel its label.
    setStatusPanelText(1, QString());
    for (const SliderEntry& entry : kSliders) {
        setStatusPanelText(entry.panel, QString::fromUtf8(entry.caption));
    }
    setStatusPanelText(5, QStringLiteral("画像サイズ"));
}

} // namespace quarbel::ui
