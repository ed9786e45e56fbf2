// The reader of the event stream: hands on the lines the document tree is built from.
#include "xml/EsisReader.h"

#include <cstring>
#include <string_view>

namespace {

constexpr std::size_t blockSize = 1 << 16;

}  // namespace

bool EsisReader::nextLine(std::istream& in) {
    spanned.clear();
    line = {};
    bool sawText = false;
    for (;;) {
        if (blockStart == blockEnd) {
            if (block.size() < blockSize) block.resize(blockSize);
            in.read(block.data(), static_cast<std::streamsize>(block.size()));
            blockStart = 0;
            blockEnd = static_cast<std::size_t>(in.gcount());
            // A last line without a line feed is still a line.
            if (blockEnd == 0) {
                line = spanned;
                return sawText;
            }
        }
        const char* begin = block.data() + blockStart;
        const std::size_t available = blockEnd - blockStart;
        const auto* feed = static_cast<const char*>(std::memchr(begin, '\n', available));
        if (feed != nullptr) {
            const auto length = static_cast<std::size_t>(feed - begin);
            // Most lines lie within one block and are read where they lie.
            if (sawText) {
                spanned.append(begin, length);
                line = spanned;
            } else {
                line = std::string_view(begin, length);
            }
            blockStart += length + 1;
            return true;
        }
        spanned.append(begin, available);
        blockStart = blockEnd;
        sawText = true;
    }
}

void EsisReader::readLineAcross(std::istream& in) {
    while (!endOfInput) {
        if (!nextLine(in)) {
            endOfInput = true;
            break;
        }
        if (!line.empty() && !isSkipped(line[0])) {
            return;
        }
    }
    line = "\n";
}
