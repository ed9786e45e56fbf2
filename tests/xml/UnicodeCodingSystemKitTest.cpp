// Tests of the coding systems the document parser reads with: UTF-8 beyond U+FFFF, whatever the
// blocks the input arrives in, and the choice of decoder for a document read as XML.
// The library's configuration comes before any of its headers.
#include <OpenSP/config.h>
// clang-format off
#include <OpenSP/CharsetInfo.h>
#include <OpenSP/StringC.h>
// clang-format on
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "xml/UnicodeCodingSystemKit.h"

using namespace OpenSP;

namespace {

class UnicodeCodingSystemKitTest : public ::testing::Test {
  protected:
    // Decodes the bytes in blocks, the first of the given size, each later one holding what the
    // decoder left plus the rest, as the parser's input does.
    std::vector<Char> decode(const char* system, const std::string& bytes, std::size_t first) {
        // Made whole, not grown: growing an empty string copies from a null pointer.
        const std::vector<Char> text(system, system + std::strlen(system));
        const StringC name(text.data(), text.size());
        const char* staticName = nullptr;
        const InputCodingSystem* coding =
            kit->makeInputCodingSystem(name, kit->systemCharset(), false, staticName);
        std::unique_ptr<Decoder> decoder(coding->makeDecoder());
        std::vector<Char> chars;
        std::string pending;
        std::size_t offset = 0;
        for (std::size_t block : {std::min(first, bytes.size()), bytes.size()}) {
            pending += bytes.substr(offset, block - offset);
            offset = block;
            std::vector<Char> out(pending.size() + 1);
            const char* rest = nullptr;
            const std::size_t n =
                decoder->decode(out.data(), pending.data(), pending.size(), &rest);
            chars.insert(chars.end(), out.begin(), out.begin() + static_cast<long>(n));
            pending.erase(0, static_cast<std::size_t>(rest - pending.data()));
        }
        EXPECT_TRUE(pending.empty());
        return chars;
    }

    Ptr<CodingSystemKit> kit{new UnicodeCodingSystemKit(CodingSystemKit::make(nullptr))};
};

TEST_F(UnicodeCodingSystemKitTest, TheInternalSetHoldsEveryUnicodeCharacter) {
    for (UnivChar c : {0x41u, 0xFFFDu, 0x10000u, 0x1D11Eu, 0x10FFFFu}) {
        WideChar internal = 0;
        ISet<WideChar> more;
        EXPECT_EQ(kit->systemCharset().univToDesc(c, internal, more), 1u) << std::hex << c;
        EXPECT_EQ(internal, c);
    }
}

TEST_F(UnicodeCodingSystemKitTest, Utf8IsDecodedWholeWhereverABlockEnds) {
    // "a", U+00E9, U+20AC, U+1D11E, U+10FFFF, "z": sequences of one to four bytes.
    const std::string bytes = "a\xc3\xa9\xe2\x82\xac\xf0\x9d\x84\x9e\xf4\x8f\xbf\xbfz";
    const std::vector<Char> expected = {'a', 0xE9, 0x20AC, 0x1D11E, 0x10FFFF, 'z'};
    for (const char* system : {"UTF-8", "utf8", "XML"}) {
        for (std::size_t first = 1; first <= bytes.size(); ++first) {
            EXPECT_EQ(decode(system, bytes, first), expected) << system << " first block " << first;
        }
    }
}

TEST_F(UnicodeCodingSystemKitTest, AsciiRunsOfEveryLengthAndAlignmentAreDecodedWhole) {
    // Runs of zero to twenty ASCII bytes between characters of two to four bytes and a
    // malformed byte, so that a run starts and ends at every offset of an eight-byte word.
    std::string bytes;
    std::vector<Char> expected;
    const std::pair<const char*, Char> between[] = {{"\xc3\xa9", 0xE9},
                                                    {"\xe2\x82\xac", 0x20AC},
                                                    {"\xf0\x9d\x84\x9e", 0x1D11E},
                                                    {"\x80", 0xFFFD}};
    for (int run = 0; run <= 20; ++run) {
        for (int k = 0; k < run; ++k) {
            const char c = static_cast<char>('a' + (run + k) % 26);
            bytes += c;
            expected.push_back(static_cast<Char>(c));
        }
        const auto& [text, character] = between[run % 4];
        bytes += text;
        expected.push_back(character);
    }
    for (const char* system : {"UTF-8", "XML"}) {
        for (std::size_t first = 1; first <= bytes.size(); first += 3) {
            EXPECT_EQ(decode(system, bytes, first), expected) << system << " first block " << first;
        }
    }
}

TEST_F(UnicodeCodingSystemKitTest, MalformedUtf8IsReadAsReplacementCharacters) {
    // A stray continuation byte, an overlong slash, a surrogate, a value past U+10FFFF and a
    // lead byte followed by a letter.
    const std::string bytes = "\x80|\xc0\xaf|\xed\xa0\x80|\xf4\x90\x80\x80|\xe2x";
    const std::vector<Char> expected = {0xFFFD, '|',    0xFFFD, '|',    0xFFFD,
                                        '|',    0xFFFD, '|',    0xFFFD, 'x'};
    for (std::size_t first = 1; first <= bytes.size(); ++first) {
        EXPECT_EQ(decode("UTF-8", bytes, first), expected) << "first block " << first;
    }
}

TEST_F(UnicodeCodingSystemKitTest, AnXmlDocumentIsReadInTheEncodingItDeclares) {
    // No declaration, a declaration without an encoding and a UTF-8 byte-order mark: UTF-8.
    EXPECT_EQ(decode("XML", "<r>\xf0\x9d\x84\x9e</r>", 4).at(3), Char(0x1D11E));
    EXPECT_EQ(decode("XML", "<?xml version=\"1.0\"?><r>\xf0\x9d\x84\x9e", 30).back(),
              Char(0x1D11E));
    const std::vector<Char> bom = decode("XML", "\xef\xbb\xbf<r>\xf0\x9d\x84\x9e", 40);
    EXPECT_EQ(bom, (std::vector<Char>{'<', 'r', '>', 0x1D11E}));
    // A declared encoding is honoured: Latin-1's e-acute is one byte.
    EXPECT_EQ(decode("XML", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r>\xe9", 60).back(),
              Char(0xE9));
    // UTF-16 with its byte-order mark, a surrogate pair included.
    const std::u16string text = u"\ufeff<r>\U0001D11E";
    const std::string utf16(reinterpret_cast<const char*>(text.data()), text.size() * 2);
    const std::vector<Char> chars = decode("XML", utf16, utf16.size());
    ASSERT_GE(chars.size(), 3u);
    EXPECT_EQ(chars[0], Char('<'));
}

}  // namespace
