// The characters a text of the event stream stands for.
#include "xml/DocumentText.h"

#include <cctype>
#include <cstdint>
#include <cstring>

void appendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | ((code >> 18) & 0x07));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

namespace {

bool isOctal(char c) {
    return c >= '0' && c <= '7';
}

}  // namespace

std::string documentText(const std::string& written) {
    std::string out;
    out.reserve(written.size());
    const std::size_t size = written.size();
    for (std::size_t i = 0; i < size; ++i) {
        const char c = written[i];
        if (c != '\\' || i + 1 == size) {
            // The characters up to the next escape are copied at once: most texts have few.
            const char* from = written.data() + i;
            const void* escape = std::memchr(from + 1, '\\', size - i - 1);
            const std::size_t run =
                escape == nullptr ? size - i : std::size_t(static_cast<const char*>(escape) - from);
            out.append(from, run);
            i += run - 1;
            continue;
        }
        const char next = written[i + 1];
        if (next == 'n') {
            // The parser reports a line end as the record end and, in XML, the line feed as
            // well: the pair is the one line break the document holds.
            out += '\n';
            ++i;
            if (i + 4 < size && written[i + 1] == '\\' && written[i + 2] == '0' &&
                written[i + 3] == '1' && written[i + 4] == '2')
                i += 4;
        } else if (next == '\\' || next == '"') {
            out += next;
            ++i;
        } else if (next == '|') {
            ++i;  // the brackets of an SDATA text go; its text stays
        } else if (next == '0' && i + 3 < size && isOctal(written[i + 2]) &&
                   isOctal(written[i + 3])) {
            out += static_cast<char>((written[i + 2] - '0') * 8 + (written[i + 3] - '0'));
            i += 3;
        } else if (next == '#' || next == '%') {
            std::size_t end = i + 2;
            std::uint32_t code = 0;
            while (end < size && std::isdigit(static_cast<unsigned char>(written[end])) != 0 &&
                   code <= 0x10FFFF) {
                code = code * 10 + static_cast<std::uint32_t>(written[end] - '0');
                ++end;
            }
            if (end > i + 2 && end < size && written[end] == ';' && code <= 0x10FFFF) {
                appendUtf8(out, code);
                i = end;
            } else {
                out += c;
            }
        } else {
            out += c;
        }
    }
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
