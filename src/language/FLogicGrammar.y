/* The F-Logic grammar: one call reads one clause (a fact, a rule or a query) into an FRule. The
   actions hand their parts to the GrammarSupport builders, which build a node only while the
   clause is free of errors and release the parts either way. */
%require "3.5"
%define api.pure full
%define api.prefix {FLogic}
%parse-param {InternalFLogicParser& parser} {FRule** result}
%lex-param {InternalFLogicParser& parser}

%code requires {
#include "language/GrammarSupport.h"
class InternalFLogicParser;
}

%code top {
/* Before the prefix's renaming macros, which would rename the parser's yylex and yyerror. */
#include "language/InternalFLogicParser.h"
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

/* The driver calls these two under their plain names. */
#undef yylex
#undef yyerror
static int yylex(FLOGICSTYPE* value, InternalFLogicParser& parser) {
    return parser.yylex(value);
}
static void yyerror(InternalFLogicParser& parser, FRule**, const char* message) {
    parser.yyerror(message);
}
#define BUILD parser.support()
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
    MethRef* step;
    MethAppl* method;
    MethResult* result;
    TermList* terms;
    VarList* vars;
    NameApplication application;
}

%token CLAUSE_END 258 IMPLIES 259 QUERY 260 COMMA 261 SEMICOLON 262 NOT 263
%token <code> ISA 264
%token AT 265 LPAREN 266 RPAREN 267 LBRACKET 268 RBRACKET 269 LBRACE 270 RBRACE 271 BAR 272
%token <code> DOT 273 SARROW 274 MARROW 275 SIGARROW 276
%token <text> COMPARE 277 NAME 278 VARIABLE 279 STRING 280 INTEGER 281 FLOAT 282
%token ILLEGAL 283
%token <text> ADDOP 284 MULOP 285

%type <rule> rule
%type <head> head head_terms
%type <literals> body literals
%type <literal> literal
%type <term> atom builtin_atom
%type <path> arith path reference simple id_term list_rest aggregate molecule
%type <specification> molecule_part
%type <isa> isa_part
%type <elements> spec_block spec_list
%type <step> path_step
%type <method> method
%type <result> method_result
%type <terms> set_result sig_result args term_list
%type <vars> var_list
%type <application> predicate function application

/* Token texts belong to the parser, which keeps them until the next clause. */
%destructor { grammar::release($$); } <rule> <head> <literals> <literal> <term> <path>
%destructor { grammar::release($$); } <specification> <isa> <step> <method> <result>
%destructor { grammar::release($$); } <application>
%destructor { grammar::releaseList($$); } <elements> <terms>
%destructor { delete $$; } <vars>

/* After "=>", "(" path ")" is a list of one result, not a parenthesised path: a signature then
   prints as it was read, where the parentheses would otherwise pile up with each reading. */
%precedence RPAREN
%precedence ONE_RESULT
%left ADDOP
%left MULOP

/* The remaining conflict shifts: a parenthesised path in an operand is a term, marked
   parenthesised either way. "()" after "=>" is read as an empty argument list. Reduce/reduce
   conflicts fail the build. */
%expect 1

%%

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

atom
    : molecule                 { $$ = $1; }
    | path path_step           { $$ = BUILD.stepAtom($1, $2); }
    | builtin_atom             { $$ = $1; }
    ;

builtin_atom
    : predicate                { $$ = BUILD.predicate($1); }
    | arith COMPARE arith      { $$ = BUILD.comparison($1, $2, $3); }
    ;

arith
    : arith MULOP arith        { $$ = BUILD.arithmetic($1, $2, $3); }
    | arith ADDOP arith        { $$ = BUILD.arithmetic($1, $2, $3); }
    | path                     { $$ = $1; }
    | LPAREN arith RPAREN      { $$ = grammar::parenthesized($2); }
    | aggregate                { $$ = $1; }
    ;

molecule
    : reference molecule_part  { $$ = BUILD.molecule($1, $2); }
    ;

path
    : reference                { $$ = $1; }
    | molecule                 { $$ = $1; }
    ;

reference
    : simple                   { $$ = $1; }
    | path path_step           { $$ = BUILD.reference($1, $2); }
    ;

aggregate
    : NAME LBRACE VARIABLE LBRACKET var_list RBRACKET SEMICOLON literals RBRACE
                               { $$ = BUILD.aggregate($1, $3, $5, $8); }
    | NAME LBRACE VARIABLE SEMICOLON literals RBRACE
                               { $$ = BUILD.aggregate($1, $3, nullptr, $5); }
    ;

