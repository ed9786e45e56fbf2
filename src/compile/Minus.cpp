// Minus: the binding checks at construction and the subtraction.
#include "compile/Minus.h"

#include <algorithm>
#include <ostream>

#include "compile/Operand.h"
#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "foundation/Ref.h"
#include "objectbase/Iterator.h"

namespace {

// The left rows a built-in test keeps (those failing a negated test, those passing a positive
// one), projected on the result variables, made when they are read: a rule head that stores them
// takes each as it is tested, and no set of them is made first. The test reads no stored
// relation, so the rows are the same whenever read.
class FilteredRows final : public RowSource {
  public:
    FilteredRows(Ref<Operand> left, std::unique_ptr<RowProbe> test, std::vector<int> cellsTaken,
                 TestSense keeps)
        : left(std::move(left)),
          test(std::move(test)),
          taken(std::move(cellsTaken)),
          passing(keeps == TestSense::Passing) {}

    void produce(const RowSink& emit) override {
        std::vector<InternalName> cells(taken.size(), InternalName::UndefinedObject);
        scan(left.get(), RowOrder::Repeating, [&](const RowView& row) {
            if (test->holds(row.cells) != passing) return true;
            for (std::size_t k = 0; k < taken.size(); ++k) cells[k] = row.cells[taken[k]];
            return emit(cells.data());
        });
    }

  private:
    Ref<Operand> left;
    std::unique_ptr<RowProbe> test;
    // The 0-based left cells of the result's cells.
    std::vector<int> taken;
    bool passing;
};

}  // namespace

const char* negationStrategyName(NegationStrategy strategy) {
    switch (strategy) {
        case NegationStrategy::NeverHolds:
            return "never holds";
        case NegationStrategy::ExistenceTest:
            return "existence test";
        case NegationStrategy::AntiJoin:
            return "anti-join";
        case NegationStrategy::ProbedAntiJoin:
            return "anti-join probing the stored rows";
        case NegationStrategy::RowFilter:
            return "filter testing each row";
    }
    return "";
}

Minus::Minus(const MinusSpec& spec)
    : Operator(OperatorKind::Negation, 2, spec.variables), rightColumns(spec.rightColumns) {
    const clib_list<FSymbol>& leftColumns = spec.leftColumns;
    if (rightColumns.size() > leftColumns.size()) {
        centralErrorHandler().report(err6::NoBinding);
        valid = 0;
    }
    int j = 1;
    for (const FSymbol& column : rightColumns) {
        int i = leftColumns.rank(column);
        if (i == 0) {
            centralErrorHandler().report(err6::NoBinding);
            valid = 0;
        } else {
            pairs.push_back({i, j});
        }
        ++j;
    }
    for (const FSymbol& variable : this->variables) {
        int i = leftColumns.rank(variable);
        if (i == 0) {
            centralErrorHandler().report(err6::NoBinding);
            valid = 0;
        } else {
            positions.push_back(i);
        }
    }
    plan = spec.neverHolds || valid == 0 ? NegationStrategy::NeverHolds
           : rightColumns.empty()        ? NegationStrategy::ExistenceTest
                                         : NegationStrategy::AntiJoin;
    if (plan == NegationStrategy::AntiJoin && spec.probed && spec.probed->probesEachInputRow() &&
        !leftColumns.empty()) {
        for (const FSymbol& column : spec.probedColumns) {
            const int i = leftColumns.rank(column);
            if (i == 0) {
                probedCells.clear();
                break;
            }
            probedCells.push_back(i - 1);
        }
        if (probedCells.size() == std::size_t(spec.probedColumns.size())) {
            probed = spec.probed;
            plan = spec.filters ? NegationStrategy::RowFilter : NegationStrategy::ProbedAntiJoin;
            if (spec.filters) keeps = spec.keeps;
        }
    }
}

std::string Minus::strategy(const SymTab*) const {
    return negationStrategyName(plan);
}

Ref<Operand> Minus::evaluate(clib_list<Operand*>* list, OMAccess* access,
                             const OperatorTrace& tracing) const {
    auto result = Ref<SetOperand>::adopt(new SetOperand(variables));
    if (list == nullptr || list->empty() || plan == NegationStrategy::NeverHolds) return result;
    if (plan == NegationStrategy::ProbedAntiJoin || plan == NegationStrategy::RowFilter) {
        Operand* left = list->head();
        if (left == nullptr) return result;
        if (tracing.on) trace(left, nullptr, access);
        if (plan == NegationStrategy::RowFilter && !tracing.on && !positions.empty()) {
            std::vector<int> taken;
            for (int position : positions) taken.push_back(position - 1);
            result->defer(std::make_unique<FilteredRows>(Ref<Operand>::share(left),
                                                         probed->rowProbe(access, probedCells),
                                                         std::move(taken), keeps));
            return result;
        }
        if (plan == NegationStrategy::RowFilter)
            filterEach(left, access, result.get());
        else
            probeEach(left, access, result.get());
        if (tracing.on) printResult(result.get(), access);
        return result;
    }
    // A missing operand counts as an empty one.
    const bool twoInputs = list->size() >= 2;
    Operand* right = list->tail();
    Operand* left = twoInputs ? list->head() : nullptr;
    if (tracing.on) trace(left, right, access);
    if (plan == NegationStrategy::ExistenceTest) {
        const bool rightEmpty = right == nullptr || right->isEmpty();
        if (!rightEmpty) return result;
        // The left input itself, with a reference of the caller's own.
        if (twoInputs)
            return left == nullptr ? Ref<Operand>(std::move(result)) : Ref<Operand>::share(left);
        result->insert(InternalName::UndefinedObject, nullptr);
    } else if (left != nullptr) {
        subtract(left, *indexRight(right), result.get());
    }
    if (tracing.on) printResult(result.get(), access);
    return result;
}

