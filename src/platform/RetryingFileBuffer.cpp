// The output buffer whose writes survive signals.
#include "platform/RetryingFileBuffer.h"

#include <unistd.h>

#include <cerrno>

#include "platform/ControlEvents.h"

RetryingFileBuffer::RetryingFileBuffer(int fd) : fd(fd) {
    setp(buffer, buffer + sizeof buffer);
}

RetryingFileBuffer::~RetryingFileBuffer() {
    flushBuffer();
}

bool RetryingFileBuffer::writeAll(const char* text, std::streamsize count) {
    while (count > 0) {
        const ssize_t written = ::write(fd, text, static_cast<std::size_t>(count));
        if (written < 0) {
            if (errno == EINTR && !controlEvents::farewellPending()) continue;
            return false;
        }
        text += written;
        count -= written;
    }
    return true;
}

bool RetryingFileBuffer::flushBuffer() {
    const std::streamsize pending = pptr() - pbase();
    // What could not be written is dropped either way: keeping it would only block again.
    setp(buffer, buffer + sizeof buffer);
    return writeAll(buffer, pending);
}

RetryingFileBuffer::int_type RetryingFileBuffer::overflow(int_type character) {
    if (!flushBuffer()) return traits_type::eof();
    if (traits_type::eq_int_type(character, traits_type::eof())) return traits_type::not_eof(0);
    *pptr() = traits_type::to_char_type(character);
    pbump(1);
    return character;
}

std::streamsize RetryingFileBuffer::xsputn(const char* text, std::streamsize count) {
    if (count <= epptr() - pptr()) {
        traits_type::copy(pptr(), text, static_cast<std::size_t>(count));
        pbump(static_cast<int>(count));
        return count;
    }
    if (!flushBuffer()) return 0;
    return writeAll(text, count) ? count : 0;
}

int RetryingFileBuffer::sync() {
    return flushBuffer() ? 0 : -1;
}
