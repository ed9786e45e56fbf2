/* The Pevo grammar: F-Logic clauses whose paths may also be written as XPath-like steps with
   axes, filters and results. One call reads one clause into an FRule. Where a text could be
   read two ways the rules say which reading it gets, so the generator resolves no conflict by
   the order of the rules, and a new conflict fails the build. The actions hand their parts to
   the builders, which build only while the clause is free of errors and release the parts
   either way. */
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
%type <path> arith lead_arith paren_arith lead_xpath_operand xpath_operand
%type <path> filter_arith aggregate lead_molecule path reference simple lead_path lead_reference
%type <path> operand_path operand_reference first_path first_reference
%type <path> root_xpath term_xpath lead_xpath arg_xpath self_xpath
%type <path> root_steps term_steps lead_steps arg_steps self_steps
%type <path> xpath_arg filter_arg id_term other_term lead_step_head lead_path_head lead_operand_head
%type <path> named_step_head named_path_head named_operand lead_call arg_term arg_head arg_call
%type <path> step_name applied_name step_simple applied_simple
%type <path> call_simple result_term constant variable list_rest
%type <specification> molecule_part filter_part
%type <isa> isa_part
%type <elements> spec_block spec_list
%type <element> spec
%type <step> path_step first_step dot_step xpath_step
%type <method> funcappl_step method axis_step self_start
%type <result> xpath_result sig_result
%type <terms> sig_types args full_args lead_args term_list first_terms xpath_args xpath_list
%type <terms> filter_args filter_arg_list
%type <vars> var_list
%type <application> application full_application empty_application lead_application
%type <application> xpath_application filter_application
%type <text> name call

/* Token texts belong to the parser, which keeps them until the next clause. */
%destructor { grammar::release($$); } <rule> <head> <literals> <literal> <term> <path>
%destructor { grammar::release($$); } <specification> <isa> <element> <step> <method>
%destructor { grammar::release($$); } <result> <application>
%destructor { grammar::releaseList($$); } <elements> <terms>
%destructor { delete $$; } <vars>

/* Precedences that settle the grammar's choices between a shift and a reduction; the rules
   that name them say which. */
%precedence ONE_PATH ISA_ALONE
%precedence RPAREN LBRACKET
%left ADDOP
%left MULOP

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

/* Atoms. An atom opens with a written term that could begin an F-Logic path, an XPath-like
   path, an operand of a comparison or a predicate; the token after it decides, and the rules
   below say so:
   - a name, an application or "name()" standing alone is a name atom, a predicate and the step
     name "name()" (also qualified, "name():b"); any other term standing alone is a path;
   - a term followed by "." ".." "!!" or ":" starts an F-Logic path, but "name():" a qualified
     step name; followed by anything else, "!" among them, it starts an XPath-like path;
   - a name followed by an argument list is a predicate whose first argument decides the list
     (first_terms or xpath_list). */

atom
    : path_atom                { $$ = $1; }
    | lead_call                { $$ = $1; }
    | lead_call COLON step_simple
                               { $$ = XPATH.step($1, BUILD.step(XPATH.axisStep($3, 0), 0)); }
    | root_xpath               { $$ = $1; }
    | lead_xpath               { $$ = $1; }
    | other_term               { $$ = $1; }
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
    : lead_application         { $$ = BUILD.predicate($1); }
    ;

xpath_predicate_atom
    : xpath_application        { $$ = BUILD.predicate($1); }
    ;

filter_predicate_atom
    : filter_application       { $$ = BUILD.filterPredicate($1); }
    ;

comparison
    : lead_arith COMPARE arith { $$ = BUILD.comparison($1, $2, $3); }
    ;

filter_comparison
    : filter_arith COMPARE filter_arith
                               { $$ = BUILD.comparison($1, $2, $3); }
    ;

/* Arithmetic. Both operators group to the left, MULOP binding more tightly, whatever the
   operands: F-Logic paths, aggregates, XPath-like paths and written terms mix freely, also
   inside parentheses. */

lead_arith
    : lead_arith MULOP arith   { $$ = BUILD.arithmetic($1, $2, $3); }
    | lead_arith ADDOP arith   { $$ = BUILD.arithmetic($1, $2, $3); }
    | lead_path                { $$ = $1; }
    | aggregate                { $$ = $1; }
    | lead_xpath_operand       { $$ = $1; }
    ;

