// BaseOperator: classification of the conditions, the outer enumeration of the inputs, the row
// checks and the enumeration of joined groups.
#include "compile/BaseOperator.h"

#include <algorithm>
#include <ostream>
#include <set>
#include <utility>

#include "access/OMAccess.h"
#include "compile/Operand.h"
#include "foundation/OutputChannel.h"
#include "objectbase/Iterator.h"
#include "platform/ControlEvents.h"

namespace {

template <class Inputs>
bool hasInput(const Inputs& inputs, int input) {
    return std::binary_search(inputs.begin(), inputs.end(), input);
}

// Adds the input to the sorted list unless it is there.
template <class Inputs>
void addInput(Inputs& inputs, int input) {
    auto at = std::lower_bound(inputs.begin(), inputs.end(), input);
    if (at == inputs.end() || *at != input) inputs.insert(at, input);
}

// Fields greater than idx drop by one: the input idx leaves the numbering.
void shift(int& field, int idx) {
    if (field > idx) --field;
}

}  // namespace

int BaseOperator::InputGroup::slotOf(int input) const {
    auto it = std::find(inputs.begin(), inputs.end(), input);
    return it == inputs.end() ? -1 : int(it - inputs.begin());
}

BaseOperator::BaseOperator(OperatorKind kind, int arity, const PatternSpec& spec)
    : Operator(kind, arity, spec.variables), inputCount(spec.inputCount < 0 ? 0 : spec.inputCount) {
    // An input with output values, joined to an enumerated input, or tied by more than one
    // condition is enumerated; the others are only tested for a matching row.
    // An operator has a few inputs: its sets of inputs are short sorted lists.
    std::vector<int> enumeratedSet;
    for (const auto& r : spec.inputCells) addInput(enumeratedSet, r.input);
    std::size_t before = 0;
    do {
        before = enumeratedSet.size();
        for (int i = 0; i < this->inputCount; ++i) {
            int ties = 0;
            for (const auto& r : spec.inputJoins) {
                if (r.inputA != i && r.inputB != i) continue;
                ++ties;
                int other = r.inputA == i ? r.inputB : r.inputA;
                if (hasInput(enumeratedSet, other)) addInput(enumeratedSet, i);
            }
            for (const auto& r : spec.columnsMeetInputs)
                if (r.input == i) ++ties;
            if (ties > 1) addInput(enumeratedSet, i);
        }
    } while (enumeratedSet.size() != before);

    inputBindings.resize(std::size_t(this->inputCount));
    for (const InputBinding& b : spec.inputBindings)
        if (b.input >= 0 && b.input < this->inputCount)
            inputBindings[std::size_t(b.input)].push_back(b);
    inputRoles = spec.inputRoles;
    inputRoles.resize(std::size_t(this->inputCount), PatternSpec::InputRole::Rows);

    enumerated.inputs = std::move(enumeratedSet);
    auto isEnumerated = [this](int input) { return hasInput(enumerated.inputs, input); };
    for (const auto& r : spec.columnsMeetInputs) {
        if (isEnumerated(r.input)) {
            eqCons.push_back({r.column, r.input, r.inputColumn, 0});
        } else {
            partEqCons.push_back({r.column, r.input, r.inputColumn, 0});
            addInput(testedByCon.inputs, r.input);
        }
    }
    for (const auto& r : spec.inputJoins) {
        if (isEnumerated(r.inputA) || isEnumerated(r.inputB)) {
            eqJoins.push_back({r.inputA, r.columnA, r.inputB, r.columnB, 0, 0});
        } else {
            partEqJoins.push_back({r.inputA, r.columnA, r.inputB, r.columnB, 0, 0});
            addInput(testedByJoin.inputs, r.inputA);
            addInput(testedByJoin.inputs, r.inputB);
        }
    }
    // The iterator slots come from the original input numbers, before renumbering.
    for (EqConRecord& r : eqCons) r.slot = enumerated.slotOf(r.input);
    for (EqJoinRecord& r : eqJoins) {
        r.slotA = enumerated.slotOf(r.a);
        r.slotB = enumerated.slotOf(r.b);
    }
    for (EqConRecord& r : partEqCons) r.slot = testedByCon.slotOf(r.input);
    for (EqJoinRecord& r : partEqJoins) {
        r.slotA = testedByJoin.slotOf(r.a);
        r.slotB = testedByJoin.slotOf(r.b);
    }
    for (const auto& r : spec.equalColumns) varEqs.push_back({r.a, r.b});
    for (const auto& r : spec.columnCells) vars.push_back({r.column, r.cell});
    for (const auto& r : spec.inputCells) givenVars.push_back({r.input, r.column, r.cell});

    for (const auto& c : spec.constants) constants[c.position] = c.symbol;

    needsCheck = (!varEqs.empty() || !partEqCons.empty() || !partEqJoins.empty()) ? 1 : 0;

    setSelected.assign(std::size_t(this->inputCount), 0);
    keyColumns = spec.keyColumns;
    keyColumns.resize(std::size_t(this->inputCount), 0);
    for (int& key : keyColumns) key -= 1;

    // The printed input numbers: positions among the enumerated inputs, respectively among the
    // inputs neither enumerated nor excluded.
    for (int idx = this->inputCount - 1; idx >= 0; --idx) {
        if (!isEnumerated(idx)) {
            for (GivenVarRecord& r : givenVars) shift(r.input, idx);
            for (EqConRecord& r : eqCons) shift(r.input, idx);
            for (EqJoinRecord& r : eqJoins) {
                shift(r.a, idx);
                shift(r.b, idx);
            }
        }
        if (isEnumerated(idx) || spec.excludedInputs.count(idx) != 0) {
            for (EqConRecord& r : partEqCons) shift(r.input, idx);
            for (EqJoinRecord& r : partEqJoins) {
                shift(r.a, idx);
                shift(r.b, idx);
            }
        }
    }
    // After renumbering, a given var record's input is its enumerated iterator's slot.
    resultWidth = std::max(givenVars.size() + vars.size(), std::size_t(this->variables.size()));
}

