// The definitions of every error constant of the catalogue, texts as the system shows them.
#include "foundation/ErrorCatalogue.h"

namespace err0 {
// The same values as Error::ok(), under the catalogue's naming.
const Error OK = Error::ok();
}  // namespace err0

namespace err3 {
const Error OutOfMemory(3, 1, 2, "OutOfMemory", "System could not allocate memory",
                        "FParser::yyparse()", "");
const Error NoSymTab(3, 3, 2, "NoSymTab",
                     "Call to InternalFLogicParser without a symbol table (SymTab).",
                     "InternalFLogicParser::...", "");
const Error NoSymTab_2(3, 3, 2, "NoSymTab",
                       "Call to InternalPevoParser without a symbol table (SymTab).",
                       "InternalPevoParser::...", "");
const Error CPathConstructor(3, 11, 1, "CPathConstructor",
                             "Constructor of Class CPath had a NIL-Pointer as Argument",
                             "CPath::CPath", "");
const Error FMoleculeConstructor(3, 12, 1, "FMoleculeConstructor",
                                 "Constructor of Class FMolecule had a NIL-Pointer as Argument",
                                 "FMolecule::FMolecule", "");
}  // namespace err3

namespace err4 {
const Error InconsistentOM(
    4, 13, 2, "InconsistentOM",
    "Object Manager is in an inconsistent state. There will be no answers computed.",
    "NaiveEval::retrieve", "");
const Error WrongArg(4, 14, 2, "WrongArg",
                     "FRule which represents a query as argument expected, no answers computed.",
                     "NaiveEval::retrieve", "");
const Error NoNormalizedProgram(
    4, 111, 2, "NoNormalizedProgram",
    "There isn't any normalized program for trigger finder due to previous error.",
    "NaiveEvalWithInherit", " ");
}  // namespace err4