arith
    : arith MULOP arith        { $$ = BUILD.arithmetic($1, $2, $3); }
    | arith ADDOP arith        { $$ = BUILD.arithmetic($1, $2, $3); }
    | operand_path             { $$ = $1; }
    | aggregate                { $$ = $1; }
    | xpath_operand            { $$ = $1; }
    ;

lead_xpath_operand
    : root_xpath               { $$ = $1; }
    | lead_xpath               { $$ = $1; }
    | lead_operand_head        { $$ = $1; }
    | LPAREN paren_arith RPAREN
                               { $$ = grammar::parenthesized($2); }
    ;

xpath_operand
    : root_xpath               { $$ = $1; }
    | term_xpath               { $$ = $1; }
    | LPAREN paren_arith RPAREN
                               { $$ = grammar::parenthesized($2); }
    ;

/* Any arithmetic inside parentheses; an F-Logic path standing alone there is a parenthesised
   path (operand_reference), so a lone operand here is of the other kinds. */
paren_arith
    : arith MULOP arith        { $$ = BUILD.arithmetic($1, $2, $3); }
    | arith ADDOP arith        { $$ = BUILD.arithmetic($1, $2, $3); }
    | xpath_operand            { $$ = $1; }
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

/* F-Logic paths and molecules. Where an XPath-like path could begin as well (at the start of
   a literal, as an operand, as the first argument of a predicate) a written term starts an
   F-Logic path only together with its first step; elsewhere a term is a path by itself. */

path_atom
    : lead_molecule            { $$ = $1; }
    | lead_path_head first_step
                               { $$ = BUILD.stepAtom($1, $2); }
    | lead_call dot_step       { $$ = BUILD.stepAtom($1, $2); }
    | lead_path path_step      { $$ = BUILD.stepAtom($1, $2); }
    ;

lead_molecule
    : lead_reference molecule_part
                               { $$ = BUILD.molecule($1, $2); }
    ;

lead_path
    : lead_reference           { $$ = $1; }
    ;

lead_reference
    : lead_path_head first_step
                               { $$ = BUILD.reference($1, $2); }
    | lead_call dot_step       { $$ = BUILD.reference($1, $2); }
    | LPAREN operand_path RPAREN
                               { $$ = grammar::parenthesized($2); }
    | lead_path path_step      { $$ = BUILD.reference($1, $2); }
    ;

operand_path
    : operand_reference        { $$ = $1; }
    ;

operand_reference
    : id_term first_step       { $$ = BUILD.reference($1, $2); }
    | LPAREN operand_path RPAREN
                               { $$ = grammar::parenthesized($2); }
    | operand_path path_step   { $$ = BUILD.reference($1, $2); }
    ;

first_path
    : first_reference          { $$ = $1; }
    ;

first_reference
    : arg_head first_step      { $$ = BUILD.reference($1, $2); }
    | arg_call dot_step        { $$ = BUILD.reference($1, $2); }
    | LPAREN path RPAREN       { $$ = grammar::parenthesized($2); }
    | first_path path_step     { $$ = BUILD.reference($1, $2); }
    ;

path
    : reference                { $$ = $1; }
    ;

reference
    : simple                   { $$ = $1; }
    | path path_step           { $$ = BUILD.reference($1, $2); }
    ;

/* XPath-like paths: from the root, from a written term, and relative to the filtered object.
   A written term at the start of a literal (lead_) or of an XPath-like argument (arg_) makes a
   path by itself only where the rules above do not read it otherwise. */

xpath_arg
    : root_xpath               { $$ = $1; }
    | arg_xpath                { $$ = $1; }
    | arg_term                 { $$ = $1; }
    | arg_call COLON step_simple
                               { $$ = XPATH.step($1, BUILD.step(XPATH.axisStep($3, 0), 0)); }
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