void Minus::subtract(Operand* left, const RowStore& rightValues, SetOperand* result) const {
    std::vector<InternalName> probe(pairs.size(), InternalName::UndefinedObject);
    std::vector<InternalName> cells(std::size_t(variables.size()), InternalName::UndefinedObject);
    auto hasMatch = [&](const InternalName* row) {
        if (rightValues.empty()) return false;
        for (std::size_t k = 0; k < pairs.size(); ++k) probe[k] = row[pairs[k].left - 1];
        return rightValues.contains(probe.data());
    };
    scan(left, RowOrder::Repeating,
         [&](const RowView& row) { return hasMatch(row.cells) || keep(row.cells, cells, result); });
}

bool Minus::keep(const InternalName* row, std::vector<InternalName>& cells,
                 SetOperand* result) const {
    for (std::size_t k = 0; k < positions.size(); ++k) cells[k] = row[positions[k] - 1];
    result->insert(InternalName::UndefinedObject, cells.data());
    // Without result variables the one zero-width row is known.
    return !positions.empty();
}

void Minus::probeEach(Operand* left, OMAccess* access, SetOperand* result) const {
    const std::unique_ptr<RowProbe> probe = probed->rowProbe(access, probedCells);
    std::vector<InternalName> cells(std::size_t(variables.size()), InternalName::UndefinedObject);
    // A row waits in a ring for `ahead` rows after its probe was hinted: the tests of a large
    // negated relation then overlap their waits on memory instead of taking them one by one.
    constexpr std::size_t ahead = 16;
    std::vector<InternalName> ring;
    std::size_t width = 0;
    std::size_t waiting = 0;
    std::size_t next = 0;
    // Cleared once no more rows are wanted (the one zero-width row is known).
    bool wanted = true;
    auto test = [&](const InternalName* row) {
        wanted = probe->holds(row) || keep(row, cells, result);
        return wanted;
    };
    // In any order and possibly more than once: the result is a set, and a left operand whose
    // rows wait in a source hands them over one by one without storing them.
    scan(left, RowOrder::Repeating, [&](const RowView& row) {
        if (ring.empty()) {
            width = std::size_t(row.width);
            ring.resize(ahead * std::max<std::size_t>(width, 1));
        }
        InternalName* slot = ring.data() + next * width;
        if (waiting == ahead) {
            if (!test(slot)) return false;
            --waiting;
        }
        std::copy(row.cells, row.cells + width, slot);
        probe->hint(slot);
        ++waiting;
        next = (next + 1) % ahead;
        return true;
    });
    // The rows still waiting, oldest first.
    for (; wanted && waiting > 0; --waiting)
        test(ring.data() + ((next + ahead - waiting) % ahead) * width);
}

void Minus::filterEach(Operand* left, OMAccess* access, SetOperand* result) const {
    const std::unique_ptr<RowProbe> test = probed->rowProbe(access, probedCells);
    std::vector<InternalName> cells(std::size_t(variables.size()), InternalName::UndefinedObject);
    const bool passing = keeps == TestSense::Passing;
    // In any order and possibly more than once: the result is a set.
    scan(left, RowOrder::Repeating, [&](const RowView& row) {
        return test->holds(row.cells) != passing || keep(row.cells, cells, result);
    });
}

std::unique_ptr<RowStore> Minus::indexRight(Operand* right) const {
    auto rightValues = std::make_unique<RowStore>(int(pairs.size()));
    if (right == nullptr) return rightValues;
    std::vector<InternalName> probe(pairs.size(), InternalName::UndefinedObject);
    // A set of probes: the rows may come in any order and more than once, straight from a join.
    scan(right, RowOrder::Repeating, [&](const RowView& row) {
        for (std::size_t k = 0; k < pairs.size(); ++k) probe[k] = row.cells[pairs[k].right - 1];
        rightValues->insert(probe.data());
    });
    return rightValues;
}

bool Minus::isGroupedBy(const InternalName&, int* out) const {
    if (out != nullptr) *out = 0;
    return false;
}

void Minus::trace(Operand* left, Operand* right, OMAccess* access) const {
    OutputChannel& out = debugChannel();
    out << std::endl << "Minus( ";
    if (left != nullptr) out << "op#1,";
    out << "op#2)" << std::endl << std::endl;
    if (left != nullptr) printContents(1, left, access);
    if (right != nullptr) printContents(2, right, access);
}
