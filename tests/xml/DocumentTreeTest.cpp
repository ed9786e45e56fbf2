// Tests of the document tree: name and text normalisation, building, text collection over
// statuses, attribute arrays, ignore tables, and the release of very deep trees.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/Ref.h"
#include "xml/DocumentTree.h"
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
SGMLTreeElem* elementWithText(DocumentTree& tree, const std::string& name, char status,
                              const std::string& text) {
    SGMLTreeElem* element = tree.newNode(name, "");
    element->setStatus(status);
    tree.addText(element, text);
    return element;
}

std::vector<SGMLTreeElem*> childrenOf(const SGMLTreeElem* element) {
    return {element->getChildren().begin(), element->getChildren().end()};
}

TEST(SGMLTreeElem, BuildingNormalisesNamesAndTextsButNotNewNodeArguments) {
    DocumentTree tree;
    SGMLTreeElem* root = tree.newNode("Doc-Root", "keep \"as is\"");
    EXPECT_EQ(root->getName(), "Doc-Root");
    EXPECT_EQ(root->getText(), "keep \"as is\"");
    tree.setName(root, "Doc-Root");
    EXPECT_EQ(root->getName(), "doc_root");
    tree.addText(root, "a \"q\"");
    tree.addAttribute(root, "Xml:Lang", "En-GB", "CDATA", "xml");
    ASSERT_EQ(childrenOf(root).size(), 1u);
    const SGMLTreeElem* text = childrenOf(root)[0];
    EXPECT_TRUE(text->isText());
    EXPECT_EQ(text->getText(), "a \\\"q\\\"");
    ASSERT_EQ(root->getAttributes().size(), 1u);
    const SGMLTreeAttr& attribute = root->getAttributes()[0];
    EXPECT_EQ(attribute.getName(), "xml_lang");
    EXPECT_EQ(attribute.getValue(), "En-GB");
    EXPECT_EQ(attribute.getType(), "CDATA");
    EXPECT_EQ(attribute.getExtra(), "xml");
}

TEST(SGMLTreeElem, NewNodesTakeTheClassWideDefaultStatus) {
    DocumentTree tree;
    SGMLTreeElem::setDefaultStatus('-');
    SGMLTreeAttr::setDefaultStatus('x');
    SGMLTreeElem* element = tree.newNode("a", "");
    tree.addAttribute(element, "b", "1", "CDATA", "");
    tree.addText(element, "t");
    EXPECT_EQ(element->getStatus(), '-');
    EXPECT_EQ(childrenOf(element)[0]->getStatus(), '-');
    EXPECT_EQ(element->getAttributes()[0].getStatus(), 'x');
    SGMLTreeElem::setDefaultStatus('+');
    SGMLTreeAttr::setDefaultStatus('+');
}

TEST(SGMLTreeElem, CollectTextJoinsTheTextsOfMappedAndDroppedElements) {
    DocumentTree tree;
    SGMLTreeElem* root = tree.newNode("r", "");
    tree.addText(root, "a");
    root->addChild(elementWithText(tree, "kept", '+', "b"));
    SGMLTreeElem* dropped = elementWithText(tree, "dropped", '-', "c");
    dropped->addChild(elementWithText(tree, "inner", '+', "d"));
    dropped->addChild(elementWithText(tree, "innerOut", 'x', "-"));
    root->addChild(dropped);
    SGMLTreeElem* out = elementWithText(tree, "out", 'x', "-");
    out->addChild(elementWithText(tree, "underOut", '+', "-"));
    root->addChild(out);
    root->addChild(elementWithText(tree, "hash", '#', "-"));
    tree.addText(root, "e");
    // The root's own status does not matter.
    root->setStatus('x');
    EXPECT_EQ(root->collectText(), "abcde");
    EXPECT_EQ(dropped->collectText(), "cd");
    EXPECT_EQ(childrenOf(root)[0]->collectText(), "a");
    EXPECT_EQ(tree.newNode("e", "")->collectText(), "");
}

