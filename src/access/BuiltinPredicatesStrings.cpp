// BuiltinPredicates: the string built-ins "substr", "strlen" and "strcat" over string constants
// (numbers count as the string constants of their lexical forms).
#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>

#include "access/BuiltinPredicates.h"
#include "access/BuiltinReport.h"
#include "access/NameConversions.h"
#include "access/OMAccess.h"
#include "foundation/ErrorHandler.h"

namespace {

bool isBound(const InternalName& name) {
    return name != InternalName::UndefinedObject;
}

bool isString(const InternalName& name) {
    return name.getType() == InternalName::String;
}

// Only ASCII letters fold: a byte with the high bit set is compared as it is, so an accented
// letter never matches a plain one.
void foldAscii(std::string& text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
}

bool containsFolded(std::string whole, std::string part) {
    foldAscii(whole);
    foldAscii(part);
    return whole.find(part) != std::string::npos;
}

// A text longer than this with its two quotes is refused by "strcat".
constexpr std::size_t LongestQuoted = 32768;

}  // namespace

int BuiltinPredicates::substr(InternalName part, InternalName whole) {
    if (!isBound(whole)) {
        builtinReport::unsafe();
        return 0;
    }
    part = access.mappedName(part);
    names.toStringConstant(part, part);
    whole = access.mappedName(whole);
    names.toStringConstant(whole, whole);
    if (!isString(part)) return 0;
    if (isString(whole))
        return containsFolded(names.constantText(whole), names.constantText(part)) ? 1 : 0;
    // Any other name may be a document whose text lies in a local file.
    std::string fileName;
    if (access.giveLocalFile(whole, fileName) == 0 || fileName.empty()) return 0;
    std::ifstream file(fileName, std::ios::binary);
    if (!file.is_open()) return 0;
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return containsFolded(std::move(text), names.constantText(part)) ? 1 : 0;
}

int BuiltinPredicates::strlen(InternalName text, InternalName* length) {
    if (!isBound(text) && !isBound(*length)) {
        builtinReport::unsafe();
        return 0;
    }
    text = access.mappedName(text);
    names.toStringConstant(text, text);
    if (!isString(text)) return 0;
    const InternalName n(static_cast<std::int32_t>(names.constantText(text).size()),
                         InternalName::Integer, 0);
    if (!isBound(*length)) {
        *length = n;
        return 1;
    }
    return access.mappedName(*length) == n ? 1 : 0;
}

int BuiltinPredicates::strcat(InternalName* first, InternalName* second, InternalName* joined) {
    InternalName f = access.mappedName(*first);
    InternalName s = access.mappedName(*second);
    InternalName j = access.mappedName(*joined);
    names.toStringConstant(f, f);
    names.toStringConstant(s, s);
    names.toStringConstant(j, j);
    if (!isBound(j)) {
        if (!isBound(f) || !isBound(s)) {
            builtinReport::unsafe();
            return 0;
        }
        if (!isString(f) || !isString(s)) return 0;
        const std::string t = names.constantText(f) + names.constantText(s);
        if (t.size() + 2 > LongestQuoted) {
            centralErrorHandler().report(Error(6, 111, 2, "String too long",
                                               "Resulting string is too long", "OMAccess::strcat",
                                               ""));
            return 0;
        }
        names.stringConstant(*joined, t);
        return 1;
    }
    if (!isBound(f)) {
        if (!isBound(s)) {
            builtinReport::unsafe();
            return 0;
        }
        if (!isString(s) || !isString(j)) return 0;
        const std::string whole = names.constantText(j);
        const std::string suffix = names.constantText(s);
        if (!whole.ends_with(suffix)) return 0;
        names.stringConstant(*first, whole.substr(0, whole.size() - suffix.size()));
        return 1;
    }
    if (!isBound(s)) {
        if (!isString(f) || !isString(j)) return 0;
        const std::string whole = names.constantText(j);
        const std::string prefix = names.constantText(f);
        if (!whole.starts_with(prefix)) return 0;
        names.stringConstant(*second, whole.substr(prefix.size()));
        return 1;
    }
    if (!isString(f) || !isString(s) || !isString(j)) return 0;
    return names.constantText(f) + names.constantText(s) == names.constantText(j) ? 1 : 0;
}
