// The signature iterators: inherited signatures with generalised result and specialised argument
// types.
#include "access/EnhSigIter.h"

#include <utility>

#include "access/OMAccess.h"
#include "foundation/Error.h"
#include "foundation/ErrorHandler.h"

namespace {

void reportIllegalArgument(const char* where) {
    centralErrorHandler().report(
        Error(6, 116, 2, "IllegalArgument",
              "The first argument cannot be used in the construction of this Iterator", where, ""));
}

const InternalName Free = InternalName::UndefinedObject;

}  // namespace

EnhSigIter::EnhSigIter(MethodType methodType, const InternalName* cells, int width,
                       OMAccess* access)
    : EnhMatchIterator(access, width),
      methodType(methodType),
      pattern(cells, cells + (width > 0 ? width : 0)) {}

InternalName EnhSigIter::invalidUse() {
    centralErrorHandler().report(Error(6, 109, 2, "InvaliddUse",
                                       "Invalid Use of method, the result is an UndefinedObject",
                                       "method", ""));
    return InternalName::UndefinedObject;
}

void EnhSigIter::reportNoIterator() {
    centralErrorHandler().report(
        Error(6, 105, 2, "Couldn't get Iterator", "no Iterator was returned", "method", ""));
}

BasicLeftSigIter::BasicLeftSigIter(MethodType methodType, const InternalName* cells, int width,
                                   OMAccess* access)
    : EnhSigIter(methodType, cells, width, access) {
    if (width < 3 || !isBound(cell(1))) {
        reportIllegalArgument("BasicLeftSigIter::BasicLeftSigIter");
        valid = false;
        return;
    }
    collectSignatures();
    collected = true;
}

void BasicLeftSigIter::releaseSignatures() {
    signatures.clear();
    currentIndex = 0;
    current = nullptr;
}

void BasicLeftSigIter::collectSignatures() {
    releaseSignatures();
    Ref<Iterator> classes =
        Ref<Iterator>::adopt(access->makeEnhIsaIter(cell(1), Free, IsaRelation::Subclass, nullptr));
    if (classes == nullptr) {
        reportNoIterator();
        return;
    }
    std::vector<InternalName> tuple(static_cast<std::size_t>(columnCount), Free);
    tuple[1] = cell(2);
    for (bool more = classes->first(); more; more = classes->next()) {
        tuple[0] = classes->atColumn(2);
        Ref<Iterator> found = Ref<Iterator>::adopt(
            access->makeRefIter(methodType, tuple.data(), columnCount, nullptr));
        if (found == nullptr) {
            reportNoIterator();
            break;
        }
        // The iterator stays on its first row until the walk reaches it.
        if (found->first()) signatures.push_back(std::move(found));
    }
}

bool BasicLeftSigIter::isSubclassOf(InternalName a, InternalName b) {
    if (!isBound(a) || !isBound(b)) {
        centralErrorHandler().report(Error(6, 106, 2, "IllegalCall",
                                           "at least one parameter was an undefined object",
                                           "BasicLeftSigIter::isSubclassOf", ""));
        return false;
    }
    Ref<Iterator> test =
        Ref<Iterator>::adopt(access->makeEnhIsaIter(a, b, IsaRelation::Subclass, nullptr));
    if (test == nullptr) {
        reportNoIterator();
        return false;
    }
    return test->first();
}

bool BasicLeftSigIter::matchRow() {
    if (isBound(cell(2)) && current->atColumn(2) != cell(2)) return false;
    const int width = columnCount;
    if (isBound(cell(width))) {
        const InternalName declared = current->atColumn(width);
        if (declared.getType() == InternalName::SetName) {
            members.renew([&](Iterator* old) { return access->setIterator(declared, old); });
            bool some = false;
            for (bool more = members != nullptr && members->first(); more && !some;
                 more = members->next())
                some = isSubclassOf(members->atColumn(1), cell(width));
            if (!some) return false;
        } else if (!isSubclassOf(declared, cell(width))) {
            return false;
        }
    }
    for (int col = 3; col < width; ++col)
        if (isBound(cell(col)) && !isSubclassOf(cell(col), current->atColumn(col))) return false;
    return true;
}

