// BuiltinPredicates: the dispatcher with its table, equality with binding, the numeric
// comparisons, the type tests and "describe".
#include "access/BuiltinPredicates.h"

#include <cmath>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <limits>
#include <string>

#include "access/BuiltinReport.h"
#include "access/DescIter.h"
#include "access/DescIterWithResult.h"
#include "access/DummyIterator.h"
#include "access/ExactNumber.h"
#include "access/OMAccess.h"
#include "foundation/ErrorHandler.h"
#include "platform/FileReplacement.h"

namespace {

const InternalName Free = InternalName::UndefinedObject;

bool isBound(const InternalName& name) {
    return name != Free;
}

// One evaluation of a built-in atom: the cells are the caller's and are never written.
struct Call {
    BuiltinPredicates& builtins;
    OMAccess& access;
    const InternalName* args;
    int arity;
    const std::string& name;
    bool followingLink;
};

Iterator* answer(const InternalName* row, int width, int truth) {
    return new DummyIterator(row, width, truth != 0);
}

Iterator* equiv(const Call& call) {
    if (!isBound(call.args[0]) || !isBound(call.args[1])) {
        builtinReport::unsafe();
        return nullptr;
    }
    return answer(call.args, 2, call.builtins.equivalent(call.args[0], call.args[1]));
}

// "=": binds a free side to the other; two bound sides are equal as names, as numbers, or (only
// while a link is followed) through their mapped forms.
Iterator* equality(const Call& call) {
    InternalName row[2] = {call.args[0], call.args[1]};
    int truth = 0;
    if (!isBound(row[0]) && !isBound(row[1])) {
        centralErrorHandler().report(Error(6, 204, 1, "Two",
                                           "Got two InternalName::UndefinedObject as argument",
                                           "EqIterator::first()", ""));
    } else if (!isBound(row[1])) {
        row[1] = row[0];
        truth = 1;
    } else if (!isBound(row[0])) {
        row[0] = row[1];
        truth = 1;
    } else if (row[0] == row[1]) {
        truth = 1;
    } else if (auto a = ExactNumber::of(row[0]), b = ExactNumber::of(row[1]); a && b && *a == *b) {
        truth = 1;
    } else if (call.followingLink) {
        truth = call.builtins.equivalent(row[0], row[1]);
    }
    return answer(row, 2, truth);
}

Iterator* comparison(const Call& call) {
    return answer(call.args, 2,
                  call.builtins.compareNumbers(call.args[0], call.args[1], call.name));
}

Iterator* typeTest(const Call& call, int kind) {
    const InternalName& x = call.args[0];
    bool truth = call.access.mappedName(x).getType() == kind;
    // A float keeps counting as one when its mapping names something else.
    if (kind == InternalName::Float) truth = truth || x.getType() == kind;
    return answer(call.args, 1, truth);
}

Iterator* substrAtom(const Call& call) {
    return answer(call.args, 2, call.builtins.substr(call.args[0], call.args[1]));
}

Iterator* strcatAtom(const Call& call) {
    InternalName row[3] = {call.args[0], call.args[1], call.args[2]};
    const int truth = call.builtins.strcat(&row[0], &row[1], &row[2]);
    return answer(row, 3, truth);
}

Iterator* strlenAtom(const Call& call) {
    InternalName row[2] = {call.args[0], call.args[1]};
    const int truth = call.builtins.strlen(row[0], &row[1]);
    return answer(row, 2, truth);
}

Iterator* stringToNumberAtom(const Call& call) {
    InternalName row[2] = {call.args[0], call.args[1]};
    const int truth = call.builtins.stringToNumber(&row[0], &row[1]);
    return answer(row, 2, truth);
}

Iterator* stringToObjectAtom(const Call& call) {
    InternalName row[2] = {call.args[0], call.args[1]};
    const int truth = call.builtins.stringToObject(&row[0], &row[1]);
    return answer(row, 2, truth);
}

// "match" runs POSIX expressions, "pmatch" Perl patterns.
Iterator* patternAtom(const Call& call) {
    return call.access.patternMatch(call.name == "pmatch" ? 1 : 0, call.args, call.arity);
}

// The text of a name as a file name: a string constant without its quotes.
std::string targetName(OMAccess& access, const InternalName& target) {
    std::string text;
    access.giveLexicalForm(target, text, 0, 0);
    if (target.getType() == InternalName::String && text.size() >= 2)
        text = text.substr(1, text.size() - 2);
    return text;
}

Iterator* sgmlprintAtom(const Call& call) {
    InternalName row[2] = {call.args[0], call.args[1]};
    // The object is taken as it is: resolving its printed form again would miss function-term
    // and path objects and enter a symbol for every name that is no object.
    const InternalName& object = row[0];
    const std::string target = targetName(call.access, row[1]);
    int printed = 0;
    if (target == "stdout") {
        printed = call.access.sgmlprint(object, std::cout);
    } else {
        // The text replaces the old file only once it is written whole; a file that cannot be
        // made or written (a full disk) is reported and the call fails.
        const auto cantWrite = [&target](const std::string& reason) {
            return Error(6, 207, 2, "Cant Write file",
                         "Can't write to " + target + (reason.empty() ? "" : ": " + reason),
                         "OMAccess::sgmlprint", "");
        };
        FileReplacement file(target);
        if (!file.open()) {
            centralErrorHandler().report(cantWrite(file.refusal()));
            return answer(row, 2, 0);
        }
        printed = call.access.sgmlprint(object, file.stream());
        if (printed == 0) {
            file.abandon();
        } else if (!file.commit()) {
            centralErrorHandler().report(cantWrite(file.refusal()));
            printed = 0;
        }
    }
    return answer(row, 2, printed);
}

bool exactly1(int arity) {
    return arity == 1;
}
bool exactly2(int arity) {
    return arity == 2;
}
bool exactly3(int arity) {
    return arity == 3;
}
// Formats and results of the pattern matchers pair up after the text and the pattern.
bool pairedFrom4(int arity) {
    return arity >= 4 && arity % 2 == 0;
}

// The integer part of a bound argument count; a value no entry can have when it is out of range.
int describedCount(const InternalName& cell) {
    const double count = std::trunc(static_cast<double>(cell.asFloat()));
    if (!(count > std::numeric_limits<int>::min() && count <= std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::min();
    return static_cast<int>(count);
}

struct Builtin {
    const char* name;
    bool (*arityHolds)(int);
    Iterator* (*evaluate)(const Call&);
};

// In the order the names are tried; a name whose arity does not fit goes on down the table.
const Builtin Builtins[] = {
    {"describe", [](int arity) { return arity == 4 || arity == 5; },
     [](const Call& call) { return call.builtins.describe(call.args, call.arity); }},
    {"equiv", exactly2, equiv},
    {"=", exactly2, equality},
    {"<", exactly2, comparison},
    {">", exactly2, comparison},
    {"<=", exactly2, comparison},
    {">=", exactly2, comparison},
    {"integer", exactly1, [](const Call& call) { return typeTest(call, InternalName::Integer); }},
    {"string", exactly1, [](const Call& call) { return typeTest(call, InternalName::String); }},
    {"float", exactly1, [](const Call& call) { return typeTest(call, InternalName::Float); }},
    {"substr", exactly2, substrAtom},
    {"strcat", exactly3, strcatAtom},
    {"strlen", exactly2, strlenAtom},
    {"string2integer", exactly2, stringToNumberAtom},
    {"string2float", exactly2, stringToNumberAtom},
    {"string2object", exactly2, stringToObjectAtom},
    {"match", pairedFrom4, patternAtom},
    {"pmatch", pairedFrom4, patternAtom},
    {"sgmlprint", exactly2, sgmlprintAtom},
};

}  // namespace

Iterator* BuiltinPredicates::match(const FSymbol& symbol, const InternalName* tuple, int count,
                                   Iterator* old, bool followingLink) {
    // Every built-in answers a new iterator: the old one goes at once.
    Ref<Iterator>::adopt(old).reset();
    std::string name;
    if (access.giveLexicalForm(symbol, name, 0, 0) == 0 || name.empty()) {
        centralErrorHandler().report(Error(6, 204, 1, "UnknownPred",
                                           "No lexical representation for builtin predicate",
                                           "OMAccess::match", ""));
        return nullptr;
    }
    const Call call{*this, access, tuple, count, name, followingLink};
    for (const Builtin& builtin : Builtins)
        if (name == builtin.name && builtin.arityHolds(count)) return builtin.evaluate(call);
    centralErrorHandler().report(
        Error(6, 204, 1, "UnknownBuiltIn",
              "Unknown built in predicate " + name + " with arity " + std::to_string(count),
              "OMAccess::match", ""));
    return nullptr;
}

int BuiltinPredicates::equivalent(InternalName a, InternalName b) {
    return access.mappedName(a) == access.mappedName(b) ? 1 : 0;
}

int BuiltinPredicates::compareNumbers(InternalName a, InternalName b, const std::string& op) {
    if (!isBound(a) || !isBound(b)) {
        builtinReport::unsafe();
        return 0;
    }
    const auto x = ExactNumber::of(access.mappedName(a));
    const auto y = ExactNumber::of(access.mappedName(b));
    if (!x || !y) return 0;
    if (op == "<") return *x < *y;
    if (op == ">") return *y < *x;
    if (op == "<=") return *x <= *y;
    if (op == ">=") return *y <= *x;
    return 0;
}

Iterator* BuiltinPredicates::describe(const InternalName* args, int arity) {
    const InternalName& host = args[0];
    const InternalName& method = args[1];
    const int count = isBound(args[2]) ? describedCount(args[2]) : -1;
    const std::optional<MethodType> type = access.arrowToMethodType(args[3]);
    // A bound arrow cell that names no arrow describes nothing.
    if (!type && isBound(args[3])) return new DummyIterator(args, arity, false);
    if (arity == 5) return new DescIterWithResult(host, method, args[4], count, type, &access);
    if (isBound(host)) return new HostSpecDescIter(host, method, count, type, &access);
    return new UnSpecDescIter(host, method, count, type, &access);
}
