/* The Pevo grammar: F-Logic clauses whose paths may also be written as XPath-like steps with
   axes, filters and results. One call reads one clause into an FRule. The rules stand in the
   order the conflicts are resolved by (an earlier rule wins between two reductions), and the
   actions hand their parts to the builders, which build only while the clause is free of
   errors and release the parts either way. */
%require "3.5"
%define api.pure full
%define api.prefix {Pevo}
%parse-param {InternalPevoParser& parser} {FRule** result}
%lex-param {InternalPevoParser& parser}

%code requires {
#include "language/GrammarSupport.h"
class InternalPevoParser;
}

%code top {
/* Before the prefix's renaming macros, which would rename the parser's yylex and yyerror. */
#include "language/InternalPevoParser.h"
}

%code {
#include "language/AggExpr.h"
#include "language/FLiteral.h"
#include "language/FLiteralList.h"
#include "language/FRule.h"
#include "language/FTermList.h"
#include "language/MethResult.h"
#include "language/PTerm.h"
#include "language/ParseTimeObjects.h"
#include "language/PevoGrammarSupport.h"

/* The driver calls these two under their plain names. */
#undef yylex
#undef yyerror
static int yylex(PEVOSTYPE* value, InternalPevoParser& parser) {
    return parser.yylex(value);
}
static void yyerror(InternalPevoParser& parser, FRule**, const char* message) {
    parser.yyerror(message);
}
#define BUILD parser.support()
#define XPATH parser.pevoSupport()
#define FAIL(message) (parser.clearOk(), parser.reportError(message), nullptr)
}

%union {
    int code;
    char* text;
    FRule* rule;
    FTermList* head;
    FLiteralList* literals;
    FLiteral* literal;
    FTerm* term;
    Path* path;
    Specification* specification;
    IsaSpec* isa;
    ElementList* elements;
    MethListElement* element;
    MethRef* step;
    MethAppl* method;
    MethResult* result;
    TermList* terms;
    VarList* vars;
    FctOrPred* application;
}

%token CLAUSE_END 258 IMPLIES 259 QUERY 260 COMMA 261 SEMICOLON 262 AND 263 NOT 264
%token <code> ISA 265
%token COLON 266 DCOLON 267 AT 268 DSLASH 269
%token LPAREN 270 RPAREN 271 LBRACKET 272 RBRACKET 273 LBRACE 274 RBRACE 275 BAR 276
%token DOT 277 DDOT 278 EXCL 279 DEXCL 280 SLASH 281
%token <code> ARROW 283 SIGARROW 284 AXIS 285
%token <text> COMPARE 286 NAME 287 VARIABLE 288 STRING 289 INTEGER 290 FLOAT 291
%token ILLEGAL 292
%token <text> ADDOP 293 MULOP 294

%type <rule> rule
%type <head> head head_terms
%type <literals> body literals filter_list filter_block
%type <literal> literal filter_literal filter_term
%type <term> atom filter_atom name_atom predicate_atom xpath_predicate_atom
%type <term> filter_predicate_atom comparison filter_comparison path_atom
%type <path> arith arith_operand operand_xpath_arith xpath_arith operand_path operand_reference filter_arith aggregate molecule path reference
%type <path> simple root_xpath term_xpath self_xpath root_steps term_steps self_steps
%type <path> xpath_arg filter_arg id_term step_name call_name step_simple call_simple result_term
%type <path> constant variable
%type <path> list_rest
%type <specification> molecule_part filter_part
%type <isa> isa_part
%type <elements> spec_block spec_list
%type <element> spec
%type <step> path_step first_step xpath_step
%type <method> funcappl_step method axis_step self_start
%type <result> xpath_result sig_result
%type <terms> sig_types args term_list xpath_args xpath_list filter_args filter_arg_list
%type <vars> var_list
%type <application> application xpath_application filter_application
%type <text> name

