// The Kavum mode's DTD mapping: element classes with set-valued sub-element signatures,
// attribute signatures and defaults in their "@" forms, enumeration classes and subclasses.
#include <string>

#include "foundation/Ref.h"
#include "objectbase/SymTab.h"
#include "xml/BlankTokens.h"
#include "xml/DTDElemSpec.h"
#include "xml/DTDPropSpec.h"
#include "xml/DTDPropSpecList.h"
#include "xml/InternalDTD.h"
#include "xml/XMLOMAccess.h"

void XMLOMAccess::mapDTD(const InternalName& /*document*/, const std::string& fileName,
                         const InternalName& target, const std::string& shownName) {
    // Enumeration classes are made through the object base's symbol table.
    if (om() == nullptr) return;
    const auto dtd = Ref<InternalDTD>::adopt(doParseDTD(fileName, shownName));
    if (!dtd) return;
    InternalName xmlIdref;
    internName(xmlIdref, "xml_idref", InternalName::Function);
    for (DTDElemSpec* element : dtd->getList1()) {
        const InternalName cls = dtdName(element->getName(), target, true);
        // Every sub-element is set-valued here, whatever its bounds.
        for (DTDPropSpec* entry : element->getSubElements()->entries()) {
            if (entry->getName() == "PCDATA") {
                insertValue(cls, builtinObject::Text, nullptr, 0, MethodType::SetSignature,
                            builtinObject::Literal);
            } else {
                const InternalName sub = dtdName(entry->getName(), target, true);
                insertValue(cls, sub, nullptr, 0, MethodType::SetSignature, sub);
            }
        }
        for (DTDPropSpec* attribute : element->getAttributes()->entries()) {
            const InternalName method = dtdName(attribute->getName(), target, true);
            const std::string& defaultText = attribute->getDefaultValue();
            const std::string& type = attribute->getType();
            if (type == "enum") {
                InternalName values;
                getOrCreateName(giveSymTab()->newSymbol(InternalName::Function, 0), values);
                insertValue(cls, method, nullptr, 0, MethodType::AttributeSetSignature, values);
                if (const clib_list<std::string>* texts = attribute->getEnumValues()) {
                    for (const std::string& text : *texts) {
                        insertClassRelation(dtdName(text, target, true), values,
                                            IsaRelation::Member);
                    }
                }
                if (!defaultText.empty()) {
                    insertValue(cls, method, nullptr, 0, MethodType::InheritableScalar,
                                dtdName(defaultText, target, true));
                }
                continue;
            }
            const bool ref = type == "ref";
            insertValue(cls, method, nullptr, 0, MethodType::AttributeSetSignature,
                        ref ? builtinObject::Object : builtinObject::Literal);
            if (defaultText.empty()) continue;
            // A reference's default names the target the import resolves by its IDs.
            for (const std::string& token : blankTokens(defaultText)) {
                const InternalName value = quoted("\"" + token + "\"");
                if (ref) {
                    insertValue(cls, xmlIdref, &method, 1, MethodType::InheritableAttributeSet,
                                value);
                } else {
                    insertValue(cls, method, nullptr, 0, MethodType::InheritableAttributeSet,
                                value);
                }
            }
        }
        const set<std::string>& subclasses = element->getSubclasses();
        for (auto item = subclasses.first_item(); item != nullptr;
             item = subclasses.next_item(item)) {
            InternalName subclass;
            nameFromString(subclass, subclasses.key(item), InternalName::Function);
            insertClassRelation(subclass, cls, IsaRelation::Subclass);
        }
    }
}
