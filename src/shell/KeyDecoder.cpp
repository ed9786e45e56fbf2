// The key mapping of terminal escape sequences.
#include "shell/KeyDecoder.h"

#include <string>

namespace {

constexpr int ctrl(char letter) {
    return letter & 0x1F;
}
constexpr int Escape = 27;
constexpr int Cut = ctrl('G');

int mapFinal(char final) {
    switch (final) {
        case 'A':
            return ctrl('P');
        case 'B':
            return ctrl('N');
        case 'C':
            return ctrl('F');
        case 'D':
            return ctrl('B');
        case 'H':
            return ctrl('A');
        case 'F':
            return ctrl('E');
        default:
            return 0;
    }
}

int mapTilde(const std::string& parameters) {
    if (parameters == "1" || parameters == "7") return ctrl('A');
    if (parameters == "4" || parameters == "8") return ctrl('E');
    if (parameters == "2") return ctrl('O');
    if (parameters == "3") return ctrl('D');
    if (parameters == "5") return ctrl('P');
    if (parameters == "6") return ctrl('N');
    return 0;
}

}  // namespace

int KeyDecoder::nextKey() {
    if (!waiting_.empty()) {
        int key = waiting_.front();
        waiting_.pop_front();
        return key;
    }
    int byte = bytes_.nextByte();
    if (byte == '\r') return ctrl('J');
    if (byte != Escape || !bytes_.byteWaiting(SequenceWait)) return byte;
    int second = bytes_.nextByte();
    if (second == '[') return decodeSequence(true);
    if (second == 'O') return decodeSequence(false);
    waiting_.push_back(second == '\r' ? ctrl('J') : second);
    return Escape;
}

bool KeyDecoder::keyWaiting(int milliseconds) {
    return !waiting_.empty() || bytes_.byteWaiting(milliseconds);
}

int KeyDecoder::decodeSequence(bool csi) {
    std::string parameters;
    for (;;) {
        if (!bytes_.byteWaiting(SequenceWait)) return Cut;
        int byte = bytes_.nextByte();
        if (byte < 0) {
            waiting_.push_back(byte);
            return Cut;
        }
        // "ESC O" takes exactly one final byte; "ESC [" takes parameter and intermediate bytes
        // (0x20 to 0x3F) up to a final byte (0x40 to 0x7E). The Linux console's "ESC [ [ x"
        // function keys take one more byte after the second "[".
        if (csi && parameters.empty() && byte == '[') {
            if (!bytes_.byteWaiting(SequenceWait)) return Cut;
            byte = bytes_.nextByte();
            if (byte < 0) {
                waiting_.push_back(byte);
                return Cut;
            }
            return 0;
        }
        if (csi && byte >= 0x20 && byte <= 0x3F) {
            parameters += static_cast<char>(byte);
            continue;
        }
        if (byte < 0x40 || byte > 0x7E) return Cut;
        if (byte == '~') return csi ? mapTilde(parameters) : 0;
        return parameters.empty() ? mapFinal(static_cast<char>(byte)) : 0;
    }
}