TEST(SGMLTreeElem, AnElementCountsItsOwnTextsAndKnowsWhenTheyAreOneText) {
    DocumentTree tree;
    // Siblings parted by one text, given again: the one text stands for all, its length
    // summed; the texts below a child are not the element's own.
    SGMLTreeElem* root = tree.newNode("r", "");
    tree.addText(root, "\n  ");
    for (int i = 0; i < 3; ++i) {
        SGMLTreeElem* child = elementWithText(tree, "e", '+', "deep");
        root->addChild(child);
        tree.addTextAgain(root, "\n  ");
    }
    EXPECT_EQ(root->getOwnTextLength(), 12u);
    ASSERT_NE(root->sameOwnText(), nullptr);
    EXPECT_EQ(root->sameOwnText()->getText(), "\n  ");
    // An element child first: the text is the second child.
    SGMLTreeElem* second = tree.newNode("s", "");
    second->addChild(tree.newNode("e", ""));
    tree.addText(second, "x");
    tree.addText(second, "x");
    EXPECT_EQ(second->getOwnTextLength(), 2u);
    ASSERT_NE(second->sameOwnText(), nullptr);
    EXPECT_EQ(second->sameOwnText()->getText(), "x");
    // Texts of one length but other bytes, an empty text among others, and a first text past
    // the second child: the texts must be joined one by one.
    SGMLTreeElem* differ = tree.newNode("d", "");
    tree.addText(differ, "a");
    tree.addText(differ, "b");
    EXPECT_EQ(differ->getOwnTextLength(), 2u);
    EXPECT_EQ(differ->sameOwnText(), nullptr);
    SGMLTreeElem* empty = tree.newNode("m", "");
    tree.addText(empty, "a");
    tree.addText(empty, "");
    EXPECT_EQ(empty->getOwnTextLength(), 1u);
    EXPECT_EQ(empty->sameOwnText(), nullptr);
    SGMLTreeElem* late = tree.newNode("l", "");
    late->addChild(tree.newNode("e", ""));
    late->addChild(tree.newNode("e", ""));
    tree.addText(late, "t");
    EXPECT_EQ(late->getOwnTextLength(), 1u);
    EXPECT_EQ(late->sameOwnText(), nullptr);
    // No text: nothing to join.
    SGMLTreeElem* bare = tree.newNode("b", "");
    bare->addChild(tree.newNode("e", ""));
    EXPECT_EQ(bare->getOwnTextLength(), 0u);
    EXPECT_EQ(bare->sameOwnText(), nullptr);
}

TEST(SGMLTreeElem, AttributesOfInterleavedElementsStayWithTheirElement) {
    // Attributes of one element usually grow one array in place; adding to an element after
    // another one's attributes must move its array, keeping what it had.
    DocumentTree tree;
    SGMLTreeElem* first = tree.newNode("first", "");
    SGMLTreeElem* second = tree.newNode("second", "");
    std::vector<std::pair<std::string, std::string>> expectFirst;
    std::vector<std::pair<std::string, std::string>> expectSecond;
    for (int i = 0; i < 3000; ++i) {
        const bool toFirst = i % 7 != 3;
        SGMLTreeElem* element = toFirst ? first : second;
        // Values of every length, some longer than the first block of storage.
        const std::string value(static_cast<std::size_t>(i % 5 == 0 ? 20000 + i : i % 40), 'v');
        const std::string name = "n" + std::to_string(i);
        tree.addAttribute(element, name, value + std::to_string(i), "CDATA", "");
        (toFirst ? expectFirst : expectSecond).emplace_back(name, value + std::to_string(i));
    }
    for (auto [element, expected] : {std::pair{first, &expectFirst}, {second, &expectSecond}}) {
        ASSERT_EQ(element->getAttributes().size(), expected->size());
        for (std::size_t i = 0; i < expected->size(); ++i) {
            EXPECT_EQ(element->getAttributes()[i].getName(), (*expected)[i].first);
            EXPECT_EQ(element->getAttributes()[i].getValue(), (*expected)[i].second);
        }
    }
}

TEST(SGMLTreeElem, DeepTreesAreWalkedAndFreedWithoutRecursion) {
    // The tree frees its storage as a whole (the leak checker sees any block left over), so no
    // walk over the nodes is needed, however deep.
    constexpr int depth = 200000;
    DocumentTree tree;
    SGMLTreeElem* root = tree.newNode("level", "");
    SGMLTreeElem* node = root;
    SGMLTreeElem* middle = nullptr;
    for (int i = 0; i < depth; ++i) {
        tree.addText(node, "x");
        tree.addAttribute(node, "n", "v", "CDATA", "");
        SGMLTreeElem* child = tree.newNode("level", "");
        node->addChild(child);
        if (i == depth / 2) middle = child;
        node = child;
    }
    EXPECT_EQ(root->collectText(), std::string(depth, 'x'));
    EXPECT_EQ(middle->collectText().size(), static_cast<std::size_t>(depth / 2 - 1));
    tree.clear();
    // A cleared tree builds anew.
    SGMLTreeElem* again = tree.newNode("again", "");
    tree.addText(again, "y");
    EXPECT_EQ(again->collectText(), "y");
}

