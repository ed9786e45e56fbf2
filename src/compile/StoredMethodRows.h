// StoredMethodRows: the rows of a set-valued method literal read from the stored values when they
// are first read, keyed by the method's stamp so that a table built from them is kept while the
// method's values stay as they are.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "compile/Operand.h"
#include "foundation/Ref.h"
#include "objectbase/InternalName.h"

class OM;

// How a method literal reads the stored values; chosen once, when the plan is made.
enum class MethodRowsRoad {
    // Through the object base's iterators, host by host, every time the literal is evaluated:
    // the rows stored in the result, keyed by their host.
    Frames,
    // The literal is read only by a hash join: its rows are left to be read from the stored
    // values when the join reads them, unkeyed, with a key the join's table (over the right
    // input) is kept under from round to round while the method's values do not change. A
    // recursive rule reading a method that its part does not write (the edges of a closure)
    // walked every host and grouped every value of the method again in every round.
    KeptTables,
};

// The rows host[method ->> value] of one set-valued method without arguments, the host free,
// `value` bound or free (UndefinedObject), each row the result cells `cells` with `take` (0-based
// column of [host, method, value], result cell) filled in. Distinct: the object base keeps a
// host's value once, and the caller takes this only when host and value go to result cells.
class StoredMethodRows final : public RowSource {
  public:
    StoredMethodRows(Ref<OM> om, const InternalName& method, int type, const InternalName& value,
                     std::vector<std::pair<int, int>> take, std::vector<InternalName> cells);

    // The method's stamp (see MethodValueStamps) and what the rows are made of.
    bool rowsKey(RowsKey& key) const override;
    void produce(const RowSink& emit) override;
    bool distinctRows() const override { return true; }
    // When the row is [host, value] (or [host] with the value bound): hosts and members are then
    // walked in ascending order.
    bool givesAscending() const override { return ascending; }
    void produceAscending(const RowSink& emit) override;

  private:
    // The rows, the members of each host's set in the order `members` gives them.
    template <class Members>
    void walk(const RowSink& emit, Members members);

    Ref<OM> om;
    InternalName method;
    int type;
    InternalName value;
    std::vector<std::pair<int, int>> take;
    std::vector<InternalName> cells;
    bool ascending = false;
    // The members a set added since it was last read in order (MemberSet::kept).
    std::vector<InternalName> added;
};
