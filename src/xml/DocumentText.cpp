// The characters a text of the event stream stands for.
#include "xml/DocumentText.h"

#include <cctype>
#include <cstdint>
#include <cstring>

namespace {

bool isOctal(char c) {
    return c >= '0' && c <= '7';
}

// The UTF-8 bytes of one character number, at a place with room for four; past the bytes
// written.
char* writeUtf8(char* out, std::uint32_t code) {
    if (code < 0x80) {
        *out++ = static_cast<char>(code);
    } else if (code < 0x800) {
        *out++ = static_cast<char>(0xC0 | (code >> 6));
        *out++ = static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (code >> 12));
        *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (code & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | ((code >> 18) & 0x07));
        *out++ = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (code & 0x3F));
    }
    return out;
}

}  // namespace

void appendUtf8(std::string& out, std::uint32_t code) {
    char bytes[4];
    out.append(bytes, std::size_t(writeUtf8(bytes, code) - bytes));
}

std::string documentText(const std::string& written) {
    const std::size_t size = written.size();
    const char* const in = written.data();
    // No escape stands for more bytes than it takes (a character number of n digits takes n + 3,
    // its UTF-8 at most n): the text is written into room of the written text's size and cut to
    // its length at the end. Appending a character at a time took 42 instructions for each line
    // break of a document's blank text.
    std::string out(size, '\0');
    char* const first = out.data();
    char* o = first;
    std::size_t i = 0;
    while (i < size) {
        if (in[i] != '\\' || i + 1 == size) {
            // The characters up to the next escape are copied at once: most texts have few.
            const void* escape = std::memchr(in + i + 1, '\\', size - i - 1);
            const std::size_t run = escape == nullptr
                                        ? size - i
                                        : std::size_t(static_cast<const char*>(escape) - (in + i));
            std::memcpy(o, in + i, run);
            o += run;
            i += run;
            continue;
        }
        const char next = in[i + 1];
        if (next == 'n') {
            // The parser reports a line end as the record end and, in XML, the line feed as
            // well: the pair is the one line break the document holds.
            *o++ = '\n';
            i += 2;
            if (i + 3 < size && std::memcmp(in + i, "\\012", 4) == 0) i += 4;
            continue;
        }
        if (next == '\\' || next == '"') {
            *o++ = next;
            i += 2;
            continue;
        }
        if (next == '|') {
            i += 2;  // the brackets of an SDATA text go; its text stays
            continue;
        }
        if (next == '0' && i + 3 < size && isOctal(in[i + 2]) && isOctal(in[i + 3])) {
            *o++ = static_cast<char>((in[i + 2] - '0') * 8 + (in[i + 3] - '0'));
            i += 4;
            continue;
        }
        if (next == '#' || next == '%') {
            std::size_t end = i + 2;
            std::uint32_t code = 0;
            while (end < size && std::isdigit(static_cast<unsigned char>(in[end])) != 0 &&
                   code <= 0x10FFFF) {
                code = code * 10 + static_cast<std::uint32_t>(in[end] - '0');
                ++end;
            }
            if (end > i + 2 && end < size && in[end] == ';' && code <= 0x10FFFF) {
                o = writeUtf8(o, code);
                i = end + 1;
                continue;
            }
        }
        // No escape: the backslash stands for itself, and what follows it is read as text.
        *o++ = '\\';
        ++i;
    }
    out.resize(std::size_t(o - first));
    return out;
}

std::string quoted(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    out += text;
    out += '"';
    return out;
}
