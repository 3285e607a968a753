// The run's random generator: a linear congruential generator with the
// classic 15-bit srand/rand interface. Its exact sequence is part of the
// results, so it is implemented here rather than taken from the C library.
#pragma once

#include <cstdint>

namespace gstboot {

class Random {
public:
    // The state before any seeding is 1.
    void srand(std::uint32_t seed) { state_ = seed; }

    // Next value, 0..32767.
    int rand() {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7FFFu);
    }

    // Advances the state by n steps at once, as n calls of rand() would.
    void discard(std::uint64_t n);

    std::uint32_t state() const { return state_; }

private:
    std::uint32_t state_ = 1;
};

}  // namespace gstboot
