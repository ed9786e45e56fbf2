// StagedFacts: the facts an import makes of its document, from the document type to the resolved
// references, held back until the mapping and the reference resolution are done, then stored in
// the order they were made.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "objectbase/FreshChild.h"
#include "objectbase/InternalName.h"
#include "objectbase/MethodType.h"

class OMAccess;

// An import that is given up on the way (Ctrl-C, a farewell) must store nothing of its document:
// a part of a tree, or references resolved over a part of its IDs, would answer queries wrongly.
// Names and objects are still made as the mapping goes (their numbering stays that of a whole
// import), and a fresh element object is mapped to its text at once (nothing else names it); only
// the facts wait. What the mapping reads besides are signatures and class relations of the schema,
// which it does not make, and paths, which are found among the staged ones first. The facts are
// stored through the access layer's own insert operations, paths included, so that whatever an
// insert triggers there (the Web layer's loads) happens as for a fact inserted directly.
class StagedFacts {
  public:
    // The mapping's method applications have at most two arguments (child@(name, number)).
    static constexpr int maxArguments = 2;
    // The most own values a fresh element's fact takes.
    static constexpr int maxOwnValues = 64;

    // host[method@(args) -> value] of the type, as OMAccess::insertValue takes it. More than
    // maxArguments arguments are refused with std::invalid_argument.
    void value(const InternalName& host, const InternalName& method, const InternalName* args,
               int argCount, int type, const InternalName& value);
    // object : cls (kind 1), object :: cls (kind 2), as OMAccess::insertClassRelation.
    void classRelation(const InternalName& object, const InternalName& cls, int kind);
    // The same for a relation the mapping states again and again (an element class is a tag,
    // a method an attribute): staged once, as only the first would store anything.
    void classRelationOnce(const InternalName& object, const InternalName& cls, int kind);
    // Whether classRelationOnce has staged the relation.
    bool stagedOnce(const InternalName& object, const InternalName& cls, int kind) const {
        return relations.count(RelationKey{object, cls, kind}) != 0;
    }
    // object : cls for an object the import made, which has no class before this one: the
    // commit stores it through its fresh-membership road when it is given one.
    void freshMembership(const InternalName& object, const InternalName& cls);
    // freshMembership(object, cls), then host[method -> object] of the (set-valued) type and
    // object's child relation to host, as one fact: the commit stores the three through
    // OMAccess::insertFreshChild. Fresh children of one host, method and type staged one after
    // another are one run, which the commit stores through OMAccess::insertFreshChildren.
    // Inline for the next child of the run staged last: a million sibling elements each staged a
    // head and four names through calls, about 85 instructions a child.
    void freshChild(const InternalName& object, const InternalName& cls, const InternalName& host,
                    const InternalName& method, int type) {
        if (openRun != nullptr && *openRun < maxRunLength && host == runHost &&
            method == runMethod && type == runType) {
            ++*openRun;
            ++facts;
            addChild(object, cls);
            return;
        }
        startRun(object, cls, host, method, type);
    }

    // object[textMethod -> text] of textType, text's child relation to object, then
    // freshChild(object, cls, host, method, type), as one fact of three: an element whose
    // content is one text; without a text (text undefined), freshChild alone, as one fact. The
    // values of the object without arguments staged right after it
    // (its attributes), of one type, up to maxOwnValues, join the fact. The commit stores them
    // through OMAccess::insertFreshElement.
    void freshElement(const InternalName& object, const InternalName& cls, const InternalName& host,
                      const InternalName& method, int type, const InternalName& textMethod,
                      int textType, const InternalName& text);

    // The value of the scalar path host.method@(args): the stored one, the staged one, or a
    // reserved object whose path is staged (as OMAccess::insertPath with type 0 would make it).
    InternalName path(OMAccess& access, const InternalName& host, const InternalName& method,
                      const InternalName* args, int argCount);
    // The stored or staged value of the path; false when there is none.
    bool findPath(OMAccess& access, const InternalName& host, const InternalName& method,
                  const InternalName* args, int argCount, InternalName& value) const;

