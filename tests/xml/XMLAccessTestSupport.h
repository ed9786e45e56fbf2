// Shared helpers of the XML access layer's tests: a layer that records the loads it starts, over a
// fresh object base, in a scratch folder that is the working and home folder, with the axis
// iterators handed to it.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "access/AxisIteratorFactory.h"
#include "foundation/ShellValues.h"
#include "foundation/clib_list.h"
#include "objectbase/Iterator.h"
#include "objectbase/MainMemOM.h"
#include "support/ChannelCapture.h"
#include "xml/NsgmlTestSupport.h"
#include "xml/ScratchLayerTestSupport.h"
#include "xml/WebTestSupport.h"
#include "xml/XMLAxisIteratorFactory.h"
#include "xml/XMLOMAccess.h"

namespace xmlaccess_test {

using nsgmltest::readFile;
using nsgmltest::writeFile;

const InternalName Free = InternalName::UndefinedObject;

using TestXMLAccess = RecordingLayer<XMLOMAccess>;

class XMLAccessTest : public ScratchLayerTest<TestXMLAccess> {
  protected:
    void SetUp() override {
        ScratchLayerTest::SetUp();
        access->useAxisIterators(&axes);
    }

    XMLAxisIteratorFactory axes;

    static InternalName integer(int value) { return InternalName(value, InternalName::Integer, 0); }
    std::string text(const InternalName& name) {
        std::string out;
        access->giveLexicalForm(name, out);
        return out;
    }
    // The rows of a lookup, as texts "host method value" (set values one row per member).
    std::vector<std::string> rows(int type, const std::vector<InternalName>& pattern) {
        std::vector<std::string> found;
        auto it = Ref<Iterator>::adopt(access->lookup(MethodType(type), pattern.data(),
                                                      static_cast<int>(pattern.size()), nullptr));
        for (bool more = it && it->first(); more; more = it->next()) {
            std::string row;
            for (int column = 1; column < it->columns(); ++column)
                row += text(it->atColumn(column)) + " ";
            const InternalName last = it->atColumn(it->columns());
            auto members = Ref<Iterator>::adopt(last.getType() == InternalName::SetName
                                                    ? access->setIterator(last, nullptr)
                                                    : nullptr);
            if (!members) {
                found.push_back(row + text(last));
                continue;
            }
            for (bool m = members->first(); m; m = members->next())
                found.push_back(row + text(members->atColumn(1)));
        }
        return found;
    }
    // The values of one axis step from a bound node.
    std::vector<InternalName> step(int axis, const InternalName& start,
                                   const InternalName& method = Free, int type = 1) {
        std::vector<InternalName> values;
        const InternalName tuple[3] = {start, method, Free};
        auto it = Ref<Iterator>::adopt(
            access->matchAxis(MethodType(type), Axis(axis), tuple, 3, nullptr));
        for (bool more = it && it->first(); more; more = it->next())
            values.push_back(it->atColumn(3));
        it.reset();
        return values;
    }
    // A file of the test data copied into the scratch folder; its URL.
    std::string copyData(const std::string& name) {
        writeFile(scratch / name, readFile(nsgmltest::dataDir() / name));
        return fileUrl(name);
    }

    // U : url, then U[parse@(args) -> D] as a rule head writes it (a path without an axis).
    InternalName parse(const std::string& url, const std::vector<InternalName>& args) {
        const InternalName u = string(url);
        access->insertClassRelation(u, builtinObject::Url, IsaRelation::Member);
        InternalName document = Free;
        access->insertXMLPath(u, builtinObject::Parse0, args.data(), static_cast<int>(args.size()),
                              MethodType::Scalar, Axis::None, document);
        return document;
    }
    // The root element of a loaded document.
    InternalName rootOf(const InternalName& document) {
        const std::vector<InternalName> children = step(1, document);
        return children.empty() ? Free : children.front();
    }
};

}  // namespace xmlaccess_test
