// The parse-tree node contract: shell printing, the orderings over compare, variable sets and the
// shared clone finishing.
#include "language/ParseTreeNode.h"

#include <cstdlib>
#include <set>

#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "objectbase/SymTab.h"

namespace {

// The ordering operators accept only -1, 0 and 1 from compare.
bool orderKnown(int answer) {
    if (answer >= -1 && answer <= 1) return true;
    centralErrorHandler().report(err9::NoOrderPossible);
    return false;
}

// The list giveVars is filling and, once it is long, an index of the variables it holds;
// giveVars calls nest, each its own. A short list is searched: most literals and rules have a
// few variables, and indexing them cost more than the search (a set node per variable).
struct Collection {
    const VarList* list;
    std::set<FSymbol> held;
    bool indexed = false;
};
Collection* filling = nullptr;
constexpr std::int32_t searchedUpTo = 8;

}  // namespace

void ParseTreeNode::appendVar(VarList& list, const FSymbol& var) {
    if (filling != nullptr && filling->list == &list) {
        Collection& own = *filling;
        if (!own.indexed) {
            if (list.length() < searchedUpTo) {
                if (list.search(var) == nullptr) list.append(var);
                return;
            }
            for (const FSymbol& held : list) own.held.insert(held);
            own.indexed = true;
        }
        if (own.held.insert(var).second) list.append(var);
        return;
    }
    if (list.search(var) == nullptr) list.append(var);
}

void ParseTreeNode::display(OutputChannel& channel) const {
    print(channel, nullptr, nullptr);
}

void ParseTreeNode::print(OutputChannel& channel) const {
    channel << "a" << className();
}

bool ParseTreeNode::isA(const std::string& name) const {
    return name == "ParseTreeNode" || FLSysObject::isA(name);
}

std::unique_ptr<VarList> ParseTreeNode::giveVars() const {
    std::unique_ptr<VarList> vars(new (std::nothrow) VarList);
    if (vars == nullptr) {
        centralErrorHandler().report(err9::OutOfMemory);
        std::exit(3);
    }
    Collection own{vars.get(), {}, false};
    Collection* outer = filling;
    filling = &own;
    collectVars(*vars);
    filling = outer;
    return vars;
}

bool ParseTreeNode::operator<(const ParseTreeNode& other) const {
    const int answer = compare(other);
    return orderKnown(answer) && answer == -1;
}

bool ParseTreeNode::operator>(const ParseTreeNode& other) const {
    const int answer = compare(other);
    return orderKnown(answer) && answer == 1;
}

bool ParseTreeNode::operator<=(const ParseTreeNode& other) const {
    const int answer = compare(other);
    return orderKnown(answer) && answer != 1;
}

bool ParseTreeNode::operator>=(const ParseTreeNode& other) const {
    const int answer = compare(other);
    return orderKnown(answer) && answer != -1;
}

bool ParseTreeNode::deepEqual(const ParseTreeNode& other) const {
    errorChannel() << "Pure virtually called : ParseTreeNode::deepEqual() on " << className()
                   << std::endl;
    return className() == other.className();
}

int ParseTreeNode::compare(const ParseTreeNode& other) const {
    if (kindValue != other.kindValue && className() != other.className())
        return className() > other.className() ? 1 : -1;
    return compareSameClass(other);
}

bool ParseTreeNode::bindVars(VarSet& bound, const SymTab* /*names*/) const {
    addVarsTo(bound);
    return true;
}

void ParseTreeNode::addVarsTo(VarSet& bound) const {
    const std::unique_ptr<VarList> vars = giveVars();
    for (const FSymbol& var : *vars) bound.insert(var);
}

bool ParseTreeNode::allVarsIn(const VarSet& bound) const {
    const std::unique_ptr<VarList> vars = giveVars();
    for (const FSymbol& var : *vars)
        if (!bound.member(var)) return false;
    return true;
}

ParseTreeNode* ParseTreeNode::finishClone(ParseTreeNode* copy) {
    auto held = Ref<ParseTreeNode>::adopt(copy);
    if (held && !held->incomplete) return held.release();
    centralErrorHandler().report(err9::OutOfMemory);
    return nullptr;
}

bool deepEqualOrNull(const ParseTreeNode* a, const ParseTreeNode* b) {
    if (a == nullptr || b == nullptr) return a == b;
    return a->deepEqual(*b);
}

int compareOrNull(const ParseTreeNode* a, const ParseTreeNode* b) {
    if (a == nullptr || b == nullptr) return a == b ? 0 : (a == nullptr ? -1 : 1);
    return a->compare(*b);
}

std::string symbolText(const FSymbol& symbol, const SymTab* table) {
    if (table == nullptr) return symbol.ToString();
    std::string text = table->giveName(symbol);
    if (symbol.getType() != InternalName::String || text.size() < 3) return text;
    // A string holds its inner quotes bare; written back, each needs its backslash again. The
    // text between them is copied in runs: a long string is written in time of its length.
    const std::size_t end = text.size() - 1;
    std::size_t quote = text.find('"', 1);
    if (quote >= end) return text;
    std::string written;
    written.reserve(text.size() + 16);
    written += text.front();
    std::size_t from = 1;
    while (quote < end) {
        written.append(text, from, quote - from);
        written += "\\\"";
        from = quote + 1;
        quote = text.find('"', from);
    }
    written.append(text, from, end - from);
    written += text.back();
    return written;
}