/* Token texts belong to the parser, which keeps them until the next clause. */
%destructor { grammar::release($$); } <rule> <head> <literals> <literal> <term> <path>
%destructor { grammar::release($$); } <specification> <isa> <element> <step> <method>
%destructor { grammar::release($$); } <result> <application>
%destructor { grammar::releaseList($$); } <elements> <terms>
%destructor { delete $$; } <vars>

%left ADDOP
%left MULOP

/* The remaining conflicts fall as the generator resolves them by default, a shift before a
   reduction and the earlier rule between two reductions. Their counts are pinned by the build,
   so that a changed grammar fails it:
   conflicts: 6 shift/reduce, 23 reduce/reduce */

%%

/* Clauses, heads and bodies. */

clause
    : rule CLAUSE_END          { if (!BUILD.finishClause($1, result)) YYABORT; YYACCEPT; }
    | %empty                   { if (!BUILD.finishClause(nullptr, result)) YYABORT; YYACCEPT; }
    ;

rule
    : head                     { $$ = BUILD.rule($1, nullptr); }
    | head IMPLIES body        { $$ = BUILD.rule($1, $3); }
    | QUERY body               { $$ = BUILD.rule(nullptr, $2); }
    ;

head
    : head_terms               { $$ = $1; }
    ;

head_terms
    : atom                     { $$ = BUILD.head($1); }
    | head_terms COMMA atom    { $$ = BUILD.append($1, $3); yyerrok; }
    | error                    { $$ = FAIL("invalid rule head"); }
    | head_terms error         { grammar::release($1); $$ = FAIL("invalid expression after rule head"); }
    | head_terms error atom    { grammar::release($1); grammar::release($3);
                                 $$ = FAIL("comma between terms missing"); yyerrok; }
    | head_terms COMMA error   { grammar::release($1); $$ = FAIL("term after comma expected"); }
    ;

body
    : literals                 { $$ = $1; }
    ;

literals
    : literal                  { $$ = BUILD.literals($1); }
    | literals COMMA literal   { $$ = BUILD.append($1, $3); yyerrok; }
    | error                    { $$ = FAIL("invalid rule body"); }
    | literals error           { grammar::release($1); $$ = FAIL("invalid expression after rule head"); }
    | literals error literal   { grammar::release($1); grammar::release($3);
                                 $$ = FAIL("comma between literals missing"); yyerrok; }
    | literals COMMA error     { grammar::release($1); $$ = FAIL("literal after comma expected"); }
    ;

literal
    : atom                     { $$ = BUILD.literal($1, 0); }
    | NOT atom                 { $$ = BUILD.literal($2, 1); }
    ;

filter_literal
    : filter_atom              { $$ = BUILD.literal($1, 0); }
    | NOT filter_atom          { $$ = BUILD.literal($2, 1); }
    ;

/* Atoms, predicates and comparisons. */

atom
    : path_atom                { $$ = $1; }
    | call_name                { $$ = $1; }
    | root_xpath               { $$ = $1; }
    | term_xpath               { $$ = $1; }
    | name_atom                { $$ = $1; }
    | predicate_atom           { $$ = $1; }
    | xpath_predicate_atom     { $$ = $1; }
    | comparison               { $$ = $1; }
    ;

filter_atom
    : root_xpath               { $$ = $1; }
    | self_xpath               { $$ = $1; }
    | filter_predicate_atom    { $$ = $1; }
    | filter_comparison        { $$ = $1; }
    ;

name_atom
    : name                     { $$ = XPATH.nameAtom($1); }
    ;

predicate_atom
    : application              { $$ = BUILD.predicate($1); }
    ;

xpath_predicate_atom
    : xpath_application        { $$ = BUILD.predicate($1); }
    ;

filter_predicate_atom
    : filter_application       { $$ = BUILD.filterPredicate($1); }
    ;

comparison
    : arith COMPARE arith      { $$ = BUILD.comparison($1, $2, $3); }
    ;

filter_comparison
    : filter_arith COMPARE filter_arith
                               { $$ = BUILD.comparison($1, $2, $3); }
    ;

