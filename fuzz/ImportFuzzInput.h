// One fuzz input of the document import: a byte of request flags, then an event stream that a
// handler maps as if the parser had written it. Shared by the fuzz target and its replay test.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "access/OMAccess.h"
#include "objectbase/Iterator.h"
#include "objectbase/MainMemOM.h"
#include "xml/NsgmlHandler.h"

namespace importfuzz {

// A handler whose parser run writes the given stream.
class StreamHandler : public NsgmlHandler {
  public:
    StreamHandler(OMAccess* access, std::string stream)
        : NsgmlHandler(access), stream(std::move(stream)) {}

  protected:
    int runParser(std::vector<std::string>&, const std::string& output) override {
        std::ofstream(output, std::ios::binary) << stream;
        return 0;
    }

  private:
    std::string stream;
};

// The facts of a base: the method entries and the stored class relations of every object.
inline std::size_t factCount(OMAccess& access) {
    std::vector<InternalName> objects;
    Iterator* names = access.objNamesIterator(nullptr);
    for (bool more = names != nullptr && names->first(); more; more = names->next())
        objects.push_back(names->atColumn(1));
    decRef(names);
    std::size_t count = 0;
    auto rows = [&count](Iterator* it) {
        for (bool more = it != nullptr && it->first(); more; more = it->next()) ++count;
        decRef(it);
    };
    for (const InternalName& object : objects) {
        rows(access.methodIterator(object, std::nullopt));
        for (IsaRelation kind : {IsaRelation::Member, IsaRelation::Subclass, IsaRelation::Child})
            rows(access.makeIsaIter(object, InternalName::UndefinedObject, kind, nullptr));
    }
    return count;
}

// The flags byte: kind 0 to 6 (bits 0-2, 7 read as 5), references, XML, ordering, mapping, a
// DTD demand that follows the base's signatures (one stored for the test), and whether the file
// name marks an HTML page. HOME must name a writable folder. A document the import refuses (a
// stream that ends inside an element or holds none, elements nested too deep) gets its error
// value and nothing else: anything more stops the run.
inline void importStream(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return;
    const std::uint8_t flags = data[0];
    ParseRequest request;
    request.kind = (flags & 7) == 7 ? 5 : flags & 7;
    request.references = (flags >> 3) & 1;
    request.xml = (flags >> 4) & 1;
    request.ordering = (flags >> 5) & 1;
    request.mapping = (flags >> 6) & 1;
    auto* om = new MainMemOM();
    auto* access = new OMAccess(om);
    InternalName schema, name;
    access->internName(schema, "schema", 1);
    access->internName(name, "name", 1);
    access->insertValue(builtinObject::Object, name, nullptr, 0, MethodType::ScalarSignature,
                        builtinObject::String);
    if ((flags >> 7) != 0) request.dtdDemand = schema;
    auto* handler =
        new StreamHandler(access, std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
    InternalName document;
    access->internName(document, "doc", 1);
    const std::size_t before = factCount(*access);
    handler->parseWebdoc(document, (flags & 7) == 7 ? "page.html" : "doc.xml", request, 0,
                         "http:", "//host.org", "/a/doc.xml");
    InternalName error;
    access->internName(error, "error", 1);
    const InternalName pattern[] = {document, error, InternalName::UndefinedObject};
    Iterator* errors = access->lookup(MethodType::Set, pattern, 3, nullptr);
    const bool refused = errors != nullptr && errors->first();
    decRef(errors);
    if (refused && factCount(*access) != before + 1) std::abort();
    decRef(handler);
    decRef(access);
    decRef(om);
}

}  // namespace importfuzz
