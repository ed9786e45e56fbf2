// The insert expressions: slot filling shared by every kind, and each kind's access-layer call.
#include "eval/InsertExpr.h"

#include <algorithm>

#include "access/OMAccess.h"

InsertExpr::InsertExpr(OMAccess* access, int slotCount)
    : access(access),
      n(slotCount > 0 ? slotCount : 0),
      constants(n, InternalName::UndefinedObject),
      children(n),
      slots(n),
      values(n, InternalName::UndefinedObject) {}

void InsertExpr::setPosition(int column, int slot) {
    if (slot < 0 || slot >= n) return;
    // Column 0 names no column of the row: the slot reads its constant, as before any setting.
    slots[slot] = Slot{column > 0 ? SlotSource::Column : SlotSource::Constant, false, column};
}

void InsertExpr::setConstant(const InternalName& name, int slot) {
    if (slot < 0 || slot >= n) return;
    slots[slot] = Slot{};
    constants[slot] = name;
}

void InsertExpr::setChild(Ref<InsertExpr> child, int slot) {
    if (slot < 0 || slot >= n) return;
    const bool computing = child && child->computesOnly();
    slots[slot] = Slot{SlotSource::Child, computing, 0};
    children[slot] = std::move(child);
}

void InsertExpr::createObjects() {
    for (int i = 0; i < n; ++i) {
        if (slots[i].source == SlotSource::Child) {
            if (children[i]) children[i]->createObjects();
        } else if (slots[i].source == SlotSource::Constant) {
            access->insertObject(FSymbol(constants[i]), nullptr, 0, values[i]);
        }
    }
}

void InsertExpr::beginPass(Writes writes) {
    createObjects();
    if (writes == Writes::AccessInsert) {
        writer = nullptr;
        orderedWriter = nullptr;
        valueIsFirstSlot = false;
        return;
    }
    const std::optional<HeadRelation> written =
        demand() >= RowDemand::Repeats ? relation() : std::nullopt;
    writer = written ? access->openHeadWriter(*written) : nullptr;
    valueIsFirstSlot = written && written->kind != HeadRelation::Kind::Predicate;
    // Traced at every attempt, a writer shows a row that comes again in the pass once, where
    // the access layer's insert shows each attempt: such a pass keeps the insert.
    const std::optional<HeadRelation> ordered =
        writer == nullptr && access->traceMode() != TraceMode::EveryAttempt ? orderedRelation()
                                                                            : std::nullopt;
    orderedWriter = ordered ? access->openHeadWriter(*ordered) : nullptr;
}

void InsertExpr::prefetch(const InternalName* cells) {
    // The row's fact in the scratch of the next insert, which overwrites it anyway.
    if (writer != nullptr) {
        takeColumns(cells);
        writer->prefetch(values.data());
        return;
    }
    // A node over a child's value knows its slots only once the child ran.
    bool known = true;
    for (int i = 0; i < n; ++i) {
        if (slots[i].source != SlotSource::Child) continue;
        known = false;
        if (children[i] && !slots[i].computing) children[i]->prefetch(cells);
    }
    if (!known) return;
    takeColumns(cells);
    prefetchApply();
}

void InsertExpr::expectRows(std::size_t rows) {
    for (const Ref<InsertExpr>& child : children)
        if (child) child->expectRows(rows);
}

bool InsertExpr::isStored(const InternalName* cells) {
    if (writer == nullptr) return false;
    takeColumns(cells);
    return writer->holds(values.data());
}

void InsertExpr::insertNew(const InternalName* cells, InternalName* out, int* changed) {
    if (writer == nullptr) {
        insert(cells, out, changed);
        return;
    }
    rowFailed = false;
    takeColumns(cells);
    if (writer->insertNew(values.data()) != 0) *changed = 1;
    *out = valueIsFirstSlot ? values[0] : InternalName::UndefinedObject;
}

