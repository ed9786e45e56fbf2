/* The F-Logic grammar: one call reads one clause into an FRule. */
%require "3.5"
%define api.pure full
%define api.prefix {FLogic}
%parse-param {InternalFLogicParser& parser} {FRule** result}
%lex-param {InternalFLogicParser& parser}

%code requires {
class FRule;
class InternalFLogicParser;
}

%union {
    int code;
    char* text;
}

%code {
#include "language/InternalFLogicParser.h"

static int FLogiclex(FLOGICSTYPE* value, InternalFLogicParser& parser) {
    return parser.yylex(value);
}
static void FLogicerror(InternalFLogicParser& parser, FRule**, const char* message) {
    parser.yyerror(message);
}
}

%token CLAUSE_END 258 IMPLIES 259 QUERY 260 COMMA 261 SEMICOLON 262 NOT 263
%token <code> ISA 264
%token AT 265 LPAREN 266 RPAREN 267 LBRACKET 268 RBRACKET 269 LBRACE 270 RBRACE 271 BAR 272
%token <code> DOT 273 SARROW 274 MARROW 275 SIGARROW 276
%token <text> COMPARE 277 NAME 278 VARIABLE 279 STRING 280 INTEGER 281 FLOAT 282
%token ILLEGAL 283
%token <text> ADDOP 284 MULOP 285

%destructor { delete[] $$; } <text>

%%
clause: %empty { *result = nullptr; } ;
%%
