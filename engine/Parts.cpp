#include "engine/Parts.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace quarbel::engine {

int coreCount() {
    static const int cores = std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, 8);
    return cores;
}

int threadsFor(int wanted) {
    return wanted > 0 ? wanted : coreCount();
}

void runParts(int parts, int threads, const std::function<void(int part)>& work) {
    if (parts <= 0)
        return;
    threads = std::clamp(threads, 1, parts);
    std::atomic<int> next{0};
    std::exception_ptr failure;
    std::mutex failureLock;
    // Parts are taken in order as threads come free, so a slow part does not hold up the rest.
    auto worker = [&] {
        for (int part = next++; part < parts; part = next++) {
            try {
                work(part);
            } catch (...) {
                const std::lock_guard lock(failureLock);
                if (!failure)
                    failure = std::current_exception();
            }
        }
    };
    std::vector<std::thread> helpers;
    helpers.reserve(static_cast<std::size_t>(threads - 1));
    try {
        for (int t = 1; t < threads; ++t)
            helpers.emplace_back(worker);
    } catch (const std::system_error&) {
        // No thread to be had: the ones started and this one do all the parts.
    }
    worker();
    for (std::thread& helper : helpers)
        helper.join();
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace quarbel::engine
