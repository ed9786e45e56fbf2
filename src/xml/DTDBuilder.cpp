// The DTD grammar's builders: content-model bounds, attribute definitions and declarations.
#include "xml/DTDBuilder.h"

#include <cstring>

namespace {

struct TypeKeyword {
    const char* keyword;
    const char* type;
    bool severalTokens;
};

// The declared types with a keyword; enumerations are built apart. The types no mapping
// knows by name (entities, names, numbers) are tokens like NMTOKEN.
constexpr TypeKeyword typeKeywords[] = {
    {"CDATA", "cdata", false},   {"ID", "id", false},         {"IDREF", "ref", false},
    {"IDREFS", "ref", true},     {"NMTOKEN", "token", false}, {"NMTOKENS", "token", true},
    {"ENTITY", "token", false},  {"ENTITIES", "token", true}, {"NAME", "token", false},
    {"NAMES", "token", true},    {"NUMBER", "token", false},  {"NUMBERS", "token", true},
    {"NUTOKEN", "token", false}, {"NUTOKENS", "token", true},
};

DTDElemSpec* firstNamed(const clib_list<DTDElemSpec*>& specs, const std::string& name) {
    for (DTDElemSpec* spec : specs) {
        if (spec->getName() == name) return spec;
    }
    return nullptr;
}

}  // namespace

char* dtd::copyText(const char* text) {
    std::size_t length = std::strlen(text);
    char* copy = new char[length + 1];
    std::memcpy(copy, text, length + 1);
    return copy;
}

std::string dtd::takeText(char* text) {
    std::string result = text != nullptr ? text : "";
    delete[] text;
    return result;
}

DTDBuilder::~DTDBuilder() {
    discard();
}

void DTDBuilder::start() {
    discard();
    dtd = new InternalDTD();
    pcdataSeen = false;
}

void DTDBuilder::discard() {
    if (dtd != nullptr) decRef(dtd);
    dtd = nullptr;
}

InternalDTD* DTDBuilder::finish() {
    InternalDTD* result = dtd;
    dtd = nullptr;
    if (result == nullptr) return nullptr;
    for (DTDElemSpec* list : result->getList2()) {
        DTDElemSpec* element = firstNamed(result->getList1(), list->getName());
        if (element == nullptr) continue;
        DTDPropSpecList* attributes = element->getAttributes();
        // A later definition of an attribute the element already has is ignored.
        for (DTDPropSpec* definition : list->getAttributes()->entries()) {
            if (attributes->lookup(definition->getName()) != nullptr) continue;
            incRef(definition);
            attributes->append(definition);
        }
    }
    for (DTDElemSpec* declaration : result->getList3()) {
        DTDElemSpec* element = firstNamed(result->getList1(), declaration->getName());
        if (element != nullptr) element->addSubclasses(declaration->getSubclasses());
    }
    return result;
}

DTDPropSpecList* DTDBuilder::member(char* name, int occurrence) {
    static constexpr int bounds[][2] = {
        {1, 1}, {0, 1}, {0, DTDPropSpec::unbounded}, {1, DTDPropSpec::unbounded}};
    auto* list = new DTDPropSpecList();
    list->append(
        new DTDPropSpec(dtd::takeText(name), bounds[occurrence][0], bounds[occurrence][1]));
    return list;
}

DTDPropSpecList* DTDBuilder::pcdataMember() {
    pcdataSeen = true;
    return member(dtd::copyText("PCDATA"), dtd::once);
}

DTDPropSpecList* DTDBuilder::sequence(DTDPropSpecList* group, DTDPropSpecList* next) {
    group->mergeSequence(next);
    return group;
}

DTDPropSpecList* DTDBuilder::choice(DTDPropSpecList* group, DTDPropSpecList* next) {
    group->mergeChoice(next);
    return group;
}

DTDPropSpecList* DTDBuilder::closeGroup(DTDPropSpecList* group, int suffix) {
    if (suffix == dtd::optional || suffix == dtd::repeated) group->setAllMinimum(0);
    if (suffix == dtd::repeated || suffix == dtd::atLeastOnce) {
        group->setAllMaximum(DTDPropSpec::unbounded);
    }
    return group;
}

