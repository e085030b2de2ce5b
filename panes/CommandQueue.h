#pragma once

// A document window's queue of posted commands and its command timer Timer1. A command runs from
// the event loop 50 ms after it was posted at the earliest, once the posting handler has returned
// and its menu has closed; commands run one at a time, in the order posted, each exactly once.

#include "panes/Command.h"

#include <QList>
#include <QObject>
#include <functional>

class QTimer;

namespace quarbel::panes {

class CommandQueue : public QObject {
    Q_OBJECT

public:
    // run carries out one command; closing says that the window agreed to close, which drops
    // whatever is still waiting.
    CommandQueue(std::function<void(const Command&)> run, std::function<bool()> closing, QObject* parent);

    void post(const Command& command);
    const QList<Command>& pending() const { return m_commands; }
    bool holds(document::CommandTag tag) const;
    QTimer* timer() const { return m_timer; }
    // The timer's handler: runs the oldest command.
    void fire();

private:
    std::function<void(const Command&)> m_run;
    std::function<bool()> m_closing;
    QTimer* m_timer = nullptr;
    QList<Command> m_commands;
    bool m_running = false;
};

} // namespace quarbel::panes