bool BasicLeftSigIter::advance() {
    if (!more) return false;
    for (;;) {
        if (!current->next()) {
            if (++currentIndex >= signatures.size()) {
                more = false;
                current = nullptr;
                return false;
            }
            current = signatures[currentIndex].get();
        }
        if (matchRow()) return true;
    }
}

bool BasicLeftSigIter::first() {
    positioned = false;
    started = false;
    more = true;
    if (!valid) return false;
    // The signatures of construction serve the first walk; every later walk gathers them anew,
    // since the walk has run their iterators to the end.
    if (collected)
        collected = false;
    else
        collectSignatures();
    currentIndex = 0;
    if (signatures.empty()) {
        more = false;
        return false;
    }
    current = signatures.front().get();
    if (matchRow() || advance()) positioned = started = true;
    return positioned;
}

bool BasicLeftSigIter::next() {
    if (!started) return false;
    positioned = advance();
    return positioned;
}

InternalName BasicLeftSigIter::atColumn(int col) {
    if (!positioned || col < 1 || col > columnCount) return invalidUse();
    if (col == 1) return cell(1);
    return isBound(cell(col)) ? cell(col) : current->atColumn(col);
}

EnhLeftSigIter::EnhLeftSigIter(MethodType methodType, const InternalName* cells, int width,
                               OMAccess* access)
    : EnhSigIter(methodType, cells, width, access) {
    open();
}

EnhLeftSigIter::~EnhLeftSigIter() {
    release();
}

void EnhLeftSigIter::open() {
    inner = Ref<BasicLeftSigIter>::make(methodType, pattern.data(), columnCount, access);
    columnIters.clear();
    columnIters.resize(static_cast<std::size_t>(columnCount + 1));
}

void EnhLeftSigIter::release() {
    inner.reset();
    closeColumns();
    columnIters.clear();
    forgetRows();
}

void EnhLeftSigIter::forgetRows() {
    produced.clear();
}

void EnhLeftSigIter::closeColumns() {
    for (Ref<Iterator>& column : columnIters) column.reset();
}

bool EnhLeftSigIter::openColumns() {
    closeColumns();
    const int width = columnCount;
    auto fail = [&](bool noIterator) {
        if (noIterator) reportNoIterator();
        closeColumns();
        return false;
    };
    for (int col = 3; col < width; ++col) {
        if (isBound(cell(col))) continue;
        Ref<Iterator>& column = columnIters[static_cast<std::size_t>(col)];
        column = Ref<Iterator>::adopt(
            access->makeEnhIsaIter(inner->atColumn(col), Free, IsaRelation::Subclass, nullptr));
        if (column == nullptr) return fail(true);
        if (!column->first()) return fail(false);
    }
    if (!isBound(cell(width))) {
        InternalName declared = inner->atColumn(width);
        if (declared.getType() == InternalName::SetName) {
            members.renew([&](Iterator* old) { return access->setIterator(declared, old); });
            if (members == nullptr || !members->first()) return fail(false);
            declared = members->atColumn(1);
        }
        Ref<Iterator>& column = columnIters[static_cast<std::size_t>(width)];
        column = Ref<Iterator>::adopt(
            access->makeEnhIsaIter(declared, Free, IsaRelation::Subclass, nullptr));
        if (column == nullptr) return fail(true);
        if (!column->first()) return fail(false);
    }
    return true;
}

bool EnhLeftSigIter::advanceColumn(int column) {
    const int width = columnCount;
    int col = column;
    while (col <= width && columnIters[static_cast<std::size_t>(col)] == nullptr) ++col;
    if (col > width) return false;
    Ref<Iterator>& current = columnIters[static_cast<std::size_t>(col)];
    if (current->next()) return true;
    if (col == width && !isBound(cell(width)) &&
        inner->atColumn(width).getType() == InternalName::SetName && members->next()) {
        current.renew([&](Iterator* old) {
            return access->makeEnhIsaIter(members->atColumn(1), Free, IsaRelation::Subclass, old);
        });
        return current != nullptr && current->first();
    }
    current->first();
    return advanceColumn(col + 1);
}

