/* The F-Logic grammar: one call reads one clause into an FRule. */
%require "3.5"
%define api.pure full
%define api.prefix {FLogic}

%token CLAUSE_END 258 IMPLIES 259 QUERY 260 COMMA 261 SEMICOLON 262 NOT 263 ISA 264 AT 265
%token LPAREN 266 RPAREN 267 LBRACKET 268 RBRACKET 269 LBRACE 270 RBRACE 271 BAR 272 DOT 273
%token SARROW 274 MARROW 275 SIGARROW 276 COMPARE 277 NAME 278 VARIABLE 279 STRING 280
%token INTEGER 281 FLOAT 282 ILLEGAL 283 ADDOP 284 MULOP 285

%code {
static int FLogiclex(FLOGICSTYPE*) { return 0; }
static void FLogicerror(const char*) {}
}

%%
clause: %empty ;
%%
