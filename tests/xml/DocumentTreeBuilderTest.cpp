// Tests of the tree builder: the trees of hand-written event streams, and the agreement of the
// tree a parse feeds straight to the builder with the tree the builder reads from that parse's
// event stream, over many documents and output options.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "NsgmlTestSupport.h"
#include "xml/DocumentTree.h"
#include "xml/DocumentTreeBuilder.h"
#include "xml/EsisReader.h"
#include "xml/NsgmlWrapper.h"
#include "xml/SGMLTreeAttr.h"
#include "xml/SGMLTreeElem.h"

namespace {

using nsgmltest::dataDir;
using nsgmltest::ParseRun;
using nsgmltest::RunResult;
using nsgmltest::writeFile;

// The tree and what the builder found, one line a node, children indented.
void printNode(const SGMLTreeElem* node, int depth, std::string& out) {
    out.append(2 * depth, ' ');
    if (node->isText()) {
        out += "text \"" + std::string(node->getText()) + "\"\n";
        return;
    }
    out += node->getName();
    for (const SGMLTreeAttr& attribute : node->getAttributes()) {
        out += " " + attribute.getExtra() + ":" + attribute.getName() + "(" + attribute.getType() +
               ")=\"" + std::string(attribute.getValue()) + "\"";
    }
    out += "\n";
    for (const SGMLTreeElem* child : node->getChildren()) printNode(child, depth + 1, out);
}

std::string print(const DocumentTreeBuilder& builder) {
    std::string out;
    if (builder.hasDocumentType()) {
        out += "doctype " + builder.documentTypeName() + " system \"" + builder.systemId() +
               "\" public \"" + builder.publicId() + "\"\n";
    }
    out += "refused " + std::to_string(static_cast<int>(builder.refused())) + " inside \"" +
           builder.endedInside() + "\" invalid " + std::to_string(builder.invalidOutput()) +
           " html " + std::to_string(builder.html()) + " elements " +
           std::to_string(builder.elements()) + "\n";
    printNode(builder.root(), 0, out);
    return out;
}

// The tree the builder reads from a written event stream.
std::string treeOfStream(const std::string& stream, int maxDepth = 10000) {
    DocumentTree tree;
    DocumentTreeBuilder builder(tree, maxDepth);
    std::istringstream in(stream);
    EsisReader reader;
    for (reader.readEsisLine(in); !reader.atEnd() && !builder.finished(); reader.readEsisLine(in)) {
        EsisReader::deliver(reader.currentLine(), builder);
    }
    builder.finish();
    return print(builder);
}

TEST(DocumentTreeBuilderTest, StreamsBuildTheirTrees) {
    struct Case {
        const char* stream;
        const char* tree;
    } cases[] = {
        // Instructions and the document type come first; attributes precede their element;
        // the texts keep the stream's escapes; entities' identifiers are passed over.
        {"?pi\ns a.dtd x\np -//A//EN\n!doctype A\n?later\nsent.txt\nAxml:Lang CDATA en\n"
         "Aid ID r1\nAnone IMPLIED\nAempty CDATA \n(A\n-t\\n\\\\u\n(b\n)b\n?inner\n-\"q\"\n)A\n"
         "(after\n",
         "doctype A system \"a.dtd\" public \"-//A//EN\"\n"
         "refused 0 inside \"\" invalid 0 html 0 elements 1\n"
         "a xml:lang(CDATA)=\"en\" :id(ID)=\"r1\"\n  text \"t\\n\\\\u\"\n  b\n"
         "  text \"\\\"q\\\"\"\n"},
        // A stream that ends inside elements is truncated inside the innermost.
        {"(a\n(b\n-x\n",
         "refused 7 inside \"b\" invalid 1 html 0 elements 1\na\n  b\n    text \"x\"\n"},
        // No start after the attributes: there is no document element, and what comes is read
        // as the content of the stand-in.
        {"Ax CDATA 1\n-text\n(a\n",
         "refused 8 inside \"\" invalid 1 html 0 elements 1\nerror :x(CDATA)=\"1\"\n"
         "  text \"text\"\n  a\n"},
        {"", "refused 8 inside \"\" invalid 1 html 0 elements 0\nerror\n"},
        // A line no writer makes ends the element it comes in; an element's attributes without
        // its start leave it open under the stand-in name.
        {"(html\n(p\nzzz\nAy TOKEN v\n-in\n)p\n)html\n",
         "refused 0 inside \"\" invalid 1 html 1 elements 2\nhtml\n  p\n  error :y(TOKEN)=\"v\"\n"
         "    text \"in\"\n"},
        // A start without a name is a line no writer makes: were the element named by it, it
        // would pass for a text of its parent's, and the parent's texts be joined from it.
        {"(r\n(a\nAx CDATA 1\n(\n)\n-xy\n)a\n)r\n",
         "refused 0 inside \"\" invalid 1 html 0 elements 2\nr\n  a\n    error :x(CDATA)=\"1\"\n"
         "  text \"xy\"\n"},
        {"(r\n(\n-xy\n)r\n", "refused 0 inside \"\" invalid 1 html 0 elements 0\nr\n"},
        // The document type's identifiers after its name are out of place.
        {"!doctype Html\n(x\ns late\n)x\n",
         "doctype Html system \"\" public \"\"\nrefused 0 inside \"\" invalid 1 html 1 elements 0\n"
         "x\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(treeOfStream(c.stream), c.tree) << c.stream;
}

TEST(DocumentTreeBuilderTest, ElementsNestedTooDeepRefuseTheDocument) {
    EXPECT_EQ(treeOfStream("(a\n(b\n(c\n)c\n)b\n)a\n", 3),
              "refused 0 inside \"\" invalid 0 html 0 elements 2\na\n  b\n    c\n");
    // The fourth level is refused, and nothing after it is read.
    EXPECT_EQ(treeOfStream("(a\n(b\n(c\n(d\n)d\n)c\n)b\n)a\n", 3),
              "refused 9 inside \"\" invalid 0 html 0 elements 2\na\n  b\n    c\n");
}

// One document parsed in this process twice with the same arguments: once feeding the builder,
// once writing the stream the builder then reads. Both trees, results and messages agree, and
// the fed run writes no stream.
void expectSameTree(const ParseRun& run, const std::vector<std::string>& args, int maxDepth) {
    NsgmlWrapper wrapper;
    const std::string streamFile = run.streamFile();
    wrapper.setOutputFile(streamFile.c_str());

    DocumentTree fedTree;
    DocumentTreeBuilder fed(fedTree, maxDepth);
    wrapper.setDeclaresEntities(false);
    wrapper.setDocumentEvents(&fed);
    const RunResult feeding = run.run(wrapper, args);
    EXPECT_TRUE(wrapper.lastRunFedEvents());
    const ParseStop fedStop = wrapper.lastStop();
    fed.finish();

    wrapper.setDeclaresEntities(false);
    const RunResult writing = run.run(wrapper, args);
    EXPECT_FALSE(wrapper.lastRunFedEvents());

    const std::string where = args.back() + " " + args[3];
    EXPECT_EQ(feeding.stream, "") << where;
    EXPECT_EQ(feeding.status, writing.status) << where;
    EXPECT_EQ(feeding.errors, writing.errors) << where;
    EXPECT_EQ(fedStop, wrapper.lastStop()) << where;
    EXPECT_EQ(print(fed), treeOfStream(writing.stream, maxDepth)) << where;
}

TEST(DocumentTreeBuilderTest, AParseFeedsTheTreeItsStreamWouldBuild) {
    ParseRun run;
    // Documents of their own beside the test data: every escape, characters beyond U+FFFF,
    // CDATA, comments, instructions, entities, a truncated document and one without markup.
    const std::vector<std::pair<std::string, std::string>> written = {
        {"escapes.xml",
         "<?xml version=\"1.0\"?>\n<?first pi?>\n<!-- c -->\n<r a=\"x&#9;y&#10;z\" "
         "n:b='&lt;&amp;&quot;\\'>\r\n  <e>tab\there\\back &#x1F600; &#xE9;&#x4E2D;</e>"
         "<![CDATA[<raw> & \\ ]]><?inner data?><!-- kept out -->\n  <e/>\"q\"&#1;</r>\n"
         "<?after?>\n"},
        {"entities.xml",
         "<!DOCTYPE r [<!ENTITY w \"<i>word</i>\"><!ENTITY x SYSTEM \"part.txt\">"
         "<!NOTATION n SYSTEM \"viewer\"><!ENTITY pic SYSTEM \"pic.gif\" NDATA n>"
         "<!ATTLIST r id ID #IMPLIED ref IDREF #IMPLIED img ENTITY #IMPLIED>]>\n"
         "<r id=\"a\" ref=\"a\" img=\"pic\">&w; and &x;</r>\n"},
        {"part.txt", "external\ntext"},
        {"cut.xml", "<r><a>text<b>more"},
        {"nothing.xml", "no markup at all\n"},
        {"deep.xml", "<a><b><c><d><e/></d></c></b></a>"},
    };
    for (const auto& [name, text] : written) writeFile(run.path(name), text);
    // Thousands of siblings, enough for many blocks of the tree, parted by blank texts that
    // mostly repeat the one before: two indentations by turns, a run longer than the writer
    // keeps as it came, texts with quotes and an entity's text inside a run.
    std::string siblings = "<!DOCTYPE r [<!ENTITY sp \"  \">]>\n<r>";
    for (int i = 0; i < 3000; ++i) {
        siblings += i % 7 == 0 ? "\n    <e/>" : "\n  <e/>";
        if (i % 500 == 0) siblings += "\n" + std::string(40, ' ') + "<e>\"q\"</e>\"q\"";
        if (i % 700 == 0) siblings += "\n  &sp;\n<e/>";
    }
    siblings += "\n</r>\n";
    writeFile(run.path("siblings.xml"), siblings);
    std::vector<std::string> documents;
    for (const char* name :
         {"escapes.xml", "entities.xml", "cut.xml", "nothing.xml", "deep.xml", "siblings.xml"})
        documents.push_back(run.path(name).string());
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dataDir())) {
        const std::string extension = entry.path().extension().string();
        if (extension == ".xml" || extension == ".sgml" || extension == ".html")
            documents.push_back(entry.path().string());
    }
    ASSERT_GT(documents.size(), 15u);
    for (const std::string& document : documents) {
        const bool html = document.ends_with(".html");
        const bool sgml = document.ends_with(".sgml");
        std::vector<std::vector<std::string>> variants;
        if (html) {
            variants.push_back(run.htmlArgs(document));
        } else if (sgml) {
            for (const char* link : {"-E0", "-alnk"})
                variants.push_back({"  ", "-f" + run.errorFile(), "-E0", link,
                                    "-c" + run.catalog().string(), "-oid", "-oentity", "-oline",
                                    "-oincluded", "-oempty", "-onotation-sysid", document});
        } else {
            variants.push_back(run.xmlArgs(document));
            variants.push_back(run.xmlArgs(
                document, {"-oentity", "-oline", "-ononsgml", "-onotation-sysid", "-oempty"}));
        }
        for (const auto& args : variants) {
            expectSameTree(run, args, 10000);
            // Nesting bounded at three levels refuses the deeper documents.
            expectSameTree(run, args, 3);
        }
    }
}

}  // namespace
