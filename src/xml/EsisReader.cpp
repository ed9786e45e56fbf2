// The reader of the event stream: hands on the lines the document tree is built from.
#include "xml/EsisReader.h"

#include <cstring>

namespace {

bool isSkipped(char command) {
    return command != '\0' && std::strchr("#&CDEINSTaefi{}L", command) != nullptr;
}

}  // namespace

void EsisReader::readEsisLine(std::istream& in) {
    while (!endOfInput) {
        if (!std::getline(in, line)) {
            endOfInput = true;
            break;
        }
        if (!line.empty() && !isSkipped(line[0])) {
            return;
        }
    }
    line.assign(1, '\n');
}
