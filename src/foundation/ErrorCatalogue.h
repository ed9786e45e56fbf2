// The catalogue of error constants: one global Error for every error condition, by origin.
#pragma once

#include "foundation/Error.h"

// Naming: one namespace per origin (err0 .. err14); a constant is named after the error's name
// with everything that is not a letter or a digit removed, a letter that followed a removed
// character written in upper case ("Got null pointer" -> GotNullPointer). When several records
// of one origin share a name, the first (in catalogue order) keeps the plain name and the later
// ones get _2, _3, ... in that order. Records without a name are called Unnamed, Unnamed_2, ...
// by the same rule. Each constant is preceded by its origin/number and its message.
// Errors that carry run-time text (UnknownMethod, PureVirtualCalled, FLSysObjectCorrupted and
// the like) are built where they are reported and are not listed here.

namespace err0 {
// 0/0 no error occurred
extern const Error OK;
}  // namespace err0

namespace err3 {
// 3/1 System could not allocate memory
extern const Error OutOfMemory;
// 3/3 Call to InternalFLogicParser without a symbol table (SymTab).
extern const Error NoSymTab;
// 3/3 Call to InternalPevoParser without a symbol table (SymTab).
extern const Error NoSymTab_2;
// 3/11 Constructor of Class CPath had a NIL-Pointer as Argument
extern const Error CPathConstructor;
// 3/12 Constructor of Class FMolecule had a NIL-Pointer as Argument
extern const Error FMoleculeConstructor;
}  // namespace err3

namespace err4 {
// 4/13 Object Manager is in an inconsistent state. There will be no answers computed.
extern const Error InconsistentOM;
// 4/14 FRule which represents a query as argument expected, no answers computed.
extern const Error WrongArg;
// 4/111 There isn't any normalized program for trigger finder due to previous error.
extern const Error NoNormalizedProgram;
}  // namespace err4

namespace err5 {
// 5/5 The type of an InternalName is errorneous.
extern const Error UnknownType;
// 5/11 Allocation of new parameter frame failed
extern const Error NoParamFrame;
// 5/12 Allocation of new predicate frame failed
extern const Error NoPredFrame;
// 5/13 Got pointer of  unknown iterator type to reinitialise, given pointer is delet...
extern const Error UnknownIterType;
// 5/14 Wrong MethodType used, no insertion done
extern const Error WrongMetType;
// 5/15 Wrong InheritanceType used, no insertion done
extern const Error WrongInhType;
// 5/40 Allocation of new set frame failed
extern const Error NoSetFrame;
// 5/41 Allocation of new object frame failed
extern const Error NoObjFrame;
// 5/700 Failed to iterate over object names
extern const Error Failed2IterateOverObjNames;
// 5/700 Failed to iterate over parameter names
extern const Error Failed2IterateOverParamNames;
// 5/700 Failed to iterate over predicate names
extern const Error Failed2IterateOverPredNames;
// 5/700 Failed to iterate over set names
extern const Error Failed2IterateOverSetNames;
// 5/800 Failed to convert set with internal names
extern const Error Failed2ConvertIntNameSet;
// 5/800 Failed to convert object frame
extern const Error Failed2ConvertObjFrame;
// 5/800 Failed to convert parameter frame
extern const Error Failed2ConvertParamFrame;
// 5/800 Failed to convert predicate frame
extern const Error Failed2ConvertPredFrame;
// 5/800 Failed to convert set frame
extern const Error Failed2ConvertSetFrame;
// 5/800 Failed to create classToObjTable
extern const Error Failed2CreateClassToObjTable;
// 5/800 Failed to create methodsTable
extern const Error Failed2CreateMethodsTable;
// 5/800 Failed to create superClassToClassTable
extern const Error Failed2CreateSuperClassToClassTable;
// 5/800 Failed to delete frames
extern const Error Failed2DeleteFrames;
// 5/800 Failed to delete object frame
extern const Error Failed2DeleteObjFrame;
// 5/800 Failed to delete parameter frame
extern const Error Failed2DeleteParamFrame;
// 5/800 Failed to delete predicate frame
extern const Error Failed2DeletePredFrame;
// 5/800 Failed to delete set frame
extern const Error Failed2DeleteSetFrame;
// 5/800 Failed to get object frame
extern const Error Failed2GetObjFrame;
// 5/800 Failed to get parameter frame
extern const Error Failed2GetParamFrame;
// 5/800 Failed to get predicate frame
extern const Error Failed2GetPredFrame;
// 5/800 Failed to get set frame
extern const Error Failed2GetSetFrame;
// 5/800 Failed to insert object frame
extern const Error Failed2InsertObjFrame;
// 5/800 Failed to insert parameter frame
extern const Error Failed2InsertParamFrame;
// 5/800 Failed to insert predicate frame
extern const Error Failed2InsertPredFrame;
// 5/800 Failed to insert set frame
extern const Error Failed2InsertSetFrame;
// 5/800 theFrameMgr: Got unknown iterator!!!
extern const Error GotUnknownIterator;
// 5/800 InternalName exists already!!!
extern const Error InternalNameExists;
// 5/800 InternalName doesn't exist!!!
extern const Error InternalNameNotExists;
// 5/800 Object frame already exists!!!
extern const Error ObjFrameExists;
// 5/800 Object frame doesn't exist!!!
extern const Error ObjFrameNotExists;
// 5/800 Parameter frame already exists!!!
extern const Error ParamFrameExists;
// 5/800 Parameter frame doesn't exist!!!
extern const Error ParamNameNotExists;
// 5/800 Predicate frame already existx!!!
extern const Error PredFrameExists;
// 5/800 Predicate frame doesn't exist!!!
extern const Error PredFrameNotExists;
// 5/800 Set frame already exists!!!
extern const Error SetFrameExists;
// 5/800 Set frame doesn't exist!!!
extern const Error SetFrameNotExists;
// 5/800 Symbol exists already!!!
extern const Error SymbolExists;
// 5/800 Symbol doesn't exist!!!
extern const Error SymbolNotExists;
// 5/1000 Failed to allocate memory!!!
extern const Error Failed2AllocateMemory;
// 5/1000 Got null pointer!!!
extern const Error GotNullPointer;
}  // namespace err5

