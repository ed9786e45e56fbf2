// Test helper: a DTD model written out a line an item, so parser tests compare whole models.
#pragma once

#include <string>

#include "xml/InternalDTD.h"

namespace dtdtest {

// "  attr NAME TYPE MIN MAX req=R", then " KIND=VALUE" when a default is given, " (v|w)" for an
// enumeration and " [TEXT]" for the grammar's text.
inline std::string attributeLine(const DTDPropSpec& a) {
    std::string line = "  attr " + a.getName() + " " + a.getType() + " " +
                       std::to_string(a.getMinimum()) + " " + std::to_string(a.getMaximum()) +
                       " req=" + std::to_string(a.getRequired());
    if (!a.getDefaultKind().empty()) {
        line += " " + a.getDefaultKind() + "=" + a.getDefaultValue();
    }
    if (a.getEnumValues() != nullptr) {
        std::string values;
        for (const std::string& v : *a.getEnumValues()) values += (values.empty() ? "" : "|") + v;
        line += " (" + values + ")";
    }
    if (!a.getText().empty()) line += " [" + a.getText() + "]";
    return line + "\n";
}

// One declaration: its heading, then its sub-elements, attributes and subclasses.
inline std::string declaration(const std::string& heading, const DTDElemSpec& spec) {
    std::string out = heading + " " + spec.getName();
    if (!spec.getContentKind().empty()) out += " " + spec.getContentKind();
    out += "\n";
    for (const DTDPropSpec* s : spec.getSubElements()->entries()) {
        out += "  sub " + s->getName() + " " + std::to_string(s->getMinimum()) + " " +
               std::to_string(s->getMaximum()) + "\n";
    }
    for (const DTDPropSpec* a : spec.getAttributes()->entries()) out += attributeLine(*a);
    for (const std::string& name : spec.getSubclasses()) out += "  subclass " + name + "\n";
    return out;
}

// The three lists: "element", "attlist" and "subclass" declarations; "null" for no model.
inline std::string printForm(const InternalDTD* dtd) {
    if (dtd == nullptr) return "null\n";
    std::string out;
    for (const DTDElemSpec* s : dtd->getList1()) out += declaration("element", *s);
    for (const DTDElemSpec* s : dtd->getList2()) out += declaration("attlist", *s);
    for (const DTDElemSpec* s : dtd->getList3()) out += declaration("subclass", *s);
    return out;
}

}  // namespace dtdtest
