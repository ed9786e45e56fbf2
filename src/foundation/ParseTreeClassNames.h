// The texts by which parse-tree nodes name their classes, built once for the whole run.
#pragma once

#include <string>

enum class ParseTreeClass {
    AggExpr,
    ArithmeticExpr,
    CPath,
    FLiteral,
    FLiteralList,
    FMolecule,
    FProgram,
    FRule,
    FTerm,
    FTermList,
    FunctionOrPredicateBase,
    FunctionTerm,
    FVar,
    IdTerm,
    ParseTreeNode,
    Path,
    PTerm,
    Reference,
    Spec,
    SSpec,
    MSpec,
    Count
};

// The class name of a parse-tree class ("FRule" for ParseTreeClass::FRule).
inline const std::string& parseTreeClassName(ParseTreeClass kind) {
    static const std::string names[static_cast<int>(ParseTreeClass::Count)] = {
        "AggExpr",
        "ArithmeticExpr",
        "CPath",
        "FLiteral",
        "FLiteralList",
        "FMolecule",
        "FProgram",
        "FRule",
        "FTerm",
        "FTermList",
        "FunctionOrPredicateBase",
        "FunctionTerm",
        "FVar",
        "IdTerm",
        "ParseTreeNode",
        "Path",
        "PTerm",
        "Reference",
        "Spec",
        "SSpec",
        "MSpec"};
    return names[static_cast<int>(kind)];
}
