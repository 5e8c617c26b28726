// The generator's own pseudo-random numbers: splitmix64 with integer-only
// helpers, so that one seed gives the same demo bytes with every compiler and
// standard library (the std:: distributions differ between versions).
#pragma once

#include <cstdint>
#include <string_view>

namespace ce {

class Rng {
public:
    // One independent stream per purpose, so that a change in how one part of
    // the demo draws its numbers leaves the other parts' bytes alone.
    Rng(std::uint64_t seed, std::string_view purpose) : state_(seed) {
        for (const char c : purpose) state_ = (state_ ^ static_cast<unsigned char>(c)) * 0x100000001b3ull;
        next();
    }

    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ull);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
        return z ^ (z >> 31);
    }

    // 0 .. n - 1 (n >= 1); the high bits times n, which has no modulo bias worth
    // speaking of for the small n used here.
    int below(int n) {
        return static_cast<int>(((next() >> 32) * static_cast<std::uint64_t>(n)) >> 32);
    }
    // lo .. hi inclusive.
    int range(int lo, int hi) { return lo + below(hi - lo + 1); }
    bool percent(int p) { return below(100) < p; }

private:
    std::uint64_t state_;
};

}  // namespace ce
