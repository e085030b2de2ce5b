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
        const std::uint64_t result = output(m_s);
        step(m_s);
        return result;
    }

    // One number, and a second one only when the first one's 53 bits (those nextDouble() uses) are
    // below `below`: the sequence is that of nextBits() called once or twice. Both next states are
    // made and the one that applies is kept by a mask, so an unpredictable outcome costs no jump.
    struct MaybeTwo {
        std::uint64_t first;
        std::uint64_t second; // meaningful only when tookSecond
        bool tookSecond;
    };
    MaybeTwo nextBitsThenIfBelow(std::uint64_t below) {
        MaybeTwo result{output(m_s), 0, false};
        std::uint64_t once[4] = {m_s[0], m_s[1], m_s[2], m_s[3]};
        step(once);
        result.second = output(once);
        std::uint64_t twice[4] = {once[0], once[1], once[2], once[3]};
        step(twice);
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
        // The next state waits on this choice, draw after draw: conditional moves on the compare's
        // flags keep it short, where the compiler would jump (mispredicted half the time).
        std::uint64_t lit;
        asm("cmp %[below], %[bits]\n\t"
            "cmovb %[t0], %[o0]\n\t"
            "cmovb %[t1], %[o1]\n\t"
            "cmovb %[t2], %[o2]\n\t"
            "cmovb %[t3], %[o3]\n\t"
            "sbb %[lit], %[lit]"
            : [o0] "+&r"(once[0]), [o1] "+&r"(once[1]), [o2] "+&r"(once[2]), [o3] "+&r"(once[3]),
              [lit] "=&r"(lit)
            : [bits] "r"(result.first >> 11), [below] "r"(below), [t0] "r"(twice[0]), [t1] "r"(twice[1]),
              [t2] "r"(twice[2]), [t3] "r"(twice[3])
            : "cc");
        result.tookSecond = lit != 0;
        for (int i = 0; i < 4; ++i)
            m_s[i] = once[i];
#else
        result.tookSecond = (result.first >> 11) < below;
        const std::uint64_t keepTwice = 0 - static_cast<std::uint64_t>(result.tookSecond);
        for (int i = 0; i < 4; ++i)
            m_s[i] = once[i] ^ ((once[i] ^ twice[i]) & keepTwice);
#endif
        return result;
    }

private:
    static constexpr std::uint64_t rotl(std::uint64_t x, int k) {
        return (x << k) | (x >> (64 - k));
    }
    static std::uint64_t output(const std::uint64_t (&s)[4]) {
        return rotl(s[1] * 5, 7) * 9;
    }
    static void step(std::uint64_t (&s)[4]) {
        const std::uint64_t t = s[1] << 17;
        s[2] ^= s[0];
        s[3] ^= s[1];
        s[1] ^= s[2];
        s[0] ^= s[3];
        s[2] ^= t;
        s[3] = rotl(s[3], 45);
    }

    std::uint64_t m_s[4]{};
};

// The generator an editor run uses.
std::unique_ptr<RandomSource> makeRandomSource();

// A seed taken from the clock, different from one call to the next even within one clock tick.
std::uint64_t clockSeed();

} // namespace quarbel::engine