lead_xpath
    : lead_steps               { $$ = $1; }
    | lead_steps funcappl_step { $$ = XPATH.step($1, BUILD.step($2, 1)); }
    | lead_steps funcappl_step xpath_result
                               { $$ = XPATH.result(XPATH.step($1, BUILD.step($2, 1)), $3); }
    | lead_step_head funcappl_step
                               { $$ = XPATH.step($1, BUILD.step($2, 1)); }
    | lead_step_head funcappl_step xpath_result
                               { $$ = XPATH.result(XPATH.step($1, BUILD.step($2, 1)), $3); }
    ;

arg_xpath
    : arg_steps                { $$ = $1; }
    | arg_steps funcappl_step  { $$ = XPATH.step($1, BUILD.step($2, 1)); }
    | arg_steps funcappl_step xpath_result
                               { $$ = XPATH.result(XPATH.step($1, BUILD.step($2, 1)), $3); }
    | arg_term funcappl_step   { $$ = XPATH.step($1, BUILD.step($2, 1)); }
    | arg_term funcappl_step xpath_result
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

lead_steps
    : lead_step_head xpath_step
                               { $$ = XPATH.step($1, $2); }
    | lead_step_head filter_part
                               { $$ = XPATH.filter($1, $2); }
    | lead_step_head xpath_result
                               { $$ = XPATH.result($1, $2); }
    | lead_steps xpath_step    { $$ = XPATH.step($1, $2); }
    | lead_steps filter_part   { $$ = XPATH.filter($1, $2); }
    | lead_steps xpath_result  { $$ = XPATH.result($1, $2); }
    ;

arg_steps
    : arg_term xpath_step      { $$ = XPATH.step($1, $2); }
    | arg_term filter_part     { $$ = XPATH.filter($1, $2); }
    | arg_term xpath_result    { $$ = XPATH.result($1, $2); }
    | arg_steps xpath_step     { $$ = XPATH.step($1, $2); }
    | arg_steps filter_part    { $$ = XPATH.filter($1, $2); }
    | arg_steps xpath_result   { $$ = XPATH.result($1, $2); }
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

/* An is-a test followed by a filter block is one filter part (ISA_ALONE). */
filter_part
    : isa_part filter_block    { $$ = XPATH.filterPart($1, $2); }
    | isa_part %prec ISA_ALONE { $$ = XPATH.filterPart($1, nullptr); }
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

/* Steps. After a written term where an XPath-like path could begin, "!" starts a function
   application step, so an F-Logic path opens with one of the other steps (first_step), and
   after "name()" not with ":", which makes a qualified step name there (dot_step). */

path_step
    : first_step               { $$ = $1; }
    | EXCL method              { $$ = BUILD.step($2, 3); }
    ;

first_step
    : dot_step                 { $$ = $1; }
    | COLON method             { $$ = BUILD.step($2, 0); }
    ;

dot_step
    : DOT method               { $$ = BUILD.step($2, 0); }
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

/* A name followed by "(" is "name()", so the applied step name is never a bare name: "!f()()"
   applies "f()". */
funcappl_step
    : EXCL applied_name LPAREN RPAREN
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
    | other_term               { $$ = $1; }
    ;

/* The written terms other than names and applications. */
other_term
    : variable                 { $$ = $1; }
    | STRING                   { $$ = XPATH.stringConstant($1); }
    | INTEGER                  { $$ = BUILD.constant($1, InternalName::Integer); }
    | FLOAT                    { $$ = BUILD.constant($1, InternalName::Float); }
    | LBRACKET list_rest       { $$ = $2; }
    ;

/* A written term at the start of a literal, named by what follows it: an XPath-like step, a
   filter, a result or a function application (lead_step_head), an F-Logic step
   (lead_path_head), an operator or a comparison (lead_operand_head). A name or an application
   standing alone is a name atom or a predicate, so these are read only when something follows.
   A syntax error right after the term finds the atom read, as its rule stands before these
   (the generator reduces by the earlier of two rules that expect equally many tokens). */
lead_step_head
    : named_step_head          { $$ = $1; }
    | lead_call                { $$ = $1; }
    | other_term               { $$ = $1; }
    ;

lead_path_head
    : named_path_head          { $$ = $1; }
    | other_term               { $$ = $1; }
    ;

lead_operand_head
    : named_operand            { $$ = $1; }
    | lead_call                { $$ = $1; }
    | other_term               { $$ = $1; }
    ;

