// PatternMatcher: the pattern built-ins' shared preparation and rows, and "match" over POSIX
// extended regular expressions with its formats.
#include "access/PatternMatcher.h"

#include <fstream>
#include <iterator>
#include <sstream>

#include "access/MyRegex.h"
#include "access/OMAccess.h"
#include "access/PatternScratch.h"
#include "foundation/Error.h"
#include "foundation/ErrorHandler.h"
#include "objectbase/TupleSetIterator.h"

namespace {

const Error StringTooLong(6, 111, 2, "String too long", "Resulting string is too long",
                          "OMAccess::handleFormat", "");

// The longest result string, its quotes included.
constexpr std::size_t MaxResultLength = 32767;

// Only the ASCII bytes "$" and the backslash start a sub-match reference: a byte of a UTF-8
// sequence never does.
bool startsReference(char c) {
    return c == '$' || c == '\\';
}

bool isGroupDigit(char c) {
    return c >= '1' && c <= '9';
}

}  // namespace

PatternMatcher::PatternMatcher(OMAccess& access) : access(access) {}

PatternMatcher::~PatternMatcher() = default;

Iterator* PatternMatcher::match(int perl, const InternalName* args, int arity) {
    matchRows.clear();
    matchCells.reset();
    // An odd arity has a position that is neither format nor result: it answers no rows.
    if (args != nullptr && arity >= 4 && arity % 2 == 0) {
        matchCells = std::make_unique<RowCellPool>(arity);
        PatternScratch scratch;
        scratch.n = (arity - 2) / 2;
        const auto size = static_cast<std::size_t>(arity);
        scratch.names.assign(args, args + arity);
        scratch.texts.assign(size, std::string());
        scratch.bound.assign(size, 0);
        bool allBound = true;
        for (int p = 2; p <= arity; ++p) {
            const auto index = static_cast<std::size_t>(p - 1);
            if (args[index] == InternalName::UndefinedObject) {
                if (p <= arity - scratch.n) allBound = false;
                continue;
            }
            scratch.bound[index] = 1;
            InternalName cell = access.mappedName(args[index]);
            access.toStringConstantInPlace(cell);
            if (cell.getType() != InternalName::String ||
                access.giveLexicalForm(cell, scratch.texts[index]) == 0)
                allBound = false;
        }
        if (allBound) {
            if (perl != 0)
                perlMatch(scratch);
            else
                regexMatch(scratch);
        }
    }
    return new TupleSetIterator(&matchRows, arity);
}

bool PatternMatcher::patternSubject(const InternalName& cell, std::string& text) {
    InternalName subject = access.mappedName(cell);
    access.toStringConstantInPlace(subject);
    if (subject.getType() == InternalName::String) {
        std::string quoted;
        access.giveLexicalForm(subject, quoted);
        text = quoted.size() >= 2 ? quoted.substr(1, quoted.size() - 2) : std::string();
        return true;
    }
    std::string file;
    if (access.giveLocalFile(subject, file) == 0 || file.empty()) return false;
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    std::ostringstream content;
    content << in.rdbuf();
    text = content.str();
    return true;
}

bool PatternMatcher::fillResults(
    PatternScratch& scratch, const std::function<bool(const std::string&, std::string&)>& build) {
    const int n = scratch.n;
    for (int k = 1; k <= n; ++k) {
        const int result = k + n + 2;
        const auto index = static_cast<std::size_t>(result - 1);
        std::string out = "\"";
        if (!build(scratch.inner(k + 2), out)) return false;
        out += "\"";
        if (scratch.bound[index] != 0 && scratch.texts[index] != out) return false;
        access.nameFromString(scratch.names[index], out, InternalName::String);
    }
    return true;
}

void PatternMatcher::addMatchRow(const PatternScratch& scratch) {
    const int width = 2 * scratch.n + 2;
    auto* cells = const_cast<InternalName*>(scratch.names.data());
    if (matchCells == nullptr || matchRows.member(Tuple(cells, width))) return;
    InternalName* copy = matchCells->allocate();
    if (copy == nullptr) return;
    std::copy(cells, cells + width, copy);
    matchRows.insert(Tuple(copy, width));
}

void PatternMatcher::regexMatch(PatternScratch& scratch) {
    std::string text;
    if (!patternSubject(scratch.names[0], text)) return;
    const std::string written = scratch.inner(2);
    std::string pattern;
    unescape(written, pattern);
    const auto regex = Ref<MyRegex>::make(pattern.c_str());
    if (!regex->compiled()) {
        centralErrorHandler().report(Error(6, 205, 2, "InvalidRegex",
                                           "Invalid regular expression: " + regex->errorText(),
                                           "OMAccess::regexMatch", written));
        return;
    }
    const int length = static_cast<int>(text.size());
    int position = 0;
    while (position < length) {
        int matchLength = 0;
        const int start = regex->exec(text.data(), length, position, &matchLength);
        if (start < 0) break;
        if (matchLength > 0) {
            handleFormat(*regex, text, start, matchLength, scratch);
            position = start + matchLength;
        } else {
            // An empty match gives no row. Every later match starts after it (it was the
            // leftmost), so the search goes on from the next byte after it.
            position = start + 1;
        }
    }
}

void PatternMatcher::handleFormat(MyRegex& regex, const std::string& text, int start, int length,
                                  PatternScratch& scratch) {
    // Matched text is appended only while the result stays within the limit.
    auto appendMatched = [](std::string& out, const char* bytes, std::size_t count) {
        if (out.size() + count > MaxResultLength) {
            centralErrorHandler().report(StringTooLong);
            return false;
        }
        out.append(bytes, count);
        return true;
    };
    auto build = [&](const std::string& format, std::string& out) {
        if (format.empty())
            return appendMatched(out, text.data() + start, static_cast<std::size_t>(length));
        for (std::size_t i = 0; i < format.size(); ++i) {
            const char c = format[i];
            if (!startsReference(c) || i + 1 >= format.size() || !isGroupDigit(format[i + 1])) {
                out += c;
                continue;
            }
            const regmatch_t& group = regex.match(format[++i] - '0');
            if (group.rm_so == -1) continue;
            if (!appendMatched(out, text.data() + group.rm_so,
                               static_cast<std::size_t>(group.rm_eo - group.rm_so)))
                return false;
        }
        return true;
    };
    if (fillResults(scratch, build)) addMatchRow(scratch);
}
