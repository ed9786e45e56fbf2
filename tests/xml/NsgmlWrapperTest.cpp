// Tests of the parser application: event streams of whole documents, options, offline parsing and
// runs in a row.
#include <gtest/gtest.h>

#include <cstdio>

#include "support/LoopbackServer.h"
#include "xml/NsgmlTestSupport.h"
#include "xml/NsgmlWrapper.h"
#include "xml/XmlDeclaration.h"

namespace {

using namespace nsgmltest;

std::string data(const std::string& name) {
    return (dataDir() / name).string();
}

// Lines of a stream that start with the given command text.
std::vector<std::string> linesStarting(const std::string& stream, const std::string& prefix) {
    std::vector<std::string> lines;
    std::istringstream in(stream);
    for (std::string line; std::getline(in, line);) {
        if (line.compare(0, prefix.size(), prefix) == 0) {
            lines.push_back(line);
        }
    }
    return lines;
}

TEST(NsgmlWrapperTest, EncodingDeclarationIsHonouredAndTheStreamIsUtf8) {
    ParseRun run;
    // The document holds byte 0xE9 under a Latin-1 declaration; the stream holds UTF-8.
    RunResult result = run.run(run.xmlArgs(data("latin1.xml")));
    EXPECT_EQ(result.status, 0) << result.errors;
    EXPECT_EQ(linesStarting(result.stream, "-"), std::vector<std::string>{"-caf\xC3\xA9"});
}

TEST(NsgmlWrapperTest, DoctypeLinesFollowTheIdentifiersGiven) {
    ParseRun run;
    writeFile(run.path("public.cat"), "OVERRIDE YES\nPUBLIC \"-//Quorin Test//DTD Note//EN\" \"" +
                                          data("note.dtd") + "\"\n");
    // Both identifiers: "s " then "p "; the DTD comes from the public identifier's catalog entry,
    // as the defaulted attribute shows.
    RunResult both =
        run.run(run.xmlArgs(data("public.xml"), {"-c" + run.path("public.cat").string()}));
    EXPECT_EQ(both.status, 0) << both.errors;
    EXPECT_EQ(both.stream,
              "?xml version=\"1.0\"\ns absent-note.dtd\np -//Quorin Test//DTD Note//EN\n"
              "!doctype note\nAkind CDATA plain\n(note\n-found\n)note\nC\n");
    // No identifier at all: the doctype line alone.
    RunResult none = run.run(run.xmlArgs(data("internal.xml")));
    EXPECT_EQ(none.stream, "!doctype note\n(note\n-inside\n)note\nC\n");
}

TEST(NsgmlWrapperTest, ConformanceLineOnlyAfterAnErrorFreeParse) {
    ParseRun run;
    RunResult result = run.run(run.xmlArgs(data("invalid.xml")));
    EXPECT_NE(result.status, 0);
    EXPECT_NE(result.errors.find("stray"), std::string::npos) << result.errors;
    // The document is written all the same, without the final "C".
    EXPECT_EQ(result.stream, "!doctype note\n(note\n-text\n(stray\n)stray\n)note\n");
}

// A reference to an ID no element carries and an ID given twice: with an error file both are
// reported; with the messages going to the null device the parser may leave the references
// unchecked, and the stream is the same (the ID given twice still keeps the final "C" away).
TEST(NsgmlWrapperTest, DanglingReferencesAreReportedWhereMessagesAreRead) {
    ParseRun run;
    const std::string doc = run.path("refs.xml").string();
    writeFile(doc,
              "<?xml version=\"1.0\"?>\n<!DOCTYPE r [\n<!ELEMENT r (e)*>\n<!ELEMENT e EMPTY>\n"
              "<!ATTLIST e id ID #IMPLIED to IDREF #IMPLIED all IDREFS #IMPLIED>\n]>\n"
              "<r><e id=\"a\" to=\"b\"/><e id=\"b\" all=\"a nowhere b\"/><e to=\"gone\"/>"
              "<e id=\"a\"/></r>\n");
    const RunResult reported = run.run(run.xmlArgs(doc));
    EXPECT_NE(reported.status, 0);
    EXPECT_NE(reported.errors.find("nowhere"), std::string::npos) << reported.errors;
    EXPECT_NE(reported.errors.find("gone"), std::string::npos) << reported.errors;
    EXPECT_EQ(reported.errors.find("\"b\""), std::string::npos) << reported.errors;
    EXPECT_NE(reported.errors.find("ID \"a\" already defined"), std::string::npos)
        << reported.errors;
    EXPECT_EQ(linesStarting(reported.stream, "C").size(), 0u);

    std::vector<std::string> discarding = run.xmlArgs(doc);
    discarding[1] = "-f/dev/null";
    const RunResult discarded = run.run(discarding);
    EXPECT_EQ(discarded.stream, reported.stream);
}

TEST(NsgmlWrapperTest, SgmlDocumentWithEveryOutputOption) {
    ParseRun run;
    RunResult result =
        run.run({"  ", "-f" + run.errorFile(), "-E0", "-c" + run.catalog().string(), "-oid",
                 "-oentity", "-oline", "-oincluded", "-oempty", data("memo.sgml")});
    EXPECT_EQ(result.status, 0) << result.errors;
    EXPECT_EQ(maskDataDir(result.stream), readFile(dataDir() / "memo.esis"));
}

TEST(NsgmlWrapperTest, NonSgmlCharactersAndNotationFilesOnlyWhenAsked) {
    ParseRun run;
    auto args = [&](const std::string& option, const std::string& document) {
        return std::vector<std::string>{
            "  ", "-f" + run.errorFile(), "-E0", "-c" + run.catalog().string(), option, document};
    };
    auto xml = [&](const std::string& option) {
        return std::vector<std::string>{
            "  ",    "-f" + run.errorFile(), "-E0", std::string("-c") + builtinXmlCatalog, option,
            "-wxml", data("nonsgml.xml")};
    };
    // Character 1 is no XML character: it is left out, or marked with the non-SGML option.
    RunResult plain = run.run(xml("-oid"));
    EXPECT_EQ(linesStarting(plain.stream, "Av"), std::vector<std::string>{"Av CDATA xy"});
    EXPECT_EQ(linesStarting(plain.stream, "-"), std::vector<std::string>{"-ab"});
    RunResult marked = run.run(xml("-ononsgml"));
    EXPECT_EQ(linesStarting(marked.stream, "Av"), std::vector<std::string>{"Av CDATA x\\%1;y"});
    EXPECT_EQ(linesStarting(marked.stream, "-"), std::vector<std::string>{"-a\\%1;b"});

    // Without the entity option the definitions come just before their first use.
    RunResult memo = run.run(args("-onotation-sysid", data("memo.sgml")));
    std::string stream = maskDataDir(memo.stream);
    size_t from = stream.find("later\n") + 6;
    EXPECT_EQ(stream.substr(from, stream.find("(FIG") - from),
              "sviewer\nfDATA/viewer\nNGIF\nslogo.gif\nfDATA/logo.gif\nElogo NDATA GIF\n"
              "ASRC ENTITY logo\n");
}

TEST(NsgmlWrapperTest, SgmlLinkAttributesAndSubdocuments) {
    ParseRun run;
    // An implicit link type activated by name: its attributes come before the element's own.
    RunResult link = run.run({"  ", "-f" + run.errorFile(), "-E0", "-alnk",
                              "-c" + run.catalog().string(), data("link.sgml")});
    EXPECT_EQ(link.status, 0) << link.errors;
    EXPECT_EQ(link.stream, readFile(dataDir() / "link.esis"));
    // A subdocument is defined, then parsed in place between "{" and "}".
    RunResult whole = run.run(
        {"  ", "-f" + run.errorFile(), "-E0", "-c" + run.catalog().string(), data("whole.sgml")});
    EXPECT_EQ(whole.status, 0) << whole.errors;
    EXPECT_EQ(maskDataDir(whole.stream), readFile(dataDir() / "whole.esis"));
}

TEST(NsgmlWrapperTest, ParseStoppedEarlyLeavesWhatWasWritten) {
    ParseRun run;
    std::vector<std::string> args = run.xmlArgs(data("stops.xml"));
    args[2] = "-E1";  // stop at the first error
    RunResult result = run.run(args);
    EXPECT_NE(result.status, 0);
    EXPECT_EQ(result.stream.rfind("!doctype list\n(list\n(item\n-one\n)item\n", 0), 0u)
        << result.stream;
    EXPECT_EQ(result.stream.find("two"), std::string::npos) << result.stream;
    EXPECT_EQ(result.stream.back(), '\n');
}

// A document whose elements carry an attribute naming "&a4;" (110,000 characters) `uses`
// times within one value, `elements` times over.
std::string attributeBomb(int uses, int elements) {
    std::string doc =
        "<?xml version=\"1.0\"?>\n<!DOCTYPE r [\n<!ELEMENT r (e)*>\n<!ELEMENT e EMPTY>\n"
        "<!ATTLIST e v CDATA #IMPLIED>\n<!ENTITY a0 \"lol lol lol\">\n";
    for (int level = 1; level <= 4; ++level) {
        std::string ten;
        for (int i = 0; i < 10; ++i) ten += "&a" + std::to_string(level - 1) + ";";
        doc += "<!ENTITY a" + std::to_string(level) + " \"" + ten + "\">\n";
    }
    std::string value;
    for (int i = 0; i < uses; ++i) value += "&a4;";
    doc += "]>\n<r>";
    for (int i = 0; i < elements; ++i) doc += "<e v=\"" + value + "\"/>";
    return doc + "</r>\n";
}

// A run of the document "doc.xml" of its folder under the given memory budget of the parser.
struct BoundedRun {
    explicit BoundedRun(std::uint64_t parserMemory = EntityPolicy::defaultParserMemory,
                        std::uint64_t prologMemory = EntityPolicy::defaultParserPrologMemory) {
        wrapper.setOutputFile(out.c_str());
        EntityPolicy policy;
        policy.documentFile = doc;
        policy.folder = documentFolder(doc);
        policy.parserMemory = parserMemory;
        policy.parserPrologMemory = prologMemory;
        wrapper.setEntityPolicy(policy);
    }
    RunResult parse(const std::string& text) {
        writeFile(doc, text);
        return run.run(wrapper, run.xmlArgs(doc));
    }