/* Arithmetic. */

arith
    : arith MULOP arith        { $$ = BUILD.arithmetic($1, $2, $3); }
    | arith ADDOP arith        { $$ = BUILD.arithmetic($1, $2, $3); }
    | arith_operand            { $$ = $1; }
    | operand_xpath_arith      { $$ = $1; }
    ;

arith_operand
    : operand_path             { $$ = $1; }
    | LPAREN arith_operand RPAREN
                               { $$ = grammar::parenthesized($2); }
    | aggregate                { $$ = $1; }
    ;

/* An XPath-like operand where an F-Logic operand could stand as well: an aggregate there is an
   F-Logic operand (arith_operand). */
operand_xpath_arith
    : operand_xpath_arith MULOP xpath_arith
                               { $$ = BUILD.arithmetic($1, $2, $3); }
    | operand_xpath_arith ADDOP xpath_arith
                               { $$ = BUILD.arithmetic($1, $2, $3); }
    | root_xpath               { $$ = $1; }
    | term_xpath               { $$ = $1; }
    | LPAREN operand_xpath_arith RPAREN
                               { $$ = grammar::parenthesized($2); }
    ;

xpath_arith
    : xpath_arith MULOP xpath_arith
                               { $$ = BUILD.arithmetic($1, $2, $3); }
    | xpath_arith ADDOP xpath_arith
                               { $$ = BUILD.arithmetic($1, $2, $3); }
    | root_xpath               { $$ = $1; }
    | term_xpath               { $$ = $1; }
    | LPAREN xpath_arith RPAREN
                               { $$ = grammar::parenthesized($2); }
    | aggregate                { $$ = $1; }
    ;

filter_arith
    : filter_arith MULOP filter_arith
                               { $$ = BUILD.arithmetic($1, $2, $3); }
    | filter_arith ADDOP filter_arith
                               { $$ = BUILD.arithmetic($1, $2, $3); }
    | root_xpath               { $$ = $1; }
    | self_xpath               { $$ = $1; }
    | constant                 { $$ = $1; }
    | LPAREN filter_arith RPAREN
                               { $$ = grammar::parenthesized($2); }
    | aggregate                { $$ = $1; }
    ;

/* F-Logic paths and molecules. */

path_atom
    : molecule                 { $$ = $1; }
    | id_term first_step       { $$ = BUILD.stepAtom($1, $2); }
    | operand_path path_step   { $$ = BUILD.stepAtom($1, $2); }
    ;

molecule
    : operand_reference molecule_part
                               { $$ = BUILD.molecule($1, $2); }
    ;

/* An F-Logic path where an XPath-like one could begin as well (at the start of a literal, as an
   operand): a written term begins it only together with its first step, which is not "!" (that
   begins a function application step there). */
operand_path
    : operand_reference        { $$ = $1; }
    ;

operand_reference
    : id_term first_step       { $$ = BUILD.reference($1, $2); }
    | LPAREN operand_path RPAREN
                               { $$ = grammar::parenthesized($2); }
    | operand_path path_step   { $$ = BUILD.reference($1, $2); }
    ;

path
    : reference                { $$ = $1; }
    ;

reference
    : simple                   { $$ = $1; }
    | path path_step           { $$ = BUILD.reference($1, $2); }
    ;

/* XPath-like paths: from the root, from a written term, and relative to the filtered object. */

xpath_arg
    : root_xpath               { $$ = $1; }
    | term_xpath               { $$ = $1; }
    | call_name                { $$ = $1; }
    ;

filter_arg
    : root_xpath               { $$ = $1; }
    | self_xpath               { $$ = $1; }
    | constant                 { $$ = $1; }
    ;

root_xpath
    : root_steps               { $$ = $1; }
    | root_steps funcappl_step { $$ = XPATH.step($1, BUILD.step($2, 1)); }
    | root_steps funcappl_step xpath_result
                               { $$ = XPATH.result(XPATH.step($1, BUILD.step($2, 1)), $3); }
    ;

