// The Pevo grammar over a stored corpus of texts, each with the parse it gave when the corpus was
// written: the shape and print form of every clause, the ok flag and the reported errors. The
// corpus holds the Pevo files of the examples and the end-to-end cases, the fuzz seeds, and
// clauses drawn at random from the grammar's productions, many of them with tokens dropped,
// added or swapped, so that a change of the grammar that alters any choice between two readings,
// or the message of any error production, shows here.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "language/ParserTestSupport.h"
#include "language/PevoParser.h"
#include "language/PevoShape.h"

namespace {

using language_test::ParserHarness;
using language_test::ShapeWriter;

const char* const inputMark = "==== input";
const char* const parseMark = "==== parse";

struct Entry {
    std::string input;
    std::string parse;
};

// Every call on the text until its end: the clause's shape and print form, or "null", with the
// ok flag when it is not 1; then the reported errors.
std::string parseText(const std::string& text) {
    ParserHarness harness([] { return static_cast<FParser*>(new PevoParser); });
    ErrorCapture errors;
    Error::setOutputFilter(2);
    auto parser = Ref<PevoParser>::make();
    parser->setInputString(text);
    std::string out;
    for (int calls = 0; !parser->atEnd() && calls < 100; ++calls) {
        int ok = -1;
        const auto rule = Ref<FRule>::adopt(parser->parse(harness.table(), &ok));
        if (rule != nullptr) {
            out += ShapeWriter(harness.table(), rule->getSymTab()).clause(*rule) + " | " +
                   harness.print(rule.get());
        } else {
            out += "null";
        }
        out += (ok != 1 ? " ok=" + std::to_string(ok) : "") + "\n";
    }
    parser.reset();
    return out + reportText(errors);
}

std::vector<Entry> readCorpus(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::vector<Entry> entries;
    std::string line;
    std::string* into = nullptr;
    while (std::getline(in, line)) {
        if (line == inputMark) {
            entries.emplace_back();
            into = &entries.back().input;
        } else if (line == parseMark && into != nullptr) {
            into = &entries.back().parse;
        } else if (into != nullptr) {
            *into += line + "\n";
        }
    }
    return entries;
}

TEST(PevoGrammarCorpus, EveryTextParsesAsWhenTheCorpusWasWritten) {
    const auto file =
        std::filesystem::path(QUORIN_SOURCE_DIR) / "tests" / "language" / "pevo-grammar-corpus.txt";
    const std::vector<Entry> entries = readCorpus(file);
    ASSERT_GT(entries.size(), 1000u) << file;
    // QUORIN_PEVO_CORPUS_OUT names a file to write the corpus to with today's parses, to renew
    // the stored ones after an intended change of the language (read the difference first).
    const char* renewed = std::getenv("QUORIN_PEVO_CORPUS_OUT");
    std::ofstream out;
    if (renewed != nullptr) out.open(renewed);
    int differing = 0;
    for (const Entry& entry : entries) {
        const std::string parse = parseText(entry.input);
        if (renewed != nullptr)
            out << inputMark << "\n" << entry.input << parseMark << "\n" << parse;
        if (parse != entry.parse && ++differing <= 20)
            ADD_FAILURE() << "input:\n"
                          << entry.input << "stored:\n"
                          << entry.parse << "now:\n"
                          << parse;
    }
    EXPECT_EQ(differing, 0);
}

}  // namespace