namespace err5 {
const Error UnknownType(
    5, 5, 2, "UnknownType", "The type of an InternalName is errorneous.",
    "InternalName::ToString()",
    "Consider that this Error may have been produced by a subclass of InternalName, e.g. Symbol.");
const Error NoParamFrame(5, 11, 2, "NoParamFrame", "Allocation of new parameter frame failed",
                         "MainMemOM::createParamFrame", "");
const Error NoPredFrame(5, 12, 2, "NoPredFrame", "Allocation of new predicate frame failed",
                        "MainMemOM::addPredicate", "");
const Error UnknownIterType(5, 13, 2, "UnknownIterType",
                            "Got pointer of  unknown iterator type to reinitialise, given pointer "
                            "is deleted and new pointer of known type is created",
                            "Message could be generated in different functions  ", "");
const Error WrongMetType(5, 14, 2, "WrongMetType", "Wrong MethodType used, no insertion done ",
                         "Message could be generated in different functions ", "");
const Error WrongInhType(5, 15, 2, "WrongInhType", "Wrong InheritanceType used, no insertion done ",
                         "OMAccess::match ", "");
const Error NoSetFrame(5, 40, 2, "NoSetFrame", "Allocation of new set frame failed",
                       "FrameManager::allocateSetFrame", "");
const Error NoObjFrame(5, 41, 2, "NoObjFrame", "Allocation of new object frame failed",
                       "FrameManager::allocateObjFrame", "");
const Error Failed2IterateOverObjNames(5, 700, 2, "Failed2IterateOverObjNames",
                                       "Failed to iterate over object names", "FrameManager::*",
                                       "");
const Error Failed2IterateOverParamNames(5, 700, 2, "Failed2IterateOverParamNames",
                                         "Failed to iterate over parameter names",
                                         "FrameManager::*", "");
const Error Failed2IterateOverPredNames(5, 700, 2, "Failed2IterateOverPredNames",
                                        "Failed to iterate over predicate names", "FrameManager::*",
                                        "");
const Error Failed2IterateOverSetNames(5, 700, 2, "Failed2IterateOverSetNames",
                                       "Failed to iterate over set names", "FrameManager::*", "");
const Error Failed2ConvertIntNameSet(5, 800, 2, "Failed2ConvertIntNameSet",
                                     "Failed to convert set with internal names", "FrameManager::*",
                                     "");
const Error Failed2ConvertObjFrame(5, 800, 2, "Failed2ConvertObjFrame",
                                   "Failed to convert object frame", "FrameManager::*", "");
const Error Failed2ConvertParamFrame(5, 800, 2, "Failed2ConvertParamFrame",
                                     "Failed to convert parameter frame", "FrameManager::*", "");
const Error Failed2ConvertPredFrame(5, 800, 2, "Failed2ConvertPredFrame",
                                    "Failed to convert predicate frame", "FrameManager::*", "");
const Error Failed2ConvertSetFrame(5, 800, 2, "Failed2ConvertSetFrame",
                                   "Failed to convert set frame", "FrameManager::*", "");
const Error Failed2CreateClassToObjTable(5, 800, 2, "Failed2CreateClassToObjTable",
                                         "Failed to create classToObjTable", "FrameManager::*", "");
const Error Failed2CreateMethodsTable(5, 800, 2, "Failed2CreateMethodsTable",
                                      "Failed to create methodsTable", "FrameManager::*", "");
const Error Failed2CreateSuperClassToClassTable(5, 800, 2, "Failed2CreateSuperClassToClassTable",
                                                "Failed to create superClassToClassTable",
                                                "FrameManager::*", "");
const Error Failed2DeleteFrames(5, 800, 2, "Failed2DeleteFrames", "Failed to delete frames",
                                "FrameManager::*", "");
const Error Failed2DeleteObjFrame(5, 800, 2, "Failed2DeleteObjFrame",
                                  "Failed to delete object frame", "FrameManager::*", "");
const Error Failed2DeleteParamFrame(5, 800, 2, "Failed2DeleteParamFrame",
                                    "Failed to delete parameter frame", "FrameManager::*", "");
const Error Failed2DeletePredFrame(5, 800, 2, "Failed2DeletePredFrame",
                                   "Failed to delete predicate frame", "FrameManager::*", "");
const Error Failed2DeleteSetFrame(5, 800, 2, "Failed2DeleteSetFrame", "Failed to delete set frame",
                                  "FrameManager::*", "");
const Error Failed2GetObjFrame(5, 800, 2, "Failed2GetObjFrame", "Failed to get object frame",
                               "FrameManager::*", "");
const Error Failed2GetParamFrame(5, 800, 2, "Failed2GetParamFrame", "Failed to get parameter frame",
                                 "FrameManager::*", "");
const Error Failed2GetPredFrame(5, 800, 2, "Failed2GetPredFrame", "Failed to get predicate frame",
                                "FrameManager::*", "");
const Error Failed2GetSetFrame(5, 800, 2, "Failed2GetSetFrame", "Failed to get set frame",
                               "FrameManager::*", "");
const Error Failed2InsertObjFrame(5, 800, 2, "Failed2InsertObjFrame",
                                  "Failed to insert object frame", "FrameManager::*", "");
const Error Failed2InsertParamFrame(5, 800, 2, "Failed2InsertParamFrame",
                                    "Failed to insert parameter frame", "FrameManager::*", "");
const Error Failed2InsertPredFrame(5, 800, 2, "Failed2InsertPredFrame",
                                   "Failed to insert predicate frame", "FrameManager::*", "");
const Error Failed2InsertSetFrame(5, 800, 2, "Failed2InsertSetFrame", "Failed to insert set frame",
                                  "FrameManager::*", "");
const Error GotUnknownIterator(5, 800, 2, "GotUnknownIterator",
                               "theFrameMgr: Got unknown iterator!!!", "FrameManager::*", "");
const Error InternalNameExists(5, 800, 2, "InternalNameExists", "InternalName exists already!!!",
                               "FrameManager::*", "");
const Error InternalNameNotExists(5, 800, 2, "InternalNameNotExists",
                                  "InternalName doesn't exist!!!", "FrameManager::*", "");
const Error ObjFrameExists(5, 800, 2, "ObjFrameExists", "Object frame already exists!!!",
                           "FrameManager::*", "");
const Error ObjFrameNotExists(5, 800, 2, "ObjFrameNotExists", "Object frame doesn't exist!!!",
                              "FrameManager::*", "");
const Error ParamFrameExists(5, 800, 2, "ParamFrameExists", "Parameter frame already exists!!!",
                             "FrameManager::*", "");
const Error ParamNameNotExists(5, 800, 2, "ParamNameNotExists", "Parameter frame doesn't exist!!!",
                               "FrameManager::*", "");
const Error PredFrameExists(5, 800, 2, "PredFrameExists", "Predicate frame already existx!!!",
                            "FrameManager::*", "");
const Error PredFrameNotExists(5, 800, 2, "PredFrameNotExists", "Predicate frame doesn't exist!!!",
                               "FrameManager::*", "");
const Error SetFrameExists(5, 800, 2, "SetFrameExists", "Set frame already exists!!!",
                           "FrameManager::*", "");
const Error SetFrameNotExists(5, 800, 2, "SetFrameNotExists", "Set frame doesn't exist!!!",
                              "FrameManager::*", "");
const Error SymbolExists(5, 800, 2, "SymbolExists", "Symbol exists already!!!", "FrameManager::*",
                         "");
const Error SymbolNotExists(5, 800, 2, "SymbolNotExists", "Symbol doesn't exist!!!",
                            "FrameManager::*", "");
const Error Failed2AllocateMemory(5, 1000, 2, "Failed2AllocateMemory",
                                  "Failed to allocate memory!!!", "Global function", "");
const Error GotNullPointer(5, 1000, 2, "Got null pointer", "Got null pointer!!!", "Global function",
                           "");
}  // namespace err5