named_step_head
    : name                     { $$ = BUILD.constant($1, InternalName::Function); }
    | lead_application         { $$ = BUILD.functionTerm($1); }
    ;

named_path_head
    : name                     { $$ = BUILD.constant($1, InternalName::Function); }
    | lead_application         { $$ = BUILD.functionTerm($1); }
    ;

named_operand
    : name                     { $$ = BUILD.constant($1, InternalName::Function); }
    | lead_application         { $$ = BUILD.functionTerm($1); }
    ;

/* "name()" at the start of a literal: the term "name()", also standing alone or qualified by
   ":" and a step name. */
lead_call
    : empty_application        { $$ = BUILD.functionTerm($1); }
    ;

/* A written term at the start of an argument of a predicate. */
arg_term
    : arg_head                 { $$ = $1; }
    | arg_call                 { $$ = $1; }
    ;

arg_head
    : name                     { $$ = BUILD.constant($1, InternalName::Function); }
    | full_application         { $$ = BUILD.functionTerm($1); }
    | other_term               { $$ = $1; }
    ;

arg_call
    : empty_application        { $$ = BUILD.functionTerm($1); }
    ;

step_name
    : step_simple COLON step_simple
                               { $$ = XPATH.step($1, BUILD.step(XPATH.axisStep($3, 0), 0)); }
    | step_simple              { $$ = $1; }
    ;

applied_name
    : step_simple COLON applied_simple
                               { $$ = XPATH.step($1, BUILD.step(XPATH.axisStep($3, 0), 0)); }
    | applied_simple           { $$ = $1; }
    ;

step_simple
    : call_simple              { $$ = $1; }
    | name                     { $$ = BUILD.constant($1, InternalName::Function); }
    | variable                 { $$ = $1; }
    ;

applied_simple
    : call_simple              { $$ = $1; }
    | variable                 { $$ = $1; }
    ;

call_simple
    : call                     { $$ = XPATH.callName($1); }
    ;

call
    : name LPAREN RPAREN       { $$ = $1; }
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
    | full_args                { $$ = $1; }
    ;

full_args
    : LPAREN term_list RPAREN  { $$ = $2; }
    ;

lead_args
    : LPAREN first_terms RPAREN
                               { $$ = $2; }
    ;

xpath_args
    : LPAREN xpath_list RPAREN { $$ = $2; }
    ;

filter_args
    : LPAREN filter_arg_list RPAREN
                               { $$ = $2; }
    ;

/* "(a)" after "=>" is the parenthesised path a, not a list of one path (ONE_PATH). */
term_list
    : path %prec ONE_PATH      { $$ = BUILD.terms($1); }
    | term_list COMMA path     { $$ = BUILD.append($1, $3); yyerrok; }
    | error                    { $$ = FAIL("incomplete flogic path expression"); }
    | term_list error          { grammar::releaseList($1); $$ = FAIL("incomplete flogic path expression"); }
    | term_list error atom     { grammar::releaseList($1); grammar::release($3);
                                 $$ = FAIL("comma between paths missing"); yyerrok; }
    | term_list COMMA error    { grammar::releaseList($1); $$ = FAIL("flogic path after comma expected"); }
    ;

/* The arguments of a predicate whose first argument is an F-Logic path. */
first_terms
    : first_path               { $$ = BUILD.terms($1); }
    | first_terms COMMA path   { $$ = BUILD.append($1, $3); yyerrok; }
    | error                    { $$ = FAIL("incomplete flogic path expression"); }
    | first_terms error        { grammar::releaseList($1); $$ = FAIL("incomplete flogic path expression"); }
    | first_terms error atom   { grammar::releaseList($1); grammar::release($3);
                                 $$ = FAIL("comma between paths missing"); yyerrok; }
    | first_terms COMMA error  { grammar::releaseList($1); $$ = FAIL("flogic path after comma expected"); }
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
    : full_application         { $$ = $1; }
    | empty_application        { $$ = $1; }
    ;

full_application
    : name full_args           { $$ = XPATH.application($1, $2); }
    ;

empty_application
    : call                     { $$ = XPATH.application($1, nullptr); }
    ;

lead_application
    : name lead_args           { $$ = XPATH.application($1, $2); }
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