BaseOperator::Run::Run(const BaseOperator& op, OMAccess* access, int patternWidth)
    : access(access),
      inputIters(std::size_t(op.inputCount)),
      inputOperands(std::size_t(op.inputCount), nullptr),
      enumeratedIters(op.enumerated.inputs.size()),
      conTestedIters(op.testedByCon.inputs.size()),
      joinTestedIters(op.testedByJoin.inputs.size()),
      resultCells(op.resultWidth, InternalName::UndefinedObject),
      patternCells(std::size_t(patternWidth > 0 ? patternWidth : 0),
                   InternalName::UndefinedObject) {}

SetOperand* BaseOperator::Run::startResult(const clib_list<FSymbol>& variables) {
    result = Ref<SetOperand>::adopt(new SetOperand(variables));
    return result.get();
}

std::unique_ptr<BaseOperator::Run> BaseOperator::newRun(OMAccess* access) const {
    return std::make_unique<Run>(*this, access, patternWidth());
}

Ref<Operand> BaseOperator::evaluate(clib_list<Operand*>* list, OMAccess* access,
                                    const OperatorTrace& tracing) const {
    if (valid == 0) return nullptr;
    std::unique_ptr<Run> run = newRun(access);
    run->traced = tracing.on;
    evaluateRelation(*run, list);
    return run->takeResult();
}

bool BaseOperator::isGroupedBy(const InternalName& var, int* out) const {
    return groupedBy(keyVariable(), var, out);
}

void BaseOperator::selectBySet(int input) {
    setSelected[std::size_t(input)] = 1;
    setSelects.push_back({input, keyColumns[std::size_t(input)]});
    needsCheck = 1;
}

InternalName BaseOperator::groupKey(int input, Iterator* row) const {
    int position = keyColumns[std::size_t(input)];
    if (position < 0) return InternalName::UndefinedObject;
    return row->atColumn(position + columnOffset);
}

bool BaseOperator::openInputs(Run& run, clib_list<Operand*>* list) const {
    if (list == nullptr || list->size() != inputCount) return false;
    std::size_t k = 0;
    for (Operand* operand : *list) {
        if (operand == nullptr) return false;
        run.inputIters[k] = operand->makeIterator(std::move(run.inputIters[k]));
        Iterator* rows = run.inputIters[k].get();
        if (rows == nullptr || !rows->first()) return false;
        run.inputOperands[k] = operand;
        ++k;
    }
    return true;
}

