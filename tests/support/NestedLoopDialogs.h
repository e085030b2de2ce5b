#pragma once

// Dialogs that behave like real modal ones while they are "shown": each spins a nested event loop
// for a number of turns (timers fire, a running conversion would convert rows), runs an optional
// check from inside that loop, and only then answers with what the wrapped dialogs give.

#include "platform/Dialogs.h"

#include <QEventLoop>
#include <QTimer>
#include <functional>
#include <optional>

namespace quarbel::testing {

class NestedLoopDialogs : public platform::Dialogs {
public:
    // answers gives the results (a ScriptedDialogs, usually); turns is how many passes of the
    // nested loop each dialog lets go by.
    explicit NestedLoopDialogs(platform::Dialogs& answers, int turns = 25)
        : m_answers(answers), m_turns(turns) {}

    // Runs inside the nested loop of every dialog, after its turns, while the dialog is still up.
    std::function<void()> whileShown;
    int shownCount() const { return m_shown; }

    std::optional<platform::FileChoice> openFile(QWidget* parent,
                                                 const platform::FileDialogRequest& request) override {
        show();
        return m_answers.openFile(parent, request);
    }
    std::optional<platform::FileChoice> saveFile(QWidget* parent,
                                                 const platform::FileDialogRequest& request) override {
        show();
        return m_answers.saveFile(parent, request);
    }
    void message(QWidget* parent, const QString& text, platform::MessageIcon icon) override {
        show();
        m_answers.message(parent, text, icon);
    }
    platform::Answer askYesNoCancel(QWidget* parent, const QString& text) override {
        show();
        return m_answers.askYesNoCancel(parent, text);
    }

private:
    void show() {
        ++m_shown;
        QEventLoop loop;
        // A zero-interval timer fires once per pass of the loop, so the turns count passes, not time.
        QTimer ticker;
        ticker.setInterval(0);
        int left = m_turns;
        QObject::connect(&ticker, &QTimer::timeout, &loop, [&] {
            if (--left > 0) {
                return;
            }
            ticker.stop();
            if (whileShown) {
                whileShown();
            }
            loop.quit();
        });
        ticker.start();
        loop.exec(QEventLoop::DialogExec);
    }

    platform::Dialogs& m_answers;
    int m_turns;
    int m_shown = 0;
};

} // namespace quarbel::testing
