// Helpers of the built-in predicate tests: an access layer whose name map, link flag and document
// files a test can set, calls of built-in atoms as the operators make them, and temporary files.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

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
        accessOwner.reset();
        auto own = Ref<TestAccess>::make(om);
        access = test = own.get();
        accessOwner = std::move(own);
    }
    void TearDown() override {
        for (const std::string& file : tempFiles) std::remove(file.c_str());
        AccessTest::TearDown();
    }
    // A file name of this test's own, removed afterwards.
    std::string tempFile(const std::string& stem) {
        const std::string name = ::testing::TempDir() + "quorin_" + stem + "_" +
                                 std::to_string(reinterpret_cast<std::uintptr_t>(this));
        tempFiles.push_back(name);
        return name;
    }

    // The atom name(args...) through the factory of predicate atoms.
    Answer call(const std::string& name, Row args) {
        const int arity = static_cast<int>(args.size());
        const auto it = Ref<Iterator>::adopt(access->makeFuncOrPredIter(
            symbol(name, InternalName::BuiltinPredicate, arity), args.data(), arity, nullptr));
        return Answer{it != nullptr, drain(it.get())};
    }
    // The arithmetic atom x op y = r (type 100 to 104) through the factory of method atoms.
    Rows arithmetic(int type, InternalName x, InternalName y, InternalName r) {
        const InternalName tuple[3] = {x, y, r};
        auto it = Ref<Iterator>::adopt(access->makeRefIter(ArithmeticOp(type), tuple, 3, nullptr));
        Rows rows = drain(it.get());
        it.reset();
        return rows;
    }
    // The text of a string constant (empty for any other name).
    std::string textOf(const InternalName& name) {
        if (name.getType() != InternalName::String) return "";
        std::string form;
        access->giveLexicalForm(name, form, 0, 0);
        return form.substr(1, form.size() - 2);
    }

    TestAccess* test = nullptr;
    std::vector<std::string> tempFiles;
};

inline InternalName real(float value) {
    return InternalName(value, InternalName::Float, 0);
}

}  // namespace access_test
