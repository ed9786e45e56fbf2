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
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "access/OMAccess.h"
#include "objectbase/Iterator.h"
#include "objectbase/MainMemOM.h"
#include "xml/DocumentText.h"
#include "xml/NameNormalization.h"
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

// A document made from fuzz bytes, and what its import must store: the names of its elements
// and attributes (as the base names them), its texts and attribute values, written in one of
// the encoding forms of UTF-8 and UTF-16 (byte-order marks and declarations), with names and
// texts beyond U+FFFF, and maybe followed by content after its root element.
class GeneratedDocument {
  public:
    GeneratedDocument(const std::uint8_t* data, std::size_t size) : at(data), end(data + size) {
        form = next() % formCount;
        after = next() % 4;
        element(0);
        text += afterRoot[after];
    }

    // The file's bytes in the chosen form.
    std::string bytes() const {
        static const char* const heads[formCount] = {
            "",
            "\xEF\xBB\xBF",
            "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n",
            "<?xml version='1.0' encoding='utf-8'?>\n",
            "<?xml version=\"1.0\" encoding = \"UTF8\" standalone=\"yes\"?>\n",
            "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n",
            "",
            "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n",
            "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n",
        };
        const std::string utf8 = heads[form] + text;
        if (form < 6) return utf8;
        // UTF-16: forms 6 and 8 little-endian, 7 big-endian, each with its byte-order mark.
        const bool big = form == 7;
        std::string out = big ? "\xFE\xFF" : "\xFF\xFE";
        auto unit = [&](std::uint32_t u) {
            const char high = static_cast<char>(u >> 8);
            const char low = static_cast<char>(u & 0xFF);
            out += big ? high : low;
            out += big ? low : high;
        };
        for (std::uint32_t c : codes(utf8)) {
            if (c >= 0x10000) {
                unit(0xD800 + ((c - 0x10000) >> 10));
                unit(0xDC00 + ((c - 0x10000) & 0x3FF));
            } else {
                unit(c);
            }
        }
        return out;
    }
    // Whether content follows the root element, so that the document must be refused.
    bool refused() const { return after == 1 || after == 2; }
    const std::set<std::string>& elementNames() const { return names; }
    const std::set<std::string>& texts() const { return textValues; }
    const std::set<std::pair<std::string, std::string>>& attributes() const { return values; }

  private:
    static constexpr int formCount = 9;
    static constexpr const char* afterRoot[4] = {"\n", "<after>x</after>\n", "\nafter\n",
                                                 "\n <!-- note --><?pi after?>\n\n"};

    std::uint8_t next() { return at < end ? *at++ : 0; }

    // A piece of a name or text: letters, and characters of two, three and four bytes in UTF-8.
    std::string piece(bool start) {
        // No piece is "_" alone: the name "_" is the anonymous variable's.
        static const char* const starts[] = {"a",
                                             "Zq",
                                             "_q",
                                             "\xC3\xA9",
                                             "\xE2\x82\xAC",
                                             "\xF0\x9D\x84\x9E",
                                             "\xF0\x9F\x98\x80",
                                             "\xF3\xA0\x80\x80",
                                             "\xF0\x90\x80\x80",
                                             "k"};
        static const char* const inner[] = {"-", ".", "7", "\xC2\xB7", "\xCC\x80"};
        const std::uint8_t b = next();
        if (!start && (b & 0x80) != 0) return inner[b % 5];
        return starts[b % 10];
    }
    std::string name() {
        std::string out = piece(true);
        for (int n = next() % 4; n > 0; --n) out += piece(false);
        return out;
    }
    // A text or value: starts with a letter, so that it is never read as a number, and holds no
    // blank, so that no normalisation touches it.
    std::string word() {
        std::string out = "t";
        for (int n = next() % 5; n > 0; --n) out += piece(true);
        return out;
    }

    void element(int depth) {
        const std::string tag = name();
        names.insert(normalizeName(tag));
        text += "<" + tag;
        std::set<std::string> used;
        for (int n = next() % 3; n > 0; --n) {
            // No element name starts with "x": an attribute's method is never an element's.
            const std::string attribute = "x" + name();
            if (!used.insert(attribute).second) continue;
            const std::string value = word();
            values.emplace(normalizeName(attribute), value);
            text += " " + attribute + "=\"" + value + "\"";
        }
        text += ">";
        for (int n = depth < 4 ? next() % 4 : 0; n > 0; --n) {
            if ((next() & 1) != 0) {
                const std::string content = word();
                textValues.insert(content);
                text += content;
            }
            element(depth + 1);
        }
        if ((next() & 1) != 0) {
            const std::string content = word();
            textValues.insert(content);
            text += content;
        }
        text += "</" + tag + ">";
    }

