#pragma once

// Waiting in tests: for a condition, never for a length of time.

#include <QTest>
#include <functional>

namespace quarbel::testing {

// Runs the event loop until pred holds; false when it still does not after timeoutMs. The limit
// only stops a broken test: a busy machine may take far longer than an idle one.
inline bool waitUntil(const std::function<bool()>& pred, int timeoutMs = 10000) {
    return QTest::qWaitFor(pred, timeoutMs);
}

} // namespace quarbel::testing