namespace err6 {
const Error WrongInit(
    6, 1, 2, "WrongInit",
    "Constructer of Matcher was used with invalid arguments, no guarantee for correct work ",
    "Matcher::Matcher(Translator* ,Creator* ,AlgebraicEval* ,Optimizer* op) ", "");
const Error InvalidRule(6, 2, 2, "InvalidRule",
                        "Got rule with no rule body to retrieve, so NULL returned",
                        "Matcher::retrieve() ", "");
const Error NoInsert(
    6, 3, 2, "NoInsert",
    "Only FTerm* or list<FTerm*>* are valid parameter for insert. Creator::create() ", "", "");
const Error Internal(6, 4, 2, "Internal", "Internal transformation failed, so NULL returned",
                     "Matcher::retrieve()", "");
const Error InvalidUse(6, 6, 2, "InvalidUse",
                       "Invalid use of DescIter::atColumn(int), the result is an undefined object ",
                       "::atColumn(int) ", "");
const Error InvalidUse_2(
    6, 6, 2, "InvalidUse",
    "Invalid use of DescIterWithResult::atColumn(int), the result is an undefined object ",
    "::atColumn(int) ", "");
const Error InvalidUse_3(
    6, 6, 2, "InvalidUse",
    "Invalid use of MatchAxisIter::atColumn(int), the result is an undefined object ",
    "::atColumn(int) ", "");
const Error InvalidUse_4(
    6, 6, 2, "InvalidUse",
    "Invalid use of MatchIterator::atColumn(int), the result is an undefined object ",
    "::atColumn(int) ", "");
const Error InvalidUse_5(
    6, 6, 2, "InvalidUse",
    "Invalid use of OFrameIterator::atColumn(int), the result is an undefined object ",
    "OFrameIterator::atColumn(int) ", "");
const Error Unnamed(6, 7, 2, "",
                    "Invalid use of RightRefIter, not allowed to use undefined object for method",
                    " RightRefIter::initialize() ", "");
const Error InvalidUse_6(
    6, 7, 2, "InvalidUse",
    "Invalid use of SetIterator::atColumn(int), the result is an undefined object ",
    "::atColumn(int) ", "");
const Error Unnamed_2(6, 8, 2, "", "Invalid use of FuncOrPredIter, got unknown MethodType",
                      " RightRefIter::initialize() ", "");
const Error Unnamed_3(6, 8, 2, "",
                      "Invalid use of LeftRefIter, not allowed to use undefined object for host",
                      " RightRefIter::initialize() ", "");
const Error InvalidInit(6, 9, 2, "InvalidInit", "Invalid initalisation of Parent iterator",
                        "ParentIter", "");
const Error InvalidInit_2(6, 9, 2, "InvalidInit", "Invalid initalisation of Sibling iterator",
                          "SiblingIter", "");
const Error InvalidInit_3(6, 9, 2, "InvalidInit", "Invalid initalisation of desc iterator",
                          "Subclass of DescIter", "");
const Error InvalidInit_4(6, 9, 2, "InvalidInit", "Invalid initalisation of isa iterator",
                          "Subclass of IsaIterator", "");
const Error ToLessMemory(6, 10, 2, "ToLessMemory",
                         "To less memory to create result of operation, no guarantee that "
                         "following results were correct computed ",
                         "Operator::initializeResult() ", "");
const Error ToLessMemory_2(6, 10, 2, "ToLessMemory",
                           "To less memory to insert further objects into result, no guarantee "
                           "that following results were correct computed ",
                           "Operand1::insert() ", "");
const Error InvalidUse_7(
    6, 11, 2, "InvalidUse",
    "Invalid use of ExtendedTupleSetIterator::atColumn(int), the result is an undefined object ",
    "::atColumn(int) ", "");
const Error InvalidUse_8(
    6, 11, 2, "InvalidUse",
    "Invalid use of TupleSetIterator::atColumn(int), the result is an undefined object ",
    "::atColumn(int) ", "");
const Error ToLittleMemory(6, 11, 2, "ToLittleMemory",
                           "To little memory to insert further objects into result, no guarantee "
                           "that following results were correctly computed ",
                           "Context::insert() ", "");
const Error InvalidUse_9(
    6, 12, 2, "InvalidUse",
    "Invalid use of ContextIterator1::atColumn(int), the result is an undefined object ",
    "ContextIterator1::atColumn(int) ", "");
const Error NoContextIterator(6, 13, 2, "No Context Iterator",
                              "Class Operand2 doesn't provide Context Iterator",
                              "Operand2::getContextIterator(...)", "");
const Error NULLasResult(6, 14, 2, "NULLasResult",
                         "Got NULL pointer for cross product, no guarantee that following results "
                         "were correctly computed ",
                         "Operand3::crossProduct() Operand3::resultObjects() ", "");
const Error AlreadyThere(6, 15, 2, "AlreadyThere",
                         "Operand3::resultObjects() was called with different arguments, no "
                         "guarantee that following results were correctly computed ",
                         "Operand3::resultObjects() ", "");
const Error NotDisjunkt(6, 16, 2, "NotDisjunkt",
                        "Variables are not disjunct in cross product, no guarantee that following "
                        "results were correctly computed ",
                        "Operand3::crossProduct() Operand3::resultObjects() ", "");
const Error InvalidUse_10(
    6, 17, 2, "InvalidUse",
    "Invalid use of ContextIterator3::atColumn(int), the result is an undefined object ",
    "ContextIterator3::atColumn(int) ", "");
const Error InvalidUse_11(
    6, 18, 2, "InvalidUse",
    "Invalid use of OperandIterator1::atColumn(int), the result is an undefined object ",
    "OperandIterator1::atColumn(int) ", "");
const Error WrongMetType(6, 20, 2, "WrongMetType",
                         "Wrong MethodType used, NULL pointer returnd as result ",
                         "OMAccess::match ", "");
const Error WrongInhType(6, 21, 2, "WrongInhType",
                         "Wrong InheritanceType used, NULL pointer returnd as result ",
                         "OMAccess::match ", "");
const Error UnknownIterType(
    6, 22, 2, "UnknownIterType",
    "Arguments are not allowed when Axis is used, Unable to compute an Answer", "OMAccess::match ",
    "");
const Error UnknownIterType_2(6, 22, 2, "UnknownIterType",
                              "Got pointer of  unknown iterator type to reinitialise, given "
                              "pointer is deleted and new pointer of known type is created",
                              "OMAccess::match ", "");
const Error NoBinding(6, 50, 2, "NoBinding",
                      "There are no bindings for variable in right argument of minus, empty result "
                      "will be returned. Minus::compute ",
                      "", "");
const Error IllegalIndex(6, 102, 2, "IllegalIndex",
                         "the specified index is not inside the previously defined range",
                         "cArray::operator[]", "");
const Error InvalidUse_12(6, 109, 2, "InvalidUse",
                          "Invalid Use of atColumn, the result is an UndefinedObject",
                          "Subclass of EnhIsaIter", "");
const Error InvalidInit_5(6, 110, 2, "InvalidInit",
                          "Invalid initalisation of enhanced isa iterator",
                          "Subclass of EnhIsaIter", "");
const Error DivisionByZero(6, 111, 2, "Division by zero",
                           "The second argument of operator / was 0. Unable to compute an answer",
                           "OMAccess::Arithmetic", "");
}  // namespace err6

