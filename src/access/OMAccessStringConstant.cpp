// OMAccess: a number taken as the string constant of its lexical form.
#include "access/OMAccess.h"

int OMAccess::toStringConstant(const InternalName& source, InternalName& target) {
    const int type = source.getType();
    if (type != InternalName::Integer && type != InternalName::Float) {
        target = source;
        return 0;
    }
    std::string text;
    giveLexicalForm(source, text, 0, 1);
    nameFromString(target, "\"" + text + "\"", InternalName::String);
    return 1;
}

int OMAccess::toStringConstantInPlace(InternalName& name) {
    return toStringConstant(name, name);
}