term_xpath
    : term_steps               { $$ = $1; }
    | term_steps funcappl_step { $$ = XPATH.step($1, BUILD.step($2, 1)); }
    | term_steps funcappl_step xpath_result
                               { $$ = XPATH.result(XPATH.step($1, BUILD.step($2, 1)), $3); }
    ;

self_xpath
    : self_steps               { $$ = $1; }
    | funcappl_step xpath_result
                               { $$ = XPATH.result(XPATH.start(1, $1), $2); }
    | self_steps funcappl_step { $$ = XPATH.step($1, BUILD.step($2, 1)); }
    | self_steps funcappl_step xpath_result
                               { $$ = XPATH.result(XPATH.step($1, BUILD.step($2, 1)), $3); }
    ;

root_steps
    : DSLASH step_name         { $$ = XPATH.start(0, XPATH.axisStep($2, 2)); }
    | root_steps xpath_step    { $$ = XPATH.step($1, $2); }
    | root_steps filter_part   { $$ = XPATH.filter($1, $2); }
    | root_steps xpath_result  { $$ = XPATH.result($1, $2); }
    ;

term_steps
    : id_term                  { $$ = $1; }
    | term_steps xpath_step    { $$ = XPATH.step($1, $2); }
    | term_steps filter_part   { $$ = XPATH.filter($1, $2); }
    | term_steps xpath_result  { $$ = XPATH.result($1, $2); }
    ;

self_steps
    : self_start               { $$ = XPATH.start(1, $1); }
    | self_steps xpath_step    { $$ = XPATH.step($1, $2); }
    | self_steps filter_part   { $$ = XPATH.filter($1, $2); }
    | self_steps xpath_result  { $$ = XPATH.result($1, $2); }
    ;

/* Aggregates. */

aggregate
    : NAME LBRACE VARIABLE LBRACKET var_list RBRACKET SEMICOLON literals RBRACE
                               { $$ = BUILD.aggregate($1, $3, $5, $8); }
    | NAME LBRACE VARIABLE SEMICOLON literals RBRACE
                               { $$ = BUILD.aggregate($1, $3, nullptr, $5); }
    ;

/* Hosts, molecule parts and filters. */

simple
    : id_term                  { $$ = $1; }
    | LPAREN path RPAREN       { $$ = grammar::parenthesized($2); }
    ;

molecule_part
    : isa_part spec_block      { $$ = BUILD.specification($1, $2); }
    | isa_part                 { $$ = BUILD.specification($1, nullptr); }
    | spec_block               { $$ = BUILD.specification(nullptr, $1); }
    ;

filter_part
    : isa_part filter_block    { $$ = XPATH.filterPart($1, $2); }
    | isa_part                 { $$ = XPATH.filterPart($1, nullptr); }
    | filter_block             { $$ = XPATH.filterPart(nullptr, $1); }
    ;

isa_part
    : ISA simple               { $$ = BUILD.isa($1, $2); }
    ;

spec_block
    : LBRACKET RBRACKET        { $$ = nullptr; }
    | LBRACKET spec_list RBRACKET
                               { $$ = $2; }
    ;

filter_block
    : LBRACKET RBRACKET        { $$ = nullptr; }
    | LBRACKET filter_list RBRACKET
                               { $$ = $2; }
    ;

/* Steps. */

path_step
    : first_step               { $$ = $1; }
    | EXCL method              { $$ = BUILD.step($2, 3); }
    ;

first_step
    : DOT method               { $$ = BUILD.step($2, 0); }
    | COLON method             { $$ = BUILD.step($2, 0); }
    | DDOT method              { $$ = BUILD.step($2, 1); }
    | DEXCL method             { $$ = BUILD.step($2, 3); }
    ;

method
    : simple                   { $$ = BUILD.method($1, nullptr); }
    | simple AT args           { $$ = BUILD.method($1, $3); }
    ;