namespace err7 {
const Error WrongNode(7, 1, 2, "WrongNode",
                      "PathAnalyser works only with FProgram or FRule. No analysation done.",
                      "\tPathAnalyser::analyse(ParseTreeNode*) ", "");
const Error WrongNode_2(7, 2, 2, "WrongNode",
                        "SemanticAnalyser works only with FProgram or FRule. No analysation done.",
                        "\tSemanticAnalyser::analyse(ParseTreeNode*) ", "");
}  // namespace err7

namespace err8 {
const Error NoInsert(8, 1, 2, "NoInsert",
                     "It is not possible to use insert function from User-Interface ",
                     "\tStatisticHandler::methodCall(...) ", "");
}  // namespace err8

namespace err9 {
const Error OutOfMemory(9, 1, 2, "OutOfMemory", "There was not enough memory to perform a new().",
                        "Program representation (ParseTreeNode::giveVars() )",
                        "The return value of new() was NULL.");
const Error FProgramGiveVarsCalled(
    9, 2, 1, "FProgramGiveVarsCalled", "Tried to compute the variable list of a FProgram.",
    "Program representation (ParseTreeNode::giveVars() )",
    "This one may not be dangerous, but it could indicate a serious internal error.");
const Error NoOrderPossible(9, 3, 1, "NoOrderPossible",
                            "Tried to compare two uncompareable ParseTreeNodes.",
                            "ParseTreeNode::operator<,>,<=,>= ",
                            "The result of the comparison is undefined.");
const Error FTermPrintCalled(9, 4, 2, "FTermPrintCalled",
                             "Tried to print an instance of class FTerm.",
                             "Program representation (FTerm::print() )",
                             "FTerm::print() is (intentionally) a pure virtual function. There "
                             "should be NO instances of FTerm.");
const Error NotOnlyAQuery(
    9, 5, 2, "NotOnlyAQuery", "A FProgram consists of more than only a query.FProgram::...",
    "Normally this is the reaction to the call of asQuery() if the FProgram consists of more than "
    "one query. It is also reported if the FProgram consists (e.g.) of a query and a (some) "
    "rule(s), or if the program is empty.",
    "");
const Error NotOnlyFacts(
    9, 6, 2, "NotOnlyFacts",
    "There are rules in a FProgram which have non-empty bodies.FProgram::...",
    "Normally this is the reaction to the call of asFacts() if the FProgram consists of more than "
    "only facts, i.e. it contains at least one rule or query.",
    "");
const Error NoQuery(9, 7, 2, "NoQuery", "A query would have been needed...", "FProgram::...",
                    "Perhaps a given FProgram should contain at least one query.");
}  // namespace err9

