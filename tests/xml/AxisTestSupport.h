// Shared helpers of the axis-step tests: an object base behind an OMAccess with the axis
// iterators handed to it, and makers of document facts as an import writes them.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "access/AccessTestSupport.h"
#include "access/AxisIteratorFactory.h"
#include "xml/XMLAxisIteratorFactory.h"

namespace axis_test {

using access_test::drain;
using access_test::Row;
using access_test::Rows;

const InternalName Free = InternalName::UndefinedObject;

inline Rows sorted(Rows rows) {
    std::sort(rows.begin(), rows.end());
    return rows;
}

// The access tests' fixture with the schema facts documents rely on (text() an instance of
// itself) and the axis iterators handed to the access layer.
class AxisTest : public access_test::AccessTest {
  protected:
    void SetUp() override {
        AccessTest::SetUp();
        access->useAxisIterators(&axes);
        access->insertClassRelation(builtinObject::Text, builtinObject::Text, IsaRelation::Member);
        document = object("doc");
        // As the Web layer classes every document it imports.
        access->insertClassRelation(document, object("xmldoc"), IsaRelation::Member);
        access->insertClassRelation(object("xmldoc"), object("webdoc"), IsaRelation::Subclass);
    }
    XMLAxisIteratorFactory axes;

    InternalName text(const std::string& value) {
        InternalName out;
        return access->nameFromString(out, "\"" + value + "\"", InternalName::String);
    }
    // A new element object of class `name` linked under it to `host`, as an XML import links it.
    InternalName element(const InternalName& host, const std::string& name) {
        const InternalName cls = object(name);
        const InternalName e = object(name + "#" + std::to_string(++elements));
        access->insertClassRelation(e, cls, IsaRelation::Member);
        access->insertClassRelation(cls, builtinObject::Tag, IsaRelation::Member);
        access->insertClassRelation(cls, builtinObject::Node, IsaRelation::Subclass);
        access->insertValue(host, cls, nullptr, 0, MethodType::Set, e);
        access->insertClassRelation(e, host, IsaRelation::Child);
        return e;
    }
    InternalName textChild(const InternalName& host, const std::string& value) {
        const InternalName t = text(value);
        access->insertValue(host, builtinObject::Text, nullptr, 0, MethodType::Set, t);
        access->insertClassRelation(t, host, IsaRelation::Child);
        return t;
    }
    InternalName attribute(const InternalName& e, const std::string& name,
                           const std::string& value) {
        const InternalName method = object(name);
        access->insertValue(e, method, nullptr, 0, MethodType::AttributeSet, text(value));
        access->insertClassRelation(method, builtinObject::Attribute, IsaRelation::Member);
        return method;
    }

    Rows step(int axis, const Row& tuple, int type = 1) {
        auto it = Ref<Iterator>::adopt(
            access->matchAxis(MethodType(type), Axis(axis), tuple.data(), 3, nullptr));
        Rows rows = drain(it.get());
        it.reset();
        return rows;
    }

    InternalName document;
    int elements = 0;
};

}  // namespace axis_test