    ParseRun run;
    const std::string doc = run.path("doc.xml").string();
    const std::string out = run.streamFile();
    NsgmlWrapper wrapper;
};

// The bound counts the whole document: every reference adds its entity's characters again,
// whether the entity is internal or external, in content or in attribute values.
TEST(NsgmlWrapperTest, RepeatedReferencesCountTowardsTheBoundTogether) {
    BoundedRun bounded;
    const std::string thousand(1000, 'A');
    auto repeated = [&](int uses) {
        std::string refs;
        for (int i = 0; i < uses; ++i) refs += "&a;";
        return "<?xml version=\"1.0\"?>\n<!DOCTYPE r [<!ENTITY a \"" + thousand + "\">]>\n<r><t>" +
               refs + "</t></r>\n";
    };
    // 10,000 uses of 1,000 characters: under 10 MB.
    const RunResult under = bounded.parse(repeated(10000));
    EXPECT_EQ(bounded.wrapper.lastStop(), ParseStop::none);
    EXPECT_GT(under.stream.size(), 10000000u);
    // 20,000: twice the bound; the stream stops at it.
    const RunResult over = bounded.parse(repeated(20000));
    EXPECT_EQ(bounded.wrapper.lastStop(), ParseStop::entityBound);
    EXPECT_LT(over.stream.size(), EntityPolicy::defaultMaxExpandedBytes + 65536);

    // An external entity of the document's folder, 1 MB, used 30 times.
    writeFile(bounded.run.path("big.txt"), std::string(1 << 20, 'B'));
    std::string refs;
    for (int i = 0; i < 30; ++i) refs += "<t>&big;</t>";
    bounded.parse(
        "<?xml version=\"1.0\"?>\n<!DOCTYPE r [<!ENTITY big SYSTEM \"big.txt\">]>\n"
        "<r>" +
        refs + "</r>\n");
    EXPECT_EQ(bounded.wrapper.lastStop(), ParseStop::entityBound);

    // 200 elements with a value of 100 uses: 20 M characters in attribute values.
    std::string value;
    for (int i = 0; i < 100; ++i) value += "&a;";
    std::string elements;
    for (int i = 0; i < 200; ++i) elements += "<e v=\"" + value + "\"/>";
    bounded.parse(
        "<?xml version=\"1.0\"?>\n<!DOCTYPE r [<!ELEMENT r (e)*><!ELEMENT e EMPTY>"
        "<!ATTLIST e v CDATA #IMPLIED><!ENTITY a \"" +
        thousand + "\">]>\n<r>" + elements + "</r>\n");
    EXPECT_EQ(bounded.wrapper.lastStop(), ParseStop::entityBound);
}

// An entity that references itself through another makes the document not well-formed, at the
// line of the reference; an external entity's text is its file's text, nothing before it.
TEST(NsgmlWrapperTest, RecursiveEntitiesStopTheParseAndExternalTextIsTheFiles) {
    BoundedRun bounded;
    bounded.parse(
        "<?xml version=\"1.0\"?>\n<!DOCTYPE r [\n<!ENTITY a \"x&b;\">\n"
        "<!ENTITY b \"y&a;\">\n]>\n<r>\n<t>&a;</t>\n</r>\n");
    EXPECT_EQ(bounded.wrapper.lastStop(), ParseStop::recursiveEntity);
    EXPECT_EQ(bounded.wrapper.lastStopLine(), 7u);

    writeFile(bounded.run.path("part.txt"), "OWN-FOLDER\n");
    const RunResult own = bounded.parse(
        "<?xml version=\"1.0\"?>\n<!DOCTYPE r [<!ENTITY p SYSTEM \"part.txt\">]>"
        "\n<r><t>[&p;]</t></r>\n");
    EXPECT_EQ(bounded.wrapper.lastStop(), ParseStop::none);
    EXPECT_EQ(linesStarting(own.stream, "-"), std::vector<std::string>{"-[OWN-FOLDER\\n]"});
}

// The characters entities give attribute values count towards the bound on expanded text.
TEST(NsgmlWrapperTest, EntitiesInAttributeValuesCountTowardsTheBound) {
    BoundedRun bounded;
    // 80 values of 110,000 characters: 8.8 M characters, under the bound.
    RunResult under = bounded.parse(attributeBomb(1, 80));
    EXPECT_EQ(bounded.wrapper.lastStop(), ParseStop::none);
    EXPECT_EQ(under.status, 0) << under.errors;
    EXPECT_EQ(linesStarting(under.stream, "Av CDATA lol").size(), 80u);

    // 100 of them: 11 M characters, over it; the stream stops before the bound.
    RunResult over = bounded.parse(attributeBomb(1, 100));
    EXPECT_EQ(bounded.wrapper.lastStop(), ParseStop::entityBound);
    EXPECT_LT(over.stream.size(), EntityPolicy::defaultMaxExpandedBytes);
}

// One value naming many entities, each under the bound, is built whole in the parser's memory
// before any event comes; the parser's process is stopped at its memory budget instead, which
// is a limit of its own.
TEST(NsgmlWrapperTest, OneValueNamingManyLargeEntitiesEndsAtTheParsersMemoryBudget) {
    // 24 MB beyond what the prolog left; the prolog itself may take 320 MB in all.
    BoundedRun bounded(24 * 1024 * 1024, 320 * 1024 * 1024);
    // 2 uses (220,000 characters) fit the budget.
    RunResult fits = bounded.parse(attributeBomb(2, 1));
    EXPECT_EQ(bounded.wrapper.lastStop(), ParseStop::none);
    EXPECT_EQ(fits.status, 0) << fits.errors;

    // 60 uses: 6.6 M characters, under the bound on characters, but four bytes each and more
    // in the parser's memory. Should the budget fail, the value is still only tens of MB.
    bounded.parse(attributeBomb(60, 1));
    EXPECT_EQ(bounded.wrapper.lastStop(), ParseStop::parserMemory);
    EXPECT_GT(bounded.wrapper.lastMemoryNeeded(), 24u * 1024 * 1024);

    // The same value as the attribute's default is built while the DTD is read, before the
    // prolog ends.
    std::string defaulted = attributeBomb(0, 1);
    std::string value;
    for (int i = 0; i < 1000; ++i) value += "&a4;";
    defaulted.replace(defaulted.find("]>"), 2, "<!ATTLIST e w CDATA \"" + value + "\">\n]>");
    bounded.parse(defaulted);
    EXPECT_EQ(bounded.wrapper.lastStop(), ParseStop::parserMemory);
    EXPECT_EQ(bounded.wrapper.lastMemoryNeeded(), 320u * 1024 * 1024);
}

// Only a document whose head shows no document type declaration is parsed without the child
// process: whatever may declare entities is confined.
TEST(NsgmlWrapperTest, OnlyADocumentWithoutDeclarationIsKnownToHaveNoEntities) {
    ParseRun run;
    const std::string doc = run.path("head.xml").string();
    auto mayDeclare = [&](const std::string& text) {
        writeFile(doc, text);
        return mayDeclareEntities(doc);
    };
    EXPECT_FALSE(mayDeclare("<r/>"));
    EXPECT_FALSE(
        mayDeclare("\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<!-- a <!DOCTYPE> -->\n"
                   "<?pi x?>\r\n<r a=\"&e;\"/>"));
    EXPECT_TRUE(mayDeclare("<?xml version=\"1.0\"?>\n<!DOCTYPE r [<!ENTITY e \"x\">]><r/>"));
    EXPECT_TRUE(mayDeclare("<!-- a --><!doctype r SYSTEM \"r.dtd\"><r/>"));
    // An instruction holding ">" leaves text behind it; so does an unclosed comment.
    EXPECT_TRUE(mayDeclare("<?pi a>b?><!DOCTYPE r []><r/>"));
    EXPECT_TRUE(mayDeclare("<!-- <r/>"));
    // UTF-16: the markup is not readable byte by byte.
    EXPECT_TRUE(mayDeclare(std::string("\xFF\xFE<\0r\0/\0>\0", 10)));
    // A head of only blanks and comments, longer than what is read.
    EXPECT_TRUE(mayDeclare(std::string(70000, ' ') + "<!DOCTYPE r []><r/>"));
    EXPECT_TRUE(mayDeclare("  "));
    // A file that cannot be read has nothing to declare; the parser reports it.
    EXPECT_FALSE(mayDeclareEntities(run.path("none.xml").string()));
}

TEST(NsgmlWrapperTest, HtmlPageTypesIdsAsTokensWithItsDtdFromTheCatalog) {
    ParseRun run;
    writeFile(run.catalog(),
              "SGMLDECL \"/usr/share/sgml/html/dtd/4.01/HTML4.decl\"\n\n\n"
              "DOCTYPE HTML \"/usr/share/sgml/html/dtd/4.01/loose.dtd\"\n");
    RunResult result = run.run(run.htmlArgs(data("page.html")));
    // Attributes the page never gave come from the DTD, so the catalog's entry was read.
    EXPECT_EQ(linesStarting(result.stream, "AVERSION"),
              std::vector<std::string>{"AVERSION CDATA -//W3C//DTD HTML 4.01 Transitional//EN"});
    EXPECT_EQ(linesStarting(result.stream, "AID TOKEN"),
              (std::vector<std::string>{"AID TOKEN INTRO", "AID TOKEN N1"}));
    EXPECT_TRUE(linesStarting(result.stream, "AID ID").empty());
    EXPECT_EQ(linesStarting(result.stream, "AHREF "),
              std::vector<std::string>{"AHREF CDATA next.html"});
}

TEST(NsgmlWrapperTest, OutputOptionNamesMatchExactly) {
    ParseRun run;
    for (const char* name : {"ID", "bogus"}) {
        RunResult result = run.run(
            {"  ", "-f" + run.errorFile(), "-E0", "-o" + std::string(name), data("internal.xml")});
        EXPECT_NE(result.status, 0) << name;
        EXPECT_NE(result.errors.find(name), std::string::npos) << result.errors;
        EXPECT_EQ(result.stream, "") << name;
    }
}

TEST(NsgmlWrapperTest, BatchModeAndRastAreRefused) {
    ParseRun run;
    for (std::vector<std::string> options :
         {std::vector<std::string>{"-B"},
          std::vector<std::string>{"-t", run.path("rast").string()}}) {
        std::vector<std::string> args{"  ", "-f" + run.errorFile()};
        args.insert(args.end(), options.begin(), options.end());
        args.push_back(data("internal.xml"));
        RunResult result = run.run(args);
        EXPECT_NE(result.status, 0);
        EXPECT_NE(result.errors.find("not supported"), std::string::npos) << result.errors;
    }
}

TEST(NsgmlWrapperTest, DtdNamedByUrlIsRefusedWithoutConnecting) {
    loopback::Server server;
    ParseRun run;
    std::string url = server.url("/remote.dtd");
    writeFile(run.path("remote.xml"),
              "<!DOCTYPE page SYSTEM \"" + url + "\">\n<page><p>still here</p></page>\n");
    RunResult result = run.run(run.xmlArgs(run.path("remote.xml").string()));
    EXPECT_EQ(server.requests(), 0);
    EXPECT_NE(result.errors.find(url), std::string::npos) << result.errors;
    EXPECT_EQ(linesStarting(result.stream, "-"), std::vector<std::string>{"-still here"});
}

TEST(NsgmlWrapperTest, RunsInARowKeepNothingOfEachOther) {
    ParseRun run;
    NsgmlWrapper wrapper;
    std::string out = run.streamFile();
    wrapper.setOutputFile(out.c_str());
    RunResult first = run.run(wrapper, run.xmlArgs(data("shelf.xml")));
    // The HTML page's catalog is written between the runs, as the import does.
    writeFile(run.catalog(),
              "SGMLDECL \"/usr/share/sgml/html/dtd/4.01/HTML4.decl\"\n\n\n"
              "DOCTYPE HTML \"/usr/share/sgml/html/dtd/4.01/loose.dtd\"\n");
    RunResult html = run.run(wrapper, run.htmlArgs(data("page.html")));
    writeFile(run.catalog(), "\n\n\n\n");
    RunResult again = run.run(wrapper, run.xmlArgs(data("shelf.xml")));

    // The XML document gives the hand-written stream.
    EXPECT_EQ(first.status, 0) << first.errors;
    EXPECT_EQ(first.stream, readFile(dataDir() / "shelf.esis"));
    // Neither the XML catalog nor "-oid" of the first run reaches the page; its catalog does.
    EXPECT_EQ(linesStarting(html.stream, "AID TOKEN").size(), 2u);
    EXPECT_EQ(linesStarting(html.stream, "AVERSION").size(), 1u);
    EXPECT_EQ(again.stream, first.stream);
}

TEST(NsgmlWrapperTest, UnwritableOutputFileFailsTheRun) {
    ParseRun run;
    NsgmlWrapper wrapper;
    std::string out = run.path("missing-folder/stream").string();
    wrapper.setOutputFile(out.c_str());
    // Standard output goes to a file for the run, to see that nothing lands there.
    StdoutCapture captured(run.path("stdout").string());
    RunResult result = run.run(wrapper, run.xmlArgs(data("shelf.xml")));
    EXPECT_EQ(captured.text(), "");
    EXPECT_NE(result.status, 0);
    EXPECT_NE(result.errors.find(out), std::string::npos) << result.errors;
}

TEST(NsgmlWrapperTest, WithoutOutputFileTheStreamGoesToStandardOutput) {
    ParseRun run;
    NsgmlWrapper wrapper;
    StdoutCapture captured(run.path("stdout").string());
    RunResult result = run.run(wrapper, run.xmlArgs(data("internal.xml")));
    EXPECT_EQ(captured.text(), "!doctype note\n(note\n-inside\n)note\nC\n");
    EXPECT_EQ(result.status, 0) << result.errors;
}

}  // namespace