void InsertExpr::insertNewRows(const InternalName* cells, int count, int width, int* changed) {
    if (count <= 0) return;
    const auto w = std::size_t(width);
    InternalName out = InternalName::UndefinedObject;
    if (writer == nullptr) {
        for (int i = 0; i < count; ++i) insert(cells + std::size_t(i) * w, &out, changed);
        return;
    }
    rowFailed = false;
    // Slots that read the row's columns in order take the rows as they are.
    bool asIs = n == width;
    for (int i = 0; i < n && asIs; ++i)
        asIs = slots[i].source == SlotSource::Column && slots[i].column == i + 1;
    const InternalName* block = cells;
    if (!asIs) {
        blockValues.resize(std::size_t(count) * std::size_t(n));
        for (int r = 0; r < count; ++r) {
            takeColumns(cells + std::size_t(r) * w);
            std::copy(values.begin(), values.end(),
                      blockValues.begin() + std::ptrdiff_t(std::size_t(r) * std::size_t(n)));
        }
        block = blockValues.data();
    }
    if (writer->insertNewRows(block, count, n) != 0) *changed = 1;
}

void InsertExpr::adoptNewRows(GrowingArray<InternalName>& rows, int count, int width,
                              int* changed) {
    bool asIs = writer != nullptr && n == width;
    for (int i = 0; i < n && asIs; ++i)
        asIs = slots[i].source == SlotSource::Column && slots[i].column == i + 1;
    if (!asIs || count <= 0) {
        insertNewRows(rows.data(), count, width, changed);
        return;
    }
    rowFailed = false;
    if (writer->adoptNewRows(rows, count, n) != 0) *changed = 1;
}

void InsertExpr::insert(const InternalName* cells, InternalName* out, int* changed) {
    rowFailed = false;
    if (writer != nullptr) {
        // A node whose rows may repeat has only columns and constants: the row's cells go
        // straight into the slots, which are the writer's row.
        takeColumns(cells);
        if (writer->insert(values.data()) != 0) *changed = 1;
        *out = valueIsFirstSlot ? values[0] : InternalName::UndefinedObject;
        return;
    }
    // The computing children first: a row whose arithmetic fails writes nothing at all.
    for (const bool computing : {true, false}) {
        for (int i = 0; i < n; ++i) {
            const Slot& slot = slots[i];
            if (slot.source == SlotSource::Child) {
                InsertExpr* child = children[i].get();
                if (child == nullptr || slot.computing != computing) continue;
                child->insert(cells, &values[i], changed);
                if (child->failed()) {
                    rowFailed = true;
                    *out = InternalName::UndefinedObject;
                    return;
                }
            } else if (slot.source == SlotSource::Column && computing) {
                values[i] = cells[slot.column - 1];
            }
        }
    }
    apply(out, changed);
}

void InsertExpr::takeColumns(const InternalName* cells) {
    for (int i = 0; i < n; ++i)
        if (slots[i].source == SlotSource::Column) values[i] = cells[slots[i].column - 1];
}

bool InsertExpr::flat() const {
    for (const Slot& slot : slots)
        if (slot.source == SlotSource::Child) return false;
    return true;
}

ObjPredInsertExpr::ObjPredInsertExpr(OMAccess* access, const FSymbol& symbol, int argCount)
    : InsertExpr(access, argCount), symbol(symbol) {}

RowDemand ObjPredInsertExpr::demand() const {
    if (symbol.getType() == InternalName::Function || !flat()) return RowDemand::Ordered;
    return symbol.getType() == InternalName::Predicate ? RowDemand::TellsStored
                                                       : RowDemand::Distinct;
}

bool ObjPredInsertExpr::repeatsHarmless() const {
    const int kind = symbol.getType();
    if (kind != InternalName::Function && kind != InternalName::Predicate) return false;
    for (std::size_t i = 0; i < slots.size(); ++i)
        if (slots[i].source == SlotSource::Child &&
            (children[i] == nullptr || !children[i]->repeatsHarmless()))
            return false;
    return true;
}

TermMaker* ObjPredInsertExpr::openTermMaker() {
    makerOpened = true;
    if (symbol.getType() == InternalName::Function) maker = access->openTermMaker(symbol);
    return maker.get();
}

void ObjPredInsertExpr::prefetchApply() {
    if (n > 0)
        if (TermMaker* terms = termMaker()) terms->prefetch(values.data(), n);
}

void ObjPredInsertExpr::expectRows(std::size_t rows) {
    InsertExpr::expectRows(rows);
    if (symbol.getType() == InternalName::Function) access->expectObjects(symbol, rows);
}

std::optional<HeadRelation> ObjPredInsertExpr::orderedRelation() const {
    if (symbol.getType() != InternalName::Predicate) return std::nullopt;
    return relation();
}

