// The container library's copy-on-write string and its shared text.
#include "foundation/ClibString.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "foundation/ClibErrorHandler.h"

string_rep::string_rep(const char* t) : text(string::str_dup(t)) {
    if (text != nullptr) {
        len = static_cast<std::int32_t>(std::strlen(text.get()));
    } else {
        // The failure has been reported; should the handler return, the string is empty
        // rather than a null text that every later reader would trip over.
        text.reset(new (std::nothrow) char[1]);
        if (text != nullptr) text[0] = '\0';
    }
}

char* string::str_dup(const char* text) {
    if (text == nullptr) {
        error_handler(1, "string::str_dup: nil argument");
        return nullptr;
    }
    std::size_t n = std::strlen(text);
    char* copy = new (std::nothrow) char[n + 1];
    if (copy == nullptr) {
        error_handler(1, "string::str_dup: out of memory");
        return nullptr;
    }
    std::memcpy(copy, text, n + 1);
    return copy;
}

string::string() : rep(Ref<string_rep>::make("")) {}

string::string(const char* text) : rep(Ref<string_rep>::make(text)) {}

Ref<string_rep> string::formatted(const char* format, ...) {
    // Formats into a buffer that grows to whatever length the text needs.
    std::vector<char> buffer(512);
    for (;;) {
        va_list args;
        va_start(args, format);
        int n = std::vsnprintf(buffer.data(), buffer.size(), format != nullptr ? format : "", args);
        va_end(args);
        if (n < 0) {
            buffer[0] = '\0';
            break;
        }
        if (static_cast<std::size_t>(n) < buffer.size()) break;
        buffer.resize(static_cast<std::size_t>(n) + 1);
    }
    return Ref<string_rep>::make(buffer.data());
}

char& string::operator[](std::int32_t i) {
    if (rep->refCount() > 1) rep = Ref<string_rep>::make(cstring());
    return rep->text[i];
}

std::int32_t string::pos(const string& s, std::int32_t from) const {
    std::int32_t n = s.length();
    if (n == 0 || from < 0 || from >= rep->len || rep->text == nullptr) return -1;
    const char first = s.rep->text[0];
    for (std::int32_t i = from; i + n <= rep->len; ++i)
        if (rep->text[i] == first && std::strncmp(rep->text.get() + i, s.rep->text.get(), n) == 0)
            return i;
    return -1;
}

bool string::operator==(const string& other) const {
    if (rep.get() == other.rep.get()) return true;
    return rep->len == other.rep->len && std::strcmp(cstring(), other.cstring()) == 0;
}