simple
    : id_term                  { $$ = $1; }
    | LPAREN path RPAREN       { $$ = grammar::parenthesized($2); }
    ;

molecule_part
    : isa_part spec_block      { $$ = BUILD.specification($1, $2); }
    | isa_part                 { $$ = BUILD.specification($1, nullptr); }
    | spec_block               { $$ = BUILD.specification(nullptr, $1); }
    ;

isa_part
    : ISA simple               { $$ = BUILD.isa($1, $2); }
    ;

spec_block
    : LBRACKET RBRACKET            { $$ = nullptr; }
    | LBRACKET spec_list RBRACKET  { $$ = $2; }
    ;

path_step
    : DOT method               { $$ = BUILD.step($2, $1); }
    ;

spec_list
    : method method_result     { $$ = BUILD.elements($1, $2); }
    | spec_list SEMICOLON method method_result
                               { $$ = BUILD.append($1, $3, $4); yyerrok; }
    | error                    { $$ = FAIL("invalid specification"); }
    | spec_list error          { grammar::releaseList($1); $$ = FAIL("invalid expression after specification"); }
    | spec_list error method method_result
                               { grammar::releaseList($1); grammar::release($3); grammar::release($4);
                                 $$ = FAIL("semicolon between specifications missing"); yyerrok; }
    | spec_list SEMICOLON error
                               { grammar::releaseList($1); $$ = FAIL("specification after semicolon expected"); }
    ;

method
    : simple                   { $$ = BUILD.method($1, nullptr); }
    | simple AT args           { $$ = BUILD.method($1, $3); }
    ;

method_result
    : SARROW path              { $$ = BUILD.scalarResult($1, $2); }
    | MARROW set_result        { $$ = BUILD.setResult($1, $2); }
    | SIGARROW sig_result      { $$ = BUILD.setResult($1, $2); }
    ;

set_result
    : path                     { $$ = BUILD.terms($1); }
    | LBRACE RBRACE            { $$ = nullptr; }
    | LBRACE term_list RBRACE  { $$ = $2; }
    ;

sig_result
    : path                     { $$ = BUILD.terms($1); }
    | args                     { $$ = $1; }
    ;

id_term
    : function                 { $$ = BUILD.functionTerm($1); }
    | VARIABLE                 { $$ = BUILD.variable($1); }
    | STRING                   { $$ = BUILD.stringConstant($1); }
    | INTEGER                  { $$ = BUILD.constant($1, InternalName::Integer); }
    | FLOAT                    { $$ = BUILD.constant($1, InternalName::Float); }
    | LBRACKET list_rest       { $$ = $2; }
    ;

args
    : LPAREN term_list RPAREN  { $$ = $2; }
    | LPAREN RPAREN            { $$ = nullptr; }
    ;

term_list
    : path %prec ONE_RESULT    { $$ = BUILD.terms($1); }
    | term_list COMMA path     { $$ = BUILD.append($1, $3); yyerrok; }
    | error                    { $$ = FAIL("incomplete path expression"); }
    | term_list error          { grammar::releaseList($1); $$ = FAIL("incomplete path expression"); }
    | term_list error atom     { grammar::releaseList($1); grammar::release($3);
                                 $$ = FAIL("comma between paths missing"); yyerrok; }
    | term_list COMMA error    { grammar::releaseList($1); $$ = FAIL("path after comma expected"); }
    ;

var_list
    : VARIABLE                 { $$ = BUILD.variables(nullptr, $1); }
    | var_list COMMA VARIABLE  { $$ = BUILD.variables($1, $3); }
    ;

predicate
    : application              { $$ = $1; }
    ;

function
    : application              { $$ = $1; }
    ;

application
    : NAME                     { $$ = BUILD.nameApplication($1, nullptr); }
    | NAME args                { $$ = BUILD.nameApplication($1, $2); }
    ;

list_rest
    : RBRACKET                 { $$ = BUILD.emptyList(); }
    | id_term COMMA list_rest  { $$ = BUILD.listCell($1, $3); }
    | id_term RBRACKET         { $$ = BUILD.listCell($1, BUILD.emptyList()); }
    | id_term BAR id_term RBRACKET
                               { $$ = BUILD.listCell($1, $3); }
    ;

%%
