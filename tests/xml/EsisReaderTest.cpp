// Tests of the event-stream reader: which lines reach the tree builder, and the end state.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "xml/EsisReader.h"

namespace {

// Every line the reader hands on, up to and including the end marker.
std::vector<std::string> keptLines(const std::string& stream) {
    std::istringstream in(stream);
    EsisReader reader;
    std::vector<std::string> lines;
    do {
        reader.readEsisLine(in);
        lines.emplace_back(reader.currentLine());
    } while (!reader.atEnd() && lines.size() < 100);
    return lines;
}

using Lines = std::vector<std::string>;

TEST(EsisReaderTest, KeepsTreeLinesAndSkipsTheRest) {
    struct Case {
        const char* stream;
        Lines kept;
    } cases[] = {
        // Lines of the tree: elements, data, attributes, processing instructions, doctype.
        {"s a.dtd\np -//X//EN\n!doctype a\nAid ID x\n(a\n-t\\n\n?pi\n)a\n",
         {"s a.dtd", "p -//X//EN", "!doctype a", "Aid ID x", "(a", "-t\\n", "?pi", ")a", "\n"}},
        // Definitions, locations, flags and the conformance line never reach the tree.
        {"#info\nslogo\nf/x/logo\nNgif\nElogo NDATA gif\nDlogo w CDATA 1\nIe SDATA x\nSsub\n"
         "Ttext\nL3 f.sgml\nL4\nalink A CDATA v\ni\ne\n(a\n&logo\n{sub\n}sub\n)a\nC\n",
         {"slogo", "(a", ")a", "\n"}},
        // Empty lines are passed over; a last line without a line feed still counts.
        {"\n(a\n\n\n-x\n)a", {"(a", "-x", ")a", "\n"}},
        // An empty stream, or one of skipped lines only, is at its end at once.
        {"", {"\n"}},
        {"C\nL1\n", {"\n"}},
        // Anything else is handed on for the tree builder to judge.
        {"zzz\n", {"zzz", "\n"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(keptLines(c.stream), c.kept) << c.stream;
    }
}

// The stream is read in blocks: lines longer than a block, and lines cut by a block's end,
// come out whole and in order.
TEST(EsisReaderTest, KeepsLinesWholeAcrossLongStreams) {
    const std::string longText(200000, 'x');
    std::string stream = "(a\n-" + longText + "\n";
    Lines expected = {"(a", "-" + longText};
    for (int i = 0; i < 30000; ++i) {
        const std::string name = "e" + std::to_string(i);
        stream += "(" + name + "\nL" + std::to_string(i) + "\n)" + name + "\n";
        expected.push_back("(" + name);
        expected.push_back(")" + name);
    }
    stream += ")a";
    expected.push_back(")a");
    expected.push_back("\n");
    std::istringstream in(stream);
    EsisReader reader;
    Lines lines;
    do {
        reader.readEsisLine(in);
        lines.emplace_back(reader.currentLine());
    } while (!reader.atEnd());
    EXPECT_EQ(lines, expected);
}

TEST(EsisReaderTest, StaysAtTheEndOnceThere) {
    std::istringstream in("(a\n");
    EsisReader reader;
    reader.readEsisLine(in);
    EXPECT_FALSE(reader.atEnd());
    reader.readEsisLine(in);
    reader.readEsisLine(in);
    EXPECT_TRUE(reader.atEnd());
    EXPECT_EQ(reader.currentLine(), "\n");
}

}  // namespace
