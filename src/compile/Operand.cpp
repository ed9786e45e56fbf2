// The operands: storage, iterators, equality and the two printed forms.
#include "compile/Operand.h"

#include <ostream>

#include "access/EmptyIterator.h"
#include "access/OMAccess.h"
#include "compile/OperandIterators.h"
#include "foundation/OutputChannel.h"

namespace {

// The old iterator when it is one of ours of the wanted word; any other old iterator is released.
template <class It>
It* reusable(Iterator* old, const char* word) {
    if (old == nullptr) return nullptr;
    if (old->isA(word)) {
        if (auto* own = dynamic_cast<It*>(old)) return own;
    }
    decRef(old);
    return nullptr;
}

Iterator* rowIterator(Iterator* old, const RowStore* rows, int width) {
    if (auto* it = reusable<OperandRowIterator>(old, "TupleSetIterator")) {
        it->reset(rows, width);
        return it;
    }
    return new OperandRowIterator(rows, width);
}

Iterator* emptyIterator(Iterator* old) {
    if (old != nullptr && old->isA("EmptyIterator")) return old;
    decRef(old);
    return new EmptyIterator();
}

// Equal sizes and, key by key in ascending order, equal group sizes.
bool sameGroupSizes(Operand* self, Operand* other) {
    if (other == nullptr || other->size() != self->size()) return false;
    Iterator* keys = self->makeIterator(nullptr);
    bool equal = true;
    for (bool more = keys->first(); more && equal; more = keys->next()) {
        InternalName key = keys->atColumn(1);
        equal = other->groupSize(key) == self->groupSize(key);
    }
    decRef(keys);
    return equal;
}

}  // namespace

std::string lexicalText(OMAccess* access, const InternalName& name) {
    std::string text;
    if (access != nullptr) access->giveLexicalForm(name, text);
    return text;
}

int Operand::columnOf(const FSymbol& variable) const {
    return columns.rank(variable);
}

void Operand::printName(OutputChannel& out) const {
    out << "anOperand";
}

template <class Write>
void Operand::printRows(OutputChannel& out, Write write) {
    if (isEmpty()) {
        out << "Operand is empty";
        return;
    }
    Iterator* keys = makeIterator(nullptr);
    Iterator* group = nullptr;
    for (bool more = keys->first(); more; more = keys->next()) {
        InternalName key = keys->atColumn(1);
        if (key == InternalName::UndefinedObject)
            out << "true";
        else
            write(key);
        out << std::endl;
        group = makeGroupIterator(key, group);
        for (bool row = group != nullptr && group->first(); row; row = group->next()) {
            out << "   ";
            int i = 1;
            for (const FSymbol& variable : columns) {
                variable.printOn(&out);
                out << "/";
                write(group->atColumn(i++));
                out << "  ";
            }
            out << std::endl;
        }
        out << std::endl;
    }
    out << std::endl;
    decRef(group);
    decRef(keys);
}

void Operand::print(OutputChannel& out) {
    printRows(out, [&out](const InternalName& name) { name.printOn(&out); });
}

void Operand::printLexical(OutputChannel& out, OMAccess* access) {
    printRows(out, [&out, access](const InternalName& name) { out << lexicalText(access, name); });
}

// Operand2

Operand2::Operand2() : Operand(clib_list<FSymbol>(), 2), names(1) {}

Iterator* Operand2::makeIterator(Iterator* old) {
    if (auto* it = reusable<OperandNameIterator>(old, "SetIterator")) {
        it->reset(&names, 1);
        return it;
    }
    return new OperandNameIterator(&names);
}

Iterator* Operand2::makeGroupIterator(const InternalName&, Iterator* old) {
    return emptyIterator(old);
}

bool Operand2::isEqual(Operand* other) {
    return sameGroupSizes(this, other);
}

void Operand2::printName(OutputChannel& out) const {
    out << "anOperand2";
}

bool Operand2::isA(const std::string& className) const {
    return className == "Operand2" || Operand::isA(className);
}

// SetOperand

SetOperand::SetOperand(const clib_list<FSymbol>& columns, int kind)
    : Operand(columns, kind), width(this->columns.size()), keys(1) {}

SetOperand::~SetOperand() {
    for (RowStore* rows : groups) delete rows;
}

const RowStore* SetOperand::group(const InternalName& key) const {
    if (lastGroup != nullptr && key == lastKey) return lastGroup;
    int index = keys.find(&key);
    if (index < 0) return nullptr;
    lastKey = key;
    lastGroup = groups[std::size_t(index)];
    return lastGroup;
}

bool SetOperand::insert(const InternalName& key, const InternalName* cells) {
    int index = 0;
    if (keys.insert(&key, &index)) groups.push_back(new RowStore(width));
    return groups[std::size_t(index)]->insert(cells);
}

Iterator* SetOperand::makeIterator(Iterator* old) {
    if (auto* it = reusable<DicIterator>(old, "DicIterator")) {
        it->reset(&keys, 1);
        return it;
    }
    return new DicIterator(&keys);
}

Iterator* SetOperand::makeGroupIterator(const InternalName& key, Iterator* old) {
    const RowStore* rows = group(key);
    if (rows == nullptr) {
        decRef(old);
        return nullptr;
    }
    return rowIterator(old, rows, width);
}

bool SetOperand::isEqual(Operand* other) {
    return sameGroupSizes(this, other);
}

int SetOperand::groupSize(const InternalName& key) const {
    const RowStore* rows = group(key);
    return rows != nullptr ? rows->size() : 0;
}

void SetOperand::printName(OutputChannel& out) const {
    out << "anSetOperand";
}

bool SetOperand::isA(const std::string& className) const {
    return className == "SetOperand" || Operand::isA(className);
}

// TupleSetOperand

TupleSetOperand::TupleSetOperand(const clib_list<FSymbol>& columns, int kind)
    : Operand(columns, kind), rows(this->columns.size()) {}

Iterator* TupleSetOperand::makeIterator(Iterator* old) {
    return rowIterator(old, &rows, rows.width());
}

Iterator* TupleSetOperand::makeGroupIterator(const InternalName&, Iterator* old) {
    return emptyIterator(old);
}

void TupleSetOperand::printName(OutputChannel& out) const {
    out << "anTupleSetOperand";
}

void TupleSetOperand::printLexical(OutputChannel& out, OMAccess* access) {
    const int n = rows.width();
    for (int rank = 0; rank < rows.size(); ++rank) {
        const InternalName* row = rows.row(rows.indexAtRank(rank));
        int i = 0;
        for (const FSymbol& variable : columns) {
            if (i >= n) break;
            out << variable << "/" << lexicalText(access, row[i++]) << "  ";
        }
        out << std::endl;
    }
}

bool TupleSetOperand::isA(const std::string& className) const {
    return className == "TupleSetOperand" || Operand::isA(className);
}