TEST(DocumentTree, AWalkThatReleasesWhatItPassedStillReadsOpenElementsAndWhatFollows) {
    // Nested groups of items with texts and attributes, megabytes of them, so that the walk
    // passes many blocks; the address sanitizer sees a read of freed storage.
    DocumentTree tree;
    SGMLTreeElem* root = tree.newNode("root", "");
    tree.addAttribute(root, "r", "root value", "CDATA", "");
    std::string expected;
    for (int g = 0; g < 40; ++g) {
        SGMLTreeElem* group = tree.newNode("group", "");
        tree.addAttribute(group, "g", "group " + std::to_string(g), "CDATA", "");
        for (int i = 0; i < 1500; ++i) {
            SGMLTreeElem* item = tree.newNode("item", "");
            const std::string n = std::to_string(g) + "." + std::to_string(i);
            tree.addAttribute(item, "a", "first " + n, "CDATA", "");
            tree.addAttribute(item, "b", std::string(i % 50, 'b') + n, "CDATA", "");
            tree.addText(item, "text " + n);
            group->addChild(item);
            expected += "text " + n + "|first " + n + ";";
        }
        root->addChild(group);
        expected += "group " + std::to_string(g) + ";";
    }
    expected += "root value;";
    // A walk like the mapping's: texts when met, an element's attributes once its children are
    // done.
    struct Open {
        const SGMLTreeElem* element;
        SGMLTreeElem::ChildIterator next;
    };
    std::vector<Open> open{{root, root->getChildren().begin()}};
    std::string seen;
    int releases = 0;
    while (!open.empty()) {
        Open& top = open.back();
        if (top.next == SGMLTreeElem::ChildIterator()) {
            seen += std::string(top.element->getAttributes()[0].getValue()) + ";";
            open.pop_back();
            continue;
        }
        const SGMLTreeElem* node = *top.next;
        ++top.next;
        if (!tree.inCurrentBlock(node)) {
            std::vector<const SGMLTreeElem*> held;
            for (const Open& o : open) held.push_back(o.element);
            tree.releasePassed(node, held);
            ++releases;
        }
        if (node->isText()) {
            seen += std::string(node->getText()) + "|";
        } else {
            open.push_back({node, node->getChildren().begin()});
        }
    }
    EXPECT_EQ(seen, expected);
    EXPECT_GT(releases, 5);
}

TEST(DocumentTree, RepeatedTextsReadTheirOwnTextAfterAWalkReleasedWhatItPassed) {
    // Items parted by texts that mostly repeat the one before, given again as repeats, across
    // many blocks: blank ones, ones with quotes (kept normalised), empty ones and new ones.
    DocumentTree tree;
    SGMLTreeElem* root = tree.newNode("root", "");
    std::vector<std::string> expected;
    std::string last;
    bool first = true;
    for (int i = 0; i < 30000; ++i) {
        SGMLTreeElem* item = tree.newNode("item", "");
        root->addChild(item);
        std::string text = i % 50 < 40 ? "\\n\\012" : i % 50 < 45 ? "say \"so\"" : "";
        if (i % 997 == 0) text = "new " + std::to_string(i);
        if (!first && text == last) {
            tree.addTextAgain(root, text);
        } else {
            tree.addText(root, text);
        }
        expected.push_back(normalizeText(text));
        last = text;
        first = false;
    }
    // A walk like the mapping's over the root's children, releasing what it passed.
    std::size_t at = 0;
    int releases = 0;
    for (const SGMLTreeElem* node : root->getChildren()) {
        if (!tree.inCurrentBlock(node)) {
            tree.releasePassed(node, {root});
            ++releases;
        }
        if (!node->isText()) continue;
        ASSERT_LT(at, expected.size());
        EXPECT_EQ(node->getText(), expected[at]) << at;
        ++at;
    }
    EXPECT_EQ(at, expected.size());
    EXPECT_GT(releases, 5);
}

TEST(IgnoreTable, RulesStoreNormalisedNames) {
    auto table = Ref<IgnoreTable>::make();
    table->addElement("Order-Line", '-');
    table->addAttr("Order-Line", "Xml:Lang", '-');
    EXPECT_EQ((*table->getElements().begin())->getName(), "order_line");
    const IgnoreAttr* rule = *table->getAttrs().begin();
    EXPECT_EQ(rule->getElement(), "order_line");
    EXPECT_EQ(rule->getAttribute(), "xml_lang");
}

}  // namespace
