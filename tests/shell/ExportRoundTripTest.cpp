// A base read from F-Logic text, exported as signatures and facts and read back into an empty
// base, exports the same statements and keeps the characters of its strings.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "eval/EvalHarness.h"
#include "shell/ShellDumpFormatters.h"
#include "shell/ShellExportHandlers.h"

namespace {

using eval_test::EvalHarness;
using eval_test::Lines;

// Signatures with and without arguments, a subclass chain, values of the types "->" and "->>"
// with and without arguments, sets of one and three members, an undeclared value, and strings
// with a tab, a line feed, a double quote, a backslash and a backspace.
const char* const source = R"(
person[name => string; age => integer; kids =>> person; note =>> string;
       score@(integer) => integer; likes@(person) =>> person].
student :: person. phd :: student.
student[school => string].
ann : person. bob : student. carl : phd. dan : person.
ann[name -> "Ann"; age -> 40; kids ->> {bob}; score@(1) -> 7; score@(2) -> 9;
    likes@(bob) ->> {carl, dan, ann}; nick -> "An"].
bob[name -> "tab\there"; kids ->> {carl, dan, ann}; school -> "line\nfeed"; likes@(ann) ->> {ann}].
carl[name -> "say \"hi\""; note ->> {"back\\slash", "back\bspace", "all \t\n\"\\\b"}].
)";

class ExportRoundTripTest : public ::testing::Test {
  protected:
    static std::string exportOf(EvalHarness& base, int format) {
        base.om->useDumpFormatters(shellDumpFormatters());
        base.access->useExportHandlers(shellExportHandlers());
        ChannelCapture capture(debugChannel());
        base.access->exportBase(format, "", "", "", "");
        return capture.text();
    }

    // One line for each class line and each frame entry, set members sorted: what a statement
    // says, whatever order the identifiers of the base give its objects, entries and members.
    static Lines statements(const std::string& text) {
        Lines lines;
        for (std::size_t at = 0; at < text.size();) {
            std::size_t end = text.find(".\n", at);
            if (end == std::string::npos) end = text.size();
            std::string statement = text.substr(at, end - at);
            at = end + 2;
            statement.erase(0, statement.find_first_not_of('\n'));
            if (statement.empty()) continue;
            const std::size_t open = statement.find(" [");
            if (open == std::string::npos || statement.back() != ']') {
                lines.push_back(statement);
                continue;
            }
            const std::string host = statement.substr(0, open);
            const std::string body = statement.substr(open + 2, statement.size() - open - 3);
            for (std::string entry : split(body, ";\n  ")) {
                const std::size_t list = memberListAt(entry);
                if (list != std::string::npos) {
                    Lines members =
                        split(entry.substr(list + 1, entry.size() - list - 2), ",\n    ");
                    std::sort(members.begin(), members.end());
                    entry.erase(list + 1);
                    const char close = entry[list] == '{' ? '}' : ')';
                    for (const std::string& member : members) entry += member + ",";
                    entry.back() = close;
                }
                lines.push_back(host + " [" + entry + "]");
            }
        }
        std::sort(lines.begin(), lines.end());
        return lines;
    }

    // Where the bracket of an entry's members or classes stands; npos for a single value.
    static std::size_t memberListAt(const std::string& entry) {
        for (const std::string arrow : {" ->> {", " =>> (", " => ("}) {
            const std::size_t at = entry.find(arrow);
            if (at != std::string::npos) return at + arrow.size() - 1;
        }
        return std::string::npos;
    }

    static Lines split(const std::string& text, const std::string& separator) {
        Lines parts;
        std::size_t at = 0;
        for (std::size_t next; (next = text.find(separator, at)) != std::string::npos;
             at = next + separator.size())
            parts.push_back(text.substr(at, next - at));
        parts.push_back(text.substr(at));
        return parts;
    }
};

TEST_F(ExportRoundTripTest, SignaturesAndFactsReadBackToTheSameStatements) {
    EvalHarness first;
    ASSERT_EQ(first.run(source), 1);
    const std::string signatures = exportOf(first, 3);
    const std::string facts = exportOf(first, 1);
    EXPECT_NE(facts.find(R"("say \"hi\"")"), std::string::npos) << facts;
    EXPECT_NE(facts.find(R"("all \t\n\"\\\b")"), std::string::npos) << facts;
    EXPECT_EQ(facts.find("nick"), std::string::npos) << facts;

    EvalHarness second;
    ErrorCapture errors;
    ASSERT_EQ(second.run(signatures + facts), 1);
    EXPECT_EQ(errors.text(), "");
    EXPECT_EQ(statements(exportOf(second, 3)), statements(signatures));
    EXPECT_EQ(statements(exportOf(second, 1)), statements(facts));

    // The strings hold the same characters in both bases: a quote is one character.
    const std::string lengths = "?- carl[name -> X], strlen(X, N).";
    EXPECT_EQ(first.ask(lengths), (Lines{R"(N=8, X="say "hi"")"}));
    EXPECT_EQ(second.ask(lengths), first.ask(lengths));
    const std::string notes = "?- carl[note ->> {X}], strlen(X, N).";
    EXPECT_EQ(second.ask(notes), first.ask(notes));
}

}  // namespace