namespace err10 {
const Error ArityNotZero(
    10, 2, 1, "ArityNotZero",
    "The type of the FSymbol was string, integer or var, but the arity was not zero.",
    "SymTab::GetFSymbol", "The arity is set to zero.");
const Error SymbolNotFound(
    10, 4, 1, "SymbolNotFound", "The FSymbol is unknown to the SymbolTable.", "SymTab::Get...",
    "Perhaps there was a FParser without a SymTab or with a wrong SymTab constructed. Perhaps You "
    "should use something like FParser.new(anOM.giveSymTab)");
const Error NegativeArity(10, 6, 2, "NegativeArity", "The arity was negative.", "SymTab::Get...",
                          "");
const Error NoSymbolType(10, 7, 1, "NoSymbolType", "Created a FSymbol with no appropriate type.",
                         "SymTab::GetFSymbol(), FSymbol::FSymbol()", "");
const Error WrongSymbolType(10, 8, 2, "WrongSymbolType",
                            "The given SymbolType is not appropriate to the called function.",
                            "SymTab::createNewSymbol()", "The SymbolType is set to function.");
const Error IntegerOutOfRange(10, 9, 2, "IntegerOutOfRange",
                              "The integer constant does not fit into 32 bits.",
                              "SymTab::GetFSymbol", "The nearest 32-bit integer is used.");
}  // namespace err10

