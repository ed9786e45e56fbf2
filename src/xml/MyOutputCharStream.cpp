// The output stream that writes the event stream, UTF-8 encoded, to a named file.
#include "xml/MyOutputCharStream.h"

#include <cerrno>
#include <cstring>

MyOutputCharStream::MyOutputCharStream(const char* name) {
    if (std::strcmp(name, "CON:") == 0) {
        file = stdout;
    } else {
        file = std::fopen(name, "wb");
        ownsFile = file != nullptr;
        openErrno = file ? 0 : errno;
    }
    ptr_ = buffer;
    end_ = buffer + bufferSize;
}

MyOutputCharStream::~MyOutputCharStream() {
    flush();
    if (ownsFile) {
        std::fclose(file);
    }
}

void MyOutputCharStream::flush() {
    encodeBuffer();
    writeBytes();
    if (file) {
        std::fflush(file);
    }
}

void MyOutputCharStream::flushBuf(OpenSP::Char c) {
    encodeBuffer();
    *ptr_++ = c;
}

void MyOutputCharStream::putChars(const OpenSP::Char* s, std::size_t n) {
    if (ptr_ != buffer) encodeBuffer();
    for (const OpenSP::Char* end = s + n; s < end; ++s) {
        if (out >= full) writeBytes();
        if (*s < 0x80) {
            *out++ = char(*s);
        } else {
            encode(*s);
        }
    }
}

void MyOutputCharStream::encodeBuffer() {
    for (const OpenSP::Char* p = buffer; p < ptr_; ++p) {
        if (out >= full) writeBytes();
        encode(*p);
    }
    ptr_ = buffer;
}

char* MyOutputCharStream::encodeAt(OpenSP::Char c, char* at) {
    if (c < 0x80) {
        *at++ = char(c);
    } else if (c < 0x800) {
        *at++ = char(0xC0 | (c >> 6));
        *at++ = char(0x80 | (c & 0x3F));
    } else if (c < 0x10000 && (c < 0xD800 || c > 0xDFFF)) {
        *at++ = char(0xE0 | (c >> 12));
        *at++ = char(0x80 | ((c >> 6) & 0x3F));
        *at++ = char(0x80 | (c & 0x3F));
    } else if (c >= 0x10000 && c <= 0x10FFFF) {
        *at++ = char(0xF0 | (c >> 18));
        *at++ = char(0x80 | ((c >> 12) & 0x3F));
        *at++ = char(0x80 | ((c >> 6) & 0x3F));
        *at++ = char(0x80 | (c & 0x3F));
    } else {
        // A character UTF-8 cannot hold (a lone surrogate, or beyond Unicode).
        at += std::snprintf(at, maxEscape + 1, "\\#%u;", static_cast<unsigned>(c));
    }
    return at;
}

void MyOutputCharStream::writeBytes() {
    if (file && out != bytes) {
        std::fwrite(bytes, 1, static_cast<std::size_t>(out - bytes), file);
    }
    out = bytes;
}