namespace err6 {
// 6/1 Constructer of Matcher was used with invalid arguments, no guarantee for corr...
extern const Error WrongInit;
// 6/2 Got rule with no rule body to retrieve, so NULL returned
extern const Error InvalidRule;
// 6/3 Only FTerm* or list<FTerm*>* are valid parameter for insert. Creator::create()
extern const Error NoInsert;
// 6/4 Internal transformation failed, so NULL returned
extern const Error Internal;
// 6/6 Invalid use of DescIter::atColumn(int), the result is an undefined object
extern const Error InvalidUse;
// 6/6 Invalid use of DescIterWithResult::atColumn(int), the result is an undefined ...
extern const Error InvalidUse_2;
// 6/6 Invalid use of MatchAxisIter::atColumn(int), the result is an undefined object
extern const Error InvalidUse_3;
// 6/6 Invalid use of MatchIterator::atColumn(int), the result is an undefined object
extern const Error InvalidUse_4;
// 6/6 Invalid use of OFrameIterator::atColumn(int), the result is an undefined object
extern const Error InvalidUse_5;
// 6/7 Invalid use of RightRefIter, not allowed to use undefined object for method
extern const Error Unnamed;
// 6/7 Invalid use of SetIterator::atColumn(int), the result is an undefined object
extern const Error InvalidUse_6;
// 6/8 Invalid use of FuncOrPredIter, got unknown MethodType
extern const Error Unnamed_2;
// 6/8 Invalid use of LeftRefIter, not allowed to use undefined object for host
extern const Error Unnamed_3;
// 6/9 Invalid initalisation of Parent iterator
extern const Error InvalidInit;
// 6/9 Invalid initalisation of Sibling iterator
extern const Error InvalidInit_2;
// 6/9 Invalid initalisation of desc iterator
extern const Error InvalidInit_3;
// 6/9 Invalid initalisation of isa iterator
extern const Error InvalidInit_4;
// 6/10 To less memory to create result of operation, no guarantee that following res...
extern const Error ToLessMemory;
// 6/10 To less memory to insert further objects into result, no guarantee that follo...
extern const Error ToLessMemory_2;
// 6/11 Invalid use of ExtendedTupleSetIterator::atColumn(int), the result is an unde...
extern const Error InvalidUse_7;
// 6/11 Invalid use of TupleSetIterator::atColumn(int), the result is an undefined ob...
extern const Error InvalidUse_8;
// 6/11 To little memory to insert further objects into result, no guarantee that fol...
extern const Error ToLittleMemory;
// 6/12 Invalid use of ContextIterator1::atColumn(int), the result is an undefined ob...
extern const Error InvalidUse_9;
// 6/13 Class Operand2 doesn't provide Context Iterator
extern const Error NoContextIterator;
// 6/14 Got NULL pointer for cross product, no guarantee that following results were ...
extern const Error NULLasResult;
// 6/15 Operand3::resultObjects() was called with different arguments, no guarantee t...
extern const Error AlreadyThere;
// 6/16 Variables are not disjunct in cross product, no guarantee that following resu...
extern const Error NotDisjunkt;
// 6/17 Invalid use of ContextIterator3::atColumn(int), the result is an undefined ob...
extern const Error InvalidUse_10;
// 6/18 Invalid use of OperandIterator1::atColumn(int), the result is an undefined ob...
extern const Error InvalidUse_11;
// 6/20 Wrong MethodType used, NULL pointer returnd as result
extern const Error WrongMetType;
// 6/21 Wrong InheritanceType used, NULL pointer returnd as result
extern const Error WrongInhType;
// 6/22 Arguments are not allowed when Axis is used, Unable to compute an Answer
extern const Error UnknownIterType;
// 6/22 Got pointer of  unknown iterator type to reinitialise, given pointer is delet...
extern const Error UnknownIterType_2;
// 6/50 There are no bindings for variable in right argument of minus, empty result w...
extern const Error NoBinding;
// 6/102 the specified index is not inside the previously defined range
extern const Error IllegalIndex;
// 6/109 Invalid Use of atColumn, the result is an UndefinedObject
extern const Error InvalidUse_12;
// 6/110 Invalid initalisation of enhanced isa iterator
extern const Error InvalidInit_5;
// 6/111 The second argument of operator / was 0. Unable to compute an answer
extern const Error DivisionByZero;
}  // namespace err6