namespace err11 {
const Error AssignmentToConstants(11, 1004, 2, "AssignmentToConstants",
                                  "Assignment to a constant like string or int isnot possible.",
                                  "FLSysInterpreter::...", "");
const Error MoreThanOneLiteral(
    11, 1005, 2, "MoreThanOneLiteral",
    "System query with more than one literal in body. \nSplit the query into simple ones.",
    "FLSysInterpreter::...", "");
const Error WrongSystemAssignment(
    11, 1006, 2, "WrongSystemAssignment",
    "System query with wrong assignment. \nHost object doesn't exist or is no FLSysInterpreter.",
    "FLSysInterpreter::queryhandle", "");
const Error WrongPathExpression(11, 1007, 2, "WrongPathExpression",
                                "Only simple scalar paths are allowed in system commands. \nUse "
                                "format ?- sys.object.method@(args).",
                                "FLSysInterpreter::...", "");
const Error VarInSystemCommand(11, 1008, 2, "VarInSystemCommand",
                               "Variables are not allowed in system commands. \nUse identifiers "
                               "starting with lower case characters.",
                               "FLSysInterpreter::queryhandle", "");
const Error MoleculeInPath(11, 1009, 2, "MoleculeInPath",
                           "System query with molecule within a path. \nProperties are allowed "
                           "only at the end of path reference.",
                           "FLSysInterpreter::...", "");
const Error PathIsNoString(
    11, 1010, 2, "PathIsNoString",
    "If method name is given by method call, it has to yield an FLSysString.",
    "FLSysInterpreter::...", "");
const Error NoValue(11, 1011, 2, "NoValue",
                    "Assignment lacks a value. Right hand side yields NULL.",
                    "FLSysInterpreter::queryhandle", "");
const Error NoFunctionTerm(
    11, 1012, 2, "NoFunctionTerm",
    "Left hand side of assignment was no FunctionTerm. \nYou have to specify an identifier here.",
    "FLSysInterpreter::queryhandle", "");
const Error NoArgsAllowed(11, 1013, 2, "NoArgsAllowed",
                          "Left hand side of assignment must not have any arguments.",
                          "FLSysInterpreter::queryhandle", "");
const Error NoHostObject(
    11, 1014, 2, "NoHostObject",
    "Host object of a path reference yielded NULL. \nObject unknown or defect.",
    "FLSysInterpreter::PathMakeCall", "");
const Error NoFuncArgsAllowed(
    11, 1015, 2, "NoFuncArgsAllowed",
    "Function symbols with arguments are not allowed in system commands. \nMaybe a @ is missing.",
    "FLSysInterpreter::NameMakeCall", "");
const Error noFLogicInterpreter(
    11, 1234, 2, "noFLogicInterpreter",
    "ROvaInterpreter needs an instance of class FLogicInterpreter to execute this command",
    "Use method 'switch' to set one.", "");
const Error NullObject(11, 2005, 2, "NullObject",
                       "An undefined user interface object was used. \n ", "FLSysObject::...",
                       "This is a serious internal error.");
const Error OutOfMemory(11, 2009, 2, "OutOfMemory", "Memory allocation failed.",
                        "A 'new' in an FLSysObject (or derived) .", "'New' returned NULL.");
const Error WrongArgument(11, 2010, 2, "WrongArgument",
                          "A method was called with an invalid argument.", "FLSysObject::...", "");
const Error WrongArgument_2(11, 2010, 2, "WrongArgument",
                            "A method was called with an invalid argument. ", "FLSysObject::...",
                            "");
const Error WrongNumberOfArguments(11, 2011, 2, "WrongNumberOfArguments",
                                   "A method was called with a wrong number of arguments.",
                                   "FLSysObject::...", "");
const Error CannotOpenFile(11, 2015, 2, "CannotOpenFile", "No such file or directory.",
                           "FLSysObject::..., FParser::...",
                           "File does not exist or user has no permission.");
const Error NoInterpreterFound(11, 2018, 2, "NoInterpreterFound", "There is no interpreter found.",
                               "FLSysObject::..., Block::...", "E.g. Blocks need Interpreters...");
const Error WrongArgument_3(11, 2020, 2, "WrongArgument",
                            "A method was called with an invalid argument. ", "FLSysObject::...",
                            "");
const Error InternalProblems(11, 2021, 2, "InternalProblems",
                             "A really unexpected error occured...", "FLSysObject::...",
                             "This is very probably a programming error.");
const Error CannotEvaluate(
    11, 2023, 2, "CannotEvaluate", "A FProgram could not be evaluated.",
    "FLogicInterpreter::interpreteFile()",
    "The FProgram was syntactically correct, but the Evaluation had problems...");
const Error StreamCopiedWarning(
    11, 2024, 2, "StreamCopiedWarning", "A deleting FLSysOstream was copied.",
    "FLSysOstream::FLSysOstream(const FLSysOstream&)",
    "A FLSysOstream could delete a stream on which an otherFLSysOstream has got a refernce.");
}  // namespace err11

