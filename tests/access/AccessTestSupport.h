// Shared helpers of the access-layer tests: a fixture with a fresh object base behind an
// OMAccess, symbol and name makers, shell argument lists and row draining.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "access/OMAccess.h"
#include "foundation/ErrorHandler.h"
#include "foundation/ShellValues.h"
#include "foundation/clib_list.h"
#include "objectbase/Iterator.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/SymTab.h"
#include "support/ChannelCapture.h"

namespace access_test {

using Row = std::vector<InternalName>;
using Rows = std::vector<Row>;

// A free cell of a pattern.
inline const InternalName Free = InternalName::UndefinedObject;

inline InternalName integer(int v) {
    return InternalName(v, InternalName::Integer, 0);
}

// Every row an iterator yields; a null iterator has none.
inline Rows drain(Iterator* it) {
    Rows rows;
    if (it == nullptr) return rows;
    for (bool more = it->first(); more; more = it->next()) {
        Row row;
        for (int col = 1; col <= it->columns(); ++col) row.push_back(it->atColumn(col));
        rows.push_back(row);
    }
    return rows;
}

// A shell argument list of strings; owns its arguments.
class StringArgs {
  public:
    StringArgs(std::initializer_list<const char*> texts) {
        for (const char* text : texts) {
            strings.push_back(Ref<FLSysString>::adopt(FLSysString::fromString(text)));
            list.append(strings.back().get());
        }
    }
    StringArgs(const StringArgs&) = delete;
    StringArgs& operator=(const StringArgs&) = delete;
    FLSysArgs* operator&() { return &list; }

  private:
    std::vector<Ref<FLSysString>> strings;
    FLSysArgs list;
};

// A fresh object base behind a fresh OMAccess for every test. Reports go to a captured error
// channel (names only); the central handler keeps the last one.
class AccessTest : public ::testing::Test {
  protected:
    void SetUp() override {
        omOwner = Ref<MainMemOM>::make();
        om = omOwner.get();
        accessOwner = Ref<OMAccess>::make(om);
        access = accessOwner.get();
        centralErrorHandler().setKeepMostSerious(0);
    }
    void TearDown() override {
        accessOwner.reset();
        omOwner.reset();
        access = nullptr;
        om = nullptr;
        centralErrorHandler().setKeepMostSerious(1);
    }

    // The object bound to a constant (a function symbol of arity 0), made on first use.
    InternalName object(const std::string& name) {
        InternalName out;
        access->getOrCreateName(om->giveSymTab()->GetFSymbol(name, InternalName::Function, 0), out);
        return out;
    }
    FSymbol symbol(const std::string& name, int kind, int arity) {
        return om->giveSymTab()->GetFSymbol(name, kind, arity);
    }
    // The string constant with this text.
    InternalName text(const std::string& value) {
        InternalName out;
        return access->nameFromString(out, "\"" + value + "\"", InternalName::String);
    }
    // Origin and number of the error reported last ("0/0" when none since the fixture began).
    static std::string lastError() {
        const Error error = centralErrorHandler().getError();
        return std::to_string(error.getOrigin()) + "/" + std::to_string(error.getNumber());
    }

    ErrorCapture errors;
    // The fixture holds the base and the layer; the tests borrow them through the plain pointers.
    Ref<MainMemOM> omOwner;
    Ref<OMAccess> accessOwner;
    MainMemOM* om = nullptr;
    OMAccess* access = nullptr;
};

}  // namespace access_test
