// The key codes the decoder makes of what terminals send.
#include <deque>

#include "EditorTestSupport.h"
#include "shell/KeyDecoder.h"

using namespace editortest;

namespace {

// Bytes as a terminal sends them; Pause marks a gap longer than a sequence may take.
class ScriptedBytes : public ByteSource {
  public:
    explicit ScriptedBytes(const Keys& bytes) : bytes_(bytes.begin(), bytes.end()) {}
    int nextByte() override {
        while (!bytes_.empty() && bytes_.front() == Pause) bytes_.pop_front();
        if (bytes_.empty()) return KeySource::EndOfInput;
        int byte = bytes_.front();
        bytes_.pop_front();
        return byte;
    }
    bool byteWaiting(int) override { return !bytes_.empty() && bytes_.front() != Pause; }

  private:
    std::deque<int> bytes_;
};

Keys decode(const Keys& bytes) {
    ScriptedBytes source(bytes);
    KeyDecoder decoder(source);
    Keys keys;
    for (int key = decoder.nextKey(); key != KeySource::EndOfInput; key = decoder.nextKey()) {
        keys.push_back(key);
    }
    return keys;
}

}  // namespace

TEST(KeyDecoderTest, MapsEnterAndTheCursorAndEditingKeys) {
    struct Case {
        const char* sent;
        int key;
    };
    const Case cases[] = {
        {"\r", ctrl('J')},      {"\n", ctrl('J')},
        {"\x1b[A", ctrl('P')},  {"\x1b[B", ctrl('N')},
        {"\x1b[C", ctrl('F')},  {"\x1b[D", ctrl('B')},
        {"\x1bOA", ctrl('P')},  {"\x1bOB", ctrl('N')},
        {"\x1bOC", ctrl('F')},  {"\x1bOD", ctrl('B')},
        {"\x1b[H", ctrl('A')},  {"\x1bOH", ctrl('A')},
        {"\x1b[1~", ctrl('A')}, {"\x1b[7~", ctrl('A')},
        {"\x1b[F", ctrl('E')},  {"\x1bOF", ctrl('E')},
        {"\x1b[4~", ctrl('E')}, {"\x1b[8~", ctrl('E')},
        {"\x1b[2~", ctrl('O')}, {"\x1b[3~", ctrl('D')},
        {"\x1b[5~", ctrl('P')}, {"\x1b[6~", ctrl('N')},
        {"\x1bOP", 0},          {"\x1b[15~", 0},
        {"\x1b[24~", 0},        {"\x1b[1;5C", 0},
        {"\x1b[3;2~", 0},       {"\x1b[[A", 0},
        {"\x1b[Z", 0},          {"\x7f", 127},
        {"\xc3", 0xc3},         {"a", 'a'},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(decode(typed(c.sent)), Keys{c.key})
            << "for the bytes of \"" << c.sent + 1 << "\"";
    }
}

TEST(KeyDecoderTest, AnEscapeKeepsTheKeyBehindItWaiting) {
    ScriptedBytes source(typed("\x1b") + typed("x"));
    KeyDecoder decoder(source);
    EXPECT_EQ(decoder.nextKey(), Esc);
    EXPECT_TRUE(decoder.keyWaiting(0));
    EXPECT_EQ(decoder.nextKey(), 'x');
    EXPECT_FALSE(decoder.keyWaiting(0));

    EXPECT_EQ(decode(Keys{Esc, Pause, '['}), (Keys{Esc, '['}));
    EXPECT_EQ(decode(Keys{Esc, '\r'}), (Keys{Esc, ctrl('J')}));
    EXPECT_EQ(decode(Keys{Esc, Esc, Pause, 'a'}), (Keys{Esc, Esc, 'a'}));
}

TEST(KeyDecoderTest, ASequenceCutShortIsDroppedForAKeyThatOnlyBeeps) {
    EXPECT_EQ(decode(Keys{Esc, '[', Pause, 'A'}), (Keys{ctrl('G'), 'A'}));
    EXPECT_EQ(decode(Keys{Esc, '[', '1', Pause, '~'}), (Keys{ctrl('G'), '~'}));
    EXPECT_EQ(decode(Keys{Esc, 'O', Pause, 'x'}), (Keys{ctrl('G'), 'x'}));
    EXPECT_EQ(decode(Keys{Esc, '[', '1', '\x01'}), (Keys{ctrl('G')}));
    EXPECT_EQ(decode(Keys{Esc, '['}), (Keys{ctrl('G')}));
}

TEST(KeyDecoderTest, TheEndOfInputAndRedrawPassThrough) {
    ScriptedBytes source(Keys{KeySource::Redraw, 'a'});
    KeyDecoder decoder(source);
    EXPECT_EQ(decoder.nextKey(), KeySource::Redraw);
    EXPECT_EQ(decoder.nextKey(), 'a');
    EXPECT_EQ(decoder.nextKey(), KeySource::EndOfInput);
}
