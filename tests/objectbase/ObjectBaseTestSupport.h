// Shared helpers of the object-base tests: identifier makers, frame printing, row draining and a
// fixture holding a fresh main-memory object manager.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/ErrorHandler.h"
#include "objectbase/Iterator.h"
#include "objectbase/MainMemFrames.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/SymTab.h"
#include "support/ChannelCapture.h"

namespace objectbase_test {

using Rows = std::vector<std::vector<InternalName>>;

inline InternalName obj(int v) {
    return InternalName(v, InternalName::Object, 0);
}
inline InternalName num(int v) {
    return InternalName(v, InternalName::Integer, 0);
}
inline InternalName setName(int v) {
    return InternalName(v, InternalName::SetName, 1);
}

// The print form of a frame.
inline std::string printed(const Frame& frame) {
    OutputChannel channel;
    ChannelCapture capture(channel);
    frame.print(channel);
    return capture.text();
}

// Every row an iterator yields, `columns` values each; a null iterator has none.
inline Rows drain(Iterator* it, int columns) {
    Rows rows;
    if (it == nullptr) return rows;
    for (bool more = it->first(); more; more = it->next()) {
        std::vector<InternalName> row;
        for (int col = 1; col <= columns; ++col) row.push_back(it->atColumn(col));
        rows.push_back(row);
    }
    return rows;
}

// Every row of the predicate's frame in the manager, in the frame's order; none without a frame.
inline Rows predicateRows(MainMemOM* om, const InternalName& predicate) {
    MainMemPredFrame* frame = om->getPredFrame(predicate);
    if (frame == nullptr) return {};
    auto it = Ref<Iterator>::adopt(frame->getIterator(nullptr));
    Rows rows = drain(it.get(), frame->getArity());
    it.reset();
    return rows;
}

// Two fresh object managers fed the same operations by two roads, `plain` and `other`, for a
// test that compares what they hold; names are made in the same order in both.
class TwoManagersTest : public ::testing::Test {
  protected:
    void SetUp() override {
        centralErrorHandler().reset();
        centralErrorHandler().setKeepMostSerious(0);
        plainOwner = Ref<MainMemOM>::make();
        otherOwner = Ref<MainMemOM>::make();
        plain = plainOwner.get();
        other = otherOwner.get();
    }
    void TearDown() override {
        for (Ref<MainMemOM>* owner : {&plainOwner, &otherOwner}) {
            (*owner)->clearDelta();
            owner->reset();
        }
        centralErrorHandler().setKeepMostSerious(1);
        centralErrorHandler().reset();
    }

    // The same object in both managers.
    InternalName object(const std::string& text) {
        InternalName a;
        InternalName b;
        plain->internName(a, text, 1);
        other->internName(b, text, 1);
        EXPECT_EQ(a, b) << text;
        return a;
    }

    static std::string dumped(MainMemOM* om) {
        ChannelCapture debug(debugChannel());
        om->dump(0);
        return debug.text();
    }

    // The fixture holds both managers; the tests borrow them through the plain pointers.
    Ref<MainMemOM> plainOwner;
    Ref<MainMemOM> otherOwner;
    MainMemOM* plain = nullptr;
    MainMemOM* other = nullptr;
};

// A fresh object manager for every test, with the central handler keeping the last error.
class ObjectManagerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        omOwner = Ref<MainMemOM>::make();
        om = omOwner.get();
        centralErrorHandler().reset();
        centralErrorHandler().setKeepMostSerious(0);
    }
    void TearDown() override {
        om->clearDelta();
        omOwner.reset();
        centralErrorHandler().setKeepMostSerious(1);
        centralErrorHandler().reset();
    }

    InternalName obj(const std::string& text) {
        InternalName name;
        return om->internName(name, text, 1);
    }
    FSymbol function(const std::string& text, int arity) {
        return om->giveSymTab()->GetFSymbol(text, InternalName::Function, arity);
    }
    FSymbol pred(const std::string& text, int arity) {
        return om->giveSymTab()->GetFSymbol(text, InternalName::Predicate, arity);
    }
    std::string lex(const InternalName& name, int quote = 0, int style = 0) {
        std::string out;
        om->giveLexicalForm(name, out, quote, style);
        return out;
    }

    // The fixture holds the manager; the tests borrow it through the plain pointer.
    Ref<MainMemOM> omOwner;
    MainMemOM* om = nullptr;
};

}  // namespace objectbase_test
