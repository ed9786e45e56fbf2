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

// UTF-16 in, of the byte order given, every character up to U+10FFFF: a surrogate pair is one
// character, a surrogate without its partner is read as U+FFFD.
class Utf16Decoder : public Decoder {
  public:
    explicit Utf16Decoder(bool bigEndian) : bigEndian(bigEndian) {}

    std::size_t decode(Char* to, const char* from, std::size_t length, const char** rest) override {
        const auto* in = reinterpret_cast<const unsigned char*>(from);
        const unsigned char* const end = in + length;
        Char* out = to;
        auto unit = [this](const unsigned char* at) -> Char {
            return bigEndian ? (Char(at[0]) << 8) | at[1] : (Char(at[1]) << 8) | at[0];
        };
        while (end - in >= 2) {
            const Char first = unit(in);
            if (first < 0xD800 || first > 0xDFFF) {
                *out++ = first;
                in += 2;
                continue;
            }
            if (first <= 0xDBFF) {
                // A pair cut by the end of this block is decoded with the next block.
                if (end - in < 4) break;
                const Char second = unit(in + 2);
                if (second >= 0xDC00 && second <= 0xDFFF) {
                    *out++ = 0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00);
                    in += 4;
                    continue;
                }
            }
            *out++ = replacement;
            in += 2;
        }
        *rest = reinterpret_cast<const char*>(in);
        return static_cast<std::size_t>(out - to);
    }

  private:
    bool bigEndian;
};

// The byte order of a document in UTF-16, told by its byte-order mark, or, without one, by the
// NUL byte of its first character (which is ASCII: "<" or a blank); none for other documents.
enum class Utf16 { none, bigEndian, littleEndian };

Utf16 utf16Order(const unsigned char* bytes, std::size_t length) {
    if (length < 2) return Utf16::none;
    if (bytes[0] == 0xFE && bytes[1] == 0xFF) return Utf16::bigEndian;
    if (bytes[0] == 0xFF && bytes[1] == 0xFE) return Utf16::littleEndian;
    if (bytes[0] == 0 && bytes[1] != 0) return Utf16::bigEndian;
    if (bytes[0] != 0 && bytes[1] == 0) return Utf16::littleEndian;
    return Utf16::none;
}

// Whether the block, the document's first, is read with the library's decoder: its XML
// declaration names an encoding other than UTF-8 and UTF-16, or its first bytes are NUL (a wider
// form the library knows). The declaration ends within the first block the parser reads, so one
// block decides. A UTF-8 byte-order mark, a declaration without an encoding and every name of
// UTF-8 leave the document to our UTF-8 decoder; UTF-16 goes to ours as well. Both hold characters
// beyond U+FFFF, which the library's decoders read as U+FFFD.
bool readByLibrary(const char* block, std::size_t length) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(block);
    if (length >= 2 && bytes[0] == 0 && bytes[1] == 0) return true;
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
            const Utf16 order = utf16Order(bytes, length);
            if (order != Utf16::none) {
                chosen = std::make_unique<Utf16Decoder>(order == Utf16::bigEndian);
                // The byte-order mark is no character of the document.
                if (bytes[0] >= 0xFE) {
                    from += 2;
                    length -= 2;
                }
            } else if (readByLibrary(from, length)) {
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
