// The random source that gives the randomized search trees their priorities.
#pragma once

#include <cstdint>

// An additive-feedback generator over 31 words, seeded once at start-up.
class random_source {
  public:
    // Fills the state from the seed and runs the generator in.
    void seed(std::uint32_t s);
    // The next 31-bit random number.
    std::int32_t next31() {
        *rear += *front;
        std::uint32_t result = (*rear >> 1) & 0x7fffffffu;
        if (++front >= state + kWords) front = state;
        if (++rear >= state + kWords) rear = state;
        return static_cast<std::int32_t>(result);
    }
    // A 32-bit random number: 31 random bits and a top bit taken from a buffer of spare bits.
    std::uint32_t next32() {
        if (bits == 1) bits = static_cast<std::uint32_t>(next31()) | 0x80000000u;
        std::uint32_t r = static_cast<std::uint32_t>(next31());
        if (bits & 1u) r |= 0x80000000u;
        bits >>= 1;
        return r;
    }

    // Number of sources seeded so far.
    static std::int32_t sources_made;

  private:
    static constexpr int kWords = 31;
    std::uint32_t state[kWords];
    std::uint32_t* front;
    std::uint32_t* rear;
    std::uint32_t bits;
};

// The one source shared by every set; seeded by the container library's start-up.
extern random_source clib_random_source;

// Seeds clib_random_source from the clock (called once, at start-up).
void clib_seed_random_source();
