// InsertExpr and its four kinds: the compiled form of one rule-head term, run once per new
// body-result row to write the head's objects and facts through the access layer.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "access/HeadWriter.h"
#include "compile/MethodCodes.h"
#include "foundation/ManagedObject.h"
#include "foundation/Ref.h"
#include "foundation/set.h"
#include "objectbase/FSymbol.h"
#include "objectbase/InternalName.h"
#include "objectbase/TermMaker.h"
#include "platform/GrowingArray.h"

class OMAccess;

// What a node asks of the rows of one pass, fixed once its slots are filled. Each value allows
// what the ones before it allow, so a head takes the least its nodes allow together.
enum class RowDemand : std::uint8_t {
    // Ascending order, each row once: the node makes objects or writes facts whose outcome
    // depends on the order of the rows.
    Ordered,
    // Any order, each row once: the node makes no new object and stores into a set whose store
    // answers a repeated fact in one probe (a built-in predicate), but a repeat is not free.
    Distinct,
    // Any order, a row possibly more than once: a repeat changes nothing and costs a probe (a
    // stored predicate's tuple, a set-valued method value, over columns and constants).
    Repeats,
    // As Repeats, and the node can tell before its pass writes anything whether the fact a row
    // would store is stored already (isStored).
    TellsStored,
};

// The weaker of two demands: what a head of both nodes can allow.
inline RowDemand weakest(RowDemand a, RowDemand b) {
    return a < b ? a : b;
}

// Where the operand of one slot comes from.
enum class SlotSource : std::uint8_t { Constant, Column, Child };

// Each slot reads column p of the row, the constant of the slot (made into its object by
// createObjects) or the value its child computes. The operand values of all slots live in one
// array, which each kind reads in its own layout.
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
    // Turns the constants of this node and of its children into objects.
    virtual void createObjects();
    // Once before each pass of rows, on the root of a head term's tree: makes the objects
    // (createObjects) and, when the node's rows may come in any order and more than once, opens
    // the writer of its facts from the access layer. Its rows then go to the writer. With
    // AccessInsert no writer is opened: each fact takes the access layer's insert, the general
    // road the writers must agree with.
    enum class Writes : std::uint8_t { Chosen, AccessInsert };
    void beginPass(Writes writes = Writes::Chosen);
    // After the pass: closes the writers.
    void endPass() {
        writer.reset();
        orderedWriter.reset();
    }
    virtual void setPosition(int column, int slot);
    virtual void setConstant(const InternalName& name, int slot);
    // The node holds the child from now on; a complete child (its slots filled).
    virtual void setChild(Ref<InsertExpr> child, int slot);

    int slotCount() const { return n; }
    // Whether the last insert met an arithmetic operation that failed (division by zero, a
    // non-number, overflow): nothing was written for that row.
    bool failed() const { return rowFailed; }
    // Whether the node only computes a value (arithmetic over columns and constants) and
    // writes nothing.
    virtual bool computesOnly() const { return false; }
    // What a pass of rows must give the node; asked once, when its head is planned.
    virtual RowDemand demand() const { return RowDemand::Ordered; }
    // Whether taking a row again, in the same pass or a later one, writes nothing and makes no
    // object that the first time did not: a head of such trees needs no seen-row trie even
    // where it needs ascending order.
    virtual bool repeatsHarmless() const { return false; }
    // A cache hint that the node will soon store the row whose cells are given (once the pass
    // has begun): its writer's, else those of the function terms over columns and constants
    // in it.
    void prefetch(const InternalName* cells);
    // For a node that demands TellsStored, once its pass has begun: whether the row's fact is
    // stored already. A hint to load what that question reads comes first.
    bool isStored(const InternalName* cells);
    // insert for a row that isStored found not stored, with no insert since but of such rows,
    // each once: its writer may leave out the probe.
    void insertNew(const InternalName* cells, InternalName* out, int* changed);
    // insertNew for `count` rows of `width` cells each, one after the other at `cells`, in that
    // order: their facts go to the writer as one block (the node's value is not asked).
    void insertNewRows(const InternalName* cells, int count, int width, int* changed);
    // insertNewRows for the `count` rows held in `rows`: a head whose row is the rows as they
    // are, into a relation that holds nothing yet, has the store take their array over (`rows`
    // left empty) instead of copying them.
    void adoptNewRows(GrowingArray<InternalName>& rows, int count, int width, int* changed);
    // A hint, once the pass has begun, that about `rows` new rows come next.
    void expectNew(int rows) {
        if (writer != nullptr) writer->expect(rows);
    }
    void prefetchStored(const InternalName* cells) { prefetch(cells); }
    // A hint, once the pass has begun, that about `rows` rows come: the function terms in the
    // node make room for as many objects.
    virtual void expectRows(std::size_t rows);
    // Whether isStored answers false for every row now (the relation is still empty).
    bool storesNothing() { return writer == nullptr || writer->holdsNothing(); }

  protected:
    ~InsertExpr() override = default;

    // The fact of this kind over the filled operand values.
    virtual void apply(InternalName* out, int* changed) = 0;
    // A cache hint for what apply will read over the filled operand values; none by default.
    virtual void prefetchApply() {}
    // The relation of the node's facts with the slots as its row, for a node whose rows may
    // repeat (it demands Repeats or more); none for others.
    virtual std::optional<HeadRelation> relation() const { return std::nullopt; }
    // The relation of the node's own fact when its rows come in order, each stored through a
    // writer once its children ran; none where the fact takes the access layer's insert.
    virtual std::optional<HeadRelation> orderedRelation() const { return std::nullopt; }

    struct Slot {
        SlotSource source = SlotSource::Constant;
        // Whether a child only computes (noted when it is set): those run before the others.
        bool computing = false;
        // The 1-based column of a Column slot.
        std::int32_t column = 0;
    };

    // Not held: the creator whose tree this node is holds the access layer while its trees live.
    OMAccess* access;
    std::int32_t n;
    std::vector<InternalName> constants;
    std::vector<Ref<InsertExpr>> children;
    std::vector<Slot> slots;
    // The operand value of every slot; scratch overwritten by each createObjects/insert pair.
    std::vector<InternalName> values;
    bool rowFailed = false;
    // The writer of the pass, on a root whose rows may repeat; null otherwise.
    std::unique_ptr<HeadWriter> writer;
    // The writer of the node's own fact on a root whose rows come in order (a stored predicate's
    // tuple over function terms), opened for the pass; null otherwise. The writer keeps the
    // predicate's frame: the access layer's insert looked it up, and the predicate's delta,
    // for every row (a 4-cycle head storing 6 M tuples spent 7 % of its instructions there).
    std::unique_ptr<HeadWriter> orderedWriter;
    // Whether the node's value is its first slot once the writer wrote its fact (a method's host,
    // a class relation's object); a predicate's tuple has none.
    bool valueIsFirstSlot = false;

    // Whether every slot is a column or a constant.
    bool flat() const;
    // Puts the row's cells into the slots that read a column.
    void takeColumns(const InternalName* cells);
    // The writer's rows of a block of rows whose slots are not their columns in order.
    std::vector<InternalName> blockValues;
};

