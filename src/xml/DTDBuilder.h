// DTDBuilder: what the DTD grammar's actions hand their parts to: content groups with their
// occurrence bounds, attribute definitions, and the declarations appended to the InternalDTD
// being read, attached to one another when the whole DTD is read.
#pragma once

#include <string>
#include <vector>

#include "foundation/Ref.h"
#include "xml/DTDElemSpec.h"
#include "xml/DTDPropSpecList.h"
#include "xml/InternalDTD.h"

namespace dtd {

// The names of a declaration (one name or a name group) or of an enumeration.
using NameList = std::vector<std::string>;

// An attribute's default: kind "default" or "fixed" with a value, and the required flag
// (-1 when the default does not set it).
struct AttributeDefault {
    std::string kind;
    std::string value;
    int required = -1;
};

// Occurrence indicators of a member and suffixes of a group's ")".
enum Occurrence { once = 0, optional = 1, repeated = 2, atLeastOnce = 3 };

// A heap copy of a token's text, as the parser hands names and literals to the grammar.
char* copyText(const char* text);
// The text of a token, which is freed.
std::string takeText(char* text);
// Releases a part the grammar holds (null allowed): what error recovery drops from its stack.
void release(ManagedObject* part);

}  // namespace dtd

class DTDBuilder {
  public:
    DTDBuilder() = default;
    ~DTDBuilder();
    DTDBuilder(const DTDBuilder&) = delete;
    DTDBuilder& operator=(const DTDBuilder&) = delete;

    // Starts a new, empty model.
    void start();
    // Attaches attribute lists and subclass declarations to the element declarations of their
    // names and hands over the model.
    Ref<InternalDTD> finish();
    // Drops a model left unfinished.
    void discard();

    // Content models. Every text argument is taken over and freed.
    DTDPropSpecList* member(char* name, int occurrence);
    DTDPropSpecList* pcdataMember();
    // The lists are folded into the first, which is answered; the second is consumed.
    DTDPropSpecList* sequence(DTDPropSpecList* group, DTDPropSpecList* next);
    DTDPropSpecList* choice(DTDPropSpecList* group, DTDPropSpecList* next);
    DTDPropSpecList* closeGroup(DTDPropSpecList* group, int suffix);
    // The content of an element declaration, as a nameless declaration.
    DTDElemSpec* groupContent(DTDPropSpecList* group);
    DTDElemSpec* keywordContent(const char* keyword);

    // Names.
    dtd::NameList* names(char* name);
    dtd::NameList* addName(dtd::NameList* list, char* name);

    // Attribute definitions.
    DTDPropSpec* attributeType(const char* keyword);
    DTDPropSpec* enumeration(dtd::NameList* values, const char* keyword);
    dtd::AttributeDefault* literalDefault(char* literal, const char* kind);
    dtd::AttributeDefault* nameDefault(char* name);
    dtd::AttributeDefault* keywordDefault(int required);
    DTDPropSpec* attribute(char* name, DTDPropSpec* type, dtd::AttributeDefault* fallback);
    DTDPropSpecList* addAttribute(DTDPropSpecList* list, DTDPropSpec* definition);

    // Declarations: each name of a group gets its own copy of the lists.
    void elementDeclaration(dtd::NameList* elementNames, DTDElemSpec* content);
    void attributeListDeclaration(dtd::NameList* elementNames, DTDPropSpecList* definitions);
    void subclassDeclaration(char* element, char* subclass);

  private:
    Ref<InternalDTD> dtd;
    // Set by "#PCDATA" in the model group being read.
    bool pcdataSeen = false;
};
