// Exports of the XML access layer (a node written by node.export, the Kavum formats of the shell
// method, the F-Logic fallback, a document read back) and the names of the three access layers
// with their class objects.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "access/ExportHandler.h"
#include "shell/ShellExportHandlers.h"
#include "xml/DOMOMAccess.h"
#include "xml/XMLAccessTestSupport.h"

namespace xmlaccess_test {
namespace {

const std::string shelfDtd = R"(<!ELEMENT shelf (book*)>
<!ELEMENT book (title)>
<!ELEMENT title (#PCDATA)>
<!ATTLIST book id ID #REQUIRED>
)";

// The DTD tells the parser that the line breaks and indentation of an export are no text.
const std::string bookXml = R"(<?xml version="1.0"?>
<!DOCTYPE shelf SYSTEM "shelf.dtd">
<shelf><book id="b1"><title>One</title></book><book id="b2"><title>Two</title></book></shelf>
)";

// A node's attributes and children as text: element classes with their "@->>" values and their
// children in brackets, texts without surrounding blanks. The import's xml_id values, its own
// record of the IDs, are left out.
std::string outline(OMAccess& layer, const InternalName& node) {
    auto lexical = [&](const InternalName& name) {
        std::string text;
        layer.giveLexicalForm(name, text);
        return text;
    };
    auto rowsOf = [&](int axis) {
        std::vector<std::pair<std::string, InternalName>> found;
        const InternalName tuple[3] = {node, Free, Free};
        auto it =
            Ref<Iterator>::adopt(layer.matchAxis(MethodType::Set, Axis(axis), tuple, 3, nullptr));
        for (bool more = it != nullptr && it->first(); more; more = it->next())
            found.emplace_back(lexical(it->atColumn(2)), it->atColumn(3));
        it.reset();
        return found;
    };
    // A resolved reference is written as the ID of the element it names.
    auto idOf = [&](const InternalName& value) {
        InternalName xmlId;
        layer.internName(xmlId, "xml_id", 1);
        const InternalName pattern[3] = {value, xmlId, Free};
        auto ids = Ref<Iterator>::adopt(layer.lookup(MethodType::Set, pattern, 3, nullptr));
        std::string id = lexical(value);
        if (ids != nullptr && ids->first()) {
            auto members = Ref<Iterator>::adopt(layer.setIterator(ids->atColumn(3), nullptr));
            if (members != nullptr && members->first()) id = lexical(members->atColumn(1));
        }
        ids.reset();
        return id;
    };
    std::string text;
    for (const auto& [method, value] : rowsOf(6)) {
        const std::string v = idOf(value);
        if (method != "xml_id") text += "[" + method + "=" + v.substr(1, v.size() - 2) + "]";
    }
    text += "(";
    for (const auto& [method, value] : rowsOf(1)) {
        if (method == "xml_id") continue;
        if (method != "text()") {
            text += method + outline(layer, value);
            continue;
        }
        const std::string v = lexical(value);
        const std::size_t from = v.find_first_not_of(" \n\"");
        if (from != std::string::npos)
            text += v.substr(from, v.find_last_not_of(" \n\"") + 1 - from);
    }
    return text + ")";
}

// A file read back by a second import into an object base of its own: its first top element.
struct ReadBack {
    explicit ReadBack(const std::string& fileUrl) {
        layer->useAxisIterators(&axes);
        InternalName url;
        layer->nameFromString(url, "\"" + fileUrl + "\"", InternalName::String);
        layer->insertClassRelation(url, builtinObject::Url, IsaRelation::Member);
        InternalName document = Free;
        layer->insertXMLPath(url, builtinObject::Parse0, &builtinObject::Xml, 1, MethodType::Scalar,
                             Axis::None, document);
        const InternalName tuple[3] = {document, Free, Free};
        auto children =
            Ref<Iterator>::adopt(layer->matchAxis(MethodType::Set, Axis::Child, tuple, 3, nullptr));
        if (children != nullptr && children->first()) root = children->atColumn(3);
    }
    ReadBack(const ReadBack&) = delete;
    ReadBack& operator=(const ReadBack&) = delete;