void ObjPredInsertExpr::apply(InternalName* out, int* changed) {
    if (orderedWriter != nullptr) {
        if (orderedWriter->insert(values.data()) != 0) *changed = 1;
        *out = InternalName::UndefinedObject;
        return;
    }
    if (symbol.getType() == InternalName::Function) {
        InternalName made = InternalName::UndefinedObject;
        TermMaker* terms = termMaker();
        if ((terms != nullptr ? access->insertFunctionObject(*terms, values.data(), n, made)
                              : access->insertObject(symbol, values.data(), n, made)) != 0)
            *changed = 1;
        *out = made;
        return;
    }
    if (access->insertPredicate(symbol, values.data(), n) != 0) *changed = 1;
    *out = InternalName::UndefinedObject;
}

IsaInsertExpr::IsaInsertExpr(OMAccess* access, IsaRelation relation)
    : InsertExpr(access, 2), kind(relation) {}

RowDemand IsaInsertExpr::demand() const {
    // A stored membership is found with one probe of the object's class set.
    return kind == IsaRelation::Member && flat() ? RowDemand::TellsStored : RowDemand::Ordered;
}

void IsaInsertExpr::apply(InternalName* out, int* changed) {
    if (access->insertClassRelation(values[0], values[1], kind) != 0) *changed = 1;
    *out = values[0];
}

PropInsertExpr::PropInsertExpr(OMAccess* access, MethodType methodType, int argCount,
                               int resultCount)
    : InsertExpr(access, argCount + resultCount + 2),
      type(methodType),
      a(argCount),
      r(resultCount) {}

RowDemand PropInsertExpr::demand() const {
    if (type != MethodType::Set || !flat()) return RowDemand::Ordered;
    return a == 0 && r == 1 ? RowDemand::TellsStored : RowDemand::Repeats;
}

void PropInsertExpr::apply(InternalName* out, int* changed) {
    *out = values[0];
    const InternalName* args = a > 0 ? &values[2] : nullptr;
    int isNew = 0;
    // Every count other than one is set-valued: an empty result list stores the empty set
    // rather than the undefined object as a single value.
    if (r == 1) {
        isNew = storeValue(values[0], values[1], args, a, type, values[2 + a]);
    } else {
        for (int i = 0; i < r; ++i) results.insert(values[2 + a + i]);
        isNew = storeSet(values[0], values[1], args, a, type, results);
        results.clear();
    }
    if (isNew != 0) *changed = 1;
}

int PropInsertExpr::storeValue(const InternalName& host, const InternalName& method,
                               const InternalName* args, int argCount, MethodType methodType,
                               const InternalName& value) {
    return access->insertValue(host, method, args, argCount, methodType, value);
}

int PropInsertExpr::storeSet(const InternalName& host, const InternalName& method,
                             const InternalName* args, int argCount, MethodType methodType,
                             const set<InternalName>& values) {
    return access->insertSet(host, method, args, argCount, methodType, values);
}

PathInsertExpr::PathInsertExpr(OMAccess* access, MethodType methodType, int argCount)
    : InsertExpr(access, argCount + 2), step(methodType), a(argCount) {}

PathInsertExpr::PathInsertExpr(OMAccess* access, ArithmeticOp op)
    : InsertExpr(access, 2), step(op), a(0) {}

bool PathInsertExpr::computesOnly() const {
    if (!arithmetic()) return false;
    for (int i = 0; i < n; ++i)
        if (slots[i].source == SlotSource::Child && children[i] && !slots[i].computing)
            return false;
    return true;
}

void PathInsertExpr::apply(InternalName* out, int* changed) {
    InternalName value = InternalName::UndefinedObject;
    const InternalName* args = a > 0 ? &values[2] : nullptr;
    const int result = storePath(values[0], values[1], args, a, step, value);
    // A failed operation was reported by the access layer; its value is none.
    if (result == -1 && arithmetic()) {
        rowFailed = true;
        *out = InternalName::UndefinedObject;
        return;
    }
    if (result != 0) *changed = 1;
    *out = value;
}

int PathInsertExpr::storePath(const InternalName& host, const InternalName& method,
                              const InternalName* args, int argCount, const PathStep& step,
                              InternalName& value) {
    return access->insertPath(host, method, args, argCount, step, value);
}
