// OMAccess "sgmlprint": the element tree of a document object written as SGML text.
#include <ostream>
#include <string>

#include "access/OMAccess.h"
#include "foundation/set.h"
#include "objectbase/Iterator.h"
#include "objectbase/SymTab.h"

namespace {

const InternalName Free = InternalName::UndefinedObject;

// An element's contents are the values of its single-valued methods at the positions 0, 1, 2, ...
// without gaps; its tag is the method of the entry at position 0 and its attributes are its
// single-valued methods without arguments. Values are followed by name: objects are elements,
// every other name a leaf, and an element already open on the path is not entered again.
class SgmlPrinter {
  public:
    SgmlPrinter(OMAccess& access, std::ostream& out) : access(access), out(out) {}

    int element(const InternalName& node) {
        if (node.getType() != InternalName::Object || openElements.member(node)) return 0;
        openElements.insert(node);
        std::string closeTag;
        int count = 0;
        Ref<Iterator> entries;
        for (int position = 0;; ++position) {
            const InternalName pattern[4] = {
                node, Free, InternalName(position, InternalName::Integer, 0), Free};
            entries.renew(
                [&](Iterator* old) { return access.lookup(MethodType::Scalar, pattern, 4, old); });
            if (!entries || !entries->first()) break;
            do {
                if (position == 0) {
                    closeTag = text(entries->atColumn(2));
                    out << "\n<" << closeTag;
                    count += attributes(node);
                    out << ">";
                }
                ++count;
                const InternalName value = entries->atColumn(4);
                if (element(value) == 0 && value.getType() == InternalName::String)
                    out << text(value);
            } while (entries->next());
        }
        entries.reset();
        if (!closeTag.empty()) out << "</" << closeTag << ">\n";
        openElements.del(node);
        return count;
    }

  private:
    int attributes(const InternalName& node) {
        const InternalName pattern[3] = {node, Free, Free};
        const auto attributes =
            Ref<Iterator>::adopt(access.lookup(MethodType::Scalar, pattern, 3, nullptr));
        int count = 0;
        for (bool more = attributes && attributes->first(); more; more = attributes->next()) {
            out << " " << text(attributes->atColumn(2)) << "=" << text(attributes->atColumn(3));
            ++count;
        }
        return count;
    }

    std::string text(const InternalName& name) {
        std::string form;
        access.giveLexicalForm(name, form, 0, 0);
        return form;
    }

    OMAccess& access;
    std::ostream& out;
    set<InternalName> openElements;
};

}  // namespace

int OMAccess::sgmlprint(const std::string& objectName, std::ostream& out) {
    SymTab* table = giveSymTab();
    if (table == nullptr || objectName.empty()) return 0;
    InternalName node = InternalName::UndefinedObject;
    if (internValue(table->GetFSymbol(objectName, InternalName::Function, 0), node) == 0) return 0;
    return sgmlprint(node, out);
}

int OMAccess::sgmlprint(const InternalName& object, std::ostream& out) {
    return SgmlPrinter(*this, out).element(object);
}