    XMLAxisIteratorFactory axes;
    Ref<MainMemOM> base = Ref<MainMemOM>::make();
    Ref<XMLOMAccess> layer = Ref<XMLOMAccess>::make(base.get());
    InternalName root = Free;
};

class XMLExportTest : public XMLAccessTest {
  protected:
    InternalName load(const std::string& name, const std::string& content) {
        writeFile(scratch / "shelf.dtd", shelfDtd);
        writeFile(scratch / name, content);
        return parse(fileUrl(name), {builtinObject::Xml});
    }
    // root.export@(args) written by a rule head.
    void nodeExport(const InternalName& node, const std::vector<InternalName>& args) {
        InternalName result = Free;
        access->insertXMLPath(node, object("export"), args.data(), static_cast<int>(args.size()),
                              MethodType::Scalar, Axis::None, result);
    }
    bool exists(const std::string& name) { return std::filesystem::exists(scratch / name); }
};

TEST_F(XMLExportTest, NodeExportWithTwoArgumentsWritesTheNodeAsXML) {
    const InternalName root = rootOf(load("shelf.xml", bookXml));
    ASSERT_TRUE(access->isaTest(root, builtinObject::Node, IsaRelation::Member));
    nodeExport(root, {object("shelf"), string("one.xml")});
    nodeExport(root, {string("three.xml")});
    nodeExport(root, {object("shelf"), string("three.xml"), string("x")});
    ASSERT_TRUE(exists("one.xml"));
    EXPECT_FALSE(exists("three.xml"));
    const std::string written = readFile(scratch / "one.xml");
    EXPECT_NE(written.find("<shelf"), std::string::npos);
    EXPECT_NE(written.find("One"), std::string::npos);
    EXPECT_NE(written.find("Two"), std::string::npos);
    EXPECT_EQ(errors.text(), "");
}

TEST_F(XMLExportTest, AnExportedDocumentReadsBackAsTheSameTree) {
    const InternalName root = rootOf(load("shelf.xml", bookXml));
    nodeExport(root, {object("shelf"), string("first.xml")});
    const std::string first = readFile(scratch / "first.xml");
    // The export names no DTD; read back with it, its layout is no text.
    const std::string doctype = "<!DOCTYPE shelf>";
    const std::size_t at = first.find(doctype);
    ASSERT_NE(at, std::string::npos);
    std::string withDtd = first;
    withDtd.replace(at, doctype.size(), "<!DOCTYPE shelf SYSTEM \"shelf.dtd\">");
    writeFile(scratch / "first.xml", withDtd);

    ReadBack copy(fileUrl("first.xml"));
    ASSERT_NE(copy.root, Free);
    const std::string expected = "shelf(book[id=b1](title(One))book[id=b2](title(Two)))";
    EXPECT_EQ("shelf" + outline(*access, root), expected);
    EXPECT_EQ("shelf" + outline(*copy.layer, copy.root), expected);
}

// The whole base without a root, read back by a second import: the same trees, references
// written as the IDs they name, and none of the import's bookkeeping.
TEST_F(XMLExportTest, TheWholeBaseReadsBackAsTheSameTreesWithReferencesAsIds) {
    const std::string dtd =
        "<!ELEMENT shelf (book*)>\n<!ELEMENT book (title)>\n"
        "<!ELEMENT title (#PCDATA)>\n"
        "<!ATTLIST book id ID #REQUIRED next IDREF #IMPLIED "
        "see IDREFS #IMPLIED>\n";
    writeFile(scratch / "refs.dtd", dtd);
    writeFile(scratch / "refs.xml",
              "<?xml version=\"1.0\"?>\n<!DOCTYPE shelf SYSTEM \"refs.dtd\">\n"
              "<shelf><book id=\"b1\" next=\"b2\" see=\"b1 b2\"><title>One &amp; &lt;1&gt;</title>"
              "</book><book id=\"b2\"><title>Two</title></book></shelf>\n");
    parse(fileUrl("refs.xml"), {builtinObject::Xml});
    EXPECT_EQ(call("export", {"xml", "whole.xml", "shelf"}), access);
    EXPECT_EQ(errors.text(), "");
    const std::string written = readFile(scratch / "whole.xml");
    EXPECT_EQ(written.find("xml_id"), std::string::npos) << written;
    EXPECT_NE(written.find("next='b2'"), std::string::npos) << written;
    EXPECT_NE(written.find("see='b1 b2'"), std::string::npos) << written;

    // Read back with the DTD (the layout is then no text) and compared as a tree.
    std::string withDtd = written;
    const std::string doctype = "<!DOCTYPE shelf>";
    ASSERT_NE(withDtd.find(doctype), std::string::npos);
    withDtd.replace(withDtd.find(doctype), doctype.size(),
                    "<!DOCTYPE shelf SYSTEM \"refs.dtd\" [<!ELEMENT shelf (shelf|book)*>]>");
    writeFile(scratch / "whole.xml", withDtd);
    ReadBack copy(fileUrl("whole.xml"));
    ASSERT_NE(copy.root, Free);
    EXPECT_EQ(
        outline(*copy.layer, copy.root),
        "(shelf(book[id=b1][next=b2][see=b1][see=b2](title(One & <1>))book[id=b2](title(Two))))");
}

// The attributes of an element with their prefixes, sorted: the element's own ("@->>" entries)
// and those the import put on its namespace objects (element.prefix), each prefix:name=value.
std::vector<std::string> attributesOf(OMAccess& layer, const InternalName& element) {
    auto lexical = [&](const InternalName& name) {
        std::string text;
        layer.giveLexicalForm(name, text);
        return text;
    };
    std::vector<std::string> found;
    auto collect = [&](const InternalName& holder, const std::string& prefix) {
        const InternalName pattern[3] = {holder, Free, Free};
        auto rows =
            Ref<Iterator>::adopt(layer.lookup(MethodType::AttributeSet, pattern, 3, nullptr));
        for (bool more = rows != nullptr && rows->first(); more; more = rows->next()) {
            auto members = Ref<Iterator>::adopt(layer.setIterator(rows->atColumn(3), nullptr));
            for (bool member = members != nullptr && members->first(); member;
                 member = members->next())
                found.push_back(prefix + lexical(rows->atColumn(2)) + "=" +
                                lexical(members->atColumn(1)));
        }
    };
    collect(element, "");
    const InternalName pattern[3] = {element, Free, Free};
    auto rows = Ref<Iterator>::adopt(layer.lookup(MethodType::Scalar, pattern, 3, nullptr));
    for (bool more = rows != nullptr && rows->first(); more; more = rows->next()) {
        if (layer.isaTest(rows->atColumn(3), builtinObject::Namespace, IsaRelation::Member) != 0)
            collect(rows->atColumn(3), lexical(rows->atColumn(2)) + ":");
    }
    rows.reset();
    std::sort(found.begin(), found.end());
    return found;
}

// The attributes of every element below a node, in document order, one line an element.
std::string attributeOutline(OMAccess& layer, const InternalName& node) {
    std::string text;
    std::vector<InternalName> pending{node};
    while (!pending.empty()) {
        const InternalName element = pending.back();
        pending.pop_back();
        for (const std::string& attribute : attributesOf(layer, element)) text += attribute + " ";
        text += "\n";
        const InternalName tuple[3] = {element, Free, Free};
        auto it =
            Ref<Iterator>::adopt(layer.matchAxis(MethodType::Set, Axis::Child, tuple, 3, nullptr));
        std::vector<InternalName> children;
        for (bool more = it != nullptr && it->first(); more; more = it->next())
            if (layer.isaTest(it->atColumn(3), builtinObject::Node, IsaRelation::Member) != 0)
                children.push_back(it->atColumn(3));
        it.reset();
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
    return text;
}

// Prefixed attributes and namespace declarations, which the import puts on namespace objects of
// their elements, are written back with their prefixes: read again, the same attributes.
TEST_F(XMLExportTest, PrefixedAttributesAndNamespaceDeclarationsAreWrittenBack) {
    const InternalName root = rootOf(
        load("ns.xml",
             "<?xml version=\"1.0\"?>\n<r xmlns=\"urn:d\" xmlns:p=\"urn:p\" a=\"1\">"
             "<p:x p:z=\"2\" q=\"3\">t</p:x><y p:z=\"4\" xml:lang=\"en\" p:w=\"5 6\"/></r>\n"));
    const std::string original = attributeOutline(*access, root);
    EXPECT_EQ(original,
              "a=1 xmlns:p=\"urn:p\" xmlns=\"urn:d\" \np:z=2 q=3 \np:w=\"5 6\" p:z=4 "
              "xml:lang=\"en\" \n");
    nodeExport(root, {object("r"), string("ns-out.xml")});
    const std::string written = readFile(scratch / "ns-out.xml");
    EXPECT_NE(written.find("xmlns:p='urn:p'"), std::string::npos) << written;
    EXPECT_NE(written.find("p:z='2'"), std::string::npos) << written;
    EXPECT_NE(written.find("xml:lang='en'"), std::string::npos) << written;

    ReadBack copy(fileUrl("ns-out.xml"));
    ASSERT_NE(copy.root, Free);
    EXPECT_EQ(attributeOutline(*copy.layer, copy.root), original);
    EXPECT_EQ(errors.text(), "");
}

TEST_F(XMLExportTest, TheShellExportWritesKavumFormatsAndFallsBackForFLogic) {
    const InternalName root = rootOf(load("shelf.xml", bookXml));
    EXPECT_EQ(call("export", {"xml", "all.xml", "shelf", text(root)}), access);
    EXPECT_NE(readFile(scratch / "all.xml").find("<shelf>"), std::string::npos);
    EXPECT_NE(readFile(scratch / "all.xml").find("One"), std::string::npos);
    // Without a root every document of the base is written, under the document type's element.
    EXPECT_EQ(call("export", {"xml", "none.xml", "shelf"}), access);
    EXPECT_NE(readFile(scratch / "none.xml").find("<!DOCTYPE shelf>"), std::string::npos);
    EXPECT_NE(readFile(scratch / "none.xml").find("One"), std::string::npos);
    EXPECT_EQ(errors.text(), "");
    // A root that is no element of a document: an error, and no file.
    EXPECT_EQ(call("export", {"xml", "bad.xml", "shelf", "nothing"}), nullptr);
    EXPECT_NE(errors.text().find("Not an element"), std::string::npos) << errors.text();
    EXPECT_FALSE(exists("bad.xml"));
    errors.clear();
    access->insertValue(object("book"), object("title"), nullptr, 0, MethodType::SetSignature,
                        object("title"));
    EXPECT_EQ(call("export", {"sig", "sig.flp"}), access);
    EXPECT_NE(readFile(scratch / "sig.flp").find("book"), std::string::npos);
    EXPECT_EQ(readFile(scratch / "sig.flp").find("shelf"), std::string::npos);
    EXPECT_EQ(errors.text(), "");

    // "flogic" is the plain layer's export: nothing without its handler, then the F-Logic text.
    EXPECT_EQ(call("export", {"flogic", "facts.flp"}), nullptr);
    EXPECT_NE(errors.text().find("NotImplemented"), std::string::npos);
    EXPECT_FALSE(exists("facts.flp"));
    access->useExportHandlers(shellExportHandlers());
    EXPECT_EQ(call("export", {"flogic", "facts.flp"}), access);
    EXPECT_NE(readFile(scratch / "facts.flp").find("book"), std::string::npos);
}

TEST_F(XMLExportTest, TheClassObjectsBuildTheirLayersOverAnObjectBaseOnly) {
    Ref<XMeta> metas[] = {Ref<XMLOMAccessMeta>::make(), Ref<DOMOMAccessMeta>::make()};
    const char* made[] = {"XMLOMAccess", "DOMOMAccess"};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(made[i]);
        EXPECT_EQ(metas[i]->createdClass(), made[i]);
        FLSysArgs args;
        args.append(om);
        FLSysRef layer = metas[i]->methodCall("new", &args);
        ASSERT_NE(layer, nullptr);
        EXPECT_TRUE(layer->isA(made[i]));
        EXPECT_EQ(layer->name(), std::string("a") + made[i]);
        EXPECT_EQ(layer->isA("DOMOMAccess"), i == 1);
        const auto* built = static_cast<OMAccess*>(layer.get());
        EXPECT_EQ(built->om(), om);
        // A stored fact that names a document loads it again when the facts are read back.
        EXPECT_FALSE(built->printedFactsRestoreBase());
        EXPECT_FALSE(built->holdsOnlyInsertedFacts());
        layer.reset();
        FLSysArgs none;
        EXPECT_EQ(metas[i]->methodCall("new", &none), nullptr);
        metas[i].reset();
    }
}

}  // namespace
}  // namespace xmlaccess_test