// A function-term object (symbol of kind 1) or a predicate tuple over n arguments.
class ObjPredInsertExpr : public InsertExpr {
  public:
    ObjPredInsertExpr(OMAccess* access, const FSymbol& symbol, int argCount);
    // A stored predicate's tuple over columns and constants tells stored rows; a built-in
    // predicate over them is distinct; a function term makes objects.
    RowDemand demand() const override;
    // A function term finds the object a row made before by its arguments, and a stored
    // predicate's tuple is stored once: over columns, constants and such terms a repeat changes
    // nothing.
    bool repeatsHarmless() const override;
    void expectRows(std::size_t rows) override;

  protected:
    void apply(InternalName* out, int* changed) override;
    // A function term's object is looked up by its arguments in a large table.
    void prefetchApply() override;
    std::optional<HeadRelation> relation() const override {
        return HeadRelation::ofPredicate(symbol, n);
    }
    std::optional<HeadRelation> orderedRelation() const override;

  private:
    FSymbol symbol;
    // The base's maker of the function symbol's terms, opened at the first row that needs it
    // and kept: it resolves the symbol's table once and keeps it while the base's layout stays.
    // Null for a predicate, or without a base.
    std::unique_ptr<TermMaker> maker;
    bool makerOpened = false;
    TermMaker* termMaker() { return makerOpened ? maker.get() : openTermMaker(); }
    TermMaker* openTermMaker();
};

// object : class or object :: class (Member or Subclass); slot 0 the object, 1 the class.
class IsaInsertExpr : public InsertExpr {
  public:
    IsaInsertExpr(OMAccess* access, IsaRelation relation);
    // A membership over columns and constants takes repeats: storing o : c again changes
    // nothing, whatever the order. A subclass fact may close a cycle, which equates classes in
    // the order the facts come: it keeps the ascending order.
    RowDemand demand() const override;

  protected:
    void apply(InternalName* out, int* changed) override;
    std::optional<HeadRelation> relation() const override {
        return HeadRelation::ofClassRelation(kind);
    }

  private:
    IsaRelation kind;
};

// host[method@(arguments) arrow results]: slot 0 host, 1 method, then a arguments, then r results.
class PropInsertExpr : public InsertExpr {
  public:
    PropInsertExpr(OMAccess* access, MethodType methodType, int argCount, int resultCount);
    // A set-valued (->>) value over columns and constants takes repeats; without arguments
    // and with one result it also tells stored values.
    RowDemand demand() const override;

  protected:
    void apply(InternalName* out, int* changed) override;
    std::optional<HeadRelation> relation() const override {
        return HeadRelation::ofMethod(type, a, r);
    }
    // The access layer's insertion of one value or of a set; non-zero when something is new.
    virtual int storeValue(const InternalName& host, const InternalName& method,
                           const InternalName* args, int argCount, MethodType methodType,
                           const InternalName& value);
    virtual int storeSet(const InternalName& host, const InternalName& method,
                         const InternalName* args, int argCount, MethodType methodType,
                         const set<InternalName>& values);

  private:
    MethodType type;
    std::int32_t a;
    std::int32_t r;
    set<InternalName> results;
};

// The value of host.method@(arguments) (a step under a method type), or host op method (an
// ArithmeticOp).
class PathInsertExpr : public InsertExpr {
  public:
    PathInsertExpr(OMAccess* access, MethodType methodType, int argCount);
    // left op right: slot 0 the left operand, 1 the right one.
    PathInsertExpr(OMAccess* access, ArithmeticOp op);
    // An arithmetic operation whose operands only compute.
    bool computesOnly() const override;

  protected:
    void apply(InternalName* out, int* changed) override;
    // The access layer's insertion of the step; non-zero when something is new.
    virtual int storePath(const InternalName& host, const InternalName& method,
                          const InternalName* args, int argCount, const PathStep& step,
                          InternalName& value);

  private:
    // Whether the step is an arithmetic operation.
    bool arithmetic() const { return std::holds_alternative<ArithmeticOp>(step); }

    PathStep step;
    std::int32_t a;
};
