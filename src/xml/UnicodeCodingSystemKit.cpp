// UnicodeCodingSystemKit, the library's coding systems with an internal character set and a
// UTF-8 decoder that hold every Unicode character.
#include "xml/UnicodeCodingSystemKit.h"

#include <OpenSP/CharsetInfo.h>
#include <OpenSP/StringC.h>
#include <OpenSP/UnivCharsetDesc.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "xml/DocumentHead.h"

using namespace OpenSP;

namespace {

constexpr Char replacement = 0xFFFD;

bool named(const StringC& name, const char* text) {
    const std::size_t length = std::strlen(text);
    if (name.size() != length) return false;
    for (std::size_t i = 0; i < length; ++i) {
        Char c = name[i];
        if (c >= 'a' && c <= 'z') c -= 'a' - 'A';
        if (c != static_cast<unsigned char>(text[i])) return false;
    }
    return true;
}

class Utf8Decoder : public Decoder {
  public:
    std::size_t decode(Char* to, const char* from, std::size_t length, const char** rest) override {
        const auto* in = reinterpret_cast<const unsigned char*>(from);
        const unsigned char* const end = in + length;
        Char* out = to;
        while (in < end) {
            // A document is mostly ASCII: eight bytes at a time while they are, where a byte at
            // a time cost eleven instructions a byte of its import.
            while (end - in >= 8) {
                std::uint64_t word;
                std::memcpy(&word, in, 8);
                if ((word & 0x8080808080808080u) != 0) break;
                for (int i = 0; i < 8; ++i) out[i] = in[i];
                in += 8;
                out += 8;
            }
            if (in == end) break;
            const unsigned char lead = *in;
            if (lead < 0x80) {
                *out++ = lead;
                ++in;
                continue;
            }
            const int trail = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
            if (trail < 0 || lead > 0xF4) {
                *out++ = replacement;
                ++in;
                continue;
            }
            Char c = lead & (0x3F >> trail);
            int i = 1;
            for (; i <= trail && in + i < end && (in[i] & 0xC0) == 0x80; ++i) {
                c = (c << 6) | (in[i] & 0x3F);
            }
            // A sequence cut by the end of this block is decoded with the next block.
            if (i <= trail && in + i == end) break;
            static constexpr Char least[] = {0, 0x80, 0x800, 0x10000};
            if (i <= trail || c < least[trail] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
                *out++ = replacement;
                in += i;
                continue;
            }
            *out++ = c;
            in += trail + 1;
        }
        *rest = reinterpret_cast<const char*>(in);
        return static_cast<std::size_t>(out - to);
    }
};

// Whether the block, the document's first, is read with another decoder than ours: it is UTF-16
// (a byte-order mark of UTF-16, or a NUL byte among the first two), or its XML declaration names
// an encoding other than UTF-8. The declaration ends within the first block the parser reads, so
// one block decides. A UTF-8 byte-order mark, a declaration without an encoding and every name of
// UTF-8 leave the document to our decoder, which holds characters beyond U+FFFF.
bool readByLibrary(const char* block, std::size_t length) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(block);
    if (length >= 2 && (bytes[0] == 0 || bytes[1] == 0 || (bytes[0] == 0xFE && bytes[1] == 0xFF) ||
                        (bytes[0] == 0xFF && bytes[1] == 0xFE)))
        return true;
    const std::string encoding = declaredEncoding(std::string_view(block, length));
    return !encoding.empty() && encoding != "-" && !namesUtf8(encoding);
}

// Decides on its first block which decoder reads the document, then hands every block to it.
class XmlDecoder : public Decoder {
  public:
    explicit XmlDecoder(const XMLCodingSystem& declared) : declared(declared) {}

    std::size_t decode(Char* to, const char* from, std::size_t length, const char** rest) override {
        if (!chosen) {
            const auto* bytes = reinterpret_cast<const unsigned char*>(from);
            std::size_t skip = 0;
            if (length >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) skip = 3;
            if (readByLibrary(from, length)) {
                chosen.reset(declared.makeDecoder());
            } else {
                chosen = std::make_unique<Utf8Decoder>();
                from += skip;
                length -= skip;
            }
        }
        return chosen->decode(to, from, length, rest);
    }

  private:
    const XMLCodingSystem& declared;
    std::unique_ptr<Decoder> chosen;
};

}  // namespace

UnicodeCodingSystemKit::UnicodeCodingSystemKit(CodingSystemKit* library) : library(library) {
    static const UnivCharsetDesc::Range unicode = {0, 0x110000, 0};
    systemCharset_ = CharsetInfo(UnivCharsetDesc(&unicode, 1));
}

UnicodeCodingSystemKit::~UnicodeCodingSystemKit() = default;

CodingSystemKit* UnicodeCodingSystemKit::copy() const {
    return new UnicodeCodingSystemKit(library->copy());
}

const CodingSystem* UnicodeCodingSystemKit::identityCodingSystem() const {
    return library->identityCodingSystem();
}

const CodingSystem* UnicodeCodingSystemKit::makeCodingSystem(const char* name,
                                                             Boolean isBctf) const {
    return library->makeCodingSystem(name, isBctf);
}

const InputCodingSystem* UnicodeCodingSystemKit::identityInputCodingSystem() const {
    return library->identityInputCodingSystem();
}

const InputCodingSystem* UnicodeCodingSystemKit::makeInputCodingSystem(
    const StringC& name, const CharsetInfo& charset, Boolean isBctf,
    const char*& staticName) const {
    if (named(name, "XML")) {
        staticName = "XML";
        return &xml;
    }
    std::string ascii;
    for (std::size_t i = 0; i < name.size() && name[i] < 0x80; ++i)
        ascii += static_cast<char>(name[i]);
    if (ascii.size() == name.size() && namesUtf8(ascii)) {
        staticName = "UTF-8";
        return &utf8;
    }
    return library->makeInputCodingSystem(name, charset, isBctf, staticName);
}

Char UnicodeCodingSystemKit::replacementChar() const {
    return library->replacementChar();
}

Decoder* UnicodeCodingSystemKit::Utf8::makeDecoder() const {
    return new Utf8Decoder;
}

Decoder* UnicodeCodingSystemKit::Xml::makeDecoder() const {
    return new XmlDecoder(declared);
}