bool BaseOperator::putConstants(Run& run) const {
    for (const auto& [position, symbol] : constants) {
        if (symbol == FSymbol()) continue;
        InternalName name;
        if (run.access == nullptr || run.access->internValue(symbol, name) == 0) return false;
        if (position >= 1 && position <= arity) run.patternCells[std::size_t(position - 1)] = name;
    }
    return true;
}

bool BaseOperator::match(Run& run, Iterator* row) const {
    for (const VarEqRecord& r : varEqs)
        if (row->atColumn(r.a) != row->atColumn(r.b)) return false;
    auto keyOf = [this, row](int input) { return groupKey(input, row); };
    if (!selectGroups(run, testedByCon, run.conTestedIters, keyOf)) return false;
    for (const SetSelectRecord& r : setSelects) {
        InternalName key = r.keyPosition < 0 ? InternalName::UndefinedObject
                                             : row->atColumn(r.keyPosition + columnOffset);
        if (!run.inputOperands[std::size_t(r.input)]->contains(key)) return false;
    }
    for (const EqConRecord& r : partEqCons) {
        Iterator* it = run.conTestedIters[std::size_t(r.slot)].get();
        InternalName value = row->atColumn(r.column);
        // The iterator stays on the row found.
        bool found = false;
        for (bool more = it->first(); more; more = it->next()) {
            if (it->atColumn(r.inputColumn) == value) {
                found = true;
                break;
            }
        }
        if (!found) return false;
    }
    return selectGroups(run, testedByJoin, run.joinTestedIters, keyOf) && partJoinsHold(run);
}

bool BaseOperator::partJoinsHold(Run& run) const {
    for (const EqJoinRecord& r : partEqJoins) {
        Iterator* a = run.joinTestedIters[std::size_t(r.slotA)].get();
        Iterator* b = run.joinTestedIters[std::size_t(r.slotB)].get();
        bool found = false;
        for (bool moreA = a->first(); moreA && !found; moreA = a->next()) {
            InternalName value = a->atColumn(r.columnA);
            for (bool moreB = b->first(); moreB && !found; moreB = b->next())
                found = b->atColumn(r.columnB) == value;
        }
        if (!found) return false;
    }
    return true;
}

void BaseOperator::enumerate(Run& run, const InternalName& key, Iterator* row) const {
    if (enumerated.inputs.empty()) return;
    if (!selectGroups(run, enumerated, run.enumeratedIters,
                      [this, row](int input) { return groupKey(input, row); }))
        return;
    forEachCombination(run.enumeratedIters, [&] {
        if (combinationHolds(run.enumeratedIters, row)) {
            copyGivenVars(run.enumeratedIters, run.resultCells.data());
            run.result->insert(key, run.resultCells.data());
        }
        return true;
    });
}

void BaseOperator::handleRow(Run& run, Iterator* row, const InternalName& key) const {
    if (needsCheck != 0 && !match(run, row)) return;
    for (const VarRecord& r : vars) run.resultCells[std::size_t(r.cell)] = row->atColumn(r.column);
    emitRow(run, row, key);
}

void BaseOperator::emitRow(Run& run, Iterator* row, const InternalName& key) const {
    if (enumerated.inputs.empty())
        run.result->insert(key, run.resultCells.data());
    else
        enumerate(run, key, row);
}

void BaseOperator::evaluateRelation(Run& run, clib_list<Operand*>* list) const {
    run.startResult(variables);
    if (!putConstants(run) || !openInputs(run, list)) return;
    if (run.traced) trace(run);
    if (inputCount == 0) {
        matchRelation(run);
    } else {
        auto fill = [&] {
            for (int i = 0; i < inputCount; ++i) {
                if (!advancesInput(i)) continue;
                for (const InputBinding& b : inputBindings[std::size_t(i)])
                    run.patternCells[std::size_t(b.cell)] =
                        run.inputIters[std::size_t(i)]->atColumn(b.column);
            }
        };
        fill();
        matchRelation(run);
        // Ctrl-C or a farewell ends a long enumeration; the evaluator throws the result away.
        controlEvents::StopPoll stopPoll;
        for (int i = 0; i < inputCount && !stopPoll.stop();) {
            if (!advancesInput(i)) {
                ++i;
            } else if (run.inputIters[std::size_t(i)]->next()) {
                fill();
                matchRelation(run);
                i = 0;
            } else {
                run.inputIters[std::size_t(i)]->first();
                ++i;
            }
        }
    }
    if (run.traced) printResult(run.result.get(), run.access);
}

