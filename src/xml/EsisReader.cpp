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

void EsisReader::deliver(std::string_view line, DocumentEvents& events) {
    const char command = line.empty() ? '\0' : line[0];
    const std::string_view rest = line.substr(line.empty() ? 0 : 1);
    switch (command) {
        case '(':
            events.startElement(rest);
            return;
        case ')':
            events.endElement();
            return;
        case '-':
            events.text(rest);
            return;
        case '?':
            events.processingInstruction();
            return;
        case 'A': {
            // "A" name, a blank, the type, and after a further blank the value.
            const std::size_t nameEnd = rest.find(' ');
            std::string_view type;
            std::string_view value;
            if (nameEnd != std::string_view::npos) {
                const std::size_t typeEnd = rest.find(' ', nameEnd + 1);
                type = rest.substr(nameEnd + 1, typeEnd == std::string_view::npos
                                                    ? std::string_view::npos
                                                    : typeEnd - nameEnd - 1);
                if (typeEnd != std::string_view::npos) value = rest.substr(typeEnd + 1);
            }
            events.attribute(rest.substr(0, nameEnd), type, value);
            return;
        }
        case 's':
        case 'p': {
            // The document type's identifiers follow a blank; an entity's follow the command.
            const bool ofDocumentType = !rest.empty() && rest[0] == ' ';
            events.identifier(command, ofDocumentType ? rest.substr(1) : rest, ofDocumentType);
            return;
        }
        case '!': {
            const std::size_t blank = line.find(' ');
            events.documentType(blank == std::string_view::npos ? std::string_view()
                                                                : line.substr(blank + 1));
            return;
        }
        default:
            events.unexpected();
            return;
    }
}
