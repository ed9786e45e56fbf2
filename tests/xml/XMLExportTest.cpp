// Exports of the XML access layer (a node written by node.export, the Kavum formats of the shell
// method, the F-Logic fallback, a document read back) and the names of the three access layers
// with their class objects.
#include <filesystem>
#include <string>
#include <vector>

#include "access/ExportHandler.h"
#include "shell/ExportHandlerRegistration.h"
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
// children in brackets, texts without surrounding blanks. The import's xml_id values are left
// out: the export writes them as empty elements, which a second import takes for elements.
std::string outline(OMAccess& layer, const InternalName& node) {
    auto lexical = [&](const InternalName& name) {
        std::string text;
        layer.giveLexicalForm(name, text);
        return text;
    };
    auto rowsOf = [&](int axis) {
        std::vector<std::pair<std::string, InternalName>> found;
        const InternalName tuple[3] = {node, Free, Free};
        Iterator* it = layer.matchAxis(1, axis, tuple, 3, nullptr);
        for (bool more = it != nullptr && it->first(); more; more = it->next())
            found.emplace_back(lexical(it->atColumn(2)), it->atColumn(3));
        decRef(it);
        return found;
    };
    std::string text;
    for (const auto& [method, value] : rowsOf(6)) {
        const std::string v = lexical(value);
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
        access->insertXMLPath(node, object("export"), args.data(), static_cast<int>(args.size()), 0,
                              0, result);
    }
    bool exists(const std::string& name) { return std::filesystem::exists(scratch / name); }
};

TEST_F(XMLExportTest, NodeExportWithTwoArgumentsWritesTheNodeAsXML) {
    const InternalName root = rootOf(load("shelf.xml", bookXml));
    ASSERT_TRUE(access->isaTest(root, builtinObject::Node, 1));
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

    MainMemOM* otherBase = new MainMemOM();
    XMLOMAccess* other = new XMLOMAccess(otherBase);
    InternalName url;
    other->nameFromString(url, "\"" + fileUrl("first.xml") + "\"", InternalName::String);
    other->insertClassRelation(url, builtinObject::Url, 1);
    InternalName document = Free;
    other->insertXMLPath(url, builtinObject::Parse0, &builtinObject::Xml, 1, 0, 0, document);
    const InternalName tuple[3] = {document, Free, Free};
    Iterator* children = other->matchAxis(1, 1, tuple, 3, nullptr);
    ASSERT_TRUE(children != nullptr && children->first());
    const InternalName copy = children->atColumn(3);
    decRef(children);
    const std::string expected = "shelf(book[id=b1](title(One))book[id=b2](title(Two)))";
    EXPECT_EQ("shelf" + outline(*access, root), expected);
    EXPECT_EQ("shelf" + outline(*other, copy), expected);
    decRef(other);
    decRef(otherBase);
}

TEST_F(XMLExportTest, TheShellExportWritesKavumFormatsAndFallsBackForFLogic) {
    const InternalName root = rootOf(load("shelf.xml", bookXml));
    EXPECT_EQ(call("export", {"xml", "all.xml", "shelf", text(root)}), access);
    EXPECT_NE(readFile(scratch / "all.xml").find("<shelf>"), std::string::npos);
    EXPECT_NE(readFile(scratch / "all.xml").find("One"), std::string::npos);
    // Without a root the handler is given the undefined name: only the header is written.
    EXPECT_EQ(call("export", {"xml", "none.xml", "shelf"}), access);
    EXPECT_NE(readFile(scratch / "none.xml").find("<!DOCTYPE shelf>"), std::string::npos);
    EXPECT_EQ(readFile(scratch / "none.xml").find("One"), std::string::npos);
    errors.clear();
    access->insertValue(object("book"), object("title"), nullptr, 0, 7, object("title"));
    EXPECT_EQ(call("export", {"sig", "sig.flp"}), access);
    EXPECT_NE(readFile(scratch / "sig.flp").find("book"), std::string::npos);
    EXPECT_EQ(readFile(scratch / "sig.flp").find("shelf"), std::string::npos);
    EXPECT_EQ(errors.text(), "");

    // "flogic" is the plain layer's export: nothing without its handler, then the F-Logic text.
    EXPECT_EQ(call("export", {"flogic", "facts.flp"}), nullptr);
    EXPECT_NE(errors.text().find("NotImplemented"), std::string::npos);
    EXPECT_FALSE(exists("facts.flp"));
    registerExportHandlers();
    EXPECT_EQ(call("export", {"flogic", "facts.flp"}), access);
    EXPECT_NE(readFile(scratch / "facts.flp").find("book"), std::string::npos);
    for (int format : {1, 2, 3}) ExportHandlerFactory::registerMaker(format, nullptr);
}

TEST_F(XMLExportTest, TheClassObjectsBuildTheirLayersOverAnObjectBaseOnly) {
    XMeta* metas[] = {new XMLOMAccessMeta(), new DOMOMAccessMeta()};
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
        EXPECT_EQ(static_cast<OMAccess*>(layer.get())->om(), om);
        layer.reset();
        FLSysArgs none;
        EXPECT_EQ(metas[i]->methodCall("new", &none), nullptr);
        decRef(metas[i]);
    }
}

}  // namespace
}  // namespace xmlaccess_test
