#pragma once

// Waiting in tests: for a condition, never for a length of time.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>
#include <functional>

namespace quarbel::testing {

// Runs the event loop until pred holds; false when it still does not after timeoutMs. The loop
// never sleeps, so work that advances one step per turn (a conversion's rows) goes at full speed;
// pred is looked at every few milliseconds. The limit only stops a broken test: a busy machine may
// take far longer than an idle one.
inline bool waitUntil(const std::function<bool()>& pred, int timeoutMs = 10000) {
    if (!pred()) {
        QEventLoop loop;
        QTimer check;
        check.setInterval(5);
        QObject::connect(&check, &QTimer::timeout, &loop, [&] {
            if (pred()) {
                loop.quit();
            }
        });
        QTimer limit;
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
        check.start();
        limit.start(timeoutMs);
        loop.exec();
        // Windows closed on the way are really gone before the test looks at the window list.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return pred();
}

// Turns the event loop one pass at a time until pred holds, so that work advancing a step per turn
// (a conversion's rows) moves on only a step or so between two looks; false after timeoutMs.
inline bool spinUntil(const std::function<bool()>& pred, int timeoutMs = 10000) {
    QElapsedTimer clock;
    clock.start();
    while (!pred()) {
        if (clock.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents();
    }
    return true;
}

} // namespace quarbel::testing
