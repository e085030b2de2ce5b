#include "ui/SliderBar.h"

#include "ui/BatchedStateWrites.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolBar>

namespace quarbel::ui {

using document::Slider;

SliderBar::SliderBar(QMainWindow& window) : QObject(&window) {
    // Often enough that a pause in a drag finds the file current, seldom enough to keep it smooth.
    m_writes = new BatchedStateWrites(this);

    m_bar = window.addToolBar(QStringLiteral("SliderBar"));
    m_bar->setObjectName(QStringLiteral("SliderBar"));
    m_bar->setMovable(false);
    m_bar->setFloatable(false);

    auto* box = new QWidget(m_bar);
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(6, 0, 6, 0);
    layout->setSpacing(4);
    for (const SliderEntry& entry : SliderEntries) {
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
        // Values the program shows come with the signal blocked: what arrives here is the user's.
        connect(control, &QSlider::valueChanged, this,
                [this, which](int value) { emit moved(which, value); });

        layout->addWidget(caption);
        layout->addWidget(control);
        layout->addSpacing(8);
    }
    layout->addStretch(1);
    m_bar->addWidget(box);
}

// Qt drops the filter and the connections with this object, whichever of it and the sliders goes first.
SliderBar::~SliderBar() = default;

QLabel* SliderBar::caption(int index) const {
    return (index >= 0 && index < document::SliderCaptionCount) ? m_captions[static_cast<std::size_t>(index)]
                                                                : nullptr;
}

void SliderBar::show(Slider which, bool enabled, int value) {
    QSlider* control = slider(which);
    control->setEnabled(enabled);
    const QSignalBlocker quiet(control);
    control->setValue(value);
}

void SliderBar::write(const QString& path, Slider which, int value) {
    m_writes->hold(path, QLatin1String(sliderEntry(which).parameter().key), QString::number(value));
}

void SliderBar::flush() {
    m_writes->flush();
}

bool SliderBar::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove || event->type() == QEvent::ToolTip) {
        for (QSlider* control : m_sliders) {
            if (watched == control) {
                control->setToolTip(QString::number(control->value()));
                break;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace quarbel::ui