namespace err12 {
const Error PrettyPrinterCorrupted(
    12, 7, 2, "PrettyPrinterCorrupted", "A PrettyPrinter is corrupted.",
    "PrettyPrinter::mapToString(...)This may be a serious internal error.", "");
const Error NoPrintableRep(
    12, 8, 2, "NoPrintableRep",
    "There is an InternalName (an Object) of whichthere is no printable representation.",
    "PrettyPrinter::mapToString(...)There is really NO printable representation. A debug-string "
    "cannot be found either.",
    "");
const Error NoOMError(
    12, 10, 2, "NoOMError",
    "An operation was tried without an ObjectAccessor while an ObjectAccessor was really needed.",
    "PrettyPrinter::...This probably is an internal error. It should have been caught by some "
    "programmer.",
    "");
const Error OutOfMemory(12, 11, 2, "OutOfMemory", "There was not enough memory...",
                        "PrettyPrinter::..., call of newRetry with more memory or write a memory "
                        "management routine for this system.",
                        "");
const Error OperandProblems(12, 12, 2, "OperandProblems", "An Operand was found errorneous.",
                            "PrettyPrinter(Impl)::makeOutput",
                            "This error message is originated in PrettyPrinter, but probably it's "
                            "caused by some problems within Matcher or Operand.");
const Error NotAsResultSet(12, 13, 2, "NotAsResultSet", "Result cannot be printed as ResultSet",
                           "PrettyPrinter(Impl)::makeOutput",
                           "Only results of single-variable queries printed as result-sets. ");
}  // namespace err12

namespace err13 {
const Error NoOwnFProgram(13, 111, 2, "NoOwnFProgram",
                          "There isn't any own FProgram for Normalizer.", "Normalizer", " ");
const Error NoFLogInterp(13, 112, 2, "NoFLogInterp", "Haven't got any FLogicInterpreter.",
                         "Normalizer", " ");
const Error BadRuleType(13, 113, 2, "BadRuleType", "Unexpected Rule-Type.", "Normalizer", " ");
const Error NegatedRule(13, 114, 2, "NegatedRule", "Unhandled Negation in body of a rule.",
                        "Normalizer", " ");
const Error MultiResult(13, 115, 2, "MultiResult",
                        "Multivalued path-expression at result-position of method.", "Normalizer",
                        " ");
const Error ObscureBody(13, 116, 2, "ObscureBody",
                        "Semantically obscure rule with negation deleted ! ", "Normalizer", " ");
const Error NoAtomFProgram(13, 117, 2, "NoAtomFProgram",
                           "There isn't any atomized FProgram for Normalizer.", "Normalizer", " ");
}  // namespace err13

namespace err14 {
const Error NegatedRule(14, 114, 2, "NegatedRule", "Negation in filter in the head of a rule.",
                        "XPathRewriter", " ");
}  // namespace err14
