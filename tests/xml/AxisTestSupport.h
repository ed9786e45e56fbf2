// Shared helpers of the axis-step tests: an object base behind an OMAccess with the axis
// iterators installed, and makers of document facts as an import writes them.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "access/AxisIteratorFactory.h"
#include "access/OMAccess.h"
#include "foundation/ErrorHandler.h"
#include "objectbase/Iterator.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/SymTab.h"
#include "support/ChannelCapture.h"
#include "xml/XMLAxisIteratorFactory.h"

namespace axis_test {

using Row = std::vector<InternalName>;
using Rows = std::vector<Row>;

const InternalName Free = InternalName::UndefinedObject;

// Every row an iterator yields, in order; a null iterator has none.
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

inline Rows sorted(Rows rows) {
    std::sort(rows.begin(), rows.end());
    return rows;
}

// A fresh object base for every test, with the schema facts documents rely on (text() an
// instance of itself) and the axis iterators installed.
class AxisTest : public ::testing::Test {
  protected:
    void SetUp() override {
        XMLAxisIteratorFactory::installShared();
        om = new MainMemOM();
        access = new OMAccess(om);
        access->insertClassRelation(builtinObject::Text, builtinObject::Text, 1);
        document = object("doc");
        centralErrorHandler().setKeepMostSerious(0);
    }
    void TearDown() override {
        decRef(access);
        decRef(om);
        AxisIteratorFactory::install(nullptr);
        centralErrorHandler().setKeepMostSerious(1);
    }

    InternalName object(const std::string& name) {
        InternalName out;
        access->getOrCreateName(om->giveSymTab()->GetFSymbol(name, InternalName::Function, 0), out);
        return out;
    }
    InternalName text(const std::string& value) {
        InternalName out;
        return access->nameFromString(out, "\"" + value + "\"", InternalName::String);
    }
    // A new element object of class `name` linked under it to `host`, as an XML import links it.
    InternalName element(const InternalName& host, const std::string& name) {
        const InternalName cls = object(name);
        const InternalName e = object(name + "#" + std::to_string(++elements));
        access->insertClassRelation(e, cls, 1);
        access->insertClassRelation(cls, builtinObject::Tag, 1);
        access->insertClassRelation(cls, builtinObject::Node, 2);
        access->insertValue(host, cls, nullptr, 0, 1, e);
        access->insertClassRelation(e, host, 3);
        return e;
    }
    InternalName textChild(const InternalName& host, const std::string& value) {
        const InternalName t = text(value);
        access->insertValue(host, builtinObject::Text, nullptr, 0, 1, t);
        access->insertClassRelation(t, host, 3);
        return t;
    }
    InternalName attribute(const InternalName& e, const std::string& name,
                           const std::string& value) {
        const InternalName method = object(name);
        access->insertValue(e, method, nullptr, 0, 2, text(value));
        access->insertClassRelation(method, builtinObject::Attribute, 1);
        return method;
    }

    Rows step(int axis, const Row& tuple, int type = 1) {
        Iterator* it = access->matchAxis(type, axis, tuple.data(), 3, nullptr);
        Rows rows = drain(it);
        decRef(it);
        return rows;
    }
    static std::string lastError() {
        const Error error = centralErrorHandler().getError();
        return std::to_string(error.getOrigin()) + "/" + std::to_string(error.getNumber());
    }

    ErrorCapture errors;
    MainMemOM* om = nullptr;
    OMAccess* access = nullptr;
    InternalName document;
    int elements = 0;
};

}  // namespace axis_test
