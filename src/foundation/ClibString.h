// The container library's copy-on-write string and its shared text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "foundation/ManagedObject.h"
#include "foundation/Ref.h"

// The text of a string: its own heap copy and its length, shared by the strings that hold it
// through their Ref handles (its count is theirs).
class string_rep : public ManagedObject {
  public:
    explicit string_rep(const char* text);

    std::unique_ptr<char[]> text;
    std::int32_t len = 0;
};

// A text shared between copies until one of them is written to.
class string {
  public:
    string();
    string(const char* text);
    // printf-style formatting of one or more arguments.
    template <class First, class... Rest>
    string(const char* format, First first, Rest... rest)
        : rep(formatted(format, first, rest...)) {}

    // A fresh heap copy of text (error 1 for a null argument or exhausted memory).
    static char* str_dup(const char* text);

    std::int32_t length() const { return rep->len; }
    const char* cstring() const { return rep->text != nullptr ? rep->text.get() : ""; }
    // Writable character i; a shared text is copied first.
    char& operator[](std::int32_t i);
    char operator[](std::int32_t i) const { return rep->text[i]; }
    // Position of the first occurrence of s at or after `from`, or -1.
    std::int32_t pos(const string& s, std::int32_t from = 0) const;

    bool operator==(const string& other) const;
    bool operator!=(const string& other) const { return !(*this == other); }

    // Number of strings sharing this one's text.
    std::int32_t refs() const { return rep->refCount(); }

  private:
    static Ref<string_rep> formatted(const char* format, ...) __attribute__((format(printf, 1, 2)));

    Ref<string_rep> rep;
};
