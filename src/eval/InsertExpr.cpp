// The insert expressions: slot filling shared by every kind, and each kind's access-layer call.
#include "eval/InsertExpr.h"

#include "access/OMAccess.h"
#include "objectbase/RelationStore.h"

InsertExpr::InsertExpr(OMAccess* access, int slotCount)
    : access(access),
      n(slotCount > 0 ? slotCount : 0),
      constants(n, InternalName::UndefinedObject),
      children(n, nullptr),
      codes(n, 0),
      values(n, InternalName::UndefinedObject) {}

InsertExpr::~InsertExpr() {
    for (InsertExpr* child : children) decRef(child);
}

void InsertExpr::setPosition(int column, int slot) {
    if (slot >= 0 && slot < n) codes[slot] = column;
}

void InsertExpr::setConstant(const InternalName& name, int slot) {
    if (slot < 0 || slot >= n) return;
    codes[slot] = 0;
    constants[slot] = name;
}

void InsertExpr::setChild(InsertExpr* child, int slot) {
    if (slot < 0 || slot >= n) {
        decRef(child);
        return;
    }
    codes[slot] = -1;
    decRef(children[slot]);
    children[slot] = child;
}

void InsertExpr::createObjects() {
    for (int i = 0; i < n; ++i) {
        if (codes[i] == -1) {
            if (children[i] != nullptr) children[i]->createObjects();
        } else if (codes[i] == 0) {
            access->insertObject(FSymbol(constants[i]), nullptr, 0, values[i]);
        }
    }
}

void InsertExpr::insert(const InternalName* cells, InternalName* out, int* changed) {
    rowFailed = false;
    // The computing children first: a row whose arithmetic fails writes nothing at all.
    for (const bool computing : {true, false}) {
        for (int i = 0; i < n; ++i) {
            if (codes[i] == -1) {
                InsertExpr* child = children[i];
                if (child == nullptr || child->computesOnly() != computing) continue;
                child->insert(cells, &values[i], changed);
                if (child->failed()) {
                    rowFailed = true;
                    *out = InternalName::UndefinedObject;
                    return;
                }
            } else if (codes[i] > 0 && computing) {
                values[i] = cells[codes[i] - 1];
            }
        }
    }
    apply(out, changed);
}

void InsertExpr::takeColumns(const InternalName* cells) {
    for (int i = 0; i < n; ++i)
        if (codes[i] > 0) values[i] = cells[codes[i] - 1];
}

bool InsertExpr::flat() const {
    for (int i = 0; i < n; ++i)
        if (codes[i] == -1) return false;
    return true;
}

ObjPredInsertExpr::ObjPredInsertExpr(OMAccess* access, const FSymbol& symbol, int argCount)
    : InsertExpr(access, argCount), symbol(symbol) {}

bool ObjPredInsertExpr::orderFree() const {
    return symbol.getType() != InternalName::Function && flat();
}

bool ObjPredInsertExpr::takesRepeats() const {
    return symbol.getType() == InternalName::Predicate && flat();
}

void ObjPredInsertExpr::prefetch(const InternalName* cells) {
    if (frame == nullptr || !takesRepeats()) return;
    // The row's tuple in the scratch of the next insert, which overwrites it anyway.
    takeColumns(cells);
    access->prefetchTuple(frame, values.data(), n);
}

void ObjPredInsertExpr::lookUpStored() {
    if (storedLooked) return;
    storedLooked = true;
    const OMAccess::StoredRows stored = access->storedPredicateRows(symbol, n);
    storedRows = stored.store;
    storedFrom = stored.from;
}

bool ObjPredInsertExpr::isStored(const InternalName* cells) {
    lookUpStored();
    if (storedRows == nullptr) return false;
    takeColumns(cells);
    return storedRows->find(values.data()) >= storedFrom;
}

void ObjPredInsertExpr::prefetchStored(const InternalName* cells) {
    lookUpStored();
    if (storedRows == nullptr) return;
    takeColumns(cells);
    storedRows->prefetch(values.data());
}

void ObjPredInsertExpr::createObjects() {
    frame = nullptr;
    storedRows = nullptr;
    storedLooked = false;
    InsertExpr::createObjects();
}

void ObjPredInsertExpr::apply(InternalName* out, int* changed) {
    if (symbol.getType() == InternalName::Function) {
        InternalName made = InternalName::UndefinedObject;
        if (access->insertObject(symbol, values.data(), n, made) != 0) *changed = 1;
        *out = made;
        return;
    }
    if (access->insertPredicateKeepingFrame(symbol, values.data(), n, frame) != 0) *changed = 1;
    *out = InternalName::UndefinedObject;
}

IsaInsertExpr::IsaInsertExpr(OMAccess* access, int relationKind)
    : InsertExpr(access, 2), relation(relationKind) {}

void IsaInsertExpr::apply(InternalName* out, int* changed) {
    if (access->insertClassRelation(values[0], values[1], relation) != 0) *changed = 1;
    *out = values[0];
}

PropInsertExpr::PropInsertExpr(OMAccess* access, int methodType, int argCount, int resultCount)
    : InsertExpr(access, argCount + resultCount + 2),
      type(methodType),
      a(argCount),
      r(resultCount) {}

bool PropInsertExpr::orderFree() const {
    return type == 1 && flat();
}

void PropInsertExpr::createObjects() {
    keeping = keepsSets();
    InsertExpr::createObjects();
}

void PropInsertExpr::insert(const InternalName* cells, InternalName* out, int* changed) {
    if (!keeping) {
        InsertExpr::insert(cells, out, changed);
        return;
    }
    rowFailed = false;
    takeColumns(cells);
    apply(out, changed);
}

bool PropInsertExpr::isStored(const InternalName* cells) {
    if (!keeping) return false;
    takeColumns(cells);
    return access->holdsValueKeepingSets(values[0], values[1], type, values[2], sets);
}

void PropInsertExpr::prefetch(const InternalName* cells) {
    if (!keeping) return;
    // The row's value in the scratch of the next insert, which overwrites it anyway.
    takeColumns(cells);
    access->prefetchValue(values[0], values[1], type, values[2], sets);
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
                               const InternalName* args, int argCount, int methodType,
                               const InternalName& value) {
    if (keeping) return access->insertValueKeepingSets(host, method, methodType, value, sets);
    return access->insertValue(host, method, args, argCount, methodType, value);
}

int PropInsertExpr::storeSet(const InternalName& host, const InternalName& method,
                             const InternalName* args, int argCount, int methodType,
                             const set<InternalName>& values) {
    return access->insertSet(host, method, args, argCount, methodType, values);
}

PathInsertExpr::PathInsertExpr(OMAccess* access, int methodType, int argCount)
    : InsertExpr(access, argCount + 2), type(methodType), a(argCount) {}

bool PathInsertExpr::computesOnly() const {
    if (!arithmetic()) return false;
    for (int i = 0; i < n; ++i)
        if (codes[i] == -1 && children[i] != nullptr && !children[i]->computesOnly()) return false;
    return true;
}

void PathInsertExpr::apply(InternalName* out, int* changed) {
    InternalName value = InternalName::UndefinedObject;
    const InternalName* args = a > 0 ? &values[2] : nullptr;
    const int result = storePath(values[0], values[1], args, a, type, value);
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
                              const InternalName* args, int argCount, int methodType,
                              InternalName& value) {
    return access->insertPath(host, method, args, argCount, methodType, value);
}