axis_step
    : step_name                { $$ = XPATH.axisStep($1, 1); }
    | AXIS DCOLON step_name    { $$ = XPATH.axisStep($3, $1); }
    | AT step_name             { $$ = XPATH.axisStep($2, 6); }
    ;

xpath_step
    : SLASH axis_step          { $$ = BUILD.step($2, 1); }
    | DSLASH step_name         { $$ = BUILD.step(XPATH.axisStep($2, 2), 1); }
    ;

self_start
    : axis_step                { $$ = $1; }
    | DOT SLASH axis_step      { $$ = $3; }
    | DOT DSLASH step_name     { $$ = XPATH.axisStep($3, 2); }
    ;

funcappl_step
    : EXCL step_name LPAREN RPAREN
                               { $$ = XPATH.axisStep($2, 8); }
    ;

/* Specifications and filter lists. */

spec
    : method sig_result        { $$ = XPATH.spec($1, $2); }
    ;

filter_term
    : filter_literal           { $$ = $1; }
    ;

spec_list
    : spec                     { $$ = XPATH.specs(nullptr, $1); }
    | spec_list SEMICOLON spec { $$ = XPATH.specs($1, $3); yyerrok; }
    | error                    { $$ = FAIL("invalid specification"); }
    | spec_list error          { grammar::releaseList($1); $$ = FAIL("invalid expression after specification"); }
    | spec_list error spec     { grammar::releaseList($1); grammar::release($3);
                                 $$ = FAIL("semicolon between specifications missing"); yyerrok; }
    | spec_list SEMICOLON error
                               { grammar::releaseList($1); $$ = FAIL("specification after semicolon expected"); }
    ;

filter_list
    : filter_term              { $$ = BUILD.literals($1); }
    | filter_list AND filter_term
                               { $$ = BUILD.append($1, $3); yyerrok; }
    | error                    { $$ = FAIL("invalid specification"); }
    | filter_list error        { grammar::release($1); $$ = FAIL("invalid expression after filter term"); }
    | filter_list error filter_term
                               { grammar::release($1); grammar::release($3);
                                 $$ = FAIL("'and' between filter terms missing"); yyerrok; }
    | filter_list AND error    { grammar::release($1); $$ = FAIL("filter term after 'and' expected"); }
    ;

/* Results. */

sig_result
    : SIGARROW sig_types       { $$ = BUILD.setResult($1, $2); }
    ;

xpath_result
    : ARROW result_term        { $$ = BUILD.scalarResult($1, $2); }
    ;

sig_types
    : path                     { $$ = BUILD.terms($1); }
    | args                     { $$ = $1; }
    ;

/* Terms. */

id_term
    : name                     { $$ = BUILD.constant($1, InternalName::Function); }
    | application              { $$ = BUILD.functionTerm($1); }
    | variable                 { $$ = $1; }
    | STRING                   { $$ = XPATH.stringConstant($1); }
    | INTEGER                  { $$ = BUILD.constant($1, InternalName::Integer); }
    | FLOAT                    { $$ = BUILD.constant($1, InternalName::Float); }
    | LBRACKET list_rest       { $$ = $2; }
    ;

step_name
    : step_simple COLON step_simple
                               { $$ = XPATH.step($1, BUILD.step(XPATH.axisStep($3, 0), 0)); }
    | step_simple              { $$ = $1; }
    ;

/* "name()" standing where a step name or a term could stand: the step name when nothing but
   ":" and a step name follows. */
call_name
    : call_simple COLON step_simple
                               { $$ = XPATH.step($1, BUILD.step(XPATH.axisStep($3, 0), 0)); }
    | call_simple              { $$ = $1; }
    ;

step_simple
    : call_simple              { $$ = $1; }
    | name                     { $$ = BUILD.constant($1, InternalName::Function); }
    | variable                 { $$ = $1; }
    ;

call_simple
    : name LPAREN RPAREN       { $$ = XPATH.callName($1); }
    ;

