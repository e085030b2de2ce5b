#pragma once

// One document window's conversion run from its start to its end: start (fresh, or continuing a
// paused run), pause, abort, and what closing the window does to it. The engine converts one row
// per turn of the event loop, so all of this happens between rows without a nested event loop.

#include "document/AppState.h"
#include "document/DocumentState.h"
#include "engine/Conversion.h"
#include "engine/ConversionState.h"
#include "platform/ImageSurface.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <functional>
#include <memory>
#include <string>

class QTimer;

namespace quarbel::panes {

class DocumentHost;
class DocumentWindow;
class PicturePane;
class StereoPaneSink;

class RunController : public QObject {
public:
    enum class Kind { RandomDot, ColorField };

    // What a run works on; everything belongs to the document window and outlives the controller's use.
    struct Window {
        document::AppState& state;      // the run flags
        document::DocumentState& model; // the document's own state
        DocumentHost& host;
        const DocumentWindow& form;
        engine::ConversionState& conversion;
        const QImage& design; // the back buffers the converters read
        const QImage& field;
        PicturePane& stereo;
        // Fits the Stereo pane's scroll bars to its picture; toOrigin scrolls it back to the top left.
        std::function<void(bool toOrigin)> layoutStereo;
    };

    RunController(Window window, QObject* parent);
    ~RunController() override;

    // Start: a fresh run, or the paused run of this window goes on at its stored row.
    void start(Kind kind);
    // The running converter sees the request before its next row.
    void pause();
    // Abandons the paused run: the Stereo picture goes and the frame is handed back.
    void abort();
    // The window closes holding the run: the frame is handed back as an abort does, without touching
    // the window's file, which may be gone already.
    void endOnClose(document::StereoKind kind);

    // True from the start of a run until it finishes, is aborted or its window closes.
    bool holdsRun() const { return m_window.model.run != document::RunPhase::Idle; }
    // True while rows are being converted (not paused, not held for a question).
    bool converting() const;

    // While the window asks whether to save, the run stands still and the shared controls show the
    // document's idle state, so that nothing converts behind the question and a save writes that
    // state. A kept window gets its run back as it was; a closing one ends it with endOnClose().
    class QuestionHold {
    public:
        explicit QuestionHold(RunController& run) : m_run(run), m_held(run.holdForQuestion()) {}
        ~QuestionHold() {
            if (m_held) {
                m_run.resumeAfterQuestion();
            }
        }
        QuestionHold(const QuestionHold&) = delete;
        QuestionHold& operator=(const QuestionHold&) = delete;
        // The window closes: nothing to resume.
        void release() { m_held = false; }

    private:
        RunController& m_run;
        bool m_held;
    };

private:
    bool holdForQuestion();
    void resumeAfterQuestion();
    void scheduleRow();
    void convertOneRow();
    void finish();
    void stopRows();
    // The document's idle state as the run began, then the finished run's menus; saved.
    void restoreFinishedState();

    Window m_window;
    QTimer* m_rowTimer = nullptr;
    std::unique_ptr<StereoPaneSink> m_sink;
    // The converter keeps references to the surfaces, the sink and the colour mode, so they live
    // here for as long as the run.
    Kind m_kind = Kind::RandomDot;
    std::string m_monoOrColor;
    platform::ImageSurface m_design;
    platform::ImageSurface m_field;
    std::unique_ptr<engine::RandomSource> m_random;
    std::unique_ptr<engine::Converter> m_converter;
    // Held for a close question; the document's run phase says what resumes after it.
    bool m_held = false;
    // The document's state when the run began.
    document::DocumentState m_idleState;
};

} // namespace quarbel::panes
