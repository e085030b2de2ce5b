#include "panes/CommandQueue.h"

#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <utility>

namespace quarbel::panes {

namespace {

// How long a posted command waits, so that the posting handler returns first.
constexpr int kCommandDelayMs = 50;

} // namespace

CommandQueue::CommandQueue(std::function<void(const Command&)> run, std::function<bool()> closing,
                           QObject* parent)
    : QObject(parent), m_run(std::move(run)), m_closing(std::move(closing)) {
    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setSingleShot(true);
    m_timer->setInterval(kCommandDelayMs);
    connect(m_timer, &QTimer::timeout, this, &CommandQueue::fire);
}

void CommandQueue::post(const Command& command) {
    m_commands.append(command);
    // An armed timer keeps its time: the first command waits its 50 ms, the next follow it.
    if (!m_timer->isActive() && !m_running) {
        m_timer->start(kCommandDelayMs);
    }
}

bool CommandQueue::holds(document::CommandTag tag) const {
    return std::any_of(m_commands.cbegin(), m_commands.cend(),
                       [tag](const Command& command) { return command.tag == tag; });
}

void CommandQueue::fire() {
    m_timer->stop();
    if (m_closing()) {
        m_commands.clear();
        return;
    }
    // A command waiting on a dialog lets the event loop run; the next one waits for it to end.
    if (m_running || m_commands.isEmpty()) {
        return;
    }
    const Command command = m_commands.takeFirst();
    // A Close may take the window, and this queue with it.
    const QPointer<CommandQueue> alive(this);
    m_running = true;
    m_run(command);
    if (!alive) {
        return;
    }
    m_running = false;
    if (!m_commands.isEmpty() && !m_closing()) {
        m_timer->start(kCommandDelayMs);
    }
}

} // namespace quarbel::panes