std::string BaseOperator::positionText(OMAccess* access, int position) const {
    for (int k = 0; k < inputCount; ++k)
        if (keyColumns[std::size_t(k)] == position) return "op#" + std::to_string(k + 1);
    auto constant = constants.find(position + 1);
    if (constant != constants.end()) {
        InternalName name;
        if (access != nullptr && access->internValue(constant->second, name) != 0)
            return lexicalText(access, name);
    }
    return "_#" + std::to_string(position + 1);
}

std::string BaseOperator::positionsText(OMAccess* access, int from, int to) const {
    std::string text;
    for (int p = from; p < to; ++p) {
        if (p > from) text += ",";
        text += positionText(access, p);
    }
    return text;
}

FSymbol BaseOperator::variableOfColumn(int column) const {
    FSymbol found;
    for (const VarRecord& r : vars) {
        if (r.column != column) continue;
        int cell = 0;
        for (const FSymbol& variable : variables)
            if (cell++ == r.cell) found = variable;
    }
    return found;
}

bool BaseOperator::resultRowsDistinct(const std::vector<char>& fixed) const {
    // A pattern has few "var" records: they are compared pairwise rather than copied and sorted.
    for (const VarRecord& r : vars)
        if (r.column < 1 || std::size_t(r.column) > fixed.size()) return false;
    for (std::size_t column = 1; column <= fixed.size(); ++column)
        if (fixed[column - 1] == 0 &&
            std::none_of(vars.begin(), vars.end(),
                         [column](const VarRecord& r) { return std::size_t(r.column) == column; }))
            return false;
    for (std::size_t i = 0; i < vars.size(); ++i)
        for (std::size_t j = i + 1; j < vars.size(); ++j)
            if (vars[i].cell == vars[j].cell) return false;
    return true;
}

bool BaseOperator::groupedBy(const FSymbol& keyVariable, const InternalName& var, int* out) {
    if (out != nullptr) *out = 0;
    return keyVariable != FSymbol() && keyVariable == var;
}

void BaseOperator::printInputContents(const Run& run) const {
    for (int k = 0; k < inputCount; ++k)
        if (run.inputOperands[std::size_t(k)] != nullptr)
            printContents(k + 1, run.inputOperands[std::size_t(k)], run.access);
}

void BaseOperator::printConditions() const {
    OutputChannel& out = debugChannel();
    auto line = [&out](const char* label, const auto& records, auto write) {
        if (records.empty()) return;
        out << label;
        for (const auto& r : records) {
            write(r);
            out << " | ";
        }
        out << std::endl;
    };
    line("var :  ", vars, [&out](const VarRecord& r) { out << "_#" << r.column << "," << r.cell; });
    line("given var :  ", givenVars, [&out](const GivenVarRecord& r) {
        out << "op#" << r.input + 1 << ",con#" << r.column << "," << r.cell;
    });
    line("var eq :  ", varEqs,
         [&out](const VarEqRecord& r) { out << "_#" << r.a + 1 << ",_#" << r.b + 1; });
    line("set select :  ", setSelects,
         [&out](const SetSelectRecord& r) { out << "op#" << r.input + 1; });
    line("eq con :  ", eqCons, [&out](const EqConRecord& r) {
        out << "_#" << r.column + 1 << ",op#" << r.input + 1 << ",con#" << r.inputColumn;
    });
    auto join = [&out](const EqJoinRecord& r) {
        out << "op#" << r.a + 1 << ",con#" << r.columnA << ",op#" << r.b + 1 << ",con#"
            << r.columnB;
    };
    line("eq join :  ", eqJoins, join);
    line("part eq con :  ", partEqCons, [&out](const EqConRecord& r) {
        out << "_#" << r.column << ",op#" << r.input + 1 << ",con#" << r.inputColumn;
    });
    line("part eq join :  ", partEqJoins, join);
}
