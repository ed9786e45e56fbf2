// RankedRun, the compact form of a page of numbered slots whose values were handed out in the
// order of the slots: which places are taken, and the value of the first.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>

// A consult or an import makes its names in the order of their symbols and its object frames in
// the order of their hosts: in a page of the maps between symbols and names, or of the registry
// of object frames, the value of the k-th taken place is mostly the first value plus k. Such a
// page keeps one bit a place instead of a 4-byte slot a place, and finds a place's value by
// counting the taken places before it (a count a word and one popcount). Its owner writes the
// page out slot by slot, and stops using the run, as soon as a place is taken out of order, a
// value breaks the sequence, or a place is given up or changed.
//
// Measured on 100,000 consulted molecules `oN[a -> xN; b -> yN]` (whole process): 179 bytes a
// fact before, 148 with the two maps between symbols and names and the object frames' registry
// kept as runs.
template <std::size_t Places>
class RankedRun {
    static_assert(Places % 64 == 0 && Places <= 65536);
    static constexpr std::size_t Words = Places / 64;

  public:
    bool empty() const { return count == 0; }
    // The last taken place; 0 when none is.
    std::size_t lastTaken() const { return last; }
    bool taken(std::size_t at) const { return (bits[at / 64] >> (at % 64) & 1) != 0; }
    // The first taken place from `at` on, or Places: a word of places at a time.
    std::size_t takenFrom(std::size_t at) const {
        if (at >= Places) return Places;
        std::uint64_t rest = bits[at / 64] & (~std::uint64_t(0) << (at % 64));
        for (std::size_t word = at / 64;;) {
            if (rest != 0) return word * 64 + std::size_t(std::countr_zero(rest));
            if (++word == Words) return Places;
            rest = bits[word];
        }
    }
    // The value of a taken place.
    std::uint32_t valueAt(std::size_t at) const {
        const std::uint64_t below = bits[at / 64] & ((std::uint64_t(1) << (at % 64)) - 1);
        return first + before[at / 64] + std::uint32_t(std::popcount(below));
    }
    // Takes the place with the value when the run can hold it: the place lies above every taken
    // one and the value follows the last (any value starts an empty run); else false and no
    // change. Inline by force: every fresh object's two names and its frame come here.
    [[gnu::always_inline]] bool append(std::size_t at, std::uint32_t value) {
        if (count != 0 && (at <= last || value != first + count)) return false;
        if (count == 0) {
            first = value;
            last = at;
        }
        // The counts of the words up to the place's word, which the places taken so far all
        // precede.
        for (std::size_t word = last / 64 + 1; word <= at / 64; ++word) before[word] = count;
        bits[at / 64] |= std::uint64_t(1) << (at % 64);
        last = at;
        ++count;
        return true;
    }
    // append for the `count` places from `at` on with the values from `value` on, which
    // continuedBy(at, value) allows and which lie in the run: a word of places at a time.
    void appendRange(std::size_t at, std::uint32_t value, std::size_t count) {
        if (count == 0) return;
        if (this->count == 0) {
            first = value;
            last = at;
        }
        const std::size_t end = at + count;
        for (std::size_t word = last / 64 + 1; word <= (end - 1) / 64; ++word)
            before[word] = std::uint16_t(this->count + (word * 64 > at ? word * 64 - at : 0));
        for (std::size_t place = at; place < end;) {
            const std::size_t bit = place % 64;
            const std::size_t taking = std::min<std::size_t>(64 - bit, end - place);
            const std::uint64_t ones =
                taking == 64 ? ~std::uint64_t(0) : (std::uint64_t(1) << taking) - 1;
            bits[place / 64] |= ones << bit;
            place += taking;
        }
        last = end - 1;
        this->count += std::uint32_t(count);
    }
    // Whether append would take the place with the value.
    bool continuedBy(std::size_t at, std::uint32_t value) const {
        return count == 0 || (at > last && value == first + count);
    }
    // Calls visit(place, value) for every taken place, in ascending order.
    template <class Visit>
    void forEach(Visit visit) const {
        std::uint32_t value = first;
        for (std::size_t word = 0; word < Words; ++word)
            for (std::uint64_t rest = bits[word]; rest != 0; rest &= rest - 1)
                visit(word * 64 + std::size_t(std::countr_zero(rest)), value++);
    }
    void clear() { *this = RankedRun(); }

  private:
    std::uint64_t bits[Words] = {};
    // The taken places before each word, kept up to the word of the last taken place.
    std::uint16_t before[Words] = {};
    std::uint32_t first = 0;
    std::uint32_t count = 0;
    std::size_t last = 0;
};
