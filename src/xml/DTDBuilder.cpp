// The DTD grammar's builders: content-model bounds, attribute definitions and declarations.
#include "xml/DTDBuilder.h"

#include <cstring>
#include <memory>

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
    const std::unique_ptr<char[]> held(text);
    return held != nullptr ? std::string(held.get()) : std::string();
}

void dtd::release(ManagedObject* part) {
    Ref<ManagedObject>::adopt(part).reset();
}

DTDBuilder::~DTDBuilder() {
    discard();
}

void DTDBuilder::start() {
    dtd = Ref<InternalDTD>::make();
    pcdataSeen = false;
}

void DTDBuilder::discard() {
    dtd.reset();
}

Ref<InternalDTD> DTDBuilder::finish() {
    Ref<InternalDTD> result = std::move(dtd);
    if (!result) return nullptr;
    for (DTDElemSpec* list : result->getList2()) {
        DTDElemSpec* element = firstNamed(result->getList1(), list->getName());
        if (element == nullptr) continue;
        DTDPropSpecList* attributes = element->getAttributes();
        // A later definition of an attribute the element already has is ignored.
        for (DTDPropSpec* definition : list->getAttributes()->entries()) {
            if (attributes->lookup(definition->getName()) == nullptr)
                attributes->append(Ref<DTDPropSpec>::share(definition));
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
    auto list = Ref<DTDPropSpecList>::make();
    list->append(
        Ref<DTDPropSpec>::make(dtd::takeText(name), bounds[occurrence][0], bounds[occurrence][1]));
    return list.release();
}

DTDPropSpecList* DTDBuilder::pcdataMember() {
    pcdataSeen = true;
    return member(dtd::copyText("PCDATA"), dtd::once);
}

DTDPropSpecList* DTDBuilder::sequence(DTDPropSpecList* group, DTDPropSpecList* next) {
    group->mergeSequence(Ref<DTDPropSpecList>::adopt(next));
    return group;
}

DTDPropSpecList* DTDBuilder::choice(DTDPropSpecList* group, DTDPropSpecList* next) {
    group->mergeChoice(Ref<DTDPropSpecList>::adopt(next));
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
    return Ref<DTDElemSpec>::make("", kind, nullptr, Ref<DTDPropSpecList>::adopt(group)).release();
}

DTDElemSpec* DTDBuilder::keywordContent(const char* keyword) {
    const char* kind = std::strcmp(keyword, "EMPTY") == 0 ? "empty"
                       : std::strcmp(keyword, "ANY") == 0 ? "any"
                                                          : "pcdata";
    return Ref<DTDElemSpec>::make("", kind, nullptr, nullptr).release();
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
    const std::unique_ptr<dtd::NameList> held(values);
    auto* definition = new DTDPropSpec(1, 1, "enum");
    for (const std::string& value : *held) definition->addEnumValue(value);
    definition->setText(keyword);
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

DTDPropSpec* DTDBuilder::attribute(char* name, DTDPropSpec* type, dtd::AttributeDefault* given) {
    const std::unique_ptr<dtd::AttributeDefault> fallback(given);
    type->setName(dtd::takeText(name));
    if (!fallback->kind.empty()) {
        type->setDefaultKind(fallback->kind);
        type->setDefaultValue(fallback->value);
    }
    if (fallback->required >= 0) type->setRequired(fallback->required);
    return type;
}

DTDPropSpecList* DTDBuilder::addAttribute(DTDPropSpecList* list, DTDPropSpec* definition) {
    auto held = Ref<DTDPropSpecList>::adopt(list);
    if (!held) held = Ref<DTDPropSpecList>::make();
    held->append(Ref<DTDPropSpec>::adopt(definition));
    return held.release();
}

void DTDBuilder::elementDeclaration(dtd::NameList* elementNames, DTDElemSpec* content) {
    const std::unique_ptr<dtd::NameList> names(elementNames);
    const auto held = Ref<DTDElemSpec>::adopt(content);
    for (const std::string& name : *names) {
        dtd->append1(Ref<DTDElemSpec>::make(name, held->getContentKind(), nullptr,
                                            held->getSubElements()->copy()));
    }
}

void DTDBuilder::attributeListDeclaration(dtd::NameList* elementNames,
                                          DTDPropSpecList* definitions) {
    const std::unique_ptr<dtd::NameList> names(elementNames);
    const auto held = Ref<DTDPropSpecList>::adopt(definitions);
    for (const std::string& name : *names)
        dtd->append2(Ref<DTDElemSpec>::make(name, "", held->copy(), nullptr));
}

void DTDBuilder::subclassDeclaration(char* element, char* subclass) {
    auto declaration = Ref<DTDElemSpec>::make(dtd::takeText(element), "", nullptr, nullptr);
    declaration->addSubclass(dtd::takeText(subclass));
    dtd->append3(std::move(declaration));
}
