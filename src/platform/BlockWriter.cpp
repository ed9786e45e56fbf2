// The block-gathering output buffer of long writes.
#include "platform/BlockWriter.h"

#include <cstring>

#include "platform/ControlEvents.h"

BlockWriter::BlockWriter(std::streambuf* target, std::size_t blockSize)
    : target(target), block(blockSize > 0 ? blockSize : 1) {
    setp(block.data(), block.data() + block.size());
}

bool BlockWriter::pass() {
    if (stop || failure) return false;
    if (controlEvents::stopRequested()) {
        stop = true;
        controlEvents::noteCutShort();
    } else {
        const std::streamsize pending = pptr() - pbase();
        if (target == nullptr || target->sputn(pbase(), pending) != pending) failure = true;
    }
    setp(block.data(), block.data() + block.size());
    if (stop || failure) setp(nullptr, nullptr);
    return !stop && !failure;
}

BlockWriter::int_type BlockWriter::overflow(int_type character) {
    if (!pass()) return traits_type::eof();
    if (traits_type::eq_int_type(character, traits_type::eof())) return traits_type::not_eof(0);
    *pptr() = traits_type::to_char_type(character);
    pbump(1);
    return character;
}

std::streamsize BlockWriter::xsputn(const char* text, std::streamsize count) {
    std::streamsize done = 0;
    while (done < count) {
        std::streamsize room = epptr() - pptr();
        if (room == 0) {
            if (!pass()) return done;
            room = epptr() - pptr();
        }
        const std::streamsize part = count - done < room ? count - done : room;
        std::memcpy(pptr(), text + done, static_cast<std::size_t>(part));
        pbump(static_cast<int>(part));
        done += part;
    }
    return done;
}

bool BlockWriter::finish() {
    // Also a short text, that never filled a block, is not put in place once a stop came.
    if (!pass()) return false;
    if (target != nullptr && target->pubsync() != 0) failure = true;
    return !failure;
}