    // How often commit asks whether to stop: once every so many facts.
    static constexpr std::size_t commitPollEvery = 1024;

    // Stores every staged fact through the access layer, in the order staged, and forgets them;
    // true when all were stored. `stop` is asked every commitPollEvery facts (never when empty);
    // once it answers true the facts not stored yet are forgotten and commit answers false.
    // A fresh membership goes to `freshMember` when given, else to insertClassRelation.
    using FreshMember = std::function<int(const InternalName& object, const InternalName& cls)>;
    bool commit(OMAccess& access, const std::function<bool()>& stop = {},
                const FreshMember& freshMember = {});
    // Forgets the staged facts without storing any.
    void discard();
    // The number of facts staged, a fresh child counting as one.
    std::size_t size() const { return facts; }

  private:
    // A large document stages millions of facts: each is a head (its kind, argument count and
    // type) and its names in one stream, host, method, arguments and value (a class relation
    // has no value), both in blocks that never move, so that no reallocation doubles them.
    // A run of fresh children is one head with its host and method, its length in a stream of
    // its own, and its children in blocks of their own, from which the commit hands them to the
    // access layer in place: a million sibling elements staged a head and four names each, and
    // the commit stored each through three layers of calls.
    // A fresh element's head holds both its types, the type of its link in the low byte and
    // that of its text in the next one; its names are the object, its class, the host, the
    // method, the text's method and the text.
    enum class Kind : std::uint8_t {
        value,
        classRelation,
        freshMembership,
        freshChild,
        path,
        freshElement
    };
    // A fresh element's head counts its own values in argCount, and holds their type.
    struct Head {
        Kind kind;
        std::int8_t argCount;
        std::int16_t type;
        std::int8_t valueType = 0;
    };
    using PathKey = std::tuple<InternalName, InternalName, int, InternalName, InternalName>;
    using RelationKey = std::tuple<InternalName, InternalName, int>;
    // Paths are found once or more for every element of a document (its class, its link to
    // the host): a hashed index keeps that constant.
    struct PathKeyHash {
        std::size_t operator()(const PathKey& key) const;
    };
    struct RelationKeyHash {
        std::size_t operator()(const RelationKey& key) const;
    };
    static PathKey keyOf(const InternalName& host, const InternalName& method,
                         const InternalName* args, int argCount);
    static void checkArguments(int argCount);
    void stage(Kind kind, const InternalName& host, const InternalName& method,
               const InternalName* args, int argCount, int type, const InternalName* result);

    // A run of one child, the first of a run to come.
    void startRun(const InternalName& object, const InternalName& cls, const InternalName& host,
                  const InternalName& method, int type);
    void addChild(const InternalName& object, const InternalName& cls) {
        const std::size_t at = childCount % childBlock;
        if (at == 0) newChildBlock();
        children.back()[at] = FreshChild{object, cls};
        ++childCount;
    }
    void newChildBlock();

    static constexpr std::size_t childBlock = 4096;
    static constexpr std::uint32_t maxRunLength = 0xffffffffu;

    std::deque<Head> heads;
    std::deque<InternalName> names;
    // The length of each run of fresh children, in the order of their heads.
    std::deque<std::uint32_t> runLengths;
    // The children of the runs in the order staged, childBlock a block.
    std::vector<std::unique_ptr<FreshChild[]>> children;
    std::size_t childCount = 0;
    // The length of the run staged last while it is the last staged fact (else null), and its
    // host, method and type.
    std::uint32_t* openRun = nullptr;
    // The head of the fresh element staged last while it is the last staged fact (else null),
    // and its object.
    Head* openElement = nullptr;
    InternalName elementObject;
    InternalName runHost;
    InternalName runMethod;
    int runType = 0;
    std::size_t facts = 0;
    std::unordered_map<PathKey, InternalName, PathKeyHash> paths;
    std::unordered_set<RelationKey, RelationKeyHash> relations;
    // The relation classRelationOnce was asked for last, which `relations` holds.
    RelationKey lastOnce;
    bool haveLastOnce = false;
};