DTDElemSpec* DTDBuilder::groupContent(DTDPropSpecList* group) {
    const char* kind = "elements";
    if (pcdataSeen) kind = group->size() == 1 ? "pcdata" : "mixed";
    pcdataSeen = false;
    return new DTDElemSpec("", kind, nullptr, group);
}

DTDElemSpec* DTDBuilder::keywordContent(const char* keyword) {
    const char* kind = std::strcmp(keyword, "EMPTY") == 0 ? "empty"
                       : std::strcmp(keyword, "ANY") == 0 ? "any"
                                                          : "pcdata";
    return new DTDElemSpec("", kind, nullptr, nullptr);
}

dtd::NameList* DTDBuilder::names(char* name) {
    return addName(new dtd::NameList(), name);
}

dtd::NameList* DTDBuilder::addName(dtd::NameList* list, char* name) {
    list->push_back(dtd::takeText(name));
    return list;
}

DTDPropSpec* DTDBuilder::attributeType(const char* keyword) {
    for (const TypeKeyword& known : typeKeywords) {
        if (std::strcmp(known.keyword, keyword) != 0) continue;
        auto* definition =
            new DTDPropSpec(0, known.severalTokens ? DTDPropSpec::unbounded : 1, known.type);
        definition->setText(keyword);
        return definition;
    }
    // The grammar passes only the keywords above.
    return new DTDPropSpec(0, 1, "cdata");
}

DTDPropSpec* DTDBuilder::enumeration(dtd::NameList* values, const char* keyword) {
    auto* definition = new DTDPropSpec(1, 1, "enum");
    for (const std::string& value : *values) definition->addEnumValue(value);
    definition->setText(keyword);
    delete values;
    return definition;
}

dtd::AttributeDefault* DTDBuilder::literalDefault(char* literal, const char* kind) {
    std::string text = dtd::takeText(literal);
    // The scanner's literals always begin and end with their quote.
    if (text.size() >= 2) text = text.substr(1, text.size() - 2);
    return new dtd::AttributeDefault{kind, text};
}

dtd::AttributeDefault* DTDBuilder::nameDefault(char* name) {
    return new dtd::AttributeDefault{"default", dtd::takeText(name)};
}

dtd::AttributeDefault* DTDBuilder::keywordDefault(int required) {
    return new dtd::AttributeDefault{"", "", required};
}

DTDPropSpec* DTDBuilder::attribute(char* name, DTDPropSpec* type, dtd::AttributeDefault* fallback) {
    type->setName(dtd::takeText(name));
    if (!fallback->kind.empty()) {
        type->setDefaultKind(fallback->kind);
        type->setDefaultValue(fallback->value);
    }
    if (fallback->required >= 0) type->setRequired(fallback->required);
    delete fallback;
    return type;
}

DTDPropSpecList* DTDBuilder::addAttribute(DTDPropSpecList* list, DTDPropSpec* definition) {
    if (list == nullptr) list = new DTDPropSpecList();
    list->append(definition);
    return list;
}

void DTDBuilder::elementDeclaration(dtd::NameList* elementNames, DTDElemSpec* content) {
    for (const std::string& name : *elementNames) {
        // The copy is made before the declaration: a pooled object must be constructed right
        // after its own allocation, with no other pooled allocation in between.
        DTDPropSpecList* subElements = content->getSubElements()->copy();
        dtd->append1(new DTDElemSpec(name, content->getContentKind(), nullptr, subElements));
    }
    delete elementNames;
    decRef(content);
}

void DTDBuilder::attributeListDeclaration(dtd::NameList* elementNames,
                                          DTDPropSpecList* definitions) {
    for (const std::string& name : *elementNames) {
        DTDPropSpecList* attributes = definitions->copy();
        dtd->append2(new DTDElemSpec(name, "", attributes, nullptr));
    }
    delete elementNames;
    decRef(definitions);
}

void DTDBuilder::subclassDeclaration(char* element, char* subclass) {
    auto* declaration = new DTDElemSpec(dtd::takeText(element), "", nullptr, nullptr);
    declaration->addSubclass(dtd::takeText(subclass));
    dtd->append3(declaration);
}
