// EscapedText: the escaping of long texts and the growth of the room they take.
#include "xml/EscapedText.h"

std::size_t EscapedText::appendLong(const OpenSP::Char* s, std::size_t n) {
    std::size_t recordEnds = 0;
    while (n > 0) {
        const std::size_t chunk = std::min(n, MyOutputCharStream::escapeChunk);
        char* const at = room(chunk * MyOutputCharStream::maxEscape + 1);
        const char* const end = MyOutputCharStream::escapeAt(s, chunk, at, &recordEnds);
        length += static_cast<std::size_t>(end - at);
        s += chunk;
        n -= chunk;
    }
    return recordEnds;
}

void EscapedText::grow(std::size_t n) {
    // Never filled with zeros first: the room is written before it is read.
    const std::size_t size = std::max(length + n, 2 * capacity);
    std::unique_ptr<char[]> larger(new char[size]);
    if (length > 0) std::memcpy(larger.get(), bytes.get(), length);
    bytes = std::move(larger);
    capacity = size;
}
