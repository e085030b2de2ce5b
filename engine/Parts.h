#pragma once

// Work split into independent parts (bands of rows) run side by side on the processor's cores.
// Each part writes only its own rows; results that depend on the whole picture are combined by
// the caller afterwards, in part order, so the outcome does not depend on the number of threads.

#include <functional>

namespace quarbel::engine {

// Threads worth starting for picture work: the processor's cores, at least 1 and at most 8.
int coreCount();

// The number of threads to use when asked for `wanted` (0: one per core).
int threadsFor(int wanted);

// Runs work(part) for every part in [0, parts), on up to `threads` threads (the caller's among
// them), and returns when all are done. An exception thrown by a part is rethrown here, after the
// other parts have finished.
void runParts(int parts, int threads, const std::function<void(int part)>& work);

// The first row of band `band` of `bands` over `rows` rows (band == bands gives rows).
inline int bandStart(int rows, int band, int bands) {
    return static_cast<int>(static_cast<long long>(rows) * band / bands);
}

} // namespace quarbel::engine
