// normalizeName: texts turned into object names.
#include "access/NormalizeName.h"

std::string normalizeName(const std::string& text) {
    // ASCII ranges rather than the C classification functions: the result must not depend on the
    // locale an embedded interpreter may have set.
    std::string name(text);
    for (char& c : name) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        else if (!(c >= 'a' && c <= 'z') && !(c >= '0' && c <= '9'))
            c = '_';
    }
    return name;
}
