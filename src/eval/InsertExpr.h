// InsertExpr and its four kinds: the compiled form of one rule-head term, run once per new
// body-result row to write the head's objects and facts through the access layer.
#pragma once

#include <cstdint>
#include <vector>

#include "foundation/ManagedObject.h"
#include "foundation/set.h"
#include "objectbase/FSymbol.h"
#include "objectbase/HostSetCache.h"
#include "objectbase/InternalName.h"

class MainMemPredFrame;
class RelationStore;
class OMAccess;

// Each slot says where one operand comes from: code p > 0 is column p of the row, 0 the constant
// of the slot (made into its object by createObjects), -1 the value its child computes. The
// operand values of all slots live in one array, which each kind reads in its own layout.
class InsertExpr : public ManagedObject {
  public:
    InsertExpr(OMAccess* access, int slotCount);
    InsertExpr(const InsertExpr&) = delete;
    InsertExpr& operator=(const InsertExpr&) = delete;

    // Writes the node's fact for the row whose cells are given (column p is cells[p - 1]), puts
    // the node's value into out and raises *changed to 1 when the access layer reports something
    // new (never lowers it). Children run first, slots from left to right. The row is read as
    // plain cells, not through an iterator: this runs once per derived row.
    virtual void insert(const InternalName* cells, InternalName* out, int* changed);
    // Turns the constants of this node and of its children into objects; once before each insert.
    virtual void createObjects();
    virtual void setPosition(int column, int slot);
    virtual void setConstant(const InternalName& name, int slot);
    // The node owns the child from now on.
    virtual void setChild(InsertExpr* child, int slot);

    int slotCount() const { return n; }
    // Whether the last insert met an arithmetic operation that failed (division by zero, a
    // non-number, overflow): nothing was written for that row.
    bool failed() const { return rowFailed; }
    // Whether the node only computes a value (arithmetic over columns and constants) and
    // writes nothing.
    virtual bool computesOnly() const { return false; }
    // Whether running the node over a set of rows gives the same object base whatever the order
    // of the rows: it makes no new object and stores into a set, so its rows need not be sorted.
    virtual bool orderFree() const { return false; }
    // Whether an order-free node's store answers a repeated fact in one probe (predicate
    // frames, set frames), so that a head of such nodes needs no seen-row trie.
    virtual bool repeatsCheaply() const { return false; }
    // Whether a row given more than once in a pass changes nothing the second time and costs
    // a probe or so: a stored predicate's tuple or a set-valued method value over columns and
    // constants.
    virtual bool takesRepeats() const { return false; }
    // A cache hint that the node will soon store the row whose cells are given (once the pass
    // has begun); nothing by default.
    virtual void prefetch(const InternalName*) {}
    // Whether the node can tell, before its pass writes anything, that the fact a row would
    // store is stored already (a stored predicate's tuple, or a member of a set-valued method
    // without arguments, over columns and constants).
    virtual bool tellsStored() const { return false; }
    // For such a node, after createObjects: whether the row's fact is stored already; the frame
    // is looked up once per pass. A hint to load what that question reads comes first.
    virtual bool isStored(const InternalName*) { return false; }
    virtual void prefetchStored(const InternalName*) {}

  protected:
    ~InsertExpr() override;

    // The fact of this kind over the filled operand values.
    virtual void apply(InternalName* out, int* changed) = 0;

    OMAccess* access;
    std::int32_t n;
    std::vector<InternalName> constants;
    std::vector<InsertExpr*> children;
    std::vector<std::int32_t> codes;
    // The operand value of every slot; scratch overwritten by each createObjects/insert pair.
    std::vector<InternalName> values;
    bool rowFailed = false;

    // Whether every slot is a column or a constant.
    bool flat() const;
    // Puts the row's cells into the slots that read a column.
    void takeColumns(const InternalName* cells);
};

