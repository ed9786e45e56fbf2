// The random source that gives the randomized search trees their priorities.
#include "foundation/random_source.h"

#include <ctime>

random_source clib_random_source;
std::int32_t random_source::sources_made = 0;

void random_source::seed(std::uint32_t s) {
    state[0] = s;
    for (int i = 1; i < kWords; ++i) state[i] = state[i - 1] * 1103515245u + 12345u;
    front = state;
    rear = state + 3;
    bits = 1;
    for (int i = 0; i < 62 * 5; ++i) next31();
}

void clib_seed_random_source() {
    ++random_source::sources_made;
    auto now = static_cast<std::uint32_t>(std::time(nullptr));
    clib_random_source.seed(now * static_cast<std::uint32_t>(random_source::sources_made));
}
