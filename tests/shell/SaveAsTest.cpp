// Saving the object base to a file: the file's text, the debug channel around it, and refusals.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>

#include "language/FParser.h"
#include "language/FRule.h"
#include "objectbase/SymTab.h"
#include "shell/DumpTestSupport.h"
#include "support/Unprivileged.h"

namespace {

namespace fs = std::filesystem;
using dump_test::DumpTest;
using dump_test::reportedNames;

std::string fileText(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class SaveAsTest : public DumpTest {
  protected:
    void SetUp() override {
        DumpTest::SetUp();
        folder = fs::temp_directory_path() / ("quorin-save-" + std::to_string(getpid()));
        fs::create_directories(folder);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(folder / "locked", fs::perms::owner_all, ignored);
        fs::remove_all(folder, ignored);
        DumpTest::TearDown();
    }
    void someFacts() {
        isa(obj("john"), obj("person"));
        value(obj("john"), obj("age"), 0, obj("30"));
    }

    fs::path folder;
};

TEST_F(SaveAsTest, FileHoldsTheDumpAndTheChannelComesBack) {
    someFacts();
    const std::string dumped = debugOf([&] { om->dump(1); });
    ASSERT_FALSE(dumped.empty());

    ErrorCapture errors;
    ChannelCapture screen(debugChannel());
    FLSysOStream* before = debugChannel().currentStream();
    const std::size_t stacked = debugChannel().stackedStreams();
    const fs::path file = folder / "base.flp";
    om->saveAs(1, file.string(), "");
    EXPECT_EQ(fileText(file), dumped);
    EXPECT_EQ(screen.text(), "");
    EXPECT_EQ(debugChannel().currentStream(), before);
    EXPECT_EQ(debugChannel().stackedStreams(), stacked);
    EXPECT_EQ(errors.text(), "");

    // A second save replaces the first.
    om->clear();
    value(obj("ann"), obj("name"), 0, obj("\"Ann\""));
    om->saveAs(1, file.string(), "");
    EXPECT_EQ(fileText(file), "ann [name -> \"Ann\"].\n\n");
}

TEST_F(SaveAsTest, SavingWithoutAnyStreamOnTheChannelLeavesItWithout) {
    someFacts();
    // A channel with no stream at all gets none back, rather than keeping the closed file.
    ASSERT_EQ(debugChannel().currentStream(), nullptr);
    om->saveAs(1, (folder / "plain.flp").string(), "");
    EXPECT_EQ(debugChannel().currentStream(), nullptr);
    EXPECT_NE(fileText(folder / "plain.flp"), "");
}

TEST_F(SaveAsTest, AFileThatCannotBeMadeIsReported) {
    someFacts();
    const std::pair<fs::path, int> targets[] = {{folder / "missing" / "base.flp", ENOENT},
                                                {folder, EISDIR}};
    for (const auto& [target, cause] : targets) {
        ErrorCapture errors;
        Error::setOutputFilter(2);
        ChannelCapture screen(debugChannel());
        om->saveAs(1, target.string(), "");
        EXPECT_EQ(errors.text(), "\n*** ERROR : Can't write to " + target.string() + ": " +
                                     std::strerror(cause) + "\n\n");
        EXPECT_EQ(centralErrorHandler().getError().getNumber(), 20);
        EXPECT_EQ(screen.text(), "");
    }
    EXPECT_FALSE(fs::exists(folder / "missing"));
}

TEST_F(SaveAsTest, AWriteThatFailsIsReported) {
    // /dev/full opens for writing but refuses every byte.
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    someFacts();
    ErrorCapture errors;
    om->saveAs(1, "/dev/full", "");
    EXPECT_EQ(reportedNames(errors), std::vector<std::string>{"Cant Write file"});
}

TEST_F(SaveAsTest, AReadOnlyFileIsLeftAlone) {
    // Mode bits do not stop the superuser from writing: the file is tried as an ordinary user.
    someFacts();
    unprivileged::lendFolder(folder.string());
    unprivileged::run([&] {
        const fs::path file = folder / "locked";
        std::ofstream(file) << "old";
        fs::permissions(file, fs::perms::owner_read);
        ErrorCapture errors;
        om->saveAs(1, file.string(), "");
        EXPECT_EQ(reportedNames(errors), std::vector<std::string>{"Cant Write file"});
        EXPECT_EQ(fileText(file), "old");
    });
}

TEST_F(SaveAsTest, AnEmptyBaseOnlyWarns) {
    const fs::path file = folder / "kept.flp";
    std::ofstream(file) << "old";
    ErrorCapture errors;
    EXPECT_EQ(debugOf([&] { om->saveAs(1, file.string(), ""); }), "*** WARNING: OM is empty\n");
    EXPECT_EQ(fileText(file), "old");
    debugOf([&] { om->saveAs(1, (folder / "new.flp").string(), ""); });
    EXPECT_FALSE(fs::exists(folder / "new.flp"));
    EXPECT_EQ(debugOf([&] { om->dump(1); }), "OM is empty\n");
    EXPECT_EQ(errors.text(), "");
}

// Terms built at run time can be nested far deeper than any clause the parser takes: a list of
// 20,000 cells and a function term 100,000 deep are written whole by the dump and the save, and
// the saved clauses that are too deep to read back are refused as such, the others read back as
// written.
TEST_F(SaveAsTest, TermsOfAnyDepthAreDumpedAndSavedWhole) {
    constexpr int cells = 20000;
    constexpr int depth = 100000;
    constexpr int readable = 1000;
    const InternalName a = obj("a");
    const InternalName z = obj("z");
    InternalName list = builtinObject::Nil;
    std::string listText = "[a";
    for (int n = 1; n < cells; ++n) listText += ",a";
    listText += "]";
    InternalName shortList = list;
    for (int n = 1; n <= cells; ++n) {
        InternalName cell[] = {a, list};
        om->getFunctionObject(builtinSymbol::Cons, cell, 2, list);
        if (n == readable) shortList = list;
    }
    InternalName term = z;
    InternalName shortTerm = z;
    const FSymbol f = function("f", 1);
    for (int n = 1; n <= depth; ++n) {
        om->getFunctionObject(f, &term, 1, term);
        if (n == readable) shortTerm = term;
    }
    std::string termText;
    for (int n = 0; n < depth; ++n) termText += "f(";
    termText += "z";
    termText.append(depth, ')');
    EXPECT_EQ(lex(list), listText);
    EXPECT_EQ(lex(term), termText);
    om->addPredicate(pred("p", 1), &list, 1);
    om->addPredicate(pred("q", 1), &term, 1);
    om->addPredicate(pred("r", 1), &shortList, 1);
    om->addPredicate(pred("s", 1), &shortTerm, 1);

    const std::string dumped = debugOf([&] { om->dump(1); });
    EXPECT_NE(dumped.find("p(" + listText + ").\n"), std::string::npos);
    EXPECT_NE(dumped.find("q(" + termText + ").\n"), std::string::npos);
    const fs::path file = folder / "deep.flp";
    om->saveAs(1, file.string(), "");
    const std::string saved = fileText(file);
    EXPECT_EQ(saved, dumped);

    // Read back: the deep clauses are refused with a report, the others come back as written.
    ErrorCapture errors;
    auto table = Ref<SymTab>::make();
    table->initBuiltinSymbols();
    auto parser = Ref<FLogicParser>::make();
    parser->setInputString(saved);
    std::vector<std::string> read;
    int refused = 0;
    while (!parser->atEnd()) {
        int ok = 0;
        auto rule = Ref<FRule>::adopt(parser->parse(table.get(), &ok));
        if (ok == 0) ++refused;
        if (rule == nullptr) continue;
        OutputChannel channel;
        ChannelCapture capture(channel);
        rule->print(channel, table.get(), rule->getSymTab());
        read.push_back(capture.text());
    }
    parser.reset();
    table.reset();
    // Each deep clause is refused at least once (the parser may stumble on over its rest).
    EXPECT_GE(refused, 2);
    EXPECT_NE(errors.text(), "");
    ASSERT_EQ(read.size(), 2u);
    EXPECT_NE(saved.find(read[0]), std::string::npos);
    EXPECT_NE(saved.find(read[1]), std::string::npos);
}

}  // namespace
