#pragma once

#include <cstdint>
#include <memory>

namespace quarbel::engine {

// Uniform numbers in [0, 1).
class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual void seed(std::uint64_t seed) = 0;
    virtual double next() = 0;
};

// xoshiro256** with a splitmix64 seeding; next() gives the top 53 bits as a double in [0, 1).
// The random-dot converter calls this type directly (no virtual call per dot) when it is handed one.
class XoshiroRandom final : public RandomSource {
public:
    explicit XoshiroRandom(std::uint64_t seedValue = 0) { seed(seedValue); }

    void seed(std::uint64_t seedValue) override {
        // splitmix64 spreads any seed, 0 included, over the whole state (never all zero).
        std::uint64_t z = seedValue;
        for (auto& word : m_s) {
            z += 0x9E3779B97F4A7C15ull;
            std::uint64_t v = z;
            v = (v ^ (v >> 30)) * 0xBF58476D1CE4E5B9ull;
            v = (v ^ (v >> 27)) * 0x94D049BB133111EBull;
            word = v ^ (v >> 31);
        }
    }

    double next() override { return nextDouble(); }

    // Non-virtual form for callers that know the concrete type.
    double nextDouble() { return static_cast<double>(nextBits() >> 11) * 0x1.0p-53; }

    std::uint64_t nextBits() {
        const std::uint64_t result = rotl(m_s[1] * 5, 7) * 9;
        const std::uint64_t t = m_s[1] << 17;
        m_s[2] ^= m_s[0];
        m_s[3] ^= m_s[1];
        m_s[1] ^= m_s[2];
        m_s[0] ^= m_s[3];
        m_s[2] ^= t;
        m_s[3] = rotl(m_s[3], 45);
        return result;
    }

private:
    static constexpr std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

    std::uint64_t m_s[4]{};
};

// The generator an editor run uses.
std::unique_ptr<RandomSource> makeRandomSource();

// A seed taken from the clock, different from one call to the next even within one clock tick.
std::uint64_t clockSeed();

} // namespace quarbel::engine
