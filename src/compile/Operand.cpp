// The operands: storage, iterators, equality and the two printed forms.
#include "compile/Operand.h"

#include <ostream>
#include <typeinfo>

#include "access/EmptyIterator.h"
#include "access/OMAccess.h"
#include "compile/OperandIterators.h"
#include "foundation/OutputChannel.h"
#include "foundation/Ref.h"

namespace {

// The old iterator when it is one of ours of the wanted kind; any other old iterator, even one
// answering to the same word, points into other storage and is released. (The exact class
// test is cheaper than the word test, and a join asks once per row.)
template <class It>
It* reusable(Ref<Iterator>& old) {
    Iterator* held = old.get();
    if (held != nullptr && typeid(*held) == typeid(It)) return static_cast<It*>(held);
    old = {};
    return nullptr;
}

Ref<Iterator> rowIterator(Ref<Iterator> old, const RowStore* rows, int width, int begin = 0,
                          int end = -1, int offset = 0) {
    if (auto* it = reusable<OperandRowIterator>(old)) {
        it->reset(rows, width, begin, end, offset);
        return old;
    }
    return Ref<OperandRowIterator>::make(rows, width, begin, end, offset);
}

Ref<Iterator> emptyIterator(Ref<Iterator> old) {
    if (old && typeid(*old) == typeid(EmptyIterator)) return old;
    old = {};
    return Ref<EmptyIterator>::make();
}

// Equal sizes and, key by key in ascending order, equal group sizes.
bool sameGroupSizes(Operand* self, Operand* other) {
    if (other == nullptr || other->size() != self->size()) return false;
    const Ref<Iterator> keys = self->makeIterator({});
    bool equal = true;
    for (bool more = keys->first(); more && equal; more = keys->next()) {
        InternalName key = keys->atColumn(1);
        equal = other->groupSize(key) == self->groupSize(key);
    }
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
    const Ref<Iterator> keys = makeIterator({});
    Ref<Iterator> groupHeld;
    for (bool more = keys->first(); more; more = keys->next()) {
        InternalName key = keys->atColumn(1);
        if (key == InternalName::UndefinedObject)
            out << "true";
        else
            write(key);
        out << std::endl;
        groupHeld = makeGroupIterator(key, std::move(groupHeld));
        Iterator* group = groupHeld.get();
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
}

void Operand::print(OutputChannel& out) {
    printRows(out, [&out](const InternalName& name) { name.printOn(&out); });
}

void Operand::printLexical(OutputChannel& out, OMAccess* access) {
    printRows(out, [&out, access](const InternalName& name) { out << lexicalText(access, name); });
}

// Operand2

Operand2::Operand2() : Operand(clib_list<FSymbol>()), names(1) {}

Ref<Iterator> Operand2::makeIterator(Ref<Iterator> old) {
    if (auto* it = reusable<OperandNameIterator>(old)) {
        it->reset(&names, 1);
        return old;
    }
    return Ref<OperandNameIterator>::make(&names);
}

Ref<Iterator> Operand2::makeGroupIterator(const InternalName&, Ref<Iterator> old) {
    return emptyIterator(std::move(old));
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

SetOperand::SetOperand(const clib_list<FSymbol>& columns)
    : Operand(columns),
      width(this->columns.size()),
      rows(width + 1),
      scratch(std::size_t(width) + 1) {}

bool SetOperand::isEmpty() const {
    if (source == nullptr) return rows.empty();
    // Whether the source gives a row at all, without storing its rows.
    if (sourceEmpty < 0) {
        bool any = false;
        source->produce([&any](const InternalName*) {
            any = true;
            return false;
        });
        sourceEmpty = any ? 0 : 1;
    }
    return sourceEmpty != 0;
}

void SetOperand::defer(std::unique_ptr<RowSource> from) {
    source = std::move(from);
    sourceEmpty = -1;
}

void SetOperand::takeRows() const {
    std::unique_ptr<RowSource> from = std::move(source);
    auto* self = const_cast<SetOperand*>(this);
    const bool distinct = from->distinctRows();
    from->produce([self, distinct](const InternalName* cells) {
        if (distinct)
            self->insertDistinct(InternalName::UndefinedObject, cells);
        else
            self->insert(InternalName::UndefinedObject, cells);
        return true;
    });
}

bool SetOperand::group(const InternalName& key, int& begin, int& end) const {
    settle();
    if (!cached || key != lastKey) {
        if (!rows.findGroup(key, lastBegin, lastEnd)) return false;
        cached = true;
        lastKey = key;
    }
    begin = lastBegin;
    end = lastEnd;
    return true;
}

bool SetOperand::contains(const InternalName& key) const {
    int begin = 0, end = 0;
    return group(key, begin, end);
}

bool SetOperand::insert(const InternalName& key, const InternalName* cells) {
    settle();
    scratch[0] = key;
    std::copy(cells, cells + width, scratch.begin() + 1);
    if (!rows.insert(scratch.data())) return false;
    noteKey(key, cells);
    cached = false;
    return true;
}

void SetOperand::insertDistinct(const InternalName& key, const InternalName* cells) {
    settle();
    scratch[0] = key;
    std::copy(cells, cells + width, scratch.begin() + 1);
    rows.append(scratch.data());
    noteKey(key, cells);
    cached = false;
}

void SetOperand::noteKey(const InternalName& key, const InternalName* cells) {
    if (key != InternalName::UndefinedObject) hasKeys = true;
    if (keyColumn == -2) {
        keyColumn = -1;
        for (int c = 0; c < width && keyColumn < 0; ++c)
            if (cells[c] == key) keyColumn = c;
    } else if (keyColumn >= 0 && cells[keyColumn] != key) {
        keyColumn = -1;
    }
}

Ref<Iterator> SetOperand::makeIterator(Ref<Iterator> old) {
    settle();
    if (auto* it = reusable<DicIterator>(old)) {
        it->reset(&rows);
        return old;
    }
    return Ref<DicIterator>::make(&rows);
}

Ref<Iterator> SetOperand::makeGroupIterator(const InternalName& key, Ref<Iterator> old) {
    int begin = 0, end = 0;
    if (!group(key, begin, end)) return {};
    return rowIterator(std::move(old), &rows, width, begin, end, 1);
}

bool SetOperand::isEqual(Operand* other) {
    return sameGroupSizes(this, other);
}

int SetOperand::groupSize(const InternalName& key) const {
    int begin = 0, end = 0;
    return group(key, begin, end) ? end - begin : 0;
}

void SetOperand::printName(OutputChannel& out) const {
    out << "anSetOperand";
}

bool SetOperand::isA(const std::string& className) const {
    return className == "SetOperand" || Operand::isA(className);
}

// TupleSetOperand

TupleSetOperand::TupleSetOperand(const clib_list<FSymbol>& columns)
    : Operand(columns), rows(this->columns.size()) {}

Ref<Iterator> TupleSetOperand::makeIterator(Ref<Iterator> old) {
    return rowIterator(std::move(old), &rows, rows.width());
}

Ref<Iterator> TupleSetOperand::makeGroupIterator(const InternalName&, Ref<Iterator> old) {
    return emptyIterator(std::move(old));
}

void TupleSetOperand::printName(OutputChannel& out) const {
    out << "anTupleSetOperand";
}

void TupleSetOperand::printLexical(OutputChannel& out, OMAccess* access) {
    const int n = rows.width();
    for (int rank = 0; rank < rows.size(); ++rank) {
        const InternalName* row = rows.rowAtRank(rank);
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
