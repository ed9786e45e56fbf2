// Tests of the document tree: name and text normalisation, building, text collection over
// statuses, ignore tables, and the release of very deep trees.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "xml/IgnoreTable.h"
#include "xml/NameNormalization.h"
#include "xml/SGMLTreeElem.h"

namespace {

TEST(NameNormalization, NamesKeepLowerCaseLettersAndDigitsOnly) {
    const std::pair<std::string, std::string> cases[] = {
        {"A-B.c9", "a_b_c9"},
        {"a b\tc", "a_b_c"},
        // The bytes just outside each kept range.
        {"@AZ[`az{/09:", "_az__az__09_"},
        // A two-byte UTF-8 letter (e with acute accent) is two bytes.
        {"caf\xc3\xa9", "caf__"},
    };
    for (const auto& [name, expected] : cases) {
        EXPECT_EQ(normalizeName(name), expected) << name;
    }
}

TEST(NameNormalization, TextsGainABackslashBeforeEachDoubleQuote) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"say \"hi\"", "say \\\"hi\\\""},
        // An escape of the event stream stays as written; a quote after a backslash still
        // gains its own.
        {"line\\nnext", "line\\nnext"},
        {"a\\\"b", "a\\\\\"b"},
        {"caf\xc3\xa9 'x'", "caf\xc3\xa9 'x'"},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(normalizeText(text), expected) << text;
    }
}

// An element with the given status holding one text.
SGMLTreeElem* elementWithText(const std::string& name, char status, const std::string& text) {
    auto* element = new SGMLTreeElem(name, "");
    element->setStatus(status);
    element->addText(text);
    return element;
}

TEST(SGMLTreeElem, BuildingNormalisesNamesAndTextsButNotConstructorArguments) {
    auto* root = new SGMLTreeElem("Doc-Root", "keep \"as is\"");
    EXPECT_EQ(root->getName(), "Doc-Root");
    EXPECT_EQ(root->getText(), "keep \"as is\"");
    root->setName("Doc-Root");
    EXPECT_EQ(root->getName(), "doc_root");
    root->addText("a \"q\"");
    root->addAttribute("Xml:Lang", "En-GB", "CDATA", "xml");
    ASSERT_EQ(root->getChildren()->size(), 1u);
    const SGMLTreeElem* text = *root->getChildren()->begin();
    EXPECT_TRUE(text->isText());
    EXPECT_EQ(text->getText(), "a \\\"q\\\"");
    ASSERT_EQ(root->getAttributes()->size(), 1u);
    const SGMLTreeAttr* attribute = &root->getAttributes()->front();
    EXPECT_EQ(attribute->getName(), "xml_lang");
    EXPECT_EQ(attribute->getValue(), "En-GB");
    decRef(root);
}

TEST(SGMLTreeElem, NewNodesTakeTheClassWideDefaultStatus) {
    SGMLTreeElem::setDefaultStatus('-');
    SGMLTreeAttr::setDefaultStatus('x');
    auto* element = new SGMLTreeElem("a", "");
    element->addAttribute("b", "1", "CDATA", "");
    element->addText("t");
    EXPECT_EQ(element->getStatus(), '-');
    EXPECT_EQ((*element->getChildren()->begin())->getStatus(), '-');
    EXPECT_EQ(element->getAttributes()->front().getStatus(), 'x');
    SGMLTreeElem::setDefaultStatus('+');
    SGMLTreeAttr::setDefaultStatus('+');
    decRef(element);
}

TEST(SGMLTreeElem, CollectTextJoinsTheTextsOfMappedAndDroppedElements) {
    auto* root = new SGMLTreeElem("r", "");
    root->addText("a");
    root->addChild(elementWithText("kept", '+', "b"));
    SGMLTreeElem* dropped = elementWithText("dropped", '-', "c");
    dropped->addChild(elementWithText("inner", '+', "d"));
    dropped->addChild(elementWithText("innerOut", 'x', "-"));
    root->addChild(dropped);
    SGMLTreeElem* out = elementWithText("out", 'x', "-");
    out->addChild(elementWithText("underOut", '+', "-"));
    root->addChild(out);
    root->addChild(elementWithText("hash", '#', "-"));
    root->addText("e");
    // The root's own status does not matter.
    root->setStatus('x');
    EXPECT_EQ(root->collectText(), "abcde");
    EXPECT_EQ(dropped->collectText(), "cd");
    EXPECT_EQ((*root->getChildren()->begin())->collectText(), "a");
    auto* empty = new SGMLTreeElem("e", "");
    EXPECT_EQ(empty->collectText(), "");
    decRef(empty);
    decRef(root);
}

TEST(SGMLTreeElem, DeepTreesAreWalkedAndFreedWithoutRecursion) {
    // The pools keep their blocks reachable: a node never released would escape the leak
    // checker, so the blocks in use are counted. (Attributes live inside their elements.)
    const std::size_t elements = poolUsedBlocks(sizeof(SGMLTreeElem));
    constexpr int depth = 200000;
    auto* root = new SGMLTreeElem("level", "");
    SGMLTreeElem* node = root;
    SGMLTreeElem* middle = nullptr;
    for (int i = 0; i < depth; ++i) {
        node->addText("x");
        node->addAttribute("n", "v", "CDATA", "");
        auto* child = new SGMLTreeElem("level", "");
        node->addChild(child);
        if (i == depth / 2) middle = child;
        node = child;
    }
    EXPECT_EQ(root->collectText(), std::string(depth, 'x'));
    // A subtree still held elsewhere outlives the root, whole.
    incRef(middle);
    decRef(root);
    EXPECT_EQ(middle->refCount(), 1);
    EXPECT_EQ(middle->collectText().size(), static_cast<std::size_t>(depth / 2 - 1));
    decRef(middle);
    EXPECT_EQ(poolUsedBlocks(sizeof(SGMLTreeElem)), elements);
}

TEST(IgnoreTable, RulesStoreNormalisedNames) {
    auto* table = new IgnoreTable();
    table->addElement("Order-Line", '-');
    table->addAttr("Order-Line", "Xml:Lang", '-');
    EXPECT_EQ((*table->getElements().begin())->getName(), "order_line");
    const IgnoreAttr* rule = *table->getAttrs().begin();
    EXPECT_EQ(rule->getElement(), "order_line");
    EXPECT_EQ(rule->getAttribute(), "xml_lang");
    decRef(table);
}

}  // namespace
