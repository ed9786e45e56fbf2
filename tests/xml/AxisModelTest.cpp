// Agreement of every axis step with a plain tree model: random documents written as an import
// writes them, or through the XML access layer's value insertion, every axis from every node and
// from a free node, with and without a method.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "AxisTestSupport.h"
#include "xml/XMLOMAccess.h"

using namespace axis_test;

namespace {

struct Node {
    InternalName name;
    int parent = -1;            // index into the model; -1 for the document
    InternalName label = Free;  // the method the parent holds it under
    bool isText = false;
    std::vector<int> children;
    Rows attributes;  // [node, attribute, value]
};

// The parameter: false writes the documents as an import does, true through insertXMLValue of
// an XML access layer (texts get their child relation written beside).
class AxisModelTest : public AxisTest, public ::testing::WithParamInterface<bool> {
  protected:
    void SetUp() override {
        AxisTest::SetUp();
        xml = nullptr;
        if (!GetParam()) return;
        accessOwner.reset();
        auto own = Ref<XMLOMAccess>::make(om);
        xml = own.get();
        xml->useAxisIterators(&axes);
        access = xml;
        accessOwner = std::move(own);
        document = object("doc");
    }

    InternalName writeElement(const InternalName& host, const std::string& cls) {
        if (xml == nullptr) return element(host, cls);
        const InternalName e = object(cls + "#" + std::to_string(++elements));
        xml->insertXMLValue(host, object(cls), nullptr, 0, MethodType::Set, Axis::Child, e);
        return e;
    }
    InternalName writeText(const InternalName& host, const std::string& value) {
        if (xml == nullptr) return textChild(host, value);
        const InternalName t = text(value);
        xml->insertXMLValue(host, builtinObject::Text, nullptr, 0, MethodType::Set, Axis::Child, t);
        access->insertClassRelation(t, host, IsaRelation::Child);
        return t;
    }
    InternalName writeAttribute(const InternalName& e, const std::string& name,
                                const std::string& value) {
        if (xml == nullptr) return attribute(e, name, value);
        xml->insertXMLValue(e, object(name), nullptr, 0, MethodType::Set, Axis::Attribute,
                            text(value));
        return object(name);
    }

    // A random tree of `size` nodes below the document: elements of three classes, texts with
    // their own strings, attributes on some elements.
    void build(std::mt19937& random, int size) {
        nodes.clear();
        Node root;
        root.name = document;
        nodes.push_back(root);
        const char* classes[] = {"a", "b", "c"};
        for (int i = 0; i < size; ++i) {
            std::vector<int> hosts;
            for (int n = 0; n < static_cast<int>(nodes.size()); ++n)
                if (!nodes[n].isText && (n != 0 || nodes.size() == 1)) hosts.push_back(n);
            const int host = hosts[random() % hosts.size()];
            Node node;
            node.parent = host;
            if (host != 0 && random() % 4 == 0) {
                node.isText = true;
                node.label = builtinObject::Text;
                node.name = writeText(nodes[host].name, "t" + std::to_string(i));
            } else {
                const std::string cls = classes[random() % 3];
                node.label = object(cls);
                node.name = writeElement(nodes[host].name, cls);
                if (random() % 3 == 0) {
                    const std::string value = "v" + std::to_string(i);
                    node.attributes.push_back(
                        {node.name, writeAttribute(node.name, "at", value), text(value)});
                }
            }
            nodes[host].children.push_back(static_cast<int>(nodes.size()));
            nodes.push_back(node);
        }
    }

    // The model's rows of one axis from node n.
    Rows expected(int axis, int n) const {
        Rows rows;
        const Node& node = nodes[n];
        auto labelOf = [&](int k) { return k < 0 ? Free : nodes[k].label; };
        switch (axis) {
            case 1:
                for (int c : node.children)
                    rows.push_back({node.name, nodes[c].label, nodes[c].name});
                break;
            case 2: {
                std::vector<int> work(node.children);
                while (!work.empty()) {
                    const int d = work.back();
                    work.pop_back();
                    rows.push_back({node.name, nodes[d].label, nodes[d].name});
                    work.insert(work.end(), nodes[d].children.begin(), nodes[d].children.end());
                }
                break;
            }
            case 3:
                // The document (node 0) is no element: its root has no parent row.
                if (node.parent > 0)
                    rows.push_back({node.name, labelOf(node.parent), nodes[node.parent].name});
                break;
            case 4:
                for (int a = node.parent; a > 0; a = nodes[a].parent)
                    rows.push_back({node.name, nodes[a].label, nodes[a].name});
                break;
            case 5:
                if (node.parent >= 0)
                    for (int c : nodes[node.parent].children)
                        if (c != n) rows.push_back({node.name, nodes[c].label, nodes[c].name});
                break;
            case 6:
                rows = node.attributes;
                break;
        }
        return rows;
    }

    // The model's rows for a pattern: the node bound, or every node.
    Rows expected(int axis, int n, const Row& tuple) const {
        Rows rows;
        for (int k = 0; k < static_cast<int>(nodes.size()); ++k) {
            if (n >= 0 && k != n) continue;
            // A bound method is the label of the node reached: element classes are their
            // labels, texts have no class and the document none.
            for (const Row& row : expected(axis, k))
                if ((tuple[2] == Free || tuple[2] == row[2]) &&
                    (tuple[1] == Free || tuple[1] == row[1]))
                    rows.push_back(row);
        }
        return sorted(rows);
    }

    std::vector<Node> nodes;
    XMLOMAccess* xml = nullptr;
};

}  // namespace

TEST_P(AxisModelTest, EveryAxisFromEveryNodeAgreesWithTheTree) {
    std::mt19937 random(38);
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        TearDown();
        SetUp();
        build(random, 8 + round * 5);
        const Row methods{Free, object("a"), object("b"), object("at")};
        for (int axis = 1; axis <= 6; ++axis)
            for (const InternalName& method : methods)
                for (int n = -1; n < static_cast<int>(nodes.size()); ++n) {
                    const Row tuple{n < 0 ? Free : nodes[n].name, method, Free};
                    SCOPED_TRACE("axis " + std::to_string(axis) + " node " + std::to_string(n) +
                                 " method " + std::to_string(method.getValue()));
                    ASSERT_EQ(sorted(step(axis, tuple)), expected(axis, n, tuple));
                }
    }
}

TEST_P(AxisModelTest, BoundValuesSelectTheSameRowsAsTheModel) {
    std::mt19937 random(83);
    build(random, 25);
    for (int axis = 1; axis <= 5; ++axis)
        for (int n = 0; n < static_cast<int>(nodes.size()); ++n)
            for (int v = 0; v < static_cast<int>(nodes.size()); v += 3) {
                const Row tuple{nodes[n].name, Free, nodes[v].name};
                SCOPED_TRACE("axis " + std::to_string(axis) + " node " + std::to_string(n) +
                             " value " + std::to_string(v));
                ASSERT_EQ(sorted(step(axis, tuple)), expected(axis, n, tuple));
            }
}

INSTANTIATE_TEST_SUITE_P(Writers, AxisModelTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? std::string("XMLInsertions")
                                               : std::string("ImportFacts");
                         });
