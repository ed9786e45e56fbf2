// The texts by which parse-tree nodes name their classes, built once for the whole run.
#pragma once

#include <cstdint>
#include <string>

// One byte: every node of a parse tree carries its class, and a byte lets the first fields of the
// node classes share the node's word with it.
enum class ParseTreeClass : std::uint8_t {
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

// The class a parse-tree class derives from; ParseTreeNode for the root itself.
constexpr ParseTreeClass parseTreeBase(ParseTreeClass kind) {
    switch (kind) {
        case ParseTreeClass::AggExpr:
        case ParseTreeClass::ArithmeticExpr:
        case ParseTreeClass::CPath:
        case ParseTreeClass::IdTerm:
            return ParseTreeClass::Path;
        case ParseTreeClass::FMolecule:
        case ParseTreeClass::Reference:
            return ParseTreeClass::CPath;
        case ParseTreeClass::FunctionTerm:
        case ParseTreeClass::FVar:
            return ParseTreeClass::IdTerm;
        case ParseTreeClass::Path:
        case ParseTreeClass::PTerm:
            return ParseTreeClass::FTerm;
        case ParseTreeClass::SSpec:
        case ParseTreeClass::MSpec:
            return ParseTreeClass::Spec;
        default:
            return ParseTreeClass::ParseTreeNode;
    }
}

// Whether a node of class `kind` is a `base` (the class itself or one it derives from): what
// isA(name of base) answers for it, as one table lookup instead of text comparisons along the
// class chain.
inline bool parseTreeClassIs(ParseTreeClass kind, ParseTreeClass base) {
    static const auto table = [] {
        constexpr int count = static_cast<int>(ParseTreeClass::Count);
        static_assert(count <= 32, "one bit per class");
        struct Table {
            std::uint32_t bases[count];
        } made{};
        for (int k = 0; k < count; ++k) {
            auto at = static_cast<ParseTreeClass>(k);
            made.bases[k] |= 1u << k;
            while (at != ParseTreeClass::ParseTreeNode) {
                at = parseTreeBase(at);
                made.bases[k] |= 1u << static_cast<int>(at);
            }
        }
        return made;
    }();
    return (table.bases[static_cast<int>(kind)] >> static_cast<int>(base) & 1u) != 0;
}