result_term
    : LPAREN step_name RPAREN  { $$ = $2; }
    | name                     { $$ = BUILD.constant($1, InternalName::Function); }
    | variable                 { $$ = $1; }
    | STRING                   { $$ = XPATH.stringConstant($1); }
    | INTEGER                  { $$ = BUILD.constant($1, InternalName::Integer); }
    | FLOAT                    { $$ = BUILD.constant($1, InternalName::Float); }
    ;

constant
    : STRING                   { $$ = XPATH.stringConstant($1); }
    | INTEGER                  { $$ = BUILD.constant($1, InternalName::Integer); }
    | FLOAT                    { $$ = BUILD.constant($1, InternalName::Float); }
    ;

variable
    : VARIABLE                 { $$ = BUILD.variable($1); }
    ;

/* Argument lists: F-Logic paths, XPath-like paths, and the arguments inside a filter. */

args
    : LPAREN RPAREN            { $$ = nullptr; }
    | LPAREN term_list RPAREN  { $$ = $2; }
    ;

xpath_args
    : LPAREN xpath_list RPAREN { $$ = $2; }
    ;

filter_args
    : LPAREN filter_arg_list RPAREN
                               { $$ = $2; }
    ;

term_list
    : path                     { $$ = BUILD.terms($1); }
    | term_list COMMA path     { $$ = BUILD.append($1, $3); yyerrok; }
    | error                    { $$ = FAIL("incomplete flogic path expression"); }
    | term_list error          { grammar::releaseList($1); $$ = FAIL("incomplete flogic path expression"); }
    | term_list error atom     { grammar::releaseList($1); grammar::release($3);
                                 $$ = FAIL("comma between paths missing"); yyerrok; }
    | term_list COMMA error    { grammar::releaseList($1); $$ = FAIL("flogic path after comma expected"); }
    ;

xpath_list
    : xpath_arg                { $$ = BUILD.terms($1); }
    | xpath_list COMMA xpath_arg
                               { $$ = BUILD.append($1, $3); yyerrok; }
    | xpath_list error         { grammar::releaseList($1); $$ = FAIL("incomplete xpath expression (2)"); }
    | xpath_list error atom    { grammar::releaseList($1); grammar::release($3);
                                 $$ = FAIL("comma between xpaths missing"); yyerrok; }
    | xpath_list COMMA error   { grammar::releaseList($1); $$ = FAIL("xpath after comma expected"); }
    ;

filter_arg_list
    : filter_arg               { $$ = BUILD.terms($1); }
    | filter_arg_list COMMA filter_arg
                               { $$ = BUILD.append($1, $3); yyerrok; }
    | error                    { $$ = FAIL("incomplete xpath expression in filter"); }
    | filter_arg_list error    { grammar::releaseList($1); $$ = FAIL("incomplete xpath expression in filter"); }
    | filter_arg_list error atom
                               { grammar::releaseList($1); grammar::release($3);
                                 $$ = FAIL("comma between xpaths missing"); yyerrok; }
    | filter_arg_list COMMA error
                               { grammar::releaseList($1); $$ = FAIL("xpath after comma expected"); }
    ;

var_list
    : VARIABLE                 { $$ = BUILD.variables(nullptr, $1); }
    | var_list COMMA VARIABLE  { $$ = BUILD.variables($1, $3); }
    ;

application
    : name args                { $$ = XPATH.application($1, $2); }
    ;

xpath_application
    : name xpath_args          { $$ = BUILD.application($1, $2); }
    ;

filter_application
    : name filter_args         { $$ = BUILD.application($1, $2); }
    ;

name
    : NAME                     { $$ = $1; }
    | AXIS                     { $$ = XPATH.axisName($1); }
    ;

list_rest
    : RBRACKET                 { $$ = BUILD.emptyList(); }
    | id_term COMMA list_rest  { $$ = BUILD.listCell($1, $3); }
    | id_term RBRACKET         { $$ = BUILD.listCell($1, BUILD.emptyList()); }
    | id_term BAR id_term RBRACKET
                               { $$ = BUILD.listCell($1, $3); }
    ;

%%
