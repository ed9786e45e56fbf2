// Every clause of the example programs, printed and parsed again, gives the same clause.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "language/ParserTestSupport.h"

namespace {

using language_test::ParserHarness;

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(ExamplesRoundTrip, EveryClausePrintsAndParsesBackEqual) {
    int files = 0;
    for (const auto& program : language_test::examplePrograms()) {
        ++files;
        SCOPED_TRACE(program.filename().string());
        ParserHarness harness;
        ErrorCapture errors;
        auto parser = Ref<FLogicParser>::make();
        ASSERT_EQ(parser->open(program.string()), 1);
        int clauses = 0, queries = 0;
        while (!parser->atEnd()) {
            int ok = 0;
            auto rule = Ref<FRule>::adopt(parser->parse(harness.table(), &ok));
            EXPECT_EQ(ok, 1);
            if (rule == nullptr) continue;
            ++clauses;
            if (rule->ruleKind() == FRule::Query) ++queries;
            const std::string printed = harness.print(rule.get());
            auto again = Ref<FLogicParser>::make();
            again->setInputString(printed);
            auto reread = Ref<FRule>::adopt(again->parse(harness.table(), &ok));
            ASSERT_NE(reread, nullptr) << printed;
            EXPECT_TRUE(rule->deepEqual(*reread)) << printed;
            EXPECT_EQ(harness.print(reread.get()), printed);
        }
        parser.reset();
        EXPECT_GE(clauses, 8);
        EXPECT_GE(queries, 3);
        EXPECT_EQ(errors.text(), "");
    }
    EXPECT_EQ(files, 6);
}

// Inputs on which the parser once failed (found by fuzzing) parse without a fault.
TEST(FuzzRegressions, ReplayWithoutFault) {
    const auto folder = std::filesystem::path(QUORIN_SOURCE_DIR) / "fuzz" / "regressions";
    ErrorCapture errors;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (!entry.is_regular_file() || entry.path().filename() == "README") continue;
        SCOPED_TRACE(entry.path().filename().string());
        ParserHarness harness;
        harness.parseAll(readFile(entry.path()));
    }
}

}  // namespace
