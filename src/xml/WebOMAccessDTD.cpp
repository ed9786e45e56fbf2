// DTD documents as schema: the DTD file parsed and its element declarations mapped into element
// classes, signatures, enumeration classes and inheritable defaults.
#include <iostream>
#include <sstream>
#include <string>

#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "foundation/Ref.h"
#include "objectbase/SymTab.h"
#include "xml/DTDParser.h"
#include "xml/InternalDTD.h"
#include "xml/WebOMAccess.h"

namespace {

bool singleValued(const DTDPropSpec& entry) {
    return entry.getMaximum() <= 1;
}

}  // namespace

InternalDTD* WebOMAccess::doParseDTD(const std::string& fileName, const std::string& shownName) {
    const bool tracing = webTracing() != 0;
    if (tracing) debugChannel() << "\n parse DTD: " << fileName << "\n";
    if (dtdParser->open(fileName, shownName) != 1) {
        centralErrorHandler().report(Error(5, 50, 2, "NoDTDFile",
                                           "Cannot access DTD File " + shownName,
                                           "WebOMAccess::doParseDTD", ""));
    } else if (tracing) {
        debugChannel() << "successfully opened " << fileName << std::endl;
    }
    int status = 0;
    InternalDTD* dtd = dtdParser->parse(&status);
    dtdParser->close();
    if (status != 1) std::cerr << "Error parsing the DTD...\n";
    if (tracing && dtd != nullptr) listDTD(*dtd);
    return dtd;
}

void WebOMAccess::listDTD(const InternalDTD& dtd) const {
    for (DTDElemSpec* element : dtd.getList1()) {
        std::cout << element->getName() << "\n";
        std::cout << "Subelements: \n";
        for (DTDPropSpec* entry : element->getSubElements()->entries()) {
            std::cout << "  " << entry->getName() << "\n";
        }
        std::cout << "Attributes: \n";
        for (DTDPropSpec* attribute : element->getAttributes()->entries()) {
            std::cout << "  " << attribute->getName() << "(";
            if (const clib_list<std::string>* values = attribute->getEnumValues()) {
                const char* separator = "";
                for (const std::string& value : *values) {
                    std::cout << separator << value;
                    separator = " ";
                }
            } else {
                std::cout << attribute->getDefaultValue();
            }
            std::cout << ")\n";
        }
        std::cout << "Subclasses: \n";
        const set<std::string>& subclasses = element->getSubclasses();
        for (auto it = subclasses.first_item(); it != nullptr; it = subclasses.next_item(it)) {
            std::cout << "  " << subclasses.key(it) << "\n";
        }
    }
}

void WebOMAccess::mapDTD(const InternalName& /*document*/, const std::string& fileName,
                         const InternalName& dtdObject, const std::string& shownName) {
    // Enumeration classes are made through the object base's symbol table.
    if (om() == nullptr) return;
    const auto dtd = Ref<InternalDTD>::adopt(doParseDTD(fileName, shownName));
    if (!dtd) return;
    for (DTDElemSpec* element : dtd->getList1()) {
        const InternalName cls = dtdName(element->getName(), dtdObject, true);
        for (DTDPropSpec* entry : element->getSubElements()->entries()) {
            const MethodType type =
                singleValued(*entry) ? MethodType::ScalarSignature : MethodType::SetSignature;
            if (entry->getName() == "PCDATA") {
                InternalName pcdata;
                internName(pcdata, "pcdata", InternalName::Function);
                insertValue(cls, pcdata, nullptr, 0, type, builtinObject::Literal);
            } else {
                const InternalName method = dtdName(entry->getName(), dtdObject, false);
                insertValue(cls, method, nullptr, 0, type, method);
            }
        }
        mapAttributes(cls, *element, dtdObject);
    }
}

void WebOMAccess::mapAttributes(const InternalName& cls, const DTDElemSpec& element,
                                const InternalName& dtdObject) {
    InternalName xmlIdref;
    internName(xmlIdref, "xml_idref", InternalName::Function);
    for (DTDPropSpec* attribute : element.getAttributes()->entries()) {
        const InternalName method = dtdName(attribute->getName(), dtdObject, true);
        const std::string& defaultText = attribute->getDefaultValue();
        const bool single = singleValued(*attribute);
        const bool ref = attribute->getType() == "ref";
        // A reference's default names the target of the link the import resolves.
        const InternalName defaultMethod = ref ? xmlIdref : method;
        const InternalName* defaultArgs = ref ? &method : nullptr;
        const int defaultArgCount = ref ? 1 : 0;
        if (single && attribute->getType() == "enum") {
            // The enumeration class is a fresh object of its own, its values its instances.
            InternalName values;
            getOrCreateName(symTab->newSymbol(InternalName::Function, 0), values);
            insertValue(cls, method, nullptr, 0, MethodType::ScalarSignature, values);
            if (const clib_list<std::string>* texts = attribute->getEnumValues()) {
                for (const std::string& text : *texts) {
                    insertClassRelation(dtdName(text, dtdObject, true), values,
                                        IsaRelation::Member);
                }
            }
            if (!defaultText.empty()) {
                insertValue(cls, method, nullptr, 0, MethodType::InheritableScalar,
                            dtdName(defaultText, dtdObject, true));
            }
        } else if (single) {
            insertValue(cls, method, nullptr, 0, MethodType::ScalarSignature,
                        ref ? builtinObject::Object : builtinObject::Literal);
            if (!defaultText.empty()) {
                insertValue(cls, defaultMethod, defaultArgs, defaultArgCount,
                            MethodType::InheritableScalar, quoted("\"" + defaultText + "\""));
            }
        } else {
            insertValue(cls, method, nullptr, 0, MethodType::SetSignature,
                        ref ? builtinObject::Object : builtinObject::Literal);
            std::istringstream words(defaultText);
            for (std::string word; words >> word;) {
                insertValue(cls, defaultMethod, defaultArgs, defaultArgCount,
                            MethodType::InheritableSet, quoted("\"" + word + "\""));
            }
        }
    }
}

InternalName WebOMAccess::dtdName(const std::string& text, const InternalName& dtdObject,
                                  bool viaSymbol) {
    InternalName name;
    if (viaSymbol) {
        nameFromString(name, text, InternalName::Function);
    } else {
        internName(name, text, InternalName::Function);
    }
    if (dtdObject == builtinObject::Nil) return name;
    InternalName value;
    insertPath(dtdObject, name, nullptr, 0, MethodType::Scalar, value);
    return value;
}
