// The container library's reference-counted representations and its copy-on-write string.
#pragma once

#include <cstddef>
#include <cstdint>

#include "foundation/MemoryManager.h"

// A shared representation: a count of the handles that refer to it. Representations come from
// the memory manager's free list of their exact size.
class handle_rep {
  public:
    handle_rep() : count(1) {}
    virtual ~handle_rep() = default;
    handle_rep(const handle_rep&) = delete;
    handle_rep& operator=(const handle_rep&) = delete;

    static void* operator new(std::size_t size) {
        return clib_node_alloc(static_cast<std::int32_t>(size));
    }
    static void operator delete(void* p, std::size_t size) {
        clib_node_free(p, static_cast<std::int32_t>(size));
    }

    std::int32_t count;
};

// The text of a string: its own heap copy and its length.
class string_rep : public handle_rep {
  public:
    string_rep(const char* text);
    ~string_rep() override;

    char* text;
    std::int32_t len;
};

// A text shared between copies until one of them is written to.
class string {
  public:
    string();
    string(const char* text);
    // printf-style formatting of one or more arguments.
    template <class First, class... Rest>
    string(const char* format, First first, Rest... rest) : rep(nullptr) {
        rep = formatted(format, first, rest...);
    }
    string(const string& other);
    string& operator=(const string& other);
    ~string();

    // A fresh heap copy of text (error 1 for a null argument or exhausted memory).
    static char* str_dup(const char* text);

    std::int32_t length() const { return rep->len; }
    const char* cstring() const { return rep->text != nullptr ? rep->text : ""; }
    // Writable character i; a shared text is copied first.
    char& operator[](std::int32_t i);
    char operator[](std::int32_t i) const { return rep->text[i]; }
    // Position of the first occurrence of s at or after `from`, or -1.
    std::int32_t pos(const string& s, std::int32_t from = 0) const;

    bool operator==(const string& other) const;
    bool operator!=(const string& other) const { return !(*this == other); }

    // Number of strings sharing this one's text.
    std::int32_t refs() const { return rep->count; }

  private:
    static string_rep* formatted(const char* format, ...) __attribute__((format(printf, 1, 2)));
    void release();

    string_rep* rep;
};