InternalName EnhLeftSigIter::rowCell(int col) {
    const int width = columnCount;
    if (col == 1) return cell(1);
    if (isBound(cell(col))) return cell(col);
    if (col == 2) return inner->atColumn(2);
    Iterator* column = columnIters[static_cast<std::size_t>(col)].get();
    if (col == width) return column != nullptr ? column->atColumn(2) : inner->atColumn(width);
    return column != nullptr ? column->atColumn(1) : inner->atColumn(col);
}

bool EnhLeftSigIter::recordRow() {
    std::vector<InternalName> row;
    row.reserve(static_cast<std::size_t>(columnCount));
    for (int col = 1; col <= columnCount; ++col) row.push_back(rowCell(col));
    return produced.insert(std::move(row)).second;
}

bool EnhLeftSigIter::seekRow() {
    for (;;) {
        if (advanceColumn(3)) {
            if (recordRow()) return true;
            continue;
        }
        // A signature whose columns cannot be opened is passed over, not the end of the walk.
        do {
            if (!inner->next()) return false;
        } while (!openColumns());
        if (recordRow()) return true;
    }
}

bool EnhLeftSigIter::first() {
    positioned = false;
    started = false;
    forgetRows();
    closeColumns();
    if (inner == nullptr || !inner->first()) return false;
    started = true;
    positioned = (openColumns() && recordRow()) || seekRow();
    return positioned;
}

bool EnhLeftSigIter::next() {
    if (!started || !positioned) return false;
    positioned = seekRow();
    return positioned;
}

InternalName EnhLeftSigIter::atColumn(int col) {
    if (!positioned || col < 1 || col > columnCount) return invalidUse();
    return rowCell(col);
}

EnhRightSigIter::EnhRightSigIter(MethodType methodType, const InternalName* cells, int width,
                                 OMAccess* access)
    : EnhSigIter(methodType, cells, width, access) {
    if (width < 3 || isBound(cell(1))) {
        reportIllegalArgument("EnhRightSigIter::EnhRightSigIter");
        valid = false;
        return;
    }
    open();
}

EnhRightSigIter::~EnhRightSigIter() {
    release();
}

void EnhRightSigIter::open() {
    candidates = Ref<Iterator>::adopt(access->objNamesIterator(nullptr));
    if (candidates == nullptr) reportNoIterator();
}

void EnhRightSigIter::release() {
    candidates.reset();
    inner.reset();
}

void EnhRightSigIter::reinitialize(MethodType newType, const InternalName* cells, int width,
                                   OMAccess* newAccess) {
    release();
    methodType = newType;
    columnCount = width;
    access = newAccess;
    pattern.assign(cells, cells + (width > 0 ? width : 0));
    positioned = false;
    started = false;
    valid = width >= 3;
    if (valid) open();
}

bool EnhRightSigIter::seekCandidate() {
    do {
        inner.reset();
        pattern[0] = candidates->atColumn(1);
        inner = Ref<EnhLeftSigIter>::make(methodType, pattern.data(), columnCount, access);
        if (inner->first()) return true;
    } while (candidates->next());
    return false;
}

bool EnhRightSigIter::first() {
    positioned = false;
    started = false;
    if (!valid || candidates == nullptr || !candidates->first()) return false;
    positioned = started = seekCandidate();
    return positioned;
}

bool EnhRightSigIter::next() {
    if (!positioned) return false;
    positioned = inner->next() || (candidates->next() && seekCandidate());
    return positioned;
}

InternalName EnhRightSigIter::atColumn(int col) {
    if (!positioned || col < 1 || col > columnCount) return invalidUse();
    return inner->atColumn(col);
}
