// The tests' random numbers: a small generator of our own (splitmix64), so
// that a seed gives the same values with every compiler and standard library
// (std::mt19937's distributions differ between them), and the ranges and
// picks the tests draw with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <vector>

namespace ce::test {

class Random {
public:
    // `stream`: another sequence for the same seed.
    explicit Random(std::uint64_t seed, std::uint64_t stream = 1) : state_(seed * kGolden + stream) {}

    std::uint64_t next() {
        std::uint64_t z = (state_ += kGolden);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 to n - 1 (n > 0).
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
    std::size_t below(std::size_t n) { return static_cast<std::size_t>(next() % n); }
    // lo to hi, both included.
    int range(int lo, int hi) { return lo + below(hi - lo + 1); }
    std::uint8_t byte() { return static_cast<std::uint8_t>(next()); }
    // True once in n draws, on average.
    bool one_in(int n) { return below(n) == 0; }
    // An element of a non-empty container.
    template <class Container>
    const auto& pick(const Container& items) {
        return items[below(static_cast<std::size_t>(std::size(items)))];
    }
    // Every byte of `bytes` random.
    void fill(std::vector<std::uint8_t>& bytes) {
        for (std::size_t i = 0; i < bytes.size(); i += 8) {
            const std::uint64_t word = next();
            for (std::size_t k = 0; k < 8 && i + k < bytes.size(); ++k)
                bytes[i + k] = static_cast<std::uint8_t>(word >> (8 * k));
        }
    }

private:
    static constexpr std::uint64_t kGolden = 0x9E3779B97F4A7C15ull;
    std::uint64_t state_;
};

}  // namespace ce::test
