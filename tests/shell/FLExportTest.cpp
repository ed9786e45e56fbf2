// The F-Logic export: the text of formats 1 and 3, the Kavum arrows, files and the shell forms.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "access/AccessTestSupport.h"
#include "shell/ExportTestSupport.h"
#include "shell/KavumFactsExportHandler.h"
#include "support/Unprivileged.h"

namespace {

namespace fs = std::filesystem;
using dump_test::reportedNames;
using export_test::ExportTest;

class FLExportTest : public ExportTest {
  protected:
    // person[name => string; kids =>> person; rank@(integer) => integer; tags @=>> string],
    // student :: person, ann and bob persons with values of each kind and one undeclared value.
    void people() {
        const InternalName person = obj("person"), ann = obj("ann"), bob = obj("bob");
        sub(obj("student"), person);
        isa(ann, person);
        isa(bob, obj("student"));
        value(person, obj("name"), 6, obj("string"));
        members(person, obj("kids"), 7, {person});
        value(person, obj("rank"), 6, obj("integer"), {obj("integer")});
        members(person, obj("tags"), 8, {obj("string")});
        value(ann, obj("name"), 0, str("Ann"));
        members(ann, obj("kids"), 1, {bob});
        value(ann, obj("rank"), 0, obj("7"), {obj("1")});
        value(ann, obj("nick"), 0, str("An"));
        members(bob, obj("kids"), 1, {obj("carl"), obj("dan"), obj("eve")});
        members(bob, obj("tags"), 2, {str("b")});
    }
};

TEST_F(FLExportTest, FactsAndSignatures) {
    people();
    // bob : student is no line: student declares nothing and appears in no signature.
    EXPECT_EQ(exported(1),
              "ann : person.\n"
              "ann [name -> \"Ann\";\n"
              "  rank@(1) -> 7;\n"
              "  kids ->> {bob}].\n\n"
              "bob : person.\n"
              "bob [kids ->> {carl,\n    dan,\n    eve};\n"
              "  @tags ->> {\"b\"}].\n\n"
              "student :: person.\n\n");
    EXPECT_EQ(exported(3),
              "person [name => (string);\n"
              "  rank@(integer) => (integer);\n"
              "  kids =>> (person);\n"
              "  @tags =>> (string)].\n\n");
}

// An export learns which classes take part in signatures, and the forms of names, for itself:
// the next one, after the signatures changed, finds them anew.
TEST_F(FLExportTest, EachExportFindsTheSignaturesAsTheyAreThen) {
    people();
    const std::string first = exported(1);
    EXPECT_EQ(exported(1), first);
    EXPECT_EQ(first.find("bob : student.\n"), std::string::npos);
    // student becomes a result type: it takes part, and bob's class lines name it.
    value(obj("pet"), obj("owner"), 6, obj("student"));
    value(obj("rex"), obj("owner"), 0, obj("bob"));
    isa(obj("rex"), obj("pet"));
    const std::string second = exported(1);
    EXPECT_NE(second.find("bob : person.\nbob : student.\n"), std::string::npos) << second;
    EXPECT_NE(second.find("rex : pet.\nrex [owner -> bob].\n"), std::string::npos) << second;
    EXPECT_NE(exported(3).find("pet [owner => (student)].\n"), std::string::npos);
}

// A method made for a path is written in parentheses, as the grammar reads it back.
TEST_F(FLExportTest, PathMethodsAreParenthesized) {
    const InternalName person = obj("person"), ann = obj("ann"), bob = obj("bob");
    InternalName boss;
    om->getOrCreateScalarValue(ann, obj("boss"), nullptr, 0, 0, boss);
    isa(bob, person);
    value(person, boss, 6, person);
    value(bob, boss, 0, ann);
    EXPECT_EQ(exported(1), "bob : person.\nbob [(ann.boss) -> ann].\n\n");
    EXPECT_EQ(exported(3), "person [(ann.boss) => (person)].\n\n");
}

TEST_F(FLExportTest, KavumArrows) {
    people();
    EXPECT_EQ(exportWith<KavumFactsExportHandler>(3),
              "person [name NOT IMPLEMENTED (string);\n"
              "  rank@(integer) NOT IMPLEMENTED (integer);\n"
              "  kids => (person);\n"
              "  @tags => (string)].\n\n");
    EXPECT_EQ(om->getDumpTarget(), nullptr);
}

TEST_F(FLExportTest, ShellFormsAndRefusals) {
    people();
    for (const auto& [form, format] : {std::pair{"flogic", 1}, std::pair{"sig", 3}}) {
        const std::string text = exported(format);
        access_test::StringArgs args{form};
        ChannelCapture screen(debugChannel());
        EXPECT_EQ(access->methodCall("export", &args), access);
        EXPECT_EQ(screen.text(), text) << form;
    }
    ErrorCapture errors;
    access_test::StringArgs unknown{"xml", "a", "b", "c"};
    EXPECT_EQ(debugOf([&] { EXPECT_EQ(access->methodCall("export", &unknown), nullptr); }), "");
    EXPECT_EQ(reportedNames(errors), std::vector<std::string>{"NotImplemented"});
    EXPECT_EQ(om->getDumpTarget(), nullptr);
}

class FLExportFileTest : public FLExportTest {
  protected:
    void SetUp() override {
        FLExportTest::SetUp();
        folder = fs::temp_directory_path() / ("quorin-export-" + std::to_string(getpid()));
        fs::create_directories(folder);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
        FLExportTest::TearDown();
    }
    static std::string fileText(const fs::path& path) {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    bool exportTo(const fs::path& file) { return access->exportBase(1, file.string(), "", "", ""); }

    fs::path folder;
};

TEST_F(FLExportFileTest, TheFileHoldsTheLastExportAndTheScreenNothing) {
    people();
    const std::string text = exported(1);
    const fs::path file = folder / "base.flp";
    ChannelCapture screen(debugChannel());
    FLSysOStream* before = debugChannel().currentStream();
    ASSERT_TRUE(exportTo(file));
    value(obj("carl"), obj("name"), 0, str("Carl"));
    isa(obj("carl"), obj("person"));
    const std::string second = debugOf([&] { exported(1); });
    ASSERT_TRUE(exportTo(file));
    EXPECT_NE(fileText(file), text);
    EXPECT_EQ(screen.text(), "");
    EXPECT_EQ(debugChannel().currentStream(), before);
    EXPECT_EQ(om->getDumpTarget(), nullptr);
}

TEST_F(FLExportFileTest, UnwritableFilesAreReported) {
    people();
    ErrorCapture errors;
    const fs::path missing = folder / "no" / "base.flp";
    EXPECT_EQ(debugOf([&] { exportTo(missing); }), "");
    EXPECT_EQ(debugOf([&] { exportTo(folder); }), "");
    EXPECT_EQ(reportedNames(errors),
              (std::vector<std::string>{"Cant Write file", "Cant Write file"}));
    // Mode bits do not stop the superuser: the read-only file is tried as an ordinary user.
    unprivileged::lendFolder(folder.string());
    unprivileged::run([&] {
        ErrorCapture lockedErrors;
        const fs::path locked = folder / "locked.flp";
        std::ofstream(locked) << "kept";
        fs::permissions(locked, fs::perms::owner_read);
        EXPECT_EQ(debugOf([&] { exportTo(locked); }), "");
        EXPECT_EQ(fileText(locked), "kept");
        EXPECT_EQ(reportedNames(lockedErrors), std::vector<std::string>{"Cant Write file"});
    });
}

}  // namespace
