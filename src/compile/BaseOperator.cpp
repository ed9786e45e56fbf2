// BaseOperator: classification of the conditions, the outer enumeration of the inputs, the row
// checks and the enumeration of joined groups.
#include "compile/BaseOperator.h"

#include <algorithm>
#include <ostream>
#include <set>

#include "access/OMAccess.h"
#include "compile/Operand.h"
#include "foundation/OutputChannel.h"
#include "objectbase/Iterator.h"
#include "platform/ControlEvents.h"

namespace {

std::vector<const int*> recordsOf(const clib_list<int*>& list) {
    std::vector<const int*> out;
    for (int* record : list) out.push_back(record);
    return out;
}

std::vector<int> intsOf(const clib_list<int>& list) {
    std::vector<int> out;
    for (int value : list) out.push_back(value);
    return out;
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

BaseOperator::BaseOperator(std::string typeName, int arity, int inputCount,
                           const clib_list<int*>& varEq, const clib_list<int*>& eqCon,
                           const clib_list<int*>& eqJoin, const clib_list<int*>& var,
                           const clib_list<int*>& givenVar, const clib_list<int>& constantPositions,
                           const clib_list<FSymbol>& constantSymbols,
                           const clib_list<int>& keyColumnList, const clib_list<FSymbol>& variables,
                           const set<int>&, const set<int>& excludedInputs,
                           const clib_list<int*>& bindingList, const clib_list<int>& flagList)
    : Operator(std::move(typeName), arity, variables), inputCount(inputCount < 0 ? 0 : inputCount) {
    const auto eqConRecords = recordsOf(eqCon);
    const auto eqJoinRecords = recordsOf(eqJoin);
    const auto givenVarRecords = recordsOf(givenVar);

    // An input with output values, joined to an enumerated input, or tied by more than one
    // condition is enumerated; the others are only tested for a matching row.
    std::set<int> enumeratedSet;
    for (const int* r : givenVarRecords) enumeratedSet.insert(r[0]);
    std::size_t before = 0;
    do {
        before = enumeratedSet.size();
        for (int i = 0; i < this->inputCount; ++i) {
            int ties = 0;
            for (const int* r : eqJoinRecords) {
                if (r[0] != i && r[2] != i) continue;
                ++ties;
                int other = r[0] == i ? r[2] : r[0];
                if (enumeratedSet.count(other) != 0) enumeratedSet.insert(i);
            }
            for (const int* r : eqConRecords)
                if (r[1] == i) ++ties;
            if (ties > 1) enumeratedSet.insert(i);
        }
    } while (enumeratedSet.size() != before);
    auto isEnumerated = [&enumeratedSet](int input) { return enumeratedSet.count(input) != 0; };

    inputBindings.resize(std::size_t(this->inputCount));
    for (const int* r : recordsOf(bindingList))
        if (r[1] >= 0 && r[1] < this->inputCount)
            inputBindings[std::size_t(r[1])].push_back({r[0], r[1], r[2]});
    inputFlags = intsOf(flagList);
    inputFlags.resize(std::size_t(this->inputCount), 0);

    enumerated.inputs.assign(enumeratedSet.begin(), enumeratedSet.end());
    std::set<int> conTested;
    std::set<int> joinTested;
    for (const int* r : eqConRecords) {
        if (isEnumerated(r[1])) {
            eqCons.push_back({r[0], r[1], r[2], 0});
        } else {
            partEqCons.push_back({r[0], r[1], r[2], 0});
            conTested.insert(r[1]);
        }
    }
    for (const int* r : eqJoinRecords) {
        if (isEnumerated(r[0]) || isEnumerated(r[2])) {
            eqJoins.push_back({r[0], r[1], r[2], r[3], 0, 0});
        } else {
            partEqJoins.push_back({r[0], r[1], r[2], r[3], 0, 0});
            joinTested.insert(r[0]);
            joinTested.insert(r[2]);
        }
    }
    testedByCon.inputs.assign(conTested.begin(), conTested.end());
    testedByJoin.inputs.assign(joinTested.begin(), joinTested.end());
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
    for (const int* r : recordsOf(varEq)) varEqs.push_back({r[0], r[1]});
    for (const int* r : recordsOf(var)) vars.push_back({r[0], r[1]});
    for (const int* r : givenVarRecords) givenVars.push_back({r[0], r[1], r[2]});
    enumerated.iters.assign(enumerated.inputs.size(), nullptr);
    testedByCon.iters.assign(testedByCon.inputs.size(), nullptr);
    testedByJoin.iters.assign(testedByJoin.inputs.size(), nullptr);

    const std::vector<int> positions = intsOf(constantPositions);
    std::size_t k = 0;
    for (const FSymbol& symbol : constantSymbols) {
        if (k < positions.size()) constants[positions[k]] = symbol;
        ++k;
    }

    needsCheck = (!varEqs.empty() || !partEqCons.empty() || !partEqJoins.empty()) ? 1 : 0;

    inputIters.assign(std::size_t(this->inputCount), nullptr);
    inputOperands.assign(std::size_t(this->inputCount), nullptr);
    setSelected.assign(std::size_t(this->inputCount), 0);
    keyColumns = intsOf(keyColumnList);
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
        if (isEnumerated(idx) || excludedInputs.member(idx)) {
            for (EqConRecord& r : partEqCons) shift(r.input, idx);
            for (EqJoinRecord& r : partEqJoins) {
                shift(r.a, idx);
                shift(r.b, idx);
            }
        }
    }
    // After renumbering, a given var record's input is its enumerated iterator's slot.
    resultCells.assign(
        std::max(givenVars.size() + vars.size(), std::size_t(this->variables.size())),
        InternalName::UndefinedObject);
}

BaseOperator::~BaseOperator() {
    for (Iterator* it : inputIters) decRef(it);
    for (Iterator* it : enumerated.iters) decRef(it);
    for (Iterator* it : testedByCon.iters) decRef(it);
    for (Iterator* it : testedByJoin.iters) decRef(it);
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

bool BaseOperator::openInputs(clib_list<Operand*>* list) {
    if (list == nullptr || list->size() != inputCount) return false;
    std::size_t k = 0;
    for (Operand* operand : *list) {
        if (operand == nullptr) return false;
        inputIters[k] = operand->makeIterator(inputIters[k]);
        if (inputIters[k] == nullptr || !inputIters[k]->first()) return false;
        inputOperands[k] = operand;
        ++k;
    }
    return true;
}

bool BaseOperator::putConstants(InternalName* patternCells) {
    for (const auto& [position, symbol] : constants) {
        if (symbol == FSymbol()) continue;
        InternalName name;
        if (access == nullptr || access->internValue(symbol, name) == 0) return false;
        if (position >= 1 && position <= arity) patternCells[position - 1] = name;
    }
    return true;
}

bool BaseOperator::match(Iterator* row) {
    for (const VarEqRecord& r : varEqs)
        if (row->atColumn(r.a) != row->atColumn(r.b)) return false;
    auto keyOf = [this, row](int input) { return groupKey(input, row); };
    if (!selectGroups(testedByCon, keyOf)) return false;
    for (const SetSelectRecord& r : setSelects) {
        InternalName key = r.keyPosition < 0 ? InternalName::UndefinedObject
                                             : row->atColumn(r.keyPosition + columnOffset);
        if (!inputOperands[std::size_t(r.input)]->contains(key)) return false;
    }
    for (const EqConRecord& r : partEqCons) {
        Iterator* it = testedByCon.iters[std::size_t(r.slot)];
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
    return selectGroups(testedByJoin, keyOf) && partJoinsHold();
}

bool BaseOperator::partJoinsHold() {
    for (const EqJoinRecord& r : partEqJoins) {
        Iterator* a = testedByJoin.iters[std::size_t(r.slotA)];
        Iterator* b = testedByJoin.iters[std::size_t(r.slotB)];
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

bool BaseOperator::combinationHolds(const std::vector<Iterator*>& iters, Iterator* row) const {
    for (const EqJoinRecord& r : eqJoins)
        if (iters[std::size_t(r.slotA)]->atColumn(r.columnA) !=
            iters[std::size_t(r.slotB)]->atColumn(r.columnB))
            return false;
    if (row == nullptr) return true;
    for (const EqConRecord& r : eqCons)
        if (iters[std::size_t(r.slot)]->atColumn(r.inputColumn) != row->atColumn(r.column))
            return false;
    return true;
}

void BaseOperator::copyGivenVars(const std::vector<Iterator*>& iters, InternalName* cells) const {
    for (const GivenVarRecord& r : givenVars)
        cells[r.cell] = iters[std::size_t(r.input)]->atColumn(r.column);
}

void BaseOperator::enumerate(SetOperand* into, InternalName* key, Iterator* row,
                             InternalName* cells) {
    if (enumerated.inputs.empty()) return;
    if (!selectGroups(enumerated, [this, row](int input) { return groupKey(input, row); })) return;
    forEachCombination(enumerated.iters, [&] {
        if (combinationHolds(enumerated.iters, row)) {
            copyGivenVars(enumerated.iters, cells);
            into->insert(*key, cells);
        }
        return true;
    });
}

void BaseOperator::handleRow(Iterator* row, const InternalName& key) {
    if (needsCheck != 0 && !match(row)) return;
    for (const VarRecord& r : vars) resultCells[std::size_t(r.cell)] = row->atColumn(r.column);
    emitRow(row, key);
}

void BaseOperator::emitRow(Iterator* row, const InternalName& key) {
    InternalName rowKey = key;
    if (enumerated.inputs.empty())
        result->insert(rowKey, resultCells.data());
    else
        enumerate(result, &rowKey, row, resultCells.data());
}

Operand* BaseOperator::evaluateRelation(clib_list<Operand*>* list, OMAccess* newAccess,
                                        InternalName* patternCells) {
    if (valid == 0) return nullptr;
    access = newAccess;
    inputs = list != nullptr ? *list : clib_list<Operand*>();
    result = new SetOperand(variables, 2);
    if (!putConstants(patternCells) || !openInputs(list)) return result;
    if (debugging()) print();
    if (inputCount == 0) {
        matchRelation();
    } else {
        auto fill = [&] {
            for (int i = 0; i < inputCount; ++i) {
                if (!advancesInput(i)) continue;
                for (const Binding& b : inputBindings[std::size_t(i)])
                    patternCells[b.cell] = inputIters[std::size_t(i)]->atColumn(b.column);
            }
        };
        fill();
        matchRelation();
        // Ctrl-C or a farewell ends a long enumeration; the evaluator throws the result away.
        controlEvents::StopPoll stopPoll;
        for (int i = 0; i < inputCount && !stopPoll.stop();) {
            if (!advancesInput(i)) {
                ++i;
            } else if (inputIters[std::size_t(i)]->next()) {
                fill();
                matchRelation();
                i = 0;
            } else {
                inputIters[std::size_t(i)]->first();
                ++i;
            }
        }
    }
    if (debugging()) printResult(result, access);
    return result;
}

std::string BaseOperator::positionText(int position) const {
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

std::string BaseOperator::positionsText(int from, int to) const {
    std::string text;
    for (int p = from; p < to; ++p) {
        if (p > from) text += ",";
        text += positionText(p);
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

bool BaseOperator::resultRowsDistinct(std::vector<char> fixed) const {
    std::vector<int> cellsFilled;
    for (const VarRecord& r : vars) {
        if (r.column < 1 || std::size_t(r.column) > fixed.size()) return false;
        fixed[std::size_t(r.column - 1)] = 1;
        cellsFilled.push_back(r.cell);
    }
    std::sort(cellsFilled.begin(), cellsFilled.end());
    return std::find(fixed.begin(), fixed.end(), 0) == fixed.end() &&
           std::adjacent_find(cellsFilled.begin(), cellsFilled.end()) == cellsFilled.end();
}

bool BaseOperator::groupedBy(const FSymbol& keyVariable, const InternalName& var, int* out) {
    if (out != nullptr) *out = 0;
    return keyVariable != FSymbol() && keyVariable == var;
}

void BaseOperator::printInputContents() {
    for (int k = 0; k < inputCount; ++k)
        if (inputOperands[std::size_t(k)] != nullptr)
            printContents(k + 1, inputOperands[std::size_t(k)], access);
}

void BaseOperator::print() {
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
