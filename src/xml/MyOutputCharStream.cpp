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
    if (file) {
        std::fflush(file);
    }
}

void MyOutputCharStream::flushBuf(OpenSP::Char c) {
    encodeBuffer();
    *ptr_++ = c;
}

void MyOutputCharStream::encodeBuffer() {
    bytes.clear();
    for (const OpenSP::Char* p = buffer; p < ptr_; ++p) {
        OpenSP::Char c = *p;
        if (c < 0x80) {
            bytes += char(c);
        } else if (c < 0x800) {
            bytes += char(0xC0 | (c >> 6));
            bytes += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000 && (c < 0xD800 || c > 0xDFFF)) {
            bytes += char(0xE0 | (c >> 12));
            bytes += char(0x80 | ((c >> 6) & 0x3F));
            bytes += char(0x80 | (c & 0x3F));
        } else if (c >= 0x10000 && c <= 0x10FFFF) {
            bytes += char(0xF0 | (c >> 18));
            bytes += char(0x80 | ((c >> 12) & 0x3F));
            bytes += char(0x80 | ((c >> 6) & 0x3F));
            bytes += char(0x80 | (c & 0x3F));
        } else {
            // A character UTF-8 cannot hold (a lone surrogate, or beyond Unicode).
            bytes += "\\#" + std::to_string(c) + ";";
        }
    }
    ptr_ = buffer;
    if (file && !bytes.empty()) {
        std::fwrite(bytes.data(), 1, bytes.size(), file);
    }
}
