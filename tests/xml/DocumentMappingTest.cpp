// The DTD-driven mapping, references, HTML pages, the DTD lookup and the characters of values.
#include "ImportTestSupport.h"

namespace import_test {
namespace {

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class MappingTest : public ImportTest {
  protected:
    void signature(const std::string& cls, const std::string& method, int type,
                   const std::string& result) {
        access->insertValue(named(cls), named(method), nullptr, 0, MethodType(type), named(result));
    }
    // The built-in classes by their names, other names as symbols.
    InternalName named(const std::string& name) {
        if (name == "object") return builtinObject::Object;
        if (name == "string") return builtinObject::String;
        if (name == "literal") return builtinObject::Literal;
        InternalName out;
        return access->internName(out, name, 1);
    }
};

TEST_F(MappingTest, XmlWithoutDtdDemand) {
    ParseRequest r = request(5, 1, 1, 1);
    r.mapping = 1;
    importData("lib.xml", r);
    EXPECT_EQ(reports(errors), "");
    expectDump("lib-xml.dump");
}

// One reference is single-valued; the two of a list are members of a set, never equated.
TEST_F(MappingTest, SgmlReferencesAreSingleValuedUnlessAListGivesSeveral) {
    importData("lib.xml", request(4, 1));
    const std::string facts = dump();
    EXPECT_TRUE(has(facts, "see -> ")) << facts;
    EXPECT_TRUE(has(facts, "see ->> {f0_55,")) << facts;
    EXPECT_FALSE(has(facts, "is equated")) << facts;
    EXPECT_FALSE(has(facts, "pcdata")) << facts;
    EXPECT_FALSE(has(facts, "child@")) << facts;
}

TEST_F(MappingTest, SignaturesChooseArrowsAndClasses) {
    access->insertClassRelation(builtinObject::String, builtinObject::Literal,
                                IsaRelation::Subclass);
    signature("object", "name", 6, "string");
    signature("object", "book", 7, "bookc");
    signature("bookc", "note", 6, "notec");
    signature("bookc", "year", 6, "string");
    signature("bookc", "id", 6, "id");
    signature("bookc", "see", 7, "object");
    signature("bookc", "pcdata", 7, "string");
    signature("notec", "pcdata", 6, "string");
    ParseRequest r = request(5, 1, 1);
    r.dtdDemand = named("schema");
    importData("lib.xml", r);
    const std::string missing =
        "*** WARNING : Signature not Found\n"
        "Undefined Signature: object.misc. Assuming setData.\n"
        "NsgmlHandler::lookupSignature\n";
    EXPECT_EQ(reports(errors), missing + missing);
    expectDump("lib-signatures.dump");
}

TEST_F(MappingTest, DtdObjectNamesMethodsAndClasses) {
    const InternalName x = named("x");
    access->insertValue(x, named("b"), nullptr, 0, MethodType::Scalar, named("xb"));
    signature("object", "xb", 7, "bc");
    ParseRequest r = request(6, 0, 1, 1);
    r.dtdDemand = named("schema");
    r.dtdObject = x;
    importStream("(A\n(B\n-t\n)B\n)A\n", r);
    EXPECT_TRUE(has(reports(errors),
                    "*** WARNING : Undefined MethodClass\n"
                    "Undefined Method Application x text()\n"
                    "NsgmlHandler::lookupArrowType\n"))
        << reports(errors);
    expectDump("dtd-object.dump");
}

TEST_F(MappingTest, ReferencesResolveWhereTheyCan) {
    importStream("Aid ID x\n(A\nAr IDREF x y  z\n(B\n)B\n)A\n", request(5, 1, 1));
    const std::string undefined = "*** ERROR : Undefined Reference\nundefined Reference ";
    const std::string where = "\nNsgmlHandler::resolveReferences\n";
    EXPECT_EQ(reports(errors),
              undefined + "y" + where + undefined + where + undefined + "z" + where);
    expectDump("references.dump");
}

// A document whose tree spans many blocks: the mapping frees the blocks it has passed, yet the
// attributes of the open elements, mapped once their children are done, and every text after
// them are stored whole.
// Siblings parted by the same text: the text is their host's and a child of it, also where
// other texts or elements come between; numbered children give every text its place.
TEST_F(MappingTest, RepeatedTextsBetweenSiblings) {
    const std::string stream =
        "(R\n-x\n(E\n)E\n-x\n(E\n)E\n-x\n(E\n-y\n(F\n)F\n-y\n)E\n-z\n-x\n)R\n";
    for (int ordering = 0; ordering <= 1; ++ordering) {
        for (int mapping = ordering; mapping <= 1; ++mapping) {
            ParseRequest r = request(5, 0, 1, ordering);
            r.mapping = mapping;
            importStream(stream, r);
            EXPECT_EQ(reports(errors), "");
            const std::string facts = dump();
            const std::string where =
                "ordering " + std::to_string(ordering) + ", mapping " + std::to_string(mapping);
            EXPECT_TRUE(has(facts, "pcdata ->> {\"x\",\n")) << where << facts;
            EXPECT_TRUE(has(facts, "    \"z\"};\n")) << where << facts;
            EXPECT_TRUE(has(facts, "pcdata ->> {\"y\"};\n")) << where << facts;
            const InternalName root = object("f0_48");
            const InternalName inner = object("f0_54");
            for (const auto& [text, host] :
                 {std::pair{"x", root}, std::pair{"z", root}, std::pair{"y", inner}}) {
                InternalName value;
                access->numberOrString(value, text);
                EXPECT_EQ(access->isaTest(value, host, IsaRelation::Child), mapping)
                    << where << " " << text;
            }
            if (ordering == 1) {
                for (const char* child :
                     {"child@(pcdata,0) -> \"x\";", "child@(pcdata,2) -> \"x\";",
                      "child@(pcdata,4) -> \"x\";", "child@(pcdata,6) -> \"z\";",
                      "child@(pcdata,7) -> \"x\";", "child@(pcdata,0) -> \"y\";",
                      "child@(pcdata,2) -> \"y\";"}) {
                    EXPECT_TRUE(has(facts, child)) << child << facts;
                }
            }
            // A fresh base: the element objects of every import are numbered alike.
            TearDown();
            SetUp();
        }
    }
}

TEST_F(MappingTest, ALargeNestedDocumentIsStoredWholeWhileItsTreeIsReleased) {
    std::string stream = "Aname CDATA root note " + std::string(300, 'r') + "\n(A\n";
    for (int g = 0; g < 30; ++g) {
        const std::string n = std::to_string(g);
        stream += "Aname CDATA group note " + n + " " + std::string(200, 'g') + "\n(G\n";
        for (int i = 0; i < 300; ++i) {
            stream += "Ak CDATA item " + n + "." + std::to_string(i) + "\n(I\n-text " + n + "." +
                      std::to_string(i) + "\n)I\n";
        }
        stream += ")G\n";
    }
    stream += ")A\n";
    importStream(stream, request(5, 1, 1));
    EXPECT_EQ(reports(errors), "");
    const std::string facts = dump();
    EXPECT_TRUE(has(facts, "\"root note " + std::string(300, 'r') + "\"")) << "root";
    for (int g = 0; g < 30; ++g) {
        const std::string n = std::to_string(g);
        EXPECT_TRUE(has(facts, "\"group note " + n + " " + std::string(200, 'g') + "\"")) << n;
        for (int i = 0; i < 300; i += 37) {
            const std::string item = n + "." + std::to_string(i);
            EXPECT_TRUE(has(facts, "\"item " + item + "\"")) << item;
            EXPECT_TRUE(has(facts, "\"text " + item + "\"")) << item;
        }
    }
}

// Thousands of IDs (the index grows and its probes collide), each element referring to the
// next; an ID given twice resolves to its first element.
TEST_F(MappingTest, ManyReferencesResolveAndTheFirstOfAnIdWins) {
    constexpr int count = 3000;
    std::string stream = "(A\n";
    for (int i = 0; i < count; ++i) {
        stream += "Aid ID i" + std::to_string(i) + "\nAr IDREF i" +
                  std::to_string((i + 1) % count) + "\n(B\n)B\n";
    }
    stream += "Aid ID dup\n(FIRST\n)FIRST\nAid ID dup\n(SECOND\n)SECOND\n";
    stream += "Ar IDREF dup\n(C\n)C\n)A\n";
    importStream(stream, request(5, 1, 1));
    EXPECT_EQ(reports(errors), "");
    const std::string facts = dump();
    // The object of the element whose class line names `cls`.
    auto objectOf = [&facts](const std::string& cls) {
        const std::size_t line = facts.find(" : " + cls + ".\n");
        if (line == std::string::npos) return std::string("none");
        return facts.substr(facts.rfind('\n', line) + 1, line - facts.rfind('\n', line) - 1);
    };
    EXPECT_TRUE(has(facts, "r ->> {" + objectOf("first") + "}")) << objectOf("first");
    EXPECT_FALSE(has(facts, "r ->> {" + objectOf("second") + "}")) << objectOf("second");
    // "[r ->> {" opens an object's entries, "  r ->> {" continues them.
    std::size_t resolved = 0;
    for (const char* entry : {"[r ->> {f0_", "  r ->> {f0_"}) {
        for (std::size_t at = facts.find(entry); at != std::string::npos;
             at = facts.find(entry, at + 1)) {
            ++resolved;
        }
    }
    EXPECT_EQ(resolved, std::size_t(count + 1));
}

TEST_F(MappingTest, ReferenceDefaultsOfTheDtdObjectOnly) {
    const InternalName quoted = named("\"x\"");
    const InternalName own = named("own"), other = named("other");
    auto defaultFact = [&](const char* cls, const char* method, int type) {
        const InternalName m = named(method);
        access->insertValue(named(cls), named("xml_idref"), &m, 1, MethodType(type), quoted);
    };
    defaultFact("c1", "m1", 3);
    defaultFact("c2", "m2", 4);
    defaultFact("c3", "m3", 5);
    defaultFact("c4", "m4", 3);
    defaultFact("c5", "m5", 3);
    access->insertValue(own, named("a4"), nullptr, 0, MethodType::Scalar, named("m4"));
    access->insertValue(other, named("a5"), nullptr, 0, MethodType::Scalar, named("m5"));
    ParseRequest r = request(5, 1, 1);
    r.dtdObject = own;
    importStream("Aid ID x\n(A\n)A\n", r);
    const std::string facts = dump();
    EXPECT_TRUE(has(facts, "c1 [m1 *-> ")) << facts;
    EXPECT_TRUE(has(facts, "c2 [m2 *->> {")) << facts;
    EXPECT_TRUE(has(facts, "c3 [@m3 *->> {")) << facts;
    EXPECT_TRUE(has(facts, "c4 [m4 *-> ")) << facts;
    EXPECT_FALSE(has(facts, "m5 *-> ")) << facts;
}

TEST_F(MappingTest, HtmlPageGivesTitleAddressAndLinks) {
    handler->stream = readFile(dataDir() / "html.esis");
    handler->useStream = true;
    handler->parseWebdoc(document, "page.html", request(3), 0, "http:", "//own.org",
                         "/site/dir/page.html");
    EXPECT_EQ(reports(errors), "");
    expectDump("html.dump");
    // The next document is no page.
    const InternalName second = named("second");
    handler->stream = "(ROOT\n(TITLE\n-t\n)TITLE\n)ROOT\n";
    handler->parseWebdoc(second, "plain.xml", request(3), 0, "file:", "", "/plain.xml");
    EXPECT_FALSE(has(dump(), "second [title")) << dump();
}

TEST_F(MappingTest, DtdLookupPrefersTheSystemIdentifier) {
    ParseRequest r = request(5);
    r.dtdDemand = builtinObject::Dtd;
    r.dtdObject = named("x");
    importStream("s shelf.dtd\np -//S//DTD\n!doctype shelf\n(SHELF\n)SHELF\n", r);
    EXPECT_EQ(reports(errors), "");
    const std::string facts = dump();
    EXPECT_TRUE(has(facts,
                    "\"file:/docs/shelf.dtd\" [parse@(dtd,x) -> "
                    "\"file:/docs/shelf.dtd\".parse@(dtd,x)]."))
        << facts;
    EXPECT_TRUE(has(facts, "dtd -> \"file:/docs/shelf.dtd\".parse@(dtd,x);")) << facts;
}

TEST_F(MappingTest, DtdLookupWithoutIdentifiers) {
    ParseRequest r = request(5);
    r.dtdDemand = builtinObject::Dtd;
    importStream("s \n!doctype shelf\n(SHELF\n)SHELF\n", r);
    EXPECT_EQ(reports(errors),
              "*** ERROR : FileError\nfile:/docs/doc.xml: No DTD available \n"
              "NsgmlHandler::parseWebdoc\n");
    EXPECT_TRUE(has(dump(), "doc [doctype -> doc.doctype].")) << dump();
}

TEST_F(MappingTest, ValuesHoldTheDocumentsCharacters) {
    importData("texts.xml", request(5, 0, 1));
    EXPECT_EQ(reports(errors), "");
    // The parser turns the tab of the attribute value into a blank, as XML asks.
    const std::string facts = dump();
    EXPECT_TRUE(has(facts, "v ->> {\"say \\\"hi\\\" \\x\"}")) << facts;
    EXPECT_TRUE(has(facts, "pcdata ->> {\"quote \\\" back \\ tab\\tline\\nbreak caf\xc3\xa9 42\"}"))
        << facts;
}

}  // namespace
}  // namespace import_test