namespace err7 {
// 7/1 PathAnalyser works only with FProgram or FRule. No analysation done.
extern const Error WrongNode;
// 7/2 SemanticAnalyser works only with FProgram or FRule. No analysation done.
extern const Error WrongNode_2;
}  // namespace err7

namespace err8 {
// 8/1 It is not possible to use insert function from User-Interface
extern const Error NoInsert;
}  // namespace err8

namespace err9 {
// 9/1 There was not enough memory to perform a new().
extern const Error OutOfMemory;
// 9/2 Tried to compute the variable list of a FProgram.
extern const Error FProgramGiveVarsCalled;
// 9/3 Tried to compare two uncompareable ParseTreeNodes.
extern const Error NoOrderPossible;
// 9/4 Tried to print an instance of class FTerm.
extern const Error FTermPrintCalled;
// 9/5 A FProgram consists of more than only a query.FProgram::...
extern const Error NotOnlyAQuery;
// 9/6 There are rules in a FProgram which have non-empty bodies.FProgram::...
extern const Error NotOnlyFacts;
// 9/7 A query would have been needed...
extern const Error NoQuery;
}  // namespace err9

namespace err10 {
// 10/2 The type of the FSymbol was string, integer or var, but the arity was not zero.
extern const Error ArityNotZero;
// 10/4 The FSymbol is unknown to the SymbolTable.
extern const Error SymbolNotFound;
// 10/6 The arity was negative.
extern const Error NegativeArity;
// 10/7 Created a FSymbol with no appropriate type.
extern const Error NoSymbolType;
// 10/8 The given SymbolType is not appropriate to the called function.
extern const Error WrongSymbolType;
// 10/9 The integer constant does not fit into 32 bits.
extern const Error IntegerOutOfRange;
}  // namespace err10

