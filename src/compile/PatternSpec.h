// PatternSpec: how the pattern of one leaf or join operator meets its input operands, as the
// translator describes it: typed conditions, one vector per kind, instead of records whose layout
// only a comment knows.
#pragma once

#include <set>
#include <vector>

#include "compile/Operator.h"
#include "foundation/clib_list.h"
#include "objectbase/FSymbol.h"

// Positions: relation columns and input columns are 1-based as the iterators count them, pattern
// cells and result cells 0-based; inputs are numbered from 0 in the order they are given.
struct PatternSpec {
    // Two relation columns that must hold the same value ("var eq").
    struct EqualColumns {
        int a = 0, b = 0;
    };
    // A relation column that must equal an input's column ("eq con").
    struct ColumnMeetsInput {
        int column = 0, input = 0, inputColumn = 0;
    };
    // Two inputs' columns that must agree ("eq join").
    struct InputsAgree {
        int inputA = 0, columnA = 0, inputB = 0, columnB = 0;
    };
    // A relation column that fills a result cell ("var").
    struct ColumnToCell {
        int column = 0, cell = 0;
    };
    // An input's column that fills a result cell ("given var").
    struct InputToCell {
        int input = 0, column = 0, cell = 0;
    };
    // A constant standing at a 1-based pattern position.
    struct Constant {
        int position = 0;
        FSymbol symbol;
    };
    // How an input's operand is read.
    enum class InputRole {
        Rows,        // its rows, or membership of its keys
        Projection,  // a projection of the current operand: always enumerated
    };

    int inputCount = 0;
    std::vector<EqualColumns> equalColumns;
    std::vector<ColumnMeetsInput> columnsMeetInputs;
    std::vector<InputsAgree> inputJoins;
    std::vector<ColumnToCell> columnCells;
    std::vector<InputToCell> inputCells;
    // In the order met; a later constant at the same position replaces an earlier one.
    std::vector<Constant> constants;
    // Per input, the 1-based pattern position it is keyed on (0 for none).
    std::vector<int> keyColumns;
    // The result variables, one per result cell.
    clib_list<FSymbol> variables;
    // Pattern positions of variables used once and not kept.
    std::set<int> freeColumns;
    // Inputs that carry no variable of their own to enumerate.
    std::set<int> excludedInputs;
    std::vector<InputBinding> inputBindings;
    // Per input.
    std::vector<InputRole> inputRoles;
};