// A function-term object (symbol of kind 1) or a predicate tuple over n arguments.
class ObjPredInsertExpr : public InsertExpr {
  public:
    ObjPredInsertExpr(OMAccess* access, const FSymbol& symbol, int argCount);
    // A predicate tuple over columns and constants.
    bool orderFree() const override;
    bool repeatsCheaply() const override { return orderFree(); }
    bool takesRepeats() const override;
    void prefetch(const InternalName* cells) override;
    bool tellsStored() const override { return takesRepeats(); }
    bool isStored(const InternalName* cells) override;
    void prefetchStored(const InternalName* cells) override;
    // Forgets the frame kept from the last pass, then as InsertExpr.
    void createObjects() override;

  protected:
    void apply(InternalName* out, int* changed) override;

  private:
    FSymbol symbol;
    // The stored predicate's frame, kept for the rows of one pass.
    MainMemPredFrame* frame = nullptr;
    // The predicate's stored rows that isStored reads, looked up on its first call of a pass.
    void lookUpStored();
    const RelationStore* storedRows = nullptr;
    int storedFrom = 0;
    bool storedLooked = false;
};

// object : class (kind 1) or object :: class (kind 2); slot 0 the object, 1 the class.
class IsaInsertExpr : public InsertExpr {
  public:
    IsaInsertExpr(OMAccess* access, int relationKind);

  protected:
    void apply(InternalName* out, int* changed) override;

  private:
    std::int32_t relation;
};

// host[method@(arguments) arrow results]: slot 0 host, 1 method, then a arguments, then r results.
class PropInsertExpr : public InsertExpr {
  public:
    PropInsertExpr(OMAccess* access, int methodType, int argCount, int resultCount);
    // A set-valued (->>) value over columns and constants.
    bool orderFree() const override;
    bool repeatsCheaply() const override { return orderFree(); }
    bool takesRepeats() const override { return orderFree(); }
    void prefetch(const InternalName* cells) override;
    bool tellsStored() const override { return keepsSets(); }
    bool isStored(const InternalName* cells) override;
    void prefetchStored(const InternalName* cells) override { prefetch(cells); }
    // Notes whether the node keeps set frames for the pass, then as InsertExpr.
    void createObjects() override;
    // A node that keeps set frames has only columns and constants: the row's cells go straight
    // into the slots.
    void insert(const InternalName* cells, InternalName* out, int* changed) override;

  protected:
    void apply(InternalName* out, int* changed) override;
    // The access layer's insertion of one value or of a set; non-zero when something is new.
    virtual int storeValue(const InternalName& host, const InternalName& method,
                           const InternalName* args, int argCount, int methodType,
                           const InternalName& value);
    virtual int storeSet(const InternalName& host, const InternalName& method,
                         const InternalName* args, int argCount, int methodType,
                         const set<InternalName>& values);

  private:
    // A set-valued value without arguments over columns and constants: the rows that take
    // repeats, whose set frames are kept in `sets`.
    bool keepsSets() const { return a == 0 && r == 1 && takesRepeats(); }
    // keepsSets(), noted once before the rows come.
    bool keeping = false;

    std::int32_t type;
    std::int32_t a;
    std::int32_t r;
    set<InternalName> results;
    // The set frames of the hosts met so far; valid while the object base keeps its layout.
    HostSetCache sets;
};

// The value of host.method@(arguments) (path kinds), or host op method (arithmetic 100 to 104).
class PathInsertExpr : public InsertExpr {
  public:
    PathInsertExpr(OMAccess* access, int methodType, int argCount);
    // An arithmetic operation whose operands only compute.
    bool computesOnly() const override;

  protected:
    void apply(InternalName* out, int* changed) override;
    // The access layer's insertion of the step; non-zero when something is new.
    virtual int storePath(const InternalName& host, const InternalName& method,
                          const InternalName* args, int argCount, int methodType,
                          InternalName& value);

  private:
    // Whether the step is an arithmetic operation (kinds 100 to 104).
    bool arithmetic() const { return type >= 100 && type <= 104; }

    std::int32_t type;
    std::int32_t a;
};