namespace err11 {
// 11/1004 Assignment to a constant like string or int isnot possible.
extern const Error AssignmentToConstants;
// 11/1005 System query with more than one literal in body.  Split the query into simple...
extern const Error MoreThanOneLiteral;
// 11/1006 System query with wrong assignment.  Host object doesn't exist or is no FLSys...
extern const Error WrongSystemAssignment;
// 11/1007 Only simple scalar paths are allowed in system commands.  Use format ?- sys.o...
extern const Error WrongPathExpression;
// 11/1008 Variables are not allowed in system commands.  Use identifiers starting with ...
extern const Error VarInSystemCommand;
// 11/1009 System query with molecule within a path.  Properties are allowed only at the...
extern const Error MoleculeInPath;
// 11/1010 If method name is given by method call, it has to yield an FLSysString.
extern const Error PathIsNoString;
// 11/1011 Assignment lacks a value. Right hand side yields NULL.
extern const Error NoValue;
// 11/1012 Left hand side of assignment was no FunctionTerm.  You have to specify an ide...
extern const Error NoFunctionTerm;
// 11/1013 Left hand side of assignment must not have any arguments.
extern const Error NoArgsAllowed;
// 11/1014 Host object of a path reference yielded NULL.  Object unknown or defect.
extern const Error NoHostObject;
// 11/1015 Function symbols with arguments are not allowed in system commands.  Maybe a ...
extern const Error NoFuncArgsAllowed;
// 11/1234 ROvaInterpreter needs an instance of class FLogicInterpreter to execute this ...
extern const Error noFLogicInterpreter;
// 11/2005 An undefined user interface object was used.
extern const Error NullObject;
// 11/2009 Memory allocation failed.
extern const Error OutOfMemory;
// 11/2010 A method was called with an invalid argument.
extern const Error WrongArgument;
// 11/2010 A method was called with an invalid argument.
extern const Error WrongArgument_2;
// 11/2011 A method was called with a wrong number of arguments.
extern const Error WrongNumberOfArguments;
// 11/2015 No such file or directory.
extern const Error CannotOpenFile;
// 11/2018 There is no interpreter found.
extern const Error NoInterpreterFound;
// 11/2020 A method was called with an invalid argument.
extern const Error WrongArgument_3;
// 11/2021 A really unexpected error occured...
extern const Error InternalProblems;
// 11/2023 A FProgram could not be evaluated.
extern const Error CannotEvaluate;
// 11/2024 A deleting FLSysOstream was copied.
extern const Error StreamCopiedWarning;
}  // namespace err11

namespace err12 {
// 12/7 A PrettyPrinter is corrupted.
extern const Error PrettyPrinterCorrupted;
// 12/8 There is an InternalName (an Object) of whichthere is no printable representa...
extern const Error NoPrintableRep;
// 12/10 An operation was tried without an ObjectAccessor while an ObjectAccessor was ...
extern const Error NoOMError;
// 12/11 There was not enough memory...
extern const Error OutOfMemory;
// 12/12 An Operand was found errorneous.
extern const Error OperandProblems;
// 12/13 Result cannot be printed as ResultSet
extern const Error NotAsResultSet;
}  // namespace err12

namespace err13 {
// 13/111 There isn't any own FProgram for Normalizer.
extern const Error NoOwnFProgram;
// 13/112 Haven't got any FLogicInterpreter.
extern const Error NoFLogInterp;
// 13/113 Unexpected Rule-Type.
extern const Error BadRuleType;
// 13/114 Unhandled Negation in body of a rule.
extern const Error NegatedRule;
// 13/115 Multivalued path-expression at result-position of method.
extern const Error MultiResult;
// 13/116 Semantically obscure rule with negation deleted !
extern const Error ObscureBody;
// 13/117 There isn't any atomized FProgram for Normalizer.
extern const Error NoAtomFProgram;
}  // namespace err13

namespace err14 {
// 14/114 Negation in filter in the head of a rule.
extern const Error NegatedRule;
}  // namespace err14
