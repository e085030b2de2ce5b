#pragma once

// The bar of the three parameter sliders with their caption boxes, and the slider values on their
// way into a document's file. It shows what it is told and reports the user's moves; what a value
// means for the document is the frame's business.

#include "document/Parameters.h"
#include "document/SharedControls.h"

#include <QObject>
#include <array>

class QLabel;
class QMainWindow;
class QSlider;
class QToolBar;

namespace quarbel::ui {

class BatchedStateWrites;

// One slider: its object name, its caption (also the status panel's label), its steps and the
// status panel that shows its value.
struct SliderEntry {
    document::Slider id;
    const char* name;
    const char* caption;
    int smallChange;
    int largeChange;
    int tickEvery;
    int panel;
    // The range, and the state key (also the status panel's object name).
    const document::ParameterSpec& parameter() const { return document::parameterSpec(id); }
};

inline constexpr std::array<SliderEntry, document::SliderCount> SliderEntries{{
    {document::Slider::sldKurikaesi, "sldKurikaesi", "繰返幅", 1, 10, 20, 2},
    {document::Slider::sldRittaido, "sldRittaido", "立体度", 1, 5, 5, 3},
    {document::Slider::sldMitudo, "sldMitudo", "密度", 1, 5, 10, 4},
}};

inline const SliderEntry& sliderEntry(document::Slider which) {
    return SliderEntries[static_cast<std::size_t>(which)];
}

class SliderBar : public QObject {
    Q_OBJECT

public:
    // Adds the bar ("SliderBar") to window.
    explicit SliderBar(QMainWindow& window);
    ~SliderBar() override;

    QToolBar* toolBar() const { return m_bar; }
    QSlider* slider(document::Slider which) const { return m_sliders[static_cast<std::size_t>(which)]; }
    QLabel* caption(int index) const;

    // Shows a slider's state without reporting it as a move.
    void show(document::Slider which, bool enabled, int value);

    // A value for a document's file, held and written with others once the moves pause.
    void write(const QString& path, document::Slider which, int value);
    // Writes what is held at once.
    void flush();

signals:
    // The user moved a slider to value.
    void moved(document::Slider which, int value);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QToolBar* m_bar = nullptr;
    std::array<QSlider*, document::SliderCount> m_sliders{};
    std::array<QLabel*, document::SliderCaptionCount> m_captions{};
    BatchedStateWrites* m_writes = nullptr;
};

} // namespace quarbel::ui
