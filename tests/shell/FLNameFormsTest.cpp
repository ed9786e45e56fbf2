// The printed forms an export keeps: the object manager's own text, at the first asking and at
// every one after it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/DumpTestSupport.h"
#include "shell/FLNameForms.h"

namespace {

using objectbase_test::num;

class FLNameFormsTest : public dump_test::DumpTest {
  protected:
    std::string managerForm(const InternalName& name) {
        std::string text;
        om->giveLexicalForm(name, text, 1, 0);
        return text;
    }
    // The kept form, appended after text already there.
    static std::string keptForm(FLNameForms& forms, const InternalName& name) {
        FLText text;
        text.put("before ");
        forms.append(name, text);
        return std::string(text.view().substr(7));
    }
};

TEST_F(FLNameFormsTest, EveryKindOfNameHasTheObjectManagersForm) {
    InternalName path;
    om->getOrCreateScalarValue(obj("ann"), obj("boss"), nullptr, 0, 0, path);
    const std::vector<InternalName> names = {
        obj("ann"),
        obj("person"),
        str("plain"),
        str(""),
        str("with \"quotes\" inside"),
        str("tab\there, line\nend and\bback"),
        num(0),
        num(7),
        num(-2147483647 - 1),
        num(2147483647),
        obj("#2.5"),
        obj("-3"),
        builtinObject::Nil,
        builtinObject::String,
        path,
        // A name the base has no symbol for: no text.
        InternalName(999999, InternalName::Object, 0),
        // Set and parameter-frame names have no printed form.
        InternalName(3, InternalName::SetName, 1),
    };
    FLNameForms forms(om);
    for (int round = 0; round < 3; ++round)
        for (const InternalName& name : names)
            EXPECT_EQ(keptForm(forms, name), managerForm(name)) << name.ToString();
}

// A string and an object of the same number are told apart: each keeps its own form.
TEST_F(FLNameFormsTest, NamesOfOneNumberAndTwoKindsKeepTheirOwnForms) {
    const InternalName ann = obj("ann");
    const InternalName sameNumber(ann.getValue(), InternalName::String, 0);
    const InternalName text = str("ann's text");
    const InternalName textNumber(text.getValue(), InternalName::Object, 0);
    FLNameForms forms(om);
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(keptForm(forms, ann), "ann");
        EXPECT_EQ(keptForm(forms, sameNumber), managerForm(sameNumber));
        EXPECT_EQ(keptForm(forms, text), "\"ann's text\"");
        EXPECT_EQ(keptForm(forms, textNumber), managerForm(textNumber));
    }
}

}  // namespace
