#include "engine/Random.h"

#include <atomic>
#include <chrono>

namespace quarbel::engine {

std::unique_ptr<RandomSource> makeRandomSource() {
    return std::make_unique<XoshiroRandom>(clockSeed());
}

std::uint64_t clockSeed() {
    // Two runs started within one tick of a coarse clock must still get different dots.
    static std::atomic<std::uint64_t> calls{0};
    const auto wall = static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
    const auto mono = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    const std::uint64_t count = calls.fetch_add(1, std::memory_order_relaxed);
    return wall ^ (mono * 0x9E3779B97F4A7C15ull) ^ (count << 48) ^ (count * 0xD1B54A32D192ED03ull);
}

} // namespace quarbel::engine
