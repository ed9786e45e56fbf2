// The mapping's one-step road for fresh elements (their class, link and parent as one fact, their
// attributes after it) and its general road (each fact on its own) store the same facts for
// random documents: the same dump in the same order, the same children and instances of every
// object, the same reports.
#include <random>
#include <regex>
#include <set>

#include "ImportTestSupport.h"
#include "objectbase/Iterator.h"

namespace import_test {
namespace {

// Random well-formed documents that mix what the mapping treats apart: runs of bare siblings,
// elements with attributes and one text, texts that read as numbers, blank texts between
// siblings, nested and mixed content, entities, prefixed attributes, IDs and references.
class RandomDocument {
  public:
    explicit RandomDocument(unsigned seed) : random(seed) {}

    std::string make() {
        ids.clear();
        std::string out = "<?xml version=\"1.0\"?>\n";
        if (pick(2) == 0) {
            out += "<!DOCTYPE r [\n<!ELEMENT r ANY>\n";
            for (const char* name : names) {
                out += std::string("<!ELEMENT ") + name + " ANY>\n";
            }
            for (const char* name : {"r", "a", "b", "item"}) {
                out += std::string("<!ATTLIST ") + name +
                       " id ID #IMPLIED ref IDREF #IMPLIED toks NMTOKENS #IMPLIED"
                       " k CDATA #IMPLIED v CDATA #IMPLIED p:q CDATA #IMPLIED>\n";
            }
            out += "]>\n";
        }
        const std::string separator = choose({"\n", "", "\n  "});
        out += "<r" + attributes() + ">";
        for (int i = 0, n = 1 + pick(20); i < n; ++i) {
            out += separator;
            element(1, out);
        }
        return out + separator + "</r>\n";
    }

  private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); }
    std::string choose(std::initializer_list<const char*> options) {
        return *(options.begin() + pick(static_cast<int>(options.size())));
    }

    std::string text() {
        if (pick(5) < 2) {
            return choose({"t1", "1", "01", "1.5", "-3", "\n", "\n  ", " ", "same", "x &amp; y",
                           "&lt;b&gt;", "caf&#233;", "&#x1D11E;", "it's", "0", "1e3", "\t"});
        }
        return choose({"t", "u", "", " "}) + std::to_string(pick(40));
    }

    std::string attributes() {
        std::string out;
        for (const char* name : {"k", "v", "id", "ref", "toks", "p:q"}) {
            if (pick(4) != 0) continue;
            std::string value;
            const std::string attribute = name;
            if (attribute == "id") {
                value = "i" + std::to_string(ids.size());
                ids.push_back(value);
            } else if (attribute == "ref") {
                value = !ids.empty() && pick(5) != 0 ? ids[std::size_t(pick(int(ids.size())))]
                                                     : "missing";
            } else if (attribute == "toks") {
                value = choose({"p", "p q", "1 q p"});
            } else {
                value = text();
            }
            out += " " + attribute + "=\"" + value + "\"";
        }
        return out;
    }

    void element(int depth, std::string& out) {
        const std::string name = pick(10) < 7 ? choose({"a", "b"}) : choose(names);
        const std::string own = attributes();
        const int shape = pick(20);
        if (depth > 3 || shape < 6) {
            out += "<" + name + own + "/>";
            return;
        }
        if (shape < 11) {
            out += "<" + name + own + ">" + text() + "</" + name + ">";
            return;
        }
        out += "<" + name + own + ">";
        for (int i = 0, n = pick(6); i < n; ++i) {
            const int kind = pick(20);
            if (kind < 7) {
                out += text();
            } else if (kind < 8) {
                out += "<!-- c -->";
            } else if (kind < 10) {
                const std::string sibling = "<" + choose({"a", "b"}) + "/>";
                const std::string between = choose({"", "\n", "\n  "});
                for (int j = 0, runs = 2 + pick(70); j < runs; ++j) out += between + sibling;
            } else {
                element(depth + 1, out);
            }
        }
        out += "</" + name + ">";
    }

    // Static: a member list would keep its array only while the constructor runs.
    static constexpr std::initializer_list<const char*> names = {"a", "b", "item", "x-y"};
    std::mt19937 random;
    std::vector<std::string> ids;
};

class MappingRoadsTest : public ImportTest {
  protected:
    // The base after importing the document, by the one-step road or the general one: its dump
    // as written, then the instances and children of every object the dump names, then the
    // reports.
    std::string importedBy(const std::string& text, bool oneStep) {
        TearDown();
        SetUp();
        errors.clear();
        if (oneStep) {
            handler->setFreshMembership(
                [this](const InternalName& object, const InternalName& cls) {
                    return access->insertClassRelation(object, cls, IsaRelation::Member);
                });
        }
        const std::string file = (home / "doc.xml").string();
        writeFile(file, text);
        ParseRequest r = request(6, 1, 1);
        r.mapping = 1;
        handler->parseWebdoc(document, file, r, 0, "file:", "", file);
        std::string seen;
        {
            ChannelCapture capture(debugChannel());
            om->dump(1);
            seen = capture.text();
        }
        // The dump leaves out the classes' members and the children: the objects it names are
        // asked for theirs.
        std::set<std::string> objects;
        const std::regex name("f0_[0-9]+");
        for (auto it = std::sregex_iterator(seen.begin(), seen.end(), name);
             it != std::sregex_iterator(); ++it) {
            objects.insert(it->str());
        }
        std::string relations;
        for (const std::string& each : objects) {
            for (int kind : {1, 3}) {
                relations += each + " kind " + std::to_string(kind) + ":";
                const auto rows =
                    Ref<Iterator>::adopt(om->isaIterator(object(each), kind, nullptr));
                for (bool more = rows && rows->first(); more; more = rows->next()) {
                    std::string form;
                    om->giveLexicalForm(rows->atColumn(1), form, 0, 0);
                    relations += " " + form;
                }
                relations += "\n";
            }
        }
        return seen + relations + reports(errors);
    }
};

TEST_F(MappingRoadsTest, RandomDocumentsStoreTheSameFactsByBothRoads) {
    RandomDocument documents(91);
    for (int i = 0; i < 150; ++i) {
        const std::string text = documents.make();
        const std::string general = importedBy(text, false);
        const std::string oneStep = importedBy(text, true);
        ASSERT_NE(general.find("f0_"), std::string::npos) << text;
        ASSERT_EQ(general, oneStep) << "document " << i << ":\n" << text;
    }
}

}  // namespace
}  // namespace import_test
