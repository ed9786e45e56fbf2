// Isa: the operator of an is-a literal (O : C, O :: C or the child relation), keyed by the object.
#pragma once

#include <string>
#include <vector>

#include "compile/BaseOperator.h"
#include "compile/MethodCodes.h"

struct IsaRelationSpec {
    int arity = 2;
    IsaRelation relation = IsaRelation::Member;
    PatternSpec pattern;
};

class Isa : public BaseOperator {
  public:
    explicit Isa(const IsaRelationSpec& spec);

    // True for a membership O : C whose object and class its one input (a projection of the
    // rows before it) and constants give: each row is tested as it comes.
    bool probesEachInputRow() const override;
    std::unique_ptr<RowProbe> rowProbe(OMAccess* access,
                                       const std::vector<int>& columns) const override;
    void feedsOrderFreeReader() override { orderFree = true; }

  protected:
    ~Isa() override = default;

  private:
    // A class named in the subclass relation holds of itself though the base holds nothing of
    // it: such a name is made rather than failing the literal.
    bool putConstants(Run& run) const override;
    struct IsaRun;
    std::unique_ptr<Run> newRun(OMAccess* access) const override;
    void matchRelation(Run& run) const override;
    // O : C with both free and no subclass fact stored: every stored membership, read from
    // the objects' sets of classes into the result; false when the base cannot be read so.
    bool everyMembership(Run& run) const;
    // Whether each row of the run's input gives another object, and nothing else.
    bool inputGivesDistinctObjects(const Run& run) const;
    // Writes the pattern's row of (object, cls) under key into the result; appended without a
    // search when the caller knows no row comes twice.
    void putRow(Run& run, const InternalName& key, const InternalName& object,
                const InternalName& cls, bool distinct) const;
    void trace(const Run& run) const override;
    // The variable at the object position, when there is one.
    FSymbol keyVariable() const override { return objectVariable; }
    int patternWidth() const override { return arity < 2 ? 2 : arity; }

    IsaRelation relation;
    FSymbol objectVariable;
    // Set by feedsOrderFreeReader: the reader (a count) takes the rows by their cells, so they
    // need no key.
    bool orderFree = false;
};
