// Helpers of the built-in predicate tests: an access layer whose name map, link flag and document
// files a test can set, and calls of built-in atoms as the operators make them.
#pragma once

#include <map>
#include <string>

#include "AccessTestSupport.h"

namespace access_test {

// An OMAccess whose protected state the tests set directly.
class TestAccess : public OMAccess {
  public:
    explicit TestAccess(OM* om) : OMAccess(om) {}
    void map(const InternalName& name, const InternalName& to) { nameMap.insert(name, to); }
    void setFollowingLink(int on) { followingLink = on; }
    int giveLocalFile(const InternalName& name, std::string& file) override {
        auto found = files.find(name);
        if (found == files.end()) return 0;
        file = found->second;
        return 1;
    }

    std::map<InternalName, std::string> files;

  protected:
    ~TestAccess() override = default;
};

// What a built-in atom answered: whether there was an iterator at all, and its rows.
struct Answer {
    bool iterator = false;
    Rows rows;
};

class BuiltinTest : public AccessTest {
  protected:
    void SetUp() override {
        AccessTest::SetUp();
        decRef(access);
        access = test = new TestAccess(om);
    }

    // The atom name(args...) through the factory of predicate atoms.
    Answer call(const std::string& name, Row args) {
        const int arity = static_cast<int>(args.size());
        Iterator* it = access->makeFuncOrPredIter(
            symbol(name, InternalName::BuiltinPredicate, arity), args.data(), arity, nullptr);
        Answer answer{it != nullptr, drain(it)};
        decRef(it);
        return answer;
    }
    // The arithmetic atom x op y = r (type 100 to 104) through the factory of method atoms.
    Rows arithmetic(int type, InternalName x, InternalName y, InternalName r) {
        const InternalName tuple[3] = {x, y, r};
        Iterator* it = access->makeRefIter(type, tuple, 3, nullptr);
        Rows rows = drain(it);
        decRef(it);
        return rows;
    }
    // The string constant with this text.
    InternalName text(const std::string& value) {
        InternalName out;
        return access->nameFromString(out, "\"" + value + "\"", InternalName::String);
    }
    // The text of a string constant (empty for any other name).
    std::string textOf(const InternalName& name) {
        if (name.getType() != InternalName::String) return "";
        std::string form;
        access->giveLexicalForm(name, form, 0, 0);
        return form.substr(1, form.size() - 2);
    }

    const InternalName Free = InternalName::UndefinedObject;
    TestAccess* test = nullptr;
};

inline InternalName real(float value) {
    return InternalName(value, InternalName::Float, 0);
}

}  // namespace access_test