    static std::vector<std::uint32_t> codes(const std::string& utf8) {
        std::vector<std::uint32_t> out;
        for (std::size_t i = 0; i < utf8.size();) {
            const auto lead = static_cast<unsigned char>(utf8[i]);
            const int trail = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
            std::uint32_t c = trail == 0 ? lead : lead & (0x3F >> trail);
            for (int k = 1; k <= trail; ++k) c = (c << 6) | (utf8[i + k] & 0x3F);
            out.push_back(c);
            i += trail + 1;
        }
        return out;
    }

    const std::uint8_t* at;
    const std::uint8_t* end;
    int form = 0;
    int after = 0;
    std::string text;
    std::set<std::string> names;
    std::set<std::string> textValues;
    std::set<std::pair<std::string, std::string>> values;
};

// The lexical form of a name, without the quotes of a string.
inline std::string lexical(OMAccess& access, const InternalName& name) {
    std::string text;
    access.giveLexicalForm(name, text);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        text = text.substr(1, text.size() - 2);
    return text;
}

// The members of the values stored for a method (set-valued, no arguments) on any host.
inline std::set<std::string> valuesOf(OMAccess& access, const InternalName& method) {
    std::set<std::string> out;
    const InternalName pattern[] = {InternalName::UndefinedObject, method,
                                    InternalName::UndefinedObject};
    Iterator* rows = access.lookup(MethodType::Set, pattern, 3, nullptr);
    Iterator* members = nullptr;
    for (bool more = rows != nullptr && rows->first(); more; more = rows->next()) {
        members = access.setIterator(rows->atColumn(3), members);
        if (members == nullptr) {
            out.insert(lexical(access, rows->atColumn(3)));
            continue;
        }
        for (bool member = members->first(); member; member = members->next())
            out.insert(lexical(access, members->atColumn(1)));
    }
    decRef(members);
    decRef(rows);
    return out;
}

// The instances of a class.
inline std::vector<InternalName> instancesOf(OMAccess& access, const InternalName& cls) {
    std::vector<InternalName> out;
    Iterator* rows =
        access.makeIsaIter(InternalName::UndefinedObject, cls, IsaRelation::Member, nullptr);
    for (bool more = rows != nullptr && rows->first(); more; more = rows->next())
        out.push_back(rows->atColumn(1));
    decRef(rows);
    return out;
}

// A document made from the bytes after the mode byte, imported as XML through the parser:
// refused with its error value alone when content follows its root, else stored with exactly
// its element names, texts and attribute values. A tag taken for text, a text left out or a
// character changed stops the run.
inline void importDocument(const std::uint8_t* data, std::size_t size) {
    const GeneratedDocument generated(data, size);
    const std::string file = (std::filesystem::temp_directory_path() /
                              ("quorin-import-fuzz-" + std::to_string(getpid()) + ".xml"))
                                 .string();
    std::ofstream(file, std::ios::binary | std::ios::trunc) << generated.bytes();
    auto* om = new MainMemOM();
    auto* access = new OMAccess(om);
    auto* handler = new NsgmlHandler(access);
    InternalName document;
    access->internName(document, "doc", 1);
    ParseRequest request;
    request.kind = 5;
    request.xml = 1;
    const std::size_t before = factCount(*access);
    handler->parseWebdoc(document, file, request, 0, "", "", "");
    std::remove(file.c_str());
    InternalName error;
    access->internName(error, "error", 1);
    const InternalName pattern[] = {document, error, InternalName::UndefinedObject};
    Iterator* errors = access->lookup(MethodType::Set, pattern, 3, nullptr);
    const bool refused = errors != nullptr && errors->first();
    decRef(errors);
    if (refused != generated.refused()) std::abort();
    if (refused && factCount(*access) != before + 1) std::abort();
    if (!refused) {
        std::set<std::string> names;
        for (const InternalName& cls : instancesOf(*access, builtinObject::Tag))
            names.insert(lexical(*access, cls));
        InternalName pcdata;
        access->internName(pcdata, "pcdata", 1);
        std::set<std::pair<std::string, std::string>> values;
        for (const InternalName& method : instancesOf(*access, builtinObject::Attribute))
            for (const std::string& value : valuesOf(*access, method))
                values.emplace(lexical(*access, method), value);
        if (names != generated.elementNames() || valuesOf(*access, pcdata) != generated.texts() ||
            values != generated.attributes())
            std::abort();
    }
    decRef(handler);
    decRef(access);
    decRef(om);
}

// One input of the fuzz target: a first byte of 0xFF makes the rest a generated document
// (importDocument), any other the flags byte of an event stream (importStream).
inline void importInput(const std::uint8_t* data, std::size_t size) {
    if (size > 0 && data[0] == 0xFF) {
        importDocument(data + 1, size - 1);
    } else {
        importStream(data, size);
    }
}

}  // namespace importfuzz
