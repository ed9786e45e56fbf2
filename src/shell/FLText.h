// FLText: the text of one exported frame, gathered in a plain growing array of characters.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

// An export writes a frame as many short pieces: separators, arrows and the forms of names. Each
// appended to a std::string was a call into the library and a copy of unknown length; here the
// room is checked inline and a literal's copy has its length known where it is written.
class FLText {
  public:
    FLText() { grow(256); }

    void put(char c) {
        room(1);
        *end++ = c;
    }
    template <std::size_t N>
    void put(const char (&literal)[N]) {
        room(N - 1);
        std::memcpy(end, literal, N - 1);
        end += N - 1;
    }
    void put(const char* text, std::size_t size) {
        room(size);
        copy(end, text, size);
        end += size;
    }
    void put(std::string_view text) { put(text.data(), text.size()); }

    std::string_view view() const { return {start.get(), std::size_t(end - start.get())}; }
    void clear() { end = start.get(); }

  private:
    // Names and separators are mostly shorter than 16 characters: they are copied in two
    // overlapping words of fixed length, which the compiler writes inline, rather than through a
    // call of the library's copy.
    static void copy(char* to, const char* from, std::size_t size) {
        if (size >= 8 && size <= 16) {
            std::memcpy(to, from, 8);
            std::memcpy(to + size - 8, from + size - 8, 8);
        } else if (size >= 4 && size < 8) {
            std::memcpy(to, from, 4);
            std::memcpy(to + size - 4, from + size - 4, 4);
        } else if (size < 4) {
            for (std::size_t at = 0; at < size; ++at) to[at] = from[at];
        } else {
            std::memcpy(to, from, size);
        }
    }
    void room(std::size_t size) {
        if (std::size_t(limit - end) < size) grow(size);
    }
    void grow(std::size_t size) {
        const std::size_t used = std::size_t(end - start.get());
        std::size_t capacity = std::size_t(limit - start.get()) * 2;
        if (capacity < used + size) capacity = used + size;
        auto larger = std::make_unique<char[]>(capacity);
        if (used != 0) std::memcpy(larger.get(), start.get(), used);
        start = std::move(larger);
        end = start.get() + used;
        limit = start.get() + capacity;
    }

    std::unique_ptr<char[]> start;
    char* end = nullptr;
    char* limit = nullptr;
};
